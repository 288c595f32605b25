#include "hostlib/core/progress.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <utility>

namespace {

// One installed handler and the number of calls running it, so that
// replacing it can wait until nobody uses it any more.
struct Installed {
  vex3d::ProgressHandler handler;
  int running = 0;
};

struct State {
  std::mutex mutex;
  std::condition_variable idle;
  std::shared_ptr<Installed> current;
};

State& state() {
  static State s;
  return s;
}

thread_local int t_handlerDepth = 0;

class RunningCall {
 public:
  explicit RunningCall(std::shared_ptr<Installed> installed) : m_installed(std::move(installed)) {
    ++t_handlerDepth;
  }
  ~RunningCall() {
    --t_handlerDepth;
    State& s = state();
    {
      std::lock_guard lock(s.mutex);
      --m_installed->running;
    }
    s.idle.notify_all();
  }
  RunningCall(const RunningCall&) = delete;
  RunningCall& operator=(const RunningCall&) = delete;

 private:
  std::shared_ptr<Installed> m_installed;
};

}  // namespace

int progressCallCallback(int code, ProcessProgressInfo* info) {
  State& s = state();
  std::shared_ptr<Installed> installed;
  {
    std::lock_guard lock(s.mutex);
    if (!s.current) return 0;
    installed = s.current;
    ++installed->running;
  }
  const RunningCall running(installed);
  return installed->handler(code, info);
}

namespace vex3d {

ProgressHandler setProgressHandler(ProgressHandler handler) {
  std::shared_ptr<Installed> next;
  if (handler) next = std::make_shared<Installed>(Installed{std::move(handler), 0});
  State& s = state();
  std::unique_lock lock(s.mutex);
  std::shared_ptr<Installed> previous = std::exchange(s.current, std::move(next));
  if (!previous) return {};
  if (t_handlerDepth == 0) s.idle.wait(lock, [&] { return previous->running == 0; });
  return previous->handler;
}

int ProgressRecorder::onProgress(int code, ProcessProgressInfo* info) {
  std::lock_guard lock(m_mutex);
  m_events.push_back(ProgressEvent{code, info ? *info : ProcessProgressInfo{}});
  if (code != kProgressIsCancelled) return 0;
  ++m_queries;
  return (m_cancelAtQuery > 0 && m_queries >= m_cancelAtQuery) ? 1 : 0;
}

std::vector<ProgressEvent> ProgressRecorder::events() const {
  std::lock_guard lock(m_mutex);
  return m_events;
}

std::vector<int> ProgressRecorder::codes() const {
  std::lock_guard lock(m_mutex);
  std::vector<int> out;
  out.reserve(m_events.size());
  for (const auto& e : m_events) out.push_back(e.code);
  return out;
}

int ProgressRecorder::count(int code) const {
  std::lock_guard lock(m_mutex);
  return static_cast<int>(std::count_if(m_events.begin(), m_events.end(),
                                        [code](const ProgressEvent& e) { return e.code == code; }));
}

}  // namespace vex3d

namespace vex3d {

ProgressScope::ProgressScope(std::string title, std::string text) {
  m_info.title = std::move(title);
  m_info.text = std::move(text);
  progressCallCallback(kProgressOpen, &m_info);
}

ProgressScope::~ProgressScope() { progressCallCallback(kProgressClose, &m_info); }

bool ProgressScope::Cancelled(std::int64_t done, std::int64_t total) {
  if (m_cancelled) return true;
  const int percent =
      total <= 0 ? 100 : static_cast<int>(std::clamp<std::int64_t>(done * 100 / total, 0, 100));
  if (percent == m_info.position && m_asked) return false;
  m_asked = true;
  m_info.position = percent;
  progressCallCallback(kProgressSetPosition, &m_info);
  m_cancelled = progressCallCallback(kProgressIsCancelled, &m_info) != 0;
  return m_cancelled;
}

}  // namespace vex3d
