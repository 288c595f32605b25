// The viewer's window: what it shows, the scenes it holds, the left pane,
// dropped files and the question before a modified scene goes.
#include <QAbstractButton>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QSplitter>
#include <QUrl>
#include <cmath>

#include "hostlib/files/profile.h"
#include "hostlib/images/bitmap.h"
#include "render/view.h"
#include "render/view_flags.h"
#include "scene/scene.h"
#include "viewer/frame/view_window.h"
#include "viewer/window/window_fixture.h"

namespace vex3d::test {
namespace {

using FrameWindow = WindowTest;

TEST_F(FrameWindow, ShowsTheSceneItOpened) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  ASSERT_TRUE(WaitFor([&] { return frame.GetViewWindow()->GetFirstFrameMs() >= 0; }));
  const QImage picture = ViewPicture();
  // The cube covers a good part of the view, and the rest is background.
  const int covered = countForeground(picture);
  EXPECT_GT(covered, picture.width() * picture.height() / 10);
  EXPECT_LT(covered, picture.width() * picture.height());
  EXPECT_TRUE(frame.windowTitle().startsWith("textured_cube.v3d"));
}

// The same scene, camera and size drawn in the window and off screen give
// the same picture: the window adds nothing and loses nothing.
TEST_F(FrameWindow, WindowAndOffScreenPicturesAgree) {
  C3DFrameViewer& frame = OpenFrame(Sample("colored_quads.v3d"));
  ASSERT_TRUE(WaitFor([&] { return frame.GetViewWindow()->GetFirstFrameMs() >= 0; }));
  const QImage window = ViewPicture().convertToFormat(QImage::Format_RGB32);
  ASSERT_FALSE(window.isNull());

  C3DView offscreen(DRAWING_MEMORY);
  ASSERT_EQ(offscreen.CreateMemoryRendering(window.width(), window.height(), 32), 1);
  offscreen.SetScene(frame.GetCurrentScene());
  _GlViewSettings s = frame.Get3DView()->GetViewSettings();
  s.mask = GLVS_ROTATION | GLVS_PAN_DISTANCE | GLVS_VIEW_MODE | GLVS_BACKGROUND |
           GLVS_WIREFRAME_COLOR | GLVS_SELECTION_COLOR | GLVS_LIGHT_COLOR;
  offscreen.SetViewSettings(&s);
  offscreen.UpdateView(UPDATE_VIEW_REBUILD);
  std::unique_ptr<Bitmap> bitmap(offscreen.CreateBitmapFromScene());
  offscreen.DetachScene();
  offscreen.DeleteMemoryRendering();
  ASSERT_NE(bitmap, nullptr);
  ASSERT_EQ(bitmap->GetWidth(), window.width());
  ASSERT_EQ(bitmap->GetHeight(), window.height());

  const int channels = bitmap->GetType() == vex3d::kBitmapRgba ? 4 : 3;
  long long differing = 0;
  for (int y = 0; y < window.height(); ++y) {
    const unsigned char* row = bitmap->GetLine(y);
    for (int x = 0; x < window.width(); ++x) {
      const QRgb w = window.pixel(x, y);
      const unsigned char* p = row + x * channels;
      const int d =
          std::abs(qRed(w) - p[0]) + std::abs(qGreen(w) - p[1]) + std::abs(qBlue(w) - p[2]);
      if (d > 12) ++differing;
    }
  }
  EXPECT_LT(differing, window.width() * window.height() / 200) << differing << " pixels differ";
}

TEST_F(FrameWindow, OpeningALoadedFileOnlySwitchesToIt) {
  C3DFrameViewer& frame = OpenFrame();
  const int first = frame.ReadScene(Sample("textured_cube.v3d"), READ_SCENE_SILENT);
  const int second =
      frame.ReadScene(Sample("colored_quads.v3d"), READ_SCENE_SILENT | READ_SCENE_KEEP);
  ASSERT_EQ(first, 0);
  ASSERT_EQ(second, 1);
  C3DScene* cube = frame.GetScenes()[0];
  EXPECT_EQ(frame.ReadScene(Sample("textured_cube.v3d"), READ_SCENE_SILENT | READ_SCENE_KEEP), 0);
  EXPECT_EQ(frame.GetSceneCount(), 2);
  EXPECT_EQ(frame.GetCurrentScene(), cube);
  // Without "keep" a new file replaces what was loaded.
  EXPECT_EQ(frame.ReadScene(Sample("animated_groups.v3d"), READ_SCENE_SILENT), 0);
  EXPECT_EQ(frame.GetSceneCount(), 1);
}

TEST_F(FrameWindow, AFileThatCannotBeReadChangesNothing) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  C3DScene* before = frame.GetCurrentScene();
  EXPECT_EQ(frame.ReadScene(TempPath("missing.v3d"), READ_SCENE_SILENT), -1);
  EXPECT_EQ(frame.GetCurrentScene(), before);
  EXPECT_EQ(frame.GetSceneCount(), 1);
}

