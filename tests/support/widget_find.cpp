#include "support/widget_find.h"

namespace kesta::test {

GtkWidget* find_widget(GtkWidget* root, const std::function<bool(GtkWidget*)>& match) {
  if (match(root)) return root;
  if (!GTK_IS_CONTAINER(root)) return nullptr;
  GtkWidget* found = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(root));
  for (GList* c = children; c && !found; c = c->next) found = find_widget(GTK_WIDGET(c->data), match);
  g_list_free(children);
  return found;
}

GtkWidget* find_label(GtkWidget* root, const std::string& text) {
  return find_widget(root, [&](GtkWidget* w) {
    return GTK_IS_LABEL(w) && text == gtk_label_get_text(GTK_LABEL(w));
  });
}

GtkWidget* find_button(GtkWidget* root, const std::string& label_or_tooltip) {
  return find_widget(root, [&](GtkWidget* w) {
    if (!GTK_IS_BUTTON(w)) return false;
    const char* label = gtk_button_get_label(GTK_BUTTON(w));
    gchar* tooltip = gtk_widget_get_tooltip_text(w);
    const bool match = (label && label_or_tooltip == label) || (tooltip && label_or_tooltip == tooltip);
    g_free(tooltip);
    return match;
  });
}

GtkWidget* named(GtkWidget* window, const char* key) {
  return GTK_WIDGET(g_object_get_data(G_OBJECT(window), key));
}

bool shown(GtkWidget* widget) {
  for (GtkWidget* w = widget; w; w = gtk_widget_get_parent(w))
    if (!gtk_widget_get_visible(w)) return false;
  return true;
}

}  // namespace kesta::test
