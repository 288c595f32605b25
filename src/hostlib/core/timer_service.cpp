#include "hostlib/core/timer_service.h"

#include <utility>

namespace vex3d {

ITimerService::~ITimerService() = default;

TimerHandle ManualTimerService::start(unsigned milliseconds, std::function<void()> callback) {
  if (!callback) return 0;
  const unsigned period = milliseconds == 0 ? 1 : milliseconds;
  const TimerHandle handle = m_nextHandle++;
  m_timers.emplace(handle, Timer{period, m_now + period, std::move(callback)});
  return handle;
}

void ManualTimerService::stop(TimerHandle handle) { m_timers.erase(handle); }

std::size_t ManualTimerService::advance(unsigned milliseconds) {
  const std::uint64_t target = m_now + milliseconds;
  std::size_t fired = 0;
  for (;;) {
    auto next = m_timers.end();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it)
      if (it->second.due <= target && (next == m_timers.end() || it->second.due < next->second.due))
        next = it;
    if (next == m_timers.end()) break;
    m_now = next->second.due;
    next->second.due += next->second.period;
    // A copy: the callback may stop its own timer, which destroys the stored one.
    const std::function<void()> callback = next->second.callback;
    callback();
    ++fired;
  }
  m_now = target;
  return fired;
}

bool ManualTimerService::fire(TimerHandle handle) {
  const auto it = m_timers.find(handle);
  if (it == m_timers.end()) return false;
  const std::function<void()> callback = it->second.callback;
  callback();
  return true;
}

unsigned ManualTimerService::periodOf(TimerHandle handle) const {
  const auto it = m_timers.find(handle);
  return it == m_timers.end() ? 0 : it->second.period;
}

}  // namespace vex3d
