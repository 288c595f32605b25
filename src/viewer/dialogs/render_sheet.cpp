#include "viewer/dialogs/render_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "hostlib/core/message_box.h"
#include "hostlib/files/profile.h"
#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "hostlib/ui/color_button.h"
#include "hostlib/ui/select_folder_dlg.h"
#include "render/view.h"
#include "render/view_flags.h"
#include "scene/preferences.h"
#include "scene/scene.h"
#include "viewer/frame/frame_viewer.h"
#include "viewer/frame/view_window.h"

namespace {

constexpr const char* kSection = "Render";
constexpr unsigned int kMaxPatchLevel = 4;
// "glsettings" bit 0: the window uses the configuration stored under
// "glpixelformat".
constexpr int kAlternativeFormat = 0x1;

QString text(unsigned id) { return QString::fromStdString(LoadStringW(id)); }

QCheckBox* check(QWidget* parent, unsigned id, const char* name) {
  auto* box = new QCheckBox(text(id), parent);
  box->setObjectName(name);
  return box;
}

std::uint32_t storedViewMode() {
  return static_cast<std::uint32_t>(
      GetProfileInt(kSection, "viewmode", static_cast<int>(vex3d::kDefaultViewMode)));
}

std::uint32_t withBit(std::uint32_t word, std::uint32_t bit, bool on) {
  return on ? word | bit : word & ~bit;
}

// Applies `viewMode` (and what else `mask` names in `settings`) to the
// frame's view and keeps it in the profile.
void applyViewMode(C3DFrameViewer& frame, _GlViewSettings settings, std::uint32_t mask) {
  settings.size = sizeof(_GlViewSettings);
  settings.mask = mask;
  WriteProfileInt(kSection, "viewmode", static_cast<int>(settings.viewMode));
  frame.SetViewSettings(settings);
}

CRGBColor storedColor(const char* entry, std::uint32_t fallback) {
  return CRGBColor(
      static_cast<std::uint32_t>(GetProfileInt(kSection, entry, static_cast<int>(fallback))));
}

CColorButton* colorRow(QGridLayout* grid, int row, unsigned id, const char* name) {
  auto* button = new CColorButton(grid->parentWidget());
  button->setObjectName(name);
  auto* label = new QLabel(text(id), grid->parentWidget());
  label->setBuddy(button);
  grid->addWidget(label, row, 0);
  grid->addWidget(button, row, 1);
  return button;
}

// Single-light rendering and low-resolution textures are one setting seen
// from two pages: a page started after the other shows what the other
// holds now.
bool fastRendering(const CCustomPropertySheet* sheet, const CCustomPropertyPage* asking) {
  if (sheet != nullptr) {
    if (auto* colors = sheet->FindPage<CRenderColorPrefs>();
        colors && colors != asking && colors->IsInitialised()) {
      return colors->GetSingleLightCheck()->isChecked();
    }
    if (auto* textures = sheet->FindPage<CRenderTexturePrefs>();
        textures && textures != asking && textures->IsInitialised()) {
      return textures->GetLowResCheck()->isChecked();
    }
  }
  return (storedViewMode() & VIEW_FAST_RENDERING) != 0;
}

}  // namespace

// ---------------------------------------------------------------- general

