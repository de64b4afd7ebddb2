#include "host/host_identity.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/i18n.h"

namespace kesta {

namespace {

// Closes a socket descriptor at scope exit.
class Socket {
 public:
  Socket() noexcept : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (fd_ >= 0) close(fd_);
  }
  int fd() const noexcept { return fd_; }
  bool ok() const noexcept { return fd_ >= 0; }

 private:
  int fd_;
};

bool has_ip_address(const struct ifaddrs* entry) noexcept {
  return entry->ifa_addr &&
         (entry->ifa_addr->sa_family == AF_INET || entry->ifa_addr->sa_family == AF_INET6);
}

IfaddrsPtr interface_list() noexcept {
  struct ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return nullptr;
  return IfaddrsPtr(list);
}

}  // namespace

bool interface_is_skipped(const char* name) noexcept {
  static constexpr std::string_view kPrefixes[] = {"docker", "veth", "br-", "tap",
                                                   "tun",    "vir",  "vnet"};
  const std::string_view n(name ? name : "");
  if (n == "lo") return true;
  for (std::string_view prefix : kPrefixes)
    if (n.starts_with(prefix)) return true;
  return false;
}

GCharPtr get_mac_address() {
  Socket sock;
  if (!sock.ok()) {
    std::perror("无法创建套接字");
    return nullptr;
  }
  IfaddrsPtr list = interface_list();
  if (!list) {
    std::perror("getifaddrs失败");
    return nullptr;
  }
  for (const struct ifaddrs* entry = list.get(); entry; entry = entry->ifa_next) {
    if (!has_ip_address(entry) || interface_is_skipped(entry->ifa_name)) continue;
    struct ifreq request;
    std::memset(&request, 0, sizeof request);
    std::strncpy(request.ifr_name, entry->ifa_name, IFNAMSIZ - 1);
    if (ioctl(sock.fd(), SIOCGIFHWADDR, &request) != 0) continue;

    const auto* hw = reinterpret_cast<const unsigned char*>(request.ifr_hwaddr.sa_data);
    GCharPtr mac(g_strdup_printf("%02X:%02X:%02X:%02X:%02X:%02X", hw[0], hw[1], hw[2], hw[3],
                                 hw[4], hw[5]));
    g_print("找到物理网卡: %s, MAC地址: %s\n", entry->ifa_name, mac.get());
    return mac;
  }
  return nullptr;
}

GCharPtr get_host_name(Translate text) {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return GCharPtr(g_strdup(text(N_("未知主机"))));
  return GCharPtr(g_strdup(name));
}

GCharPtr get_local_ip() {
  // The socket is only a check; nothing is asked of it.  A terminal that
  // cannot open an IPv4 socket (no IPv4, no descriptor left) has no address
  // worth showing.
  Socket sock;
  if (!sock.ok()) return GCharPtr(g_strdup(_("未知地址")));
  IfaddrsPtr list = interface_list();
  if (!list) return GCharPtr(g_strdup(_("未知地址")));
  for (const struct ifaddrs* entry = list.get(); entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET ||
        interface_is_skipped(entry->ifa_name))
      continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const struct sockaddr_in*>(entry->ifa_addr);
    if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) return GCharPtr(g_strdup(text));
  }
  return GCharPtr(g_strdup(_("未知地址")));
}

}  // namespace kesta
