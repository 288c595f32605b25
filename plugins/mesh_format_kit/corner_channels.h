#pragma once
// The stored channels a writer exports, read per face corner: the value
// index a corner takes in each, or -1 when the object has no such channel
// or the channel does not match the face. A channel without faces is read
// per mesh point.
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"

namespace vex3d::native {

class CornerChannels {
 public:
  explicit CornerChannels(const C3DObject& object) : m_object(object) {
    const CDependentChannels* channels = object.GetChannels();
    if (channels == nullptr) return;
    if (CUVWChannel* uv = channels->GetUVWChannelByIndex(0, 1)) {
      m_uv = uv->GetUVWPointList();
      m_uvFaces = uv->GetUVWFaceList();
    }
    if (CVCChannel* vc = channels->GetVCChannelByIndex(0, 1)) {
      m_vc = vc->GetVCPointList();
      m_vcFaces = vc->GetVCFaceList();
    }
    if (CSpecNormalChannel* n = channels->GetSpecNormalChannel()) {
      if (!n->IsOneFlagSet(CHANNEL_INVALID)) {
        m_normals = n->GetNormalVectorList();
        m_normalFaces = n->GetNormalFaceList();
      }
    }
  }

  const CUVWPointList* uv() const { return m_uv; }
  const CVCPointList* colors() const { return m_vc; }
  const C3DVectorList* normals() const { return m_normals; }

  int uvAt(int face, std::uint32_t k) const { return at(m_uv, m_uvFaces, face, k); }
  int colorAt(int face, std::uint32_t k) const { return at(m_vc, m_vcFaces, face, k); }
  int normalAt(int face, std::uint32_t k) const { return at(m_normals, m_normalFaces, face, k); }

 private:
  int at(const CPointList* values, const CFaceList* faces, int face, std::uint32_t k) const {
    if (values == nullptr) return -1;
    int index = -1;
    if (faces == nullptr) {
      index = (*m_object.GetFaceList()->ElementAt(face))[k];
    } else {
      const CFace* f = faces->ElementAt(face);
      if (f == nullptr || k >= f->GetSize()) return -1;
      index = (*f)[k];
    }
    return index >= 0 && index < values->GetSize() ? index : -1;
  }

  const C3DObject& m_object;
  const CUVWPointList* m_uv = nullptr;
  const CUVWFaceList* m_uvFaces = nullptr;
  const CVCPointList* m_vc = nullptr;
  const CVCFaceList* m_vcFaces = nullptr;
  const C3DVectorList* m_normals = nullptr;
  const CNormalFaceList* m_normalFaces = nullptr;
};

}  // namespace vex3d::native
