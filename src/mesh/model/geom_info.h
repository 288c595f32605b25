#pragma once
// CGeomInfo: the handle every mesh algorithm receives: the scene, node and
// object it works on, and the lists and channels it reads and writes.
#include "vex3d_export.h"

class C3DScene;
class C3DSceneNode;
class C3DBaseObject;
class CPointList;
class CFaceList;
class CDependentChannels;
class C2DPointList;
class C3DPointList;
class C3DVectorList;
class CUVWPointList;
class CVCPointList;
class C3DFaceList;
class CUVWFaceList;
class CVCFaceList;
class CNormalFaceList;

enum _CopyMode : int {
  COPY_ALL = 0,      // sources and destinations
  COPY_SOURCES = 1,  // sources only
  COPY_CHAIN = 2,    // (or any other value) the destinations become the sources
};

class VEX3D_EXPORT CGeomInfo {
 public:
  CGeomInfo() = default;
  // The node, its object, and the object's lists and channels as sources.
  explicit CGeomInfo(C3DSceneNode* node);
  // The object, its lists and its channels as sources.
  explicit CGeomInfo(C3DBaseObject* object);
  // Both lists as sources.
  CGeomInfo(CFaceList* faces, CPointList* points) : m_srcPointList(points), m_srcFaceList(faces) {}

  void SetScene(C3DScene* scene) { m_scene = scene; }
  void SetFaceList(CFaceList* src, CFaceList* dst) {
    m_srcFaceList = src;
    m_dstFaceList = dst;
  }
  void SetPointList(CPointList* src, CPointList* dst) {
    m_srcPointList = src;
    m_dstPointList = dst;
  }
  void SetChannels(CDependentChannels* src, CDependentChannels* dst) {
    m_srcChannels = src;
    m_dstChannels = dst;
  }

  // COPY_ALL: everything. COPY_SOURCES: no destinations. Otherwise the
  // result of one step as the input of the next: each source is the
  // destination where one is set, and there are no destinations.
  CGeomInfo Copy(_CopyMode mode) const;

  // The same pointers under their list type; null when the list is of
  // another type.
  C3DPointList* GetSrc3DPointList() const;
  C3DPointList* GetDst3DPointList() const;
  C3DVectorList* GetSrcNormalPointList() const;
  C3DVectorList* GetDstNormalPointList() const;
  CUVWPointList* GetSrcUVWPointList() const;
  CUVWPointList* GetDstUVWPointList() const;
  CVCPointList* GetSrcVCPointList() const;
  CVCPointList* GetDstVCPointList() const;
  C3DFaceList* GetSrc3DFaceList() const;
  C3DFaceList* GetDst3DFaceList() const;
  CUVWFaceList* GetSrcUVWFaceList() const;
  CUVWFaceList* GetDstUVWFaceList() const;
  CVCFaceList* GetSrcVCFaceList() const;
  CVCFaceList* GetDstVCFaceList() const;
  CNormalFaceList* GetSrcNormalFaceList() const;
  CNormalFaceList* GetDstNormalFaceList() const;

  // Number of source channels (0 without a source set).
  int GetChannelSize() const;
  // Channel i's lists in the source and in the destination set; null where
  // a set is missing. An index outside an existing set raises the
  // invalid-argument exception.
  void GetChannelFaceList(int i, CFaceList*& src, CFaceList*& dst) const;
  void GetChannelPointList(int i, CPointList*& src, CPointList*& dst) const;

  C3DScene* GetScene() const { return m_scene; }
  C3DSceneNode* GetSceneNode() const { return m_node; }
  C3DBaseObject* GetObject() const { return m_object; }
  CPointList* GetSrcPointList() const { return m_srcPointList; }
  CPointList* GetDstPointList() const { return m_dstPointList; }
  CFaceList* GetSrcFaceList() const { return m_srcFaceList; }
  CFaceList* GetDstFaceList() const { return m_dstFaceList; }
  CDependentChannels* GetSrcChannels() const { return m_srcChannels; }
  CDependentChannels* GetDstChannels() const { return m_dstChannels; }

 private:
  C3DScene* m_scene = nullptr;
  C3DSceneNode* m_node = nullptr;
  C3DBaseObject* m_object = nullptr;
  CPointList* m_srcPointList = nullptr;
  CPointList* m_dstPointList = nullptr;
  CFaceList* m_srcFaceList = nullptr;
  CFaceList* m_dstFaceList = nullptr;
  CDependentChannels* m_srcChannels = nullptr;
  CDependentChannels* m_dstChannels = nullptr;
};
