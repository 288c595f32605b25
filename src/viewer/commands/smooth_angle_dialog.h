#pragma once
// "Smoothing Angle": the custom angle of the smoothing menu.
#include <QDialog>
#include <optional>

#include "viewer_export.h"

class QSpinBox;

class VEX3D_VIEWER_EXPORT CSmoothAngleDialog : public QDialog {
 public:
  CSmoothAngleDialog(QWidget* parent, int degrees);
  int GetAngle() const;
  // The angle entered, or nothing when cancelled.
  static std::optional<int> AskAngle(QWidget* parent, int degrees);

 private:
  QSpinBox* m_angle;
};
