// Waiting in a test for something the stand-in or the client does
// asynchronously.
#pragma once

#include <chrono>
#include <functional>

namespace kesta::test {

// Runs the calling thread's default main context until done() holds or the
// limit has passed; returns done().
bool spin_until(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace kesta::test
