#include "hostlib/ui/default_dlg.h"

#include <QVBoxLayout>

#include "hostlib/core/message_box.h"
#include "hostlib/ui/notify_dlg.h"

CDefaultDlg::CDefaultDlg(const QString& caption, QWidget* parent, bool withCancel)
    : QDialog(parent),
      m_content(new QVBoxLayout),
      m_buttons(new QDialogButtonBox(withCancel
                                         ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                         : QDialogButtonBox::StandardButtons(QDialogButtonBox::Ok),
                                     this)) {
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(m_content);
  layout->addWidget(m_buttons);
  connect(m_buttons, &QDialogButtonBox::accepted, this, &CDefaultDlg::accept);
  connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

CDefaultDlg::~CDefaultDlg() = default;

bool CDefaultDlg::RefuseValue(QWidget* field, const std::string& message) {
  CNotifyDlg2::ShowMessage(this, message, vex3d::kMsgOk | vex3d::kMsgIconWarning);
  if (field != nullptr) field->setFocus(Qt::OtherFocusReason);
  return false;
}

void CDefaultDlg::accept() {
  if (!OnValidate()) return;
  OnOK();
  QDialog::accept();
}
