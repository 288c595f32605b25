// The viewer's commands driven as a user drives them: shortcuts, menu
// items, toolbar marks, mouse drags, playback.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>

#include "hostlib/commands/command_mgr.h"
#include "hostlib/core/fourcc.h"
#include "hostlib/files/profile.h"
#include "render/view.h"
#include "render/view_flags.h"
#include "scene/scene.h"
#include "viewer/commands/animation_commands.h"
#include "viewer/commands/display_commands.h"
#include "viewer/frame/view_window.h"
#include "viewer/window/window_fixture.h"

namespace vex3d::test {
namespace {

class ViewerCommands : public WindowTest {
 protected:
  C3DViewWindow* View() { return Frame().GetViewWindow(); }
  std::uint32_t Mode() { return Frame().GetViewFlags(); }
  const _GlViewSettings& Settings() { return Frame().Get3DView()->GetViewSettings(); }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(View(), key, modifiers);
    QApplication::processEvents();
  }
  QAction* Action(const char* code) {
    return Frame().GetAction(Frame().GetCommandMgr().GetCommandById(fourcc(code)));
  }
  void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mousePress(View(), Qt::LeftButton, modifiers, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), View()->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, modifiers);
    QApplication::sendEvent(View(), &move);
    QTest::mouseRelease(View(), Qt::LeftButton, modifiers, to);
    QApplication::processEvents();
  }
};

