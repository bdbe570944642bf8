// The main window driven as a user would: maps opened through the scripted file
// picker, tags selected in the tree, commands from the menu.
#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QScreen>
#include <QtTest>
#include <algorithm>

#include "CMapEditorDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "SortedComboBox.h"
#include "map/Refused.h"
#include "map/TagClassTable.h"
#include "platform/AlphaOrder.h"
#include "platform/FileError.h"

using guitest::Bytes;
using guitest::Tag;

namespace {

const std::string kNulled = jov::TagClassTable::NulledOutCode();
// The writer stores a code's characters reversed; the stored bytes e, d, 0, 0
// read back as the two-letter class "de".
const std::string kTwoLetters("\0\0de", 4);

// Tags whose order, classes and sizes the tests know by heart.
jov::SampleMapPlan HandMap(const std::string& mapName = "bloodgulch") {
  jov::SampleMapPlan plan;
  plan.version = 7;
  plan.mapName = mapName;
  plan.tags = {
      Tag("weap", "weapons\\pistol\\pistol", 0xE1A20001),  // 0
      Tag("bitm", "shared\\name", 0xE1A30002),             // 1
      Tag("weap", "Weapons\\Alpha", 0xE1A40003),           // 2
      Tag("weap", "weapons\\alpha", 0xE1A50004),           // 3
      Tag("weap", "shared\\name", 0xE1A60005),             // 4: same name, another class
      Tag("sbsp", "levels\\bsp", 0xE1A70006),              // 5: no size
      Tag("weap", "weapons\\alpha", 0xE1A80007),           // 6: equal to 3
      Tag(kTwoLetters, "odd\\two letters", 0xE1A90008),    // 7: a two-letter class
      Tag(kNulled, "nulled\\tag", 0xE1AA0009),             // 8
      Tag("weap", "zeta", 0xE1AB000A),                     // 9: the last, to the end of the tag data
  };
  for (std::size_t i = 0; i < plan.tags.size(); ++i) plan.tags[i].meta.assign(16 + 4 * i, 0);
  return plan;
}

QTreeWidgetItem* GroupOf(MapPanel& panel, const std::string& code) {
  const int row = jov::TagClassTable::Find(code);
  return row >= 0 ? panel.m_treeTags->topLevelItem(row) : nullptr;
}

// The item of tag index i (the tree item the model recorded for it).
QTreeWidgetItem* ItemOfTag(MapPanel& panel, int i) {
  return QtTreeView::ItemOf(panel.Map().GetTagEntry(i).hTreeItem);
}

struct Fields {
  std::string filename, identifier, metaOffset, stringOffset, pageOffset, size, class1, class2, class3;
  bool operator==(const Fields&) const = default;
};

Fields Shown(MapPanel& p) {
  return {Bytes(p.m_editFilename->text()),     Bytes(p.m_editIdentifier->text()), Bytes(p.m_editMetaOffset->text()),
          Bytes(p.m_editStringOffset->text()), Bytes(p.m_editPageOffset->text()), Bytes(p.m_editSize->text()),
          Bytes(p.m_comboClass[0]->currentText()), Bytes(p.m_comboClass[1]->currentText()),
          Bytes(p.m_comboClass[2]->currentText())};
}

std::vector<std::string> ComboLines(const QComboBox& combo) {
  std::vector<std::string> lines;
  for (int i = 0; i < combo.count(); ++i) lines.push_back(Bytes(combo.itemText(i)));
  return lines;
}

// A scan's leftovers in the scanner area, as a later scan would leave them.
void DirtyScanner(MapPanel& panel) {
  panel.m_treeScanResults->SetBackgroundColor(0x123456);
  panel.m_treeScanResults->InsertItem(jov::kTreeRoot, "dep weap", false);
  panel.m_comboScanTag->setEditText("typed tag");
  panel.m_comboScanClass->setEditText("typed class");
  panel.m_editScanValue->setText("7");
}

void ExpectScannerReset(MapPanel& panel) {
  QCOMPARE(panel.m_treeScanResults->topLevelItemCount(), 0);
  QCOMPARE(panel.m_treeScanResults->BackgroundColor(), 0u);
  QCOMPARE(panel.m_editScanValue->text(), QStringLiteral("0.01"));
  QCOMPARE(panel.m_comboScanTag->currentText(), QString());
  QCOMPARE(panel.m_comboScanClass->currentText(), QString());
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;
  std::string m_handMap;
  std::string m_uiMap;

  void Open(CMapEditorDlg& window, ScriptedDialogs& dialogs, MapPanel& panel, const std::string& path) {
    dialogs.openAnswers.push_back(path);
    guitest::Trigger(window, QStringLiteral("Open Map %1"), panel);
  }

 private slots:
  void initTestCase() {
    guitest::UseCNumbers();
    QVERIFY(m_dir.isValid());
    m_handMap = guitest::WriteMap(m_dir, "hand.map", HandMap());
    m_uiMap = guitest::WriteMap(m_dir, "ui.map", HandMap("ui"));
  }

  void startsAsAnEmptyWindowWithTheFullMenuBar() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    QCOMPARE(window.windowTitle(), QStringLiteral("JOV"));
    // 1280x800 where the screen has room; never larger than the screen.
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    QCOMPARE(window.size(), QSize(1280, 800).boundedTo(screen * 0.95));
    QVERIFY(window.width() <= screen.width() && window.height() <= screen.height());
    QVERIFY(!window.windowIcon().isNull());

    // The labels as they read, without their access-key marks.
    const auto menuTexts = [&](int index) {
      QStringList texts;
      const auto menus = window.findChild<QMenuBar*>()->actions();
      for (QAction* action : menus[index]->menu()->actions())
        texts << (action->isSeparator() ? "-" : action->text().remove(u'&'));
      return texts;
    };
    QCOMPARE(menuTexts(0), QStringList({"Open Map 1", "Close Map 1", "-", "Open Map 2", "Close Map 2", "-",
                                        "Recent Maps", "-", "Apply Mod...", "-", "Exit"}));
    // The edit history's commands come first, then Find.
    QCOMPARE(menuTexts(1), QStringList({"Undo", "Redo", "-", "History...", "-", "Find"}));
    QCOMPARE(menuTexts(2), QStringList({"Map 1 Info", "Map 2 Info", "-", "Hex Float Calculator", "Reflexive Calculator",
                                        "-", "Guerilla Tag Converter", "-", "Insert Data at End of Map 1",
                                        "Insert Data at End of Map 2", "-", "Add Tag to Map 1", "Add Tag to Map 2", "-",
                                        "Compare Map 1 with Map 2", "Apply Patch to Map 1...", "Apply Patch to Map 2...",
                                        "Make Mod from Map 1 and Map 2...", "-", "Check Map 1", "Check Map 2", "Fix CRC32 of Map 1", "Fix CRC32 of Map 2", "-", "Resource Maps Folder...", "Definitions Folder..."}));
    QCOMPARE(menuTexts(3), QStringList({"About JOV..."}));

    for (MapPanel* panel : {&window.Panel1(), &window.Panel2()}) {
      QCOMPARE(panel->m_treeTags->topLevelItemCount(), 0);
      QCOMPARE(panel->m_treeTags->BackgroundColor(), 0u);
      QCOMPARE(panel->m_treeScanResults->BackgroundColor(), 0u);
      QCOMPARE(panel->m_editScanValue->text(), QStringLiteral("0.01"));
      QCOMPARE(panel->m_editSize->text(), QStringLiteral("0"));
      QVERIFY(panel->m_checkDependencies->isChecked() && panel->m_checkReflexives->isChecked() &&
              panel->m_checkLoneIDs->isChecked());
      QVERIFY(!panel->m_checkFloats->isChecked() && !panel->m_checkShorts->isChecked() &&
              !panel->m_checkUpdateSize->isChecked());
      // The three class boxes and the scanner class choice list the 80 codes, in
      // the editor's alphabetical order.
      for (QComboBox* combo : {static_cast<QComboBox*>(panel->m_comboClass[0]),
                               static_cast<QComboBox*>(panel->m_comboClass[2]),
                               static_cast<QComboBox*>(panel->m_comboScanClass)}) {
        const auto lines = ComboLines(*combo);
        QCOMPARE(lines.size(), std::size_t{80});
        QVERIFY(std::is_sorted(lines.begin(), lines.end(), jov::AlphaLess));
        QCOMPARE(combo->currentText(), QString());
      }
      QCOMPARE(panel->m_comboScanTag->count(), 0);
    }
    QCOMPARE(window.Panel1().ShortsRange(), 5);
    QCOMPARE(window.Panel2().ShortsRange(), 16);
    QCOMPARE(window.Panel1().DirectInjectSource(), &window.Panel2());
    QCOMPARE(window.Panel2().DirectInjectSource(), &window.Panel1());
  }

