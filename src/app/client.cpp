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
#include "ui/toolkit.h"

namespace kesta {

int run_client(int argc, char** argv) {
  OPENSSL_init_crypto(OPENSSL_INIT_ADD_ALL_CIPHERS | OPENSSL_INIT_ADD_ALL_DIGESTS, nullptr);
  install_output_handler();
  bind_translations();
  init_toolkit(&argc, &argv);

  if (!load_config()) apply_config_defaults(app_config);

  install_style_sheet();

  build_login_window();
  gtk_main();
  status_channel_stop();
  return 0;
}

}  // namespace kesta
