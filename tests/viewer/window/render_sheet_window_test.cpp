// "OpenGL preferences": every page's values reach the open view and the
// profile, and refused values reach neither.
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <filesystem>

#include "hostlib/commands/command_mgr.h"
#include "hostlib/core/fourcc.h"
#include "hostlib/core/message_box.h"
#include "hostlib/files/profile.h"
#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "hostlib/ui/color_button.h"
#include "hostlib/ui/command_view.h"
#include "hostlib/ui/select_folder_dlg.h"
#include "render/view.h"
#include "render/view_flags.h"
#include "scene/preferences.h"
#include "scene/scene.h"
#include "viewer/dialogs/gl_configs.h"
#include "viewer/dialogs/render_sheet.h"
#include "viewer/frame/view_window.h"
#include "viewer/window/window_fixture.h"

namespace vex3d::test {
namespace {

constexpr const char* kSection = "Render";

// Collects the messages the pages give instead of showing them.
class MessageRecorder {
 public:
  MessageRecorder()
      : m_previous(setMessageBoxHandler([this](const std::string& text, unsigned) {
          m_texts.push_back(text);
          return kAnswerOk;
        })) {}
  ~MessageRecorder() { setMessageBoxHandler(std::move(m_previous)); }
  const std::vector<std::string>& Texts() const { return m_texts; }

 private:
  std::vector<std::string> m_texts;
  MessageBoxHandler m_previous;
};

class RenderSheetWindow : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    m_patchLevel = GetGlobalPatchLevel();
    m_texturePaths = Get3DPreferences().GetTexturePaths();
    m_lwPaths = Get3DPreferences().GetLWPaths();
  }
  void TearDown() override {
    GlobalSceneData.patchLevel = m_patchLevel;
    Get3DPreferences().SetTexturePaths(m_texturePaths);
    Get3DPreferences().SetLWPaths(m_lwPaths);
    WindowTest::TearDown();
  }

  template <class Widget>
  static Widget* child(QWidget* parent, const char* name) {
    auto* found = parent->findChild<Widget*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  static std::uint32_t viewMode(C3DFrameViewer& frame) {
    return frame.Get3DView()->GetViewSettings().viewMode;
  }
  static std::uint32_t storedViewMode() {
    return static_cast<std::uint32_t>(GetProfileInt(kSection, "viewmode", -1));
  }

  unsigned int m_patchLevel = 0;
  std::vector<std::string> m_texturePaths;
  std::vector<std::string> m_lwPaths;
};

TEST_F(RenderSheetWindow, ThePreferencesCommandOpensEveryPage) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  CVexCommand* command = frame.GetCommandMgr().GetCommandById(fourcc("PREF"));
  ASSERT_NE(command, nullptr);
  command->UpdateState();
  EXPECT_TRUE(command->IsStateSet(cmdStateEnabled));
  QStringList titles;
  QString caption;
  AnswerNextDialog([&](QWidget* dialog) {
    caption = dialog->windowTitle();
    auto* sheet = dynamic_cast<CCustomPropertySheet*>(dialog);
    ASSERT_NE(sheet, nullptr);
    for (int i = 0; i < sheet->GetPageCount(); ++i) titles << sheet->GetPage(i)->GetTitle();
    qobject_cast<QDialog*>(dialog)->reject();
  });
  EXPECT_EQ(frame.RunCommand(command), cmdCancelled);
  EXPECT_EQ(caption, "OpenGL preferences");
  EXPECT_EQ(titles, (QStringList{"General Preferences", "Colors && Lighting", "Textures",
                                 "Textures Directories", "LightWave Directories"}));
}

TEST_F(RenderSheetWindow, WithoutTexturesTheTexturePagesAreLeftOut) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  frame.Get3DView()->EnableTexture(false);
  CRenderSheet sheet(frame);
  EXPECT_EQ(sheet.GetPageCount(), 3);
  EXPECT_EQ(sheet.FindPage<CRenderTexturePrefs>(), nullptr);
  EXPECT_EQ(sheet.FindPage<CRenderTexturePath>(), nullptr);
  EXPECT_NE(sheet.FindPage<CRenderLWPath>(), nullptr);
  frame.Get3DView()->EnableTexture(true);
}

