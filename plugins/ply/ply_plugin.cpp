// PLY files, text and binary. One mesh in world space with per-vertex
// normals, colours and texture coordinates: export bakes transforms and
// makes one object; polygons and channels stay.
#include <string>

#include "mesh_format_kit/mesh_format_parser.h"
#include "ply_reader.h"
#include "ply_writer.h"

namespace {

struct PlyFormat {
  static constexpr std::uint32_t kForcedExport = EXPORT_WORLD_COORDINATES | EXPORT_CONCATENATE;
  // The file says nothing; the scanners and tools that write it stand
  // models along y.
  static constexpr std::uint32_t kUpAxis = UP_AXIS_Y;
  static vex3d::ply::ReadResult read(std::span<const unsigned char> bytes,
                                     vex3d::native::ReadProgress* progress) {
    return vex3d::ply::readPly(bytes, progress);
  }
  static bool write(C3DScene& scene, const std::string& path, bool text, std::string& error) {
    return vex3d::ply::writePly(scene, path, text, error);
  }
};

const VexPluginFileClass kClasses[] = {
    {VEX3D_FOURCC('P', 'L', 'Y', ' '), 0x4000, "ply", "Polygon file", "model/x-ply",
     VEX_PLUGIN_CAN_READ | VEX_PLUGIN_CAN_WRITE},
};

}  // namespace

VEX3D_DECLARE_PLUGIN("PLY", "1.0", kClasses,
                     vex3d::makePluginParser<vex3d::native::MeshFormatParser<PlyFormat>>)