CRenderGeneralPrefs::CRenderGeneralPrefs(C3DFrameViewer& frame)
    : CCustomPropertyPage(text(vex3d::kStrGeneralPage)),
      m_frame(frame),
      m_doubleSided(check(this, vex3d::kStrDoubleSided, "doubleSided")),
      m_hiddenStippled(check(this, vex3d::kStrHiddenStippled, "hiddenStippled")),
      m_smallIcons(check(this, vex3d::kStrSmallIcons, "smallIcons")),
      m_selectedFaces(check(this, vex3d::kStrShowSelectedFaces, "selectedFaces")),
      m_vertexColors(check(this, vex3d::kStrUseVertexColors, "vertexColors")),
      m_alphaCut(check(this, vex3d::kStrAlphaCut, "alphaCut")),
      m_patchLevel(new QLineEdit(this)),
      m_alternative(check(this, vex3d::kStrUseAlternativeMode, "alternativeMode")),
      m_formats(new QComboBox(this)),
      m_description(new QPlainTextEdit(this)),
      m_defaultMode(new QPushButton(text(vex3d::kStrDefaultMode), this)),
      m_mayaFolder(new QLineEdit(this)) {
  setObjectName("generalPrefs");
  m_patchLevel->setObjectName("patchLevel");
  m_patchLevel->setMaximumWidth(60);
  m_formats->setObjectName("pixelFormat");
  m_description->setObjectName("pixelFormatDescription");
  m_description->setReadOnly(true);
  m_description->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  m_defaultMode->setObjectName("defaultMode");
  m_mayaFolder->setObjectName("mayaFolder");
  auto* browse = new QPushButton(text(vex3d::kStrBrowse), this);
  browse->setObjectName("browseMaya");

  auto* layout = new QVBoxLayout(this);
  for (QCheckBox* box : {m_doubleSided, m_hiddenStippled, m_smallIcons, m_selectedFaces,
                         m_vertexColors, m_alphaCut}) {
    layout->addWidget(box);
  }
  auto* patch = new QHBoxLayout;
  auto* patchLabel = new QLabel(text(vex3d::kStrPatchLevel), this);
  patchLabel->setBuddy(m_patchLevel);
  patch->addWidget(patchLabel);
  patch->addWidget(m_patchLevel);
  patch->addStretch();
  layout->addLayout(patch);
  layout->addWidget(m_alternative);
  auto* formatLabel = new QLabel(text(vex3d::kStrSelectAlternativeMode), this);
  formatLabel->setBuddy(m_formats);
  auto* formatRow = new QHBoxLayout;
  formatRow->addWidget(formatLabel);
  formatRow->addWidget(m_formats, 1);
  formatRow->addWidget(m_defaultMode);
  layout->addLayout(formatRow);
  layout->addWidget(m_description, 1);
  auto* mayaLabel = new QLabel(text(vex3d::kStrMayaFolder), this);
  mayaLabel->setBuddy(m_mayaFolder);
  layout->addWidget(mayaLabel);
  auto* mayaRow = new QHBoxLayout;
  mayaRow->addWidget(m_mayaFolder, 1);
  mayaRow->addWidget(browse);
  layout->addLayout(mayaRow);

  connect(m_alternative, &QCheckBox::toggled, this, &CRenderGeneralPrefs::alternativeToggled);
  connect(m_formats, &QComboBox::currentIndexChanged, this, &CRenderGeneralPrefs::formatChosen);
  connect(m_defaultMode, &QPushButton::clicked, this, [this] { selectFormat(m_defaultFormat); });
  connect(browse, &QPushButton::clicked, this, &CRenderGeneralPrefs::browseMaya);
}

void CRenderGeneralPrefs::OnInitDialog() {
  const std::uint32_t mode = storedViewMode();
  m_doubleSided->setChecked((mode & VIEW_CULL_BACK) == 0);
  m_hiddenStippled->setChecked((mode & VIEW_HIDDEN_STIPPLED) != 0);
  m_selectedFaces->setChecked((mode & VIEW_SELECTED_FACES) != 0);
  m_vertexColors->setChecked((mode & VIEW_VERTEX_COLORS) != 0);
  m_alphaCut->setChecked(GetProfileInt(kSection, "alphacut", 0) != 0);
  m_storedSmallIcons = !m_frame.IsSettingsFlagSet(FRAME_LARGE_ICONS);
  m_smallIcons->setChecked(m_storedSmallIcons);
  m_storedPatchLevel = GetGlobalPatchLevel();
  m_patchLevel->setText(QString::number(m_storedPatchLevel));

  m_storedSettings = GetProfileInt(kSection, "glsettings", 0);
  m_storedFormat = GetProfileInt(kSection, "glpixelformat", -1);
  m_configs = vex3d::viewer::listWindowConfigs();
  m_formats->blockSignals(true);
  for (const vex3d::viewer::GlFramebufferConfig& config : m_configs) {
    m_formats->addItem(QString::asprintf("%d", config.id), config.id);
  }
  m_formats->blockSignals(false);
  const C3DViewWindow* window = m_frame.GetViewWindow();
  m_defaultFormat = vex3d::viewer::configOfContext(window ? window->GetContext() : nullptr);
  if (m_formats->findData(m_defaultFormat) < 0) {
    m_defaultFormat = m_configs.empty() ? -1 : m_configs.front().id;
  }
  selectFormat(m_formats->findData(m_storedFormat) >= 0 ? m_storedFormat : m_defaultFormat);
  m_alternative->setChecked((m_storedSettings & kAlternativeFormat) != 0);
  alternativeToggled(m_alternative->isChecked());

  int found = 0;
  m_storedMaya = Get3DPreferences().GetMayaPath(found, 0);
  m_mayaFolder->setText(QString::fromStdString(m_storedMaya));
}

