#include "hostlib/ui/qt_timer_service.h"

#include <QTimer>

namespace vex3d::ui {

QtTimerService::~QtTimerService() {
  for (auto& [handle, timer] : m_timers) delete timer;
}

TimerHandle QtTimerService::start(unsigned milliseconds, std::function<void()> callback) {
  const TimerHandle handle = m_next++;
  auto* timer = new QTimer();
  timer->setInterval(static_cast<int>(milliseconds));
  timer->setTimerType(Qt::PreciseTimer);
  // The callback may stop this very timer: it is then deleted later, by the
  // event loop, not under its own signal.
  QObject::connect(timer, &QTimer::timeout, timer,
                   [callback = std::move(callback)] { callback(); });
  timer->start();
  m_timers.emplace(handle, timer);
  return handle;
}

void QtTimerService::stop(TimerHandle handle) {
  const auto it = m_timers.find(handle);
  if (it == m_timers.end()) return;
  it->second->stop();
  it->second->deleteLater();
  m_timers.erase(it);
}

}  // namespace vex3d::ui
