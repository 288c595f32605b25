#include "viewer/dialogs/material_info.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>

#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "hostlib/ui/color_button.h"
#include "material/material.h"
#include "material/material_map.h"
#include "scene/scene.h"

namespace {

QString text(unsigned id) { return QString::fromStdString(LoadStringW(id)); }

CColorButton* colorField(QWidget* parent, const CRGBColor& color, const char* name) {
  auto* button = new CColorButton(parent);
  button->setObjectName(name);
  button->SetColor(color);
  // The colours are shown, not edited here.
  button->setEnabled(false);
  return button;
}

QLineEdit* valueField(QWidget* parent, const QString& value, const char* name) {
  auto* field = new QLineEdit(value, parent);
  field->setObjectName(name);
  field->setReadOnly(true);
  return field;
}

}  // namespace

CMaterialInfo::CMaterialInfo(C3DScene& scene, C3DMaterial& material, QWidget* parent)
    : CDefaultDlg(text(vex3d::kStrMaterialInformation), parent, false),
      m_scene(scene),
      m_material(material),
      m_file(new QLineEdit(this)),
      m_open(new QPushButton(text(vex3d::kStrOpenBitmap), this)) {
  setObjectName(vex3d::viewer::kMaterialInfoName);
  auto* form = new QFormLayout;
  form->addRow(text(vex3d::kStrMaterialName),
               valueField(this, QString::fromStdString(material.GetName()), "name"));
  form->addRow(text(vex3d::kStrMaterialDiffuse),
               colorField(this, material.GetDiffuseColor(), "diffuse"));
  form->addRow(text(vex3d::kStrMaterialAmbient),
               colorField(this, material.GetAmbientColor(), "ambient"));
  form->addRow(text(vex3d::kStrMaterialSpecular),
               colorField(this, material.GetSpecularColor(), "specular"));
  // Radians in the material, degrees for people.
  const double degrees = material.GetSmoothAngle() * 180.0 / 3.14159265358979;
  form->addRow(text(vex3d::kStrMaterialSmoothAngle),
               valueField(this, QString::asprintf("%.1f", degrees), "smoothAngle"));
  form->addRow(
      text(vex3d::kStrMaterialTransparency),
      valueField(this,
                 QString::asprintf("%.2f", static_cast<double>(material.GetTransparencyFactor())),
                 "transparency"));
  GetContentLayout()->addLayout(form);

  m_file->setObjectName("textureFile");
  m_file->setReadOnly(true);
  auto* modify = new QPushButton(text(vex3d::kStrModifyFile), this);
  modify->setObjectName("modifyFile");
  m_open->setObjectName("openBitmap");
  GetContentLayout()->addWidget(m_file);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(modify);
  buttons->addWidget(m_open);
  buttons->addStretch();
  GetContentLayout()->addLayout(buttons);
  connect(modify, &QPushButton::clicked, this, &CMaterialInfo::modifyFile);
  connect(m_open, &QPushButton::clicked, this, &CMaterialInfo::openBitmap);
  showFile();
}

std::string CMaterialInfo::GetBitmapPath() const {
  const CMaterialMap* map = m_material.GetDiffuseMaps();
  if (map == nullptr || map->GetFileName().empty()) return {};
  // Names are kept relative to the scene's folder where they can be.
  std::filesystem::path file(map->GetFileName());
  if (file.is_relative() && !m_scene.GetFilepath().empty()) {
    file = std::filesystem::path(m_scene.GetFilepath()) / file;
  }
  return file.lexically_normal().string();
}

void CMaterialInfo::showFile() {
  const CMaterialMap* map = m_material.GetDiffuseMaps();
  m_file->setText(map != nullptr ? QString::fromStdString(map->GetFileName()) : QString());
  const std::string path = GetBitmapPath();
  m_open->setEnabled(!path.empty() && QFileInfo(QString::fromStdString(path)).isFile());
}

void CMaterialInfo::SetTextureFile(const std::string& file) {
  CMaterialMap* map = m_material.GetDiffuseMaps();
  if (map == nullptr) {
    map = m_material.AddMaterialMap(file, 0xFFFFFFFF, MAP_DIFFUSE, PROJECTION_EXPLICIT);
  }
  if (map == nullptr) return;
  map->SetFileName(file, &m_scene);
  m_modified = true;
  showFile();
}

void CMaterialInfo::modifyFile() {
  QFileDialog dialog(this);
  dialog.setObjectName("textureFileDialog");
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setFileMode(QFileDialog::ExistingFile);
  QStringList patterns;
  for (const QByteArray& format : QImageReader::supportedImageFormats()) {
    patterns << "*." + QString::fromLatin1(format);
  }
  dialog.setNameFilters({"(" + patterns.join(' ') + ")", "(*)"});
  const std::string current = GetBitmapPath();
  if (!current.empty()) {
    dialog.setDirectory(QFileInfo(QString::fromStdString(current)).absolutePath());
  } else if (!m_scene.GetFilepath().empty()) {
    dialog.setDirectory(QString::fromStdString(m_scene.GetFilepath()));
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  SetTextureFile(dialog.selectedFiles().front().toStdString());
}

void CMaterialInfo::openBitmap() {
  const QString path = QString::fromStdString(GetBitmapPath());
  QImageReader reader(path);
  const QImage image = reader.read();
  QDialog viewer(this);
  viewer.setObjectName(vex3d::viewer::kBitmapViewerName);
  viewer.setWindowTitle(QFileInfo(path).fileName());
  auto* picture = new QLabel(&viewer);
  picture->setObjectName("bitmap");
  if (image.isNull()) {
    picture->setText(reader.errorString());
  } else {
    picture->setPixmap(QPixmap::fromImage(image));
  }
  auto* area = new QScrollArea(&viewer);
  area->setWidget(picture);
  area->setWidgetResizable(false);
  auto* layout = new QVBoxLayout(&viewer);
  layout->addWidget(area);
  viewer.resize(std::min(image.width(), 800) + 40, std::min(image.height(), 600) + 40);
  viewer.exec();
}
