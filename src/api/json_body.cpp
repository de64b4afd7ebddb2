#include "api/json_body.h"

#include <json-glib/json-glib.h>

#include "base/json_read.h"
#include "base/ptr.h"

namespace kesta {

std::string compact_json(std::initializer_list<std::pair<const char*, const char*>> members) {
  auto builder = take_ref(json_builder_new());
  json_builder_begin_object(builder.get());
  for (const auto& [key, value] : members) {
    json_builder_set_member_name(builder.get(), key);
    json_builder_add_string_value(builder.get(), value ? value : "");
  }
  json_builder_end_object(builder.get());
  return builder_text(builder.get(), JsonLayout::Compact);
}

}  // namespace kesta
