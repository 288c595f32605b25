#pragma once
// A modal sheet of pages with OK, Cancel and Apply. A page is initialised
// the first time it is shown, checks its values when the user leaves it
// and before anything is applied, and applies them on OK and Apply; pages
// never shown are neither checked nor applied, as they changed nothing.
#include <QDialog>
#include <QDialogButtonBox>
#include <QString>
#include <string>
#include <vector>

#include "hostlib/ui_export.h"

class CCustomPropertySheet;
class QTabWidget;

class VEXHOSTUI_EXPORT CCustomPropertyPage : public QWidget {
 public:
  explicit CCustomPropertyPage(const QString& title, QWidget* parent = nullptr);
  ~CCustomPropertyPage() override;

  const QString& GetTitle() const { return m_title; }
  CCustomPropertySheet* GetSheet() const { return m_sheet; }
  bool IsInitialised() const { return m_initialised; }

  // Fills the controls; called once, before the page is first shown.
  virtual void OnInitDialog() {}
  // False keeps the user on the page (see RefuseValue).
  virtual bool OnKillActive() { return true; }
  // Applies the controls' values; called on OK and Apply once every shown
  // page accepted its values.
  virtual void OnApply() {}

 protected:
  // Says why the value of `field` cannot be taken, puts the focus on it
  // and answers false, for OnKillActive.
  bool RefuseValue(QWidget* field, const std::string& message);

 private:
  friend class CCustomPropertySheet;
  void initialise();

  QString m_title;
  CCustomPropertySheet* m_sheet = nullptr;
  bool m_initialised = false;
};

class VEXHOSTUI_EXPORT CCustomPropertySheet : public QDialog {
 public:
  CCustomPropertySheet(const QString& caption, QWidget* parent);
  ~CCustomPropertySheet() override;

  // The sheet takes the page over; pages show in the order they are added.
  void AddPage(CCustomPropertyPage* page);
  // Hides or shows a page's tab; a hidden page is skipped by OK and Apply.
  void SetPageVisible(CCustomPropertyPage* page, bool visible);
  bool IsPageVisible(const CCustomPropertyPage* page) const;
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  CCustomPropertyPage* GetPage(int index) const;
  // The first page of the class, or null.
  template <class Page>
  Page* FindPage() const {
    for (CCustomPropertyPage* page : m_pages) {
      if (auto* found = dynamic_cast<Page*>(page)) return found;
    }
    return nullptr;
  }
  CCustomPropertyPage* GetActivePage() const;
  // False when the current page refuses to be left or `page` is hidden.
  bool SetActivePage(CCustomPropertyPage* page);
  // Checks the current page, then applies every shown page, in order.
  // False (nothing applied) when a value was refused.
  bool Apply();
  QPushButton* GetButton(QDialogButtonBox::StandardButton which) const;

  int exec() override;

 protected:
  void accept() override;

 private:
  void currentChanged(int index);
  int indexOf(const CCustomPropertyPage* page) const;

  QTabWidget* m_tabs;
  QDialogButtonBox* m_buttons;
  std::vector<CCustomPropertyPage*> m_pages;
  int m_current = -1;
  bool m_switching = false;
};

namespace vex3d::ui {
inline constexpr const char* kPropertySheetName = "propertySheet";
}  // namespace vex3d::ui
