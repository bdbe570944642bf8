#pragma once
#include <cstdint>
#include <string>

namespace jov {

// A tree item handle; 0 is the root (as a parent) and "no item" (as a selection).
using TreeItem = std::uintptr_t;
inline constexpr TreeItem kTreeRoot = 0;

// The tree control as the core needs it: the map model fills the tag tree through
// it. Texts are the map's bytes. Sorted insertion keeps the alphabetical order of
// AlphaOrder.h; an implementation may defer the sorting to EndUpdate, since the
// order is only looked at once the batch is done.
class TreeView {
 public:
  virtual ~TreeView() = default;

  virtual TreeItem InsertItem(TreeItem parent, const std::string& text, bool sorted) = 0;
  virtual void DeleteAllItems() = 0;
  // The platform's colour word: the low byte is red, then green, then blue.
  virtual void SetBackgroundColor(std::uint32_t colorWord) = 0;
  virtual TreeItem SelectedItem() const = 0;
  // A few words about an item that its text does not say (where a tag's
  // metadata lives); a view that cannot show them ignores them.
  virtual void SetItemNote(TreeItem /*item*/, const std::string& /*note*/) {}

  virtual void BeginUpdate() {}
  virtual void EndUpdate() {}
};

}  // namespace jov
