#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/TreeView.h"

namespace jov {

// A tree held in memory, children kept in the order the editor's tree shows them.
// Used by the core tests and by jov-cli.
class MemoryTreeView : public TreeView {
 public:
  TreeItem InsertItem(TreeItem parent, const std::string& text, bool sorted) override;
  void DeleteAllItems() override;
  void SetBackgroundColor(std::uint32_t colorWord) override { m_color = colorWord; }
  TreeItem SelectedItem() const override { return m_selected; }
  void BeginUpdate() override { ++m_updateDepth; }
  void EndUpdate() override;

  void Select(TreeItem item) { m_selected = item; }
  std::uint32_t BackgroundColor() const { return m_color; }

  const std::vector<TreeItem>& Children(TreeItem parent) const;
  const std::string& Text(TreeItem item) const;
  std::size_t Size() const { return m_nodes.size(); }

  // Top-level lines at the start of a line, their children indented by two spaces.
  std::string Dump() const;

 private:
  struct Node {
    std::string text;
    std::vector<TreeItem> children;
    bool needsSort = false;
  };

  Node& NodeOf(TreeItem item);

  std::unordered_map<TreeItem, Node> m_nodes;  // the root is item 0
  TreeItem m_next = 1;
  TreeItem m_selected = 0;
  std::uint32_t m_color = 0;
  int m_updateDepth = 0;
};

}  // namespace jov
