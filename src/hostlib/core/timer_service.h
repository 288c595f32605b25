#pragma once
// Periodic timers for commands (animation playback and the like). The viewer
// backs the service with its toolkit's timers; tests drive ManualTimerService
// by hand.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>

#include "hostlib/hostlib_export.h"

namespace vex3d {

// 0 is never a running timer.
using TimerHandle = std::uint64_t;

class VEXHOST_EXPORT ITimerService {
 public:
  virtual ~ITimerService();

  // Calls `callback` every `milliseconds` on the user-interface thread until
  // the timer is stopped; answers 0 when no timer could be made.
  virtual TimerHandle start(unsigned milliseconds, std::function<void()> callback) = 0;
  // Unknown or already stopped handles are ignored. A callback may stop its
  // own timer (or any other) while it runs.
  virtual void stop(TimerHandle handle) = 0;
};

class VEXHOST_EXPORT ManualTimerService : public ITimerService {
 public:
  // A period of 0 counts as 1 ms, so that advancing the clock always ends.
  TimerHandle start(unsigned milliseconds, std::function<void()> callback) override;
  void stop(TimerHandle handle) override;

  // Moves the clock forward and fires every timer that falls due on the way,
  // earliest first (a timer fires once per period elapsed, ties in the order
  // the timers were started). Returns the number of callbacks run.
  std::size_t advance(unsigned milliseconds);
  // Runs one timer's callback now, without moving the clock; false when the
  // timer is not running.
  bool fire(TimerHandle handle);

  bool isRunning(TimerHandle handle) const { return m_timers.count(handle) != 0; }
  std::size_t runningCount() const { return m_timers.size(); }
  // 0 when the timer is not running.
  unsigned periodOf(TimerHandle handle) const;
  std::uint64_t now() const { return m_now; }

 private:
  struct Timer {
    unsigned period;
    std::uint64_t due;
    std::function<void()> callback;
  };
  // Handles grow, so map order is start order.
  std::map<TimerHandle, Timer> m_timers;
  std::uint64_t m_now = 0;
  TimerHandle m_nextHandle = 1;
};

}  // namespace vex3d