int CRenderGeneralPrefs::GetChosenFormat() const {
  const QVariant data = m_formats->currentData();
  return data.isValid() ? data.toInt() : -1;
}

void CRenderGeneralPrefs::selectFormat(int id) {
  const int index = m_formats->findData(id);
  if (index >= 0) m_formats->setCurrentIndex(index);
  formatChosen(m_formats->currentIndex());
}

void CRenderGeneralPrefs::formatChosen(int index) {
  const bool listed = index >= 0 && index < static_cast<int>(m_configs.size());
  m_description->setPlainText(
      listed ? QString::fromStdString(m_configs[std::size_t(index)].description) : QString());
}

void CRenderGeneralPrefs::alternativeToggled(bool on) {
  m_formats->setEnabled(on);
  m_description->setEnabled(on);
  m_defaultMode->setEnabled(on);
}

void CRenderGeneralPrefs::browseMaya() {
  const std::string folder = CSelectFolderDlg::Choose(
      this, LoadStringW(vex3d::kStrSelectMayaFolder), m_mayaFolder->text().toStdString());
  if (!folder.empty()) m_mayaFolder->setText(QString::fromStdString(folder));
}

bool CRenderGeneralPrefs::OnKillActive() {
  bool number = false;
  const int level = m_patchLevel->text().trimmed().toInt(&number);
  if (!number || level < 0 || level > static_cast<int>(kMaxPatchLevel)) {
    return RefuseValue(m_patchLevel, FormatString(vex3d::kStrIntegerRange, 0, int(kMaxPatchLevel)));
  }
  return true;
}

