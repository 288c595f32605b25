#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "hostlib/files/profile.h"
#include "render/egl_context.h"
#include "render/navigation.h"
#include "render_fixtures.h"

namespace {

using vex3d::test::ScopedConfigDir;

bool sameMatrix(const C4x4Matrix& a, const C4x4Matrix& b) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (std::fabs(a.m[r][c] - b.m[r][c]) > 1e-5f) return false;
    }
  }
  return true;
}

TEST(ViewSettingsTest, ConstructionStartsFromTheFrontViewAndTheDefaults) {
  ScopedConfigDir config("render");
  C3DView view;
  const _GlViewSettings& s = view.GetViewSettings();
  EXPECT_EQ(s.viewPos, 5u);
  EXPECT_TRUE(sameMatrix(s.rotation, vex3d::standardViewRotation(RVIEW_FRONT)));
  EXPECT_FLOAT_EQ(s.brightness, 1.0f);
  EXPECT_EQ(s.viewMode, vex3d::kDefaultViewMode);
  EXPECT_EQ(s.lightColor.GetRGB(), 0xC0C0C0u);
  EXPECT_EQ(s.wireframeColor.GetRGB(), 255u);
  EXPECT_EQ(view.GetWireframeMaterial()->GetDiffuseColor().GetRGB(), 255u);
}

TEST(ViewSettingsTest, CopiedRotationWinsOverAStandardView) {
  ScopedConfigDir config("render");
  C3DView view;
  _GlViewSettings s;
  s.mask = GLVS_VIEW_POS | GLVS_ROTATION;
  s.viewPos = RVIEW_TOP;
  s.rotation.Init();
  s.rotation.Rotate(0.3f, 0.0f, 1.0f, 0.0f);
  view.SetViewSettings(&s);
  EXPECT_EQ(view.GetViewSettings().viewPos, kCustomViewPos);
  EXPECT_TRUE(sameMatrix(view.GetViewSettings().rotation, s.rotation));

  // A custom position alone changes nothing.
  _GlViewSettings custom;
  custom.mask = GLVS_VIEW_POS;
  custom.viewPos = kCustomViewPos;
  view.SetViewSettings(&custom);
  EXPECT_TRUE(sameMatrix(view.GetViewSettings().rotation, s.rotation));

  _GlViewSettings top;
  top.mask = GLVS_VIEW_POS;
  top.viewPos = RVIEW_TOP;
  view.SetViewSettings(&top);
  EXPECT_EQ(view.GetViewSettings().viewPos, static_cast<std::uint32_t>(RVIEW_TOP));
  EXPECT_TRUE(view.GetViewSettings().rotation.IsIdentity());
}

TEST(ViewSettingsTest, OnlyMaskedFieldsAreCopied) {
  ScopedConfigDir config("render");
  C3DView view;
  const _GlViewSettings before = view.GetViewSettings();
  _GlViewSettings s;
  s.mask = GLVS_PAN_DISTANCE | GLVS_SELECTION_COLOR;
  s.panX = 1.5f;
  s.panY = -2.0f;
  s.distance = 9.0f;
  s.viewMode = 1;
  s.selectionColor = CRGBColor(0, 0, 200);
  s.backgroundColor = CRGBColor(9, 9, 9);
  view.SetViewSettings(&s);
  const _GlViewSettings& after = view.GetViewSettings();
  EXPECT_FLOAT_EQ(after.panX, 1.5f);
  EXPECT_FLOAT_EQ(after.panY, -2.0f);
  EXPECT_FLOAT_EQ(after.distance, 9.0f);
  EXPECT_EQ(after.viewMode, before.viewMode);
  EXPECT_EQ(after.backgroundColor, before.backgroundColor);
  EXPECT_EQ(after.selectionColor.GetRGB(), 0xC80000u);
  EXPECT_EQ(view.GetSelectionMaterial()->GetAmbientColor().GetBlue(), 200);
  EXPECT_EQ(view.GetSelectionMaterial()->GetDiffuseColor().GetBlue(), 200);
}

