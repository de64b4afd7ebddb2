// The paths the service answers.
#pragma once

namespace kesta::test::paths {

inline constexpr char kLogin[] = "/api/custom/login";
inline constexpr char kVmList[] = "/api/custom/getUserVmList";
// Followed by the action word: resume, start, shutdown, stop, reboot, reset.
inline constexpr char kVmStatusPrefix[] = "/api/custom/vm/status/";
inline constexpr char kVmConfig[] = "/api/custom/getVmConfig";
inline constexpr char kDomainList[] = "/api/ad/getDomainList";
inline constexpr char kRegister[] = "/api/custom/register";
// The status channel's WebSocket; the query carries token=Bearer%20<token>.
inline constexpr char kWebsocket[] = "/ws/client";

}  // namespace kesta::test::paths
