#include "hostlib/ipc/exchange_endpoint.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include "scoped_runtime_dir.h"

using namespace vex3d::ipc;

namespace {

class TestEndpoint : public CExchangeEndpoint {
 public:
  explicit TestEndpoint(std::function<int(const Message&)> handler)
      : m_handler(std::move(handler)) {}

 protected:
  int OnMessage(const Message& message) override { return m_handler(message); }

 private:
  std::function<int(const Message&)> m_handler;
};

// An endpoint served by a thread of its own, as a peer program would.
class PeerThread {
 public:
  PeerThread(const std::string& name, std::function<int(const Message&)> handler,
             uid_t allowed = ::geteuid()) {
    std::promise<bool> opened;
    auto ready = opened.get_future();
    m_thread = std::thread([this, name, handler, allowed, &opened] {
      TestEndpoint endpoint(handler);
      endpoint.SetAllowedUid(allowed);
      const bool ok = endpoint.Open(name);
      opened.set_value(ok);
      while (ok && !m_stop.load()) serveEndpoints(20);
    });
    m_open = ready.get();
  }
  ~PeerThread() {
    m_stop = true;
    m_thread.join();
  }
  bool IsOpen() const { return m_open; }

 private:
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
  bool m_open = false;
};

// A raw client that writes whatever bytes a test wants and reads the answer.
int rawExchange(const std::string& name, const std::vector<std::uint8_t>& bytes,
                bool closeWriting = true) {
  const std::string path = endpointPath(name);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  if (!bytes.empty()) {
    EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
  }
  if (closeWriting) ::shutdown(fd, SHUT_WR);
  std::uint8_t answer[4] = {};
  std::size_t got = 0;
  while (got < 4) {
    const ssize_t n = ::recv(fd, answer + got, 4 - got, 0);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (got != 4) return -2;
  return answer[0] | (answer[1] << 8) | (answer[2] << 16) | (answer[3] << 24);
}

std::vector<std::uint8_t> frame(std::uint32_t magic, std::uint32_t code, std::uint64_t count,
                                std::size_t actual) {
  std::vector<std::uint8_t> bytes(20 + actual, 0xAB);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(magic >> (8 * i));
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<std::uint8_t>(code >> (8 * i));
  for (int i = 0; i < 4; ++i) bytes[8 + i] = 0;
  for (int i = 0; i < 8; ++i) bytes[12 + i] = static_cast<std::uint8_t>(count >> (8 * i));
  return bytes;
}

constexpr std::uint32_t kMagic = 0x58455856;

class ExchangeEndpointTest : public testing::Test {
 protected:
  void TearDown() override { setWaitLimits(WaitLimits{}); }
  vex3d::test::ScopedRuntimeDir runtime;
};

}  // namespace

TEST_F(ExchangeEndpointTest, TheFolderIsPrivateToTheUser) {
  const std::string folder = endpointFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder, runtime.Path().string() + "/vex3d-exchange");
  struct stat st {};
  ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(ExchangeEndpointTest, AFolderOthersMayEnterIsNotUsed) {
  const std::string open = runtime.Path().string() + "/vex3d-exchange";
  ASSERT_EQ(::mkdir(open.c_str(), 0755), 0);
  ::chmod(open.c_str(), 0755);
  const std::string tmp = runtime.Path().string() + "/tmp";
  ASSERT_EQ(::mkdir(tmp.c_str(), 0700), 0);
  const char* oldTmp = std::getenv("TMPDIR");
  const std::string saved = oldTmp != nullptr ? oldTmp : "";
  ::setenv("TMPDIR", tmp.c_str(), 1);
  EXPECT_EQ(endpointFolder(), tmp + "/vex3d-exchange-" + std::to_string(::geteuid()));
  if (oldTmp != nullptr) {
    ::setenv("TMPDIR", saved.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}

TEST_F(ExchangeEndpointTest, SendingWaitsUntilTheMessageIsHandled) {
  std::mutex mutex;
  Message seen;
  int handled = 0;
  PeerThread peer("peer", [&](const Message& m) {
    std::lock_guard lock(mutex);
    seen = m;
    ++handled;
    return 42;
  });
  ASSERT_TRUE(peer.IsOpen());
  TestEndpoint me([](const Message&) { return 1; });
  ASSERT_TRUE(me.Open("me"));
  const std::uint8_t bytes[] = {1, 2, 3, 4, 5};
  const SendResult result = sendMessage("peer", 7, bytes, sizeof bytes);
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result.answer, 42);
  std::lock_guard lock(mutex);
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(seen.code, 7u);
  EXPECT_EQ(seen.data, std::vector<std::uint8_t>(bytes, bytes + sizeof bytes));
  EXPECT_EQ(seen.sender, "me");
  EXPECT_EQ(seen.pid, ::getpid());
  EXPECT_EQ(seen.uid, ::geteuid());
}

TEST_F(ExchangeEndpointTest, TheSendersEndpointIsServedWhileItWaits) {
  // The peer calls back before it answers, as a server sends its scene
  // to the reader's reply endpoint.
  PeerThread peer("server", [](const Message& m) {
    const std::uint8_t reply[] = {9, 9};
    const SendResult back = sendMessage(m.sender, 4, reply, sizeof reply);
    return back.ok() && back.answer == 5 ? 1 : 0;
  });
  ASSERT_TRUE(peer.IsOpen());
  int replies = 0;
  TestEndpoint reply([&](const Message& m) {
    if (m.code == 4 && m.data.size() == 2) ++replies;
    return 5;
  });
  ASSERT_TRUE(reply.Open("reply"));
  const SendResult result = sendMessage("server", 1, nullptr, 0);
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result.answer, 1);
  EXPECT_EQ(replies, 1);
}

TEST_F(ExchangeEndpointTest, AnotherUsersPeerIsNotServed) {
  std::atomic<int> handled{0};
  PeerThread stranger(
      "guarded", [&](const Message&) { return ++handled; }, ::geteuid() + 1);
  ASSERT_TRUE(stranger.IsOpen());
  EXPECT_EQ(sendMessage("guarded", 1, nullptr, 0).status, SendStatus::lost);
  EXPECT_EQ(handled.load(), 0);
}

TEST_F(ExchangeEndpointTest, MalformedMessagesAreRefusedAndAnswered) {
  std::atomic<int> handled{0};
  PeerThread peer("strict", [&](const Message&) { return ++handled, 1; });
  ASSERT_TRUE(peer.IsOpen());
  // Shorter than a header.
  EXPECT_EQ(rawExchange("strict", std::vector<std::uint8_t>(10, 0)), 0);
  // Not our magic.
  EXPECT_EQ(rawExchange("strict", frame(0x12345678, 1, 0, 0)), 0);
  // A byte count larger than the bytes sent.
  EXPECT_EQ(rawExchange("strict", frame(kMagic, 1, 100, 10)), 0);
  // A byte count smaller than the bytes sent.
  EXPECT_EQ(rawExchange("strict", frame(kMagic, 1, 4, 8)), 0);
  // A byte count beyond the limit is refused before anything is read.
  EXPECT_EQ(rawExchange("strict", frame(kMagic, 1, std::uint64_t{1} << 40, 0)), 0);
  EXPECT_EQ(handled.load(), 0);
  // And the endpoint still serves well-formed messages.
  EXPECT_EQ(rawExchange("strict", frame(kMagic, 1, 3, 3)), 1);
  EXPECT_EQ(handled.load(), 1);
}

TEST_F(ExchangeEndpointTest, APeerThatNeverAnswersFailsTheSendAtTheLimit) {
  WaitLimits limits;
  limits.answerMs = 50;
  setWaitLimits(limits);
  // A socket that listens but never accepts: the message sits in its queue.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, endpointPath("mute").c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(fd, 4), 0);
  EXPECT_EQ(sendMessage("mute", 1, nullptr, 0).status, SendStatus::timedOut);
  ::close(fd);
}

TEST_F(ExchangeEndpointTest, AMessageThatStopsHalfWayIsRefusedAtTheLimit) {
  WaitLimits limits;
  limits.messageMs = 50;
  setWaitLimits(limits);
  std::atomic<int> handled{0};
  PeerThread peer("patient", [&](const Message&) { return ++handled, 1; });
  ASSERT_TRUE(peer.IsOpen());
  // Half a header, and the writing side left open.
  EXPECT_EQ(rawExchange("patient", std::vector<std::uint8_t>(10, 0), false), 0);
  EXPECT_EQ(handled.load(), 0);
}

TEST_F(ExchangeEndpointTest, ANameServesOnceAndLeftoversAreReplaced) {
  EXPECT_FALSE(endpointExists("solo"));
  EXPECT_EQ(sendMessage("solo", 1, nullptr, 0).status, SendStatus::noEndpoint);
  {
    TestEndpoint first([](const Message&) { return 1; });
    ASSERT_TRUE(first.Open("solo"));
    EXPECT_TRUE(endpointExists("solo"));
    EXPECT_TRUE(FindWindowByClassName("solo"));
    TestEndpoint second([](const Message&) { return 1; });
    EXPECT_FALSE(second.Open("solo"));
  }
  EXPECT_FALSE(endpointExists("solo"));
  // A socket left behind by a program that died.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, endpointPath("solo").c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
  EXPECT_FALSE(endpointExists("solo"));
  TestEndpoint again([](const Message&) { return 1; });
  EXPECT_TRUE(again.Open("solo"));
}
