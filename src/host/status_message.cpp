#include "host/status_message.h"

#include <json-glib/json-glib.h>

#include "base/json_read.h"
#include "base/ptr.h"
#include "host/system_stats.h"

namespace kesta {

std::string status_message(const char* host_name) {
  auto builder = take_ref(json_builder_new());
  JsonBuilder* b = builder.get();
  json_builder_begin_object(b);
  json_builder_set_member_name(b, "type");
  json_builder_add_string_value(b, "status");
  add_system_stats(b);
  // A host name is any bytes to the kernel; a WebSocket text frame must be
  // UTF-8.
  const GCharPtr valid_name(g_utf8_make_valid(host_name, -1));
  json_builder_set_member_name(b, "hostname");
  json_builder_add_string_value(b, valid_name.get());
  json_builder_end_object(b);

  return builder_text(b, JsonLayout::Compact);
}

}  // namespace kesta
