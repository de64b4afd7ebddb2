// Test entry for the whole suite: GTK is initialised once, before any test,
// on the display the runner provides (Xvfb).
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "app/output.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  kesta::install_output_handler();
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "no display: run the tests under Xvfb (scripts/test does)\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
