// Which viewer opens a pool of a given connection type.
#pragma once

#include <optional>
#include <string_view>

namespace kesta {

enum class Viewer { Spice, Rdp, Horizon };

// By exact, case-sensitive type.  A pool typed "all" leaves the choice to the
// terminal's default protocol: "spice" and "blast" pick their viewers, any
// other value RDP.  Nothing for a type no viewer handles.
std::optional<Viewer> choose_viewer(std::string_view connection_type,
                                    std::string_view default_protocol) noexcept;

}  // namespace kesta