  void openFillsEachPanelWithGroupsSortedTagsAndTheLevelColour() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p1 = window.Panel1();
    MapPanel& p2 = window.Panel2();
    window.FindAction("Open Map 1")->trigger();  // nothing queued: the picker is cancelled
    dialogs.unexpected.clear();
    dialogs.openRequests.clear();

    Open(window, dialogs, p1, m_handMap);
    QVERIFY(dialogs.Quiet());
    QCOMPARE(dialogs.openRequests.size(), std::size_t{1});
    const jov::FileDialogOptions& asked = dialogs.openRequests[0];
    QCOMPARE(asked.filter, std::string("Halo Mapfile (*.map)|*.map|All Files (*.*)|*.*||"));
    QCOMPARE(asked.defaultExtension, std::string("map"));
    QCOMPARE(asked.initialName, std::string("*.map"));
    QVERIFY(asked.mustExist);

    QVERIFY(p1.Map().m_bOpen);
    QCOMPARE(p1.m_editCaption->text(), QStringLiteral("Blood Gulch"));
    // 80 groups in table order, then a group of its own for the unknown class.
    QCOMPARE(p1.m_treeTags->topLevelItemCount(), 81);
    for (int row = 0; row < jov::TagClassTable::kRows; ++row)
      QCOMPARE(Bytes(p1.m_treeTags->topLevelItem(row)->text(0)), jov::TagClassTable::GroupText(row));
    QCOMPARE(Bytes(p1.m_treeTags->topLevelItem(80)->text(0)), std::string("de -- Unknown Class"));
    QCOMPARE(guitest::ChildTexts(GroupOf(p1, "weap")),
             (std::vector<std::string>{"shared\\name", "Weapons\\Alpha", "weapons\\alpha", "weapons\\alpha",
                                       "weapons\\pistol\\pistol", "zeta"}));
    // Equal names keep index order.
    QCOMPARE(GroupOf(p1, "weap")->child(2), ItemOfTag(p1, 3));
    QCOMPARE(GroupOf(p1, "weap")->child(3), ItemOfTag(p1, 6));
    // The Nulled Out group shows its four 0xFF bytes and holds its tag.
    QCOMPARE(Bytes(GroupOf(p1, kNulled)->text(0)), kNulled + " -- Nulled Out");
    QCOMPARE(GroupOf(p1, kNulled)->text(0).left(4), QString(4, QChar(0xFF)));
    QCOMPARE(guitest::ChildTexts(GroupOf(p1, kNulled)), std::vector<std::string>{"nulled\\tag"});
    // Blood Gulch's colour word 0x4080FF: red FF, green 80, blue 40, dark text.
    QCOMPARE(p1.m_treeTags->BackgroundColor(), 0x4080FFu);
    QCOMPARE(p1.m_treeTags->palette().color(QPalette::Base), QColor(0xFF, 0x80, 0x40));
    QCOMPARE(p1.m_treeTags->palette().color(QPalette::Text), QColor(Qt::black));

