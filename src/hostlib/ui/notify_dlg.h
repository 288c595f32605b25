#pragma once
// Messages for the user in the window: message boxes whose text may hold
// the message tags (rich_text.h), and short notifications that close
// themselves.
#include <string>

#include "hostlib/ui_export.h"

class QWidget;

class VEXHOSTUI_EXPORT CNotifyDlg2 {
 public:
  // A message box with the buttons and icon of `type` (kMsg*); answers the
  // button chosen (kAnswer*). Cancel, or closing the box, answers Cancel
  // when the box has that button, else No, else OK.
  static int ShowMessage(QWidget* parent, const std::string& text, unsigned type);
  // A notification over `parent` that closes itself after `milliseconds`
  // (or on a click). `mode` 1 places it at the top centre of the parent.
  static void ShowDialog(QWidget* parent, const std::string& text, int mode, int milliseconds);
};
