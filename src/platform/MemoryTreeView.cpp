#include "platform/MemoryTreeView.h"

#include <algorithm>

#include "platform/AlphaOrder.h"

namespace jov {

MemoryTreeView::Node& MemoryTreeView::NodeOf(TreeItem item) { return m_nodes[item]; }

TreeItem MemoryTreeView::InsertItem(TreeItem parent, const std::string& text, bool sorted) {
  const TreeItem item = m_next++;
  m_nodes[item].text = text;
  auto& children = NodeOf(parent).children;
  if (!sorted) {
    children.push_back(item);
  } else if (m_updateDepth > 0) {
    // Sorting once at the end of the batch gives the same order as inserting
    // each item in place: a stable sort keeps equal texts in insertion order.
    children.push_back(item);
    NodeOf(parent).needsSort = true;
  } else {
    const auto at = std::upper_bound(children.begin(), children.end(), text,
                                     [this](const std::string& t, TreeItem other) {
                                       return AlphaLess(t, m_nodes.at(other).text);
                                     });
    children.insert(at, item);
  }
  return item;
}

void MemoryTreeView::DeleteAllItems() {
  m_nodes.clear();
  m_selected = 0;
}

void MemoryTreeView::EndUpdate() {
  // Nested batches sort once, when the outermost one ends.
  if (m_updateDepth > 0 && --m_updateDepth > 0) return;
  for (auto& [item, node] : m_nodes) {
    if (!node.needsSort) continue;
    std::stable_sort(node.children.begin(), node.children.end(), [this](TreeItem a, TreeItem b) {
      return AlphaLess(m_nodes.at(a).text, m_nodes.at(b).text);
    });
    node.needsSort = false;
  }
}

const std::vector<TreeItem>& MemoryTreeView::Children(TreeItem parent) const {
  static const std::vector<TreeItem> kNone;
  const auto it = m_nodes.find(parent);
  return it == m_nodes.end() ? kNone : it->second.children;
}

const std::string& MemoryTreeView::Text(TreeItem item) const {
  static const std::string kEmpty;
  const auto it = m_nodes.find(item);
  return it == m_nodes.end() ? kEmpty : it->second.text;
}

std::string MemoryTreeView::Dump() const {
  std::string out;
  for (const TreeItem top : Children(kTreeRoot)) {
    out += Text(top);
    out += '\n';
    for (const TreeItem child : Children(top)) {
      out += "  ";
      out += Text(child);
      out += '\n';
    }
  }
  return out;
}

}  // namespace jov
