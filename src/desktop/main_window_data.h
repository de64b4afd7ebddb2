// The state of one desktop window.
#pragma once

#include <gtk/gtk.h>

#include "api/vm_list.h"
#include "app/ptr.h"

namespace kesta {

struct MainWindowData {
  GtkWidget* window = nullptr;  // owned by GTK; never destroyed by the record
  GtkWidget* content_box = nullptr;
  GtkWidget* header_box = nullptr;
  GtkWidget* vm_area = nullptr;
  GtkWidget* flow_box = nullptr;
  GtkWidget* status_label = nullptr;
  GCharPtr token;  // the window's own copy of the access token
  VmList vm_list;  // the last load
  // Keeps the window object readable by the teardown even after GTK has
  // destroyed the window.
  RefPtr<GtkWidget> window_ref;
};

}  // namespace kesta
