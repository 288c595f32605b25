// The OBJ reader on arbitrary bytes, which also stand for every material
// library the file names, then the import check-out on what it made.
#include <cstddef>
#include <cstdint>
#include <string>

#include "obj/obj_reader.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const vex3d::obj::MaterialLoader loader = [&](const std::string&, std::string& bytes) {
    bytes.assign(reinterpret_cast<const char*>(data), size);
    return true;
  };
  vex3d::obj::ReadResult result = vex3d::obj::readObj({data, size}, loader);
  if (result.scene) {
    CSceneImportOptions options;
    result.scene->CheckoutImport(options, 0);
  }
  return 0;
}
