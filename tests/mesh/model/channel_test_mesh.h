#pragma once
// A small mesh with its channel set, for the channel tests.
#include <initializer_list>
#include <vector>

#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"

namespace vex3d::test {

using Corners = std::initializer_list<std::initializer_list<int>>;

inline void addFaces(CFaceList& list, Corners faces) {
  for (const auto& indices : faces) {
    C3DSingleFace f;
    for (int i : indices) f.AddIndex(i);
    list.Add(&f);
  }
}

inline std::vector<std::vector<int>> allIndices(const CFaceList& list) {
  std::vector<std::vector<int>> out;
  for (int i = 0; i < list.GetSize(); ++i) {
    const CFace* f = list[i];
    out.emplace_back(f->GetIndices(), f->GetIndices() + f->GetSize());
  }
  return out;
}

struct Mesh {
  C3DPointList points;
  C3DFaceList faces;
  CDependentChannels channels;
  CGeomInfo geom{&faces, &points};

  Mesh(int pointCount, Corners corners) {
    for (int i = 0; i < pointCount; ++i) points.Add(C3DPoint(static_cast<float>(i), 0, 0));
    addFaces(faces, corners);
    geom.SetChannels(&channels, nullptr);
  }

  // A texture channel whose point i has u = i.
  CUVWChannel* addUVW(int pointCount, Corners corners) {
    auto* channel = new CUVWChannel;
    channels.AddChannel(channel);
    for (int i = 0; i < pointCount; ++i) {
      channel->GetUVWPointList()->Add(CUVWPoint(static_cast<float>(i), 0, 0));
    }
    addFaces(*channel->GetFaceList(), corners);
    return channel;
  }

  CVCChannel* addVC(std::initializer_list<CRGBColor> colors, Corners corners) {
    auto* channel = new CVCChannel;
    channels.AddChannel(channel);
    for (const CRGBColor& c : colors) channel->GetVCPointList()->Add(CVCPoint(c));
    addFaces(*channel->GetFaceList(), corners);
    return channel;
  }
};

inline std::vector<float> allU(const CUVWPointList& list) {
  std::vector<float> out;
  for (int i = 0; i < list.GetSize(); ++i) out.push_back(list[i].u);
  return out;
}

}  // namespace vex3d::test
