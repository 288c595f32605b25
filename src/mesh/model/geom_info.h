#pragma once
// CGeomInfo: the handle every mesh algorithm receives. Only the fields and
// their plain accessors live here for now; the constructors from nodes and
// objects and Copy come with the scene classes.
#include "vex3d_export.h"

class C3DScene;
class C3DSceneNode;
class C3DBaseObject;
class CPointList;
class CFaceList;
class CDependentChannels;

class VEX3D_EXPORT CGeomInfo {
 public:
  CGeomInfo() = default;
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
