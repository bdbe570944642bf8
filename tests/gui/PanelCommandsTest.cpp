// The panel commands driven as a user would: buttons clicked, lines selected,
// pickers and questions answered by ScriptedDialogs. Writes are checked against
// the whole map file, so a byte changed outside the command's piece fails.
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "CMapEditorDlg.h"
#include "COffsetSwapDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "SortedComboBox.h"
#include "map/ValueText.h"
#include "platform/AlphaOrder.h"

using Bytes = std::vector<unsigned char>;

namespace {

// Tag 0 (64 bytes): a dependency on tag 1 at byte 0, a reflexive at byte 20
// (count 3 before it) to its own byte 40, tag 2's identifier alone at byte 28.
jov::SampleMapPlan HandMap(std::size_t tag0Size = 64) {
  jov::SampleMapPlan plan;
  plan.tags = {guitest::Tag("weap", "weapons\\pistol", 0xE1A20001), guitest::Tag("bitm", "shared\\bitmap", 0xE1A30002),
               guitest::Tag("weap", "weapons\\rifle", 0xE1A40003), guitest::Tag("weap", "zeta", 0xE1A50004)};
  Bytes& meta = plan.tags[0].meta;
  meta.assign(tag0Size, 0);
  jov::PutClassCode(meta, 0, "bitm");
  jov::PutLe32(meta, 12, 0xE1A30002);
  jov::PutLe32(meta, 16, 3);
  jov::PutLe32(meta, 20, jov::LayoutOf(plan).metaOffsets[0] + plan.magic + 40);
  jov::PutLe32(meta, 28, 0xE1A40003);
  return plan;
}

Bytes Patched(Bytes file, std::size_t at, const Bytes& piece) {
  std::copy(piece.begin(), piece.end(), file.begin() + static_cast<long>(at));
  return file;
}

std::vector<std::string> Lines(const QTreeWidget& tree) {
  std::vector<std::string> lines;
  for (int i = 0; i < tree.topLevelItemCount(); ++i) lines.push_back(guitest::Bytes(tree.topLevelItem(i)->text(0)));
  return lines;
}

// The window with a fresh copy of a map open in each panel asked for.
struct Editor {
  ScriptedDialogs dialogs;
  CMapEditorDlg window{dialogs};
  MapPanel& p1 = window.Panel1();
  MapPanel& p2 = window.Panel2();

  static QTemporaryDir& Dir() {
    static QTemporaryDir dir;
    return dir;
  }
  std::string Open(MapPanel& panel, const jov::SampleMapPlan& plan) {
    static int maps = 0;
    const std::string path = guitest::WriteMap(Dir(), std::to_string(++maps) + ".map", plan);
    dialogs.openAnswers.push_back(path);
    guitest::Trigger(window, QStringLiteral("Open Map %1"), panel);
    return path;
  }
  static void Select(MapPanel& panel, int tag) {
    panel.m_treeTags->setCurrentItem(QtTreeView::ItemOf(panel.Map().GetTagEntry(tag).hTreeItem));
  }
};

}  // namespace

class PanelCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { guitest::UseCNumbers(); }

  void scanListsLinesInOrderAndSelectingOneFillsTheBoxes() {
    Editor e;
    e.Open(e.p1, HandMap());
    Editor::Select(e.p1, 0);
    e.p1.m_checkFloats->setChecked(true);
    e.p1.m_editScanValue->setText("0");  // a step the core refuses: its message, the rest listed
    e.p1.m_buttonScanMetadata->click();
    QCOMPARE(e.dialogs.messages.size(), std::size_t{1});
    QCOMPARE(Lines(*e.p1.m_treeScanResults), (std::vector<std::string>{
                                                 "Dependency -- 0x00000000 -- bitm -- shared\\bitmap",
                                                 "LoneID -- 0x0000001c -- weap -- weapons\\rifle",
                                                 "Reflexive -- 0x00000014 -- 0x28 -- Chunk Count: 3"}));
    QVERIFY(e.p1.m_treeScanResults->BackgroundColor() != jov::kResultsBlack);

    // Each line reaches its own record, in whatever order they are selected.
    e.p1.m_treeScanResults->setCurrentItem(e.p1.m_treeScanResults->topLevelItem(2));
    QCOMPARE(e.p1.m_comboScanClass->currentText() + " " + e.p1.m_editScanValue->text(), QStringLiteral("28 3"));
    e.p1.m_treeScanResults->setCurrentItem(e.p1.m_treeScanResults->topLevelItem(0));
    QCOMPARE(e.p1.m_comboScanTag->currentText(), QStringLiteral("bitm -- shared\\bitmap"));
    QCOMPARE(e.p1.m_comboScanClass->currentText() + " " + e.p1.m_editScanValue->text(), QStringLiteral("bitm 1"));
  }

  void updateItemWritesOnlyThePieceAndNeverIntoAnotherTag() {
    Editor e;
    const std::string path = e.Open(e.p1, HandMap());
    const std::size_t meta0 = jov::LayoutOf(HandMap()).metaOffsets[0];
    const Bytes before = jov::ReadBytesFromFile(path);
    Editor::Select(e.p1, 0);
    e.p1.m_buttonScanMetadata->click();
    e.p1.m_treeScanResults->setCurrentItem(e.p1.m_treeScanResults->topLevelItem(0));
    e.p1.m_comboScanTag->SetText("weap -- weapons\\rifle");
    e.p1.m_comboScanClass->SetText("weap");
    e.p1.m_buttonUpdateItem->click();
    QVERIFY(e.dialogs.Quiet());
    const Bytes after = Patched(Patched(before, meta0, {'p', 'a', 'e', 'w'}), meta0 + 12, {0x03, 0x00, 0xA4, 0xE1});
    QCOMPARE(jov::ReadBytesFromFile(path), after);
    QCOMPARE(Lines(*e.p1.m_treeScanResults)[0], std::string("Dependency -- 0x00000000 -- weap -- weapons\\rifle"));

    // Another tag selected: the old result's piece goes nowhere.
    Editor::Select(e.p1, 1);
    e.p1.m_comboScanTag->SetText("weap -- zeta");
    e.p1.m_comboScanClass->SetText("weap");
    e.p1.m_buttonUpdateItem->click();
    QVERIFY(e.dialogs.Quiet());
    QCOMPARE(jov::ReadBytesFromFile(path), after);
  }

  void saveMetadataThenInjectGoThroughThePickers() {
    Editor e;
    const std::string path = e.Open(e.p2, HandMap());
    const Bytes before = jov::ReadBytesFromFile(path);
    Editor::Select(e.p2, 0);
    const std::string meta = Editor::Dir().filePath("pistol.meta").toStdString();
    e.dialogs.saveAnswers.push_back(meta);
    e.p2.m_buttonSaveMetadata->click();
    const jov::FileDialogOptions& asked = e.dialogs.saveRequests.at(0);
    QCOMPARE(asked.filter + " " + asked.defaultExtension + " " + asked.initialName,
             std::string("Binary Metadata (*.meta)|*.meta|All Files (*.*)|*.*|| meta pistol[weap].meta"));
    QCOMPARE(jov::ReadBytesFromFile(meta), HandMap().tags[0].meta);
    QVERIFY(QFile::exists(QString::fromStdString(meta + ".data")));

    jov::WriteBytesToFile(meta, {1, 2, 3});
    e.dialogs.openAnswers.push_back(meta);
    e.p2.m_buttonInject->click();
    QVERIFY(e.dialogs.openRequests.back().mustExist);
    QCOMPARE(e.dialogs.messages, std::vector<std::string>{"Inject completed."});
    Bytes extent(64, 0);
    extent = Patched(extent, 0, {1, 2, 3});  // the file's bytes, then zeros to the tag's end
    QCOMPARE(jov::ReadBytesFromFile(path), Patched(before, jov::LayoutOf(HandMap()).metaOffsets[0], extent));
  }

  void directInjectAsksWhenTheDestinationIsSmallerAndNoWritesNothing() {
    Editor e;
    const std::string small = e.Open(e.p1, HandMap(64));
    jov::SampleMapPlan large = HandMap(80);
    large.tags[0].meta[70] = 0x77;  // past Map 1's 64 bytes
    e.Open(e.p2, large);
    const Bytes before = jov::ReadBytesFromFile(small);
    Editor::Select(e.p1, 0);
    Editor::Select(e.p2, 0);
    e.dialogs.yesNoAnswers.push_back(false);
    e.p1.m_buttonDirectInject->click();  // from Map 2's 80 bytes into Map 1's 64
    // The question names the bytes and the tag whose metadata they would overwrite.
    const std::string question =
        "Not enough space to inject: 80 bytes of metadata into the 64 bytes of weap:weapons\\pistol, so the 16 bytes "
        "past its end overwrite the metadata of bitm:shared\\bitmap. Unless you are building a map, injection is not "
        "advised. Inject?";
    QCOMPARE(e.dialogs.questions, std::vector<std::string>{question});
    QVERIFY(e.dialogs.Quiet());
    QCOMPARE(jov::ReadBytesFromFile(small), before);
    QVERIFY2(e.window.CommandStatus().endsWith(QStringLiteral("Direct Inject weap:weapons\\pistol: nothing was written.")),
             qPrintable(e.window.CommandStatus()));

    // Yes: one step named with the tag it overwrote, said in the status line;
    // the tag's extent is what was written, not the index's old 64 bytes.
    e.dialogs.yesNoAnswers.push_back(true);
    e.p1.m_buttonDirectInject->click();
    QCOMPARE(e.dialogs.questions.size(), std::size_t{2});
    QVERIFY(jov::ReadBytesFromFile(small) != before);
    const auto steps = e.window.Edits().Steps(small);
    QCOMPARE(steps.size(), std::size_t{1});
    QCOMPARE(steps[0].label, std::string("Direct Inject weap:weapons\\pistol, overwriting bitm:shared\\bitmap"));
    QVERIFY2(e.window.CommandStatus().endsWith(QStringLiteral(", overwriting bitm:shared\\bitmap")),
             qPrintable(e.window.CommandStatus()));
    QCOMPARE(e.p1.Map().GetTagEntry(0).nSize, 80u);
    QCOMPARE(e.p1.m_editSize->text(), QStringLiteral("80"));
  }

  void directInjectListsReferencesTheReceivingMapCannotTranslate() {
    Editor e;
    const std::string destination = e.Open(e.p1, HandMap());
    jov::SampleMapPlan other = HandMap();
    other.tags[1].name = "shared\\other";  // Map 1 has no bitm:shared\other
    e.Open(e.p2, other);
    const Bytes before = jov::ReadBytesFromFile(destination);
    Editor::Select(e.p1, 0);
    Editor::Select(e.p2, 0);
    e.dialogs.yesNoAnswers.push_back(false);
    e.p1.m_buttonDirectInject->click();
    QCOMPARE(e.dialogs.questions, std::vector<std::string>{"1 reference names a tag Map 1 does not have: "
                                                           "bitm:shared\\other (reference at +0xc). Set it to none, or cancel?"});
    QCOMPARE(jov::ReadBytesFromFile(destination), before);  // cancelled: nothing written
    QVERIFY(e.window.CommandStatus().endsWith(QStringLiteral("nothing was written.")));

    e.dialogs.yesNoAnswers.push_back(true);
    e.p1.m_buttonDirectInject->click();
    const Bytes after = jov::ReadBytesFromFile(destination);
    QCOMPARE(jov::ReadLe32(after.data() + jov::LayoutOf(HandMap()).metaOffsets[0] + 12), 0xFFFFFFFFu);
    QCOMPARE(e.dialogs.messages, std::vector<std::string>{"Direct injection complete."});
  }

  void saveChangesIsByteIdenticalThenSwapMovesTheMetaPointer() {
    Editor e;
    const std::string path = e.Open(e.p1, HandMap());
    const jov::SampleLayout layout = jov::LayoutOf(HandMap());
    const Bytes before = jov::ReadBytesFromFile(path);
    Editor::Select(e.p1, 0);
    e.p1.m_buttonSaveChanges->click();
    QCOMPARE(jov::ReadBytesFromFile(path), before);
    QCOMPARE(e.p1.m_comboScanTag->count(), 0);  // emptied, built again on the next selection

    const auto swapOn = [&](const char* line) {
      e.window.SetModalRunner([line](QDialog& dialog) {
        auto& swap = dynamic_cast<COffsetSwapDlg&>(dialog);
        if (line) swap.m_treeTags->setCurrentItem(guitest::FindTopLevel(*swap.m_treeTags, line));
        swap.m_buttonSwap->click();
        return swap.result();
      });
      e.p1.m_buttonSwap->click();
    };
    Editor::Select(e.p1, 0);
    swapOn(nullptr);  // no line selected: nothing changes
    QCOMPARE(e.p1.m_editMetaOffset->text(), QString::number(layout.metaOffsets[0], 16));
    swapOn("weap -- weapons\\rifle");
    QCOMPARE(e.p1.m_editMetaOffset->text(), QString::number(layout.metaOffsets[2], 16));
    e.p1.m_buttonSaveChanges->click();
    QVERIFY(e.dialogs.Quiet());
    Bytes pointer(4);
    jov::PutLe32(pointer, 0, layout.metaOffsets[2] + HandMap().magic);
    QCOMPARE(jov::ReadBytesFromFile(path), Patched(before, layout.firstEntry + 0x14, pointer));
    QCOMPARE(e.p1.Map().GetTagEntry(0).strMetaOffset, e.p1.Map().GetTagEntry(2).strMetaOffset);
  }

  // A 100,000-byte tag of 0x01 bytes with only Shorts checked: a line a byte.
  // The time from the click to the filled tree is printed for the record.
  void showsAHundredThousandLinesInOrder() {
    jov::SampleMapPlan plan = HandMap();
    plan.tags[0].meta.assign(100000, 0x01);
    Editor e;
    e.Open(e.p1, plan);
    Editor::Select(e.p1, 0);
    for (QPushButton* box : {e.p1.m_checkDependencies, e.p1.m_checkReflexives, e.p1.m_checkLoneIDs, e.p1.m_checkShorts})
      box->toggle();
    e.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e.window));
    QElapsedTimer timer;
    timer.start();
    e.p1.m_buttonScanMetadata->click();
    QCoreApplication::processEvents();  // laid out and painted
    qInfo("Scan Metadata showing 100,000 lines: %.1f ms", timer.nsecsElapsed() / 1e6);
    const std::vector<std::string> lines = Lines(*e.p1.m_treeScanResults);
    QCOMPARE(lines.size(), std::size_t{100000});
    QVERIFY(std::is_sorted(lines.begin(), lines.end(), jov::AlphaLess));
    QCOMPARE(lines.back(), std::string("Short -- 0x0001869f -- 1"));
    e.p1.m_treeScanResults->setCurrentItem(e.p1.m_treeScanResults->topLevelItem(99999));
    QCOMPARE(e.p1.Scanner().Current().nPos, 199998);  // the last line's own record
  }

  void aValueThatDoesNotParseStopsTheCommandWithNothingWritten() {
    Editor e;
    const std::string path = e.Open(e.p1, HandMap());
    e.Open(e.p2, HandMap());
    const Bytes before = jov::ReadBytesFromFile(path);
    Editor::Select(e.p1, 0);
    Editor::Select(e.p2, 0);
    e.p1.m_buttonScanMetadata->click();
    e.p1.m_treeScanResults->setCurrentItem(e.p1.m_treeScanResults->topLevelItem(0));
    e.p1.m_comboScanTag->SetText("weap -- zeta");
    e.p1.m_editFilename->setText("renamed");
    e.p2.m_editScanValue->setText("1.5x");
    for (QPushButton* button : {e.p1.m_buttonUpdateItem, e.p1.m_buttonSaveChanges, e.p1.m_buttonDirectInject})
      button->click();
    QCOMPARE(e.dialogs.valueErrors.size(), std::size_t{3});
    QVERIFY(e.dialogs.messages.empty() && e.dialogs.questions.empty());
    QCOMPARE(jov::ReadBytesFromFile(path), before);
  }
};

QTEST_MAIN(PanelCommandsTest)
#include "PanelCommandsTest.moc"
