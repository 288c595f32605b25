#pragma once
// "Material Information": a material's colours and parameters, and the
// image file of its diffuse map, which the user may replace and look at.
#include <cstdint>
#include <string>

#include "hostlib/ui/default_dlg.h"
#include "viewer_export.h"

class C3DMaterial;
class C3DScene;
class CColorButton;
class QLineEdit;
class QPushButton;

class VEX3D_VIEWER_EXPORT CMaterialInfo : public CDefaultDlg {
 public:
  CMaterialInfo(C3DScene& scene, C3DMaterial& material, QWidget* parent);

  // Whether the user gave the diffuse map another file.
  bool IsFileModified() const { return m_modified; }
  // The diffuse map's image as found on disk; empty without one.
  std::string GetBitmapPath() const;
  // Gives the diffuse map `file` (made when the material has none).
  void SetTextureFile(const std::string& file);

 private:
  void modifyFile();
  void openBitmap();
  void showFile();

  C3DScene& m_scene;
  C3DMaterial& m_material;
  QLineEdit* m_file;
  QPushButton* m_open;
  bool m_modified = false;
};

namespace vex3d::viewer {
inline constexpr const char* kMaterialInfoName = "materialInfo";
inline constexpr const char* kBitmapViewerName = "bitmapViewer";
}  // namespace vex3d::viewer
