#include "hostlib/ui/notify_dlg.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "hostlib/core/message_box.h"
#include "hostlib/ui/rich_text.h"

namespace {

QMessageBox::Icon iconOf(unsigned type, vex3d::ui::MessageMark mark) {
  switch (type & vex3d::kMsgIconMask) {
    case vex3d::kMsgIconError:
      return QMessageBox::Critical;
    case vex3d::kMsgIconQuestion:
      return QMessageBox::Question;
    case vex3d::kMsgIconWarning:
      return QMessageBox::Warning;
    case vex3d::kMsgIconInformation:
      return QMessageBox::Information;
    default:
      break;
  }
  if (mark == vex3d::ui::MessageMark::error) return QMessageBox::Critical;
  if (mark == vex3d::ui::MessageMark::information) return QMessageBox::Information;
  return QMessageBox::NoIcon;
}

}  // namespace

int CNotifyDlg2::ShowMessage(QWidget* parent, const std::string& text, unsigned type) {
  const vex3d::ui::RichMessage message = vex3d::ui::richTextFromTags(text);
  QMessageBox box(parent);
  box.setTextFormat(Qt::RichText);
  box.setText(message.html);
  box.setIcon(iconOf(type, message.mark));
  box.setWindowTitle(QApplication::applicationDisplayName());
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  QMessageBox::StandardButton escape = QMessageBox::Ok;
  switch (type & vex3d::kMsgButtonsMask) {
    case vex3d::kMsgOkCancel:
      buttons = QMessageBox::Ok | QMessageBox::Cancel;
      escape = QMessageBox::Cancel;
      break;
    case vex3d::kMsgYesNoCancel:
      buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      escape = QMessageBox::Cancel;
      break;
    case vex3d::kMsgYesNo:
      buttons = QMessageBox::Yes | QMessageBox::No;
      escape = QMessageBox::No;
      break;
    default:
      break;
  }
  box.setStandardButtons(buttons);
  box.setEscapeButton(escape);
  box.setDefaultButton(buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
  box.exec();
  auto* clicked = box.clickedButton();
  const QMessageBox::StandardButton answer =
      clicked != nullptr ? box.standardButton(clicked) : escape;
  switch (answer) {
    case QMessageBox::Yes:
      return vex3d::kAnswerYes;
    case QMessageBox::No:
      return vex3d::kAnswerNo;
    case QMessageBox::Cancel:
      return vex3d::kAnswerCancel;
    default:
      return vex3d::kAnswerOk;
  }
}

void CNotifyDlg2::ShowDialog(QWidget* parent, const std::string& text, int mode, int milliseconds) {
  auto* label = new QLabel(parent, Qt::ToolTip);
  label->setObjectName("notification");
  label->setAttribute(Qt::WA_DeleteOnClose);
  label->setTextFormat(Qt::RichText);
  label->setText(vex3d::ui::richTextFromTags(text).html);
  label->setMargin(12);
  label->setFrameShape(QFrame::StyledPanel);
  label->adjustSize();
  if (parent != nullptr) {
    const QRect area = parent->rect();
    QPoint at((area.width() - label->width()) / 2, (area.height() - label->height()) / 2);
    if (mode == 1) at.setY(area.height() / 8);
    label->move(parent->mapToGlobal(at));
  }
  label->show();
  QTimer::singleShot(milliseconds, label, &QLabel::close);
}
