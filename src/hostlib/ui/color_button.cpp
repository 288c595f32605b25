#include "hostlib/ui/color_button.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionButton>
#include <functional>

namespace {

QColor toQColor(const CRGBColor& c) { return QColor(c.GetRed(), c.GetGreen(), c.GetBlue()); }

}  // namespace

CColorButton::CColorButton(QWidget* parent, const QString& text) : QPushButton(text, parent) {
  setMinimumSize(48, 24);
  connect(this, &QPushButton::clicked, this, [this] { ChooseColor(); });
}

void CColorButton::SetColor(const CRGBColor& color) {
  m_color = color;
  setToolTip(toQColor(color).name());
  update();
}

bool CColorButton::ChooseColor() {
  // Qt's own chooser, so that it can be driven the same way everywhere.
  QColorDialog dialog(toQColor(m_color), this);
  dialog.setObjectName(vex3d::ui::kColorDialogName);
  dialog.setOption(QColorDialog::DontUseNativeDialog, true);
  if (!text().isEmpty()) dialog.setWindowTitle(text().remove('&'));
  if (dialog.exec() != QDialog::Accepted) return false;
  const QColor chosen = dialog.selectedColor();
  if (!chosen.isValid()) return false;
  CRGBColor color = m_color;
  color.SetRGB(static_cast<std::uint8_t>(chosen.red()), static_cast<std::uint8_t>(chosen.green()),
               static_cast<std::uint8_t>(chosen.blue()));
  SetColor(color);
  if (m_changed) m_changed(m_color);
  return true;
}

void CColorButton::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  // The colour fills the button inside its frame; a text, when there is
  // one, is drawn in the colour's contrasting shade.
  QStyleOptionButton option;
  initStyleOption(&option);
  const QRect inside = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  QPainter painter(this);
  const QColor face = toQColor(m_color);
  painter.fillRect(inside.adjusted(1, 1, -1, -1), face);
  if (!text().isEmpty()) {
    painter.setPen(face.lightness() > 128 ? Qt::black : Qt::white);
    painter.drawText(inside, Qt::AlignCenter | Qt::TextShowMnemonic, text());
  }
}
