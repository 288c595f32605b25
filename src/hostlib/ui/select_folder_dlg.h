#pragma once
// Chooses a folder, with a sentence saying what the folder is for. The
// dialog is Qt's own rather than the desktop's, so that it looks the same
// everywhere and tests can drive it (object name kSelectFolderDialogName).
#include <QFileDialog>
#include <string>

#include "hostlib/ui_export.h"

class VEXHOSTUI_EXPORT CSelectFolderDlg : public QFileDialog {
 public:
  CSelectFolderDlg(QWidget* parent, const std::string& text, const std::string& initialFolder);

  // The folder chosen (without a final separator), empty when cancelled.
  std::string GetFolder() const;
  // Shows the dialog; the folder chosen, or an empty string.
  static std::string Choose(QWidget* parent, const std::string& text,
                            const std::string& initialFolder);
};

namespace vex3d::ui {
inline constexpr const char* kSelectFolderDialogName = "selectFolderDialog";
}  // namespace vex3d::ui
