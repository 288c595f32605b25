#include "answer.h"

#include <signal.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "hostlib/core/archive.h"
#include "hostlib/io/io_options.h"
#include "scene/scene.h"

namespace vex3d::assimp {

// Header and payload in one call: a scene goes out as hundreds of pieces.
void Answer::write(std::span<const std::uint8_t> header, std::span<const std::uint8_t> payload) {
  iovec parts[2] = {{const_cast<std::uint8_t*>(header.data()), header.size()},
                    {const_cast<std::uint8_t*>(payload.data()), payload.size()}};
  std::size_t left = header.size() + payload.size();
  int first = 0;
  while (left > 0 && m_fd >= 0) {
    if (m_written + left > m_cutAt) {
      // The test's cut: the bytes up to it, then the end it asked for.
      std::uint64_t allowed = m_cutAt - m_written;
      for (int i = first; i < 2 && allowed > 0; ++i) {
        const std::size_t n = std::min<std::uint64_t>(allowed, parts[i].iov_len);
        if (::write(m_fd, parts[i].iov_base, n) < 0) break;
        allowed -= n;
      }
      if (m_cutSignal != 0) ::raise(m_cutSignal);
      ::_exit(0);
    }
    const ssize_t n = ::writev(m_fd, parts + first, 2 - first);
    if (n < 0 && errno == EINTR) continue;
    // The plug-in is gone or stopped listening: nobody wants the rest.
    if (n <= 0) ::_exit(1);
    auto done = static_cast<std::size_t>(n);
    m_written += done;
    left -= done;
    while (first < 2 && done >= parts[first].iov_len) {
      done -= parts[first].iov_len;
      ++first;
    }
    if (first < 2) {
      parts[first].iov_base = static_cast<std::uint8_t*>(parts[first].iov_base) + done;
      parts[first].iov_len -= done;
    }
  }
}

void Answer::record(RecordKind kind, std::span<const std::uint8_t> payload) {
  const auto header = recordHeader(kind, payload.size());
  write(header, payload);
}

void Answer::cutAfter(std::uint64_t bytes, int signal) {
  m_cutAt = bytes;
  m_cutSignal = signal;
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

// Each piece the archive hands over is one record.
class Answer::ScenePieces : public CArchiveSink {
 public:
  explicit ScenePieces(Answer& answer) : m_answer(answer) {}
  void Take(std::span<const std::uint8_t> bytes) override {
    m_answer.record(RecordKind::scenePart, bytes);
  }

 private:
  Answer& m_answer;
};

void Answer::scene(std::uint32_t fileUpAxis, C3DScene& scene) {
  ScenePieces pieces(*this);
  CArchive ar(pieces);
  ar << fileUpAxis;
  scene.Serialize(ar);
  ar.Flush();
  record(RecordKind::scene, {});
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