TEST(ViewSettingsTest, ARenderModeChangeMakesTheViewDirty) {
  ScopedConfigDir config("render");
  C3DView view;
  EXPECT_FALSE(view.IsDirty());
  _GlViewSettings s = view.GetViewSettings();
  s.mask = GLVS_VIEW_MODE;
  s.viewMode ^= VIEW_TEXTURES;  // a display option only
  view.SetViewSettings(&s);
  EXPECT_FALSE(view.IsDirty());
  s.viewMode = (s.viewMode & ~7u) | VIEW_FLAT;
  view.SetViewSettings(&s);
  EXPECT_TRUE(view.IsDirty());
}

TEST(ViewSettingsTest, DefaultsWithoutVersionTwoResetTheViewModeAndWriteItBack) {
  ScopedConfigDir config("render");
  WriteProfileInt("Render", "viewmode", 0x2);
  WriteProfileInt("Render", "viewpos", 7);
  WriteProfileInt("Render", "backgroundcolor", 0x00FF8040);
  C3DView view;
  EXPECT_EQ(view.GetViewSettings().viewMode, vex3d::kDefaultViewMode);
  EXPECT_EQ(GetProfileInt("Render", "viewmode", 0), static_cast<int>(vex3d::kDefaultViewMode));
  EXPECT_EQ(GetProfileInt("Render", "version", 0), 2);
  // A stored custom position loads as the front view.
  EXPECT_EQ(view.GetViewSettings().viewPos, 5u);
  const CRGBColor& bg = view.GetViewSettings().backgroundColor;
  EXPECT_EQ(bg.GetRed(), 0x40);
  EXPECT_EQ(bg.GetGreen(), 0x80);
  EXPECT_EQ(bg.GetBlue(), 0xFF);
}

TEST(ViewSettingsTest, DefaultsWithVersionTwoAreTakenAsStored) {
  ScopedConfigDir config("render");
  WriteProfileInt("Render", "version", 2);
  WriteProfileInt("Render", "viewmode", 0x3);
  WriteProfileInt("Render", "viewpos", 3);
  C3DView view;
  EXPECT_EQ(view.GetViewSettings().viewMode, 0x3u);
  EXPECT_EQ(view.GetViewSettings().viewPos, 3u);
  EXPECT_TRUE(view.GetViewSettings().rotation.IsIdentity());
}

TEST(ViewSettingsTest, MemoryViewsNeverWriteTheProfile) {
  ScopedConfigDir config("render");
  {
    C3DView view(DRAWING_MEMORY);
    view.SaveDefaultSettings();
    view.OnDestroy();
  }
  EXPECT_EQ(GetProfileInt("Render", "version", -1), -1);
  EXPECT_EQ(GetProfileInt("Render", "viewmode", -1), -1);
  {
    C3DView view;
    view.SetView(RVIEW_BACK, 0);
    view.OnDestroy();
  }
  EXPECT_EQ(GetProfileInt("Render", "viewpos", -1), 6);
  EXPECT_EQ(GetProfileInt("Render", "version", -1), 2);
}

TEST(ViewSettingsTest, BrightnessStepsAndLimits) {
  ScopedConfigDir config("render");
  C3DView view;
  view.Brightness(1);
  EXPECT_FLOAT_EQ(view.GetViewSettings().brightness, 1.3f);
  view.Brightness(5);
  EXPECT_FLOAT_EQ(view.GetViewSettings().brightness, 1.3f * 1.3f);
  view.Brightness(-1);
  EXPECT_NEAR(view.GetViewSettings().brightness, 1.3f, 1e-6f);
  view.Brightness(0);
  EXPECT_FLOAT_EQ(view.GetViewSettings().brightness, 1.0f);
  for (int i = 0; i < 100; ++i) view.Brightness(1);
  EXPECT_FLOAT_EQ(view.GetViewSettings().brightness, 10000.0f);
  for (int i = 0; i < 200; ++i) view.Brightness(-1);
  EXPECT_FLOAT_EQ(view.GetViewSettings().brightness, 0.0001f);
}

