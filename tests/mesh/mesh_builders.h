#pragma once
// Small meshes the mesh tests build again and again.
#include <initializer_list>
#include <vector>

#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

namespace vex3d::test {

// Appends a unit cube at (offset, 0, 0) with outward quads (inward when
// asked). Returns the index of its first face.
inline int addCube(C3DPointList& points, C3DFaceList& faces, float offset = 0.0f,
                   bool inward = false) {
  const int base = points.GetSize();
  for (int i = 0; i < 8; ++i) {
    const bool x = i == 1 || i == 2 || i == 5 || i == 6;
    const bool y = i == 2 || i == 3 || i == 6 || i == 7;
    points.Add(C3DPoint(offset + (x ? 1.0f : 0.0f), y ? 1.0f : 0.0f, i >= 4 ? 1.0f : 0.0f));
  }
  const int quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                           {2, 3, 7, 6}, {0, 4, 7, 3}, {1, 2, 6, 5}};
  const int first = faces.GetSize();
  faces.SetSize(first + 6, 4);
  for (int f = 0; f < 6; ++f) {
    const int* q = quads[f];
    C3DFace* face = faces.ElementAt(first + f);
    if (inward) {
      face->SetQuadrangle(base + q[3], base + q[2], base + q[1], base + q[0]);
    } else {
      face->SetQuadrangle(base + q[0], base + q[1], base + q[2], base + q[3]);
    }
  }
  return first;
}

// Faces given as index lists.
inline void addFaces(C3DFaceList& faces, std::initializer_list<std::vector<int>> corners) {
  int i = faces.GetSize();
  faces.SetSize(i + static_cast<int>(corners.size()), 4);
  for (const std::vector<int>& c : corners) {
    C3DFace* f = faces.ElementAt(i++);
    f->SetSize(static_cast<std::uint32_t>(c.size()));
    for (std::uint32_t k = 0; k < c.size(); ++k) (*f)[k] = c[k];
  }
}

}  // namespace vex3d::test
