#include "assimp_up_axis.h"

#include <assimp/matrix3x3.h>
#include <assimp/scene.h>

#include <cmath>

#include "hostlib/io/plugin_api.h"
#include "scene/scene_io_options.h"

namespace vex3d::assimp {

namespace {

// The turn the library's readers put into the root node to stand z-up data
// along y (COLLADA Z_UP, 3DS, ASE, the Quake family of models), row-major
// for column vectors. COLLADA files also scale the root by their unit, so a
// uniform scale may come with it. The library's turn of COLLADA X_UP files
// stays: it also brings their right axis (-y) to the right, which no
// single coordinate swap of the check-out can do.
const aiMatrix3x3 kZUpToYUp(1, 0, 0, 0, 0, 1, 0, -1, 0);

bool isScaledTurn(const aiMatrix4x4& transform, const aiMatrix3x3& turn) {
  const aiMatrix3x3 r(transform);
  const float scale = aiVector3D(r.a1, r.b1, r.c1).Length();
  if (!std::isfinite(scale) || !(scale > 0.0f)) return false;
  const float* got = &r.a1;
  const float* want = &turn.a1;
  for (int i = 0; i < 9; ++i) {
    if (std::fabs(got[i] - scale * want[i]) > 1e-6f * scale) return false;
  }
  return true;
}

bool takeOutTurn(aiNode& root, const aiMatrix3x3& turn) {
  if (!isScaledTurn(root.mTransformation, turn)) return false;
  // A rotation's inverse is its transpose.
  aiMatrix3x3 back = turn;
  back.Transpose();
  root.mTransformation = aiMatrix4x4(back) * root.mTransformation;
  return true;
}

// The axis the file's global settings declare; the library reports them
// and leaves the data as it is. Its sign is not looked at: no exporter
// writes a downward up axis, and a turn cannot stand one up without
// knowing the front axis's sign as well.
std::uint32_t fbxUpAxis(const aiScene& scene) {
  std::int32_t axis = 1;
  if (scene.mMetaData == nullptr || !scene.mMetaData->Get("UpAxis", axis)) return UP_AXIS_Y;
  switch (axis) {
    case 0:
      return UP_AXIS_X;
    case 2:
      return UP_AXIS_Z;
    default:
      return UP_AXIS_Y;
  }
}

// Formats whose data the library hands over as the file holds it, along
// the format's own z up: 3D printing builds along z, and the Blender reader
// keeps the application's z up. Everything else comes out of the library
// standing along y, its own convention (turned, where it turned it, in the
// root, which takeOutTurn undoes).
std::uint32_t untouchedUpAxis(std::uint32_t fileClass) {
  switch (fileClass) {
    case VEX3D_FOURCC('3', 'M', 'F', ' '):
    case VEX3D_FOURCC('A', 'M', 'F', ' '):
    case VEX3D_FOURCC('B', 'L', 'N', 'D'):
      return UP_AXIS_Z;
    default:
      return UP_AXIS_Y;
  }
}

}  // namespace

std::uint32_t takeFileUpAxis(aiScene& scene, std::uint32_t fileClass) {
  switch (fileClass) {
    // Always y up, and the root is a node of the file: a turn found there
    // is the file's own.
    case VEX3D_FOURCC('G', 'L', 'T', 'F'):
    case VEX3D_FOURCC('G', 'L', 'B', ' '):
      return UP_AXIS_Y;
    case VEX3D_FOURCC('F', 'B', 'X', ' '):
      return fbxUpAxis(scene);
    default:
      break;
  }
  // COLLADA: asked to ignore <up_axis>, the library would leave the data as
  // the file holds it but keep the declaration to itself. Left to turn
  // Z_UP files, it tells the declaration by its turn; taken out again, a
  // Y_UP and a Z_UP file of the same model give the same tree, stood up
  // once, by the check-out.
  if (scene.mRootNode != nullptr && takeOutTurn(*scene.mRootNode, kZUpToYUp)) return UP_AXIS_Z;
  return untouchedUpAxis(fileClass);
}

}  // namespace vex3d::assimp
