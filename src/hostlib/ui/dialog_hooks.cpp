#include "hostlib/ui/dialog_hooks.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>
#include <QStringList>

#include "hostlib/core/message_box.h"
#include "hostlib/core/notification.h"
#include "hostlib/core/progress.h"
#include "hostlib/files/file_class.h"
#include "hostlib/files/file_dialogs.h"
#include "hostlib/images/image_io.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/io/io_report.h"
#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "hostlib/ui/notify_dlg.h"
#include "hostlib/ui/rich_text.h"
#include "hostlib/ui/select_folder_dlg.h"

namespace vex3d::ui {
namespace {

struct Filters {
  QStringList names;
  std::vector<std::uint32_t> classes;  // per name; 0 for the "all" filter
};

Filters filtersFor(std::uint32_t kindMask, bool writing, bool withAll) {
  Filters filters;
  QStringList patterns;
  for (const FileClassInfo& info : fileGetClasses(kindMask)) {
    if (writing ? !info.canWrite : !info.canRead) continue;
    filters.names << QString::fromStdString(info.GetFilter());
    filters.classes.push_back(info.fileClass);
    for (const std::string& ext : info.extensions) patterns << "*." + QString::fromStdString(ext);
  }
  if (withAll && !patterns.isEmpty()) {
    filters.names.prepend(QString::fromStdString(LoadStringW(kStrAllSupportedFiles)) + " (" +
                          patterns.join(' ') + ")");
    filters.classes.insert(filters.classes.begin(), 0u);
  }
  return filters;
}

// Non-native, so that it looks the same everywhere and can be driven by
// tests and accessibility tools.
void prepare(QFileDialog& dialog) {
  dialog.setObjectName(kFileDialogName);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
}

// The typed name, with the main extension of the chosen class when it has
// none of that class.
std::string withExtension(const QString& file, std::uint32_t fileClass) {
  std::string name = file.toStdString();
  if (fileClass == 0 || fileGetClassOf(name) == fileClass) return name;
  const std::string ext = fileGetMainExtension(fileClass);
  if (!ext.empty() && QFileInfo(file).suffix().isEmpty()) name += "." + ext;
  return name;
}

std::vector<std::string> openFiles(QWidget* window, std::uint32_t fileClass,
                                   std::uint32_t kindMask) {
  const Filters filters = filtersFor(kindMask, false, fileClass == kAllFilesClass);
  QFileDialog dialog(window);
  prepare(dialog);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(filters.names);
  for (std::size_t i = 0; i < filters.classes.size(); ++i) {
    if (filters.classes[i] == fileClass) dialog.selectNameFilter(filters.names[int(i)]);
  }
  std::vector<std::string> chosen;
  if (dialog.exec() != QDialog::Accepted) return chosen;
  for (const QString& file : dialog.selectedFiles()) chosen.push_back(file.toStdString());
  return chosen;
}

int saveFile(QWidget* window, const std::string& current, std::uint32_t currentClass,
             std::uint32_t kindMask, std::string& chosen, std::uint32_t& chosenClass) {
  const Filters filters = filtersFor(kindMask, true, false);
  if (filters.classes.empty()) return 0;
  QFileDialog dialog(window);
  prepare(dialog);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(filters.names);
  for (std::size_t i = 0; i < filters.classes.size(); ++i) {
    if (filters.classes[i] == currentClass) dialog.selectNameFilter(filters.names[int(i)]);
  }
  if (!current.empty()) dialog.selectFile(QString::fromStdString(current));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return 0;
  const qsizetype filter = filters.names.indexOf(dialog.selectedNameFilter());
  chosenClass = filter >= 0 ? filters.classes[std::size_t(filter)] : 0;
  chosen = withExtension(dialog.selectedFiles().front(), chosenClass);
  return 1;
}

// One progress box at a time, opened by the first announcement and closed
// by the close code.
class ProgressBox {
 public:
  explicit ProgressBox(QWidget* window) : m_window(window) {}
  ~ProgressBox() { delete m_dialog; }

