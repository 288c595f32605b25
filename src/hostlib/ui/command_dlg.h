#pragma once
// A dialog bound to a command: it edits a copy of the command's parameters
// and, when accepted, hands them back and applies the command. Modeless
// dialogs apply through the command manager like any other run.
#include <QDialog>

#include "hostlib/core/custom_data.h"
#include "hostlib/ui_export.h"

class CVexCommand;

class VEXHOSTUI_EXPORT CCommandDlg : public QDialog {
 public:
  CCommandDlg(CVexCommand& command, QWidget* parent);

  CVexCommand& GetCommand() const { return m_command; }
  CCustomData& GetParameters() { return m_parameters; }

  // Controls from parameters and back; the subclass's own.
  virtual void LoadParameters() {}
  virtual void StoreParameters() {}

  // Stores the controls into the command's parameters and, for a modeless
  // dialog, applies the command; the result of the run (0 for a modal one).
  int ApplyParameters();

 protected:
  void accept() override;

 private:
  CVexCommand& m_command;
  CCustomData m_parameters;
};
