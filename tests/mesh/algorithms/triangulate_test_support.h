#pragma once
// Polygons in the xy plane with source and destination lists and channel
// sets, and the geometry checks shared by the triangulation tests.
#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "math/point3d.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"

namespace vex3d::test {

using Point2 = std::array<double, 2>;
using Triangle = std::array<int, 3>;

struct PolygonScene {
  C3DPointList points;
  C3DFaceList faces;
  C3DFaceList out;
  CDependentChannels channels;
  CDependentChannels outChannels;
  CGeomInfo geom{&faces, &points};

  PolygonScene() {
    geom.SetFaceList(&faces, &out);
    geom.SetChannels(&channels, &outChannels);
  }

  void addPoints(std::initializer_list<Point2> xy) {
    for (const Point2& p : xy) {
      points.Add(C3DPoint(static_cast<float>(p[0]), static_cast<float>(p[1]), 0.0f));
    }
  }
  static int addFace(CFaceList& list, const std::vector<int>& indices) {
    C3DSingleFace face;
    for (int i : indices) face.AddIndex(i);
    return list.Add(&face);
  }
  int addFace(const std::vector<int>& indices) { return addFace(faces, indices); }

  // A texture channel in the source set with the given faces, and an empty
  // one in the destination set.
  CUVWChannel* addUVW(std::initializer_list<std::vector<int>> corners) {
    auto* channel = new CUVWChannel;
    channels.AddChannel(channel);
    int highest = -1;
    for (const auto& face : corners) {
      addFace(*channel->GetFaceList(), face);
      for (int i : face) highest = std::max(highest, i);
    }
    for (int i = 0; i <= highest; ++i) channel->GetUVWPointList()->Add(CUVWPoint(0, 0, 0));
    outChannels.AddChannel(new CUVWChannel);
    return channel;
  }
  CFaceList& outChannel(int i) { return *outChannels.GetChannelByIndex(i)->GetFaceList(); }
};

inline std::vector<std::vector<int>> facesOf(const CFaceList& list) {
  std::vector<std::vector<int>> all;
  for (int i = 0; i < list.GetSize(); ++i) {
    const CFace* f = list[i];
    all.emplace_back(f->GetIndices(), f->GetIndices() + f->GetSize());
  }
  return all;
}

inline std::vector<Triangle> trianglesOf(const CFaceList& list) {
  std::vector<Triangle> all;
  for (int i = 0; i < list.GetSize(); ++i) {
    const CFace* f = list[i];
    if (f->GetSize() == 3) all.push_back({(*f)[0], (*f)[1], (*f)[2]});
  }
  return all;
}

inline double signedArea(const std::vector<Point2>& polygon) {
  double twice = 0.0;
  for (std::size_t j = 0, i = polygon.size() - 1; j < polygon.size(); i = j++) {
    twice += polygon[i][0] * polygon[j][1] - polygon[j][0] * polygon[i][1];
  }
  return twice / 2.0;
}

inline double triangleArea(const Point2& a, const Point2& b, const Point2& c) {
  return ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])) / 2.0;
}

// Even-odd rule; a point on the outline may fall either way.
inline bool insidePolygon(const std::vector<Point2>& polygon, const Point2& p) {
  bool inside = false;
  for (std::size_t j = 0, i = polygon.size() - 1; j < polygon.size(); i = j++) {
    const Point2& a = polygon[i];
    const Point2& b = polygon[j];
    if ((a[1] > p[1]) != (b[1] > p[1]) &&
        p[0] < (b[0] - a[0]) * (p[1] - a[1]) / (b[1] - a[1]) + a[0]) {
      inside = !inside;
    }
  }
  return inside;
}

inline double orient(const Point2& a, const Point2& b, const Point2& c) {
  return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

// Segments crossing at one point inside both (touching does not count).
inline bool properlyCross(const Point2& a, const Point2& b, const Point2& c, const Point2& d) {
  const double d1 = orient(a, b, c);
  const double d2 = orient(a, b, d);
  const double d3 = orient(c, d, a);
  const double d4 = orient(c, d, b);
  return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

inline Point2 centroid(const Point2& a, const Point2& b, const Point2& c) {
  return {(a[0] + b[0] + c[0]) / 3.0, (a[1] + b[1] + c[1]) / 3.0};
}

}  // namespace vex3d::test
