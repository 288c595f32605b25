#pragma once
// "OpenGL preferences": the viewer's render preferences. The pages edit the
// view settings kept in the profile and apply them at once to the frame's
// view; the path pages edit the folders the 3D preferences search.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hostlib/core/rgb_color.h"
#include "hostlib/ui/property_sheet.h"
#include "viewer/dialogs/gl_configs.h"
#include "viewer_export.h"

class C3DFrameViewer;
class C3DView;
class CColorButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

class VEX3D_VIEWER_EXPORT CRenderGeneralPrefs : public CCustomPropertyPage {
 public:
  explicit CRenderGeneralPrefs(C3DFrameViewer& frame);

  void OnInitDialog() override;
  bool OnKillActive() override;
  void OnApply() override;

  // The configuration the view's window uses, else the first listed; -1
  // when the display lists none.
  int GetDefaultFormat() const { return m_defaultFormat; }
  int GetChosenFormat() const;

 private:
  void alternativeToggled(bool on);
  void formatChosen(int index);
  void selectFormat(int id);
  void browseMaya();

  C3DFrameViewer& m_frame;
  QCheckBox* m_doubleSided;
  QCheckBox* m_hiddenStippled;
  QCheckBox* m_smallIcons;
  QCheckBox* m_selectedFaces;
  QCheckBox* m_vertexColors;
  QCheckBox* m_alphaCut;
  QLineEdit* m_patchLevel;
  QCheckBox* m_alternative;
  QComboBox* m_formats;
  QPlainTextEdit* m_description;
  QPushButton* m_defaultMode;
  QLineEdit* m_mayaFolder;
  std::vector<vex3d::viewer::GlFramebufferConfig> m_configs;
  int m_defaultFormat = -1;
  int m_storedSettings = 0;
  int m_storedFormat = -1;
  bool m_storedSmallIcons = false;
  unsigned int m_storedPatchLevel = 0;
  std::string m_storedMaya;
};

class VEX3D_VIEWER_EXPORT CRenderColorPrefs : public CCustomPropertyPage {
 public:
  explicit CRenderColorPrefs(C3DFrameViewer& frame);
  void OnInitDialog() override;
  void OnApply() override;
  QCheckBox* GetSingleLightCheck() const { return m_singleLight; }

 private:
  C3DFrameViewer& m_frame;
  CColorButton* m_wireframe;
  CColorButton* m_background;
  CColorButton* m_selection;
  CColorButton* m_light;
  QCheckBox* m_singleLight;
};

class VEX3D_VIEWER_EXPORT CRenderTexturePrefs : public CCustomPropertyPage {
 public:
  explicit CRenderTexturePrefs(C3DFrameViewer& frame);
  void OnInitDialog() override;
  void OnApply() override;
  QCheckBox* GetLowResCheck() const { return m_lowRes; }

 private:
  void updateEnabling();

  C3DFrameViewer& m_frame;
  QCheckBox* m_texturing;
  QCheckBox* m_lowRes;
  QCheckBox* m_perspective;
  QCheckBox* m_smoothed;
  QSpinBox* m_maxSize;
};

// A list of folders kept by the 3D preferences.
class VEX3D_VIEWER_EXPORT CRenderPath : public CCustomPropertyPage {
 public:
  using Getter = std::function<std::vector<std::string>()>;
  using Setter = std::function<void(const std::vector<std::string>&)>;
  CRenderPath(const QString& title, const std::string& description, Getter get, Setter set);

  void OnInitDialog() override;
  void OnApply() override;
  std::vector<std::string> GetPaths() const;
  void AddPath(const std::string& folder);

 private:
  void addPathClicked();
  void removePathClicked();

  Getter m_get;
  Setter m_set;
  QListWidget* m_list;
  QPushButton* m_remove;
};

class VEX3D_VIEWER_EXPORT CRenderTexturePath : public CRenderPath {
 public:
  CRenderTexturePath();
};

class VEX3D_VIEWER_EXPORT CRenderLWPath : public CRenderPath {
 public:
  CRenderLWPath();
};

class VEX3D_VIEWER_EXPORT CRenderSheet : public CCustomPropertySheet {
 public:
  explicit CRenderSheet(C3DFrameViewer& frame);
  // Shows the sheet over the frame; its result.
  static int Show(C3DFrameViewer& frame);
};

namespace vex3d::viewer {
inline constexpr const char* kRenderSheetName = "renderSheet";
// The settings a view has in the profile when none were written.
inline constexpr std::uint32_t kDefaultWireframeColor = 255;
inline constexpr std::uint32_t kDefaultSelectionColor = 255;
inline constexpr std::uint32_t kDefaultBackgroundColor = 0;
inline constexpr std::uint32_t kDefaultLightColor = 0xC0C0C0;
inline constexpr int kDefaultLowRes = 512;
}  // namespace vex3d::viewer