TEST_F(RenderSheetWindow, VertexColoursInFlatModeSwitchToSmoothShading) {
  C3DFrameViewer& frame = OpenFrame(Sample("colored_quads.v3d"));
  frame.ChangeViewMode(VIEW_FLAT | VIEW_WIREFRAME);
  ASSERT_EQ(viewMode(frame) & VIEW_RENDER_MODE_MASK, 3u);
  CRenderSheet sheet(frame);
  auto* page = sheet.FindPage<CRenderGeneralPrefs>();
  child<QCheckBox>(page, "vertexColors")->setChecked(true);
  child<QCheckBox>(page, "doubleSided")->setChecked(true);
  child<QCheckBox>(page, "hiddenStippled")->setChecked(true);
  child<QCheckBox>(page, "selectedFaces")->setChecked(false);
  child<QCheckBox>(page, "alphaCut")->setChecked(true);
  ASSERT_TRUE(sheet.Apply());
  const std::uint32_t mode = viewMode(frame);
  // Smooth with its wires: the wireframe part of the mode stays.
  EXPECT_EQ(mode & VIEW_RENDER_MODE_MASK, std::uint32_t{VIEW_SMOOTH | VIEW_WIREFRAME});
  EXPECT_TRUE(mode & VIEW_VERTEX_COLORS);
  EXPECT_FALSE(mode & VIEW_CULL_BACK);
  EXPECT_TRUE(mode & VIEW_HIDDEN_STIPPLED);
  EXPECT_FALSE(mode & VIEW_SELECTED_FACES);
  EXPECT_EQ(storedViewMode(), mode);
  EXPECT_EQ(GetProfileInt(kSection, "alphacut", 0), 1);

  // Unchecked, the shading is the user's again.
  frame.ChangeViewMode(VIEW_FLAT);
  child<QCheckBox>(page, "vertexColors")->setChecked(false);
  child<QCheckBox>(page, "doubleSided")->setChecked(false);
  ASSERT_TRUE(sheet.Apply());
  EXPECT_EQ(viewMode(frame) & VIEW_RENDER_MODE_MASK, std::uint32_t{VIEW_FLAT});
  EXPECT_FALSE(viewMode(frame) & VIEW_VERTEX_COLORS);
  EXPECT_TRUE(viewMode(frame) & VIEW_CULL_BACK);
}

TEST_F(RenderSheetWindow, APatchLevelOutsideZeroToFourIsRefused) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  CRenderSheet sheet(frame);
  sheet.show();
  auto* page = sheet.FindPage<CRenderGeneralPrefs>();
  auto* level = child<QLineEdit>(page, "patchLevel");
  EXPECT_EQ(level->text().toUInt(), GetGlobalPatchLevel());
  const unsigned int before = GetGlobalPatchLevel();
  for (const char* bad : {"5", "-1", "two", ""}) {
    level->setText(bad);
    QString said;
    AnswerNextDialog([&said](QWidget* box) {
      said = qobject_cast<QMessageBox*>(box)->text();
      qobject_cast<QDialog*>(box)->accept();
    });
    EXPECT_FALSE(sheet.Apply()) << bad;
    EXPECT_EQ(said, "Please enter an integer between 0 and 4.");
    EXPECT_EQ(GetGlobalPatchLevel(), before);
    EXPECT_EQ(sheet.focusWidget(), level);
    // Nor can the user leave the page with it.
    AnswerNextDialog([](QWidget* box) { qobject_cast<QDialog*>(box)->accept(); });
    EXPECT_FALSE(sheet.SetActivePage(sheet.FindPage<CRenderColorPrefs>()));
  }
  const unsigned int wanted = before == 4 ? 0 : 4;
  level->setText(QString::number(wanted));
  EXPECT_TRUE(sheet.Apply());
  EXPECT_EQ(GetGlobalPatchLevel(), wanted);
  EXPECT_EQ(GetProfileInt(kSection, "patchlevel", -1), static_cast<int>(wanted));
}

