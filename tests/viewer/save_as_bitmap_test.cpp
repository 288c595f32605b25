#include "viewer/save_as_bitmap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "hostlib/commands/command_mgr.h"
#include "hostlib/core/message_box.h"
#include "hostlib/core/progress.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"
#include "io/scripting.h"
#include "render/render_fixtures.h"
#include "render/view_flags.h"

namespace {

namespace fs = std::filesystem;
using vex3d::test::addCubeNode;
using vex3d::test::faceSeen;
using vex3d::test::pixelAt;
using vex3d::test::ScopedConfigDir;

// A manager holding the command, the way a script finds it.
class SaveAsBitmapTest : public testing::Test {
 protected:
  SaveAsBitmapTest() : m_config("viewer") {
    m_command =
        static_cast<C3DSaveAsBitmap*>(m_manager.AddCommand(std::make_unique<C3DSaveAsBitmap>()));
    addCubeNode(m_scene, true);
    m_messages = vex3d::setMessageBoxHandler([this](const std::string& text, unsigned) {
      m_lastMessage = text;
      return 1;
    });
  }
  ~SaveAsBitmapTest() override { vex3d::setMessageBoxHandler(m_messages); }

  // Small flat renderings from the front, without antialiasing, unless a
  // test says otherwise.
  static CCustomData parameters() {
    CCustomData p;
    p.SetUInt(vex3d::kSaveBitmapWidth, 32);
    p.SetUInt(vex3d::kSaveBitmapHeight, 32);
    p.SetBool(vex3d::kSaveBitmapAntialias, false);
    p.SetUInt(vex3d::kSaveBitmapRenderMode, 1);
    p.SetUInt(vex3d::kSaveBitmapViewPos, 0);
    return p;
  }

  // One scripted call: the image it hands back, or null.
  std::unique_ptr<CLayerBitmap> image(const CCustomData& p) {
    C3DScene* out = Apply3DCommand(&m_manager, vex3d::fourcc("SAVB"), &m_scene, p);
    if (out == nullptr) return nullptr;
    EXPECT_EQ(out, &m_scene);
    return std::unique_ptr<CLayerBitmap>(
        static_cast<CLayerBitmap*>(m_command->GetOutputData().GetPtr(vex3d::kSaveBitmapImage)));
  }

