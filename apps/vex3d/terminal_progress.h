#pragma once
// Draws long operations as a one-line progress bar on a terminal and turns
// Ctrl+C into a cancel request that operations see at their next check.
#include "hostlib/core/progress.h"

namespace vex3d::cli {

class TerminalProgress {
 public:
  // Draws only when `draw` is set and stderr is a terminal; cancellation
  // works either way.
  explicit TerminalProgress(bool draw = true);
  ~TerminalProgress();
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  bool WasCancelled() const;

 private:
  int onProgress(int code, ProcessProgressInfo* info);
  void draw();
  void clearLine();

  bool m_draw;
  bool m_visible = false;
  ProcessProgressInfo m_current;
  ProgressHandlerScope* m_scope = nullptr;
};

}  // namespace vex3d::cli
