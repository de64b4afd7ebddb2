// Cost of a VM list reply: parsing 10,000 entries into records and building
// the first page of cards, against json-glib parsing the same text alone.
// Both are measured in the same run, alternating; the ratio is printed.
//
//   vm_list [rounds]      default 15 rounds; needs a display (Xvfb)

#include <gtk/gtk.h>
#include <json-glib/json-glib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "api/vm_list.h"
#include "base/config.h"
#include "base/ptr.h"
#include "desktop/desktop_window.h"
#include "desktop/vm_cards.h"

namespace {

std::string reply_text(int count) {
  std::string text = R"({"success": true, "message": "ok", "data": [)";
  for (int i = 0; i < count; ++i) {
    if (i) text += ',';
    text += R"({"vmid": "vm-)" + std::to_string(i) + R"(", "vmname": "桌面 )" + std::to_string(i) +
            R"(", "status": ")" + (i % 3 ? "running" : "stopped") +
            R"(", "pool": {"poolname": "研发池", "connecttype": "spice", "rollback": false}})";
  }
  return text + "]}";
}

double now_ms() { return static_cast<double>(g_get_monotonic_time()) / 1000.0; }

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const std::string text = reply_text(10000);

  // A desktop window without a service: its first load fails at once and
  // leaves an empty grid to fill.
  kesta::apply_config_defaults(kesta::app_config);
  GtkWidget* login = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  std::unique_ptr<kesta::MainWindowData> data = kesta::create_desktop_window("token", login);

  std::vector<double> client, bare;
  for (int i = 0; i < rounds; ++i) {
    double start = now_ms();
    {
      auto parser = kesta::take_ref(json_parser_new());
      if (!json_parser_load_from_data(parser.get(), text.data(), static_cast<gssize>(text.size()), nullptr))
        return 1;
    }
    bare.push_back(now_ms() - start);

    start = now_ms();
    kesta::ReplyOutcome<kesta::VmList> reply = kesta::parse_vm_list(text);
    data->vm_list = std::move(reply.record);
    kesta::show_vm_page(data.get());
    client.push_back(now_ms() - start);
  }
  std::printf("reply of 10000 VMs, %zu bytes, %d rounds (medians)\n", text.size(), rounds);
  std::printf("json-glib parse alone:        %.2f ms\n", median(bare));
  std::printf("records and first page built: %.2f ms\n", median(client));
  std::printf("ratio %.2fx (target at most 1.50x)\n", median(client) / median(bare));
  kesta::destroy_main_window_data(data.release());
  return 0;
}
