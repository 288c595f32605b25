#include "mesh/algorithms/patch.h"

IMPLEMENT_SERIAL(C3DPatch, C3DBaseObject, 1)

C3DPatch::C3DPatch() : C3DBaseObject(OBJECT_PATCH) {}
