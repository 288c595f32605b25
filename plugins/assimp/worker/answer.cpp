#include "answer.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "hostlib/core/archive.h"
#include "hostlib/io/io_options.h"
#include "scene/scene.h"

namespace vex3d::assimp {

void Answer::write(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty() && m_fd >= 0) {
    const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    // The plug-in is gone or stopped listening: nobody wants the rest.
    if (n <= 0) ::_exit(1);
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
}

void Answer::record(RecordKind kind, std::span<const std::uint8_t> payload) {
  write(recordHeader(kind, payload.size()));
  write(payload);
}

void Answer::lend(std::vector<std::uint8_t> payload, RecordKind kind) {
  write(recordHeader(kind, payload.size()));
  std::span<const std::uint8_t> left(payload);
  // The pipe then reads the payload's own pages: a sanitized build, which
  // frees everything before it ends, could change them before the plug-in
  // has read them, so it copies them instead.
  while (!kSanitizedBuild && !left.empty() && m_fd >= 0) {
    iovec pages{const_cast<std::uint8_t*>(left.data()), left.size()};
    const ssize_t n = ::vmsplice(m_fd, &pages, 1, 0);
    if (n < 0 && errno == EINTR) continue;
    // Not a pipe after all: copied as usual.
    if (n < 0 && (errno == EINVAL || errno == EBADF)) break;
    if (n <= 0) ::_exit(1);
    left = left.subspan(static_cast<std::size_t>(n));
  }
  write(left);
  m_lent.push_back(std::move(payload));
}

void Answer::progress(int percent) {
  const auto value = static_cast<std::uint8_t>(percent < 0 ? 0 : percent > 100 ? 100 : percent);
  record(RecordKind::progress, {&value, 1});
}

void Answer::logs(const CIoOptions& options) {
  for (const CIoOptions::LogEntry& entry : options.GetLog()) {
    std::vector<std::uint8_t> payload;
    {
      CArchive ar(payload, CArchive::store);
      ar << static_cast<std::int32_t>(entry.level) << entry.text;
    }
    record(RecordKind::log, payload);
  }
}

namespace {

// An archive of many megabytes grows by doubling, copying itself into
// fresh pages each time: room for a generous estimate is taken at once
// when the memory budget allows it (untouched, it costs address space
// only), else it grows as usual.
void reserveArchive(std::vector<std::uint8_t>& bytes, const C3DScene& scene) {
  const auto estimate = std::uint64_t{128} * static_cast<std::uint64_t>(scene.GetFaceNbr()) +
                        std::uint64_t{64} * static_cast<std::uint64_t>(scene.GetPointNbr()) +
                        (std::uint64_t{1} << 16);
  if (estimate > bytes.max_size()) return;
  const std::new_handler outOfBudget = std::set_new_handler(nullptr);
  try {
    bytes.reserve(static_cast<std::size_t>(estimate));
  } catch (const std::bad_alloc&) {
  }
  std::set_new_handler(outOfBudget);
}

}  // namespace

void Answer::scene(std::uint32_t fileUpAxis, C3DScene& scene) {
  std::vector<std::uint8_t> payload;
  reserveArchive(payload, scene);
  {
    CArchive ar(payload, CArchive::store);
    ar << fileUpAxis;
    scene.Serialize(ar);
  }
  lend(std::move(payload), RecordKind::scene);
}

void Answer::failure(int code, const std::string& text) {
  std::vector<std::uint8_t> payload;
  {
    CArchive ar(payload, CArchive::store);
    ar << static_cast<std::int32_t>(code) << text;
  }
  record(RecordKind::failure, payload);
}

void Answer::file(const std::string& name, std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> payload;
  {
    CArchive ar(payload, CArchive::store);
    ar << name;
    ar.WriteCount(bytes.size());
    ar.Write(bytes.data(), bytes.size());
  }
  record(RecordKind::file, payload);
}

void Answer::finish() {
  record(RecordKind::end, {});
  ::close(m_fd);
  m_fd = -1;
}

}  // namespace vex3d::assimp
