// Where the viewer programs are installed.
#pragma once

#include <string>

namespace kesta {

struct ViewerPaths {
  std::string remote_viewer = "/usr/bin/remote-viewer";
  std::string xfreerdp3 = "/usr/bin/xfreerdp3";
  std::string xfreerdp = "/usr/bin/xfreerdp";
  std::string vmware_view = "/usr/bin/vmware-view";
};

// The programs the launchers start.  Tests put stand-in programs here (and
// restore ViewerPaths{} afterwards), so that no test starts a real viewer.
extern ViewerPaths viewer_paths;

}  // namespace kesta
