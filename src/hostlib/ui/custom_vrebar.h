#pragma once
// A column of titled bars stacked one above the other, each holding one
// control, sharing the height with splitter handles between them. Bars keep
// their place in the column whatever order they are shown in.
#include <QWidget>
#include <map>

#include "hostlib/ui_export.h"

class QSplitter;

class VEXHOSTUI_EXPORT CCustomVReBar : public QWidget {
 public:
  explicit CCustomVReBar(QWidget* parent = nullptr);

  // Places `control` in a bar titled `title` at rank `position` (lower
  // ranks higher up). The bar takes the control over; shown at once.
  void AddBar(int id, QWidget* control, const QString& title, int position);
  void ShowBar(int id, bool show);
  bool IsBarShown(int id) const;
  QWidget* GetBarControl(int id) const;
  int GetShownBarCount() const;
  QSplitter* GetSplitter() const { return m_splitter; }

 protected:
  // The close button of bar `id` was pressed; hides the bar by default.
  virtual void OnCloseBar(int id);

 private:
  struct Bar {
    QWidget* frame = nullptr;
    QWidget* control = nullptr;
    int position = 0;
  };
  std::map<int, Bar> m_bars;
  QSplitter* m_splitter;
};
