#include "viewer/commands/file_commands.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QWhatsThis>
#include <filesystem>

#include "hostlib/commands/command_access.h"
#include "hostlib/core/message_box.h"
#include "hostlib/files/file_class.h"
#include "hostlib/files/file_dialogs.h"
#include "hostlib/io/io_report.h"
#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "io/io.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "viewer/commands/menu_places.h"
#include "viewer/commands/save_as_bitmap_dialog.h"
#include "viewer/dialogs/export_sheet.h"
#include "viewer/dialogs/render_sheet.h"
#include "viewer/frame/frame_viewer.h"

using vex3d::fourcc;
using vex3d::viewer::CommandInfo;

namespace {

C3DHelp::Opener& opener() {
  static C3DHelp::Opener installed;
  return installed;
}

}  // namespace

// ---- open

C3DOpen::C3DOpen()
    : C3DViewerCommand(vex3d::viewer::withButton(
          vex3d::viewer::commandInfo(fourcc("FILE"), fourcc("OPEN"), vex3d::kStrOpen,
                                     vex3d::kStrOpenHelp, 'O', vex3d::kModCtrl, vex3d::kMenuFile,
                                     vex3d::viewer::kGroupFile, 0),
          vex3d::viewer::kToolbarFiles, 0, vex3d::viewer::kBitmapOpen,
          vex3d::viewer::kBitmapOpenHighlighted)) {}

CommandResult C3DOpen::OnApplyCommand() {
  C3DFrameViewer* frame = Get3DFrameWnd();
  if (frame == nullptr) return cmdDone;
  if (const int asked = frame->AskForSave(0, false); asked != cmdDone) {
    return static_cast<CommandResult>(asked);
  }
  const std::vector<std::string> files = fileOpenFiles(vex3d::kAllFilesClass, vex3d::kFileKind3D);
  bool anyRead = false;
  for (const std::string& file : files) {
    if (frame->ReadScene(file, anyRead ? READ_SCENE_KEEP : 0u) >= 0) anyRead = true;
  }
  return cmdDone;
}

// ---- save as

C3DSaveAs::C3DSaveAs()
    : C3DViewerCommand(vex3d::viewer::withButton(
          vex3d::viewer::commandInfo(fourcc("FILE"), fourcc("SAVS"), vex3d::kStrSaveAs,
                                     vex3d::kStrSaveAsHelp, 'S', vex3d::kModCtrl | vex3d::kModShift,
                                     vex3d::kMenuFile, vex3d::viewer::kGroupFile, 1),
          vex3d::viewer::kToolbarFiles, 1, vex3d::viewer::kBitmapSaveAs,
          vex3d::viewer::kBitmapSaveAsHighlighted)) {}

void C3DSaveAs::UpdateState() {
  SetState(cmdStateEnabled,
           Get3DFrameWnd() != nullptr && Get3DFrameWnd()->GetCurrentScene() != nullptr);
}

CommandResult C3DSaveAs::OnApplyCommand(C3DScene* scene) {
  C3DFrameViewer* frame = Get3DFrameWnd();
  if (frame == nullptr) return cmdDone;
  C3DIo io(CFileNameSpec(frame->GetFilePath(), 0), 0);
  if (io.FileDialogBox(vex3d::kFileKind3D) == 0) return cmdCancelled;
  const std::string target = io.GetFileName();
  const vex3d::viewer::ExportSheetScope sheet(frame);
  CSceneExportOptions options;
  if (io.Save(1, scene, &options) != 1) {
    SetHelpLine(LoadStringW(vex3d::kStrSceneNotSaved));
    return io.GetIoError() == IO_ERROR_CANCELLED ? cmdCancelled : cmdFailed;
  }
  if ((io.GetPreferencesFlags() & vex3d::viewer::kExportShowReport) && !options.GetLog().empty()) {
    io.SetIoError(IO_INFO_SAVED, CIoOptions::logInfo);
    io.ReportIoError(&options, vex3d::kIoReportInformation);
  }
  frame->DocumentSaved();
  const bool reopened = frame->ReadScene(target, READ_SCENE_SILENT | READ_SCENE_REPLACE) >= 0;
  SetHelpLine(LoadStringW(reopened ? vex3d::kStrSceneSaved : vex3d::kStrSavedNotReopened));
  return cmdDone;
}

// ---- close

C3DCloseViewer::C3DCloseViewer()
    : C3DViewerCommand(vex3d::viewer::commandInfo(
          fourcc("FILE"), fourcc("CLOS"), vex3d::kStrClose, vex3d::kStrCloseHelp, vex3d::kKeyF1 + 3,
          vex3d::kModAlt, vex3d::kMenuFile, vex3d::viewer::kGroupClose, 0)) {}

