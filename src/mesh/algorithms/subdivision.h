#pragma once
// Subdivision schemes over a whole object: each pass replaces the object's
// point list, face list and channels by refined ones. Faces the scheme does
// not refine (other sizes, faces marked invalid) are carried unchanged.
#include "mesh/model/base_object.h"
#include "vex3d_export.h"

namespace vex3d {

// Loop's scheme over the triangles, `level` passes (none when level <= 0).
VEX3D_EXPORT void subdivideLoop(C3DBaseObject& object, int level);
// Catmull-Clark's scheme over the quadrangles, `level` passes.
VEX3D_EXPORT void subdivideCatmullClark(C3DBaseObject& object, int level);

}  // namespace vex3d
