// The Qt tree and combo box behind the panels, against the in-memory tree that
// the core and jov-cli use, and against a plain stable sort.
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>
#include <algorithm>
#include <random>

#include "GuiTestSupport.h"
#include "QtTreeView.h"
#include "SortedComboBox.h"
#include "platform/AlphaOrder.h"
#include "platform/MemoryTreeView.h"

namespace {

// Texts that collide often: few letters, both cases, a high byte, prefixes.
std::string RandomText(std::mt19937& random) {
  static const char kAlphabet[] = {'a', 'A', 'b', 'B', '_', '\\', '0', '\xFF', 'z'};
  std::string text(random() % 4, ' ');
  for (char& c : text) c = kAlphabet[random() % sizeof kAlphabet];
  return text;
}

// The tree as nested "text" lines, children indented.
void DumpQt(const QTreeWidgetItem* item, int depth, std::string& out) {
  for (int i = 0; i < item->childCount(); ++i) {
    out += std::string(2 * depth, ' ') + QtTreeView::TextOf(item->child(i)) + '\n';
    DumpQt(item->child(i), depth + 1, out);
  }
}

void DumpMemory(const jov::MemoryTreeView& tree, jov::TreeItem item, int depth, std::string& out) {
  for (const jov::TreeItem child : tree.Children(item)) {
    out += std::string(2 * depth, ' ') + tree.Text(child) + '\n';
    DumpMemory(tree, child, depth + 1, out);
  }
}

double ContrastRatio(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto linear = [](int v) {
      const double x = v / 255.0;
      return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
  };
  const double la = luminance(a) + 0.05;
  const double lb = luminance(b) + 0.05;
  return std::max(la, lb) / std::min(la, lb);
}

}  // namespace

class TreeViewTest : public QObject {
  Q_OBJECT

 private slots:
  void ordersLikeTheMemoryTreeInAndOutOfBatches() {
    std::mt19937 random(11);
    for (int round = 0; round < 60; ++round) {
      QtTreeView qt;
      jov::MemoryTreeView memory;
      // Handles of the same item in both trees, index by index.
      std::vector<jov::TreeItem> qtItems{jov::kTreeRoot};
      std::vector<jov::TreeItem> memoryItems{jov::kTreeRoot};
      const int batches = 1 + static_cast<int>(random() % 3);
      for (int b = 0; b < batches; ++b) {
        const bool batched = random() % 2 == 0;
        if (batched) {
          qt.BeginUpdate();
          memory.BeginUpdate();
        }
        const int inserts = static_cast<int>(random() % 200);
        for (int i = 0; i < inserts; ++i) {
          // Few parents, so that each gets many children with equal texts.
          const std::size_t parent = random() % std::min<std::size_t>(qtItems.size(), 6);
          const std::string text = RandomText(random);
          // Roots take unsorted groups, as the tag tree does; children go sorted.
          const bool sorted = parent != 0 && random() % 4 != 0;
          qtItems.push_back(qt.InsertItem(qtItems[parent], text, sorted));
          memoryItems.push_back(memory.InsertItem(memoryItems[parent], text, sorted));
        }
        if (batched) {
          qt.EndUpdate();
          memory.EndUpdate();
        }
      }
      std::string qtDump;
      std::string memoryDump;
      DumpQt(qt.invisibleRootItem(), 0, qtDump);
      DumpMemory(memory, jov::kTreeRoot, 0, memoryDump);
      QCOMPARE(qtDump, memoryDump);
      // Equal texts keep insertion order: each handle sits where the memory tree put its twin.
      for (std::size_t i = 1; i < qtItems.size(); ++i) {
        QTreeWidgetItem* item = QtTreeView::ItemOf(qtItems[i]);
        const QTreeWidgetItem* parent = item->parent() ? item->parent() : qt.invisibleRootItem();
        const auto& siblings = memory.Children(
            memoryItems[static_cast<std::size_t>(std::find(qtItems.begin(), qtItems.end(),
                                                           QtTreeView::HandleOf(item->parent())) - qtItems.begin())]);
        QCOMPARE(std::size_t(parent->indexOfChild(item)),
                 std::size_t(std::find(siblings.begin(), siblings.end(), memoryItems[i]) - siblings.begin()));
      }
    }
  }

