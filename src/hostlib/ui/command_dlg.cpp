#include "hostlib/ui/command_dlg.h"

#include "hostlib/commands/command.h"
#include "hostlib/commands/command_mgr.h"

CCommandDlg::CCommandDlg(CVexCommand& command, QWidget* parent)
    : QDialog(parent), m_command(command), m_parameters(command.GetParameters()) {}

int CCommandDlg::ApplyParameters() {
  StoreParameters();
  m_command.SetParameters(m_parameters);
  if (isModal() || m_command.GetManager() == nullptr) return cmdDone;
  const CommandResult result =
      m_command.GetManager()->StackCommand(&m_command, CCommandMgr::stackApply);
  if (result == cmdDone) m_command.GetManager()->RememberParameters(m_command);
  return result;
}

void CCommandDlg::accept() {
  // A modeless run that failed keeps the dialog open so the user can change
  // what made it fail.
  if (ApplyParameters() != cmdDone && !isModal()) return;
  QDialog::accept();
}
