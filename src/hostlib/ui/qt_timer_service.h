#pragma once
// Command timers on Qt's event loop.
#include <QObject>
#include <map>

#include "hostlib/core/timer_service.h"
#include "hostlib/ui_export.h"

class QTimer;

namespace vex3d::ui {

class VEXHOSTUI_EXPORT QtTimerService final : public ITimerService {
 public:
  QtTimerService() = default;
  ~QtTimerService() override;
  QtTimerService(const QtTimerService&) = delete;
  QtTimerService& operator=(const QtTimerService&) = delete;

  TimerHandle start(unsigned milliseconds, std::function<void()> callback) override;
  void stop(TimerHandle handle) override;
  std::size_t runningCount() const { return m_timers.size(); }

 private:
  std::map<TimerHandle, QTimer*> m_timers;
  TimerHandle m_next = 1;
};

}  // namespace vex3d::ui
