#include "terminal_progress.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>

namespace vex3d::cli {

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int) { g_interrupted.store(true); }

constexpr int kBarWidth = 30;

}  // namespace

TerminalProgress::TerminalProgress(bool draw) : m_draw(draw && ::isatty(STDERR_FILENO) == 1) {
  struct sigaction sa {};
  sa.sa_handler = onInterrupt;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
  m_scope = new ProgressHandlerScope(
      [this](int code, ProcessProgressInfo* info) { return onProgress(code, info); });
}

TerminalProgress::~TerminalProgress() {
  delete m_scope;
  clearLine();
  signal(SIGINT, SIG_DFL);
}

bool TerminalProgress::WasCancelled() const { return g_interrupted.load(); }

int TerminalProgress::onProgress(int code, ProcessProgressInfo* info) {
  if (code & kProgressBitQueryCancel) return g_interrupted.load() ? 1 : 0;
  if (code & kProgressBitClose) {
    clearLine();
    return 0;
  }
  if (info) {
    if (code & kProgressBitTitle) m_current.title = info->title;
    if (code & kProgressBitText) m_current.text = info->text;
    if (code & kProgressBitOpen) {
      m_current.minimum = info->minimum;
      m_current.maximum = info->maximum;
    }
    if (code & (kProgressBitPosition | kProgressBitOpen)) m_current.position = info->position;
  }
  draw();
  return 0;
}

void TerminalProgress::draw() {
  if (!m_draw) return;
  const int span = std::max(1, m_current.maximum - m_current.minimum);
  const int done = std::clamp(m_current.position - m_current.minimum, 0, span);
  const int percent = done * 100 / span;
  const int filled = done * kBarWidth / span;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.resize(kBarWidth, '.');
  std::string label = m_current.text.empty() ? m_current.title : m_current.text;
  if (label.size() > 40) label = label.substr(0, 37) + "...";
  std::fprintf(stderr, "\r\033[K%s [%s] %3d%%", label.c_str(), bar.c_str(), percent);
  std::fflush(stderr);
  m_visible = true;
}

void TerminalProgress::clearLine() {
  if (!m_visible) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  m_visible = false;
}

}  // namespace vex3d::cli
