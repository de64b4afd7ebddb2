// The diagnostic lines on standard output.
#pragma once

namespace kesta {

// The lines are UTF-8 texts and go out as such, whatever the locale: GLib
// would otherwise turn every Chinese character into "?" on a terminal that
// boots in the C locale.  Each line is flushed at once, so that a log
// survives a crash or a power-off.
void install_output_handler() noexcept;

}  // namespace kesta
