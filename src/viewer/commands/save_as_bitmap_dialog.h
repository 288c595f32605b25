#pragma once
// "Save Scene As Image": size, antialiasing, render mode, point of view,
// turntable series and background colour of the images to render.
#include "hostlib/ui/command_dlg.h"
#include "viewer_export.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;

class VEX3D_VIEWER_EXPORT C3DSaveAsBitmapDlg : public CCommandDlg {
 public:
  C3DSaveAsBitmapDlg(CVexCommand& command, QWidget* parent);

  void LoadParameters() override;
  void StoreParameters() override;
  // COLORREF (red in the low byte).
  void SetBackground(std::uint32_t color);
  std::uint32_t GetBackground() const { return m_background; }

 private:
  void updateSeriesControls();
  void chooseColor();

  QComboBox* m_renderMode;
  QComboBox* m_viewPos;
  QSpinBox* m_width;
  QSpinBox* m_height;
  QCheckBox* m_antialias;
  QCheckBox* m_animate;
  QComboBox* m_movement;
  QSpinBox* m_images;
  QSpinBox* m_amplitude;
  QPushButton* m_color;
  std::uint32_t m_background = 0xFFFFFF;
};
