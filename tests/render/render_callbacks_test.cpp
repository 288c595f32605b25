#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "mesh/model/texture_channels.h"
#include "render_fixtures.h"

namespace {

using vex3d::test::addCubeNode;
using vex3d::test::pixelAt;
using vex3d::test::Rgba;
using vex3d::test::ScopedConfigDir;

struct Log {
  std::vector<int> states;
  std::vector<std::uint32_t> nodes;
  int vetoNode = -1;
  std::uint32_t faceAnswer = FACE_RESULT_DRAW;
  int flushed = 0;
};

int onDisplay(C3DSceneNode* node, int state, void* user) {
  auto* log = static_cast<Log*>(user);
  log->states.push_back(state);
  if (node != nullptr && state == DISPLAY_NODE) log->nodes.push_back(node->GetID());
  return 1;
}

int onBeginNode(_RenderElement& element, int& listType, void* user) {
  auto* log = static_cast<Log*>(user);
  EXPECT_EQ(listType, CALLLIST_FILLED);
  return static_cast<int>(element.node->GetID()) == log->vetoNode ? 0 : 1;
}

std::uint32_t onFace(_RenderElement& element, void* user) {
  EXPECT_GE(element.faceIndex, 0);
  return static_cast<Log*>(user)->faceAnswer;
}

void onFlush(C3DSceneNode*, void* user) { ++static_cast<Log*>(user)->flushed; }

// A view with the callbacks in place before anything is compiled.
struct CallbackView {
  explicit CallbackView(Log& log) : view(DRAWING_MEMORY) {
    view.SetDisplayCallback(onDisplay);
    view.SetBeginNodeCallback(onBeginNode);
    view.SetFaceCallback(onFace);
    view.SetFlushCallback(onFlush);
    view.SetCallbackData(&log);
    EXPECT_EQ(view.CreateMemoryRendering(16, 16, 32), 1);
    node = addCubeNode(scene, false);
    view.SetScene(&scene);
    _GlViewSettings s = vex3d::test::modeSettings(VIEW_FLAT);
    view.SetViewSettings(&s);
  }
  ~CallbackView() { view.DetachScene(); }
  std::unique_ptr<Bitmap> snap() {
    view.UpdateView(UPDATE_VIEW_REBUILD);
    return std::unique_ptr<Bitmap>(view.CreateBitmapFromScene());
  }
  C3DScene scene;
  C3DSceneNode* node = nullptr;
  C3DView view;
};

TEST(RenderCallbacksTest, DisplayStatesComeInFrameOrder) {
  ScopedConfigDir config("render");
  Log log;
  CallbackView v(log);
  auto image = v.snap();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(log.states, (std::vector<int>{DISPLAY_BEGIN, DISPLAY_NODE, DISPLAY_AFTER_NODES,
                                          DISPLAY_NODES_DONE, DISPLAY_NODE_AFTER, DISPLAY_END}));
  EXPECT_EQ(log.nodes, (std::vector<std::uint32_t>{v.node->GetID()}));
  EXPECT_EQ(log.flushed, 1);
  EXPECT_EQ(pixelAt(*image, 8, 8).a, 0);
}

TEST(RenderCallbacksTest, BeginNodeVetoLeavesTheNodeOut) {
  ScopedConfigDir config("render");
  Log log;
  CallbackView v(log);
  log.vetoNode = static_cast<int>(v.node->GetID());
  auto image = v.snap();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(vex3d::test::countAlpha(*image, 255), 16 * 16);
  v.view.Activate();
  EXPECT_FALSE(v.view.HasCallList(v.node->GetID(), CALLLIST_FILLED));
  v.view.Deactivate();
}

TEST(RenderCallbacksTest, FaceAnswersSkipOrSelect) {
  ScopedConfigDir config("render");
  Log log;
  CallbackView v(log);
  log.faceAnswer = FACE_RESULT_SKIP;
  EXPECT_EQ(vex3d::test::countAlpha(*v.snap(), 255), 16 * 16);
  // The selection material is red until the settings say otherwise.
  log.faceAnswer = FACE_RESULT_DRAW | FACE_RESULT_SELECTION;
  const Rgba selected = pixelAt(*v.snap(), 8, 8);
  EXPECT_EQ(selected.a, 0);
  EXPECT_GT(selected.r, 60);
  EXPECT_EQ(selected.g, 0);
  EXPECT_EQ(selected.b, 0);
}

int selectEveryCorner(_RenderElement& element, void*) {
  EXPECT_GE(element.cornerIndex, 0);
  return 2;
}

TEST(RenderCallbacksTest, PointMaterialAnswerPaintsCornersInTheSelection) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* node = addCubeNode(scene, false);
  auto* channel = new CVCChannel(CChannel::CreateID());
  channel->GetVCPointList()->Add(CVCPoint(CRGBColor(0, 0, 255, 255)));
  channel->GetVCFaceList()->SetSize(6, 4);
  for (int f = 0; f < 6; ++f) channel->GetVCFaceList()->ElementAt(f)->SetQuadrangle(0, 0, 0, 0);
  const std::uint32_t id = channel->GetChannelID();
  node->GetObject()->AddChannel(channel);
  node->GetObject()->SetGlobalVCChannel(id, 1.0f);
  C3DView view(DRAWING_MEMORY);
  view.SetPointMaterialCallback(selectEveryCorner);
  ASSERT_EQ(view.CreateMemoryRendering(16, 16, 32), 1);
  view.SetScene(&scene);
  _GlViewSettings s = vex3d::test::modeSettings(VIEW_SMOOTH | VIEW_VERTEX_COLORS);
  view.SetViewSettings(&s);
  view.UpdateView(0);
  std::unique_ptr<Bitmap> image(view.CreateBitmapFromScene());
  ASSERT_NE(image, nullptr);
  const Rgba p = pixelAt(*image, 8, 8);
  EXPECT_GT(p.r, 60);
  EXPECT_EQ(p.b, 0);
  view.DetachScene();
}

TEST(RenderCallbacksTest, TwoDimensionalModeNestsAndRestores) {
  ScopedConfigDir config("render");
  C3DView view(DRAWING_MEMORY);
  ASSERT_EQ(view.CreateMemoryRendering(20, 10, 32), 1);
  view.Activate();
  glEnable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  float m[16];
  view.SwitchTo2DMode(true, false);
  view.SwitchTo2DMode(true, false);
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  EXPECT_FLOAT_EQ(m[0], 2.0f / 20.0f);
  EXPECT_FLOAT_EQ(m[5], 2.0f / 10.0f);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  view.SwitchTo2DMode(false, false);
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  EXPECT_FLOAT_EQ(m[0], 2.0f / 20.0f);
  view.SwitchTo2DMode(false, false);
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  EXPECT_FLOAT_EQ(m[0], 1.0f);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  view.SwitchTo2DMode(false, false);  // unbalanced: ignored
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  view.Deactivate();
}

}  // namespace
