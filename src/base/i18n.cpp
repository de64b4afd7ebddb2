#include "base/i18n.h"

#include <glib.h>

namespace kesta {

void bind_translations() {
  const char* directory = g_getenv("KESTA_LOCALEDIR");
  bindtextdomain(GETTEXT_PACKAGE, directory && *directory ? directory : KESTA_LOCALEDIR);
  bind_textdomain_codeset(GETTEXT_PACKAGE, "UTF-8");
}

}  // namespace kesta
