#include "viewer/dialogs/export_sheet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "io/parser.h"
#include "scene/scene_io_options.h"

namespace {

QString text(unsigned id) { return QString::fromStdString(LoadStringW(id)); }

template <class Button>
Button* button(QWidget* parent, unsigned id, const char* name) {
  auto* made = new Button(text(id), parent);
  made->setObjectName(name);
  return made;
}

}  // namespace

C3DExportPage::C3DExportPage(CSceneExportOptions& options, std::uint32_t& preferencesFlags)
    : CCustomPropertyPage(text(vex3d::kStrExportOptions)),
      m_options(options),
      m_preferences(preferencesFlags) {
  setObjectName("exportPage");
  auto* layout = new QVBoxLayout(this);

  auto* faces = new QGroupBox(this);
  auto* facesLayout = new QVBoxLayout(faces);
  m_keepFaces = button<QRadioButton>(faces, vex3d::kStrKeepFaces, "keepFaces");
  m_quadrangulate = button<QRadioButton>(faces, vex3d::kStrQuadrangulate, "quadrangulate");
  m_triangulate = button<QRadioButton>(faces, vex3d::kStrTriangulate, "triangulate");
  for (QRadioButton* radio : {m_keepFaces, m_quadrangulate, m_triangulate}) {
    facesLayout->addWidget(radio);
  }
  layout->addWidget(faces);

  auto* patches = new QGroupBox(this);
  auto* patchesLayout = new QVBoxLayout(patches);
  m_keepPatches = button<QRadioButton>(patches, vex3d::kStrKeepPatches, "keepPatches");
  m_patchesSubdivided =
      button<QRadioButton>(patches, vex3d::kStrPatchesToSubdivided, "patchesToSubdivided");
  m_patchesUnsubdivided =
      button<QRadioButton>(patches, vex3d::kStrPatchesToUnsubdivided, "patchesToUnsubdivided");
  for (QRadioButton* radio : {m_keepPatches, m_patchesSubdivided, m_patchesUnsubdivided}) {
    patchesLayout->addWidget(radio);
  }
  layout->addWidget(patches);

  m_global = button<QCheckBox>(this, vex3d::kStrExportGlobalCoordinates, "globalCoordinates");
  m_disconnect = button<QCheckBox>(this, vex3d::kStrDisconnectFaces, "disconnectFaces");
  m_hidden = button<QCheckBox>(this, vex3d::kStrSaveHiddenObjects, "saveHidden");
  m_ignoreUV = button<QCheckBox>(this, vex3d::kStrIgnoreUV, "ignoreUV");
  m_projectedUV = button<QCheckBox>(this, vex3d::kStrExportProjectedUV, "projectedUV");
  m_ignoreVC = button<QCheckBox>(this, vex3d::kStrIgnoreVertexColors, "ignoreVertexColors");
  m_ignoreNormals =
      button<QCheckBox>(this, vex3d::kStrIgnoreSpecifiedNormals, "ignoreSpecifiedNormals");
  m_report = button<QCheckBox>(this, vex3d::kStrDisplayConversionReport, "conversionReport");
  for (QCheckBox* box : {m_global, m_disconnect, m_hidden, m_ignoreUV}) layout->addWidget(box);
  auto* projected = new QHBoxLayout;
  projected->addSpacing(20);
  projected->addWidget(m_projectedUV);
  layout->addLayout(projected);
  for (QCheckBox* box : {m_ignoreVC, m_ignoreNormals, m_report}) layout->addWidget(box);
  m_restore = button<QPushButton>(this, vex3d::kStrRestoreDefaultSettings, "restoreDefaults");
  auto* restoreRow = new QHBoxLayout;
  restoreRow->addStretch();
  restoreRow->addWidget(m_restore);
  layout->addLayout(restoreRow);
  layout->addStretch();

  for (QAbstractButton* control : std::initializer_list<QAbstractButton*>{
           m_keepFaces, m_quadrangulate, m_triangulate, m_keepPatches, m_patchesSubdivided,
           m_patchesUnsubdivided, m_global, m_disconnect, m_hidden, m_ignoreUV, m_projectedUV,
           m_ignoreVC, m_ignoreNormals}) {
    connect(control, &QAbstractButton::toggled, this, [this] { updateState(); });
  }
  connect(m_restore, &QPushButton::clicked, this, &C3DExportPage::RestoreDefaults);
}

std::uint32_t C3DExportPage::GetFormatDefaults() const {
  return (m_options.m_forcedFlags | m_options.m_defaultFlags) & vex3d::viewer::kExportPageFlags;
}

void C3DExportPage::OnInitDialog() {
  showFlags(m_options.m_flags | m_options.m_forcedFlags);
  m_report->setChecked((m_preferences & vex3d::viewer::kExportShowReport) != 0);
  const std::uint32_t forced = m_options.m_forcedFlags;
  m_global->setEnabled(!(forced & EXPORT_WORLD_COORDINATES));
  // Triangles imposed: no choice left; polygons cut to quadrilaterals
  // imposed: they cannot be kept whole.
  for (QRadioButton* radio : {m_keepFaces, m_quadrangulate, m_triangulate}) {
    radio->setEnabled(!(forced & EXPORT_TRIANGULATE));
  }
  if (forced & EXPORT_TRIANGULATE_POLYGONS) m_keepFaces->setEnabled(false);
  m_keepPatches->setEnabled(!(forced & (EXPORT_PATCHES_TO_MESHES | EXPORT_PATCHES_TO_SOURCE)));
  m_disconnect->setEnabled(!(forced & EXPORT_DISCONNECT_SEAMS));
  m_ignoreUV->setEnabled(!(forced & EXPORT_REMOVE_UVW));
  m_ignoreVC->setEnabled(!(forced & EXPORT_REMOVE_VC));
  updateState();
}

