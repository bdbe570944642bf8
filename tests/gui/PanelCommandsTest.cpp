// The panel commands driven as a user would: buttons clicked, lines selected,
// file pickers and questions answered by ScriptedDialogs. Every write is checked
// against the whole map file, so a byte changed outside the command's piece
// fails the test.
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>
#include <cstring>
#include <map>

#include "CMapEditorDlg.h"
#include "COffsetSwapDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "SortedComboBox.h"
#include "platform/AlphaOrder.h"
#include "scanner/ScannerPanel.h"

using guitest::Bytes;
using guitest::Tag;
using Bytes8 = std::vector<unsigned char>;

namespace {

// Tag 0's metadata (64 bytes): a dependency on tag 1 at byte 0 (class code, 8
// bytes, identifier), a reflexive at byte 20 (count 3 at byte 16, pointer to its
// own byte 40) and tag 2's identifier alone at byte 28.
jov::SampleMapSpec HandMap(std::size_t tag0Size = 64) {
  jov::SampleMapSpec spec;
  spec.tags = {Tag("weap", "weapons\\pistol\\pistol", 0xE1A20001), Tag("bitm", "shared\\bitmap", 0xE1A30002),
               Tag("weap", "weapons\\rifle", 0xE1A40003), Tag("weap", "zeta", 0xE1A50004)};
  spec.tags[0].meta.assign(tag0Size, 0);
  const jov::SampleLayout layout = jov::LayoutOf(spec);
  Bytes8& meta = spec.tags[0].meta;
  jov::PutClassCode(meta, 0, "bitm");
  jov::PutLe32(meta, 12, 0xE1A30002);
  jov::PutLe32(meta, 16, 3);
  jov::PutLe32(meta, 20, layout.metaOffsets[0] + spec.magic + 40);
  jov::PutLe32(meta, 28, 0xE1A40003);
  return spec;
}

const std::vector<std::string> kTag0Lines = {
    "Dependency -- 0x00000000 -- bitm -- shared\\bitmap",
    "LoneID -- 0x0000001c -- weap -- weapons\\rifle",
    "Reflexive -- 0x00000014 -- 0x28 -- Chunk Count: 3",
};

// The file as it was with bytes put at offset.
Bytes8 Patched(Bytes8 file, std::size_t offset, const Bytes8& bytes) {
  std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<long>(offset));
  return file;
}

QTreeWidgetItem* ItemOfTag(MapPanel& panel, int i) { return QtTreeView::ItemOf(panel.Map().GetTagEntry(i).hTreeItem); }

std::vector<std::string> Lines(const QTreeWidget& tree) {
  std::vector<std::string> lines;
  for (int i = 0; i < tree.topLevelItemCount(); ++i) lines.push_back(Bytes(tree.topLevelItem(i)->text(0)));
  return lines;
}

QTreeWidgetItem* LineStarting(const QTreeWidget& tree, const std::string& start) {
  for (int i = 0; i < tree.topLevelItemCount(); ++i)
    if (Bytes(tree.topLevelItem(i)->text(0)).rfind(start, 0) == 0) return tree.topLevelItem(i);
  return nullptr;
}

}  // namespace

class PanelCommandsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;
  int m_maps = 0;

  // A fresh copy of spec for each test, so that writes of one test do not leak.
  std::string NewMap(const jov::SampleMapSpec& spec) {
    return guitest::WriteMap(m_dir, "m" + std::to_string(++m_maps) + ".map", spec);
  }
  std::string Path(const char* name) { return m_dir.filePath(name).toStdString(); }

  static void Open(CMapEditorDlg& window, ScriptedDialogs& dialogs, MapPanel& panel, const std::string& path) {
    dialogs.openAnswers.push_back(path);
    window.RunCommand([&] { window.OnOpenMap(panel); });
    QVERIFY(panel.Map().m_bOpen);
  }

 private slots:
  void initTestCase() {
    guitest::UseCNumbers();
    QVERIFY(m_dir.isValid());
  }

  void scanListsTheLinesInOrderAndSelectingOneFillsTheBoxes() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel1();
    Open(window, dialogs, p, NewMap(HandMap()));
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 0));
    p.m_buttonScanMetadata->click();
    QVERIFY(dialogs.Quiet());

    QCOMPARE(Lines(*p.m_treeScanResults), kTag0Lines);
    const std::uint32_t colour = p.m_treeScanResults->BackgroundColor();
    QVERIFY(colour == jov::kResultsBlue || colour == jov::kResultsGreen || colour == jov::kResultsRed);
    // The tag choice list is refilled by the scan.
    QCOMPARE(p.m_comboScanTag->count(), 5);

    // Each line shows its own record's values, whatever the order of selection.
    p.m_treeScanResults->setCurrentItem(LineStarting(*p.m_treeScanResults, "Reflexive"));
    QCOMPARE(p.m_comboScanClass->currentText(), QStringLiteral("28"));
    QCOMPARE(p.m_editScanValue->text(), QStringLiteral("3"));
    QCOMPARE(p.m_comboScanTag->currentText(), QString());
    p.m_treeScanResults->setCurrentItem(LineStarting(*p.m_treeScanResults, "Dependency"));
    QCOMPARE(p.m_comboScanTag->currentText(), QStringLiteral("bitm -- shared\\bitmap"));
    QCOMPARE(p.m_comboScanClass->currentText(), QStringLiteral("bitm"));
    QCOMPARE(p.m_editScanValue->text(), QStringLiteral("1"));
    QCOMPARE(p.m_scanner.Current().chKind, 'd');

    // Clear Scanner: black and empty.
    p.m_buttonClearScanner->click();
    QCOMPARE(p.m_treeScanResults->topLevelItemCount(), 0);
    QCOMPARE(p.m_treeScanResults->BackgroundColor(), jov::kResultsBlack);

    // A float step the core refuses: its message, and the other kinds listed.
    p.m_checkFloats->setChecked(true);
    p.m_editScanValue->setText("0");
    p.m_buttonScanMetadata->click();
    QCOMPARE(dialogs.messages.size(), std::size_t{1});
    QVERIFY(dialogs.messages[0].find("Floats were not searched") == 0);
    QCOMPARE(Lines(*p.m_treeScanResults), kTag0Lines);
  }

  void scanColoursAreBlueGreenAndRedAlike() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel2();
    std::map<std::uint32_t, int> seen;
    for (int i = 0; i < 3000; ++i) {
      p.m_buttonScanMetadata->click();  // no tag: only the colour changes
      ++seen[p.m_treeScanResults->BackgroundColor()];
    }
    QCOMPARE(seen.size(), std::size_t{3});
    for (const auto& [colour, count] : seen) {
      QVERIFY(colour == jov::kResultsBlue || colour == jov::kResultsGreen || colour == jov::kResultsRed);
      QVERIFY2(count > 850 && count < 1150, std::to_string(count).c_str());
    }
  }

  void updateItemWritesOnlyThePieceAndNeverIntoAnotherTag() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel1();
    const jov::SampleMapSpec spec = HandMap();
    const std::string path = NewMap(spec);
    const std::size_t meta0 = jov::LayoutOf(spec).metaOffsets[0];
    Open(window, dialogs, p, path);
    const Bytes8 before = jov::ReadBytesFromFile(path);

    p.m_treeTags->setCurrentItem(ItemOfTag(p, 0));
    p.m_buttonScanMetadata->click();
    p.m_treeScanResults->setCurrentItem(LineStarting(*p.m_treeScanResults, "Dependency"));
    // Unchanged boxes rewrite the same bytes.
    p.m_buttonUpdateItem->click();
    QCOMPARE(jov::ReadBytesFromFile(path), before);
    QCOMPARE(Lines(*p.m_treeScanResults), kTag0Lines);

    // Another class and tag: the class code at the hit, the identifier 12 bytes on.
    p.m_comboScanTag->SetText("weap -- weapons\\rifle");
    p.m_comboScanClass->SetText("weap");
    p.m_buttonUpdateItem->click();
    QVERIFY(dialogs.Quiet());
    const Bytes8 after = Patched(Patched(before, meta0, {'p', 'a', 'e', 'w'}), meta0 + 12, {0x03, 0x00, 0xA4, 0xE1});
    QCOMPARE(jov::ReadBytesFromFile(path), after);
    QCOMPARE(p.m_comboScanClass->currentText(), QStringLiteral("70616577"));
    QCOMPARE(p.m_comboScanTag->currentText(), QStringLiteral("weapons\\rifle"));
    // The rescan shows the new reference.
    QVERIFY(LineStarting(*p.m_treeScanResults, "Dependency -- 0x00000000 -- weap -- weapons\\rifle"));

    // A chunk count that does not fit two bytes: the message, the pointer only.
    p.m_treeScanResults->setCurrentItem(LineStarting(*p.m_treeScanResults, "Reflexive"));
    p.m_comboScanClass->SetText("0");
    p.m_editScanValue->setText("65536");
    p.m_buttonUpdateItem->click();
    QCOMPARE(dialogs.messages, std::vector<std::string>{"Exception thrown: Reflexive chunk count wrong wize to write."});
    Bytes8 pointer(4);
    const std::uint32_t address = static_cast<std::uint32_t>(meta0) + spec.magic;
    std::memcpy(pointer.data(), &address, 4);
    QCOMPARE(jov::ReadBytesFromFile(path), Patched(after, meta0 + 20, pointer));
    dialogs.messages.clear();

    // Another tag selected: the old result's piece goes nowhere.
    const Bytes8 now = jov::ReadBytesFromFile(path);
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 1));
    p.m_comboScanTag->SetText("weap -- zeta");
    p.m_comboScanClass->SetText("weap");
    p.m_buttonUpdateItem->click();
    QVERIFY(dialogs.Quiet());
    QCOMPARE(jov::ReadBytesFromFile(path), now);
  }

  void saveMetadataThenInjectGoThroughThePickers() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel2();
    const jov::SampleMapSpec spec = HandMap();
    const std::string path = NewMap(spec);
    const std::size_t meta0 = jov::LayoutOf(spec).metaOffsets[0];
    Open(window, dialogs, p, path);
    const Bytes8 before = jov::ReadBytesFromFile(path);
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 0));

    const std::string meta = Path("pistol.meta");
    dialogs.saveAnswers.push_back(meta);
    p.m_buttonSaveMetadata->click();
    QVERIFY(dialogs.Quiet());
    QCOMPARE(dialogs.saveRequests.size(), std::size_t{1});
    QCOMPARE(dialogs.saveRequests[0].filter, std::string("Binary Metadata (*.meta)|*.meta|All Files (*.*)|*.*||"));
    QCOMPARE(dialogs.saveRequests[0].defaultExtension, std::string("meta"));
    QCOMPARE(dialogs.saveRequests[0].initialName, std::string("pistol[weap].meta"));
    QVERIFY(!dialogs.saveRequests[0].mustExist);
    QCOMPARE(jov::ReadBytesFromFile(meta), spec.tags[0].meta);
    QVERIFY(QFile::exists(QString::fromStdString(meta + ".data")));

    // Injected back unchanged: the map does not change.
    dialogs.openAnswers.push_back(meta);
    p.m_buttonInject->click();
    QCOMPARE(dialogs.messages, std::vector<std::string>{"Inject completed."});
    QCOMPARE(dialogs.openRequests.back().initialName, std::string("pistol[weap].meta"));
    QVERIFY(dialogs.openRequests.back().mustExist);
    QCOMPARE(jov::ReadBytesFromFile(path), before);

    // A shorter file: its bytes, then zeros to the end of the tag.
    const Bytes8 shorter = {1, 2, 3};
    jov::WriteBytesToFile(meta, shorter);
    dialogs.openAnswers.push_back(meta);
    p.m_buttonInject->click();
    Bytes8 extent(64, 0);
    std::copy(shorter.begin(), shorter.end(), extent.begin());
    QCOMPARE(jov::ReadBytesFromFile(path), Patched(before, meta0, extent));
    // Cancelled pickers: nothing written, nothing shown.
    dialogs.messages.clear();
    dialogs.openAnswers.push_back(std::nullopt);
    dialogs.saveAnswers.push_back(std::nullopt);
    p.m_buttonInject->click();
    p.m_buttonSaveMetadata->click();
    QVERIFY(dialogs.Quiet());
  }

  void directInjectAsksWhenTheDestinationIsSmaller() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p1 = window.Panel1();
    MapPanel& p2 = window.Panel2();
    const jov::SampleMapSpec small = HandMap(64);
    jov::SampleMapSpec large = HandMap(80);
    large.magic = 0x50550000;
    const std::string smallPath = NewMap(small);
    const std::string largePath = NewMap(large);
    Open(window, dialogs, p1, smallPath);
    Open(window, dialogs, p2, largePath);
    const Bytes8 smallBefore = jov::ReadBytesFromFile(smallPath);
    const Bytes8 largeBefore = jov::ReadBytesFromFile(largePath);
    p1.m_treeTags->setCurrentItem(ItemOfTag(p1, 0));
    p2.m_treeTags->setCurrentItem(ItemOfTag(p2, 0));

    // Into Map 1's 64 bytes from Map 2's 80: the question; No writes nothing.
    dialogs.yesNoAnswers.push_back(false);
    p1.m_buttonDirectInject->click();
    QCOMPARE(dialogs.questions, std::vector<std::string>{"Not enough space to inject, unless you are building a map, "
                                                         "injection is not advised. Inject?"});
    QVERIFY(dialogs.Quiet());
    QCOMPARE(jov::ReadBytesFromFile(smallPath), smallBefore);

    // Into Map 2 from Map 1: no question; the pointer moves to Map 2's address
    // and the rest of Map 2's extent becomes zeros.
    p2.m_buttonDirectInject->click();
    QCOMPARE(dialogs.questions.size(), std::size_t{1});
    QCOMPARE(dialogs.messages, std::vector<std::string>{"Direct injection complete."});
    const std::size_t meta0 = jov::LayoutOf(large).metaOffsets[0];
    Bytes8 extent = small.tags[0].meta;
    extent.resize(80, 0);
    jov::PutLe32(extent, 20, static_cast<std::uint32_t>(meta0) + large.magic + 40);
    QCOMPARE(jov::ReadBytesFromFile(largePath), Patched(largeBefore, meta0, extent));
    QCOMPARE(jov::ReadBytesFromFile(smallPath), smallBefore);
  }

  void saveChangesSwapAndCopyEditTheRecord() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p1 = window.Panel1();
    MapPanel& p2 = window.Panel2();
    const jov::SampleMapSpec spec = HandMap();
    const std::string path = NewMap(spec);
    const jov::SampleLayout layout = jov::LayoutOf(spec);
    Open(window, dialogs, p1, path);
    const Bytes8 before = jov::ReadBytesFromFile(path);

    // Save Changes right after selecting: the same bytes, and the list emptied.
    p1.m_treeTags->setCurrentItem(ItemOfTag(p1, 0));
    QVERIFY(p1.m_bTagListFilled);
    p1.m_buttonSaveChanges->click();
    QVERIFY(dialogs.Quiet());
    QCOMPARE(jov::ReadBytesFromFile(path), before);
    QVERIFY(!p1.m_bTagListFilled);
    QCOMPARE(p1.m_comboScanTag->count(), 0);

    // Swap: the lines in alphabetical order; Swap with no line selected changes
    // nothing, Swap on "weap -- weapons\rifle" takes that tag's meta offset.
    p1.m_treeTags->setCurrentItem(ItemOfTag(p1, 0));
    const QString ownOffset = p1.m_editMetaOffset->text();
    std::vector<std::string> swapLines;
    guitest::WhenModalShows([&](QWidget* modal) {
      auto* swap = qobject_cast<COffsetSwapDlg*>(modal);
      QVERIFY(swap);
      QCOMPARE(swap->windowTitle(), QStringLiteral("Offset Swap"));
      QVERIFY(swap->m_buttonSwap->isDefault());
      swapLines = Lines(*swap->m_treeTags);
      swap->m_buttonSwap->click();
    });
    p1.m_buttonSwap->click();
    QCOMPARE(swapLines, (std::vector<std::string>{"bitm -- shared\\bitmap", "weap -- weapons\\pistol\\pistol",
                                                  "weap -- weapons\\rifle", "weap -- zeta"}));
    QCOMPARE(p1.m_editMetaOffset->text(), ownOffset);
    guitest::WhenModalShows([&](QWidget* modal) {
      auto* swap = qobject_cast<COffsetSwapDlg*>(modal);
      QVERIFY(swap);
      swap->m_treeTags->setCurrentItem(guitest::FindTopLevel(*swap->m_treeTags, "weap -- weapons\\rifle"));
      swap->m_buttonSwap->click();
    });
    p1.m_buttonSwap->click();
    const QString rifleOffset = QString::number(layout.metaOffsets[2], 16);
    QCOMPARE(p1.m_editMetaOffset->text(), rifleOffset);

    // Save Changes writes only the metadata pointer; after the reload both tags
    // show that offset, and the fields keep what was entered.
    p1.m_buttonSaveChanges->click();
    QVERIFY(dialogs.Quiet());
    Bytes8 pointer(4);
    jov::PutLe32(pointer, 0, layout.metaOffsets[2] + spec.magic);
    QCOMPARE(jov::ReadBytesFromFile(path), Patched(before, layout.firstEntry + 0x14, pointer));
    QCOMPARE(p1.Map().GetTagEntry(0).strMetaOffset, rifleOffset.toStdString());
    QCOMPARE(p1.m_editMetaOffset->text(), rifleOffset);
    QCOMPARE(p1.m_treeTags->SelectedItem(), jov::kTreeRoot);

    // Copy from Map 2: a longer name checks Update Size, a shorter one clears it.
    p2.m_editFilename->setText("a\\much\\longer\\name\\than\\the\\pistol");
    p2.m_comboClass[0]->SetText("bitm");
    p1.m_buttonCopy->click();
    QCOMPARE(p1.m_editFilename->text(), p2.m_editFilename->text());
    QCOMPARE(p1.m_comboClass[0]->currentText(), QStringLiteral("bitm"));
    QVERIFY(p1.m_checkUpdateSize->isChecked());
    p2.m_editFilename->setText("short");
    p1.m_buttonCopy->click();
    QVERIFY(!p1.m_checkUpdateSize->isChecked());
    // Revert drops what was typed since.
    p1.m_editFilename->setText("typed");
    p2.m_buttonRevert->click();
    QCOMPARE(p1.m_editFilename->text(), QStringLiteral("short"));
    QVERIFY(dialogs.Quiet());
  }

  void aValueThatDoesNotParseStopsTheCommandWithNothingWritten() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p1 = window.Panel1();
    MapPanel& p2 = window.Panel2();
    const std::string path = NewMap(HandMap());
    Open(window, dialogs, p1, path);
    Open(window, dialogs, p2, NewMap(HandMap()));
    const Bytes8 before = jov::ReadBytesFromFile(path);
    p1.m_treeTags->setCurrentItem(ItemOfTag(p1, 0));
    p2.m_treeTags->setCurrentItem(ItemOfTag(p2, 2));
    p1.m_buttonScanMetadata->click();
    p1.m_treeScanResults->setCurrentItem(LineStarting(*p1.m_treeScanResults, "Dependency"));
    p1.m_comboScanTag->SetText("weap -- zeta");
    p1.m_editFilename->setText("renamed");

    p2.m_editScanValue->setText("1.5x");
    for (QPushButton* button : {p1.m_buttonUpdateItem, p1.m_buttonSaveChanges, p1.m_buttonDirectInject})
      button->click();
    QCOMPARE(dialogs.valueErrors.size(), std::size_t{3});
    QVERIFY(dialogs.messages.empty() && dialogs.questions.empty());
    QCOMPARE(jov::ReadBytesFromFile(path), before);
    QCOMPARE(p1.m_editFilename->text(), QStringLiteral("renamed"));

    // Selecting another result line meanwhile: the tree stays on the line whose
    // values the boxes show.
    QTreeWidgetItem* dependency = p1.m_treeScanResults->currentItem();
    p1.m_treeScanResults->setCurrentItem(LineStarting(*p1.m_treeScanResults, "Reflexive"));
    QCOMPARE(p1.m_treeScanResults->currentItem(), dependency);
    QCOMPARE(p1.m_scanner.Current().chKind, 'd');
  }
};

QTEST_MAIN(PanelCommandsTest)
#include "PanelCommandsTest.moc"