CommandResult C3DCloseViewer::OnApplyCommand() {
  if (Get3DFrameWnd() != nullptr) Get3DFrameWnd()->PostCloseWindow();
  return cmdDone;
}

// ---- preferences

C3DPrefsCommand::C3DPrefsCommand()
    : C3DViewerCommand(vex3d::viewer::withButton(
          vex3d::viewer::commandInfo(fourcc("TOOL"), fourcc("PREF"), vex3d::kStrPreferences,
                                     vex3d::kStrPreferencesHelp, 'P', vex3d::kModAlt,
                                     vex3d::kMenuView, vex3d::viewer::kGroupPreferences, 0),
          vex3d::viewer::kToolbarWindow, 1, vex3d::viewer::kBitmapPreferences,
          vex3d::viewer::kBitmapPreferencesHighlighted)) {}

void C3DPrefsCommand::UpdateState() { SetState(cmdStateEnabled, Get3DFrameWnd() != nullptr); }

CommandResult C3DPrefsCommand::OnApplyCommand() {
  C3DFrameViewer* frame = Get3DFrameWnd();
  if (frame == nullptr || frame->Get3DView() == nullptr) return cmdFailed;
  return CRenderSheet::Show(*frame) == QDialog::Accepted ? cmdDone : cmdCancelled;
}

// ---- help

C3DHelp::C3DHelp(Kind kind)
    : C3DViewerCommand(
          kind == contents
              ? vex3d::viewer::commandInfo(fourcc("HELP"), fourcc("3HLP"), vex3d::kStrHelp,
                                           vex3d::kStrHelpHelp, vex3d::kKeyF1, 0, vex3d::kMenuHelp,
                                           vex3d::viewer::kGroupHelp, 0)
              : vex3d::viewer::commandInfo(fourcc("HELP"), fourcc("3HPO"), vex3d::kStrHelpOn,
                                           vex3d::kStrHelpOnHelp, vex3d::kKeyF1, vex3d::kModShift,
                                           vex3d::kMenuHelp, vex3d::viewer::kGroupHelp, 1)),
      m_kind(kind) {}

void C3DHelp::SetOpener(Opener opener_) { opener() = std::move(opener_); }

std::string C3DHelp::FindDocumentation() {
  return FindDocumentation(QCoreApplication::applicationDirPath().toStdString());
}

std::string C3DHelp::FindDocumentation(const std::string& programFolder) {
  namespace fs = std::filesystem;
  const fs::path program = programFolder;
  const fs::path installed = program / ".." / "share" / "doc" / "vex3d";
  // A build directory sits two levels below the source tree (build/debug/bin).
  const fs::path tree = program / ".." / ".." / "..";
  // The guide before the README, installed before the tree's: a program
  // run from a build still finds the guide it was built with.
  const fs::path candidates[] = {
      installed / "guide" / "index.html",
      tree / "docs" / "guide" / "index.html",
      installed / "README.md",
      tree / "README.md",
  };
  for (const fs::path& candidate : candidates) {
    std::error_code error;
    if (fs::is_regular_file(candidate, error))
      return fs::weakly_canonical(candidate, error).string();
  }
  return {};
}

CommandResult C3DHelp::OnApplyCommand() {
  if (m_kind == contextHelp) {
    QWhatsThis::enterWhatsThisMode();
    return cmdDone;
  }
  const std::string file = FindDocumentation();
  if (file.empty()) {
    AfxMessageBox(LoadStringW(vex3d::kStrNoHelpInstalled), vex3d::kMsgIconInformation);
    return cmdFailed;
  }
  const bool opened =
      opener() ? opener()(file)
               : QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file)));
  return opened ? cmdDone : cmdFailed;
}

// ---- save as image

C3DSaveAsBitmapCommand::C3DSaveAsBitmapCommand() {
  GetAccess().SetAccess('S', vex3d::kModCtrl | vex3d::kModAlt | vex3d::kAccessMenu);
  GetAccess().SetMenuPosition(vex3d::kMenuFile, vex3d::packPosition(2, vex3d::viewer::kGroupFile));
}

CommandResult C3DSaveAsBitmapCommand::OnOpenDialog(C3DScene* scene) {
  if (scene == nullptr || Get3DFrameWnd() == nullptr) return cmdCancelled;
  auto* dialog = new C3DSaveAsBitmapDlg(*this, Get3DFrameWnd());
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  // The dialog applies the command itself when the user confirms.
  return cmdDone;
}
