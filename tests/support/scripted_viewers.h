// Viewers whose every move the test chooses: each viewer program is a
// script that prints the chosen lines on its standard output and error,
// then either waits while held, shows a window of its own, or exits with
// the chosen status.
#pragma once

#include <glib.h>

#include <cstddef>
#include <string>
#include <vector>

#include "support/pinned.h"

namespace kesta::test {

// The argument with which the test program itself, started again, only
// shows a top-level window and waits to be ended (gtk_test_main.cpp).
inline constexpr char kStandInWindow[] = "--stand-in-window";

class ScriptedViewers : Pinned {
 public:
  // Every viewer path points at the script while this lives.
  ScriptedViewers();
  // Ends the viewers still running.
  ~ScriptedViewers();

  // What the next viewers print (each text ends its lines with "\n") and
  // the status they exit with.
  void script(const std::string& out, const std::string& err, int status);
  // The next viewers wait until release(), or until they are ended.
  void hold();
  void release();
  // The next viewers show a window (whose _NET_WM_PID is theirs) and wait.
  void show_window();

  // Waits until `count` viewers have started; their process ids in order.
  std::vector<GPid> started(std::size_t count);
  // What a viewer read on its standard input.
  std::string input_of(GPid pid) const;
  // Whether the process is gone (reaped).
  static bool gone(GPid pid);

 private:
  std::string path(const char* name) const { return dir_ + "/" + name; }
  std::vector<GPid> read_pids() const;
  std::string dir_;
};

}  // namespace kesta::test
