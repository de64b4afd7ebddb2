// The configuration file loader, on any file content.
#include <cstring>

#include "base/config.h"
#include "support/fuzz.h"

using kesta::fuzz::require;
using kesta::fuzz::require_field;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) noexcept {
  kesta::ClientConfig config;
  // Whatever the record held before must not show through.
  std::memset(&config, 0x55, sizeof config);
  const bool loaded = kesta::load_config_data(kesta::fuzz::input_text(data, size), config);

  require_field(config.server_address, "server_address ends within its field, as UTF-8");
  require_field(config.protocol, "protocol ends within its field, as UTF-8");
  require_field(config.username, "username ends within its field, as UTF-8");
  require_field(config.encrypted_password, "encrypted_password ends within its field, as UTF-8");
  bool free_slot = false;
  for (const kesta::TrustedCertificate& pin : config.trusted_certificates) {
    require_field(pin.host_port, "a pinned host:port ends within its field, as UTF-8");
    require_field(pin.fingerprint, "a fingerprint ends within its field, as UTF-8");
    require(!free_slot || !pin.host_port[0], "the pins fill the first slots");
    free_slot = free_slot || !pin.host_port[0];
  }
  for (const gint32 flag : {config.maclogin, config.save_credentials, config.setting})
    require(flag == 0 || flag == 1, "a flag is 0 or 1");
  if (!config.save_credentials)
    require(!config.username[0] && !config.encrypted_password[0], "no credentials unless they are saved");
  if (!loaded) {
    kesta::ClientConfig defaults;
    kesta::apply_config_defaults(defaults);
    require(!config.server_address[0] && !config.maclogin && std::strcmp(config.protocol, defaults.protocol) == 0 &&
                !config.username[0] && !config.encrypted_password[0] && !config.trusted_certificates[0].host_port[0] &&
                config.save_credentials == defaults.save_credentials && config.setting == defaults.setting,
            "a file that does not load gives the defaults");
  }
  return 0;
}