  ScopedConfigDir m_config;
  CCommandMgr m_manager;
  C3DSaveAsBitmap* m_command = nullptr;
  C3DScene m_scene;
  vex3d::MessageBoxHandler m_messages;
  std::string m_lastMessage;
};

TEST_F(SaveAsBitmapTest, AScriptedTurntableRendersOneImagePerIndex) {
  CCustomData p = parameters();
  p.SetBool(vex3d::kSaveBitmapAnimate, true);
  p.SetUInt(vex3d::kSaveBitmapImages, 4);
  p.SetUInt(vex3d::kSaveBitmapAmplitude, 360);
  const char* seen[4] = {};
  for (unsigned i = 0; i < 4; ++i) {
    p.SetUInt(vex3d::kSaveBitmapImageIndex, i);
    auto frame = image(p);
    ASSERT_NE(frame, nullptr) << "image " << i;
    EXPECT_EQ(m_command->GetOutputData().GetUInt(vex3d::kSaveBitmapImageCount), 4u);
    ASSERT_EQ(frame->GetLayerNbr(), 1);
    EXPECT_EQ(frame->GetWidth(), 32);
    seen[i] = faceSeen(*frame->GetLayer(0));
  }
  // The first image is the unturned front; a quarter turn to the right
  // brings the left side round to the camera.
  EXPECT_STREQ(seen[0], "-y");
  EXPECT_STREQ(seen[1], "-x");
  EXPECT_STREQ(seen[2], "+y");
  EXPECT_STREQ(seen[3], "+x");

  p.SetUInt(vex3d::kSaveBitmapMovement, vex3d::turnLeft);
  p.SetUInt(vex3d::kSaveBitmapImageIndex, 1);
  auto left = image(p);
  ASSERT_NE(left, nullptr);
  EXPECT_STREQ(faceSeen(*left->GetLayer(0)), "+x");
  p.SetUInt(vex3d::kSaveBitmapMovement, vex3d::turnUp);
  auto up = image(p);
  ASSERT_NE(up, nullptr);
  EXPECT_STREQ(faceSeen(*up->GetLayer(0)), "-z");
  p.SetUInt(vex3d::kSaveBitmapMovement, vex3d::turnDown);
  auto down = image(p);
  ASSERT_NE(down, nullptr);
  EXPECT_STREQ(faceSeen(*down->GetLayer(0)), "+z");
}

TEST_F(SaveAsBitmapTest, WithoutAnimationThereIsOneImageWhateverTheCount) {
  CCustomData p = parameters();
  p.SetUInt(vex3d::kSaveBitmapImages, 9);
  auto frame = image(p);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(m_command->GetOutputData().GetUInt(vex3d::kSaveBitmapImageCount), 1u);
  // An index past the series renders nothing and says so.
  p.SetUInt(vex3d::kSaveBitmapImageIndex, 1);
  EXPECT_EQ(image(p), nullptr);
  EXPECT_NE(m_lastMessage.find("Save Scene As Image"), std::string::npos) << m_lastMessage;
  // The user's own parameters are untouched by scripted runs.
  EXPECT_FALSE(m_command->GetParameters().HasKey(vex3d::kSaveBitmapImages));
}

TEST_F(SaveAsBitmapTest, AntialiasingRendersDoubleAndHalvesTheEdges) {
  CCustomData p = parameters();
  p.SetUInt(vex3d::kSaveBitmapWidth, 40);
  p.SetUInt(vex3d::kSaveBitmapHeight, 30);
  p.SetUInt(vex3d::kSaveBitmapBackground, 0x000000);
  auto sharp = image(p);
  p.SetBool(vex3d::kSaveBitmapAntialias, true);
  auto smooth = image(p);
  ASSERT_NE(sharp, nullptr);
  ASSERT_NE(smooth, nullptr);
  EXPECT_EQ(smooth->GetWidth(), 40);
  EXPECT_EQ(smooth->GetHeight(), 30);
  // Halving averages the cube's outline into partial alpha; a plain
  // rendering has only drawn (0) and empty (255) pixels.
  auto partial = [](const Bitmap& b) {
    int n = 0;
    for (int y = 0; y < b.GetHeight(); ++y) {
      for (int x = 0; x < b.GetWidth(); ++x) {
        const int a = pixelAt(b, x, y).a;
        n += a != 0 && a != 255 ? 1 : 0;
      }
    }
    return n;
  };
  EXPECT_EQ(partial(*sharp->GetLayer(0)), 0);
  EXPECT_GT(partial(*smooth->GetLayer(0)), 10);
}

TEST_F(SaveAsBitmapTest, TheBackgroundColourIsAColorRef) {
  CCustomData p = parameters();
  p.SetUInt(vex3d::kSaveBitmapBackground, 0x00FF8040);  // red 0x40, blue 0xFF
  auto frame = image(p);
  ASSERT_NE(frame, nullptr);
  const vex3d::test::Rgba corner = pixelAt(*frame->GetLayer(0), 0, 0);
  EXPECT_EQ(corner.a, 255);
  EXPECT_TRUE(vex3d::test::sameColour(corner, {0x40, 0x80, 0xFF, 255})) << corner.r;
}

TEST_F(SaveAsBitmapTest, RenderModeAndViewListsMapInListOrder) {
  EXPECT_EQ(C3DSaveAsBitmap::RenderModeBits(0), VIEW_WIREFRAME);
  EXPECT_EQ(C3DSaveAsBitmap::RenderModeBits(2), VIEW_FLAT | VIEW_WIREFRAME);
  EXPECT_EQ(C3DSaveAsBitmap::RenderModeBits(3), VIEW_SMOOTH);
  EXPECT_EQ(C3DSaveAsBitmap::RenderModeBits(4), VIEW_SMOOTH | VIEW_WIREFRAME);
  EXPECT_EQ(C3DSaveAsBitmap::RenderModeBits(99), VIEW_SMOOTH);
  const std::uint32_t views[] = {RVIEW_FRONT, RVIEW_BACK,   RVIEW_LEFT, RVIEW_RIGHT,
                                 RVIEW_TOP,   RVIEW_BOTTOM, RVIEW_FRONT};
  for (std::uint32_t i = 0; i < 7; ++i) EXPECT_EQ(C3DSaveAsBitmap::ViewPosition(i), views[i]);

  // Outside a viewer: textures on, the chosen mode, no rotation applied.
  m_command->SetParameters(parameters());
  m_command->InitParams();
  _GlViewSettings s;
  m_command->PrepareSettings(s, nullptr);
  EXPECT_EQ(s.mask, GLVS_VIEW_MODE | GLVS_VIEW_POS);
  EXPECT_EQ(s.viewMode, VIEW_TEXTURES | VIEW_SMOOTH_TEXTURES | VIEW_FLAT);
  EXPECT_EQ(s.viewPos, RVIEW_FRONT);
}

TEST_F(SaveAsBitmapTest, InAViewerCurrentKeepsTheCameraAndOthersOnlyPanAndDistance) {
  C3DView frameView(DRAWING_MEMORY);
  _GlViewSettings placed;
  placed.mask = GLVS_ROTATION | GLVS_PAN_DISTANCE | GLVS_VIEW_MODE;
  placed.rotation.InitRotation(0.3f, 1.0f, 0.0f, 0.0f);
  placed.panX = 2.0f;
  placed.distance = 7.0f;
  placed.viewMode = VIEW_SMOOTH | VIEW_VERTEX_COLORS;
  frameView.SetViewSettings(&placed);

  CCustomData p = parameters();
  p.SetUInt(vex3d::kSaveBitmapViewPos, 6);
  m_command->SetParameters(p);
  m_command->InitParams();
  _GlViewSettings s;
  m_command->PrepareSettings(s, &frameView);
  EXPECT_EQ(s.mask, GLVS_ROTATION | GLVS_PAN_DISTANCE | GLVS_VIEW_MODE);
  EXPECT_TRUE(s.rotation == placed.rotation);
  EXPECT_FLOAT_EQ(s.distance, 7.0f);
  // The viewer's display options stay; only the render mode is the chosen one.
  EXPECT_EQ(s.viewMode, VIEW_FLAT | VIEW_VERTEX_COLORS);

  p.SetUInt(vex3d::kSaveBitmapViewPos, 0);
  m_command->SetParameters(p);
  m_command->InitParams();
  m_command->PrepareSettings(s, &frameView);
  EXPECT_EQ(s.mask, GLVS_PAN_DISTANCE | GLVS_VIEW_MODE | GLVS_VIEW_POS);
  EXPECT_EQ(s.viewPos, RVIEW_FRONT);
  EXPECT_FLOAT_EQ(s.panX, 2.0f);
}

TEST_F(SaveAsBitmapTest, MoveTurnsAboutTheScreenAxes) {
  const float angle = 0.5f;
  C4x4Matrix start;
  start.InitRotation(1.0f, 0.0f, 0.0f, 1.0f);
  for (int direction = -1; direction < 5; ++direction) {
    _GlViewSettings s;
    s.rotation = start;
    C3DSaveAsBitmap::Move(s, direction, angle);
    C4x4Matrix expected;
    switch (direction) {
      case vex3d::turnLeft:
        expected.InitRotation(angle, 0.0f, 1.0f, 0.0f);
        break;
      case vex3d::turnUp:
        expected.InitRotation(angle, 1.0f, 0.0f, 0.0f);
        break;
      case vex3d::turnDown:
        expected.InitRotation(-angle, 1.0f, 0.0f, 0.0f);
        break;
      default:
        expected.InitRotation(-angle, 0.0f, 1.0f, 0.0f);
        break;
    }
    // Applied after the current rotation: about the screen's axes.
    EXPECT_TRUE(s.rotation == expected * start) << "direction " << direction;
  }
}

TEST_F(SaveAsBitmapTest, TheParameterSummaryFollowsTheParameters) {
  CCustomData p;
  p.SetUInt(vex3d::kSaveBitmapBackground, 0x000A0B0C);
  p.SetBool(vex3d::kSaveBitmapAnimate, true);
  p.SetUInt(vex3d::kSaveBitmapImages, 24);
  p.SetUInt(vex3d::kSaveBitmapMovement, 2);
  m_command->SetParameters(p);
  std::string text;
  ASSERT_TRUE(m_command->GetHelp(CVexCommand::helpParameters, text));
  EXPECT_EQ(text,
            "Color: 12 11 10\nAntialiasing: yes\nRender mode: Smooth\nPoint of view: Current\n"
            "Image size: 720 568\nAnimated: yes\n24 images\n"
            "Direction: Vertical (towards the top)\nAmplitude: 360\n");
  ASSERT_TRUE(m_command->GetHelp(CVexCommand::helpDescription, text));
  EXPECT_EQ(text, "Saves an image using the scene current point of view");
}

// Outside a script the series is written through the image files, under the
// name the save dialog gives.
TEST_F(SaveAsBitmapTest, AnInteractiveSeriesIsWrittenAsNumberedFiles) {
  const fs::path dir = fs::path(VEX3D_TEST_BINARY_DIR) / "viewer" / "series";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string offered;
  C2DIo::SetFileDialogHook([&](C2DIo& io, std::uint32_t kind) {
    EXPECT_EQ(kind, 0x13000u);
    offered = io.GetFileName();
    io.SetFileName((dir / "shot.png").string());
    return 1;
  });
  m_scene.SetFilename(CFileNameSpec("/somewhere/cube.v3d", 0));
  CCustomData p = parameters();
  p.SetBool(vex3d::kSaveBitmapAnimate, true);
  p.SetUInt(vex3d::kSaveBitmapImages, 3);
  m_command->SetParameters(p);
  CCustomData input;
  input.SetPtr(vex3d::kSceneDataKey, &m_scene);
  vex3d::ProgressRecorder progress;
  {
    vex3d::ProgressHandlerScope scope(progress.handler());
    EXPECT_EQ(m_manager.StackCommand(m_command, CCommandMgr::stackApply, &input), cmdDone);
  }
  EXPECT_EQ(fs::path(offered).filename(), "cube.png");
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(fs::exists(C2DIo::GetSeriesFileName((dir / "shot.png").string(), i))) << i;
  }
  EXPECT_FALSE(fs::exists(C2DIo::GetSeriesFileName((dir / "shot.png").string(), 3)));
  EXPECT_EQ(progress.count(vex3d::kProgressOpen), 1);
  EXPECT_EQ(progress.count(vex3d::kProgressClose), 1);
  EXPECT_EQ(m_command->GetOutputData().GetPtr(vex3d::kSceneDataKey), &m_scene);

  // A refused dialog and a cancelled series write nothing.
  fs::remove_all(dir);
  fs::create_directories(dir);
  C2DIo::SetFileDialogHook([](C2DIo&, std::uint32_t) { return 0; });
  EXPECT_EQ(m_manager.StackCommand(m_command, CCommandMgr::stackApply, &input), cmdCancelled);
  vex3d::ProgressRecorder cancel(1);
  {
    vex3d::ProgressHandlerScope scope(cancel.handler());
    EXPECT_EQ(m_manager.StackCommand(m_command, CCommandMgr::stackApply, &input), cmdCancelled);
  }
  C2DIo::SetFileDialogHook({});
  EXPECT_TRUE(fs::is_empty(dir));
}

}  // namespace
