#include "io/exchange.h"

#include <unistd.h>

#include <atomic>
#include <mutex>
#include <random>

#include "hostlib/core/archive.h"
#include "hostlib/core/custom_data.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/text/strings.h"
#include "io/dynex_server_window.h"
#include "io/parser.h"
#include "mesh/model/base_object.h"
#include "scene/preferences.h"
#include "scene/scene.h"

namespace vex3d::exchange {

namespace {

// Memory archives of the exchange grow by this much at first, as the
// authoring applications' own archives do.
constexpr std::size_t kArchiveStep = 4096;

// Replies name the read they answer by this value: unpredictable, so that
// another program cannot slip a scene into a read it did not serve.
std::uint64_t newCookie() {
  static std::mutex mutex;
  static std::mt19937_64 generator{std::random_device{}()};
  std::lock_guard lock(mutex);
  std::uint64_t cookie = 0;
  while (cookie == 0) cookie = generator();
  return cookie;
}

}  // namespace

std::string exchangeRequirement(std::uint32_t fileClass) {
  if (fileClass == kMayaClass) {
    return FormatString(kStrExchangeNeedsProgram, kMayaExchangeProgram);
  }
  if (fileClass == kMaxClass) return FormatString(kStrExchangeNeedsEndpoint, kMaxServerClass);
  return {};
}

std::string newInstanceName(const std::string& className) {
  static std::atomic<unsigned> serial{0};
  return className + "." + std::to_string(::getpid()) + "-" + std::to_string(++serial);
}

bool isInstanceOf(const std::string& name, const std::string& className) {
  if (name == className) return true;
  return name.size() > className.size() + 1 && name.compare(0, className.size(), className) == 0 &&
         name[className.size()] == '.';
}

std::vector<std::uint8_t> encodeReadRequest(const std::string& path, std::uint64_t cookie) {
  CCustomData record;
  record.SetString(kKeyPath, path);
  record.SetPtr(kKeyParser, reinterpret_cast<void*>(static_cast<std::uintptr_t>(cookie)));
  return record.GetData();
}

bool decodeReadRequest(std::span<const std::uint8_t> data, std::string& path,
                       std::uint64_t& cookie) {
  CCustomData record;
  if (!record.SetData(data.data(), data.size())) return false;
  if (record.GetType(kKeyPath) != CCustomData::typeString) return false;
  path = record.GetString(kKeyPath);
  cookie = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(record.GetPtr(kKeyParser)));
  return true;
}

std::vector<std::uint8_t> encodeSceneReply(std::uint64_t cookie, C3DScene& scene) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kArchiveStep);
  CArchive ar(bytes, CArchive::store);
  ar << cookie;
  scene.Serialize(ar);
  return bytes;
}

bool decodeSceneReply(std::span<const std::uint8_t> data, std::uint64_t& cookie,
                      std::unique_ptr<C3DScene>& scene) {
  try {
    CArchive ar(data);
    ar >> cookie;
    if (cookie == 0) return false;
    auto loaded = std::make_unique<C3DScene>();
    loaded->Serialize(ar);
    scene = std::move(loaded);
    return true;
  } catch (const CArchiveException&) {
    return false;
  }
}

std::vector<std::uint8_t> encodeWriteRequest(const std::string& path, C3DScene& scene) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kArchiveStep);
  CArchive ar(bytes, CArchive::store);
  CCustomData record;
  record.SetString(kKeyPath, path);
  record.Serialize(ar);
  scene.Serialize(ar);
  return bytes;
}

bool decodeWriteRequest(std::span<const std::uint8_t> data, std::string& path,
                        std::unique_ptr<C3DScene>& scene) {
  try {
    CArchive ar(data);
    CCustomData record;
    record.Serialize(ar);
    if (record.GetType(kKeyPath) != CCustomData::typeString) return false;
    auto loaded = std::make_unique<C3DScene>();
    loaded->Serialize(ar);
    path = record.GetString(kKeyPath);
    scene = std::move(loaded);
    return true;
  } catch (const CArchiveException&) {
    return false;
  }
}

bool hasGeometryNode(const C3DScene& scene) {
  CSceneIterator it = scene.Begin();
  C3DBaseObject* object = nullptr;
  while (scene.GetNextNode(object, it) != nullptr) {
    if (object != nullptr && object->GetKindOf() != OBJECT_GROUP) return true;
  }
  return false;
}

vex3d::ipc::SendResult sendToWindow(const std::string& window, std::uint32_t code, const void* data,
                                    std::size_t size, int activate) {
  if (activate) ActivateWindow(window);
  return vex3d::ipc::sendMessage(window, code, data, size);
}

std::string describeFailure(const vex3d::ipc::SendResult& result, const std::string& window) {
  using vex3d::ipc::SendStatus;
  switch (result.status) {
    case SendStatus::answered:
      return "\"" + window + "\" refused the request";
    case SendStatus::noEndpoint:
      return "\"" + window + "\" is not running";
    case SendStatus::refused:
      return "\"" + window + "\" belongs to another user";
    case SendStatus::lost:
      return "\"" + window + "\" stopped before answering";
    case SendStatus::timedOut:
      return "\"" + window + "\" did not answer in time";
    case SendStatus::failed:
      break;
  }
  return "the exchange with \"" + window + "\" failed";
}

C3DScene* readThroughExchange(C3DParser& parser, const std::string& path,
                              const std::string& serverClass, const std::string& replyClass,
                              bool inScan) {
  CDynExServerWindow reply;
  if (!reply.Create(replyClass)) {
    parser.SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError,
                      "no endpoint for the reply of \"" + serverClass + "\"");
    return nullptr;
  }
  const std::uint64_t cookie = newCookie();
  parser.SetScene(nullptr);
  reply.ExpectReply(cookie, &parser);
  const std::vector<std::uint8_t> request = encodeReadRequest(path, cookie);
  if (inScan) sendToWindow(serverClass, kCodeBeginScan, nullptr, 0, 0);
  const vex3d::ipc::SendResult result =
      sendToWindow(serverClass, kCodeRead, request.data(), request.size(), 0);
  if (inScan) sendToWindow(serverClass, kCodeEndScan, nullptr, 0, 0);
  reply.DestroyWindow();
  C3DScene* scene = parser.GetScene();
  if (scene == nullptr) {
    parser.SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError,
                      result.ok() ? "\"" + serverClass + "\" sent no scene for " + path
                                  : describeFailure(result, serverClass));
  }
  return scene;
}

int writeThroughExchange(C3DParser& parser, const std::string& path, C3DScene& scene,
                         const std::string& serverClass) {
  const std::vector<std::uint8_t> request = encodeWriteRequest(path, scene);
  const vex3d::ipc::SendResult result =
      sendToWindow(serverClass, kCodeWrite, request.data(), request.size(), 1);
  if (result.ok() && result.answer != 0) return 1;
  parser.SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError,
                    describeFailure(result, serverClass));
  return 0;
}

}  // namespace vex3d::exchange

int SendInfoToWnd(const char* window, unsigned code, const void* data, std::size_t size,
                  int activate) {
  if (window == nullptr) return 0;
  const vex3d::ipc::SendResult result =
      vex3d::exchange::sendToWindow(window, code, data, size, activate);
  return result.ok() ? result.answer : 0;
}
