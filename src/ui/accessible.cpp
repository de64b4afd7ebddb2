#include "ui/accessible.h"

#include <string>

namespace kesta {

void name_accessible(GtkWidget* widget, const char* name, AtkRole role) {
  AtkObject* accessible = gtk_widget_get_accessible(widget);
  atk_object_set_name(accessible, name);
  atk_object_set_role(accessible, role);
}

void describe_accessible(GtkWidget* widget, const char* text, const char* subject) {
  atk_object_set_description(gtk_widget_get_accessible(widget), (std::string(text) + " " + subject).c_str());
}

}  // namespace kesta