    // The other panel is untouched, and takes its own map.
    QVERIFY(!p2.Map().m_bOpen);
    QCOMPARE(p2.m_treeTags->topLevelItemCount(), 0);
    Open(window, dialogs, p2, m_uiMap);
    QCOMPARE(p2.m_editCaption->text(), QStringLiteral("User Interface"));
    QCOMPARE(p2.m_treeTags->BackgroundColor(), 0xBBBBBBu);
    QCOMPARE(p2.m_treeTags->topLevelItemCount(), 81);
    QCOMPARE(p1.m_editCaption->text(), QStringLiteral("Blood Gulch"));
  }

  void selectingATagFillsItsRecordAndResetsTheScanner() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel2();
    Open(window, dialogs, p, m_handMap);
    const jov::SampleLayout layout = jov::LayoutOf(HandMap());

    DirtyScanner(p);
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 0));
    QVERIFY(dialogs.Quiet());
    QCOMPARE(Shown(p), (Fields{"weapons\\pistol\\pistol", "e1a20001",
                               QString::number(layout.metaOffsets[0], 16).toStdString(),
                               QString::number(layout.nameOffsets[0], 16).toStdString(),
                               QString::number(layout.firstEntry, 16).toStdString(), "16", "weap", kNulled, kNulled}));
    ExpectScannerReset(p);

    // The tag choice list: every tag as "class1 -- name", and the Nulled Out line.
    QVERIFY(p.TagListFilled());
    const auto lines = ComboLines(*p.m_comboScanTag);
    QCOMPARE(lines.size(), std::size_t{11});
    QVERIFY(std::is_sorted(lines.begin(), lines.end(), jov::AlphaLess));
    for (const std::string& expected : {std::string("weap -- weapons\\pistol\\pistol"), std::string("de -- odd\\two letters"),
                                        kNulled + " -- nulled\\tag", kNulled + " -- Nulled Out"})
      QVERIFY2(std::count(lines.begin(), lines.end(), expected) == 1, expected.c_str());

    // An sbsp tag with no section in the scenario shows a size of 0; the last
    // tag runs to the end of the tag data, and the one before it shows its own
    // metadata size.
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 5));
    QCOMPARE(p.m_editSize->text(), QStringLiteral("0"));
    QCOMPARE(p.m_editFilename->text(), QStringLiteral("levels\\bsp"));
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 9));
    QCOMPARE(p.m_editSize->text(), QStringLiteral("52"));
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 8));
    QCOMPARE(p.m_editSize->text(), QStringLiteral("48"));
    QCOMPARE(p.m_comboClass[0]->currentText().toLatin1().toStdString(), kNulled);

    // The list is built once: entries typed away are not rebuilt by the next selection.
    p.m_comboScanTag->removeItem(0);
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 1));
    QCOMPARE(p.m_comboScanTag->count(), 10);
    // Editing a field and selecting another tag discards the edit.
    p.m_editMetaOffset->setText("dead");
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 4));
    QCOMPARE(Bytes(p.m_editMetaOffset->text()), QString::number(layout.metaOffsets[4], 16).toStdString());
    QVERIFY(dialogs.Quiet());
  }

  void selectingAGroupKeepsTheFieldsButStillResetsTheScanner() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel1();
    Open(window, dialogs, p, m_handMap);

    // A group first: nothing to show, but the tag choice list is filled.
    DirtyScanner(p);
    p.m_treeTags->setCurrentItem(GroupOf(p, "bitm"));
    QCOMPARE(Shown(p), (Fields{"", "", "", "", "", "0", "", "", ""}));
    ExpectScannerReset(p);
    QCOMPARE(p.m_comboScanTag->count(), 11);

    p.m_treeTags->setCurrentItem(ItemOfTag(p, 2));
    const Fields tag2 = Shown(p);
    QCOMPARE(tag2.filename, std::string("Weapons\\Alpha"));
    DirtyScanner(p);
    p.m_treeTags->setCurrentItem(GroupOf(p, "sbsp"));
    QCOMPARE(Shown(p), tag2);
    ExpectScannerReset(p);
  }

  void tagsWithTheSameNameAreToldApartByTheirItem() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel1();
    Open(window, dialogs, p, m_handMap);

    p.m_treeTags->setCurrentItem(guitest::FindChild(GroupOf(p, "weap"), "shared\\name"));
    QCOMPARE(p.m_editIdentifier->text(), QStringLiteral("e1a60005"));
    QCOMPARE(p.m_comboClass[0]->currentText(), QStringLiteral("weap"));
    p.m_treeTags->setCurrentItem(guitest::FindChild(GroupOf(p, "bitm"), "shared\\name"));
    QCOMPARE(p.m_editIdentifier->text(), QStringLiteral("e1a30002"));
    QCOMPARE(p.m_comboClass[0]->currentText(), QStringLiteral("bitm"));

    // Equal names in one class: the second item is the later index.
    p.m_treeTags->setCurrentItem(GroupOf(p, "weap")->child(3));
    QCOMPARE(p.m_editIdentifier->text(), QStringLiteral("e1a80007"));
  }

  void comboBoxesShowExactlyTheValueLoaded() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel1();
    Open(window, dialogs, p, m_handMap);

    // A two-letter class stays two letters: no "deca" or "DeLa" line is chosen.
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 7));
    QCOMPARE(p.m_comboClass[0]->currentText(), QStringLiteral("de"));
    QCOMPARE(p.m_comboClass[0]->currentIndex(), -1);
    // A code that equals a line selects that line.
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 0));
    QCOMPARE(p.m_comboClass[0]->currentIndex(), p.m_comboClass[0]->findText("weap", Qt::MatchExactly));

    // A value differing only in case from a line is shown as it is.
    p.SetScanChoices({"weap -- WEAPONS\\ALPHA", "dela", p.ScanChoices().fValue});
    window.LoadControls();
    QCOMPARE(p.m_comboScanTag->currentText(), QStringLiteral("weap -- WEAPONS\\ALPHA"));
    QCOMPARE(p.m_comboScanTag->currentIndex(), -1);
    QCOMPARE(p.m_comboScanClass->currentText(), QStringLiteral("dela"));
    // Saving and loading again changes nothing.
    QVERIFY(window.SaveControls());
    window.LoadControls();
    QCOMPARE(p.ScanChoices().strClassChoice, std::string("dela"));
    QCOMPARE(p.m_comboClass[0]->currentText(), QStringLiteral("weap"));
    p.SetScanChoices({"weap -- Weapons\\Alpha", "dela", p.ScanChoices().fValue});
    window.LoadControls();
    QCOMPARE(Bytes(p.m_comboScanTag->itemText(p.m_comboScanTag->currentIndex())), p.ScanChoices().strTagChoice);
  }

  void closeEmptiesTheTreeCaptionScannerAndFields() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel1();
    Open(window, dialogs, p, m_handMap);
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 0));
    DirtyScanner(p);

    window.FindAction("Close Map 1")->trigger();
    QVERIFY(dialogs.Quiet());
    QVERIFY(!p.Map().m_bOpen);
    QCOMPARE(p.m_treeTags->topLevelItemCount(), 0);
    QCOMPARE(p.m_treeTags->BackgroundColor(), 0u);
    QCOMPARE(p.m_treeTags->palette().color(QPalette::Base), QColor(Qt::black));
    QCOMPARE(p.m_editCaption->text(), QString());
    QCOMPARE(p.m_treeScanResults->topLevelItemCount(), 0);
    QCOMPARE(p.m_treeScanResults->BackgroundColor(), 0u);
    QCOMPARE(p.m_comboScanTag->count(), 0);
    QVERIFY(!p.TagListFilled());
    // Nothing of the closed map's tag is left for the next map's commands.
    QCOMPARE(Shown(p), (Fields{"", "", "", "", "", "0", "", "", ""}));
    ExpectScannerReset(p);

    // With nothing open there is nothing to close.
    QVERIFY(!window.FindAction("Close Map 1")->isEnabled());
    QVERIFY(window.FindAction("Close Map 2")->isEnabled() == window.Panel2().Map().m_bOpen);

    // Opened again, the first selection builds the list anew.
    Open(window, dialogs, p, m_handMap);
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 3));
    QCOMPARE(p.m_comboScanTag->count(), 11);
    QCOMPARE(p.m_editIdentifier->text(), QStringLiteral("e1a50004"));
  }

  void openingOverAMapAsksFirstAndReplacesItOnlyWhenAFileIsPicked() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel1();
    Open(window, dialogs, p, m_handMap);
    QTreeWidgetItem* firstGroup = p.m_treeTags->topLevelItem(0);
    QTreeWidgetItem* pistol = ItemOfTag(p, 0);

    // Cancelled: the map stays, untouched.
    dialogs.openAnswers.push_back(std::nullopt);
    window.FindAction("Open Map 1")->trigger();
    QCOMPARE(dialogs.openRequests.size(), std::size_t{2});
    QCOMPARE(p.m_treeTags->topLevelItem(0), firstGroup);
    QCOMPARE(ItemOfTag(p, 0), pistol);
    QCOMPARE(p.m_editCaption->text(), QStringLiteral("Blood Gulch"));

    // Picked: the new map takes the panel's place.
    dialogs.openAnswers.push_back(m_uiMap);
    window.FindAction("Open Map 1")->trigger();
    QCOMPARE(dialogs.openRequests.size(), std::size_t{3});
    QCOMPARE(p.Map().m_strPath, m_uiMap);
    QCOMPARE(p.m_treeTags->topLevelItemCount(), 81);
    QCOMPARE(window.RecentMaps().front(), QFileInfo(QString::fromStdString(m_uiMap)).absoluteFilePath());
    QVERIFY(dialogs.Quiet());
  }

  void cancellingThePickerLeavesThePanelClosed() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel2();

    dialogs.openAnswers.push_back(std::nullopt);
    window.FindAction("Open Map 2")->trigger();
    QVERIFY(!p.Map().m_bOpen);
    QCOMPARE(p.m_treeTags->topLevelItemCount(), 0);
    QCOMPARE(p.m_editCaption->text(), QStringLiteral("None"));  // the model's name while nothing was opened

    Open(window, dialogs, p, m_handMap);
    window.FindAction("Close Map 2")->trigger();
    dialogs.openAnswers.push_back(std::nullopt);
    window.FindAction("Open Map 2")->trigger();
    QVERIFY(!p.Map().m_bOpen);
    QCOMPARE(p.m_treeTags->topLevelItemCount(), 0);
    QCOMPARE(p.m_editCaption->text(), QStringLiteral("Blood Gulch"));  // the last map's name
    QVERIFY(dialogs.Quiet());
  }

  void aFileThatCannotBeReadShowsTheErrorAndLeavesThePanelClosed() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel1();

    // A name that does not exist, and a folder: each error names its own cause.
    const std::string missing = m_dir.filePath("missing.map").toStdString();
    const std::pair<std::string, jov::FileError::Cause> cases[] = {
        {missing, jov::FileError::Cause::NotFound},
        {m_dir.path().toStdString(), jov::FileError::Cause::NotRegularFile}};
    for (const auto& [path, cause] : cases) {
      dialogs.fileErrors.clear();
      dialogs.openAnswers.push_back(path);
      window.FindAction("Open Map 1")->trigger();
      QCOMPARE(dialogs.fileErrors, std::vector<std::string>{jov::FileError::TextFor(cause, jov::kUnnamedFile)});
      QVERIFY(!p.Map().m_bOpen);
      QCOMPARE(p.m_treeTags->topLevelItemCount(), 0);
      QCOMPARE(p.m_editCaption->text(), QString());  // the command ended before the caption
      QVERIFY(window.isEnabled());
    }

    // Not a map (text, empty, shorter than a header, random bytes): refused
    // with the reason, never opened, never a recent map.
    std::vector<unsigned char> random(0x1000);
    for (std::size_t i = 0; i < random.size(); ++i) random[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
    const std::string text = "This is a text file.\nIt holds no map.\n";
    const std::pair<const char*, std::vector<unsigned char>> notMaps[] = {
        {"readme.map", std::vector<unsigned char>(text.begin(), text.end())},
        {"empty.map", {}},
        {"short.map", std::vector<unsigned char>(0x100, 0x41)},
        {"random.map", random}};
    for (const auto& [name, bytes] : notMaps) {
      const std::string junkPath = m_dir.filePath(name).toStdString();
      jov::WriteBytesToFile(junkPath, bytes);
      dialogs.fileErrors.clear();
      dialogs.messages.clear();
      dialogs.openAnswers.push_back(junkPath);
      window.FindAction("Open Map 1")->trigger();
      QVERIFY(dialogs.fileErrors.empty());
      QCOMPARE(dialogs.messages.size(), std::size_t{1});
      QVERIFY2(dialogs.messages[0].rfind(std::string(name) + " is not a Halo map: ", 0) == 0, dialogs.messages[0].c_str());
      QVERIFY(!p.Map().m_bOpen);
      QCOMPARE(p.m_treeTags->topLevelItemCount(), 0);
      QVERIFY(window.RecentMaps().isEmpty());
    }
    dialogs.messages.clear();

    // The panel works afterwards: exactly one set of groups.
    Open(window, dialogs, p, m_handMap);
    QCOMPARE(p.m_treeTags->topLevelItemCount(), 81);
    QCOMPARE(dialogs.messages.size(), std::size_t{0});
  }

  void aValueThatDoesNotParseStopsTheCommand() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    window.show();
    MapPanel& p1 = window.Panel1();
    MapPanel& p2 = window.Panel2();
    Open(window, dialogs, p1, m_handMap);
    p1.m_treeTags->setCurrentItem(ItemOfTag(p1, 0));
    const Fields shown = Shown(p1);

    // Close Map 1 with a bad scanner value in the other panel: nothing closes.
    p1.m_editFilename->setText("typed name");
    p2.m_editScanValue->setText("1.5x");
    window.FindAction("Close Map 1")->trigger();
    QCOMPARE(dialogs.valueErrors, std::vector<std::string>{"Please enter a number."});
    QCOMPARE(window.focusWidget(), p2.m_editScanValue);
    QVERIFY(p1.Map().m_bOpen);
    QCOMPARE(p1.m_treeTags->topLevelItemCount(), 81);
    QCOMPARE(p1.m_editCaption->text(), QStringLiteral("Blood Gulch"));
    QCOMPARE(p2.m_editScanValue->text(), QStringLiteral("1.5x"));
    QCOMPARE(p1.m_editFilename->text(), QStringLiteral("typed name"));
    QCOMPARE(p1.RecordFields().strName, std::string("weapons\\pistol\\pistol"));  // no value taken in
    QCOMPARE(p2.ScanChoices().fValue, 0.01f);

    // Selecting another tag meanwhile: the fields stay on the tag selected
    // before, and so does the tree.
    dialogs.valueErrors.clear();
    p1.m_treeTags->setCurrentItem(ItemOfTag(p1, 4));
    QCOMPARE(dialogs.valueErrors, std::vector<std::string>{"Please enter a number."});
    QCOMPARE(p1.m_treeTags->currentItem(), ItemOfTag(p1, 0));
    QCOMPARE(p1.m_treeTags->SelectedItem(), QtTreeView::HandleOf(ItemOfTag(p1, 0)));
    QCOMPARE(p1.m_editFilename->text(), QStringLiteral("typed name"));
    QCOMPARE(p1.m_editIdentifier->text(), QString::fromStdString(shown.identifier));

    // Once the value parses, the same selection goes through.
    p2.m_editScanValue->setText(" 2.5 ");
    p1.m_treeTags->setCurrentItem(ItemOfTag(p1, 4));
    QCOMPARE(dialogs.valueErrors.size(), std::size_t{1});
    QCOMPARE(p1.m_editIdentifier->text(), QStringLiteral("e1a60005"));
    QCOMPARE(p2.m_editScanValue->text(), QStringLiteral("2.5"));
  }

  void refusalsAndFileErrorsEndAtTheDispatch() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    bool after = false;
    window.RunCommand([&] {
      throw jov::Refused("Not enough space to inject.");
      after = true;
    });
    window.RunCommand([] { throw jov::FileError(jov::FileError::Cause::DiskFull, "x.meta"); });
    QVERIFY(!after);
    QCOMPARE(dialogs.messages, std::vector<std::string>{"Not enough space to inject."});
    QCOMPARE(dialogs.fileErrors,
             std::vector<std::string>{jov::FileError::TextFor(jov::FileError::Cause::DiskFull, "x.meta")});
  }

  void escapeKeepsTheWindowWhileTheCloseBoxAndExitEndIt() {
    ScriptedDialogs dialogs;
    {
      CMapEditorDlg window(dialogs);
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      for (QWidget* target : {static_cast<QWidget*>(&window), static_cast<QWidget*>(window.Panel2().m_editFilename),
                              static_cast<QWidget*>(window.Panel1().m_treeTags)}) {
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        QVERIFY(window.isVisible());
      }
      window.close();
      QVERIFY(!window.isVisible());
    }
    {
      CMapEditorDlg window(dialogs);
      window.show();
      window.FindAction("Exit")->trigger();
      QVERIFY(!window.isVisible());
    }
    QVERIFY(dialogs.questions.empty());
  }

  // Enter runs Scan Metadata of the panel whose scanner box has the focus, and
  // nothing from a Tag Information field.
  void enterScansOnlyTheFocusedPanel() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Open(window, dialogs, window.Panel1(), m_handMap);
    Open(window, dialogs, window.Panel2(), m_uiMap);
    for (MapPanel* p : {&window.Panel1(), &window.Panel2()}) p->m_treeTags->setCurrentItem(ItemOfTag(*p, 0));
    QSignalSpy scan1(window.Panel1().m_buttonScanMetadata, &QPushButton::clicked);
    QSignalSpy scan2(window.Panel2().m_buttonScanMetadata, &QPushButton::clicked);
    struct Case {
      QWidget* field;
      int scans1, scans2;
    };
    MapPanel& p1 = window.Panel1();
    MapPanel& p2 = window.Panel2();
    const Case cases[] = {
        {p2.m_editFilename, 0, 0},      {p1.m_editMetaOffset, 0, 0},         {p2.m_editScanValue, 0, 1},
        {p1.m_editScanValue, 1, 1},     {p2.m_comboScanTag->lineEdit(), 1, 2}, {p1.m_comboScanClass->lineEdit(), 2, 2},
        {p1.m_editFilter, 2, 2},
    };
    for (const Case& c : cases) {
      c.field->setFocus();
      QTest::keyClick(c.field, Qt::Key_Return);
      QCOMPARE(scan1.count(), c.scans1);
      QCOMPARE(scan2.count(), c.scans2);
    }
    QVERIFY(window.isVisible());
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
