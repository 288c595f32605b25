#include "hostlib/ipc/exchange_endpoint.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

namespace vex3d::ipc {
namespace {

constexpr std::uint32_t kMagic = 0x58455856;  // "VXEX" as stored
constexpr std::size_t kHeaderSize = 20;
constexpr std::uint32_t kMaxSenderName = 255;
// Bytes of a message are taken in steps of this size, so that a byte count
// that lies costs no more memory than the bytes really sent.
constexpr std::size_t kReadStep = std::size_t{1} << 20;
// Handlers that send while serving may be called back; beyond this depth
// further requests wait in the backlog until the stack unwinds.
constexpr int kMaxNesting = 8;
constexpr int kBacklog = 16;
// An existence probe only needs the peer to be listening.
constexpr int kProbeMs = 2000;

using Clock = std::chrono::steady_clock;

std::mutex g_limitsMutex;
std::optional<WaitLimits> g_limits;

thread_local std::vector<CExchangeEndpoint*> t_endpoints;
thread_local int t_depth = 0;

void putU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void putU64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t getU32(const std::uint8_t* p) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}
std::uint64_t getU64(const std::uint8_t* p) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

int remainingMs(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
}

bool sameUser(int fd, uid_t allowed, ucred* out = nullptr) {
  ucred cred{};
  socklen_t len = sizeof cred;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) {
    return false;
  }
  if (out != nullptr) *out = cred;
  return cred.uid == allowed;
}

bool makeAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

void setTimeout(int fd, int option, int ms) {
  timeval tv{};
  tv.tv_sec = ms / 1000;
  tv.tv_usec = (ms % 1000) * 1000;
  ::setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv);
}

enum class Connected { yes, nobody, broken };

// A blocking connect, bounded: connecting to a listener whose backlog is
// full waits for a slot.
Connected connectTo(int fd, const std::string& path, int ms) {
  sockaddr_un address;
  if (!makeAddress(path, address)) return Connected::broken;
  setTimeout(fd, SO_SNDTIMEO, ms);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    setTimeout(fd, SO_SNDTIMEO, 0);
    return Connected::yes;
  }
  if (errno == ENOENT || errno == ECONNREFUSED || errno == ENOTDIR) return Connected::nobody;
  return Connected::broken;
}

bool usableFolder(const std::string& dir) {
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

enum class ReadStatus { ok, eof, timedOut, error };

// Reads exactly `size` bytes from a non-blocking socket before `deadline`.
ReadStatus readExact(int fd, std::uint8_t* data, std::size_t size, Clock::time_point deadline,
                     std::size_t* got = nullptr) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::recv(fd, data + done, size - done, 0);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0) {
      if (got != nullptr) *got = done;
      return ReadStatus::eof;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return ReadStatus::error;
    pollfd p{fd, POLLIN, 0};
    const int ms = remainingMs(deadline);
    if (ms == 0) return ReadStatus::timedOut;
    if (::poll(&p, 1, ms) < 0 && errno != EINTR) return ReadStatus::error;
  }
  if (got != nullptr) *got = done;
  return ReadStatus::ok;
}

void writeAnswer(int fd, int answer, Clock::time_point deadline) {
  std::uint8_t bytes[4];
  putU32(bytes, static_cast<std::uint32_t>(answer));
  std::size_t done = 0;
  while (done < sizeof bytes) {
    const ssize_t n = ::send(fd, bytes + done, sizeof bytes - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd, POLLOUT, 0};
      const int ms = remainingMs(deadline);
      if (ms == 0 || ::poll(&p, 1, ms) <= 0) return;
      continue;
    }
    return;  // the sender is gone: nobody to answer
  }
}

bool isRegistered(const CExchangeEndpoint* endpoint) {
  return std::find(t_endpoints.begin(), t_endpoints.end(), endpoint) != t_endpoints.end();
}

std::string mainEndpointName() {
  for (auto it = t_endpoints.rbegin(); it != t_endpoints.rend(); ++it) {
    if ((*it)->IsOpen()) return (*it)->GetEndpointName();
  }
  return {};
}

}  // namespace

WaitLimits waitLimits() {
  std::lock_guard lock(g_limitsMutex);
  if (g_limits) return *g_limits;
  WaitLimits limits;
  if (const char* env = std::getenv("VEX3D_EXCHANGE_TIMEOUT"); env != nullptr && *env != 0) {
    char* end = nullptr;
    const long seconds = std::strtol(env, &end, 10);
    if (end != nullptr && *end == 0 && seconds > 0 && seconds <= 86400) {
      limits.answerMs = static_cast<int>(seconds * 1000);
      limits.startMs = static_cast<int>(seconds * 1000);
    }
  }
  return limits;
}

void setWaitLimits(const WaitLimits& limits) {
  std::lock_guard lock(g_limitsMutex);
  g_limits = limits;
}

