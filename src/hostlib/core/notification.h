#pragma once
// Explanatory notifications: a titled text, which may hold the message tags
// ("<b>", "<i>", "<br>"), identified by a dialog id so that the window
// layer may let the user silence one kind. Whoever can show them installs
// a hook; without one they go to the standard error, without their tags.
// They never wait for an answer: a notification is not a question.
#include <functional>
#include <string>

#include "hostlib/hostlib_export.h"

namespace vex3d {

using NotificationHook =
    std::function<void(int dialogId, const std::string& title, const std::string& text)>;

// Installs `hook` (an empty one restores the default) and returns the one
// it replaces.
VEXHOST_EXPORT NotificationHook setNotificationHook(NotificationHook hook);

}  // namespace vex3d

VEXHOST_EXPORT void ShowNotification(int dialogId, const std::string& title,
                                     const std::string& text);
