// What the service knows: accounts and their tokens, the VMs, their
// connection configurations, the domains and the registrations.  Tests set it
// up from their thread while the server thread reads and changes it, so every
// member is behind one lock.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "records.h"

namespace kesta::test {

enum class TokenState { Valid, Unknown, Expired };

class ServiceState {
 public:
  // The token the MAC login of this MAC address receives.
  static std::string mac_token(const std::string& mac);

  // The account can sign in, and its token is good from now on.
  void add_account(const std::string& user, const std::string& password, const std::string& token);
  // When on, "<MAC>@mac" signs in with the MAC part as its password.
  void accept_mac_logins(bool on);
  // Requests with this token get 401 until a login hands it out again.
  void expire_token(const std::string& token);

  void set_vms(std::vector<Vm> vms);
  // The VMs with their current status.
  std::vector<Vm> vms() const;
  // A raw reply body for VM list requests that carry a good token; nullopt
  // goes back to the list of set_vms.
  void set_vm_list_body(std::optional<std::string> body);
  // The "data" member of the VM's configuration reply, JSON text used as it
  // is.
  void set_vm_config(const std::string& vmid, std::string data_json);
  void set_domains(std::vector<std::string> domains);
  std::vector<Registration> registrations() const;

  // The service's side, called while answering.
  // The token, or nullopt for a wrong user name or password.
  std::optional<std::string> sign_in(const std::string& user, const std::string& password);
  TokenState token_state(const std::string& token) const;
  std::optional<std::string> vm_list_body() const;
  // False when there is no such VM.
  bool set_vm_status(const std::string& vmid, const std::string& status);
  std::optional<std::string> vm_config(const std::string& vmid) const;
  std::vector<std::string> domains() const;
  // False when the user name is taken by an account or an earlier
  // registration.
  bool add_registration(Registration registration);

 private:
  struct Account {
    std::string password;
    std::string token;
  };

  mutable std::mutex mutex_;
  std::map<std::string, Account> accounts_;
  bool mac_logins_ = false;
  std::set<std::string> issued_;
  std::set<std::string> expired_;
  std::vector<Vm> vms_;
  std::optional<std::string> vm_list_body_;
  std::map<std::string, std::string> vm_configs_;
  std::vector<std::string> domains_;
  std::vector<Registration> registrations_;
};

}  // namespace kesta::test
