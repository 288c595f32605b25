#include "hostlib/ui/property_sheet.h"

#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "hostlib/core/message_box.h"
#include "hostlib/ui/notify_dlg.h"

CCustomPropertyPage::CCustomPropertyPage(const QString& title, QWidget* parent)
    : QWidget(parent), m_title(title) {}

CCustomPropertyPage::~CCustomPropertyPage() = default;

void CCustomPropertyPage::initialise() {
  if (m_initialised) return;
  m_initialised = true;
  OnInitDialog();
}

bool CCustomPropertyPage::RefuseValue(QWidget* field, const std::string& message) {
  CNotifyDlg2::ShowMessage(this, message, vex3d::kMsgOk | vex3d::kMsgIconWarning);
  if (field != nullptr) {
    field->setFocus(Qt::OtherFocusReason);
    if (auto* sheet = GetSheet()) sheet->SetActivePage(this);
  }
  return false;
}

CCustomPropertySheet::CCustomPropertySheet(const QString& caption, QWidget* parent)
    : QDialog(parent),
      m_tabs(new QTabWidget(this)),
      m_buttons(new QDialogButtonBox(
          QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this)) {
  setObjectName(vex3d::ui::kPropertySheetName);
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_tabs);
  layout->addWidget(m_buttons);
  connect(m_buttons, &QDialogButtonBox::accepted, this, &CCustomPropertySheet::accept);
  connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
          [this] { Apply(); });
  connect(m_tabs, &QTabWidget::currentChanged, this, &CCustomPropertySheet::currentChanged);
}

CCustomPropertySheet::~CCustomPropertySheet() = default;

void CCustomPropertySheet::AddPage(CCustomPropertyPage* page) {
  page->m_sheet = this;
  m_pages.push_back(page);
  // The first page added becomes current and is initialised here, before
  // the tab widget reports it.
  if (m_pages.size() == 1) {
    m_current = 0;
    page->initialise();
  }
  m_tabs->addTab(page, page->GetTitle());
}

int CCustomPropertySheet::indexOf(const CCustomPropertyPage* page) const {
  for (std::size_t i = 0; i < m_pages.size(); ++i) {
    if (m_pages[i] == page) return static_cast<int>(i);
  }
  return -1;
}

void CCustomPropertySheet::SetPageVisible(CCustomPropertyPage* page, bool visible) {
  const int index = indexOf(page);
  if (index >= 0) m_tabs->setTabVisible(index, visible);
}

bool CCustomPropertySheet::IsPageVisible(const CCustomPropertyPage* page) const {
  const int index = indexOf(page);
  return index >= 0 && m_tabs->isTabVisible(index);
}

CCustomPropertyPage* CCustomPropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? m_pages[std::size_t(index)] : nullptr;
}

CCustomPropertyPage* CCustomPropertySheet::GetActivePage() const { return GetPage(m_current); }

bool CCustomPropertySheet::SetActivePage(CCustomPropertyPage* page) {
  const int index = indexOf(page);
  if (index < 0 || !m_tabs->isTabVisible(index)) return false;
  if (index == m_current) return true;
  m_tabs->setCurrentIndex(index);
  return m_current == index;
}

void CCustomPropertySheet::currentChanged(int index) {
  if (m_switching || index == m_current) return;
  CCustomPropertyPage* leaving = GetActivePage();
  if (leaving != nullptr && !leaving->OnKillActive()) {
    // Back to the page whose value was refused.
    m_switching = true;
    m_tabs->setCurrentIndex(m_current);
    m_switching = false;
    return;
  }
  m_current = index;
  if (CCustomPropertyPage* page = GetActivePage()) page->initialise();
}

bool CCustomPropertySheet::Apply() {
  CCustomPropertyPage* active = GetActivePage();
  if (active != nullptr && !active->OnKillActive()) return false;
  for (CCustomPropertyPage* page : m_pages) {
    if (page->IsInitialised() && IsPageVisible(page)) page->OnApply();
  }
  return true;
}

QPushButton* CCustomPropertySheet::GetButton(QDialogButtonBox::StandardButton which) const {
  return m_buttons->button(which);
}

int CCustomPropertySheet::exec() {
  // A hidden first page hands the start over to the first shown one.
  if (CCustomPropertyPage* active = GetActivePage(); active != nullptr && !IsPageVisible(active)) {
    for (CCustomPropertyPage* page : m_pages) {
      if (IsPageVisible(page)) {
        m_tabs->setCurrentWidget(page);
        break;
      }
    }
  }
  return QDialog::exec();
}

void CCustomPropertySheet::accept() {
  if (Apply()) QDialog::accept();
}
