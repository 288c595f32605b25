#include "hostlib/ui/custom_vrebar.h"

#include <QLabel>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

CCustomVReBar::CCustomVReBar(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  m_splitter = new QSplitter(Qt::Vertical, this);
  m_splitter->setObjectName("bars");
  m_splitter->setChildrenCollapsible(false);
  layout->addWidget(m_splitter);
}

void CCustomVReBar::AddBar(int id, QWidget* control, const QString& title, int position) {
  if (m_bars.count(id) != 0) return;
  auto* frame = new QWidget();
  frame->setObjectName(QStringLiteral("bar%1").arg(id));
  auto* layout = new QVBoxLayout(frame);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* titleRow = new QWidget(frame);
  auto* row = new QHBoxLayout(titleRow);
  row->setContentsMargins(4, 2, 2, 2);
  auto* label = new QLabel(title, titleRow);
  label->setObjectName("barTitle");
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  auto* close = new QToolButton(titleRow);
  close->setObjectName("barClose");
  close->setAutoRaise(true);
  close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
  close->setIconSize(QSize(10, 10));
  connect(close, &QToolButton::clicked, this, [this, id] { OnCloseBar(id); });
  row->addWidget(label, 1);
  row->addWidget(close);
  layout->addWidget(titleRow);
  control->setParent(frame);
  layout->addWidget(control, 1);

  // The splitter's index follows the ranks of the bars already there.
  int index = 0;
  for (const auto& [otherId, bar] : m_bars) {
    if (bar.position < position) ++index;
  }
  m_splitter->insertWidget(index, frame);
  m_bars[id] = Bar{frame, control, position};
}

void CCustomVReBar::ShowBar(int id, bool show) {
  const auto it = m_bars.find(id);
  if (it != m_bars.end()) it->second.frame->setVisible(show);
}

bool CCustomVReBar::IsBarShown(int id) const {
  const auto it = m_bars.find(id);
  return it != m_bars.end() && !it->second.frame->isHidden();
}

QWidget* CCustomVReBar::GetBarControl(int id) const {
  const auto it = m_bars.find(id);
  return it != m_bars.end() ? it->second.control : nullptr;
}

int CCustomVReBar::GetShownBarCount() const {
  int count = 0;
  for (const auto& entry : m_bars) {
    if (!entry.second.frame->isHidden()) ++count;
  }
  return count;
}

void CCustomVReBar::OnCloseBar(int id) { ShowBar(id, false); }
