#pragma once
// The exchange with the authoring applications: the names of the peers'
// endpoints, the message codes, the payloads, and sending to a peer by
// its class name. Scenes travel whole, in the scene archive.
//
// A reader's reply endpoint is an instance of its class: the class name,
// '.', and a suffix of the reader's own, so that several readers may wait
// at once; the exchange program replies to the instance that sent the
// request.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "hostlib/ipc/exchange_endpoint.h"
#include "vex3d_export.h"

class C3DParser;
class C3DScene;

namespace vex3d::exchange {

inline constexpr const char* kMayaServerClass = "HalcyonMayaWindow x64";
inline constexpr const char* kMaxServerClass = "Halcyon3DSMaxWindow x64";
inline constexpr const char* kMayaReplyClass = "3DVexMayaWindow";
inline constexpr const char* kMaxReplyClass = "3DVex3DSMaxWindow";

enum Code : std::uint32_t {
  kCodeRead = 1,
  kCodeBeginScan = 2,
  kCodeEndScan = 3,
  kCodeScene = 4,
  kCodeWrite = 5,
  kCodeQuit = 6,
};

inline constexpr std::uint32_t kKeyPath = 0x50415448;    // 'PATH'
inline constexpr std::uint32_t kKeyParser = 0x33445052;  // '3DPR'

inline constexpr std::uint32_t kMayaClass = 0x4D415941;  // 'MAYA'
inline constexpr std::uint32_t kMaxClass = 0x334D4158;   // '3MAX'

inline constexpr int kMaxNotRunningDialog = 2000;
inline constexpr int kMayaProgramMissingDialog = 2004;
inline constexpr int kMayaProgramInvalidDialog = 2005;

// What reading and writing the class through the exchange needs, for
// listings; empty for classes the exchange does not serve.
VEX3D_EXPORT std::string exchangeRequirement(std::uint32_t fileClass);

// A new instance name of `className`, and whether `name` is one (or the
// class name itself).
VEX3D_EXPORT std::string newInstanceName(const std::string& className);
VEX3D_EXPORT bool isInstanceOf(const std::string& name, const std::string& className);

// The payloads. Encoding never fails; decoding answers false on any
// malformed byte and never trusts a count it has not checked.
VEX3D_EXPORT std::vector<std::uint8_t> encodeReadRequest(const std::string& path,
                                                         std::uint64_t cookie);
VEX3D_EXPORT bool decodeReadRequest(std::span<const std::uint8_t> data, std::string& path,
                                    std::uint64_t& cookie);
VEX3D_EXPORT std::vector<std::uint8_t> encodeSceneReply(std::uint64_t cookie, C3DScene& scene);
VEX3D_EXPORT bool decodeSceneReply(std::span<const std::uint8_t> data, std::uint64_t& cookie,
                                   std::unique_ptr<C3DScene>& scene);
VEX3D_EXPORT std::vector<std::uint8_t> encodeWriteRequest(const std::string& path, C3DScene& scene);
VEX3D_EXPORT bool decodeWriteRequest(std::span<const std::uint8_t> data, std::string& path,
                                     std::unique_ptr<C3DScene>& scene);

// Whether the scene holds a node whose object is not a group.
VEX3D_EXPORT bool hasGeometryNode(const C3DScene& scene);

// The whole of one send, for callers that report why it failed.
VEX3D_EXPORT vex3d::ipc::SendResult sendToWindow(const std::string& window, std::uint32_t code,
                                                 const void* data, std::size_t size, int activate);
// A sentence saying why a send failed, for the IO error.
VEX3D_EXPORT std::string describeFailure(const vex3d::ipc::SendResult& result,
                                         const std::string& window);

// A read through the exchange: the request goes to `serverClass` (inside
// a scan when `inScan`), the scene comes back to a new instance of
// `replyClass`. The scene (the caller's) or null with the parser's IO
// error set.
C3DScene* readThroughExchange(C3DParser& parser, const std::string& path,
                              const std::string& serverClass, const std::string& replyClass,
                              bool inScan);
// A write: 1 when the server took the scene, 0 with the IO error set.
int writeThroughExchange(C3DParser& parser, const std::string& path, C3DScene& scene,
                         const std::string& serverClass);

}  // namespace vex3d::exchange

// Sends message `code` with `size` bytes to the endpoint of class `window`
// and waits until it is handled; nothing for a null window. With
// `activate` the peer is asked to the front first. Answers the receiver's
// answer, 0 when the message could not be delivered.
VEX3D_EXPORT int SendInfoToWnd(const char* window, unsigned code, const void* data,
                               std::size_t size, int activate);
