#pragma once
// A reader's progress over the bytes of its file, polled from its parsing
// loops. The host hears of it only when the percentage moves, and is asked
// only once every few thousand polls, so a poll costs a counter increment.
#include <cstddef>
#include <span>
#include <string>
#include <utility>

#include "hostlib/core/progress.h"
#include "hostlib/text/strings.h"

namespace vex3d::native {

// Texts of the reasons every native reader may give, in the interface
// language.
inline std::string readingCancelledText() { return LoadStringW(kStrReadingCancelled); }
inline std::string fileShrankText() { return LoadStringW(kStrFileShrank); }

class ReadProgress {
 public:
  ReadProgress(std::span<const unsigned char> bytes, std::string title)
      : m_begin(bytes.data()), m_size(bytes.size()), m_scope(std::move(title)) {}

  // True once the user asked to stop; `at` is how far the reader got.
  bool cancelled(const void* at) {
    if ((++m_polls & kStride) != 0) return m_scope.WasCancelled();
    const auto done = static_cast<const unsigned char*>(at) - m_begin;
    return m_scope.Cancelled(done, static_cast<std::int64_t>(m_size));
  }

 private:
  static constexpr unsigned kStride = 0xFFF;
  const unsigned char* m_begin;
  std::size_t m_size;
  unsigned m_polls = 0;
  vex3d::ProgressScope m_scope;
};

// "Reading cube.obj".
std::string readingTitle(const std::string& path);

// Readers run without a display too (tests, fuzzing): no progress, no stop.
inline bool cancelled(ReadProgress* progress, const void* at) {
  return progress != nullptr && progress->cancelled(at);
}

}  // namespace vex3d::native
