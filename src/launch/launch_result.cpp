#include "launch/launcher.h"

#include "base/fixed_text.h"

namespace kesta {

LaunchResult LaunchResult::failure(std::string_view message) {
  char field[kMessageSize];
  copy_fixed(field, message);
  return {false, field};
}

}  // namespace kesta
