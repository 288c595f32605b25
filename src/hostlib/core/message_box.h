#pragma once
// Messages for the user. Whoever can show them (a window, the command
// line) installs a handler; without one they go to the standard error.
#include <functional>
#include <string>

#include "hostlib/hostlib_export.h"

namespace vex3d {

// Buttons and icon of a message (the type word), and the answers.
inline constexpr unsigned kMsgOk = 0x0;
inline constexpr unsigned kMsgOkCancel = 0x1;
inline constexpr unsigned kMsgYesNoCancel = 0x3;
inline constexpr unsigned kMsgYesNo = 0x4;
inline constexpr unsigned kMsgButtonsMask = 0xF;
inline constexpr unsigned kMsgIconError = 0x10;
inline constexpr unsigned kMsgIconQuestion = 0x20;
inline constexpr unsigned kMsgIconWarning = 0x30;
inline constexpr unsigned kMsgIconInformation = 0x40;
inline constexpr unsigned kMsgIconMask = 0xF0;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// Answers the button chosen (kAnswer*).
using MessageBoxHandler = std::function<int(const std::string& text, unsigned type)>;

// Installs `handler` (an empty one restores the default) and returns the
// one it replaces.
VEXHOST_EXPORT MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

}  // namespace vex3d

VEXHOST_EXPORT int AfxMessageBox(const std::string& text, unsigned type = 0);
