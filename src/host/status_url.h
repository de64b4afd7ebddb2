// The address of the status channel's WebSocket.
#pragma once

#include <string>
#include <string_view>

namespace kesta {

// "wss://<host>/ws/client?token=Bearer%20<token>" for a server address with
// or without "https://", "ws://..." for one with "http://".  A port or path
// of the address stays in front of /ws/client; the token goes in as it is.
// At most 511 bytes, as the channel's fixed buffer keeps.
std::string status_channel_url(std::string_view server_address, std::string_view token);

}  // namespace kesta
