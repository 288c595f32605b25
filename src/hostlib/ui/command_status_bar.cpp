#include "hostlib/ui/command_status_bar.h"

#include <QLabel>

#include "hostlib/ui/rich_text.h"

CCommandStatusBar::CCommandStatusBar(QWidget* parent)
    : QStatusBar(parent), m_help(new QLabel(this)) {
  setObjectName("statusBar");
  m_help->setObjectName("helpLine");
  m_help->setTextFormat(Qt::RichText);
  addWidget(m_help, 1);
}

void CCommandStatusBar::SetHelp(const std::string& text) {
  const vex3d::ui::RichMessage message = vex3d::ui::richTextFromTags(text);
  m_plain = vex3d::ui::plainTextFromTags(text);
  QString html = message.html;
  if (message.mark == vex3d::ui::MessageMark::error) {
    html = "<span style=\"color:#c62828\">&#9888;</span> " + html;
  } else if (message.mark == vex3d::ui::MessageMark::information) {
    html = "<span style=\"color:#1565c0\">&#9432;</span> " + html;
  }
  // One line: breaks become spaces.
  html.replace("<br>", " ");
  m_help->setText(html);
}

QString CCommandStatusBar::GetHelpText() const { return m_plain; }
