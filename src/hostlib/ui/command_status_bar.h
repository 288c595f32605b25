#pragma once
// The frame's status bar: the help line on the left (message tags allowed),
// room for the owner's panes on the right.
#include <QStatusBar>
#include <string>

#include "hostlib/ui_export.h"

class QLabel;

class VEXHOSTUI_EXPORT CCommandStatusBar : public QStatusBar {
 public:
  explicit CCommandStatusBar(QWidget* parent = nullptr);

  void SetHelp(const std::string& text);
  // The help line as shown, without tags.
  QString GetHelpText() const;
  QLabel* GetHelpLabel() const { return m_help; }

 private:
  QLabel* m_help;
  QString m_plain;
};