void CRenderGeneralPrefs::OnApply() {
  C3DView* view = m_frame.Get3DView();
  if (view == nullptr) return;

  _GlViewSettings settings = view->GetViewSettings();
  std::uint32_t mode = settings.viewMode;
  mode = withBit(mode, VIEW_CULL_BACK, !m_doubleSided->isChecked());
  mode = withBit(mode, VIEW_HIDDEN_STIPPLED, m_hiddenStippled->isChecked());
  mode = withBit(mode, VIEW_SELECTED_FACES, m_selectedFaces->isChecked());
  mode = withBit(mode, VIEW_VERTEX_COLORS, m_vertexColors->isChecked());
  // Vertex colours are lit per corner: flat shading would hide them.
  if (m_vertexColors->isChecked()) mode = (mode | VIEW_SMOOTH) & ~std::uint32_t{VIEW_FLAT};
  settings.viewMode = mode;
  WriteProfileInt(kSection, "alphacut", m_alphaCut->isChecked() ? 1 : 0);
  applyViewMode(m_frame, settings, GLVS_VIEW_MODE);

  // The window's framebuffer is chosen when the window is made: a new
  // choice waits for the next viewer.
  const int settingsNow = m_alternative->isChecked() ? kAlternativeFormat : 0;
  WriteProfileInt(kSection, "glsettings", settingsNow);
  const int chosen = GetChosenFormat();
  if (m_formats->count() > 0) WriteProfileInt(kSection, "glpixelformat", chosen);
  const bool settingsChanged = settingsNow != (m_storedSettings & kAlternativeFormat);
  if (settingsChanged || (settingsNow != 0 && chosen != m_storedFormat)) {
    AfxMessageBox(LoadStringW(vex3d::kStrNextTimeParameters), vex3d::kMsgIconInformation);
  }
  m_storedSettings = settingsNow;
  if (m_formats->count() > 0) m_storedFormat = chosen;

  if (m_smallIcons->isChecked() != m_storedSmallIcons) {
    // SetSettingsFlag has the frame rebuild its toolbars.
    m_frame.SetSettingsFlag(FRAME_LARGE_ICONS, !m_smallIcons->isChecked());
    m_storedSmallIcons = m_smallIcons->isChecked();
  }

  const unsigned int level = m_patchLevel->text().trimmed().toUInt();
  if (level != m_storedPatchLevel && level <= kMaxPatchLevel) {
    const std::vector<C3DScene*> scenes = m_frame.GetScenes();
    for (C3DScene* scene : scenes) scene->SetGlobalPatchLevel(level);
    if (scenes.empty()) {
      GlobalSceneData.patchLevel = level;
      WriteProfileInt(kSection, "patchlevel", static_cast<int>(level));
    }
    m_frame.SceneChanged(SCENE_CHANGED_POINTS | SCENE_CHANGED_FACES);
    m_storedPatchLevel = level;
  }

  const std::string maya = m_mayaFolder->text().trimmed().toStdString();
  if (maya != m_storedMaya && !maya.empty() && QFileInfo(QString::fromStdString(maya)).isDir()) {
    Get3DPreferences().SetMayaPath(maya, 0, 0);
    int found = 0;
    m_storedMaya = Get3DPreferences().GetMayaPath(found, 0);
  }
}

// ---------------------------------------------------------------- colours

CRenderColorPrefs::CRenderColorPrefs(C3DFrameViewer& frame)
    : CCustomPropertyPage(text(vex3d::kStrColorsPage)), m_frame(frame) {
  setObjectName("colorPrefs");
  auto* layout = new QVBoxLayout(this);
  auto* holder = new QWidget(this);
  auto* grid = new QGridLayout(holder);
  layout->addWidget(holder);
  m_wireframe = colorRow(grid, 0, vex3d::kStrWireframeColor, "wireframeColor");
  m_background = colorRow(grid, 1, vex3d::kStrBackgroundColor, "backgroundColor");
  m_selection = colorRow(grid, 2, vex3d::kStrSelectedFacesColor, "selectionColor");
  m_light = colorRow(grid, 3, vex3d::kStrLightsColor, "lightColor");
  m_singleLight = check(this, vex3d::kStrSingleLight, "singleLight");
  layout->addWidget(m_singleLight);
  layout->addStretch();
}

void CRenderColorPrefs::OnInitDialog() {
  using namespace vex3d::viewer;
  m_wireframe->SetColor(storedColor("wireframecolor", kDefaultWireframeColor));
  m_background->SetColor(storedColor("backgroundcolor", kDefaultBackgroundColor));
  m_selection->SetColor(storedColor("selectioncolor", kDefaultSelectionColor));
  m_light->SetColor(storedColor("lightcolor", kDefaultLightColor));
  m_singleLight->setChecked(fastRendering(GetSheet(), this));
}

void CRenderColorPrefs::OnApply() {
  C3DView* view = m_frame.Get3DView();
  if (view == nullptr) return;
  WriteProfileInt(kSection, "wireframecolor", static_cast<int>(m_wireframe->GetColor().GetRGB()));
  WriteProfileInt(kSection, "selectioncolor", static_cast<int>(m_selection->GetColor().GetRGB()));
  WriteProfileInt(kSection, "backgroundcolor", static_cast<int>(m_background->GetColor().GetRGB()));
  WriteProfileInt(kSection, "lightcolor", static_cast<int>(m_light->GetColor().GetRGB()));
  _GlViewSettings settings = view->GetViewSettings();
  settings.viewMode = withBit(settings.viewMode, VIEW_FAST_RENDERING, m_singleLight->isChecked());
  settings.wireframeColor = m_wireframe->GetColor();
  settings.selectionColor = m_selection->GetColor();
  settings.backgroundColor = m_background->GetColor();
  settings.lightColor = m_light->GetColor();
  applyViewMode(m_frame, settings,
                GLVS_VIEW_MODE | GLVS_BACKGROUND | GLVS_WIREFRAME_COLOR | GLVS_SELECTION_COLOR |
                    GLVS_LIGHT_COLOR);
}