TEST_F(RenderSheetWindow, TheFormatListShowsTheWindowsConfigurations) {
  C3DFrameViewer& frame = OpenFrame();
  CRenderSheet sheet(frame);
  auto* page = sheet.FindPage<CRenderGeneralPrefs>();
  auto* formats = child<QComboBox>(page, "pixelFormat");
  const std::vector<viewer::GlFramebufferConfig> configs = viewer::listWindowConfigs();
  ASSERT_FALSE(configs.empty());
  ASSERT_EQ(formats->count(), static_cast<int>(configs.size()));
  EXPECT_EQ(formats->itemText(0), QString::number(configs.front().id));
  // Nothing stored: the configuration the view's window uses.
  const int used = viewer::configOfContext(frame.GetViewWindow()->GetContext());
  EXPECT_NE(used, -1);
  EXPECT_EQ(page->GetDefaultFormat(), used);
  EXPECT_EQ(page->GetChosenFormat(), used);
  const QString description = child<QPlainTextEdit>(page, "pixelFormatDescription")->toPlainText();
  EXPECT_TRUE(description.contains("GLX_WINDOW_BIT|")) << description.toStdString();
  EXPECT_TRUE(description.contains("GLX_RGBA_TYPE\n"));
  EXPECT_TRUE(description.contains(QRegularExpression("depth \\d+ stencil \\d+ samples \\d+\n")));
  // The list waits for the alternative mode.
  EXPECT_FALSE(formats->isEnabled());
  EXPECT_FALSE(child<QPushButton>(page, "defaultMode")->isEnabled());
  child<QCheckBox>(page, "alternativeMode")->setChecked(true);
  EXPECT_TRUE(formats->isEnabled());
  formats->setCurrentIndex(formats->currentIndex() == 0 ? 1 : 0);
  EXPECT_NE(page->GetChosenFormat(), used);
  EXPECT_NE(child<QPlainTextEdit>(page, "pixelFormatDescription")->toPlainText(), description);
  child<QPushButton>(page, "defaultMode")->click();
  EXPECT_EQ(page->GetChosenFormat(), used);
}

TEST_F(RenderSheetWindow, AnotherFormatWaitsForTheNextViewer) {
  WriteProfileInt(kSection, "glsettings", 1);
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  QOpenGLContext* context = frame.GetViewWindow()->GetContext();
  const int used = viewer::configOfContext(context);
  WriteProfileInt(kSection, "glpixelformat", used);
  const std::string later = LoadStringW(kStrNextTimeParameters);
  {
    MessageRecorder messages;
    CRenderSheet sheet(frame);
    ASSERT_TRUE(sheet.Apply());
    EXPECT_TRUE(messages.Texts().empty());
  }
  MessageRecorder messages;
  CRenderSheet sheet(frame);
  auto* page = sheet.FindPage<CRenderGeneralPrefs>();
  auto* formats = child<QComboBox>(page, "pixelFormat");
  ASSERT_GE(formats->count(), 2);
  formats->setCurrentIndex(formats->currentIndex() == 0 ? 1 : 0);
  const int chosen = page->GetChosenFormat();
  ASSERT_TRUE(sheet.Apply());
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{later});
  EXPECT_EQ(GetProfileInt(kSection, "glpixelformat", -1), chosen);
  EXPECT_EQ(GetProfileInt(kSection, "glsettings", -1), 1);
  // The open window keeps its context and its framebuffer.
  EXPECT_EQ(frame.GetViewWindow()->GetContext(), context);
  EXPECT_EQ(viewer::configOfContext(frame.GetViewWindow()->GetContext()), used);

  // Leaving the alternative mode is a change for the next viewer too.
  child<QCheckBox>(page, "alternativeMode")->setChecked(false);
  ASSERT_TRUE(sheet.Apply());
  EXPECT_EQ(messages.Texts().size(), 2u);
  EXPECT_EQ(GetProfileInt(kSection, "glsettings", -1), 0);
}