  int handle(int code, ProcessProgressInfo* info) {
    if (code & kProgressBitOpen) open();
    if (m_dialog != nullptr && info != nullptr) {
      if (code & kProgressBitTitle) m_dialog->setWindowTitle(QString::fromStdString(info->title));
      if (code & kProgressBitText) {
        m_dialog->setLabelText(plainTextFromTags(info->text));
      } else if (code & kProgressBitTitle) {
        m_dialog->setLabelText(QString::fromStdString(info->title));
      }
      if (code & kProgressBitOpen) m_dialog->setRange(info->minimum, info->maximum);
      if (code & kProgressBitPosition) m_dialog->setValue(info->position);
    }
    if (code & kProgressBitQueryCancel) {
      QApplication::processEvents();
      return m_dialog != nullptr && m_dialog->wasCanceled() ? 1 : 0;
    }
    if (code & kProgressBitClose) {
      delete m_dialog;
      m_dialog = nullptr;
    }
    return 0;
  }

 private:
  void open() {
    if (m_dialog != nullptr) return;
    m_dialog = new QProgressDialog(m_window);
    m_dialog->setObjectName(kProgressDialogName);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(400);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
  }

  QPointer<QWidget> m_window;
  QPointer<QProgressDialog> m_dialog;
};

}  // namespace

struct DialogHooks::Saved {
  IoReportHandler reports;
  MessageBoxHandler messages;
  OpenFilesHook openFiles;
  SelectFolderHook selectFolder;
  NotificationHook notification;
  CFileIo::FileDialogHook saveFile;
  ProgressHandler progress;
  std::shared_ptr<ProgressBox> box;
};

DialogHooks::DialogHooks(QWidget* window) : m_saved(new Saved) {
  QPointer<QWidget> owner(window);
  m_saved->box = std::make_shared<ProgressBox>(window);
  // A file that could not be read or written is said in a box the user
  // answers, with the reader's log under it.
  m_saved->reports = setIoReportHandler([owner](const IoReport& report) {
    // The user who refused the options knows it already.
    if (report.errorCode == IO_ERROR_CANCELLED) return;
    const unsigned icon =
        report.reportCode == kIoReportInformation ? kMsgIconInformation : kMsgIconError;
    CNotifyDlg2::ShowMessage(owner, formatIoReport(report), kMsgOk | icon);
  });
  m_saved->messages = setMessageBoxHandler([owner](const std::string& text, unsigned type) {
    return CNotifyDlg2::ShowMessage(owner, text, type);
  });
  m_saved->openFiles = setOpenFilesHook([owner](std::uint32_t fileClass, std::uint32_t kinds) {
    return openFiles(owner, fileClass, kinds);
  });
  m_saved->selectFolder =
      setSelectFolderHook([owner](const std::string& text, const std::string& initial) {
        return CSelectFolderDlg::Choose(owner, text, initial);
      });
  // Notifications explain, they ask nothing: shown for a while over the
  // window, never waited for.
  m_saved->notification =
      setNotificationHook([owner](int, const std::string& title, const std::string& text) {
        CNotifyDlg2::ShowDialog(owner, "<b>" + title + "</b><br>" + text, 1, 10000);
      });
  m_saved->saveFile =
      CFileIo::SetFileDialogHook([owner](CFileIo& io, std::uint32_t kinds, CFileNameSpec& chosen) {
        std::string name;
        std::uint32_t fileClass = 0;
        if (!saveFile(owner, io.GetFileName(), io.GetFileClass(), kinds, name, fileClass)) return 0;
        chosen = CFileNameSpec(name, fileClass);
        return 1;
      });
  C2DIo::SetFileDialogHook([owner](C2DIo& io, std::uint32_t kinds) {
    std::string name;
    std::uint32_t fileClass = 0;
    if (!saveFile(owner, io.GetFileName(), fileGetClassOf(io.GetFileName()), kinds, name,
                  fileClass)) {
      return 0;
    }
    io.SetFileName(name);
    return 1;
  });
  std::weak_ptr<ProgressBox> box = m_saved->box;
  m_saved->progress = setProgressHandler([box](int code, ProcessProgressInfo* info) {
    const std::shared_ptr<ProgressBox> live = box.lock();
    return live ? live->handle(code, info) : 0;
  });
}

DialogHooks::~DialogHooks() {
  setIoReportHandler(std::move(m_saved->reports));
  setMessageBoxHandler(std::move(m_saved->messages));
  setOpenFilesHook(std::move(m_saved->openFiles));
  setSelectFolderHook(std::move(m_saved->selectFolder));
  setNotificationHook(std::move(m_saved->notification));
  CFileIo::SetFileDialogHook(std::move(m_saved->saveFile));
  C2DIo::SetFileDialogHook({});
  setProgressHandler(std::move(m_saved->progress));
  delete m_saved;
}

}  // namespace vex3d::ui
