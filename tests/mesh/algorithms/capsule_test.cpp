// Capsules: their counts, where their poles and rings lie, and faces that
// all turn the same way.
#include "mesh/algorithms/capsule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "scene/scene.h"
#include "scene/scene_node.h"

namespace {

C3DObject* objectOf(C3DSceneNode* node) { return static_cast<C3DObject*>(node->GetObject()); }

TEST(Capsule, CountsOfTheSmallestCapsule) {
  C3DScene scene;
  C3DSceneNode* node = CreateCapsule(&scene, C3DPoint(0, 0, 0), 1.0f, 4.0f, 8, 2, 1, AXIS_Z, 0);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->GetName(), "Capsule");
  EXPECT_TRUE(scene.IsSceneRoot(scene.GetParent(node)));
  C3DObject* object = objectOf(node);
  EXPECT_EQ(object->GetPointList()->GetSize(), 34);
  const C3DFaceList& faces = *object->GetFaceList();
  ASSERT_EQ(faces.GetSize(), 40);
  int triangles = 0;
  int quads = 0;
  for (int f = 0; f < faces.GetSize(); ++f) {
    triangles += faces.ElementAt(f)->GetSize() == 3 ? 1 : 0;
    quads += faces.ElementAt(f)->GetSize() == 4 ? 1 : 0;
  }
  EXPECT_EQ(triangles, 16);
  EXPECT_EQ(quads, 24);
  EXPECT_EQ(object->GetChannels() == nullptr ? 0 : object->GetChannels()->GetChannelsNumber(~0u, 0),
            0);
}

TEST(Capsule, PolesAndRingsLieWhereTheShapeSays) {
  for (const float radius : {0.5f, 1.0f, 2.0f}) {
    C3DScene scene;
    const C3DPoint centre(1, 2, 3);
    C3DSceneNode* node = CreateCapsule(&scene, centre, radius, 6.0f, 12, 3, 4, AXIS_Y, 0);
    ASSERT_NE(node, nullptr);
    const C3DPointList& points = *objectOf(node)->GetPointList();
    ASSERT_EQ(points.GetSize(), (2 * 3 + 4 - 1) * 12 + 2);
    // Index 0 is the top pole, the bottom pole follows the top cap's rings.
    EXPECT_NEAR(points.ElementAt(0).y, 2.0f + 3.0f, 1e-5f);
    EXPECT_NEAR(points.ElementAt(0).x, 1.0f, 1e-6f);
    EXPECT_NEAR(points.ElementAt(1 + 3 * 12).y, 2.0f - 3.0f, 1e-5f);
    EXPECT_NEAR(points.ElementAt(1 + 3 * 12).z, 3.0f, 1e-6f);
    const double e = 3.0 - radius;
    for (int i = 0; i < points.GetSize(); ++i) {
      const C3DPoint& p = points.ElementAt(i);
      const double along = p.y - centre.y;
      const double off = std::hypot(p.z - centre.z, p.x - centre.x);
      if (std::abs(along) <= e + 1e-5) {
        EXPECT_NEAR(off, radius, 1e-4) << "body point " << i;
      } else {
        // Cap points lie on the sphere around their cap's centre.
        const double cap = along > 0 ? e : -e;
        EXPECT_NEAR(std::hypot(off, along - cap), radius, 1e-4) << "cap point " << i;
      }
    }
  }
}

TEST(Capsule, EveryEdgeIsSharedByTwoFacesTurningTheSameWay) {
  C3DScene scene;
  C3DSceneNode* node = CreateCapsule(&scene, C3DPoint(0, 0, 0), 1.0f, 5.0f, 10, 3, 3, AXIS_X, 0);
  ASSERT_NE(node, nullptr);
  const C3DFaceList& faces = *objectOf(node)->GetFaceList();
  std::map<std::pair<int, int>, int> directed;
  for (int f = 0; f < faces.GetSize(); ++f) {
    const auto* face = faces.ElementAt(f);
    const int n = static_cast<int>(face->GetSize());
    for (int k = 0; k < n; ++k) {
      ++directed[{face->GetPointIndex(k), face->GetPointIndex((k + 1) % n)}];
    }
  }
  for (const auto& [edge, count] : directed) {
    EXPECT_EQ(count, 1) << edge.first << "->" << edge.second;
    EXPECT_EQ(directed.count({edge.second, edge.first}), 1u)
        << "no face runs " << edge.second << "->" << edge.first;
  }
  // A closed surface: V - E + F = 2.
  const int points = objectOf(node)->GetPointList()->GetSize();
  EXPECT_EQ(points - static_cast<int>(directed.size()) / 2 + faces.GetSize(), 2);
}

TEST(Capsule, WrongArgumentsMakeNothing) {
  C3DScene scene;
  EXPECT_EQ(CreateCapsule(nullptr, C3DPoint(0, 0, 0), 1.0f, 4.0f, 8, 2, 1, AXIS_Z, 0), nullptr);
  EXPECT_EQ(CreateCapsule(&scene, C3DPoint(0, 0, 0), 1.0f, 0.0f, 8, 2, 1, AXIS_Z, 0), nullptr);
  EXPECT_EQ(CreateCapsule(&scene, C3DPoint(0, 0, 0), 1.0f, 4.0f, 2, 2, 1, AXIS_Z, 0), nullptr);
  EXPECT_EQ(CreateCapsule(&scene, C3DPoint(0, 0, 0), 1.0f, 4.0f, 8, 0, 1, AXIS_Z, 0), nullptr);
  EXPECT_EQ(CreateCapsule(&scene, C3DPoint(0, 0, 0), 1.0f, 4.0f, 8, 2, 0, AXIS_Z, 0), nullptr);
  EXPECT_EQ(scene.GetNodeNbr(0), 0);
}

TEST(Capsule, TheFlagAddsTextureCoordinatesWrappedAroundTheAxis) {
  C3DScene scene;
  C3DSceneNode* node = CreateCapsule(&scene, C3DPoint(0, 0, 0), 1.0f, 4.0f, 8, 2, 2, AXIS_Z, 1);
  ASSERT_NE(node, nullptr);
  CUVWFaceList* uvFaces = nullptr;
  CUVWPointList* uvPoints = nullptr;
  ASSERT_NE(objectOf(node)->GetChannels(), nullptr);
  ASSERT_NE(objectOf(node)->GetChannels()->GetUVWChannelByIndex(0, 0, &uvFaces, &uvPoints),
            nullptr);
  const C3DFaceList& faces = *objectOf(node)->GetFaceList();
  ASSERT_EQ(uvFaces->GetSize(), faces.GetSize());
  for (int f = 0; f < faces.GetSize(); ++f) {
    ASSERT_EQ(uvFaces->ElementAt(f)->GetSize(), faces.ElementAt(f)->GetSize());
  }
  // The top pole at the top of the image, the bottom pole at its foot.
  EXPECT_FLOAT_EQ(uvPoints->ElementAt(0).v, 1.0f);
  EXPECT_FLOAT_EQ(uvPoints->ElementAt(1 + 2 * 8).v, 0.0f);
  for (int i = 0; i < uvPoints->GetSize(); ++i) {
    EXPECT_GE(uvPoints->ElementAt(i).u, 0.0f);
    EXPECT_LT(uvPoints->ElementAt(i).u, 1.0f);
  }
}

}  // namespace
