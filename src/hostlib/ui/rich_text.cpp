#include "hostlib/ui/rich_text.h"

#include <string_view>

namespace vex3d::ui {
namespace {

bool startsWith(std::string_view text, std::size_t at, std::string_view tag) {
  return text.compare(at, tag.size(), tag) == 0;
}

template <class Emit>
RichMessage walk(const std::string& text, Emit flush) {
  RichMessage message;
  std::string plain;
  const std::string_view view(text);
  for (std::size_t i = 0; i < view.size();) {
    if (startsWith(view, i, "<b>")) {
      flush(message.html, plain, "<b>");
      i += 3;
    } else if (startsWith(view, i, "</b>")) {
      flush(message.html, plain, "</b>");
      i += 4;
    } else if (startsWith(view, i, "<br>")) {
      flush(message.html, plain, "<br>");
      i += 4;
    } else if (startsWith(view, i, "<i>")) {
      if (message.mark == MessageMark::none) message.mark = MessageMark::information;
      i += 3;
    } else if (startsWith(view, i, "<e>")) {
      message.mark = MessageMark::error;
      i += 3;
    } else if (view[i] == '\n') {
      flush(message.html, plain, "<br>");
      ++i;
    } else {
      plain += view[i];
      ++i;
    }
  }
  flush(message.html, plain, "");
  return message;
}

}  // namespace

RichMessage richTextFromTags(const std::string& text) {
  // A bold run the text never closes ends at the next line break, so one
  // missing "</b>" cannot make the rest of a message bold.
  // A bold statement glued to the end of a sentence starts a line of its
  // own, which is how the messages that do so read best.
  bool bold = false;
  bool midLine = false;
  return walk(text, [&bold, &midLine](QString& html, std::string& plain, std::string_view tag) {
    if (!plain.empty()) midLine = plain.back() != ' ';
    html += QString::fromStdString(plain).toHtmlEscaped();
    plain.clear();
    if (tag == "<b>") {
      if (bold) html += "</b>";
      if (midLine) html += "<br>";
      midLine = false;
      html += "<b>";
      bold = true;
    } else if (tag == "</b>") {
      if (bold) html += "</b>";
      bold = false;
    } else if (tag == "<br>") {
      if (bold) html += "</b>";
      html += "<br>";
      bold = false;
      midLine = false;
    } else if (bold) {
      html += "</b>";
      bold = false;
    }
  });
}

QString plainTextFromTags(const std::string& text) {
  QString out;
  walk(text, [&out](QString&, std::string& plain, std::string_view tag) {
    out += QString::fromStdString(plain);
    plain.clear();
    if (tag == "<br>") out += '\n';
  });
  return out;
}

}  // namespace vex3d::ui
