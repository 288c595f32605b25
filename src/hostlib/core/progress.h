#pragma once
// Progress display and cancellation for long operations. The operation
// reports through progressCallCallback; whoever shows the progress (a
// window, the command line, a test script) installs a handler.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "hostlib/hostlib_export.h"

struct ProcessProgressInfo {
  std::string title;
  std::string text;
  int minimum = 0;
  int maximum = 100;
  int position = 0;
};

namespace vex3d {

// Each code is a combination of these bits, telling a handler which fields
// of the info are meant.
inline constexpr int kProgressBitOpen = 0x01;
inline constexpr int kProgressBitPosition = 0x02;
inline constexpr int kProgressBitText = 0x04;
inline constexpr int kProgressBitTitle = 0x08;
inline constexpr int kProgressBitQueryCancel = 0x10;
inline constexpr int kProgressBitClose = 0x20;

// The codes operations send.
inline constexpr int kProgressOpen = 15;         // title, text, range and position
inline constexpr int kProgressOpenTitle = 9;     // title
inline constexpr int kProgressSetText = 4;       // text
inline constexpr int kProgressSetPosition = 2;   // position
inline constexpr int kProgressIsCancelled = 18;  // answer non-zero to stop
inline constexpr int kProgressClose = 32;

using ProgressHandler = std::function<int(int code, ProcessProgressInfo* info)>;

// Installs `handler` (an empty one removes it) and returns the one it
// replaces. Once it returns, no other thread is still inside the replaced
// handler, so what that handler refers to may be destroyed; called from
// inside a handler it does not wait. Handlers may run on any thread that
// runs an operation and must not block on a thread that installs handlers.
VEXHOST_EXPORT ProgressHandler setProgressHandler(ProgressHandler handler);

// Installs a handler for the lifetime of the scope, then puts the previous
// one back.
class VEXHOST_EXPORT ProgressHandlerScope {
 public:
  explicit ProgressHandlerScope(ProgressHandler handler)
      : m_previous(setProgressHandler(std::move(handler))) {}
  ~ProgressHandlerScope() { setProgressHandler(std::move(m_previous)); }
  ProgressHandlerScope(const ProgressHandlerScope&) = delete;
  ProgressHandlerScope& operator=(const ProgressHandlerScope&) = delete;

 private:
  ProgressHandler m_previous;
};

struct ProgressEvent {
  int code = 0;
  ProcessProgressInfo info;  // copy at the time of the call; defaults when none was given
};

// A handler for tests and scripts: records every call and answers the
// cancel question with non-zero from its `cancelAtQuery`-th asking on
// (1 = the first; 0 never cancels); every other code is answered 0.
// Install it with a ProgressHandlerScope declared after the recorder.
class VEXHOST_EXPORT ProgressRecorder {
 public:
  explicit ProgressRecorder(int cancelAtQuery = 0) : m_cancelAtQuery(cancelAtQuery) {}
  ProgressRecorder(const ProgressRecorder&) = delete;
  ProgressRecorder& operator=(const ProgressRecorder&) = delete;

  ProgressHandler handler() {
    return [this](int code, ProcessProgressInfo* info) { return onProgress(code, info); };
  }
  int onProgress(int code, ProcessProgressInfo* info);

  std::vector<ProgressEvent> events() const;
  std::vector<int> codes() const;
  int count(int code) const;

 private:
  mutable std::mutex m_mutex;
  std::vector<ProgressEvent> m_events;
  int m_cancelAtQuery;
  int m_queries = 0;
};

}  // namespace vex3d

// Reports to the installed handler and returns its answer; 0 when no
// handler is installed, so operations run to completion by default.
VEXHOST_EXPORT int progressCallCallback(int code, ProcessProgressInfo* info);

namespace vex3d {

// The progress display of one long operation, in percent: opened when made,
// closed however the operation ends. It reports and asks about cancelling
// only when the percentage moves, so callers may poll it from hot loops.
class VEXHOST_EXPORT ProgressScope {
 public:
  explicit ProgressScope(std::string title, std::string text = {});
  ~ProgressScope();
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

  // `done` of `total` units; true once the user asked to stop (and from then
  // on). A total of 0 or less counts as done.
  bool Cancelled(std::int64_t done, std::int64_t total);
  bool WasCancelled() const { return m_cancelled; }

 private:
  ProcessProgressInfo m_info;
  bool m_asked = false;
  bool m_cancelled = false;
};

}  // namespace vex3d
