// The application style sheet.
#pragma once

namespace kesta {

extern const char* const css_data;

}  // namespace kesta