// ---------------------------------------------------------------- textures

CRenderTexturePrefs::CRenderTexturePrefs(C3DFrameViewer& frame)
    : CCustomPropertyPage(text(vex3d::kStrTexturesPage)),
      m_frame(frame),
      m_texturing(check(this, vex3d::kStrEnableTexturingCheck, "enableTexturing")),
      m_lowRes(check(this, vex3d::kStrLowResTextures, "lowRes")),
      m_perspective(check(this, vex3d::kStrPerspectiveCorrection, "perspective")),
      m_smoothed(check(this, vex3d::kStrSmoothedTextures, "smoothTextures")),
      m_maxSize(new QSpinBox(this)) {
  setObjectName("texturePrefs");
  m_maxSize->setObjectName("maxImageSize");
  // Texture sizes: a few texels up to what GL implementations accept.
  m_maxSize->setRange(8, 16384);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_texturing);
  layout->addWidget(m_lowRes);
  auto* size = new QHBoxLayout;
  auto* label = new QLabel(text(vex3d::kStrMaxImageSize), this);
  label->setBuddy(m_maxSize);
  size->addSpacing(20);
  size->addWidget(label);
  size->addWidget(m_maxSize);
  size->addStretch();
  layout->addLayout(size);
  layout->addWidget(m_perspective);
  layout->addWidget(m_smoothed);
  layout->addStretch();
  connect(m_texturing, &QCheckBox::toggled, this, &CRenderTexturePrefs::updateEnabling);
  connect(m_lowRes, &QCheckBox::toggled, this, &CRenderTexturePrefs::updateEnabling);
}

void CRenderTexturePrefs::OnInitDialog() {
  const std::uint32_t mode = storedViewMode();
  m_texturing->setChecked((mode & VIEW_TEXTURES) != 0);
  m_lowRes->setChecked(fastRendering(GetSheet(), this));
  m_perspective->setChecked((mode & VIEW_PERSPECTIVE_CORRECT) != 0);
  m_smoothed->setChecked((mode & VIEW_SMOOTH_TEXTURES) != 0);
  m_maxSize->setValue(GetProfileInt(kSection, "lowres", vex3d::viewer::kDefaultLowRes));
  updateEnabling();
}

void CRenderTexturePrefs::updateEnabling() {
  m_lowRes->setEnabled(m_texturing->isChecked());
  m_maxSize->setEnabled(m_texturing->isChecked() && m_lowRes->isChecked());
}

void CRenderTexturePrefs::OnApply() {
  C3DView* view = m_frame.Get3DView();
  if (view == nullptr) return;
  _GlViewSettings settings = view->GetViewSettings();
  std::uint32_t mode = settings.viewMode;
  mode = withBit(mode, VIEW_TEXTURES, m_texturing->isChecked());
  mode = withBit(mode, VIEW_FAST_RENDERING, m_lowRes->isChecked());
  mode = withBit(mode, VIEW_PERSPECTIVE_CORRECT, m_perspective->isChecked());
  mode = withBit(mode, VIEW_SMOOTH_TEXTURES, m_smoothed->isChecked());
  if (m_lowRes->isChecked()) WriteProfileInt(kSection, "lowres", m_maxSize->value());
  settings.viewMode = mode;
  applyViewMode(m_frame, settings, GLVS_VIEW_MODE);
}

// ---------------------------------------------------------------- paths

