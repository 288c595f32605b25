#pragma once
// The export options the save dialog offers before a 3D file is written:
// how faces and patches are converted, what is left out, and whether the
// conversions are reported. What the target format imposes shows checked
// and cannot be changed.
#include <cstdint>
#include <memory>
#include <string>

#include "hostlib/ui/property_sheet.h"
#include "viewer_export.h"

class CSceneExportOptions;
class QAbstractButton;
class QCheckBox;
class QPushButton;
class QRadioButton;

namespace vex3d::viewer {
// Preferences flags of the page, kept by the IO beside the options.
inline constexpr std::uint32_t kExportShowReport = 0x1;
// The export option bits the page edits.
inline constexpr std::uint32_t kExportPageFlags =
    0x400 | 0x800 | 0x4000 | 0x8000 | 0x80000 | 0x1000 | 0x100 | 0x10 | 0x20000 | 0x20 | 0x40;
inline constexpr const char* kExportSheetName = "exportSheet";
}  // namespace vex3d::viewer

class VEX3D_VIEWER_EXPORT C3DExportPage : public CCustomPropertyPage {
 public:
  C3DExportPage(CSceneExportOptions& options, std::uint32_t& preferencesFlags);

  void OnInitDialog() override;
  void OnApply() override;

  // The option bits the controls say now (page bits only).
  std::uint32_t GetPageFlags() const;
  // What the format starts from: its forced and default flags.
  std::uint32_t GetFormatDefaults() const;
  // Puts the format's defaults back in the controls.
  void RestoreDefaults();

 private:
  void showFlags(std::uint32_t flags);
  void updateState();

  CSceneExportOptions& m_options;
  std::uint32_t& m_preferences;
  QRadioButton* m_keepFaces;
  QRadioButton* m_quadrangulate;
  QRadioButton* m_triangulate;
  QRadioButton* m_keepPatches;
  QRadioButton* m_patchesSubdivided;
  QRadioButton* m_patchesUnsubdivided;
  QCheckBox* m_global;
  QCheckBox* m_disconnect;
  QCheckBox* m_hidden;
  QCheckBox* m_ignoreUV;
  QCheckBox* m_projectedUV;
  QCheckBox* m_ignoreVC;
  QCheckBox* m_ignoreNormals;
  QCheckBox* m_report;
  QPushButton* m_restore;
};

class VEX3D_VIEWER_EXPORT C3DExportSheet : public CCustomPropertySheet {
 public:
  C3DExportSheet(CSceneExportOptions& options, std::uint32_t& preferencesFlags,
                 const std::string& mainExtension, QWidget* parent);

  // The sheet as the export hook shows it: 1 when accepted.
  static int Show(CSceneExportOptions& options, std::uint32_t& preferencesFlags,
                  const std::string& mainExtension, QWidget* parent);
};

namespace vex3d::viewer {
// Shows the export sheet over `parent` for every save while it lives, and
// puts the previous hook back after.
class VEX3D_VIEWER_EXPORT ExportSheetScope {
 public:
  explicit ExportSheetScope(QWidget* parent);
  ~ExportSheetScope();
  ExportSheetScope(const ExportSheetScope&) = delete;
  ExportSheetScope& operator=(const ExportSheetScope&) = delete;

 private:
  struct Saved;
  std::unique_ptr<Saved> m_saved;
};
}  // namespace vex3d::viewer
