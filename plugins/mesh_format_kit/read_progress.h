#pragma once
// A reader's progress over the bytes of its file, polled from its parsing
// loops. The host hears of it only when the percentage moves, and is asked
// only once every few thousand polls, so a poll costs a counter increment.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "hostlib/core/progress.h"
#include "hostlib/files/mapped_file.h"
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
  // Over a mapped file, the pages the reader has gone past are given back
  // as it goes: the lists built from them then need no room beside them.
  ReadProgress(vex3d::MappedFile& file, std::string title)
      : ReadProgress(file.bytes(), std::move(title)) {
    m_file = &file;
  }

  // True once the user asked to stop; `at` is how far the reader got, and
  // the reader does not look before it again (or rarely: the bytes are
  // still there, only slower to reach).
  bool cancelled(const void* at) {
    if ((++m_polls & kStride) != 0) return m_scope.WasCancelled();
    const auto done = static_cast<const unsigned char*>(at) - m_begin;
    if (m_file != nullptr && done > m_releasedTo + kReleaseStep) {
      m_releasedTo = done - kReleaseMargin;
      m_file->releaseBefore(m_begin + m_releasedTo);
    }
    return m_scope.Cancelled(done, static_cast<std::int64_t>(m_size));
  }
  // The reader is past the last byte: what is still mapped goes back
  // before the lists are built, rather than sitting beside them.
  void parsed() {
    if (m_file != nullptr) m_file->releaseBefore(m_begin + m_size);
  }

 private:
  static constexpr unsigned kStride = 0xFFF;
  // Released in steps large enough that the calls cost nothing, a little
  // behind the reader for the lines it may still look back at.
  static constexpr std::ptrdiff_t kReleaseStep = std::ptrdiff_t{8} << 20;
  static constexpr std::ptrdiff_t kReleaseMargin = std::ptrdiff_t{1} << 20;
  const unsigned char* m_begin;
  std::size_t m_size;
  unsigned m_polls = 0;
  vex3d::MappedFile* m_file = nullptr;
  std::ptrdiff_t m_releasedTo = 0;
  vex3d::ProgressScope m_scope;
};

// "Reading cube.obj".
std::string readingTitle(const std::string& path);

// Readers run without a display too (tests, fuzzing): no progress, no stop.
inline bool cancelled(ReadProgress* progress, const void* at) {
  return progress != nullptr && progress->cancelled(at);
}
inline void parsed(ReadProgress* progress) {
  if (progress != nullptr) progress->parsed();
}

}  // namespace vex3d::native
