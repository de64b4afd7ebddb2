#include "launch/dispatch.h"

#include <string>

#include "base/config.h"
#include "base/fixed_text.h"
#include "base/i18n.h"
#include "launch/horizon.h"
#include "launch/rdp.h"
#include "launch/spawn.h"
#include "launch/spice.h"
#include "ui/dialog.h"

namespace kesta {

namespace {

const char* or_empty(const char* text) noexcept { return text ? text : ""; }

Launcher launcher_for(Viewer viewer) noexcept {
  switch (viewer) {
    case Viewer::Spice: return launch_spice;
    case Viewer::Horizon: return launch_horizon;
    case Viewer::Rdp: break;
  }
  return launch_rdp;
}

}  // namespace

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

GPid dispatch_connection(const char* connection_type, const char* address, const char* username, const char* password,
                         GtkWindow* window, const PoolSettings& pool, const char* vm_id, const VmConfig* config,
                         SessionEnded on_end) {
  const char* type = or_empty(connection_type);
  g_print("连接类型: %s, IP: %s\n", readable_text(type, kMaxLoggedValue).c_str(),
          readable_text(or_empty(address), kMaxLoggedValue).c_str());

  const std::optional<Viewer> viewer = choose_viewer(type, app_config.protocol);
  LaunchResult result;
  if (viewer) {
    const LaunchRequest request{or_empty(address), or_empty(username), or_empty(password), pool, vm_id, config};
    result = launcher_for(*viewer)(request);
  } else {
    result = LaunchResult::failure(std::string(_("不支持的连接类型: ")) + type);
  }
  if (!result.started) {
    show_message_dialog(window, _("连接失败"), result.message.c_str());
    return 0;
  }
  if (on_end)
    when_viewer_ends(result.pid, [pid = result.pid, freerdp = viewer == Viewer::Rdp, vm = std::string(or_empty(address)),
                                  on_end = std::move(on_end)](const ViewerEnd& end) {
      on_end(pid, session_failure(freerdp, vm, end));
    });
  return result.pid;
}

}  // namespace kesta
