#include "app/client.h"

#include <gtk/gtk.h>
#include <openssl/crypto.h>

#include "base/config.h"
#include "base/i18n.h"
#include "base/output.h"
#include "base/ptr.h"
#include "host/status_channel.h"
#include "login/login_window.h"
#include "ui/style.h"

namespace kesta {

namespace {

void ignore_css_error(GtkCssProvider*, GtkCssSection*, GError*, gpointer) noexcept {}

}  // namespace

int run_client(int argc, char** argv) {
  OPENSSL_init_crypto(OPENSSL_INIT_ADD_ALL_CIPHERS | OPENSSL_INIT_ADD_ALL_DIGESTS, nullptr);
  install_output_handler();
  bind_translations();
  gtk_init(&argc, &argv);

  if (!load_config()) apply_config_defaults(app_config);

  auto provider = take_ref(gtk_css_provider_new());
  // Declarations GTK does not know (width, transform, !important) are
  // skipped and the rest apply; a handler keeps GTK from warning of each.
  g_signal_connect(provider.get(), "parsing-error", G_CALLBACK(ignore_css_error), nullptr);
  gtk_css_provider_load_from_data(provider.get(), css_data, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider.get()),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);

  build_login_window();
  gtk_main();
  status_channel_stop();
  return 0;
}

}  // namespace kesta
