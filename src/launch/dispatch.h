// Opening a remote session: which viewer a pool's connection type calls
// for, and starting it.
#pragma once

#include <gtk/gtk.h>

#include <optional>
#include <string_view>

#include "api/pool_settings.h"

namespace kesta {

enum class Viewer { Spice, Rdp, Horizon };

// By exact, case-sensitive type.  A pool typed "all" leaves the choice to the
// terminal's default protocol: "spice" and "blast" pick their viewers, any
// other value RDP.  Nothing for a type no viewer handles.
std::optional<Viewer> choose_viewer(std::string_view connection_type,
                                    std::string_view default_protocol) noexcept;

// Starts the viewer that connection_type calls for (with "all", the
// `protocol` of app_config decides) and returns at once; the viewer is not
// watched.  When it could not be started, or the type is unsupported, shows
// one "连接失败" dialog over window.  window carries "vm_id" and "vm_data" for
// SPICE; pool is the pool settings of the reply.  Any text may be null
// (empty).
void dispatch_connection(const char* connection_type, const char* address, const char* username,
                         const char* password, GtkWindow* window, const PoolSettings& pool);

}  // namespace kesta
