#include "answer.h"

#include <signal.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "hostlib/core/archive.h"
#include "hostlib/io/io_options.h"
#include "scene/embedded_images.h"
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

// The scene's pieces on their way out: a thread of their own writes them,
// so that the worker goes on storing the scene while the plug-in, busy
// rebuilding it (a million faces made at once), leaves the pipe full. Up
// to kQueuedBytes of copies wait; large blocks wait by reference, since
// the scene stays as it is until the worker ends.
class Answer::ScenePieces : public CArchiveSink {
 public:
  static constexpr std::size_t kQueuedBytes = std::size_t{32} << 20;

  explicit ScenePieces(Answer& answer) : m_answer(answer), m_writer([this] { run(); }) {}
  ~ScenePieces() override { finish(); }
  ScenePieces(const ScenePieces&) = delete;
  ScenePieces& operator=(const ScenePieces&) = delete;

  void Take(std::span<const std::uint8_t> bytes) override {
    std::unique_lock lock(m_mutex);
    m_changed.wait(
        lock, [&] { return m_queuedBytes == 0 || m_queuedBytes + bytes.size() <= kQueuedBytes; });
    std::vector<std::uint8_t> copy;
    if (!m_spare.empty()) {
      copy = std::move(m_spare.back());
      m_spare.pop_back();
    }
    copy.assign(bytes.begin(), bytes.end());
    m_queuedBytes += copy.size();
    m_queue.push_back({{}, std::move(copy)});
    m_changed.notify_all();
  }
  void TakeBlock(std::span<const std::uint8_t> bytes) override {
    const std::lock_guard lock(m_mutex);
    m_queue.push_back({bytes, {}});
    m_changed.notify_all();
  }
  // Once every piece has gone out.
  void finish() {
    {
      const std::lock_guard lock(m_mutex);
      m_finished = true;
      m_changed.notify_all();
    }
    if (m_writer.joinable()) m_writer.join();
  }

 private:
  struct Piece {
    std::span<const std::uint8_t> block;
    std::vector<std::uint8_t> copy;
  };

  void run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
      m_changed.wait(lock, [&] { return m_finished || !m_queue.empty(); });
      if (m_queue.empty()) return;
      Piece piece = std::move(m_queue.front());
      m_queue.pop_front();
      lock.unlock();
      m_answer.record(RecordKind::scenePart, piece.copy.empty() ? piece.block : piece.copy);
      lock.lock();
      m_queuedBytes -= piece.copy.size();
      if (!piece.copy.empty()) m_spare.push_back(std::move(piece.copy));
      m_changed.notify_all();
    }
  }

  Answer& m_answer;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<Piece> m_queue;
  std::vector<std::vector<std::uint8_t>> m_spare;
  std::size_t m_queuedBytes = 0;
  bool m_finished = false;
  // Last: it starts once the rest is in place.
  std::thread m_writer;
};

void Answer::scene(std::uint32_t fileUpAxis, C3DScene& scene) {
  {
    ScenePieces pieces(*this);
    CArchive ar(pieces);
    ar << fileUpAxis;
    scene.Serialize(ar);
    storeEmbeddedImages(ar, scene);
    ar.Flush();
  }
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
