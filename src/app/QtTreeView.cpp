#include "QtTreeView.h"

#include <algorithm>
#include <cmath>

#include "map/TagFilter.h"
#include "platform/AlphaOrder.h"

QtTreeView::QtTreeView(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setSortingEnabled(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformRowHeights(true);  // keeps scrolling through thousands of tags cheap
  setDragEnabled(false);
  SetBackgroundColor(0);
}

std::string QtTreeView::TextOf(const QTreeWidgetItem* item) { return item->text(0).toLatin1().toStdString(); }

void QtTreeView::SetItemNote(jov::TreeItem item, const std::string& note) {
  QTreeWidgetItem* widgetItem = ItemOf(item);
  if (!widgetItem) return;
  widgetItem->setToolTip(0, QString::fromLatin1(note.data(), static_cast<qsizetype>(note.size())));
  widgetItem->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
}

jov::TreeItem QtTreeView::InsertItem(jov::TreeItem parent, const std::string& text, bool sorted) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
  m_filterIndexValid = false;
  QTreeWidgetItem* parentItem = ItemOf(parent);

  if (m_updateDepth > 0) {
    auto [it, fresh] = m_pending.try_emplace(parentItem);
    if (fresh) m_pendingOrder.push_back(parentItem);
    it->second.items.emplace_back(text, item);
    it->second.needsSort = it->second.needsSort || sorted;
  } else if (sorted) {
    InsertSortedNow(parentItem, item, text);
  } else if (parentItem) {
    parentItem->addChild(item);
  } else {
    addTopLevelItem(item);
  }
  return HandleOf(item);
}

void QtTreeView::InsertSortedNow(QTreeWidgetItem* parent, QTreeWidgetItem* item, const std::string& text) {
  // Upper bound: an equal text goes after the ones already there.
  const int count = parent ? parent->childCount() : topLevelItemCount();
  int lo = 0;
  int hi = count;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    const QTreeWidgetItem* other = parent ? parent->child(mid) : topLevelItem(mid);
    if (jov::AlphaLess(text, TextOf(other)))
      hi = mid;
    else
      lo = mid + 1;
  }
  if (parent)
    parent->insertChild(lo, item);
  else
    insertTopLevelItem(lo, item);
}

void QtTreeView::BeginUpdate() {
  if (m_updateDepth++ == 0) setUpdatesEnabled(false);
}

void QtTreeView::EndUpdate() {
  if (m_updateDepth == 0 || --m_updateDepth > 0) return;
  for (QTreeWidgetItem* parent : m_pendingOrder) {
    Pending& pending = m_pending[parent];
    QList<QTreeWidgetItem*> items;
    if (pending.needsSort) {
      // The same order as inserting each one at its upper bound: the children
      // already there come first among equals, then the new ones in insertion order.
      std::vector<std::pair<std::string, QTreeWidgetItem*>> all;
      const int existing = parent ? parent->childCount() : topLevelItemCount();
      all.reserve(static_cast<std::size_t>(existing) + pending.items.size());
      for (int i = 0; i < existing; ++i) {
        QTreeWidgetItem* child = parent ? parent->child(i) : topLevelItem(i);
        all.emplace_back(TextOf(child), child);
      }
      if (existing > 0) {
        if (parent)
          parent->takeChildren();
        else
          while (topLevelItemCount() > 0) takeTopLevelItem(topLevelItemCount() - 1);
      }
      all.insert(all.end(), std::make_move_iterator(pending.items.begin()),
                 std::make_move_iterator(pending.items.end()));
      std::stable_sort(all.begin(), all.end(),
                       [](const auto& a, const auto& b) { return jov::AlphaLess(a.first, b.first); });
      items.reserve(static_cast<qsizetype>(all.size()));
      for (auto& entry : all) items.append(entry.second);
    } else {
      items.reserve(static_cast<qsizetype>(pending.items.size()));
      for (auto& entry : pending.items) items.append(entry.second);
    }
    if (parent)
      parent->addChildren(items);
    else
      addTopLevelItems(items);
  }
  m_pending.clear();
  m_pendingOrder.clear();
  setUpdatesEnabled(true);
}

void QtTreeView::DeleteAllItems() {
  // Items collected in an unfinished batch were never attached; free them too.
  for (auto& [parent, pending] : m_pending)
    for (auto& entry : pending.items) delete entry.second;
  m_pending.clear();
  m_pendingOrder.clear();
  // Emptying the tree is not a selection the user made: no notification.
  const QSignalBlocker blocker(this);
  clear();
  m_accepted = jov::kTreeRoot;
  m_filtered = false;
  m_expandedBeforeFilter.clear();
  m_filterIndex.clear();
  m_filterIndexValid = false;
}