std::string endpointFolder(std::string* error) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    const std::string dir = std::string(runtime) + "/vex3d-exchange";
    if (usableFolder(dir)) return dir;
  }
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
  const std::string dir = base + "/vex3d-exchange-" + std::to_string(::geteuid());
  if (usableFolder(dir)) return dir;
  if (error != nullptr) {
    *error = "no private folder for the exchange endpoints (" + dir +
             " is missing, not ours or open to others)";
  }
  return {};
}

std::string endpointPath(const std::string& name) {
  if (name.empty() || name.size() > kMaxSenderName) return {};
  std::string file = name;
  for (char& c : file) {
    if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
  }
  if (file[0] == '.') file[0] = '_';
  const std::string folder = endpointFolder();
  if (folder.empty()) return {};
  std::string path = folder + "/" + file;
  if (path.size() >= sizeof(sockaddr_un::sun_path)) return {};
  return path;
}

bool endpointExists(const std::string& name) {
  const std::string path = endpointPath(name);
  if (path.empty()) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool live = connectTo(fd, path, kProbeMs) == Connected::yes && sameUser(fd, ::geteuid());
  ::close(fd);
  return live;
}

SendResult sendMessage(const std::string& name, std::uint32_t code, const void* data,
                       std::size_t size) {
  const WaitLimits limits = waitLimits();
  SendResult result;
  const std::string path = endpointPath(name);
  if (path.empty() || (size != 0 && data == nullptr)) return result;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return result;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};

  switch (connectTo(fd, path, limits.answerMs)) {
    case Connected::yes:
      break;
    case Connected::nobody:
      result.status = SendStatus::noEndpoint;
      return result;
    case Connected::broken:
      return result;
  }
  if (!sameUser(fd, ::geteuid())) {
    result.status = SendStatus::refused;
    return result;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);

  const std::string sender = mainEndpointName();
  std::vector<std::uint8_t> head(kHeaderSize + sender.size());
  putU32(head.data(), kMagic);
  putU32(head.data() + 4, code);
  putU32(head.data() + 8, static_cast<std::uint32_t>(sender.size()));
  putU64(head.data() + 12, size);
  std::memcpy(head.data() + kHeaderSize, sender.data(), sender.size());
  const auto* payload = static_cast<const std::uint8_t*>(data);
  std::size_t sent = 0;
  const std::size_t total = head.size() + size;
  std::uint8_t answer[4];
  std::size_t answered = 0;

  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits.answerMs);
  std::vector<pollfd> fds;
  std::vector<CExchangeEndpoint*> served;
  for (;;) {
    const int ms = remainingMs(deadline);
    if (ms == 0) {
      result.status = SendStatus::timedOut;
      return result;
    }
    fds.assign(1, pollfd{fd, static_cast<short>(sent < total ? POLLOUT : POLLIN), 0});
    served.clear();
    if (t_depth < kMaxNesting) {
      for (CExchangeEndpoint* e : t_endpoints) {
        if (!e->IsOpen()) continue;
        served.push_back(e);
        fds.push_back(pollfd{e->m_fd, POLLIN, 0});
      }
    }
    if (::poll(fds.data(), fds.size(), ms) < 0) {
      if (errno == EINTR) continue;
      return result;
    }
    if (fds[0].revents != 0) {
      if (sent < total) {
        const std::uint8_t* from =
            sent < head.size() ? head.data() + sent : payload + (sent - head.size());
        const std::size_t count = sent < head.size() ? head.size() - sent : total - sent;
        const ssize_t n = ::send(fd, from, count, MSG_NOSIGNAL);
        if (n > 0) {
          sent += static_cast<std::size_t>(n);
          // The end of the message is also the end of the stream: a
          // receiver never waits for bytes a byte count promised in vain.
          if (sent == total) ::shutdown(fd, SHUT_WR);
        } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
          // The receiver stopped reading: it refused the message or ended.
          result.status =
              errno == EPIPE || errno == ECONNRESET ? SendStatus::lost : SendStatus::failed;
          return result;
        }
      } else {
        const ssize_t n = ::recv(fd, answer + answered, sizeof answer - answered, 0);
        if (n > 0) {
          answered += static_cast<std::size_t>(n);
          if (answered == sizeof answer) {
            result.status = SendStatus::answered;
            result.answer = static_cast<int>(getU32(answer));
            return result;
          }
        } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
          result.status = SendStatus::lost;
          return result;
        }
      }
    }
    for (std::size_t i = 0; i < served.size(); ++i) {
      if (fds[i + 1].revents == 0 || !isRegistered(served[i])) continue;
      ++t_depth;
      served[i]->serveWaiting();
      --t_depth;
    }
  }
}