TEST_F(RenderSheetWindow, TheStoredFormatShapesTheNextWindow) {
  const std::vector<viewer::GlFramebufferConfig> configs = viewer::listWindowConfigs();
  ASSERT_FALSE(configs.empty());
  // A configuration with a stencil buffer, unlike the default format.
  const viewer::GlFramebufferConfig* wanted = nullptr;
  for (const viewer::GlFramebufferConfig& config : configs) {
    if (config.stencil > 0 && config.depth >= 24 && config.doubleBuffer) wanted = &config;
  }
  if (wanted == nullptr) GTEST_SKIP() << "the display offers no configuration with a stencil";
  WriteProfileInt(kSection, "glsettings", 1);
  WriteProfileInt(kSection, "glpixelformat", wanted->id);
  const QSurfaceFormat format = viewer::alternativeWindowFormat(QSurfaceFormat::defaultFormat());
  EXPECT_EQ(format.stencilBufferSize(), wanted->stencil);
  EXPECT_EQ(format.depthBufferSize(), wanted->depth);
  WriteProfileInt(kSection, "glsettings", 0);
  EXPECT_EQ(viewer::alternativeWindowFormat(QSurfaceFormat::defaultFormat()),
            QSurfaceFormat::defaultFormat());
}

TEST_F(RenderSheetWindow, TheNextViewerWindowUsesTheStoredConfiguration) {
  const std::vector<viewer::GlFramebufferConfig> configs = viewer::listWindowConfigs();
  const viewer::GlFramebufferConfig* wanted = nullptr;
  for (const viewer::GlFramebufferConfig& config : configs) {
    if (config.stencil > 0 && config.depth >= 24 && config.doubleBuffer && config.samples == 0) {
      wanted = &config;
    }
  }
  if (wanted == nullptr) GTEST_SKIP() << "the display offers no configuration with a stencil";
  WriteProfileInt(kSection, "glsettings", 1);
  WriteProfileInt(kSection, "glpixelformat", wanted->id);
  viewer::installAlternativeWindowFormat();
  C3DFrameViewer& frame = OpenFrame();
  CCommandView::SetSurfaceFormatHook({});
  QOpenGLContext* context = frame.GetViewWindow()->GetContext();
  ASSERT_NE(context, nullptr);
  EXPECT_GE(context->format().stencilBufferSize(), wanted->stencil);
  // Without the choice, the window keeps the application's format.
  EXPECT_LE(QSurfaceFormat::defaultFormat().stencilBufferSize(), 0);
}

TEST_F(RenderSheetWindow, SmallIconsAreTheInverseOfTheFrameSetting) {
  C3DFrameViewer& frame = OpenFrame();
  ASSERT_TRUE(frame.IsSettingsFlagSet(FRAME_LARGE_ICONS));
  CRenderSheet sheet(frame);
  auto* page = sheet.FindPage<CRenderGeneralPrefs>();
  auto* small = child<QCheckBox>(page, "smallIcons");
  EXPECT_FALSE(small->isChecked());
  small->setChecked(true);
  ASSERT_TRUE(sheet.Apply());
  EXPECT_FALSE(frame.IsSettingsFlagSet(FRAME_LARGE_ICONS));
  small->setChecked(false);
  ASSERT_TRUE(sheet.Apply());
  EXPECT_TRUE(frame.IsSettingsFlagSet(FRAME_LARGE_ICONS));
}