void QtTreeView::BuildFilterIndex() {
  m_filterIndex.clear();
  m_filterIndex.reserve(static_cast<std::size_t>(topLevelItemCount()));
  for (int row = 0; row < topLevelItemCount(); ++row) {
    QTreeWidgetItem* group = topLevelItem(row);
    FilterGroup entry{{group, TextOf(group), group->isHidden()}, {}, {}, {}};
    const jov::GroupTextParts parts = jov::SplitGroupText(entry.row.text);
    entry.code = std::string(parts.code);
    entry.name = std::string(parts.name);
    entry.tags.reserve(static_cast<std::size_t>(group->childCount()));
    for (int i = 0; i < group->childCount(); ++i) {
      QTreeWidgetItem* tag = group->child(i);
      entry.tags.push_back({tag, TextOf(tag), tag->isHidden()});
    }
    m_filterIndex.push_back(std::move(entry));
  }
  m_filterIndexValid = true;
}

void QtTreeView::ShowRow(FilterRow& row, bool shown) {
  // Only a change costs the view anything: most keystrokes hide or show a few.
  if (row.hidden != shown) return;
  row.hidden = !shown;
  row.item->setHidden(!shown);
}

void QtTreeView::ApplyTagFilter(const QString& text) {
  const jov::TagFilter filter(text.toLatin1().toStdString());
  const bool all = filter.MatchesEverything();
  if (all && !m_filtered) return;
  if (!m_filterIndexValid) BuildFilterIndex();
  if (!all && !m_filtered) {
    m_expandedBeforeFilter.clear();
    for (const FilterGroup& group : m_filterIndex)
      if (group.row.item->isExpanded()) m_expandedBeforeFilter.push_back(group.row.item);
  }
  setUpdatesEnabled(false);
  for (FilterGroup& group : m_filterIndex) {
    const bool classMatches = all || filter.Matches(group.code) || filter.Matches(group.name);
    bool groupShown = all;
    for (FilterRow& tag : group.tags) {
      const bool shown = classMatches || filter.Matches(tag.text);
      ShowRow(tag, shown);
      groupShown = groupShown || shown;
    }
    ShowRow(group.row, groupShown);
    if (!all && groupShown && !group.row.item->isExpanded()) group.row.item->setExpanded(true);
  }
  if (all) {
    collapseAll();
    for (QTreeWidgetItem* group : m_expandedBeforeFilter) group->setExpanded(true);
    m_expandedBeforeFilter.clear();
  }
  m_filtered = !all;
  setUpdatesEnabled(true);

  const QList<QTreeWidgetItem*> selected = selectedItems();
  if (!selected.isEmpty() && selected.front()->isHidden()) {
    clearSelection();
    setCurrentItem(nullptr);
  } else if (!selected.isEmpty() && !all) {
    // Not when the filter is emptied: scrolling to an item opens its group, and
    // the groups are to be as they were.
    scrollToItem(selected.front());
  }
}

void QtTreeView::RestoreAcceptedSelection() {
  const QSignalBlocker blocker(this);
  if (m_accepted == jov::kTreeRoot) {
    clearSelection();
    setCurrentItem(nullptr);
  } else {
    setCurrentItem(ItemOf(m_accepted));
  }
}

void QtTreeView::SetBackgroundColor(std::uint32_t colorWord) {
  m_colorWord = colorWord;
  const QColor background = ColorFromWord(colorWord);
  QPalette p = palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, background);
    p.setColor(group, QPalette::Text, ReadableTextColor(background));
  }
  setPalette(p);
}

jov::TreeItem QtTreeView::SelectedItem() const {
  const QList<QTreeWidgetItem*> items = selectedItems();
  return items.isEmpty() ? jov::kTreeRoot : HandleOf(items.front());
}

void QtTreeView::Select(jov::TreeItem item) {
  if (item == jov::kTreeRoot) {
    clearSelection();
    return;
  }
  setCurrentItem(ItemOf(item));
}

QColor ColorFromWord(std::uint32_t colorWord) {
  return QColor(static_cast<int>(colorWord & 0xFF), static_cast<int>((colorWord >> 8) & 0xFF),
                static_cast<int>((colorWord >> 16) & 0xFF));
}

QColor ReadableTextColor(const QColor& background) {
  // Relative luminance of the sRGB colour; black text wins the contrast ratio
  // above about 0.179, white below.
  const auto linear = [](int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  const double luminance =
      0.2126 * linear(background.red()) + 0.7152 * linear(background.green()) + 0.0722 * linear(background.blue());
  return (luminance + 0.05) / 0.05 >= 1.05 / (luminance + 0.05) ? QColor(Qt::black) : QColor(Qt::white);
}
