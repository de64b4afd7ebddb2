// Finding widgets of a built window in tests.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace kesta::test {

// The first widget below root (depth first, root included) that matches.
GtkWidget* find_widget(GtkWidget* root, const std::function<bool(GtkWidget*)>& match);
GtkWidget* find_label(GtkWidget* root, const std::string& text);
GtkWidget* find_button(GtkWidget* root, const std::string& label_or_tooltip);
// Named data of a window as a widget.
GtkWidget* named(GtkWidget* window, const char* key);
// Visible, and so are all its ancestors.
bool shown(GtkWidget* widget);

}  // namespace kesta::test
