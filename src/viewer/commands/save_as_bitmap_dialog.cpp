#include "viewer/commands/save_as_bitmap_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

#include "hostlib/commands/command.h"
#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "viewer/save_as_bitmap.h"

namespace {

QString text(std::uint32_t id) { return QString::fromStdString(LoadStringW(id)); }

void fillList(QComboBox* box, std::uint32_t listId) {
  const QStringList items = text(listId).split('|');
  for (int i = 0; i < items.size(); ++i) box->addItem(items[i], i);
}

QSpinBox* spin(QWidget* parent, const char* name, int low, int high) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(name);
  box->setRange(low, high);
  return box;
}

QColor fromColorRef(std::uint32_t c) {
  return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

}  // namespace

C3DSaveAsBitmapDlg::C3DSaveAsBitmapDlg(CVexCommand& command, QWidget* parent)
    : CCommandDlg(command, parent),
      m_renderMode(new QComboBox(this)),
      m_viewPos(new QComboBox(this)),
      m_width(spin(this, "width", 1, 16384)),
      m_height(spin(this, "height", 1, 16384)),
      m_antialias(new QCheckBox(text(vex3d::kStrAntialiasedLabel), this)),
      m_animate(new QCheckBox(text(vex3d::kStrAnimationLabel), this)),
      m_movement(new QComboBox(this)),
      m_images(spin(this, "images", 1, 3600)),
      m_amplitude(spin(this, "amplitude", 1, 3600)),
      m_color(new QPushButton(text(vex3d::kStrBackgroundLabel), this)) {
  setObjectName("saveAsBitmapDialog");
  setWindowTitle(text(vex3d::kStrSaveAsImageTitle));
  m_renderMode->setObjectName("renderMode");
  m_viewPos->setObjectName("viewPos");
  m_antialias->setObjectName("antialias");
  m_animate->setObjectName("animate");
  m_movement->setObjectName("movement");
  m_color->setObjectName("background");
  fillList(m_renderMode, vex3d::kStrRenderModes);
  fillList(m_viewPos, vex3d::kStrViewPositions);
  fillList(m_movement, vex3d::kStrDirections);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_animate, &QCheckBox::toggled, this, [this] { updateSeriesControls(); });
  connect(m_color, &QPushButton::clicked, this, [this] { chooseColor(); });
  auto* layout = new QFormLayout(this);
  layout->addRow(text(vex3d::kStrRenderModeLabel), m_renderMode);
  layout->addRow(text(vex3d::kStrViewPositionLabel), m_viewPos);
  layout->addRow(text(vex3d::kStrImageWidthLabel), m_width);
  layout->addRow(text(vex3d::kStrImageHeightLabel), m_height);
  layout->addRow(m_antialias);
  layout->addRow(m_color);
  layout->addRow(m_animate);
  layout->addRow(text(vex3d::kStrImagesNumberLabel), m_images);
  layout->addRow(text(vex3d::kStrDirectionLabel), m_movement);
  layout->addRow(text(vex3d::kStrAmplitudeLabel), m_amplitude);
  layout->addRow(buttons);
  LoadParameters();
}

void C3DSaveAsBitmapDlg::LoadParameters() {
  const CCustomData& p = GetParameters();
  const C3DSaveAsBitmap::Params d;
  m_renderMode->setCurrentIndex(int(p.GetUInt(vex3d::kSaveBitmapRenderMode, d.renderMode)));
  m_viewPos->setCurrentIndex(
      m_viewPos->findData(int(p.GetUInt(vex3d::kSaveBitmapViewPos, d.viewPos))));
  m_width->setValue(int(p.GetUInt(vex3d::kSaveBitmapWidth, d.width)));
  m_height->setValue(int(p.GetUInt(vex3d::kSaveBitmapHeight, d.height)));
  m_antialias->setChecked(p.GetBool(vex3d::kSaveBitmapAntialias, d.antialias));
  m_animate->setChecked(p.GetBool(vex3d::kSaveBitmapAnimate, d.animate));
  m_movement->setCurrentIndex(int(p.GetUInt(vex3d::kSaveBitmapMovement, d.movement)));
  m_images->setValue(int(p.GetUInt(vex3d::kSaveBitmapImages, d.images)));
  m_amplitude->setValue(int(p.GetUInt(vex3d::kSaveBitmapAmplitude, d.amplitude)));
  SetBackground(p.GetUInt(vex3d::kSaveBitmapBackground, d.background));
  updateSeriesControls();
}

void C3DSaveAsBitmapDlg::StoreParameters() {
  CCustomData& p = GetParameters();
  p.SetUInt(vex3d::kSaveBitmapRenderMode, std::uint32_t(m_renderMode->currentIndex()));
  p.SetUInt(vex3d::kSaveBitmapViewPos, m_viewPos->currentData().toUInt());
  p.SetUInt(vex3d::kSaveBitmapWidth, std::uint32_t(m_width->value()));
  p.SetUInt(vex3d::kSaveBitmapHeight, std::uint32_t(m_height->value()));
  p.SetBool(vex3d::kSaveBitmapAntialias, m_antialias->isChecked());
  p.SetBool(vex3d::kSaveBitmapAnimate, m_animate->isChecked());
  p.SetUInt(vex3d::kSaveBitmapMovement, std::uint32_t(m_movement->currentIndex()));
  p.SetUInt(vex3d::kSaveBitmapImages, std::uint32_t(m_images->value()));
  p.SetUInt(vex3d::kSaveBitmapAmplitude, std::uint32_t(m_amplitude->value()));
  p.SetUInt(vex3d::kSaveBitmapBackground, m_background);
}

void C3DSaveAsBitmapDlg::SetBackground(std::uint32_t color) {
  m_background = color & 0xFFFFFF;
  m_color->setIcon([this] {
    QPixmap swatch(16, 16);
    swatch.fill(fromColorRef(m_background));
    return QIcon(swatch);
  }());
}

void C3DSaveAsBitmapDlg::updateSeriesControls() {
  const bool series = m_animate->isChecked();
  m_images->setEnabled(series);
  m_movement->setEnabled(series);
  m_amplitude->setEnabled(series);
}

void C3DSaveAsBitmapDlg::chooseColor() {
  const QColor chosen = QColorDialog::getColor(fromColorRef(m_background), this);
  if (!chosen.isValid()) return;
  SetBackground(std::uint32_t(chosen.red()) | (std::uint32_t(chosen.green()) << 8) |
                (std::uint32_t(chosen.blue()) << 16));
}
