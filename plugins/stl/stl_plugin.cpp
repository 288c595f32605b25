// STL files, binary and text. The format holds bare triangles in world
// space, so export is forced to triangulate, bake transforms, drop every
// channel and make one object.
#include <string>

#include "mesh_format_kit/mesh_format_parser.h"
#include "stl_reader.h"
#include "stl_writer.h"

namespace {

struct StlFormat {
  static constexpr std::uint32_t kForcedExport = EXPORT_TRIANGULATE | EXPORT_WORLD_COORDINATES |
                                                 EXPORT_REMOVE_UVW | EXPORT_REMOVE_VC |
                                                 EXPORT_REMOVE_SPEC_NORMALS | EXPORT_CONCATENATE;
  // Printers build along z.
  static constexpr std::uint32_t kUpAxis = UP_AXIS_Z;
  static vex3d::stl::ReadResult read(std::span<const unsigned char> bytes,
                                     vex3d::native::ReadProgress* progress) {
    return vex3d::stl::readStl(bytes, progress);
  }
  static bool write(C3DScene& scene, const std::string& path, bool text, std::string& error) {
    return vex3d::stl::writeStl(scene, path, text, error);
  }
};

const VexPluginFileClass kClasses[] = {
    {VEX3D_FOURCC('S', 'T', 'L', ' '), 0x4000, "stl", "Stereolithography", "model/stl",
     VEX_PLUGIN_CAN_READ | VEX_PLUGIN_CAN_WRITE},
};

}  // namespace

VEX3D_DECLARE_PLUGIN("STL", "1.0", kClasses,
                     vex3d::makePluginParser<vex3d::native::MeshFormatParser<StlFormat>>)
