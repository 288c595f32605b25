// The STL reader on arbitrary bytes, then the import check-out on what it
// made: neither may crash, hang or touch memory outside the input.
#include <cstddef>
#include <cstdint>

#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "stl/stl_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vex3d::stl::ReadResult result = vex3d::stl::readStl({data, size});
  if (result.scene) {
    CSceneImportOptions options;
    result.scene->CheckoutImport(options, 0);
  }
  return 0;
}
