#pragma once
// A mesh described corner by corner (position, texture coordinates,
// colour, normal, in face order), so that two objects can be compared
// whatever their point numbering.
#include <array>
#include <vector>

#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"

namespace vex3d::test {

struct Corner {
  std::array<float, 3> position{};
  std::array<float, 2> uv{};
  std::array<int, 4> color{};  // r g b alpha
  std::array<float, 3> normal{};
  bool operator==(const Corner&) const = default;
};

inline std::vector<std::vector<Corner>> cornerValues(const C3DObject& object) {
  std::vector<std::vector<Corner>> faces;
  const CDependentChannels* channels = object.GetChannels();
  CUVWChannel* uv = channels ? channels->GetUVWChannelByIndex(0, 1) : nullptr;
  CVCChannel* vc = channels ? channels->GetVCChannelByIndex(0, 1) : nullptr;
  CSpecNormalChannel* n = channels ? channels->GetSpecNormalChannel() : nullptr;
  const C3DFaceList& list = *object.GetFaceList();
  for (int f = 0; f < list.GetSize(); ++f) {
    const C3DFace& face = *list.ElementAt(f);
    std::vector<Corner> corners;
    for (std::uint32_t k = 0; k < face.GetSize(); ++k) {
      Corner c;
      const C3DPoint& p = (*object.GetPointList())[face[k]];
      c.position = {p.x, p.y, p.z};
      if (uv) {
        const CUVWPoint& t = (*uv->GetUVWPointList())[(*uv->GetUVWFaceList()->ElementAt(f))[k]];
        c.uv = {t.u, t.v};
      }
      if (vc) {
        const int i = vc->GetVCFaceList() ? (*vc->GetVCFaceList()->ElementAt(f))[k] : face[k];
        const CRGBColor& rgb = (*vc->GetVCPointList())[i].GetColor();
        c.color = {rgb.GetRed(), rgb.GetGreen(), rgb.GetBlue(), rgb.GetAlpha()};
      }
      if (n) {
        const C3DVector& v =
            (*n->GetNormalVectorList())[(*n->GetNormalFaceList()->ElementAt(f))[k]];
        c.normal = {v.x, v.y, v.z};
      }
      corners.push_back(c);
    }
    faces.push_back(corners);
  }
  return faces;
}

}  // namespace vex3d::test
