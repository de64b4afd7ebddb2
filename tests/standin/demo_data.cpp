#include "demo_data.h"

#include <string>

namespace kesta::test {

namespace {

// SPICE ticket data; the viewer would be pointed at this machine.
std::string spice_info(const std::string& title) {
  return R"("spriceInfo":{"ca":"","host":"127.0.0.1","host-subject":"","password":"demo-ticket","proxy":"",)"
         R"("release-cursor":"shift+f12","secure-attention":"ctrl+alt+end","title":")" +
         title + R"(","tls-port":5901,"toggle-fullscreen":"shift+f11"})";
}

}  // namespace

void load_demo_data(ServiceState& service) {
  service.add_account("demo", "demo123", "demo-token");
  service.add_account("alice", "alice123", "alice-token");
  service.accept_mac_logins(true);
  service.set_domains({"kesta.local", "corp.example"});

  service.set_vms({
      {"vm-1001", "办公桌面", "running", "办公池", "spice", false},
      {"vm-1002", "设计工作站", "running", "设计池", "freerdp2", false},
      {"vm-1003", "测试机", "stopped", "测试池", "all", true},
      {"vm-1004", "财务系统", "suspended", "财务池", "freerdp3", false},
      {"vm-1005", "备用桌面", "paused", "备用池", "blast", false},
      {"vm-1006", "开发环境", "error", "开发池", "pcoip", true},
  });

  service.set_vm_config("vm-1001",
                        R"({"ip":"127.0.0.1","ostype":"windows10","pool":{"pool":{"poolname":"办公池",)"
                        R"("connecttype":"spice","resource":"{\"usbs\":true,\"sounds\":true,\"home\":true}"}},)" +
                            spice_info("办公桌面") + "}");
  service.set_vm_config("vm-1002",
                        R"({"ip":"127.0.0.1","ostype":"windows11","pool":{"pool":{"poolname":"设计池",)"
                        R"("connecttype":"freerdp2","rdpport":3389,"accounttype":"user","accountUser":"designer",)"
                        R"("usegw":false,"resource":"{\"clipboard\":true,\"sounds\":true,\"drives\":true}",)"
                        R"("connectparam":"{\"bpp\":32,\"decode\":\"444\",\"network\":\"lan\"}"}}})");
  service.set_vm_config("vm-1003",
                        R"({"ip":"127.0.0.1","ostype":"ubuntu22","pool":{"pool":{"poolname":"测试池",)"
                        R"("connecttype":"all","rdpport":3390,"accounttype":"ad",)"
                        R"("resource":"{\"usbs\":false,\"multimon\":true}"}},)" +
                            spice_info("测试机") + "}");
  service.set_vm_config("vm-1004",
                        R"({"ip":"127.0.0.1","ostype":"windows10","pool":{"pool":{"poolname":"财务池",)"
                        R"("connecttype":"freerdp3","rdpport":3389,"accounttype":"none","usegw":true,)"
                        R"("gw":{"gwtype":"ad","gwaddr":"127.0.0.1:8443","gwuser":""},)"
                        R"("resource":"{\"printers\":true,\"clipboard\":true}"}}})");
  service.set_vm_config("vm-1005",
                        R"({"ip":"127.0.0.1","ostype":"windows10","pool":{"pool":{"poolname":"备用池",)"
                        R"("connecttype":"blast","resource":"{\"usbs\":true,\"multimon\":true}"}}})");
  service.set_vm_config("vm-1006",
                        R"({"ip":"127.0.0.1","ostype":"windows-server-2019","pool":{"pool":{"poolname":"开发池",)"
                        R"("connecttype":"pcoip","resource":"{\"usbs\":false}"}}})");
}

}  // namespace kesta::test
