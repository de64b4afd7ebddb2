#include "ui/widget_style.h"

#include "base/ptr.h"

namespace kesta {

void add_style_class(GtkWidget* widget, const char* name) {
  gtk_style_context_add_class(gtk_widget_get_style_context(widget), name);
}

void pack_start(GtkWidget* box, GtkWidget* child, bool expand, guint padding) {
  gtk_box_pack_start(GTK_BOX(box), child, expand, expand, padding);
}

void set_text_colour(GtkWidget* widget, const GdkRGBA& colour) {
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_widget_override_color(widget, GTK_STATE_FLAG_NORMAL, &colour);
  G_GNUC_END_IGNORE_DEPRECATIONS
}

void set_background_colour(GtkWidget* widget, const GdkRGBA& colour) {
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_widget_override_background_color(widget, GTK_STATE_FLAG_NORMAL, &colour);
  G_GNUC_END_IGNORE_DEPRECATIONS
}

RefPtr<GtkCssProvider> css_provider(const char* css) {
  auto provider = take_ref(gtk_css_provider_new());
  gtk_css_provider_load_from_data(provider.get(), css, -1, nullptr);
  return provider;
}

void add_widget_css(GtkWidget* widget, GtkCssProvider* provider) {
  gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(provider),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

void add_widget_css(GtkWidget* widget, const char* css) { add_widget_css(widget, css_provider(css).get()); }

RefPtr<GdkPixbuf> load_scaled_image(const char* resource_path, int width, int height) {
  auto image = take_ref(gdk_pixbuf_new_from_resource(resource_path, nullptr));
  if (!image) return nullptr;
  return take_ref(gdk_pixbuf_scale_simple(image.get(), width, height, GDK_INTERP_BILINEAR));
}

}  // namespace kesta
