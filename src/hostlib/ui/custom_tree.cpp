#include "hostlib/ui/custom_tree.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <functional>

namespace {

constexpr int kDataRole = Qt::UserRole;
constexpr int kStateRole = Qt::UserRole + 1;
constexpr int kCombinedRole = Qt::UserRole + 2;

Qt::CheckState toQt(int state) {
  switch (state) {
    case TREE_CHECKED:
      return Qt::Checked;
    case TREE_MIXED:
      return Qt::PartiallyChecked;
    default:
      return Qt::Unchecked;
  }
}

// Counts, under `item`, the items with a mark of their own.
void countLevels(const QTreeWidgetItem* item, int& checked, int& unchecked) {
  for (int i = 0; i < item->childCount(); ++i) {
    const QTreeWidgetItem* child = item->child(i);
    if (!child->data(0, kCombinedRole).toBool()) {
      if (child->data(0, kStateRole).toInt() == TREE_CHECKED) {
        ++checked;
      } else {
        ++unchecked;
      }
    }
    countLevels(child, checked, unchecked);
  }
}

}  // namespace

CCustomTree::CCustomTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setUniformRowHeights(true);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setSelectionMode(QAbstractItemView::SingleSelection);
  connect(this, &QTreeWidget::itemChanged, this, &CCustomTree::onItemChanged);
  connect(this, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item, int) { DoubleClick(item); });
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { OnRButtonDown(itemAt(pos), viewport()->mapToGlobal(pos)); });
}

QTreeWidgetItem* CCustomTree::InsertItem(const QString& text, QTreeWidgetItem* parent,
                                         std::uintptr_t data, int checkState) {
  auto* item = new QTreeWidgetItem();
  item->setText(0, text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setData(0, kDataRole, QVariant::fromValue<qulonglong>(data));
  ++m_settingState;
  item->setData(0, kStateRole, checkState);
  item->setCheckState(0, toQt(checkState));
  if (parent != nullptr) {
    parent->addChild(item);
  } else {
    addTopLevelItem(item);
  }
  --m_settingState;
  return item;
}

void CCustomTree::DeleteAllItems() {
  ++m_settingState;
  clear();
  --m_settingState;
}

std::uintptr_t CCustomTree::GetItemData(const QTreeWidgetItem* item) const {
  return item != nullptr ? static_cast<std::uintptr_t>(item->data(0, kDataRole).toULongLong()) : 0;
}

QTreeWidgetItem* CCustomTree::FindItem(std::uintptr_t data) const {
  for (QTreeWidgetItem* item : GetAllItems()) {
    if (GetItemData(item) == data) return item;
  }
  return nullptr;
}

std::vector<QTreeWidgetItem*> CCustomTree::GetAllItems() const {
  std::vector<QTreeWidgetItem*> items;
  std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
    items.push_back(item);
    for (int i = 0; i < item->childCount(); ++i) walk(item->child(i));
  };
  for (int i = 0; i < topLevelItemCount(); ++i) walk(topLevelItem(i));
  return items;
}

int CCustomTree::GetCheckState(const QTreeWidgetItem* item) const {
  return item != nullptr ? item->data(0, kStateRole).toInt() : 0;
}

void CCustomTree::showState(QTreeWidgetItem* item, int state) {
  ++m_settingState;
  item->setData(0, kStateRole, state);
  item->setCheckState(0, toQt(state));
  --m_settingState;
}

void CCustomTree::SetCheckState(QTreeWidgetItem* item, int state) {
  if (item != nullptr) showState(item, state);
}

void CCustomTree::SetItemCombined(QTreeWidgetItem* item, bool combined) {
  if (item == nullptr) return;
  ++m_settingState;
  item->setData(0, kCombinedRole, combined);
  --m_settingState;
}

bool CCustomTree::IsItemCombined(const QTreeWidgetItem* item) const {
  return item != nullptr && item->data(0, kCombinedRole).toBool();
}

int CCustomTree::GetCheckLevelState(const QTreeWidgetItem* item) const {
  int checked = 0;
  int unchecked = 0;
  countLevels(item, checked, unchecked);
  if (checked == 0 && unchecked == 0) return GetCheckState(item);
  if (unchecked == 0) return TREE_CHECKED;
  if (checked == 0) return TREE_UNCHECKED;
  return TREE_MIXED;
}

void CCustomTree::UpdateCheckState(QTreeWidgetItem* item) {
  for (QTreeWidgetItem* up = item; up != nullptr; up = up->parent()) {
    if (IsItemCombined(up)) showState(up, GetCheckLevelState(up));
  }
}

void CCustomTree::UpdateTreeCheckState(QTreeWidgetItem* item) {
  std::vector<QTreeWidgetItem*> items;
  if (item == nullptr) {
    items = GetAllItems();
  } else {
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* i) {
      items.push_back(i);
      for (int c = 0; c < i->childCount(); ++c) walk(i->child(c));
    };
    walk(item);
  }
  // Depth first lists parents before children: going backwards settles the
  // inner combined items before the outer ones read them.
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    if (IsItemCombined(*it)) showState(*it, GetCheckLevelState(*it));
  }
}

bool CCustomTree::CanChangeCheckState(QTreeWidgetItem*) { return true; }

bool CCustomTree::ChangeItemCheckState(QTreeWidgetItem*, int) { return true; }

void CCustomTree::DoubleClick(QTreeWidgetItem*) {}

void CCustomTree::OnRButtonDown(QTreeWidgetItem*, const QPoint&) {}

void CCustomTree::CheckSubtree(QTreeWidgetItem* item, int state) {
  std::function<void(QTreeWidgetItem*)> apply = [&](QTreeWidgetItem* i) {
    if (ChangeItemCheckState(i, state)) showState(i, state);
    for (int c = 0; c < i->childCount(); ++c) apply(i->child(c));
  };
  apply(item);
  UpdateTreeCheckState(item);
  UpdateCheckState(item->parent());
}

void CCustomTree::UserCheckItem(QTreeWidgetItem* item, int state) { CheckSubtree(item, state); }

void CCustomTree::ToggleItem(QTreeWidgetItem* item) {
  if (item == nullptr || !CanChangeCheckState(item)) return;
  const int next = GetCheckState(item) == TREE_CHECKED ? TREE_UNCHECKED : TREE_CHECKED;
  BeginCheckStateChange();
  UserCheckItem(item, next);
  EndCheckStateChange();
}

void CCustomTree::onItemChanged(QTreeWidgetItem* item, int column) {
  if (m_settingState > 0 || column != 0) return;
  // Qt already flipped the box: show the real mark again and let the owner
  // decide what the click means.
  const int stored = GetCheckState(item);
  if (item->checkState(0) == toQt(stored)) return;
  showState(item, stored);
  ToggleItem(item);
}
