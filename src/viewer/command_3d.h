#pragma once
// Base of every 3D command: the viewer frame it acts in (none when applied
// from a script or the command line) and the scene it works on, handed in
// and out under 'IOSC'.
#include <functional>
#include <string>

#include "hostlib/commands/command.h"
#include "vex3d_export.h"

class C3DFrameViewer;
class C3DScene;
class C3DView;

namespace vex3d {

// How commands reach the viewer's frame. The frame installs it; without it
// every command runs as outside a viewer.
struct FrameViewerLink {
  // The 3D viewer behind a command frame; null for any other frame.
  std::function<C3DFrameViewer*(CCommandFrameWnd*)> viewerOf;
  std::function<C3DView*(C3DFrameViewer*)> viewOf;
  std::function<C3DScene*(C3DFrameViewer*)> currentScene;
  std::function<void(C3DFrameViewer*, const std::string&)> setHelpLine;
  // Shown while a command runs; the returned object restores the cursor.
  std::function<std::function<void()>()> waitCursor;
  // Called before a command changes the frame's scene: the frame waits for
  // any other thread that is reading it (the scenes list's thumbnails).
  std::function<void(C3DFrameViewer*)> beforeSceneEdit;
};

// Installs `link` (an empty one removes it).
VEX3D_EXPORT void setFrameViewerLink(FrameViewerLink link);
VEX3D_EXPORT const FrameViewerLink& frameViewerLink();

// The viewer's wait cursor for the life of the scope (nothing without one).
class VEX3D_EXPORT WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  std::function<void()> m_restore;
};

}  // namespace vex3d

class VEX3D_EXPORT C3DCommand : public CVexCommand {
 public:
  C3DCommand();

  C3DFrameViewer* Get3DFrameWnd() const { return m_frame; }
  C3DView* Get3DView() const { return m_view; }

  int OnInitCommand(CCommandFrameWnd* frame) override;
  // The scene from the input 'IOSC', else the frame's; cmdNoScene with
  // neither. On success the scene goes out under 'IOSC'.
  CommandResult OnApplyCommand() override;
  CommandResult OnOpenDialog() override;

  virtual CommandResult OnApplyCommand(C3DScene* scene);
  virtual CommandResult OnOpenDialog(C3DScene* scene);

 protected:
  void SetHelpLine(const std::string& text) const;

 private:
  C3DScene* InputScene() const;
  C3DScene* FrameScene() const;

  C3DFrameViewer* m_frame = nullptr;
  C3DView* m_view = nullptr;
};
