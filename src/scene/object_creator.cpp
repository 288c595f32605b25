#include "scene/object_creator.h"

#include "mesh/algorithms/patch.h"
#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "scene/object_kinds.h"

C3DObjectCreator::~C3DObjectCreator() = default;

std::unique_ptr<C3DBaseObject> C3DObjectCreator::GetNewObjectFrom(const C3DBaseObject& source) {
  switch (source.GetKindOf()) {
    case OBJECT_POLYGONAL:
      return GetNewPolygonalObject();
    case OBJECT_PATCH:
      return GetNewPatchObject();
    case OBJECT_CURVE:
      return GetNewCurveObject();
    case OBJECT_GROUP:
      return GetNewGroupObject();
    default:
      return nullptr;
  }
}

int C3DObjectCreator::IsCopyAllowed(const C3DBaseObject&) { return 1; }

void C3DObjectCreator::CopyDone(C3DBaseObject&, const C3DBaseObject&) {}

std::unique_ptr<C3DFaceList> C3DObjectCreator::GetNewFaceList() {
  return std::make_unique<C3DFaceList>();
}

std::unique_ptr<C3DPointList> C3DObjectCreator::GetNewPointList() {
  return std::make_unique<C3DPointList>();
}

std::unique_ptr<C3DBaseObject> C3DObjectCreator::GetNewPolygonalObject() {
  auto object = std::make_unique<C3DObject>();
  object->SetFaceList(GetNewFaceList().release());
  object->SetPointList(GetNewPointList().release());
  return object;
}

std::unique_ptr<C3DBaseObject> C3DObjectCreator::GetNewCurveObject() {
  auto object = std::make_unique<C3DCurve>();
  object->SetPointList(GetNewPointList().release());
  return object;
}

std::unique_ptr<C3DBaseObject> C3DObjectCreator::GetNewPatchObject() {
  auto object = std::make_unique<C3DPatch>();
  object->SetFaceList(GetNewFaceList().release());
  object->SetPointList(GetNewPointList().release());
  return object;
}

std::unique_ptr<C3DBaseObject> C3DObjectCreator::GetNewGroupObject() {
  return std::make_unique<C3DGroup>();
}

std::unique_ptr<C3DBaseObject> C3DMeshObjectCreator::GetNewObjectFrom(const C3DBaseObject&) {
  return GetNewPolygonalObject();
}
