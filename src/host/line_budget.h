// A budget of printed lines for what arrives from outside: at most so many
// lines in any period, so that a flood cannot fill the log (a terminal's
// log lives on its small disk).
#pragma once

#include <glib.h>

#include <cstddef>
#include <deque>

namespace kesta {

class LineBudget {
 public:
  // period in microseconds of the monotonic clock.
  LineBudget(std::size_t lines, gint64 period) : lines_(lines), period_(period) {}

  // Whether a line may be printed at now; a line that may is counted.
  bool take(gint64 now) {
    while (!recent_.empty() && now - recent_.front() >= period_) recent_.pop_front();
    if (recent_.size() >= lines_) return false;
    recent_.push_back(now);
    return true;
  }

 private:
  std::size_t lines_;
  gint64 period_;
  std::deque<gint64> recent_;  // when the lines of the last period went out
};

}  // namespace kesta
