#include "launch/viewer_choice.h"

namespace kesta {

std::optional<Viewer> choose_viewer(std::string_view connection_type,
                                    std::string_view default_protocol) noexcept {
  if (connection_type == "all") {
    if (default_protocol == "spice") return Viewer::Spice;
    if (default_protocol == "blast") return Viewer::Horizon;
    return Viewer::Rdp;
  }
  if (connection_type == "freerdp2" || connection_type == "freerdp3") return Viewer::Rdp;
  if (connection_type == "blast" || connection_type == "pcoip") return Viewer::Horizon;
  if (connection_type == "spice") return Viewer::Spice;
  return std::nullopt;
}

}  // namespace kesta
