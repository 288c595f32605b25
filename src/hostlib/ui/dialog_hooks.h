#pragma once
// The window side of the host layer's hooks: message boxes, progress, and
// the file dialogs of opening files, saving 3D files and saving images, all
// owned by `window`.
#include "hostlib/ui_export.h"

class QWidget;

namespace vex3d::ui {

// Installs the hooks for as long as the object lives, and puts back the
// previous ones after.
class VEXHOSTUI_EXPORT DialogHooks {
 public:
  explicit DialogHooks(QWidget* window);
  ~DialogHooks();
  DialogHooks(const DialogHooks&) = delete;
  DialogHooks& operator=(const DialogHooks&) = delete;

 private:
  struct Saved;
  Saved* m_saved;
};

// The object name of the file dialogs and the progress box, for tests and
// accessibility tools.
inline constexpr const char* kFileDialogName = "fileDialog";
inline constexpr const char* kProgressDialogName = "progressDialog";

}  // namespace vex3d::ui