TEST(ViewSettingsTest, DrawingFlags) {
  ScopedConfigDir config("render");
  WriteProfileInt("Render", "glsettings", 0x7000001);
  C3DView view;
  view.SetDrawingFlag(0x30, true);
  EXPECT_TRUE(view.IsDrawingFlagSet(0x30));
  EXPECT_TRUE(view.IsOneDrawingFlagSet(0x11));
  EXPECT_FALSE(view.IsDrawingFlagSet(0x11));
  view.SetDrawingFlag(0x10, false);
  EXPECT_FALSE(view.IsOneDrawingFlagSet(0x10));
  // A window context takes the low 24 bits of "glsettings".
  auto window = vex3d::EglOffscreenContext::create(4, 4);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(view.CreateMainGLContext(window.get()), 1);
  EXPECT_TRUE(view.IsDrawingFlagSet(DRAWING_ALTERNATIVE_FORMAT));
  EXPECT_FALSE(view.IsOneDrawingFlagSet(0x7000000));
  view.DeleteMainGLContext();
  EXPECT_EQ(view.GetGLContext(), nullptr);
}

// A view on a memory context with a scene, a fake clock and an
// invalidation log.
struct TimedView {
  explicit TimedView(ScopedConfigDir&) : view(DRAWING_MEMORY) {
    view.SetClockHook([this] { return clock; });
    view.SetInvalidateHook([this](bool erase) { invalidations.push_back(erase); });
    EXPECT_EQ(view.CreateMemoryRendering(16, 16, 32), 1);
    vex3d::test::addCubeNode(scene, false);
    view.SetScene(&scene);
    invalidations.clear();
  }
  ~TimedView() { view.DetachScene(); }
  C3DScene scene;
  C3DView view;
  std::uint64_t clock = 1000;
  std::vector<bool> invalidations;
};

TEST(ViewUpdateTest, ALockedWindowIgnoresUpdatesUntilTheLastUnlock) {
  ScopedConfigDir config("render");
  TimedView t(config);
  t.view.LockWindow();
  t.view.LockWindow();
  t.view.UpdateView(0);
  EXPECT_TRUE(t.invalidations.empty());
  t.view.UnlockWindow();
  EXPECT_TRUE(t.invalidations.empty());
  t.view.UnlockWindow();
  ASSERT_EQ(t.invalidations.size(), 1u);
  EXPECT_TRUE(t.invalidations[0]);
}

TEST(ViewUpdateTest, FirstUpdateRebuildsTheDirtyView) {
  ScopedConfigDir config("render");
  TimedView t(config);
  const std::uint32_t id = t.scene.GetFirstNode()->GetID();
  EXPECT_TRUE(t.view.IsDirty());
  t.view.Activate();
  EXPECT_FALSE(t.view.HasCallList(id, CALLLIST_FILLED));
  t.view.UpdateView(0);
  EXPECT_FALSE(t.view.IsDirty());
  EXPECT_TRUE(t.view.HasCallList(id, CALLLIST_FILLED));
  EXPECT_FALSE(t.view.HasCallList(id, CALLLIST_WIREFRAME));
  // Wires over the fill: both lists.
  _GlViewSettings s = vex3d::test::modeSettings(VIEW_SMOOTH | VIEW_WIREFRAME);
  s.mask |= GLVS_UPDATE;
  t.view.SetViewSettings(&s);
  EXPECT_TRUE(t.view.HasCallList(id, CALLLIST_FILLED));
  EXPECT_TRUE(t.view.HasCallList(id, CALLLIST_WIREFRAME));
  t.view.Deactivate();
}

TEST(ViewUpdateTest, HeightZeroGivesAspectZero) {
  ScopedConfigDir config("render");
  TimedView t(config);
  EXPECT_FLOAT_EQ(t.view.GetViewSettings().aspect, 1.0f);
  t.view.SizeChanged(30, 10);
  EXPECT_FLOAT_EQ(t.view.GetViewSettings().aspect, 3.0f);
  t.view.SizeChanged(30, 0);
  EXPECT_FLOAT_EQ(t.view.GetViewSettings().aspect, 0.0f);
}

