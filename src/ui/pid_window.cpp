#include "ui/pid_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

namespace kesta {

namespace {

struct Tree {
  Window* children = nullptr;
  unsigned int count = 0;
  ~Tree() {
    if (children) XFree(children);
  }
};

bool owned_by(Display* x, Window window, Atom pid_atom, GPid pid) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long left = 0;
  unsigned char* value = nullptr;
  if (XGetWindowProperty(x, window, pid_atom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &left, &value) !=
      Success)
    return false;
  // A 32-bit property comes as longs.
  const bool match = value && type == XA_CARDINAL && format == 32 && items == 1 &&
                     *reinterpret_cast<unsigned long*>(value) == static_cast<unsigned long>(pid);
  if (value) XFree(value);
  if (!match) return false;
  XWindowAttributes attributes;
  return XGetWindowAttributes(x, window, &attributes) && attributes.map_state == IsViewable;
}

bool search(Display* x, Window parent, Atom pid_atom, GPid pid, int depth) {
  Tree tree;
  Window root = None;
  Window up = None;
  if (!XQueryTree(x, parent, &root, &up, &tree.children, &tree.count)) return false;
  for (unsigned int i = 0; i < tree.count; ++i) {
    if (owned_by(x, tree.children[i], pid_atom, pid)) return true;
    if (depth > 0 && search(x, tree.children[i], pid_atom, pid, depth - 1)) return true;
  }
  return false;
}

}  // namespace

bool pid_has_window(GPid pid) {
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return false;
  Display* x = GDK_DISPLAY_XDISPLAY(display);
  const Atom pid_atom = gdk_x11_get_xatom_by_name_for_display(display, "_NET_WM_PID");
  // Windows may go while they are looked at.
  gdk_x11_display_error_trap_push(display);
  const bool found = search(x, DefaultRootWindow(x), pid_atom, pid, 1);
  gdk_x11_display_error_trap_pop_ignored(display);
  return found;
}

}  // namespace kesta
