#pragma once
// Named endpoints between the programs of one user: a Unix-domain stream
// socket per name, in a private folder of the user's runtime directory.
// Sending is synchronous: the sender waits until the receiver has handled
// the message and answered. A thread blocked in a send keeps serving the
// endpoints it created, so that a peer may call back into it before
// answering (a request whose reply arrives as a message of its own).
//
// On the wire, each connection carries one message and its answer:
//   u32 magic 'VXEX', u32 code, u32 sender name length, u64 byte count,
//   the sender's name, the bytes; then the receiver's i32 answer.
// Everything little-endian. The peer's user is checked with SO_PEERCRED on
// both sides; a message that does not match its own header is refused
// (answered 0) and never reaches the handler.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hostlib/hostlib_export.h"

namespace vex3d::ipc {

// Every wait of the exchange is bounded; a peer that is stopped or lost
// then fails its exchange instead of hanging its caller.
struct WaitLimits {
  // A sender waiting for the answer, handling included: an authoring
  // application may take minutes to store a large scene.
  int answerMs = 600000;
  // A receiver waiting for the rest of a message once its peer connected.
  int messageMs = 60000;
  // Waiting for a program just started to open its endpoint.
  int startMs = 120000;
  // The largest message accepted, in bytes.
  std::uint64_t maxMessageBytes = std::uint64_t{1} << 30;
};
// The limits in force: the defaults above, with answerMs and startMs
// replaced by VEX3D_EXCHANGE_TIMEOUT (seconds) when it is set.
VEXHOST_EXPORT WaitLimits waitLimits();
// Replaces the limits for the whole process (tests, long batch jobs).
VEXHOST_EXPORT void setWaitLimits(const WaitLimits& limits);

// The folder of the endpoints, created with mode 0700 when missing:
// $XDG_RUNTIME_DIR/vex3d-exchange, else $TMPDIR (or /tmp)/vex3d-exchange-<uid>.
// A folder that another user owns or that others may enter is refused.
// Empty, with `error` set, when no usable folder exists.
VEXHOST_EXPORT std::string endpointFolder(std::string* error = nullptr);
// The socket of `name` in that folder; empty when the name cannot be one.
VEXHOST_EXPORT std::string endpointPath(const std::string& name);

struct Message {
  std::uint32_t code = 0;
  std::vector<std::uint8_t> data;
  // The sender's main endpoint on its thread (empty when it has none),
  // and its process and user as the kernel reports them.
  std::string sender;
  pid_t pid = 0;
  uid_t uid = 0;
};

enum class SendStatus {
  answered,    // the receiver handled the message; see the answer
  noEndpoint,  // nobody serves the name
  refused,     // the peer belongs to another user
  lost,        // the peer closed without answering: it refused the message, or ended
  timedOut,    // no answer within the limit
  failed,      // the connection broke, or there is no endpoint folder
};
struct SendResult {
  SendStatus status = SendStatus::failed;
  int answer = 0;
  bool ok() const { return status == SendStatus::answered; }
};

// Sends one message to the endpoint `name` and waits for its answer,
// serving this thread's endpoints meanwhile.
VEXHOST_EXPORT SendResult sendMessage(const std::string& name, std::uint32_t code, const void* data,
                                      std::size_t size);
// Whether a live endpoint serves `name` (a leftover socket of a program
// that died is not one).
VEXHOST_EXPORT bool endpointExists(const std::string& name);
// Serves this thread's endpoints: waits up to `timeoutMs` (-1: without
// limit) for a message and handles every one that arrived. Answers whether
// anything was handled.
VEXHOST_EXPORT bool serveEndpoints(int timeoutMs);

// One named endpoint, served on the thread that created it.
class VEXHOST_EXPORT CExchangeEndpoint {
 public:
  CExchangeEndpoint();
  virtual ~CExchangeEndpoint();
  CExchangeEndpoint(const CExchangeEndpoint&) = delete;
  CExchangeEndpoint& operator=(const CExchangeEndpoint&) = delete;

  // Opens the endpoint under `name`; false when the name is taken by a
  // live endpoint or the socket cannot be made.
  bool Open(const std::string& name);
  // Closes it: peers no longer find it. Safe inside the handler, whose
  // answer still reaches its sender.
  void Close();
  bool IsOpen() const { return m_fd >= 0; }
  const std::string& GetEndpointName() const { return m_name; }

  // Only peers of this user are served; tests set another to see a
  // stranger refused.
  void SetAllowedUid(uid_t uid) { m_allowedUid = uid; }

  // Serves until the endpoint is closed (by a handler or another owner).
  void Run();

 protected:
  // The answer to one message; exceptions answer 0.
  virtual int OnMessage(const Message& message) = 0;

 private:
  friend bool serveEndpoints(int timeoutMs);
  friend SendResult sendMessage(const std::string&, std::uint32_t, const void*, std::size_t);
  // Accepts and handles the connections waiting; whether one was handled.
  bool serveWaiting();
  void serveConnection(int connection);

  int m_fd = -1;
  std::string m_name;
  std::string m_path;
  uid_t m_allowedUid;
  ino_t m_inode = 0;
};

}  // namespace vex3d::ipc

// Finding a peer's window is connecting to the endpoint of its class.
VEXHOST_EXPORT bool FindWindowByClassName(const std::string& className);
// Whether the peer exists; nothing is brought to the front.
VEXHOST_EXPORT bool ActivateWindow(const std::string& className);