void C3DExportPage::showFlags(std::uint32_t flags) {
  if (flags & EXPORT_TRIANGULATE) {
    m_triangulate->setChecked(true);
  } else if (flags & EXPORT_TRIANGULATE_POLYGONS) {
    m_quadrangulate->setChecked(true);
  } else {
    m_keepFaces->setChecked(true);
  }
  if (flags & EXPORT_PATCHES_TO_MESHES) {
    m_patchesSubdivided->setChecked(true);
  } else if (flags & EXPORT_PATCHES_TO_SOURCE) {
    m_patchesUnsubdivided->setChecked(true);
  } else {
    m_keepPatches->setChecked(true);
  }
  m_global->setChecked(flags & EXPORT_WORLD_COORDINATES);
  m_disconnect->setChecked(flags & EXPORT_DISCONNECT_SEAMS);
  m_hidden->setChecked(flags & EXPORT_KEEP_HIDDEN);
  m_ignoreUV->setChecked(flags & EXPORT_REMOVE_UVW);
  m_projectedUV->setChecked(flags & EXPORT_GENERATE_UVW);
  m_ignoreVC->setChecked(flags & EXPORT_REMOVE_VC);
  m_ignoreNormals->setChecked(flags & EXPORT_REMOVE_SPEC_NORMALS);
  updateState();
}

std::uint32_t C3DExportPage::GetPageFlags() const {
  std::uint32_t flags = 0;
  if (m_triangulate->isChecked()) flags |= EXPORT_TRIANGULATE;
  if (m_quadrangulate->isChecked()) flags |= EXPORT_TRIANGULATE_POLYGONS;
  if (m_patchesSubdivided->isChecked()) flags |= EXPORT_PATCHES_TO_MESHES;
  if (m_patchesUnsubdivided->isChecked()) flags |= EXPORT_PATCHES_TO_SOURCE;
  if (m_global->isChecked()) flags |= EXPORT_WORLD_COORDINATES;
  if (m_disconnect->isChecked()) flags |= EXPORT_DISCONNECT_SEAMS;
  if (m_hidden->isChecked()) flags |= EXPORT_KEEP_HIDDEN;
  if (m_ignoreUV->isChecked()) flags |= EXPORT_REMOVE_UVW;
  // Coordinates made for projected maps mean nothing once UV are dropped.
  if (m_projectedUV->isChecked() && !m_ignoreUV->isChecked()) flags |= EXPORT_GENERATE_UVW;
  if (m_ignoreVC->isChecked()) flags |= EXPORT_REMOVE_VC;
  if (m_ignoreNormals->isChecked()) flags |= EXPORT_REMOVE_SPEC_NORMALS;
  return flags;
}

void C3DExportPage::updateState() {
  m_projectedUV->setEnabled(m_ignoreUV->isEnabled() && !m_ignoreUV->isChecked());
  m_restore->setVisible(GetPageFlags() != GetFormatDefaults());
}

void C3DExportPage::RestoreDefaults() { showFlags(GetFormatDefaults()); }

void C3DExportPage::OnApply() {
  m_options.m_flags = (m_options.m_flags & ~vex3d::viewer::kExportPageFlags) | GetPageFlags() |
                      m_options.m_forcedFlags;
  if (m_report->isChecked()) {
    m_preferences |= vex3d::viewer::kExportShowReport;
  } else {
    m_preferences &= ~vex3d::viewer::kExportShowReport;
  }
}

C3DExportSheet::C3DExportSheet(CSceneExportOptions& options, std::uint32_t& preferencesFlags,
                               const std::string& mainExtension, QWidget* parent)
    : CCustomPropertySheet(text(vex3d::kStrExportOptions), parent) {
  setObjectName(vex3d::viewer::kExportSheetName);
  if (!mainExtension.empty()) {
    setWindowTitle(windowTitle() + " - " + QString::fromStdString(mainExtension).toUpper());
  }
  AddPage(new C3DExportPage(options, preferencesFlags));
}

int C3DExportSheet::Show(CSceneExportOptions& options, std::uint32_t& preferencesFlags,
                         const std::string& mainExtension, QWidget* parent) {
  C3DExportSheet sheet(options, preferencesFlags, mainExtension, parent);
  return sheet.exec() == QDialog::Accepted ? 1 : 0;
}

namespace vex3d::viewer {

struct ExportSheetScope::Saved {
  ExportSheetHook previous;
};

ExportSheetScope::ExportSheetScope(QWidget* parent) : m_saved(std::make_unique<Saved>()) {
  QPointer<QWidget> owner(parent);
  m_saved->previous = setExportSheetHook(
      [owner](CSceneExportOptions& options, std::uint32_t& preferences, const std::string& ext) {
        return C3DExportSheet::Show(options, preferences, ext, owner);
      });
}

ExportSheetScope::~ExportSheetScope() { setExportSheetHook(std::move(m_saved->previous)); }

}  // namespace vex3d::viewer
