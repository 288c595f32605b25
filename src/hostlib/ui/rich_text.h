#pragma once
// Messages carry a few tags of their own: "<b>" and "</b>" bold, "<i>" an
// information mark, "<e>" an error mark, "<br>" a line break; "\n" breaks a
// line too. Everything else is plain text.
#include <QString>
#include <string>

#include "hostlib/ui_export.h"

namespace vex3d::ui {

enum class MessageMark { none, information, error };

struct RichMessage {
  QString html;  // for a rich-text label
  MessageMark mark = MessageMark::none;
};

VEXHOSTUI_EXPORT RichMessage richTextFromTags(const std::string& text);
// The same text without any tag, for places that show plain text.
VEXHOSTUI_EXPORT QString plainTextFromTags(const std::string& text);

}  // namespace vex3d::ui