TEST_F(FrameWindow, ABrokenFileIsReportedInABoxAndLosesNothing) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  const std::string broken = TempPath("broken.v3d");
  {
    FILE* f = std::fopen(broken.c_str(), "wb");
    std::fputs("not a scene at all", f);
    std::fclose(f);
  }
  QString said;
  AnswerNextDialog([&said](QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    ASSERT_NE(box, nullptr);
    said = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(frame.ReadScene(broken, 0), -1);
  EXPECT_TRUE(said.contains("broken.v3d")) << said.toStdString();
  EXPECT_EQ(frame.GetSceneCount(), 1);
  EXPECT_TRUE(frame.windowTitle().startsWith("textured_cube.v3d"));
}

TEST_F(FrameWindow, KeepCurrentLeavesTheShownSceneAndReplaceTakesItsPlace) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  C3DScene* cube = frame.GetCurrentScene();
  frame.ReadScene(Sample("colored_quads.v3d"),
                  READ_SCENE_SILENT | READ_SCENE_KEEP | READ_SCENE_KEEP_CURRENT);
  EXPECT_EQ(frame.GetCurrentScene(), cube);
  EXPECT_EQ(frame.GetSceneCount(), 2);
  const int replaced =
      frame.ReadScene(Sample("animated_groups.v3d"), READ_SCENE_SILENT | READ_SCENE_REPLACE);
  EXPECT_EQ(replaced, 0);
  EXPECT_EQ(frame.GetSceneCount(), 2);
  EXPECT_EQ(frame.FindScene(Sample("textured_cube.v3d")), -1);
  EXPECT_EQ(frame.GetCurrentScene(), frame.GetScenes()[0]);
}

// The first dropped file leaves a shown scene alone; each following one is
// read as an open would and is shown.
TEST_F(FrameWindow, DroppedFilesAllGoInTheList) {
  C3DFrameViewer& frame = OpenFrame();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(Sample("textured_cube.v3d"))),
                QUrl::fromLocalFile(QString::fromStdString(TempPath("notes.txt"))),
                QUrl::fromLocalFile(QString::fromStdString(Sample("colored_quads.v3d")))});
  // Straight to the window: outside a real drag Qt would not route it.
  QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject&>(frame).event(&enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject&>(frame).event(&drop);
  ASSERT_EQ(frame.GetSceneCount(), 2);
  EXPECT_EQ(frame.GetCurrentScene(), frame.GetScenes()[1]);

  C3DScene* shown = frame.GetCurrentScene();
  QMimeData one;
  one.setUrls({QUrl::fromLocalFile(QString::fromStdString(Sample("animated_groups.v3d")))});
  QDropEvent again(QPointF(400, 300), Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject&>(frame).event(&again);
  EXPECT_EQ(frame.GetSceneCount(), 3);
  EXPECT_EQ(frame.GetCurrentScene(), shown);
}

TEST_F(FrameWindow, DefaultSettingsShowTheListsAndFitAutomatically) {
  C3DFrameViewer& frame = OpenFrame();
  EXPECT_EQ(C3DFrameViewer::GetSettings(), 4359u);
  EXPECT_TRUE(frame.IsSettingsFlagSet(FRAME_SHOW_MATERIALS));
  EXPECT_TRUE(frame.IsSettingsFlagSet(FRAME_AUTO_FIT));
  // Read again at every query: a change made elsewhere shows at once.
  WriteProfileInt("Render", "settings", 0x100);
  EXPECT_FALSE(frame.IsSettingsFlagSet(FRAME_SHOW_MATERIALS));
}

TEST_F(FrameWindow, HidingEveryListKeepsThePaneWidthForNextTime) {
  C3DFrameViewer& frame = OpenFrame();
  ASSERT_TRUE(WaitFor([&] { return frame.GetLeftPaneWidth() == 250; }));
  frame.SetLeftPaneWidth(180);
  QApplication::processEvents();
  frame.ShowMaterials(LEFTBAR_HIDE);
  EXPECT_EQ(frame.GetLeftPaneWidth(), 180);
  frame.ShowObjects(LEFTBAR_HIDE);
  EXPECT_EQ(frame.GetLeftPaneWidth(), 0);
  EXPECT_EQ(GetProfileInt("Render", "leftpane", 0), 180);
  frame.ShowObjects(LEFTBAR_SHOW);
  EXPECT_EQ(frame.GetLeftPaneWidth(), 180);
}

TEST_F(FrameWindow, TheScenesListNeedsTwoScenes) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  frame.ShowScenes(LEFTBAR_SHOW);
  EXPECT_FALSE(frame.AreScenesShown());
  frame.ReadScene(Sample("colored_quads.v3d"), READ_SCENE_SILENT | READ_SCENE_KEEP);
  frame.ShowScenes(LEFTBAR_SHOW);
  EXPECT_TRUE(frame.AreScenesShown());
}

TEST_F(FrameWindow, CancellingTheSaveQuestionKeepsTheWindowOpen) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  frame.DocumentChanged();
  QString question;
  AnswerNextDialog([&question](QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    ASSERT_NE(box, nullptr);
    question = box->text();
    box->button(QMessageBox::Cancel)->click();
  });
  EXPECT_FALSE(frame.close());
  EXPECT_TRUE(question.contains("Scene was modified"));
  EXPECT_TRUE(frame.isVisible());
  EXPECT_EQ(frame.GetSceneCount(), 1);

  AnswerNextDialog([](QWidget* dialog) {
    qobject_cast<QMessageBox*>(dialog)->button(QMessageBox::No)->click();
  });
  EXPECT_TRUE(frame.close());
  EXPECT_FALSE(frame.IsDocumentModified());
}

TEST_F(FrameWindow, AnUnmodifiedSceneClosesWithoutAQuestion) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  EXPECT_EQ(frame.AskForSave(0, false), 0);
  EXPECT_TRUE(frame.close());
}

}  // namespace
}  // namespace vex3d::test