bool serveEndpoints(int timeoutMs) {
  std::vector<pollfd> fds;
  std::vector<CExchangeEndpoint*> served;
  for (CExchangeEndpoint* e : t_endpoints) {
    if (!e->IsOpen()) continue;
    served.push_back(e);
    fds.push_back(pollfd{e->m_fd, POLLIN, 0});
  }
  if (fds.empty()) return false;
  if (::poll(fds.data(), fds.size(), timeoutMs) <= 0) return false;
  bool handled = false;
  for (std::size_t i = 0; i < served.size(); ++i) {
    if (fds[i].revents == 0 || !isRegistered(served[i])) continue;
    ++t_depth;
    handled = served[i]->serveWaiting() || handled;
    --t_depth;
  }
  return handled;
}

CExchangeEndpoint::CExchangeEndpoint() : m_allowedUid(::geteuid()) {}

CExchangeEndpoint::~CExchangeEndpoint() { Close(); }

bool CExchangeEndpoint::Open(const std::string& name) {
  if (IsOpen()) return false;
  const std::string path = endpointPath(name);
  sockaddr_un address;
  if (!makeAddress(path, address)) return false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode) || endpointExists(name)) return false;
    // A socket nobody listens on: left by a program that ended without
    // closing its endpoint.
    ::unlink(path.c_str());
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, kBacklog) != 0 || ::lstat(path.c_str(), &st) != 0) {
    ::close(fd);
    return false;
  }
  m_fd = fd;
  m_name = name;
  m_path = path;
  m_inode = st.st_ino;
  t_endpoints.push_back(this);
  return true;
}

void CExchangeEndpoint::Close() {
  if (!IsOpen()) return;
  assert(isRegistered(this) && "an endpoint is closed on the thread that opened it");
  t_endpoints.erase(std::remove(t_endpoints.begin(), t_endpoints.end(), this), t_endpoints.end());
  // Another program may have taken the name since: its socket stays.
  struct stat st {};
  if (::lstat(m_path.c_str(), &st) == 0 && st.st_ino == m_inode) ::unlink(m_path.c_str());
  ::close(m_fd);
  m_fd = -1;
}

void CExchangeEndpoint::Run() {
  while (IsOpen()) serveEndpoints(-1);
}

bool CExchangeEndpoint::serveWaiting() {
  if (!IsOpen()) return false;
  const int connection = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (connection < 0) return false;
  serveConnection(connection);
  ::close(connection);
  return true;
}

void CExchangeEndpoint::serveConnection(int connection) {
  ucred cred{};
  if (!sameUser(connection, m_allowedUid, &cred)) return;
  const WaitLimits limits = waitLimits();
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits.messageMs);

  std::uint8_t head[kHeaderSize];
  std::size_t got = 0;
  const ReadStatus status = readExact(connection, head, sizeof head, deadline, &got);
  // A peer that connects and leaves without a byte was asking whether
  // this endpoint exists.
  if (status == ReadStatus::eof && got == 0) return;
  if (status != ReadStatus::ok || getU32(head) != kMagic) {
    writeAnswer(connection, 0, deadline);
    return;
  }
  Message message;
  message.code = getU32(head + 4);
  const std::uint32_t nameSize = getU32(head + 8);
  const std::uint64_t count = getU64(head + 12);
  message.pid = cred.pid;
  message.uid = cred.uid;
  if (nameSize > kMaxSenderName || count > limits.maxMessageBytes) {
    writeAnswer(connection, 0, deadline);
    return;
  }
  message.sender.resize(nameSize);
  if (readExact(connection, reinterpret_cast<std::uint8_t*>(message.sender.data()), nameSize,
                deadline) != ReadStatus::ok) {
    writeAnswer(connection, 0, deadline);
    return;
  }
  while (message.data.size() < count) {
    const std::size_t from = message.data.size();
    const std::size_t step =
        static_cast<std::size_t>(std::min<std::uint64_t>(count - from, kReadStep));
    message.data.resize(from + step);
    if (readExact(connection, message.data.data() + from, step, deadline) != ReadStatus::ok) {
      writeAnswer(connection, 0, deadline);
      return;
    }
  }
  // More bytes than the count announced: the header lies.
  std::uint8_t extra = 0;
  if (::recv(connection, &extra, 1, MSG_DONTWAIT) > 0) {
    writeAnswer(connection, 0, deadline);
    return;
  }

  int answer = 0;
  try {
    answer = OnMessage(message);
  } catch (...) {
    answer = 0;
  }
  // The handler may have closed, even deleted, this endpoint: only the
  // connection is used from here on.
  writeAnswer(connection, answer, Clock::now() + std::chrono::milliseconds(limits.messageMs));
}

}  // namespace vex3d::ipc

bool FindWindowByClassName(const std::string& className) {
  return vex3d::ipc::endpointExists(className);
}

bool ActivateWindow(const std::string& className) {
  // Endpoints have no window to bring forward; a peer that wants the
  // user's attention raises its own.
  return vex3d::ipc::endpointExists(className);
}