TEST(ViewUpdateTest, TheTimerAsksForOneFinalRepaintAfterMotionStops) {
  ScopedConfigDir config("render");
  TimedView t(config);
  t.view.OnPaint();
  EXPECT_EQ(t.view.GetLastPaintTick(), 1000u);
  t.clock = 1300;
  t.view.OnTimer();  // not more than 300 ms yet
  EXPECT_TRUE(t.invalidations.empty());
  t.clock = 1301;
  t.view.OnTimer();
  ASSERT_EQ(t.invalidations.size(), 1u);
  EXPECT_FALSE(t.invalidations[0]);
  EXPECT_TRUE(t.view.IsDrawingFlagSet(DRAWING_FINAL_REPAINT));
  EXPECT_EQ(t.view.GetLastPaintTick(), ~0ull);
  // The final paint clears the flag and does not restart the delay.
  t.view.OnPaint();
  EXPECT_FALSE(t.view.IsDrawingFlagSet(DRAWING_FINAL_REPAINT));
  EXPECT_EQ(t.view.GetLastPaintTick(), ~0ull);
  t.clock = 5000;
  t.view.OnTimer();
  EXPECT_EQ(t.invalidations.size(), 1u);
}

void countFlush(C3DSceneNode*, void* user) { ++*static_cast<int*>(user); }

TEST(ViewUpdateTest, FastDisplayCompilesCoarselyThenRebuildsAfterTheDelay) {
  ScopedConfigDir config("render");
  TimedView t(config);
  // Fast display is a window's business: memory rendering never uses it.
  t.view.SetDrawingFlag(DRAWING_MEMORY, false);
  // A new object counts as changed; start from a settled one.
  C3DBaseObject* object = t.scene.GetFirstNode()->GetObject();
  object->Invalidate(OBJECT_CHANGED_CHANNELS, 0);
  int flushed = 0;
  t.view.SetFlushCallback(countFlush);
  t.view.SetCallbackData(&flushed);
  _GlViewSettings s = vex3d::test::modeSettings(VIEW_FLAT | VIEW_FAST_DISPLAY);
  s.mask |= GLVS_UPDATE;
  t.view.SetViewSettings(&s);  // first build: the view was dirty
  EXPECT_EQ(flushed, 1);
  EXPECT_EQ(t.view.GetFastDisplayTick(), ~0ull);

  // The object moves: compiled coarsely, the delay starts.
  object->Invalidate(OBJECT_CHANGED_POINTS, 1);
  t.view.UpdateView(UPDATE_VIEW_NODES);
  EXPECT_EQ(flushed, 2);
  EXPECT_EQ(t.view.GetFastDisplayTick(), 1000u);
  EXPECT_TRUE(t.view.GetViewFlag() & VIEW_FAST_DISPLAY_RUNNING);
  // Another change 200 ms later restarts the delay.
  t.clock = 1200;
  t.view.UpdateView(0);
  EXPECT_EQ(t.view.GetFastDisplayTick(), 1200u);
  t.clock = 1700;
  t.view.OnTimer();
  EXPECT_EQ(flushed, 2);
  // 500 ms after the last change: rebuilt at full quality, fast display over.
  t.clock = 1701;
  t.view.OnTimer();
  EXPECT_EQ(flushed, 3);
  EXPECT_EQ(t.view.GetFastDisplayTick(), ~0ull);
  EXPECT_FALSE(t.view.GetViewFlag() & VIEW_FAST_DISPLAY_RUNNING);
  t.view.UpdateView(UPDATE_VIEW_NODES);
  EXPECT_EQ(flushed, 3);
}

}  // namespace

namespace {

TEST(ViewUpdateTest, AViewWithoutContextLeavesTheCurrentOneAlone) {
  ScopedConfigDir config("render");
  auto other = vex3d::EglOffscreenContext::create(4, 4);
  ASSERT_NE(other, nullptr);
  ASSERT_TRUE(other->makeCurrent());
  C3DScene scene;
  vex3d::test::addCubeNode(scene, false);
  C3DView view;
  view.SetScene(&scene);
  view.UpdateView(UPDATE_VIEW_REBUILD);
  view.OnPaint();
  EXPECT_EQ(view.GetListCount(), 0);
  EXPECT_TRUE(view.IsDirty());
  EXPECT_EQ(vex3d::GlContext::current(), other.get());
  other->doneCurrent();
  view.DetachScene();
}

}  // namespace
