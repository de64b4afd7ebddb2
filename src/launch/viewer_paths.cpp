#include "launch/viewer_paths.h"

namespace kesta {

ViewerPaths viewer_paths;

}  // namespace kesta
