#pragma once
// Messages for the user. Whoever can show them (a window, the command
// line) installs a handler; without one they go to the standard error.
#include <functional>
#include <string>

#include "hostlib/hostlib_export.h"

namespace vex3d {

// Answers the button chosen (1: OK).
using MessageBoxHandler = std::function<int(const std::string& text, unsigned type)>;

// Installs `handler` (an empty one restores the default) and returns the
// one it replaces.
VEXHOST_EXPORT MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

}  // namespace vex3d

VEXHOST_EXPORT int AfxMessageBox(const std::string& text, unsigned type = 0);
