#include "answer.h"

#include <unistd.h>

#include <cerrno>

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

void Answer::scene(std::uint32_t fileUpAxis, C3DScene& scene) {
  std::vector<std::uint8_t> payload;
  {
    CArchive ar(payload, CArchive::store);
    ar << fileUpAxis;
    scene.Serialize(ar);
  }
  record(RecordKind::scene, payload);
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