CRenderPath::CRenderPath(const QString& title, const std::string& description, Getter get,
                         Setter set)
    : CCustomPropertyPage(title),
      m_get(std::move(get)),
      m_set(std::move(set)),
      m_list(new QListWidget(this)),
      m_remove(new QPushButton(text(vex3d::kStrRemovePath), this)) {
  auto* label = new QLabel(QString::fromStdString(description), this);
  label->setObjectName("pathsText");
  label->setWordWrap(true);
  m_list->setObjectName("paths");
  m_remove->setObjectName("removePath");
  auto* add = new QPushButton(text(vex3d::kStrAddPath), this);
  add->setObjectName("addPath");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(m_list, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(m_remove);
  buttons->addStretch();
  layout->addLayout(buttons);
  m_remove->setEnabled(false);
  connect(add, &QPushButton::clicked, this, &CRenderPath::addPathClicked);
  connect(m_remove, &QPushButton::clicked, this, &CRenderPath::removePathClicked);
  connect(m_list, &QListWidget::itemSelectionChanged, this,
          [this] { m_remove->setEnabled(!m_list->selectedItems().isEmpty()); });
}

void CRenderPath::OnInitDialog() {
  for (const std::string& path : m_get()) m_list->addItem(QString::fromStdString(path));
}

std::vector<std::string> CRenderPath::GetPaths() const {
  std::vector<std::string> paths;
  for (int i = 0; i < m_list->count(); ++i) paths.push_back(m_list->item(i)->text().toStdString());
  return paths;
}

void CRenderPath::AddPath(const std::string& folder) {
  const QString path = QString::fromStdString(folder);
  // The same folder twice would only be searched twice.
  if (path.isEmpty() || !m_list->findItems(path, Qt::MatchExactly).isEmpty()) return;
  m_list->addItem(path);
}

void CRenderPath::addPathClicked() {
  const QListWidgetItem* current = m_list->currentItem();
  AddPath(CSelectFolderDlg::Choose(this, GetTitle().toStdString(),
                                   current ? current->text().toStdString() : std::string()));
}

void CRenderPath::removePathClicked() {
  for (QListWidgetItem* item : m_list->selectedItems()) delete item;
  m_remove->setEnabled(!m_list->selectedItems().isEmpty());
}

void CRenderPath::OnApply() { m_set(GetPaths()); }

CRenderTexturePath::CRenderTexturePath()
    : CRenderPath(
          text(vex3d::kStrTexturePathsPage), LoadStringW(vex3d::kStrTexturePathsText),
          [] { return Get3DPreferences().GetTexturePaths(); },
          [](const std::vector<std::string>& paths) {
            Get3DPreferences().SetTexturePaths(paths);
          }) {
  setObjectName("texturePaths");
}

CRenderLWPath::CRenderLWPath()
    : CRenderPath(
          text(vex3d::kStrLWPathsPage), LoadStringW(vex3d::kStrLWPathsText),
          [] { return Get3DPreferences().GetLWPaths(); },
          [](const std::vector<std::string>& paths) { Get3DPreferences().SetLWPaths(paths); }) {
  setObjectName("lightWavePaths");
}

// ---------------------------------------------------------------- sheet

CRenderSheet::CRenderSheet(C3DFrameViewer& frame)
    : CCustomPropertySheet(text(vex3d::kStrOpenGLPreferences), &frame) {
  setObjectName(vex3d::viewer::kRenderSheetName);
  AddPage(new CRenderGeneralPrefs(frame));
  auto* colors = new CRenderColorPrefs(frame);
  AddPage(colors);
  const C3DView* view = frame.Get3DView();
  if (view != nullptr && view->IsTextureEnabled()) {
    auto* textures = new CRenderTexturePrefs(frame);
    AddPage(textures);
    AddPage(new CRenderTexturePath);
    // Once both pages are started, their checks follow each other.
    QCheckBox* single = colors->GetSingleLightCheck();
    QCheckBox* lowRes = textures->GetLowResCheck();
    connect(single, &QCheckBox::toggled, lowRes, &QCheckBox::setChecked);
    connect(lowRes, &QCheckBox::toggled, single, &QCheckBox::setChecked);
  }
  AddPage(new CRenderLWPath);
}

int CRenderSheet::Show(C3DFrameViewer& frame) {
  CRenderSheet sheet(frame);
  return sheet.exec();
}
