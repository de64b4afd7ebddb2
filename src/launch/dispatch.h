// Opening a remote session: the viewer for the pool's connection type.
#pragma once

#include <gtk/gtk.h>

#include "api/pool_settings.h"

namespace kesta {

// Starts the viewer that connection_type calls for (with "all", the
// `protocol` of app_config decides) and returns at once; the viewer is not
// watched.  When it could not be started, or the type is unsupported, shows
// one "连接失败" dialog over window.  window carries "vm_id" and "vm_data" for
// SPICE; pool is the pool settings of the reply.  Any text may be null
// (empty).
void dispatch_connection(const char* connection_type, const char* address, const char* username,
                         const char* password, GtkWindow* window, const PoolSettings& pool);

}  // namespace kesta
