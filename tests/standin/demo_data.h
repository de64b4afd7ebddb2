// What the demo service offers: two accounts, MAC logins, two domains and
// six VMs covering every state and connection type.
#pragma once

#include "service_state.h"

namespace kesta::test {

void load_demo_data(ServiceState& service);

}  // namespace kesta::test
