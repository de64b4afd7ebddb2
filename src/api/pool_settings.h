// The pool settings of a VM's connection configuration, as the viewers'
// launchers read them, and its SPICE details.
#pragma once

#include <glib.h>
#include <json-glib/json-glib.h>

#include <optional>
#include <string>

namespace kesta {

// The device-redirection flags of a pool ("resource", a JSON object carried
// as text).  Each flag is absent, true or false: some viewers change their
// defaults only for a flag that is present.
struct ResourceFlags {
  std::optional<bool> usbs, sounds, drives, mic, clipboard, printers, multimon, serial, home, debug;
  std::optional<std::string> usbfilter;
};

// The RDP display parameters of a pool ("connectparam", a JSON object
// carried as text).
struct DisplayParams {
  // "connectparam" was given but is not a JSON object: then no display
  // option is given at all.  A pool without "connectparam" reads like an
  // empty object.
  bool unreadable = false;
  std::optional<gint64> bpp;
  std::optional<std::string> decode;
  std::optional<std::string> network;
};

// The pool's RDP gateway ("gw").
struct GatewaySettings {
  std::string type;  // "gwtype": "public", "ad", or anything else for no gateway account
  std::string address;  // "gwaddr"
  std::string user;     // "gwuser"
  std::optional<std::string> password_cipher;  // "gwpassword", as stored
};

// Every member of the pool that a launcher reads.  A text member that is
// absent (or not a string) is empty unless it is optional here.
struct PoolSettings {
  std::string connect_type;                       // "connecttype"
  std::optional<gint64> rdp_port;                 // "rdpport"
  std::optional<std::string> account_type;        // "accounttype"
  std::string account_user;                       // "accountUser"
  std::optional<std::string> account_password_cipher;  // "accountPassword", as stored
  // Only when the pool has "usegw" true and a "gw" object.
  std::optional<GatewaySettings> gateway;
  // Nothing when the pool has no "resource" text or it does not hold a
  // JSON object.
  std::optional<ResourceFlags> resource;
  DisplayParams display;
};

// The SPICE details of the reply ("spriceInfo"): a text member it lacks is
// empty, a missing "tls-port" 0.
struct SpiceInfo {
  std::string ca, host, host_subject, password, proxy, release_cursor, secure_attention, title,
      toggle_fullscreen;
  gint64 tls_port = 0;
};

// Each reader takes a null object as an empty one.
std::optional<ResourceFlags> read_resource_flags(JsonObject* pool);
DisplayParams read_display_params(JsonObject* pool);
PoolSettings read_pool_settings(JsonObject* pool);
SpiceInfo read_spice_info(JsonObject* spice_info);

}  // namespace kesta