  void emptyingTheTreeIsNotASelection() {
    QtTreeView tree;
    const jov::TreeItem group = tree.InsertItem(jov::kTreeRoot, "weap -- Weapon", false);
    const jov::TreeItem tag = tree.InsertItem(group, "pistol", true);
    tree.Select(tag);
    QCOMPARE(tree.SelectedItem(), tag);
    QSignalSpy spy(&tree, &QTreeWidget::itemSelectionChanged);
    tree.DeleteAllItems();
    QCOMPARE(spy.count(), 0);
    QCOMPARE(tree.SelectedItem(), jov::kTreeRoot);
    QCOMPARE(tree.topLevelItemCount(), 0);

    // A batch left open when the tree is emptied frees what it collected.
    tree.BeginUpdate();
    tree.InsertItem(jov::kTreeRoot, "x", false);
    tree.DeleteAllItems();
    tree.EndUpdate();
    QCOMPARE(tree.topLevelItemCount(), 0);
  }

  void textStaysReadableOnEveryBackground() {
    QtTreeView tree;
    for (std::uint32_t word = 0; word <= 0xFFFFFF; word += 0x0F0F0F / 3 + 0x010203) {
      tree.SetBackgroundColor(word);
      const QColor base = tree.palette().color(QPalette::Base);
      QCOMPARE(base, ColorFromWord(word));
      QCOMPARE(base.red(), static_cast<int>(word & 0xFF));
      const QColor text = tree.palette().color(QPalette::Text);
      // Either black or white always reaches at least 4.5:1 against an sRGB colour.
      QVERIFY2(ContrastRatio(base, text) >= 4.5, qPrintable(base.name() + " " + text.name()));
    }
    tree.SetBackgroundColor(0);
    QCOMPARE(tree.palette().color(QPalette::Text), QColor(Qt::white));
    tree.SetBackgroundColor(0xFFFFFF);
    QCOMPARE(tree.palette().color(QPalette::Text), QColor(Qt::black));
  }

  void comboBoxesKeepTheAlphabeticalOrder() {
    std::mt19937 random(5);
    for (int round = 0; round < 40; ++round) {
      std::vector<std::string> first(random() % 30);
      std::vector<std::string> second(random() % 30);
      for (auto& t : first) t = RandomText(random);
      for (auto& t : second) t = RandomText(random);

      // Reference: a stable sort of everything in insertion order.
      std::vector<std::string> expected = first;
      expected.insert(expected.end(), second.begin(), second.end());
      std::stable_sort(expected.begin(), expected.end(), jov::AlphaLess);

      SortedComboBox oneByOne;
      for (const auto& t : first) oneByOne.AddSorted(t);
      for (const auto& t : second) oneByOne.AddSorted(t);
      SortedComboBox atOnce;
      atOnce.AddAllSorted(first);
      atOnce.AddAllSorted(second);
      for (SortedComboBox* combo : {&oneByOne, &atOnce}) {
        std::vector<std::string> shown;
        for (int i = 0; i < combo->count(); ++i) shown.push_back(combo->ItemBytes(i));
        QCOMPARE(shown, expected);
        // Filling the list never changes the text shown.
        QCOMPARE(combo->currentText(), QString());
      }
    }
  }

  void typedTextIsNeverAddedToTheList() {
    SortedComboBox combo;
    combo.AddAllSorted({"bitm", "weap"});
    combo.setFocus();
    combo.lineEdit()->setText("new text");
    QTest::keyClick(&combo, Qt::Key_Return);
    QCOMPARE(combo.count(), 2);
  }
};

QTEST_MAIN(TreeViewTest)
#include "TreeViewTest.moc"
