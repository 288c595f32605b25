// Opening and saving through the real dialogs, answered by the test as a
// user would answer them.
#include <QCheckBox>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QSpinBox>
#include <filesystem>

#include "hostlib/commands/command_mgr.h"
#include "hostlib/core/fourcc.h"
#include "hostlib/ui/command_status_bar.h"
#include "scene/scene.h"
#include "viewer/commands/file_commands.h"
#include "viewer/frame/view_window.h"
#include "viewer/window/window_fixture.h"

namespace vex3d::test {
namespace {

using ViewerDialogs = WindowTest;

// Types the names into the file dialog and accepts it.
void chooseFiles(QWidget* dialog, const QStringList& files) {
  auto* chooser = qobject_cast<QFileDialog*>(dialog);
  ASSERT_NE(chooser, nullptr);
  chooser->setDirectory(QFileInfo(files.front()).absolutePath());
  QStringList names;
  for (const QString& f : files) names << "\"" + QFileInfo(f).fileName() + "\"";
  auto* edit = chooser->findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(edit, nullptr);
  edit->setText(files.size() == 1 ? QFileInfo(files.front()).fileName() : names.join(' '));
  static_cast<QDialog*>(chooser)->accept();
}

TEST_F(ViewerDialogs, OpenReadsEveryChosenFile) {
  C3DFrameViewer& frame = OpenFrame();
  AnswerNextDialog([this](QWidget* dialog) {
    chooseFiles(dialog, {QString::fromStdString(Sample("textured_cube.v3d")),
                         QString::fromStdString(Sample("colored_quads.v3d"))});
  });
  EXPECT_EQ(frame.RunCommand(frame.GetCommandMgr().GetCommandById(fourcc("OPEN"))), cmdDone);
  EXPECT_EQ(frame.GetSceneCount(), 2);
  EXPECT_NE(frame.GetCurrentScene(), nullptr);
}

TEST_F(ViewerDialogs, CancellingOpenChangesNothing) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  AnswerNextDialog([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
  frame.RunCommand(frame.GetCommandMgr().GetCommandById(fourcc("OPEN")));
  EXPECT_EQ(frame.GetSceneCount(), 1);
}

TEST_F(ViewerDialogs, SaveAsWritesTheFileAndShowsItAgain) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  frame.DocumentChanged();
  const std::string target = TempPath("saved_cube.obj");
  AnswerNextDialog([&target](QWidget* dialog) {
    chooseFiles(dialog, {QString::fromStdString(target)});
    // The export options follow the file.
    AnswerNextDialog([](QWidget* sheet) { qobject_cast<QDialog*>(sheet)->accept(); });
  });
  EXPECT_EQ(frame.RunCommand(frame.GetCommandMgr().GetCommandById(fourcc("SAVS"))), cmdDone);
  EXPECT_TRUE(std::filesystem::is_regular_file(target));
  EXPECT_FALSE(frame.IsDocumentModified());
  EXPECT_EQ(frame.GetSceneCount(), 1);
  EXPECT_EQ(frame.FindScene(target), 0);
  EXPECT_TRUE(frame.GetStatusBarControl()->GetHelpText().contains("The scene has been saved"));
}

TEST_F(ViewerDialogs, CancellingSaveAsAnswersCancelled) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  AnswerNextDialog([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
  EXPECT_EQ(frame.RunCommand(frame.GetCommandMgr().GetCommandById(fourcc("SAVS"))), cmdCancelled);
}

TEST_F(ViewerDialogs, SaveAsImageRendersAtTheChosenSize) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  const std::string target = TempPath("cube.png");
  // The image dialog first, then the file dialog it leads to.
  AnswerNextDialog([&target](QWidget* dialog) {
    dialog->findChild<QSpinBox*>("width")->setValue(160);
    dialog->findChild<QSpinBox*>("height")->setValue(120);
    dialog->findChild<QCheckBox*>("antialias")->setChecked(true);
    AnswerNextDialog(
        [&target](QWidget* files) { chooseFiles(files, {QString::fromStdString(target)}); });
    qobject_cast<QDialog*>(dialog)->accept();
  });
  frame.RunCommand(frame.GetCommandMgr().GetCommandById(fourcc("SAVB")));
  ASSERT_TRUE(WaitFor([&target] { return std::filesystem::exists(target); }, 8000));
  const QImage image(QString::fromStdString(target));
  EXPECT_EQ(image.width(), 160);
  EXPECT_EQ(image.height(), 120);
  EXPECT_GT(countForeground(image), 160 * 120 / 10);
  // The window goes on drawing in its own context afterwards.
  frame.GetViewWindow()->update();
  EXPECT_GT(countForeground(frame.GetViewWindow()->GrabFrame()), 1000);
}

TEST_F(ViewerDialogs, HelpOpensTheDocumentation) {
  C3DFrameViewer& frame = OpenFrame();
  std::string opened;
  C3DHelp::SetOpener([&opened](const std::string& file) {
    opened = file;
    return true;
  });
  EXPECT_EQ(frame.RunCommand(frame.GetCommandMgr().GetCommandById(fourcc("3HLP"))), cmdDone);
  C3DHelp::SetOpener({});
  EXPECT_FALSE(opened.empty());
}

}  // namespace
}  // namespace vex3d::test
