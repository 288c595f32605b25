// A view hosted like a window: the host pushes its own context and paints;
// labels and boxes, which memory rendering leaves out, show up here.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/egl_context.h"
#include "render_fixtures.h"

namespace {

using vex3d::test::ScopedConfigDir;

constexpr int kSize = 32;

struct WindowView {
  WindowView() {
    window = vex3d::EglOffscreenContext::create(kSize, kSize);
    EXPECT_NE(window, nullptr);
    EXPECT_EQ(view.CreateMainGLContext(window.get()), 1);
    view.SizeChanged(kSize, kSize);
    vex3d::test::addCubeNode(scene, false);
    view.SetScene(&scene);
    view.SetTextDrawer([this](const std::string& text) { labels.push_back(text); });
  }
  ~WindowView() {
    view.DetachScene();
    view.DeleteMainGLContext();
  }
  void setMode(std::uint32_t mode) {
    _GlViewSettings s = vex3d::test::modeSettings(mode);
    s.mask |= GLVS_UPDATE;
    view.SetViewSettings(&s);
  }
  int countGreen() {
    std::vector<unsigned char> px(kSize * kSize * 3);
    view.Activate();
    glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    view.Deactivate();
    int n = 0;
    for (std::size_t i = 0; i < px.size(); i += 3) {
      n += (px[i] == 0 && px[i + 1] == 255 && px[i + 2] == 0) ? 1 : 0;
    }
    return n;
  }
  std::unique_ptr<vex3d::EglOffscreenContext> window;
  C3DScene scene;
  C3DView view;
  std::vector<std::string> labels;
};

TEST(WindowViewTest, PointNumbersAreDrawnOnlyInTheFinalRepaint) {
  ScopedConfigDir config("render");
  WindowView w;
  w.setMode(VIEW_FLAT | VIEW_POINT_NUMBERS);
  w.view.OnPaint();
  EXPECT_TRUE(w.labels.empty());
  w.view.SetDrawingFlag(DRAWING_FINAL_REPAINT, true);
  w.view.OnPaint();
  EXPECT_EQ(w.labels, (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_FALSE(w.view.IsDrawingFlagSet(DRAWING_FINAL_REPAINT));
  // Face numbers follow the points.
  w.labels.clear();
  w.setMode(VIEW_FLAT | VIEW_POINT_NUMBERS | VIEW_FACE_NUMBERS);
  w.view.SetDrawingFlag(DRAWING_FINAL_REPAINT, true);
  w.view.OnPaint();
  ASSERT_EQ(w.labels.size(), 14u);
  EXPECT_EQ(w.labels[8], "0");
  EXPECT_EQ(w.labels[13], "5");
}

TEST(WindowViewTest, BoundingBoxesAreDrawnInGreen) {
  ScopedConfigDir config("render");
  WindowView w;
  w.setMode(VIEW_FLAT);
  w.view.OnPaint();
  EXPECT_EQ(w.countGreen(), 0);
  w.setMode(VIEW_FLAT | VIEW_BOXES);
  w.view.OnPaint();
  EXPECT_GT(w.countGreen(), 20);
}

TEST(WindowViewTest, DeletingTheWindowContextDropsItsLists) {
  ScopedConfigDir config("render");
  WindowView w;
  w.view.UpdateView(0);
  EXPECT_GT(w.view.GetListCount(), 0);
  w.view.DeleteMainGLContext();
  EXPECT_EQ(w.view.GetListCount(), 0);
  EXPECT_EQ(w.view.GetGLContext(), nullptr);
}

}  // namespace
