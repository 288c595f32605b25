#pragma once
// C3DPatch: a control mesh shown as a subdivision surface. Until the
// subdivision schemes arrive it behaves as its control mesh.
#include "mesh/model/base_object.h"

class VEX3D_EXPORT C3DPatch : public C3DBaseObject {
  DECLARE_SERIAL(C3DPatch)

 public:
  C3DPatch();
};
