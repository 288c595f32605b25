#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "render/egl_context.h"
#include "render/render_to_bitmap.h"
#include "render_fixtures.h"

namespace {

using vex3d::EglOffscreenContext;
using vex3d::GlContext;

std::unique_ptr<EglOffscreenContext> makeContext() {
  std::string error;
  auto context = EglOffscreenContext::create(8, 8, &error);
  EXPECT_NE(context, nullptr) << error;
  return context;
}

TEST(ViewActivationTest, NestedActivationOfTwoViewsRestoresTheOuterContext) {
  vex3d::test::ScopedConfigDir config("render");
  C3DView outer(DRAWING_MEMORY);
  C3DView inner(DRAWING_MEMORY);
  ASSERT_EQ(outer.CreateMemoryRendering(4, 4, 32), 1);
  ASSERT_EQ(inner.CreateMemoryRendering(4, 4, 32), 1);
  auto outside = makeContext();
  ASSERT_TRUE(outside->makeCurrent());

  outer.Activate();
  EXPECT_EQ(GlContext::current(), outer.GetGLContext());
  outer.Activate();  // nesting on the same view changes nothing
  EXPECT_EQ(outer.GetActivationCount(), 2);
  inner.Activate();
  EXPECT_EQ(GlContext::current(), inner.GetGLContext());
  inner.Deactivate();
  EXPECT_EQ(GlContext::current(), outer.GetGLContext());
  outer.Deactivate();
  EXPECT_EQ(GlContext::current(), outer.GetGLContext());
  outer.Deactivate();
  // Back to what was current before the first activation.
  EXPECT_EQ(GlContext::current(), outside.get());
  outside->doneCurrent();

  // With nothing current before, nothing is current after.
  outer.Activate();
  outer.Deactivate();
  EXPECT_EQ(GlContext::current(), nullptr);
  EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
}

TEST(ViewActivationTest, UnbalancedDeactivateIsIgnored) {
  vex3d::test::ScopedConfigDir config("render");
  C3DView view(DRAWING_MEMORY);
  view.Deactivate();
  EXPECT_EQ(view.GetActivationCount(), 0);
  EXPECT_EQ(view.GetGLContext(), nullptr);
}

TEST(ViewActivationTest, TwoThreadsRenderAtOnceWithTheirOwnContexts) {
  vex3d::test::ScopedConfigDir config("render");
  // Each thread owns its scene: red cube on black, blue cube on white.
  struct Job {
    CRGBColor cube;
    CRGBColor background;
    std::unique_ptr<Bitmap> image;
  };
  Job jobs[2] = {{CRGBColor(255, 0, 0), CRGBColor(0, 0, 0), nullptr},
                 {CRGBColor(0, 0, 255), CRGBColor(255, 255, 255), nullptr}};
  auto run = [](Job& job) {
    for (int round = 0; round < 5; ++round) {
      C3DScene scene;
      C3DSceneNode* node = vex3d::test::addCubeNode(scene, false);
      C3DMaterial* m = vex3d::test::addMaterial(scene, job.cube);
      C3DFaceList* faces = node->GetObject()->GetFaceList();
      for (int f = 0; f < faces->GetSize(); ++f)
        faces->ElementAt(f)->SetMaterialID(m->GetMaterialID());
      _GlViewSettings s = vex3d::test::modeSettings(VIEW_FLAT, job.background);
      job.image = vex3d::renderSceneToBitmap(scene, 32, 32, &s);
      if (!job.image) return;
    }
  };
  std::thread a(run, std::ref(jobs[0]));
  std::thread b(run, std::ref(jobs[1]));
  a.join();
  b.join();
  for (const Job& job : jobs) {
    ASSERT_NE(job.image, nullptr);
    const vex3d::test::Rgba corner = vex3d::test::pixelAt(*job.image, 0, 0);
    EXPECT_EQ(corner.r, job.background.GetRed());
    EXPECT_EQ(corner.b, job.background.GetBlue());
    const vex3d::test::Rgba centre = vex3d::test::pixelAt(*job.image, 16, 16);
    EXPECT_EQ(centre.a, 0);
    // Lit, but of the cube's hue only.
    if (job.cube.GetRed() != 0) {
      EXPECT_GT(centre.r, 20);
      EXPECT_EQ(centre.b, 0);
    } else {
      EXPECT_GT(centre.b, 20);
      EXPECT_EQ(centre.r, 0);
    }
  }
}

}  // namespace
