// Opening a remote session: which viewer a pool's connection type calls
// for, and starting it.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "api/pool_settings.h"
#include "api/vm_config.h"

namespace kesta {

enum class Viewer { Spice, Rdp, Horizon };

// By exact, case-sensitive type.  A pool typed "all" leaves the choice to the
// terminal's default protocol: "spice" and "blast" pick their viewers, any
// other value RDP.  Nothing for a type no viewer handles.
std::optional<Viewer> choose_viewer(std::string_view connection_type,
                                    std::string_view default_protocol) noexcept;

// Told, from the main loop, that the viewer with this process id has ended:
// with the "连接失败" message for the user when it failed, with nothing
// when the session ended normally.
using SessionEnded = std::function<void(GPid pid, const std::optional<std::string>& failure)>;

// Starts the viewer that connection_type calls for (with "all", the
// `protocol` of app_config decides) and returns at once with its process id;
// the viewer is watched, and on_end (when given) learns how it ended.  When
// it could not be started, or the type is unsupported, shows one "连接失败"
// dialog over window and returns 0.  pool is the pool settings of the
// reply; SPICE also needs the VM's id and the reply's data (config).  Any
// text may be null (empty).
GPid dispatch_connection(const char* connection_type, const char* address, const char* username, const char* password,
                         GtkWindow* window, const PoolSettings& pool, const char* vm_id = nullptr,
                         const VmConfig* config = nullptr, SessionEnded on_end = {});

}  // namespace kesta
