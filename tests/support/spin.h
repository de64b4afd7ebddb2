// Waiting in a test for something the client or the stand-in does
// asynchronously: the main loop turns until it has happened, within a
// generous limit.
#pragma once

#include <chrono>
#include <functional>

namespace kesta::test {

// Runs the calling thread's default main context until done() holds or the
// limit has passed; returns done().  Callers that need done() check the
// result, so that a wait that runs out fails the test where it waited.
// done() is asked after every turn of the loop, or at most once per `every`
// where asking costs something (it reads a file or runs a program).
bool spin_until(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10),
                std::chrono::milliseconds every = std::chrono::milliseconds(0));

// Runs the main loop for a fixed time (timers and idles fire meanwhile).
// Only where the time is what a test checks: that something does not
// happen within it.
void spin_for(std::chrono::milliseconds length);

// Whether the test process has no child left, running or not yet reaped.
// It only looks (WNOWAIT): the client's watch of a viewer still reaps it.
bool no_child_left();

// Runs the main loop until every request of the client has been answered
// (and what the answers led to has run); the test fails when they are not
// within the limit.
void wait_for_requests(std::chrono::seconds limit = std::chrono::minutes(2));

}  // namespace kesta::test
