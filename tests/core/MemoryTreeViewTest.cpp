// The in-memory tag tree: the order its children are shown in, and the batch
// that sorts once instead of at every insertion.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/AlphaOrder.h"
#include "platform/MemoryTreeView.h"

namespace jov {
namespace {

// Texts with many near-duplicates: case variants and exact repeats.
std::vector<std::string> RandomTexts(std::mt19937& rng, int count) {
  const char* pieces[] = {"a", "A", "b", "B", "_", "\\", "z", "\xE9", "1"};
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) {
    std::string s;
    for (std::uint32_t n = rng() % 4; n > 0; --n) s += pieces[rng() % 9];
    texts.push_back(s);
  }
  return texts;
}

// The insertion numbers of a parent's children, in the order they are shown.
std::vector<int> ShownOrder(const MemoryTreeView& tree, TreeItem parent, const std::vector<TreeItem>& inserted) {
  std::vector<int> order;
  for (const TreeItem item : tree.Children(parent))
    order.push_back(static_cast<int>(std::find(inserted.begin(), inserted.end(), item) - inserted.begin()));
  return order;
}

TEST(MemoryTreeView, SortedInsertionAndOneBatchGiveTheSameStableAlphabeticalOrder) {
  std::mt19937 rng(11);
  for (int round = 0; round < 50; ++round) {
    const std::vector<std::string> texts = RandomTexts(rng, 1 + static_cast<int>(rng() % 200));

    MemoryTreeView oneByOne;
    const TreeItem group1 = oneByOne.InsertItem(kTreeRoot, "group", false);
    std::vector<TreeItem> items1;
    for (const std::string& t : texts) items1.push_back(oneByOne.InsertItem(group1, t, true));

    MemoryTreeView batched;
    batched.BeginUpdate();
    const TreeItem group2 = batched.InsertItem(kTreeRoot, "group", false);
    std::vector<TreeItem> items2;
    batched.BeginUpdate();  // nested batches sort once, at the outermost end
    for (const std::string& t : texts) items2.push_back(batched.InsertItem(group2, t, true));
    batched.EndUpdate();
    batched.EndUpdate();

    // The reference: a stable sort of the insertion numbers by the texts.
    std::vector<int> expected(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) expected[i] = static_cast<int>(i);
    std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) { return AlphaLess(texts[a], texts[b]); });

    ASSERT_EQ(ShownOrder(oneByOne, group1, items1), expected);
    ASSERT_EQ(ShownOrder(batched, group2, items2), expected);
    for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(batched.Text(items2[i]), texts[i]);
  }
}

TEST(MemoryTreeView, UnsortedItemsKeepTheirOrderAndTheDumpIndentsChildren) {
  MemoryTreeView tree;
  const TreeItem z = tree.InsertItem(kTreeRoot, "zeta", false);
  const TreeItem a = tree.InsertItem(kTreeRoot, "alpha", false);
  tree.InsertItem(z, "b", true);
  tree.InsertItem(z, "A", true);
  EXPECT_EQ(tree.Children(kTreeRoot), (std::vector<TreeItem>{z, a}));
  EXPECT_EQ(tree.Dump(), "zeta\n  A\n  b\nalpha\n");
}

TEST(MemoryTreeView, DeleteAllItemsEmptiesTheTreeAndTheSelection) {
  MemoryTreeView tree;
  const TreeItem g = tree.InsertItem(kTreeRoot, "g", false);
  const TreeItem t = tree.InsertItem(g, "t", true);
  tree.Select(t);
  tree.SetBackgroundColor(0xBBBBBB);
  EXPECT_EQ(tree.SelectedItem(), t);
  tree.DeleteAllItems();
  EXPECT_TRUE(tree.Children(kTreeRoot).empty());
  EXPECT_EQ(tree.SelectedItem(), kTreeRoot);
  EXPECT_EQ(tree.Text(t), "");
  EXPECT_EQ(tree.Dump(), "");
  // Handles are never reused: an old handle cannot name a new item.
  EXPECT_NE(tree.InsertItem(kTreeRoot, "new", false), t);
}

}  // namespace
}  // namespace jov
