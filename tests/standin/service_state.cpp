#include "service_state.h"

#include <algorithm>
#include <string_view>

namespace kesta::test {

namespace {

constexpr std::string_view kMacSuffix = "@mac";

}  // namespace

std::string ServiceState::mac_token(const std::string& mac) {
  std::string token = "mac-";
  // Colons would have to be escaped in the status channel's URL.
  std::copy_if(mac.begin(), mac.end(), std::back_inserter(token), [](char c) { return c != ':'; });
  return token;
}

void ServiceState::add_account(const std::string& user, const std::string& password, const std::string& token) {
  const std::lock_guard lock(mutex_);
  accounts_[user] = Account{password, token};
  issued_.insert(token);
  expired_.erase(token);
}

void ServiceState::accept_mac_logins(bool on) {
  const std::lock_guard lock(mutex_);
  mac_logins_ = on;
}

void ServiceState::expire_token(const std::string& token) {
  const std::lock_guard lock(mutex_);
  expired_.insert(token);
}

void ServiceState::set_vms(std::vector<Vm> vms) {
  const std::lock_guard lock(mutex_);
  vms_ = std::move(vms);
}

std::vector<Vm> ServiceState::vms() const {
  const std::lock_guard lock(mutex_);
  return vms_;
}

void ServiceState::set_vm_list_body(std::optional<std::string> body) {
  const std::lock_guard lock(mutex_);
  vm_list_body_ = std::move(body);
}

void ServiceState::set_vm_config(const std::string& vmid, std::string data_json) {
  const std::lock_guard lock(mutex_);
  vm_configs_[vmid] = std::move(data_json);
}

void ServiceState::set_domains(std::vector<std::string> domains) {
  const std::lock_guard lock(mutex_);
  domains_ = std::move(domains);
}

std::vector<Registration> ServiceState::registrations() const {
  const std::lock_guard lock(mutex_);
  return registrations_;
}

std::optional<std::string> ServiceState::sign_in(const std::string& user, const std::string& password) {
  const std::lock_guard lock(mutex_);
  std::string token;
  if (const auto it = accounts_.find(user); it != accounts_.end()) {
    if (it->second.password != password) return std::nullopt;
    token = it->second.token;
  } else if (mac_logins_ && user.ends_with(kMacSuffix) && user.size() > kMacSuffix.size() &&
             std::string_view(user).substr(0, user.size() - kMacSuffix.size()) == password) {
    token = mac_token(password);
  } else {
    return std::nullopt;
  }
  issued_.insert(token);
  expired_.erase(token);
  return token;
}

TokenState ServiceState::token_state(const std::string& token) const {
  const std::lock_guard lock(mutex_);
  if (!issued_.contains(token)) return TokenState::Unknown;
  return expired_.contains(token) ? TokenState::Expired : TokenState::Valid;
}

std::optional<std::string> ServiceState::vm_list_body() const {
  const std::lock_guard lock(mutex_);
  return vm_list_body_;
}

bool ServiceState::set_vm_status(const std::string& vmid, const std::string& status) {
  const std::lock_guard lock(mutex_);
  const auto it = std::find_if(vms_.begin(), vms_.end(), [&](const Vm& vm) { return vm.vmid == vmid; });
  if (it == vms_.end()) return false;
  it->status = status;
  return true;
}

std::optional<std::string> ServiceState::vm_config(const std::string& vmid) const {
  const std::lock_guard lock(mutex_);
  const auto it = vm_configs_.find(vmid);
  if (it == vm_configs_.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> ServiceState::domains() const {
  const std::lock_guard lock(mutex_);
  return domains_;
}

bool ServiceState::add_registration(Registration registration) {
  const std::lock_guard lock(mutex_);
  const bool taken = accounts_.contains(registration.username) ||
                     std::any_of(registrations_.begin(), registrations_.end(),
                                 [&](const Registration& r) { return r.username == registration.username; });
  if (taken) return false;
  registrations_.push_back(std::move(registration));
  return true;
}

}  // namespace kesta::test
