#pragma once
// A tree whose items carry check boxes that mean something to the owner
// (shown or hidden, used or not). The user's clicks do not change a mark
// directly: they go through UserCheckItem, so that the owner can refuse a
// change or spread it. Items marked as combined show the state of what lies
// under them instead of a state of their own.
#include <QTreeWidget>
#include <cstdint>
#include <vector>

#include "hostlib/ui_export.h"

enum CustomTreeCheckState : int {
  TREE_CHECKED = 1,
  TREE_UNCHECKED = 2,
  TREE_MIXED = 3,
};

class VEXHOSTUI_EXPORT CCustomTree : public QTreeWidget {
 public:
  explicit CCustomTree(QWidget* parent = nullptr);

  // `parent` null: a top-level item. Appended after the parent's last child.
  QTreeWidgetItem* InsertItem(const QString& text, QTreeWidgetItem* parent, std::uintptr_t data,
                              int checkState = TREE_CHECKED);
  void DeleteAllItems();
  std::uintptr_t GetItemData(const QTreeWidgetItem* item) const;
  QTreeWidgetItem* FindItem(std::uintptr_t data) const;
  // Every item, depth first in display order.
  std::vector<QTreeWidgetItem*> GetAllItems() const;

  int GetCheckState(const QTreeWidgetItem* item) const;
  // Sets the mark only; nobody is asked.
  void SetCheckState(QTreeWidgetItem* item, int state);
  // A combined item shows the check level of its sub-tree.
  void SetItemCombined(QTreeWidgetItem* item, bool combined);
  bool IsItemCombined(const QTreeWidgetItem* item) const;
  // Checked when every item below that has a state of its own is checked,
  // unchecked when none is, mixed otherwise; the item's own mark when
  // nothing below has one.
  int GetCheckLevelState(const QTreeWidgetItem* item) const;
  // The combined items above `item` (and `item` itself when combined) take
  // their check level again.
  void UpdateCheckState(QTreeWidgetItem* item);
  // Every combined item takes its check level again, deepest first.
  void UpdateTreeCheckState(QTreeWidgetItem* item = nullptr);

  // The user asked to give `item` the mark `state` (the reverse of its
  // current one; mixed becomes checked). By default the item and its
  // sub-tree take it, each through ChangeItemCheckState.
  virtual void UserCheckItem(QTreeWidgetItem* item, int state);
  // Whether the user may change the mark of `item` at all.
  virtual bool CanChangeCheckState(QTreeWidgetItem* item);
  // Around one user change, whatever number of items it touches.
  virtual void BeginCheckStateChange() {}
  virtual void EndCheckStateChange() {}
  // One item of a user change; false keeps its mark.
  virtual bool ChangeItemCheckState(QTreeWidgetItem* item, int state);
  virtual void DoubleClick(QTreeWidgetItem* item);
  // Right button on `item` (null: on no item), at `globalPos`.
  virtual void OnRButtonDown(QTreeWidgetItem* item, const QPoint& globalPos);

  // What a click on the mark of `item` does; also what tests call.
  void ToggleItem(QTreeWidgetItem* item);
  // The sub-tree of `item` takes `state` through ChangeItemCheckState, then
  // the combined items above are brought up to date.
  void CheckSubtree(QTreeWidgetItem* item, int state);

 private:
  void onItemChanged(QTreeWidgetItem* item, int column);
  void showState(QTreeWidgetItem* item, int state);

  // Marks set by the code, not by a click, are not user changes.
  int m_settingState = 0;
};
