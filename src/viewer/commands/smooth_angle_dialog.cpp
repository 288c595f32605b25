#include "viewer/commands/smooth_angle_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"

CSmoothAngleDialog::CSmoothAngleDialog(QWidget* parent, int degrees)
    : QDialog(parent), m_angle(new QSpinBox(this)) {
  setObjectName("smoothAngleDialog");
  setWindowTitle(QString::fromStdString(LoadStringW(vex3d::kStrSmoothingAngleTitle)));
  m_angle->setObjectName("angle");
  m_angle->setRange(0, 180);
  m_angle->setSuffix(QStringLiteral("°"));
  m_angle->setValue(degrees);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QFormLayout(this);
  layout->addRow(QString::fromStdString(LoadStringW(vex3d::kStrSmoothingAngleLabel)), m_angle);
  layout->addRow(buttons);
}

int CSmoothAngleDialog::GetAngle() const { return m_angle->value(); }

std::optional<int> CSmoothAngleDialog::AskAngle(QWidget* parent, int degrees) {
  CSmoothAngleDialog dialog(parent, degrees);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.GetAngle();
}
