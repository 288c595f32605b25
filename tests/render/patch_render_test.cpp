#include <gtest/gtest.h>

#include "mesh/algorithms/patch.h"
#include "render/render_to_bitmap.h"
#include "render/view_flags.h"
#include "render_fixtures.h"

namespace {

TEST(PatchRenderTest, AnUnsetPatchIsDrawnAtTheGlobalLevel) {
  vex3d::test::ScopedConfigDir config("render");
  C3DScene scene;
  scene.SetGlobalPatchLevel(2);
  auto* patch = new C3DPatch;
  patch->SetPointList(new C3DPointList);
  patch->SetFaceList(new C3DFaceList);
  vex3d::test::addCube(*patch->GetPointList(), *patch->GetFaceList());
  auto* node = new C3DSceneNode;
  node->SetObject(patch);
  scene.AddNode(nullptr, node);

  const _GlViewSettings settings = vex3d::test::modeSettings(VIEW_SMOOTH);
  std::string error;
  ASSERT_TRUE(vex3d::renderSceneToBitmap(scene, 32, 32, &settings, &error)) << error;
  EXPECT_EQ(patch->GetLevel(), 2);
  EXPECT_EQ(patch->GetFaceNbr(), 6 * 16);

  // One set up already keeps its own level.
  patch->SetLevel(1);
  ASSERT_TRUE(vex3d::renderSceneToBitmap(scene, 32, 32, &settings, &error)) << error;
  EXPECT_EQ(patch->GetLevel(), 1);
}

}  // namespace