TEST_F(RenderSheetWindow, TheColourPageGivesTheViewItsColoursAndLights) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  CRenderSheet sheet(frame);
  auto* colors = sheet.FindPage<CRenderColorPrefs>();
  ASSERT_TRUE(sheet.SetActivePage(colors));
  // The defaults a fresh profile gives.
  EXPECT_EQ(child<CColorButton>(colors, "wireframeColor")->GetColor().GetRGB(), 255u);
  EXPECT_EQ(child<CColorButton>(colors, "lightColor")->GetColor().GetRGB(), 0xC0C0C0u);
  child<CColorButton>(colors, "wireframeColor")->SetColor(CRGBColor(1, 2, 3));
  child<CColorButton>(colors, "selectionColor")->SetColor(CRGBColor(4, 5, 6));
  child<CColorButton>(colors, "lightColor")->SetColor(CRGBColor(7, 8, 9));
  // The background through the chooser, as the user picks it.
  AnswerNextDialog([](QWidget* dialog) {
    auto* chooser = qobject_cast<QColorDialog*>(dialog);
    ASSERT_NE(chooser, nullptr);
    chooser->setCurrentColor(QColor(10, 20, 30));
    chooser->accept();
  });
  child<CColorButton>(colors, "backgroundColor")->click();
  auto* single = child<QCheckBox>(colors, "singleLight");
  EXPECT_TRUE(single->isChecked());  // in the default view mode
  single->setChecked(false);
  ASSERT_TRUE(sheet.Apply());
  const _GlViewSettings& s = frame.Get3DView()->GetViewSettings();
  EXPECT_EQ(s.wireframeColor.GetRGB(), CRGBColor(1, 2, 3).GetRGB());
  EXPECT_EQ(s.selectionColor.GetRGB(), CRGBColor(4, 5, 6).GetRGB());
  EXPECT_EQ(s.lightColor.GetRGB(), CRGBColor(7, 8, 9).GetRGB());
  EXPECT_EQ(s.backgroundColor.GetRGB(), CRGBColor(10, 20, 30).GetRGB());
  EXPECT_FALSE(s.viewMode & VIEW_FAST_RENDERING);
  // Colours are kept as integers with red in the low byte.
  EXPECT_EQ(GetProfileInt(kSection, "wireframecolor", -1), 0x030201);
  EXPECT_EQ(GetProfileInt(kSection, "selectioncolor", -1), 0x060504);
  EXPECT_EQ(GetProfileInt(kSection, "lightcolor", -1), 0x090807);
  EXPECT_EQ(GetProfileInt(kSection, "backgroundcolor", -1), 0x1E140A);
  EXPECT_EQ(storedViewMode(), s.viewMode);
  // The background is what the view now clears to.
  const QImage picture = ViewPicture();
  EXPECT_EQ(QColor(picture.pixel(0, 0)), QColor(10, 20, 30));
}

TEST_F(RenderSheetWindow, SingleLightAndLowResolutionAreOneBit) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  CRenderSheet sheet(frame);
  auto* colors = sheet.FindPage<CRenderColorPrefs>();
  auto* textures = sheet.FindPage<CRenderTexturePrefs>();
  ASSERT_TRUE(sheet.SetActivePage(colors));
  auto* single = child<QCheckBox>(colors, "singleLight");
  single->setChecked(false);
  // The texture page, started after the change, shows it.
  ASSERT_TRUE(sheet.SetActivePage(textures));
  auto* lowRes = child<QCheckBox>(textures, "lowRes");
  EXPECT_FALSE(lowRes->isChecked());
  ASSERT_TRUE(sheet.Apply());
  EXPECT_FALSE(viewMode(frame) & VIEW_FAST_RENDERING);
  // And back from the other page.
  lowRes->setChecked(true);
  EXPECT_TRUE(single->isChecked());
  ASSERT_TRUE(sheet.Apply());
  EXPECT_TRUE(viewMode(frame) & VIEW_FAST_RENDERING);
  EXPECT_TRUE(storedViewMode() & VIEW_FAST_RENDERING);
}

TEST_F(RenderSheetWindow, TheTexturePageEnablesWhatTexturingAllows) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  CRenderSheet sheet(frame);
  auto* page = sheet.FindPage<CRenderTexturePrefs>();
  ASSERT_TRUE(sheet.SetActivePage(page));
  auto* texturing = child<QCheckBox>(page, "enableTexturing");
  auto* lowRes = child<QCheckBox>(page, "lowRes");
  auto* size = child<QSpinBox>(page, "maxImageSize");
  EXPECT_EQ(size->value(), 512);
  texturing->setChecked(true);
  lowRes->setChecked(false);
  EXPECT_TRUE(lowRes->isEnabled());
  EXPECT_FALSE(size->isEnabled());
  lowRes->setChecked(true);
  EXPECT_TRUE(size->isEnabled());
  texturing->setChecked(false);
  EXPECT_FALSE(lowRes->isEnabled());
  EXPECT_FALSE(size->isEnabled());

  // "lowres" is written only with low resolution on.
  texturing->setChecked(true);
  lowRes->setChecked(false);
  size->setValue(128);
  child<QCheckBox>(page, "perspective")->setChecked(false);
  child<QCheckBox>(page, "smoothTextures")->setChecked(false);
  ASSERT_TRUE(sheet.Apply());
  EXPECT_EQ(GetProfileInt(kSection, "lowres", -1), -1);
  std::uint32_t mode = viewMode(frame);
  EXPECT_TRUE(mode & VIEW_TEXTURES);
  EXPECT_FALSE(mode & (VIEW_FAST_RENDERING | VIEW_PERSPECTIVE_CORRECT | VIEW_SMOOTH_TEXTURES));
  lowRes->setChecked(true);
  texturing->setChecked(false);
  ASSERT_TRUE(sheet.Apply());
  EXPECT_EQ(GetProfileInt(kSection, "lowres", -1), 128);
  mode = viewMode(frame);
  EXPECT_FALSE(mode & VIEW_TEXTURES);
  EXPECT_TRUE(mode & VIEW_FAST_RENDERING);
  EXPECT_EQ(storedViewMode(), mode);
}

