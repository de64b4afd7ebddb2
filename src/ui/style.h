// The application style sheet.
#pragma once

namespace kesta {

extern const char* const css_data;

// Installs css_data for the whole default screen at the application
// priority, as the program starts.
void install_style_sheet();

}  // namespace kesta
