#pragma once
// The node information sheet: where the node stands (its matrix and box),
// the arrays its object holds, and the materials its faces use.
#include <cstdint>
#include <memory>

#include "hostlib/ui/property_sheet.h"
#include "math/matrix4x4.h"
#include "viewer_export.h"

class C3DScene;
class C3DSceneNode;
class QCheckBox;
class QComboBox;
class QLabel;
class QTableView;
class QTableWidget;
class QTreeWidget;

class VEX3D_VIEWER_EXPORT CNodeInfoDlg : public CCustomPropertyPage {
 public:
  CNodeInfoDlg(C3DScene& scene, C3DSceneNode& node);
  void OnInitDialog() override;

  // The matrix the table shows: relative to the parent, or the world's.
  C4x4Matrix GetShownMatrix() const;

 private:
  void showMatrix();

  C3DScene& m_scene;
  C3DSceneNode& m_node;
  QLabel* m_type;
  QLabel* m_counts;
  QTableWidget* m_matrix;
  QCheckBox* m_relative;
  QTableWidget* m_box;
};

class VEX3D_VIEWER_EXPORT CNodeInfoChannels : public CCustomPropertyPage {
 public:
  explicit CNodeInfoChannels(C3DSceneNode& node);
  ~CNodeInfoChannels() override;
  void OnInitDialog() override;

 private:
  void showArray(int index);

  struct Arrays;
  C3DSceneNode& m_node;
  std::unique_ptr<Arrays> m_arrays;
  QComboBox* m_choice;
  QTableView* m_elements;
};

class VEX3D_VIEWER_EXPORT CNodeInfoMaterials : public CCustomPropertyPage {
 public:
  CNodeInfoMaterials(C3DScene& scene, C3DSceneNode& node);
  void OnInitDialog() override;

 private:
  C3DScene& m_scene;
  C3DSceneNode& m_node;
  QLabel* m_count;
  QTreeWidget* m_list;
};

class VEX3D_VIEWER_EXPORT CNodeInfoSheet : public CCustomPropertySheet {
 public:
  CNodeInfoSheet(C3DScene& scene, C3DSceneNode& node, QWidget* parent);
};

namespace vex3d::viewer {
inline constexpr const char* kNodeInfoSheetName = "nodeInfoSheet";
}  // namespace vex3d::viewer