TEST_F(RenderSheetWindow, PathPagesReplaceTheFoldersOfThePreferences) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  Get3DPreferences().SetTexturePaths({"/old/textures"});
  Get3DPreferences().SetLWPaths({"/old/lightwave"});
  const std::string added = TempPath("maps");
  std::filesystem::create_directories(added);
  CRenderSheet sheet(frame);
  sheet.show();
  auto* page = sheet.FindPage<CRenderTexturePath>();
  ASSERT_TRUE(sheet.SetActivePage(page));
  EXPECT_EQ(child<QLabel>(page, "pathsText")->text().toStdString(),
            LoadStringW(kStrTexturePathsText));
  auto* list = child<QListWidget>(page, "paths");
  ASSERT_EQ(list->count(), 1);
  auto* remove = child<QPushButton>(page, "removePath");
  EXPECT_FALSE(remove->isEnabled());
  list->item(0)->setSelected(true);
  EXPECT_TRUE(remove->isEnabled());
  remove->click();
  EXPECT_EQ(list->count(), 0);
  EXPECT_FALSE(remove->isEnabled());
  AnswerNextDialog([&added](QWidget* dialog) {
    EXPECT_EQ(dialog->objectName(), ui::kSelectFolderDialogName);
    auto* chooser = qobject_cast<QFileDialog*>(dialog);
    chooser->setDirectory(QString::fromStdString(added));
    static_cast<QDialog*>(chooser)->accept();
  });
  child<QPushButton>(page, "addPath")->click();
  ASSERT_EQ(list->count(), 1);
  // Not before OK or Apply.
  EXPECT_EQ(Get3DPreferences().GetTexturePaths(), std::vector<std::string>{"/old/textures"});
  ASSERT_TRUE(sheet.Apply());
  EXPECT_EQ(Get3DPreferences().GetTexturePaths(),
            std::vector<std::string>{std::filesystem::path(added).lexically_normal().string()});
  // The LightWave page was never opened: its folders stay.
  EXPECT_EQ(Get3DPreferences().GetLWPaths(), std::vector<std::string>{"/old/lightwave"});
  auto* lightWave = sheet.FindPage<CRenderLWPath>();
  ASSERT_TRUE(sheet.SetActivePage(lightWave));
  EXPECT_EQ(child<QLabel>(lightWave, "pathsText")->text().toStdString(),
            LoadStringW(kStrLWPathsText));
  static_cast<CRenderPath*>(lightWave)->AddPath("/new/lightwave");
  ASSERT_TRUE(sheet.Apply());
  EXPECT_EQ(Get3DPreferences().GetLWPaths(),
            (std::vector<std::string>{"/old/lightwave", "/new/lightwave"}));
}

TEST_F(RenderSheetWindow, AnExistingMayaFolderIsKeptAndAMissingOneIsNot) {
  C3DFrameViewer& frame = OpenFrame();
  const std::string folder = TempPath("maya");
  std::filesystem::create_directories(folder);
  CRenderSheet sheet(frame);
  auto* edit = child<QLineEdit>(sheet.FindPage<CRenderGeneralPrefs>(), "mayaFolder");
  edit->setText(QString::fromStdString(folder + "/missing"));
  ASSERT_TRUE(sheet.Apply());
  int found = 0;
  EXPECT_EQ(Get3DPreferences().GetMayaPath(found, 0).find("missing"), std::string::npos);
  edit->setText(QString::fromStdString(folder));
  ASSERT_TRUE(sheet.Apply());
  EXPECT_EQ(Get3DPreferences().GetMayaPath(found, 0), folder + "/");
}

}  // namespace
}  // namespace vex3d::test
