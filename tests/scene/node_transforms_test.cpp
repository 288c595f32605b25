#include <gtest/gtest.h>

#include "animation/matrix_key.h"
#include "animation/vector_key.h"
#include "math/matrix4x4.h"
#include "mesh/model/base_object.h"
#include "mesh/model/point_lists.h"
#include "scene/object_kinds.h"
#include "scene/scene.h"

namespace {

C3DSceneNode* pointNode(float x, float y, float z) {
  auto* object = new C3DObject;
  object->Init(1, 0, 3, 0, 0);
  (*object->GetPointList())[0].Init(x, y, z);
  auto* node = new C3DSceneNode;
  node->SetObject(object);
  return node;
}

void expectPoint(const C3DPoint& p, float x, float y, float z) {
  EXPECT_NEAR(p.x, x, 1e-5f);
  EXPECT_NEAR(p.y, y, 1e-5f);
  EXPECT_NEAR(p.z, z, 1e-5f);
}

TEST(NodeTransformsTest, TranslationKeyReplacesTheMatrixKey) {
  C3DSceneNode node;
  C4x4Matrix big(1);
  big.Scale(5, 5, 5);
  node.AddKey(0, C3DMatrixKey(big));
  node.AddKey(0, C3DTranslateKey(C3DVector(1, 2, 3)));
  node.AddKey(0, C3DScaleKey(C3DVector(2, 2, 2)));
  C4x4Matrix m;
  node.GetLocalTM(0, m);
  C4x4Matrix expected(1);
  expected.Translate(1, 2, 3);
  expected.Scale(2, 2, 2);
  EXPECT_TRUE(m == expected);
}

TEST(NodeTransformsTest, WorldTransformWalksTheAncestorsAndMovesToThePivot) {
  C3DScene scene;
  C3DSceneNode* parent = pointNode(0, 0, 0);
  parent->AddKey(0, C3DTranslateKey(C3DVector(10, 0, 0)));
  scene.AddNode(nullptr, parent);
  C3DSceneNode* child = pointNode(1, 0, 0);
  child->AddKey(0, C3DTranslateKey(C3DVector(0, 5, 0)));
  scene.AddNode(parent, child);

  C4x4Matrix world;
  child->GetNodeTM(0, world, 0);
  expectPoint(C3DPoint(0, 0, 0) * world, 10, 5, 0);
  // The root's own keys count only when asked for.
  scene.GetSceneRoot()->AddKey(0, C3DTranslateKey(C3DVector(0, 0, 7)));
  child->GetNodeTM(0, world, 0);
  expectPoint(C3DPoint(0, 0, 0) * world, 10, 5, 0);
  child->GetNodeTM(0, world, 1);
  expectPoint(C3DPoint(0, 0, 0) * world, 10, 5, 7);

  // A pivot moves the translation to where the pivot lands.
  parent->AddKey(0, C3DPivotKey(C3DVector(1, 1, 1)));
  parent->GetNodeTM(0, world, 0);
  expectPoint(C3DPoint(0, 0, 0) * world, 11, 1, 1);

  // Boxes are world boxes, the root included; a child's world transform
  // uses its ancestors' local transforms, not their pivots.
  scene.GetSceneRoot()->DeleteAllKeys();
  C3DPoint min;
  C3DPoint max;
  ASSERT_EQ(parent->GetBoundingBox(0, min, max, 0), 1);
  expectPoint(min, 11, 1, 0);
  expectPoint(max, 11, 5, 1);
  child->SetFlag(NODE_HIDDEN, 1);
  parent->GetBoundingBox(0, min, max, 1);
  expectPoint(min, 11, 1, 1);
  expectPoint(max, 11, 1, 1);
  C3DPoint center;
  ASSERT_EQ(child->GetCG(0, center), 1);
  expectPoint(center, 11, 5, 0);
}

TEST(NodeTransformsTest, SwapMovesGeometryAndKeysAlike) {
  C3DScene scene;
  C3DSceneNode* node = pointNode(1, 2, 3);
  node->AddKey(0, C3DTranslateKey(C3DVector(4, 5, 6)));
  node->AddKey(0, C3DScaleKey(C3DVector(1, 2, 3)));
  node->AddKey(0, C3DRotateKey(0.5f, C3DVector(1, 0, 0)));
  scene.AddNode(nullptr, node);
  C4x4Matrix before;
  node->GetNodeTM(0, before, 0);
  const C3DPoint worldBefore = (*node->GetObject()->GetPointList())[0] * before;

  node->SwapCoordinates(0x01);  // exchange x and y
  C3DPoint p = (*node->GetObject()->GetPointList())[0];
  expectPoint(p, 2, 1, 3);
  C4x4Matrix after;
  node->GetNodeTM(0, after, 0);
  const C3DPoint worldAfter = p * after;
  // The world position is the swapped world position.
  expectPoint(worldAfter, worldBefore.y, worldBefore.x, worldBefore.z);

  C3DSceneNode empty;
  empty.AddKey(0, C3DTranslateKey(C3DVector(4, 5, 6)));
  empty.SwapCoordinates(0x01);
  C4x4Matrix m;
  empty.GetLocalTM(0, m);
  expectPoint(C3DPoint(0, 0, 0) * m, 4, 5, 6);
  node->SwapCoordinates(0);
  expectPoint((*node->GetObject()->GetPointList())[0], 2, 1, 3);
}

TEST(NodeTransformsTest, SwapMovesMatrixKeyTranslationAndPermutesItsScale) {
  C3DScene scene;
  C3DSceneNode* node = pointNode(1, 2, 3);
  C4x4Matrix placed;
  placed.SetHPBAngles(0.3f, -0.2f, 0.7f);
  placed.Scale(C3DVector(2, 3, 4));
  placed.InitTranslation(C3DVector(5, -6, 7));
  node->AddKey(0, C3DMatrixKey(placed));
  scene.AddNode(nullptr, node);

  node->SwapCoordinates(0x02);  // exchange x and z
  C4x4Matrix after;
  node->GetLocalTM(0, after);
  C3DVector translation;
  after.GetTranslation(translation);
  EXPECT_NEAR(translation.x, 7.0f, 1e-5f);
  EXPECT_NEAR(translation.y, -6.0f, 1e-5f);
  EXPECT_NEAR(translation.z, 5.0f, 1e-5f);
  C3DVector scale;
  after.GetScale(scale);
  EXPECT_NEAR(scale.x, 4.0f, 1e-4f);
  EXPECT_NEAR(scale.y, 3.0f, 1e-4f);
  EXPECT_NEAR(scale.z, 2.0f, 1e-4f);
  expectPoint((*node->GetObject()->GetPointList())[0], 3, 2, 1);
}

TEST(NodeTransformsTest, MirrorSwapMovesMatrixKeyTranslations) {
  C3DScene scene;
  C3DSceneNode* node = pointNode(0, 0, 0);
  C4x4Matrix moved;
  moved.InitTranslation(C3DVector(1, 2, 3));
  node->AddKey(0, C3DMatrixKey(moved));
  scene.AddNode(nullptr, node);
  C4x4Matrix full;
  full.InitSwap(0x08);
  const C3DPoint expected = C3DPoint(1, 2, 3) * full;
  node->SwapCoordinates(0x08);
  C4x4Matrix after;
  node->GetLocalTM(0, after);
  expectPoint(C3DPoint(0, 0, 0) * after, expected.x, expected.y, expected.z);
}

}  // namespace
