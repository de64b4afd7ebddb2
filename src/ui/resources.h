// The compiled-in image bundle, registered before main runs.
#pragma once

#include <gio/gio.h>

extern "C" GResource* resources_get_resource(void);
