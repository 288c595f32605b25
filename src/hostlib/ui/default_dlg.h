#pragma once
// A plain modal dialog: the subclass's controls over OK (and Cancel when
// asked), with a check of the values before the dialog is accepted.
#include <QDialog>
#include <QDialogButtonBox>
#include <string>

#include "hostlib/ui_export.h"

class QVBoxLayout;

class VEXHOSTUI_EXPORT CDefaultDlg : public QDialog {
 public:
  CDefaultDlg(const QString& caption, QWidget* parent, bool withCancel = true);
  ~CDefaultDlg() override;

  // Where the subclass puts its controls, above the buttons.
  QVBoxLayout* GetContentLayout() const { return m_content; }
  QDialogButtonBox* GetButtons() const { return m_buttons; }

 protected:
  // False keeps the dialog open (see RefuseValue).
  virtual bool OnValidate() { return true; }
  // Takes the values once they are accepted.
  virtual void OnOK() {}
  bool RefuseValue(QWidget* field, const std::string& message);
  void accept() override;

 private:
  QVBoxLayout* m_content;
  QDialogButtonBox* m_buttons;
};
