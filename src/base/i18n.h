// The interface's texts go through gettext: the Chinese texts are the
// source, and a catalogue of the client's own text domain (po/) gives them
// in another language under that locale.  Printed lines never go through it:
// administrators' scripts read them.
#pragma once

#include <glib/gi18n-lib.h>

namespace kesta {

// Binds the text domain to the catalogues under KESTA_LOCALEDIR from the
// environment (a build tree's), else to the installed ones, in UTF-8.
void bind_translations();

// A text for printing and its translation for showing, composed alike.
using Translate = const char* (*)(const char*);
inline const char* untranslated(const char* text) { return text; }
inline const char* translated(const char* text) { return _(text); }

}  // namespace kesta
