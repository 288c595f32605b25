#pragma once
// C3DObjectCreator: the factory every copy asks for new objects and lists,
// so that a caller can substitute its own classes or convert objects on the
// way (the export path turns everything into polygonal meshes).
#include <memory>

#include "vex3d_export.h"

class C3DBaseObject;
class C3DFaceList;
class C3DPointList;

class VEX3D_EXPORT C3DObjectCreator {
 public:
  C3DObjectCreator() = default;
  C3DObjectCreator(const C3DObjectCreator&) = default;
  C3DObjectCreator& operator=(const C3DObjectCreator&) = default;
  virtual ~C3DObjectCreator();

  // An empty object of the source's kind; null for an unknown kind.
  virtual std::unique_ptr<C3DBaseObject> GetNewObjectFrom(const C3DBaseObject& source);
  virtual int IsCopyAllowed(const C3DBaseObject& source);
  // Called with every finished copy.
  virtual void CopyDone(C3DBaseObject& copy, const C3DBaseObject& source);
  virtual std::unique_ptr<C3DFaceList> GetNewFaceList();
  virtual std::unique_ptr<C3DPointList> GetNewPointList();
  virtual std::unique_ptr<C3DBaseObject> GetNewPolygonalObject();
  virtual std::unique_ptr<C3DBaseObject> GetNewCurveObject();
  virtual std::unique_ptr<C3DBaseObject> GetNewPatchObject();
  virtual std::unique_ptr<C3DBaseObject> GetNewGroupObject();
};

// Makes every copy a polygonal mesh, whatever the source's kind.
class VEX3D_EXPORT C3DMeshObjectCreator : public C3DObjectCreator {
 public:
  std::unique_ptr<C3DBaseObject> GetNewObjectFrom(const C3DBaseObject& source) override;
};
