// The payloads an exchange peer sends: a read request (a raw parameter
// record), a scene reply (cookie and scene archive) and a write request
// (parameter record and scene archive). A peer is as untrusted as a file:
// decoding either refuses the bytes or yields a scene that is walkable and
// stores again. The first byte picks the payload.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "hostlib/core/archive.h"
#include "io/exchange.h"
#include "mesh/model/base_object.h"
#include "scene/scene.h"

namespace {

void checkScene(C3DScene& scene) {
  if (scene.GetSceneRoot() == nullptr) std::abort();
  CSceneIterator it = scene.Begin();
  C3DBaseObject* object = nullptr;
  while (C3DSceneNode* node = scene.GetNextNode(object, it)) {
    if (object == nullptr || node->GetScene() != &scene) std::abort();
  }
  (void)vex3d::exchange::hasGeometryNode(scene);
  std::vector<std::uint8_t> again;
  CArchive out(again, CArchive::store);
  scene.Serialize(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> payload(data + 1, size - 1);
  std::string path;
  std::uint64_t cookie = 0;
  std::unique_ptr<C3DScene> scene;
  switch (data[0] % 3) {
    case 0:
      (void)vex3d::exchange::decodeReadRequest(payload, path, cookie);
      break;
    case 1:
      if (vex3d::exchange::decodeSceneReply(payload, cookie, scene)) {
        if (cookie == 0 || !scene) std::abort();
        checkScene(*scene);
      } else if (scene) {
        std::abort();
      }
      break;
    default:
      if (vex3d::exchange::decodeWriteRequest(payload, path, scene)) {
        if (!scene) std::abort();
        checkScene(*scene);
      } else if (scene) {
        std::abort();
      }
      break;
  }
  return 0;
}
