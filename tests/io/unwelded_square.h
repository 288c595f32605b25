#pragma once
// A square of two triangles whose shared corners are stored twice: six
// points where welding leaves four.
#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

namespace vex3d::test {

inline C3DObject* unweldedSquare() {
  auto* object = new C3DObject;
  object->Init(6, 2, 3, 0, 0);
  const float xy[6][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 6; ++i) (*object->GetPointList())[i].Init(xy[i][0], xy[i][1], 0.0f);
  object->GetFaceList()->ElementAt(0)->SetTriangle(0, 1, 2);
  object->GetFaceList()->ElementAt(1)->SetTriangle(3, 4, 5);
  return object;
}

}  // namespace vex3d::test
