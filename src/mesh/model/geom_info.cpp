#include "mesh/model/geom_info.h"

#include "hostlib/core/exceptions.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "scene/scene_node.h"

CGeomInfo::CGeomInfo(C3DBaseObject* object)
    : m_object(object),
      m_srcPointList(object != nullptr ? object->GetPointList() : nullptr),
      m_srcFaceList(object != nullptr ? object->GetFaceList() : nullptr),
      m_srcChannels(object != nullptr ? object->GetChannels() : nullptr) {}

CGeomInfo::CGeomInfo(C3DSceneNode* node)
    : CGeomInfo(node != nullptr ? node->GetObject() : nullptr) {
  m_node = node;
}

CGeomInfo CGeomInfo::Copy(_CopyMode mode) const {
  CGeomInfo copy(*this);
  if (mode == COPY_ALL) return copy;
  if (mode != COPY_SOURCES) {
    if (m_dstPointList != nullptr) copy.m_srcPointList = m_dstPointList;
    if (m_dstFaceList != nullptr) copy.m_srcFaceList = m_dstFaceList;
    if (m_dstChannels != nullptr) copy.m_srcChannels = m_dstChannels;
  }
  copy.m_dstPointList = nullptr;
  copy.m_dstFaceList = nullptr;
  copy.m_dstChannels = nullptr;
  return copy;
}

namespace {

// Channel i of a set, null without a set.
CChannel* channelAt(const CDependentChannels* channels, int i) {
  if (channels == nullptr) return nullptr;
  if (i < 0 || i >= channels->GetSize()) AfxThrowInvalidArgException();
  return channels->GetChannelByIndex(i);
}

}  // namespace

int CGeomInfo::GetChannelSize() const {
  return m_srcChannels != nullptr ? m_srcChannels->GetSize() : 0;
}

void CGeomInfo::GetChannelFaceList(int i, CFaceList*& src, CFaceList*& dst) const {
  const CChannel* from = channelAt(m_srcChannels, i);
  const CChannel* to = channelAt(m_dstChannels, i);
  src = from != nullptr ? from->GetFaceList() : nullptr;
  dst = to != nullptr ? to->GetFaceList() : nullptr;
}

void CGeomInfo::GetChannelPointList(int i, CPointList*& src, CPointList*& dst) const {
  const CChannel* from = channelAt(m_srcChannels, i);
  const CChannel* to = channelAt(m_dstChannels, i);
  src = from != nullptr ? from->GetPointList() : nullptr;
  dst = to != nullptr ? to->GetPointList() : nullptr;
}

#define VEX3D_TYPED_GETTERS(Type, Name, member)                                        \
  Type* CGeomInfo::GetSrc##Name() const { return dynamic_cast<Type*>(m_src##member); } \
  Type* CGeomInfo::GetDst##Name() const { return dynamic_cast<Type*>(m_dst##member); }

VEX3D_TYPED_GETTERS(C3DPointList, 3DPointList, PointList)
VEX3D_TYPED_GETTERS(C3DVectorList, NormalPointList, PointList)
VEX3D_TYPED_GETTERS(CUVWPointList, UVWPointList, PointList)
VEX3D_TYPED_GETTERS(CVCPointList, VCPointList, PointList)
VEX3D_TYPED_GETTERS(C3DFaceList, 3DFaceList, FaceList)
VEX3D_TYPED_GETTERS(CUVWFaceList, UVWFaceList, FaceList)
VEX3D_TYPED_GETTERS(CVCFaceList, VCFaceList, FaceList)
VEX3D_TYPED_GETTERS(CNormalFaceList, NormalFaceList, FaceList)

#undef VEX3D_TYPED_GETTERS
