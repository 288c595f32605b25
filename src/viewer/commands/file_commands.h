#pragma once
// Opening, saving, images of the scene, closing, preferences and help.
#include <functional>
#include <string>

#include "viewer/commands/viewer_command.h"
#include "viewer/save_as_bitmap.h"

class VEX3D_VIEWER_EXPORT C3DOpen : public C3DViewerCommand {
 public:
  C3DOpen();
  CommandResult OnApplyCommand() override;
};

class VEX3D_VIEWER_EXPORT C3DSaveAs : public C3DViewerCommand {
 public:
  C3DSaveAs();
  void UpdateState() override;
  CommandResult OnApplyCommand(C3DScene* scene) override;
};

class VEX3D_VIEWER_EXPORT C3DCloseViewer : public C3DViewerCommand {
 public:
  C3DCloseViewer();
  CommandResult OnApplyCommand() override;
};

// "OpenGL preferences" over the frame's view.
class VEX3D_VIEWER_EXPORT C3DPrefsCommand : public C3DViewerCommand {
 public:
  C3DPrefsCommand();
  void UpdateState() override;
  CommandResult OnApplyCommand() override;
};

class VEX3D_VIEWER_EXPORT C3DHelp : public C3DViewerCommand {
 public:
  enum Kind { contents, contextHelp };
  explicit C3DHelp(Kind kind = contents);
  CommandResult OnApplyCommand() override;
  // Where the user documentation opens; tests replace the browser.
  using Opener = std::function<bool(const std::string& file)>;
  static void SetOpener(Opener opener);
  // The user guide, else the README: installed beside the program's
  // prefix, else in the source tree the program was built in; empty when
  // there is none.
  static std::string FindDocumentation();
  // The same for a program in `programFolder`.
  static std::string FindDocumentation(const std::string& programFolder);

 private:
  Kind m_kind;
};

class VEX3D_VIEWER_EXPORT C3DHelpOn : public C3DHelp {
 public:
  C3DHelpOn() : C3DHelp(contextHelp) {}
};

// "Save Scene As Image..." in the viewer: its dialog, then the rendering.
class VEX3D_VIEWER_EXPORT C3DSaveAsBitmapCommand : public C3DSaveAsBitmap {
 public:
  C3DSaveAsBitmapCommand();
  using C3DSaveAsBitmap::OnOpenDialog;
  CommandResult OnOpenDialog(C3DScene* scene) override;
};
