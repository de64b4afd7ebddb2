// What a screen reader is told of a widget whose text alone does not say
// it: an icon, a clickable label, one card's button among many.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// Gives the widget's accessible object a name and a role.
void name_accessible(GtkWidget* widget, const char* name, AtkRole role);

// Tells what the widget acts on, as "<its text> <subject>".
void describe_accessible(GtkWidget* widget, const char* text, const char* subject);

}  // namespace kesta
