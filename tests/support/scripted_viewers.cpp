#include "support/scripted_viewers.h"

#include <glib/gstdio.h>

#include <csignal>
#include <sstream>

#include "base/ptr.h"
#include "launch/viewer.h"
#include "support/spin.h"
#include "support/temp_home.h"

namespace kesta::test {

namespace {

// The process id goes into "pids" last, so that a started viewer has read
// its input and written its lines.
constexpr char kScript[] =
    "#!/bin/sh\n"
    "d=$(dirname \"$0\")\n"
    "cat > \"$d/stdin.$$\"\n"
    "cat \"$d/out\"\n"
    "cat \"$d/err\" >&2\n"
    "echo $$ >> \"$d/pids\"\n"
    "if [ -e \"$d/window\" ]; then exec \"$(cat \"$d/window\")\" " "--stand-in-window" "; fi\n"
    "while [ -e \"$d/hold\" ]; do sleep 0.1; done\n"
    "exit \"$(cat \"$d/status\")\"\n";

}  // namespace

ScriptedViewers::ScriptedViewers() : dir_(make_temp_dir()) {
  const std::string program = path("viewer");
  write_file(program, kScript);
  g_chmod(program.c_str(), 0700);
  script("", "", 0);
  viewer_paths = ViewerPaths{program, program, program, program};
}

ScriptedViewers::~ScriptedViewers() {
  viewer_paths = ViewerPaths{};
  release();
  remove_file(path("window"));
  const std::vector<GPid> pids = read_pids();
  for (GPid pid : pids) kill(pid, SIGTERM);
  for (GPid pid : pids) spin_until([pid] { return gone(pid); }, std::chrono::seconds(30));
  GDir* dir = g_dir_open(dir_.c_str(), 0, nullptr);
  for (const char* name; dir && (name = g_dir_read_name(dir));) g_unlink(path(name).c_str());
  if (dir) g_dir_close(dir);
  g_rmdir(dir_.c_str());
}

void ScriptedViewers::script(const std::string& out, const std::string& err, int status) {
  write_file(path("out"), out);
  write_file(path("err"), err);
  write_file(path("status"), std::to_string(status));
}

void ScriptedViewers::hold() { write_file(path("hold"), ""); }
void ScriptedViewers::release() { remove_file(path("hold")); }

void ScriptedViewers::show_window() {
  const GCharPtr self(g_file_read_link("/proc/self/exe", nullptr));
  write_file(path("window"), self ? self.get() : "");
}

std::vector<GPid> ScriptedViewers::read_pids() const {
  std::vector<GPid> pids;
  std::istringstream lines(read_file(path("pids")));
  for (GPid pid; lines >> pid;) pids.push_back(pid);
  return pids;
}

std::vector<GPid> ScriptedViewers::started(std::size_t count) {
  spin_until([&] { return read_pids().size() >= count; }, std::chrono::seconds(30), std::chrono::milliseconds(20));
  return read_pids();
}

std::string ScriptedViewers::input_of(GPid pid) const { return read_file(path("stdin.") + std::to_string(pid)); }

bool ScriptedViewers::gone(GPid pid) { return kill(pid, 0) != 0; }

}  // namespace kesta::test
