// Opening and saving through the real dialogs, answered by the test as a
// user would answer them.
#include <unistd.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QSpinBox>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

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
  // Run from the build, the guide of the source tree opens, not the README.
  std::error_code error;
  EXPECT_EQ(opened, std::filesystem::weakly_canonical(
                        std::filesystem::path(VEX3D_SOURCE_DIR) / "docs/guide/index.html", error)
                        .string());
  // It opens in any browser with no network: nothing is fetched from elsewhere.
  std::ifstream guide(opened);
  const std::string page((std::istreambuf_iterator<char>(guide)), std::istreambuf_iterator<char>());
  EXPECT_NE(page.find("vex3d thumbnail"), std::string::npos);
  for (const char* outside : {"http:", "https:", "<script", "<link", "<img", "@import"}) {
    EXPECT_EQ(page.find(outside), std::string::npos) << outside;
  }
}

// Installed guide, guide of the tree, installed README, README of the tree:
// each is found only when those before it are missing.
TEST(ViewerHelp, DocumentationIsLookedForInOrder) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("vex3d_help_" + std::to_string(::getpid()));
  fs::remove_all(root);
  // root/src holds the tree, root/src/build/debug/bin the program, and its
  // prefix's share folder is root/src/build/debug/share.
  const fs::path bin = root / "src/build/debug/bin";
  const fs::path doc = root / "src/build/debug/share/doc/vex3d";
  fs::create_directories(bin);
  fs::create_directories(doc / "guide");
  fs::create_directories(root / "src/docs/guide");
  const fs::path files[] = {doc / "guide/index.html", root / "src/docs/guide/index.html",
                            doc / "README.md", root / "src/README.md"};
  for (const fs::path& file : files) std::ofstream(file) << "text\n";
  for (const fs::path& file : files) {
    EXPECT_EQ(C3DHelp::FindDocumentation(bin.string()), fs::canonical(file).string());
    fs::remove(file);
  }
  EXPECT_EQ(C3DHelp::FindDocumentation(bin.string()), "");
  fs::remove_all(root);
}

}  // namespace
}  // namespace vex3d::test