TEST_F(ViewerCommands, RenderModeShortcutsSwitchModesAndTheMarksFollow) {
  OpenFrame(Sample("textured_cube.v3d"));
  const std::pair<Qt::Key, std::uint32_t> modes[] = {
      {Qt::Key_0, 1}, {Qt::Key_1, 2}, {Qt::Key_3, 3}, {Qt::Key_2, 4}, {Qt::Key_4, 5}};
  for (auto [key, mode] : modes) {
    Key(key, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(Mode() & VIEW_RENDER_MODE_MASK, mode);
  }
  // Smooth and wireframe now: only its button is marked.
  EXPECT_TRUE(Action("SMWI")->isChecked());
  EXPECT_FALSE(Action("SMOO")->isChecked());
  // Num Lock off: the keypad sends navigation keys, the shortcut holds.
  Key(Qt::Key_Insert, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(Mode() & VIEW_RENDER_MODE_MASK, 1u);
}

TEST_F(ViewerCommands, WireframeDisablesPlaybackAndDisplayToggles) {
  OpenFrame(Sample("textured_cube.v3d"));
  Key(Qt::Key_0, Qt::ControlModifier | Qt::KeypadModifier);
  Frame().UpdateCommandStates();
  EXPECT_FALSE(Action("PLAY")->isEnabled());
  EXPECT_FALSE(Action("ENTX")->isEnabled());
  EXPECT_FALSE(Action("ENTV")->isEnabled());
  // A disabled command's shortcut does nothing.
  const std::uint32_t before = Mode();
  Key(Qt::Key_T, Qt::ShiftModifier);
  EXPECT_EQ(Mode(), before);
  Key(Qt::Key_2, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_TRUE(Action("ENTX")->isEnabled());
}

TEST_F(ViewerCommands, DisplayTogglesFlipTheirBitAndTexVCRestoresExactly) {
  OpenFrame(Sample("textured_cube.v3d"));
  const std::uint32_t start = Mode();
  ASSERT_TRUE(start & VIEW_TEXTURES);
  Key(Qt::Key_T, Qt::ShiftModifier);
  EXPECT_EQ(Mode() & VIEW_TEXTURES, 0u);
  Key(Qt::Key_N, Qt::ShiftModifier);
  EXPECT_EQ(Mode() & VIEW_SPECIFIED_NORMALS,
            (start & VIEW_SPECIFIED_NORMALS) ^ VIEW_SPECIFIED_NORMALS);
  // Only vertex colours on now: off together, then back exactly as they were.
  ASSERT_EQ(Mode() & (VIEW_TEXTURES | VIEW_VERTEX_COLORS), VIEW_VERTEX_COLORS);
  Action("ENTV")->trigger();
  EXPECT_EQ(Mode() & (VIEW_TEXTURES | VIEW_VERTEX_COLORS), 0u);
  EXPECT_FALSE(Action("ENTV")->isChecked());
  Action("ENTV")->trigger();
  EXPECT_EQ(Mode() & (VIEW_TEXTURES | VIEW_VERTEX_COLORS), VIEW_VERTEX_COLORS);
}

TEST_F(ViewerCommands, PointsOfViewFromTheKeypadAndTheMenu) {
  OpenFrame(Sample("textured_cube.v3d"));
  Key(Qt::Key_8, Qt::KeypadModifier);
  EXPECT_EQ(Settings().viewPos, RVIEW_TOP);
  EXPECT_TRUE(Action("VTOP")->isChecked());
  Key(Qt::Key_5, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(Settings().viewPos, RVIEW_BACK);
  Action("VLEF")->trigger();
  EXPECT_EQ(Settings().viewPos, RVIEW_LEFT);
  EXPECT_TRUE(Action("VLEF")->isChecked());
  EXPECT_FALSE(Action("VTOP")->isChecked());
}

TEST_F(ViewerCommands, BrightnessStepsAndReset) {
  OpenFrame(Sample("textured_cube.v3d"));
  Key(Qt::Key_L, Qt::ShiftModifier);
  EXPECT_FLOAT_EQ(Settings().brightness, 1.3f);
  Key(Qt::Key_L, Qt::ControlModifier);
  Key(Qt::Key_L, Qt::ControlModifier);
  EXPECT_NEAR(Settings().brightness, 1.0f / 1.3f, 1e-5f);
  Key(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_FLOAT_EQ(Settings().brightness, 1.0f);
}

TEST_F(ViewerCommands, ListsAndAutoFitToggleTheirSettings) {
  OpenFrame(Sample("textured_cube.v3d"));
  Key(Qt::Key_M);
  EXPECT_FALSE(Frame().IsSettingsFlagSet(FRAME_SHOW_MATERIALS));
  EXPECT_FALSE(Action("SHMA")->isChecked());
  Key(Qt::Key_O);
  EXPECT_FALSE(Frame().IsSettingsFlagSet(FRAME_SHOW_OBJECTS));
  EXPECT_EQ(Frame().GetLeftPaneWidth(), 0);
  Key(Qt::Key_0, Qt::AltModifier | Qt::KeypadModifier);
  EXPECT_FALSE(Frame().IsSettingsFlagSet(FRAME_AUTO_FIT));
  EXPECT_EQ(GetProfileInt("Render", "settings", 0) & 0x1003, 0);
}

TEST_F(ViewerCommands, ZoomStepsAndFitOnView) {
  OpenFrame(Sample("textured_cube.v3d"));
  const float fitted = Settings().distance;
  const float step = Settings().zoomStep;
  Key(Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_NEAR(Settings().distance, fitted - 0.2f * step, 1e-4f);
  Key(Qt::Key_Minus, Qt::KeypadModifier);
  Key(Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_NEAR(Settings().distance, fitted + 0.2f * step, 1e-4f);
  Key(Qt::Key_0, Qt::KeypadModifier);
  EXPECT_NEAR(Settings().distance, fitted, 1e-4f);
}

TEST_F(ViewerCommands, MouseToolsRotatePanAndZoom) {
  OpenFrame(Sample("textured_cube.v3d"));
  const QPoint centre(View()->width() / 2, View()->height() / 2);
  Key(Qt::Key_R);
  EXPECT_TRUE(Action("ROTA")->isChecked());
  const C4x4Matrix before = Settings().rotation;
  Drag(centre, centre + QPoint(40, 0));
  EXPECT_EQ(Settings().viewPos, RVIEW_CUSTOM);
  EXPECT_NE(Settings().rotation, before);

  Key(Qt::Key_P);
  EXPECT_TRUE(Action("MOVE")->isChecked());
  EXPECT_FALSE(Action("ROTA")->isChecked());
  const float panX = Settings().panX;
  Drag(centre, centre + QPoint(30, 0));
  EXPECT_GT(Settings().panX, panX);

  Key(Qt::Key_Z);
  const float distance = Settings().distance;
  Drag(centre, centre + QPoint(0, 20));
  EXPECT_GT(Settings().distance, distance);
  // A purely horizontal drag comes closer.
  const float further = Settings().distance;
  Drag(centre, centre + QPoint(20, 0));
  EXPECT_LT(Settings().distance, further);
}

TEST_F(ViewerCommands, WheelZoomsAndWithCtrlStepsTime) {
  OpenFrame(Sample("animated_groups.v3d"));
  const float distance = Settings().distance;
  QWheelEvent away(QPointF(50, 50), View()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(View(), &away);
  EXPECT_GT(Settings().distance, distance);
  const int t = Frame().GetCurrentScene()->GetTickCount();
  QWheelEvent forward(QPointF(50, 50), View()->mapToGlobal(QPointF(50, 50)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(View(), &forward);
  EXPECT_EQ(Frame().GetCurrentScene()->GetTickCount(), t + 1);
}

TEST_F(ViewerCommands, PlaybackAdvancesAndWraps) {
  OpenFrame(Sample("animated_groups.v3d"));
  C3DScene* scene = Frame().GetCurrentScene();
  const int end = scene->GetTimeRange().GetEnd();
  ASSERT_GT(end, 2);
  int timeChanges = 0;
  Frame().AddSceneChangedListener([&timeChanges](int reason, std::uintptr_t) {
    if (reason & SCENE_CHANGED_TIME) ++timeChanges;
  });
  Key(Qt::Key_Space, Qt::ControlModifier);
  EXPECT_TRUE(Action("PLAY")->isChecked());
  ASSERT_TRUE(WaitFor([&] { return scene->GetTickCount() >= 2; }, 3000));
  Key(Qt::Key_Space, Qt::ControlModifier);
  EXPECT_FALSE(Action("PLAY")->isChecked());
  const int stopped = scene->GetTickCount();
  QTest::qWait(120);
  EXPECT_EQ(scene->GetTickCount(), stopped);
  EXPECT_GE(timeChanges, 2);
  EXPECT_EQ(C3DPlayCommand::NextPlayTime(end, end), 0);
  EXPECT_EQ(C3DPlayCommand::NextPlayTime(end - 1, end), end);
}

TEST_F(ViewerCommands, FrameStepsClampAndStayQuietAtTheStart) {
  OpenFrame(Sample("animated_groups.v3d"));
  C3DScene* scene = Frame().GetCurrentScene();
  int notified = 0;
  Frame().AddSceneChangedListener([&notified](int, std::uintptr_t) { ++notified; });
  Key(Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(scene->GetTickCount(), 0);
  EXPECT_EQ(notified, 0);
  Key(Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(scene->GetTickCount(), 1);
  EXPECT_EQ(notified, 1);
  // The next key lies beyond the next tick.
  Key(Qt::Key_Plus, Qt::ShiftModifier | Qt::KeypadModifier);
  EXPECT_GT(scene->GetTickCount(), 1);
}

TEST_F(ViewerCommands, SmoothingMenuChangesTheSceneAngle) {
  OpenFrame(Sample("textured_cube.v3d"));
  int shownWith = -1;
  C3DRenderModeCommand::SetSmoothingChooser([&shownWith](int, int, int current) {
    shownWith = current;
    return std::optional<int>(20);
  });
  auto* smooth =
      static_cast<C3DRenderModeCommand*>(Frame().GetCommandMgr().GetCommandById(fourcc("SMOO")));
  EXPECT_TRUE(smooth->OnToolbarMenu(10, 10));
  C3DRenderModeCommand::SetSmoothingChooser({});
  EXPECT_GE(shownWith, 0);
  EXPECT_NEAR(Frame().GetCurrentScene()->GetGlobalSmoothAngle(), 20.0f * 3.14159265f / 180.0f,
              1e-5f);
  EXPECT_FALSE(smooth->ApplySmoothing(20));
}

TEST_F(ViewerCommands, FullScreenEntersWithTabAndLeavesWithEscape) {
  OpenFrame(Sample("textured_cube.v3d"));
  Key(Qt::Key_Tab);
  EXPECT_TRUE(Frame().IsFullScreen());
  EXPECT_TRUE(Frame().findChild<QWidget*>("notification") != nullptr ||
              QApplication::topLevelWidgets().size() > 1);
  Key(Qt::Key_Escape);
  EXPECT_FALSE(Frame().IsFullScreen());
}

TEST_F(ViewerCommands, EveryCommandIsInAMenuAndTheToolbarHasItsButtons) {
  OpenFrame();
  int inMenus = 0;
  for (QAction* top : Frame().menuBar()->actions()) {
    std::function<void(QMenu*)> count = [&](QMenu* menu) {
      for (QAction* a : menu->actions()) {
        if (a->menu() != nullptr) {
          count(a->menu());
        } else if (!a->isSeparator()) {
          ++inMenus;
        }
      }
    };
    count(top->menu());
  }
  EXPECT_EQ(static_cast<std::size_t>(inMenus), Frame().GetCommandMgr().GetCommandNbr());
  int buttons = 0;
  for (QAction* a : Frame().GetCommandToolbar()->actions()) {
    if (!a->isSeparator()) ++buttons;
  }
  EXPECT_EQ(buttons, 13);
  EXPECT_TRUE(Action("PREF")->isEnabled());
}

// The frame drawn once the scene stopped moving carries the extras: the
// rotation guide of the rotate tool, and point and face numbers.
TEST_F(ViewerCommands, TheStillFrameShowsTheRotationGuideAndTheNumbers) {
  OpenFrame(Sample("colored_quads.v3d"));
  auto countColour = [](const QImage& image, QRgb wanted) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == wanted ? 1 : 0;
    }
    return n;
  };
  auto stillFrame = [this] {
    Frame().Get3DView()->SetDrawingFlag(DRAWING_FINAL_REPAINT, true);
    return View()->GrabFrame().convertToFormat(QImage::Format_RGB32);
  };
  const QRgb guide = qRgb(0, 200, 0);
  EXPECT_EQ(countColour(stillFrame(), guide), 0);
  Key(Qt::Key_R);
  EXPECT_GT(countColour(stillFrame(), guide), 100);

  // Face numbers are green text.
  auto greenText = [](const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        n += qGreen(p) > 100 && qRed(p) < 60 && qBlue(p) < 60 ? 1 : 0;
      }
    }
    return n;
  };
  Key(Qt::Key_P);
  const int before = greenText(stillFrame());
  _GlViewSettings s = Settings();
  s.viewMode |= VIEW_FACE_NUMBERS;
  s.mask = GLVS_VIEW_MODE | GLVS_UPDATE;
  Frame().Get3DView()->SetViewSettings(&s);
  EXPECT_GT(greenText(stillFrame()), before + 20);
}

TEST_F(ViewerCommands, HeldKeysChooseTheTool) {
  EXPECT_EQ(C3DViewWindow::FastKeyTool(true, true, false), fourcc("ZOOM"));
  EXPECT_EQ(C3DViewWindow::FastKeyTool(true, false, true), fourcc("ROTA"));
  EXPECT_EQ(C3DViewWindow::FastKeyTool(false, false, true), fourcc("MOVE"));
  EXPECT_EQ(C3DViewWindow::FastKeyTool(false, true, false), 0u);
}

}  // namespace
}  // namespace vex3d::test
