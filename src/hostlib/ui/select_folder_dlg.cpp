#include "hostlib/ui/select_folder_dlg.h"

#include <QDir>
#include <QFileInfo>

CSelectFolderDlg::CSelectFolderDlg(QWidget* parent, const std::string& text,
                                   const std::string& initialFolder)
    : QFileDialog(parent) {
  setObjectName(vex3d::ui::kSelectFolderDialogName);
  setOption(QFileDialog::DontUseNativeDialog, true);
  setOption(QFileDialog::ShowDirsOnly, true);
  setFileMode(QFileDialog::Directory);
  setAcceptMode(QFileDialog::AcceptOpen);
  // The sentence can be long: the caption shows its first line, the whole
  // of it goes to the tooltip and accessibility tools.
  const QString sentence = QString::fromStdString(text);
  setWindowTitle(sentence.section('\n', 0, 0));
  setToolTip(sentence);
  setAccessibleDescription(sentence);
  const QString start = QString::fromStdString(initialFolder);
  if (!start.isEmpty() && QFileInfo(start).isDir()) {
    setDirectory(start);
  } else {
    setDirectory(QDir::homePath());
  }
}

std::string CSelectFolderDlg::GetFolder() const {
  const QStringList chosen = selectedFiles();
  if (result() != QDialog::Accepted || chosen.isEmpty()) return {};
  return QDir::cleanPath(chosen.front()).toStdString();
}

std::string CSelectFolderDlg::Choose(QWidget* parent, const std::string& text,
                                     const std::string& initialFolder) {
  CSelectFolderDlg dialog(parent, text, initialFolder);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.GetFolder();
}
