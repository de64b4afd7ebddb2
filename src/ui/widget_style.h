// Per-widget colour overrides for the normal state, and the few per-widget
// style sheets.
#pragma once

#include <gtk/gtk.h>

#include "base/ptr.h"

namespace kesta {

inline constexpr GdkRGBA kBlack{0, 0, 0, 1};
inline constexpr GdkRGBA kWhite{1, 1, 1, 1};
// Text of the bottom bars: white at 70 % opacity.
inline constexpr GdkRGBA kBarGrey{1, 1, 1, 0.7};

void add_style_class(GtkWidget* widget, const char* name);
// Packs child at the start of box; expand also fills.
void pack_start(GtkWidget* box, GtkWidget* child, bool expand = false, guint padding = 0);

void set_text_colour(GtkWidget* widget, const GdkRGBA& colour);
void set_background_colour(GtkWidget* widget, const GdkRGBA& colour);

// A style sheet parsed once, to be given to as many widgets as use it.
RefPtr<GtkCssProvider> css_provider(const char* css);
// A style sheet for one widget's style context at the application priority.
void add_widget_css(GtkWidget* widget, GtkCssProvider* provider);
void add_widget_css(GtkWidget* widget, const char* css);

// An image from the resource bundle scaled to width x height; null when it
// cannot be loaded.
RefPtr<GdkPixbuf> load_scaled_image(const char* resource_path, int width, int height);

}  // namespace kesta
