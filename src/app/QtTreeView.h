#pragma once
#include <QTreeWidget>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/TreeView.h"

// The tree control of the panels: a QTreeWidget that the core fills through the
// TreeView seam. Item texts are the map's bytes shown as Latin-1, so every byte
// (the four 0xFF bytes of "Nulled Out" included) round-trips unchanged.
//
// Sorted insertion keeps the alphabetical order of AlphaOrder.h. Inside a
// BeginUpdate/EndUpdate batch the items are only collected and each parent's
// children are sorted and attached once at EndUpdate: inserting 4,000 tags one by
// one at their sorted place would cost a binary search and a list insert each.
class QtTreeView : public QTreeWidget, public jov::TreeView {
  Q_OBJECT

 public:
  explicit QtTreeView(QWidget* parent = nullptr);

  jov::TreeItem InsertItem(jov::TreeItem parent, const std::string& text, bool sorted) override;
  // Shown as the item's tooltip, in the colour of a disabled text.
  void SetItemNote(jov::TreeItem item, const std::string& note) override;
  void DeleteAllItems() override;
  void SetBackgroundColor(std::uint32_t colorWord) override;
  jov::TreeItem SelectedItem() const override;
  void BeginUpdate() override;
  void EndUpdate() override;

  std::uint32_t BackgroundColor() const { return m_colorWord; }
  // Selects item (0 clears the selection) and makes it current.
  void Select(jov::TreeItem item);
  // The selection a command last accepted, so that a command which stops (a value
  // that does not parse) can put the selection back where the fields match it.
  void AcceptSelection() { m_accepted = SelectedItem(); }
  void RestoreAcceptedSelection();

  // Shows only the groups and tags that match text (see jov::TagFilter): a tag
  // shows when its name, or its group's class code or class name, matches; a
  // group shows, opened, when any of its tags does. The expansion the tree had
  // before filtering comes back once the text is empty. A selected tag that is
  // filtered out is no longer selected.
  void ApplyTagFilter(const QString& text);
  bool IsFiltered() const { return m_filtered; }
  // Reads the texts the filter matches ahead of the first keystroke (the filter
  // field took the focus).
  void PrepareFilter() {
    if (!m_filterIndexValid) BuildFilterIndex();
  }

  static jov::TreeItem HandleOf(const QTreeWidgetItem* item) { return reinterpret_cast<jov::TreeItem>(item); }
  static QTreeWidgetItem* ItemOf(jov::TreeItem handle) { return reinterpret_cast<QTreeWidgetItem*>(handle); }
  // An item's text as the map's bytes.
  static std::string TextOf(const QTreeWidgetItem* item);

 private:
  struct Pending {
    std::vector<std::pair<std::string, QTreeWidgetItem*>> items;
    bool needsSort = false;
  };

  void InsertSortedNow(QTreeWidgetItem* parent, QTreeWidgetItem* item, const std::string& text);

  // The filter's copy of the tree: texts as bytes and what is hidden. Asking the
  // items each keystroke (a text conversion and a view lookup per row) costs
  // more than the matching on 65,535 tags. Built on the first filtering after
  // the tree changed.
  struct FilterRow {
    QTreeWidgetItem* item;
    std::string text;
    bool hidden;
  };
  struct FilterGroup {
    FilterRow row;
    std::string code, name;
    std::vector<FilterRow> tags;
  };
  void BuildFilterIndex();
  static void ShowRow(FilterRow& row, bool shown);

  std::vector<FilterGroup> m_filterIndex;
  bool m_filterIndexValid = false;
  std::uint32_t m_colorWord = 0;
  bool m_filtered = false;
  std::vector<QTreeWidgetItem*> m_expandedBeforeFilter;
  jov::TreeItem m_accepted = jov::kTreeRoot;
  int m_updateDepth = 0;
  // Children collected during a batch, per parent (nullptr: the root). Parents are
  // kept in the order they first received a child.
  std::unordered_map<QTreeWidgetItem*, Pending> m_pending;
  std::vector<QTreeWidgetItem*> m_pendingOrder;
};

// Black text on light backgrounds, white on dark ones: whichever contrasts more.
QColor ReadableTextColor(const QColor& background);
// The platform's colour word: the low byte is red, then green, then blue.
QColor ColorFromWord(std::uint32_t colorWord);
