#include "mesh/model/geom_info.h"

#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

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
