#pragma once
// A button whose face is its colour; a click opens the colour chooser and
// the colour chosen becomes the button's.
#include <QPushButton>
#include <functional>

#include "hostlib/core/rgb_color.h"
#include "hostlib/ui_export.h"

class VEXHOSTUI_EXPORT CColorButton : public QPushButton {
 public:
  explicit CColorButton(QWidget* parent = nullptr, const QString& text = {});

  const CRGBColor& GetColor() const { return m_color; }
  // The fourth byte is kept as given; the chooser changes only the others.
  void SetColor(const CRGBColor& color);
  // Opens the chooser; true when a colour was chosen.
  bool ChooseColor();
  // Called after the user chose a colour.
  void SetChangedHandler(std::function<void(const CRGBColor&)> handler) {
    m_changed = std::move(handler);
  }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CRGBColor m_color;
  std::function<void(const CRGBColor&)> m_changed;
};

namespace vex3d::ui {
inline constexpr const char* kColorDialogName = "colorDialog";
}  // namespace vex3d::ui
