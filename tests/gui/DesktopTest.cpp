// The main window as a desktop program: finding tags, keys, opening maps from
// the command line, a drop and the recent list, read-only maps, what the status
// bar says, and the user's place kept across commands.
#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>
#include <QtTest>
#include <set>

#include <QCompleter>

#include "CHexEditDlg.h"
#include "CMapInfoDlg.h"
#include "COffsetSwapDlg.h"
#include "SortedComboBox.h"
#include "CMapEditorDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "map/ValueText.h"
#include "platform/FileError.h"

using guitest::Tag;
using Bytes = std::vector<unsigned char>;

namespace {

// Tag 0 holds a dependency on tag 1 at byte 0, a reflexive at byte 20 and tag 2's
// identifier alone at byte 28.
jov::SampleMapPlan FindMap() {
  jov::SampleMapPlan plan;
  plan.version = 7;
  plan.tags = {
      Tag("weap", "weapons\\pistol\\pistol", 0xE1A20001),  // 0
      Tag("bitm", "shared\\name", 0xE1A30002),             // 1
      Tag("weap", "Weapons\\Alpha", 0xE1A40003),           // 2
      Tag("weap", "weapons\\alpha", 0xE1A50004),           // 3
      Tag("sbsp", "levels\\bsp", 0xE1A60005),              // 4
      Tag("weap", "zeta", 0xE1A70006),                     // 5
  };
  Bytes& meta = plan.tags[0].meta;
  meta.assign(64, 0);
  jov::PutClassCode(meta, 0, "bitm");
  jov::PutLe32(meta, 12, 0xE1A30002);
  jov::PutLe32(meta, 16, 3);
  jov::PutLe32(meta, 20, jov::LayoutOf(plan).metaOffsets[0] + plan.magic + 40);
  jov::PutLe32(meta, 28, 0xE1A40003);
  return plan;
}

QTreeWidgetItem* ItemOfTag(MapPanel& panel, int i) {
  return QtTreeView::ItemOf(panel.Map().GetTagEntry(i).hTreeItem);
}

QTreeWidgetItem* Group(MapPanel& panel, const char* code) {
  return guitest::FindTopLevel(*panel.m_treeTags, jov::TagClassTable::GroupText(jov::TagClassTable::Find(code)));
}

// The tags the tree shows.
std::set<int> VisibleTags(MapPanel& panel) {
  std::set<int> shown;
  for (int i = 0; i < panel.Map().m_nTagCount; ++i) {
    const QTreeWidgetItem* item = ItemOfTag(panel, i);
    if (!item->isHidden() && !item->parent()->isHidden()) shown.insert(i);
  }
  return shown;
}

void Drop(QWidget& target, const QString& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &drop);
}

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;

  // A fresh copy of the map, so that writes of one test do not meet another.
  QString Write(const QString& name, const jov::SampleMapPlan& plan = FindMap()) {
    return QString::fromStdString(guitest::WriteMap(m_dir, name.toStdString(), plan));
  }

 private slots:
  void initTestCase() {
    guitest::UseCNumbers();
    QVERIFY(m_dir.isValid());
  }

  void theFilterShowsMatchingTagsAndKeepsOrClearsTheSelection() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel2();
    QVERIFY(window.OpenMapPath(p, Write("filter.map")));

    struct Case {
      const char* text;
      std::set<int> shown;
      bool keepsTag3;
    };
    const Case cases[] = {
        {"alpha", {2, 3}, true},       {"ALP*A", {2, 3}, true},          {"weap", {0, 2, 3, 5}, true},
        {"structure", {4}, false},     {"shared", {1}, false},          {"pis*pis", {0}, false},
        {"nothing like it", {}, false}, {"", {0, 1, 2, 3, 4, 5}, false},
    };
    for (const Case& c : cases) {
      p.m_editFilter->clear();
      p.m_treeTags->setCurrentItem(ItemOfTag(p, 3));
      p.m_editFilter->setText(QString::fromLatin1(c.text));
      QCOMPARE(VisibleTags(p), c.shown);
      QCOMPARE(p.SelectedTag() == std::optional<int>(3), c.keepsTag3 || c.shown.count(3) > 0);
      // Every group with a tag shown is open while filtering.
      for (const int i : c.shown)
        if (*c.text) QVERIFY(ItemOfTag(p, i)->parent()->isExpanded());
    }
    // Empty again: the groups open before filtering are the open ones.
    Group(p, "weap")->setExpanded(false);
    Group(p, "sbsp")->setExpanded(true);
    p.m_editFilter->setText("alpha");
    QVERIFY(Group(p, "weap")->isExpanded() && Group(p, "sbsp")->isHidden());
    p.m_editFilter->clear();
    QVERIFY(Group(p, "sbsp")->isExpanded() && !Group(p, "sbsp")->isHidden());
    QVERIFY(!Group(p, "weap")->isExpanded());
    QCOMPARE(p.SelectedTag(), std::optional<int>(3));

    // Ctrl+F reaches the filter of the panel being worked in; Escape empties it.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    p.m_treeTags->setFocus();
    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), p.m_editFilter);
    QTest::keyClicks(p.m_editFilter, "zeta");
    QCOMPARE(VisibleTags(p), std::set<int>{5});
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 5));
    p.m_editFilter->setFocus();
    QTest::keyClick(p.m_editFilter, Qt::Key_Escape);
    QCOMPARE(p.m_editFilter->text(), QString());
    QCOMPARE(VisibleTags(p).size(), std::size_t{6});
    // The tag the filter found stays selected, its group open, in view.
    QCOMPARE(p.SelectedTag(), std::optional<int>(5));
    QVERIFY(ItemOfTag(p, 5)->parent()->isExpanded());
    QVERIFY(p.m_treeTags->viewport()->rect().intersects(p.m_treeTags->visualItemRect(ItemOfTag(p, 5))));
    QVERIFY(window.isVisible());
  }

  void menusCarryShortcutsAndAccessKeys() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    const std::pair<const char*, QKeySequence> shortcuts[] = {
        {"Open Map 1", QKeySequence("Ctrl+O")},  {"Open Map 2", QKeySequence("Ctrl+Shift+O")},
        {"Close Map 1", QKeySequence("Ctrl+W")}, {"Close Map 2", QKeySequence("Ctrl+Shift+W")},
        {"Exit", QKeySequence("Ctrl+Q")},        {"Find", QKeySequence("Ctrl+F")},
    };
    for (const auto& [text, keys] : shortcuts) QCOMPARE(window.FindAction(text)->shortcut(), keys);
    // Every menu and every item has an access key, none twice in one menu.
    for (QAction* menu : window.menuBar()->actions()) {
      QVERIFY2(menu->text().contains(u'&'), qPrintable(menu->text()));
      std::set<QChar> keys;
      for (QAction* item : menu->menu()->actions()) {
        if (item->isSeparator()) continue;
        const qsizetype at = item->text().indexOf(u'&');
        QVERIFY2(at >= 0 && at + 1 < item->text().size(), qPrintable(item->text()));
        QVERIFY2(keys.insert(item->text()[at + 1].toLower()).second, qPrintable(item->text()));
      }
    }
    QCOMPARE(window.EditMenu()->title(), QStringLiteral("&Edit"));
    // Nothing open: the commands that need a map cannot run.
    for (const char* text : {"Close Map 1", "Map 2 Info", "Insert Data at End of Map 1", "Add Tag to Map 2"})
      QVERIFY2(!window.FindAction(text)->isEnabled(), text);
    QVERIFY(!window.Panel1().m_buttonSaveChanges->isEnabled());
    // Controls without a label or with a meaning not obvious explain themselves.
    MapPanel& p = window.Panel2();
    for (QWidget* hex : {p.m_editIdentifier, p.m_editMetaOffset, p.m_editStringOffset, p.m_editPageOffset})
      QCOMPARE(hex->toolTip(), QStringLiteral("hexadecimal"));
    for (QWidget* control : std::initializer_list<QWidget*>{
             p.m_comboScanTag, p.m_comboScanClass, p.m_editScanValue, p.m_checkDependencies, p.m_checkReflexives,
             p.m_checkFloats, p.m_checkShorts, p.m_checkLoneIDs, p.m_checkUpdateSize, p.m_editFilter})
      QVERIFY2(!control->toolTip().isEmpty(), qPrintable(control->objectName()));
    QVERIFY(!window.Panel1().m_buttonDirectInject->isEnabled());
  }

  void argumentsOpenBothPanelsAndTheTitleNamesTheFiles() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    window.OpenArguments({Write("a.map"), Write("b.map")});
    QVERIFY(dialogs.Quiet());
    QCOMPARE(window.windowTitle(), QStringLiteral("JOV - a.map | b.map"));
    // This hand-made map has no scenario tag and names a class twice: the check
    // counts what it finds.
    QCOMPARE(window.PanelStatus(window.Panel1()), QStringLiteral("Map 1: a.map, Halo PC, 6 tags, 0 errors, 7 warnings"));
    QVERIFY(window.FindAction("Close Map 2")->isEnabled());

    // A path that is no map leaves its panel empty; a third path is not opened.
    CMapEditorDlg second(dialogs);
    const QString missing = m_dir.filePath("missing.map");
    second.OpenArguments({missing, Write("c.map"), Write("d.map")});
    QCOMPARE(dialogs.fileErrors,
             std::vector<std::string>{jov::FileError::TextFor(jov::FileError::Cause::NotFound, jov::kUnnamedFile)});
    QVERIFY(!second.Panel1().Map().m_bOpen);
    QVERIFY(second.Panel2().Map().m_bOpen);
    QCOMPARE(second.windowTitle(), QStringLiteral("JOV - c.map"));
    QCOMPARE(dialogs.messages.size(), std::size_t{1});
    QVERIFY(QString::fromStdString(dialogs.messages[0]).contains(m_dir.filePath("d.map")));
  }

  void aDroppedFileOpensInThePanelItFellOn() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    QVERIFY(window.OpenMapPath(window.Panel2(), Write("held.map")));
    window.Panel2().m_treeTags->setCurrentItem(ItemOfTag(window.Panel2(), 0));
    Drop(window.Panel2(), Write("dropped.map"));
    QVERIFY(dialogs.Quiet());
    QCOMPARE(window.Panel2().FileName(), QStringLiteral("dropped.map"));
    QVERIFY(!window.Panel1().Map().m_bOpen);
    QCOMPARE(window.Panel2().m_editFilename->text(), QString());  // nothing of the map it held
    QCOMPARE(window.windowTitle(), QStringLiteral("JOV - dropped.map"));
  }

  void theRecentListDropsAMissingFileWithAMessage() {
    const QString ini = m_dir.filePath("settings.ini");
    const QString kept = Write("kept.map");
    const QString gone = Write("gone.map");
    ScriptedDialogs dialogs;
    {
      CMapEditorDlg window(dialogs);
      window.UseSettings(std::make_unique<QSettings>(ini, QSettings::IniFormat));
      window.OpenMapPath(window.Panel1(), gone);
      window.OpenMapPath(window.Panel2(), kept);
      QCOMPARE(window.RecentMaps(), QStringList({kept, gone}));
      window.resize(1100, 720);
      window.Panel2().m_splitFields->setSizes({300, 0});  // the hex view closed
      window.SaveWindowState();
    }
    QVERIFY(QFile::remove(gone));
    CMapEditorDlg window(dialogs);
    window.UseSettings(std::make_unique<QSettings>(ini, QSettings::IniFormat));
    QCOMPARE(window.size(), QSize(1100, 720));
    QCOMPARE(window.Panel2().m_splitFields->sizes().value(1, -1), 0);
    QVERIFY(window.Panel1().m_splitFields->sizes().value(1, 0) > 0);
    QCOMPARE(window.RecentMaps(), QStringList({kept, gone}));
    QMenu* recent = window.FindAction("Recent Maps")->menu();
    QCOMPARE(recent->actions().size(), 2);
    recent->actions()[1]->trigger();
    QCOMPARE(dialogs.messages.size(), std::size_t{1});
    QVERIFY(QString::fromStdString(dialogs.messages[0]).contains(gone));
    QCOMPARE(window.RecentMaps(), QStringList({kept}));
    QCOMPARE(QSettings(ini, QSettings::IniFormat).value("recentMaps").toStringList(), QStringList({kept}));
    recent->actions()[0]->trigger();
    QCOMPARE(window.Panel1().FileName(), QStringLiteral("kept.map"));
  }

  void aMapThatMayNotBeWrittenOpensReadOnlyAndRefusesEveryWrite() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    const QString path = Write("locked.map");
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const Bytes before = jov::ReadBytesFromFile(path.toStdString());
    MapPanel& p = window.Panel1();
    QVERIFY(window.OpenMapPath(p, path));
    QVERIFY(window.OpenMapPath(window.Panel2(), Write("source.map")));
    QVERIFY(p.Map().m_bReadOnly);
    QVERIFY(window.PanelStatus(p).contains(QStringLiteral(", read-only")));
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 0));
    window.Panel2().m_treeTags->setCurrentItem(ItemOfTag(window.Panel2(), 0));
    p.m_buttonScanMetadata->click();
    p.m_treeScanResults->setCurrentItem(p.m_treeScanResults->topLevelItem(0));
    dialogs.messages.clear();

    window.SetModalRunner([](QDialog& dialog) {
      if (auto* info = dynamic_cast<CMapInfoDlg*>(&dialog)) {
        info->m_buttonSaveChanges->click();
        info->reject();
        return info->result();
      }
      auto& editor = dynamic_cast<CHexEditDlg&>(dialog);
      editor.m_buttonSave->click();
      editor.reject();
      return editor.result();
    });
    p.m_editFilename->setText("renamed");
    // The buttons and menu commands that write are disabled (ReadOnlyTest runs
    // each past its control); the dialogs that can write are refused on saving.
    for (QPushButton* button : {p.m_buttonSaveChanges, p.m_buttonUpdateItem, p.m_buttonInject, p.m_buttonDirectInject})
      QVERIFY(!button->isEnabled());
    QVERIFY(!window.FindAction("Insert Data at End of Map 1")->isEnabled());
    QVERIFY(!window.FindAction("Add Tag to Map 1")->isEnabled());
    const std::vector<std::function<void()>> writes = {
        [&] { guitest::DoubleClickSelectedTag(p); },
        [&] { window.FindAction("Map 1 Info")->trigger(); },
    };
    for (const auto& write : writes) write();
    QCOMPARE(dialogs.messages, std::vector<std::string>(writes.size(), "This map is open read-only."));
    QVERIFY(dialogs.openRequests.empty() && dialogs.questions.empty());
    QCOMPARE(jov::ReadBytesFromFile(path.toStdString()), before);
  }

  void commandsSayWhatTheyDidInTheStatusBar() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p1 = window.Panel1();
    MapPanel& p2 = window.Panel2();
    window.OpenArguments({Write("to.map"), Write("from.map")});
    p1.m_treeTags->setCurrentItem(ItemOfTag(p1, 0));
    p2.m_treeTags->setCurrentItem(ItemOfTag(p2, 0));

    p1.m_buttonDirectInject->click();
    QCOMPARE(window.CommandStatus(),
             QStringLiteral("to.map: Direct Inject: Map 2 weap:weapons\\pistol\\pistol -> Map 1 weap:weapons\\pistol\\pistol"));
    QCOMPARE(window.statusBar()->currentMessage(), window.CommandStatus());

    p1.m_buttonScanMetadata->click();
    p1.m_treeScanResults->setCurrentItem(p1.m_treeScanResults->topLevelItem(0));  // the dependency at byte 0
    p1.m_buttonUpdateItem->click();
    QCOMPARE(window.CommandStatus(),
             QStringLiteral("to.map: Update Item: 16 bytes at 0x%1").arg(p1.Map().MetaOffset(0), 0, 16));

    const std::uint32_t end = jov::HexToUInt(p1.Map().m_strEofPosition);
    window.SetModalRunner([](QDialog& dialog) {
      auto& editor = dynamic_cast<CHexEditDlg&>(dialog);
      editor.m_editText->setPlainText(QString(1023, u'a').replace(u'a', QStringLiteral("ab")));
      editor.m_buttonSave->click();
      return editor.result();
    });
    window.FindAction("Insert Data at End of Map 1")->trigger();
    // 2,046 digits are 1,023 bytes and the zero byte after them.
    QCOMPARE(window.CommandStatus(), QStringLiteral("to.map: Insert Data: 1,024 bytes placed at 0x%1").arg(end, 0, 16));
    QCOMPARE(dialogs.messages, std::vector<std::string>{"Direct injection complete."});
  }

  void saveChangesAndInjectKeepTheSelectionTheOpenGroupsAndTheResults() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel1();
    QVERIFY(window.OpenMapPath(p, Write("place.map")));
    QVERIFY(window.OpenMapPath(window.Panel2(), Write("other.map")));
    Group(p, "sbsp")->setExpanded(true);
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 0));
    p.m_buttonScanMetadata->click();
    const int lines = p.m_treeScanResults->topLevelItemCount();
    QVERIFY(lines > 0);

    p.m_editIdentifier->setText("e1a2ffff");
    p.m_buttonSaveChanges->click();
    QVERIFY(dialogs.Quiet());
    QCOMPARE(p.SelectedTag(), std::optional<int>(0));
    QVERIFY(Group(p, "sbsp")->isExpanded() && Group(p, "weap")->isExpanded());
    QCOMPARE(p.m_editIdentifier->text(), QStringLiteral("e1a2ffff"));
    QCOMPARE(p.m_treeScanResults->topLevelItemCount(), lines);

    window.Panel2().m_treeTags->setCurrentItem(ItemOfTag(window.Panel2(), 0));
    p.m_buttonDirectInject->click();
    QCOMPARE(p.SelectedTag(), std::optional<int>(0));
    QCOMPARE(p.m_treeScanResults->topLevelItemCount(), lines);

    // Closing leaves nothing of the map in the fields or the results.
    window.FindAction("Close Map 1")->trigger();
    QCOMPARE(p.m_editIdentifier->text(), QString());
    QCOMPARE(p.m_treeScanResults->topLevelItemCount(), 0);
  }

  void aReferenceLineLeadsToItsTag() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel2();
    QVERIFY(window.OpenMapPath(p, Write("refs.map")));
    const std::pair<const char*, int> references[] = {{"Dependency -- 0x00000000", 1}, {"LoneID -- 0x0000001c", 2}};
    for (const auto& [line, tag] : references) {
      // A filter that hides the referenced tag is cleared to show it.
      p.m_editFilter->setText("pistol");
      p.m_treeTags->setCurrentItem(ItemOfTag(p, 0));
      p.m_buttonScanMetadata->click();
      QTreeWidgetItem* item = nullptr;
      for (int i = 0; i < p.m_treeScanResults->topLevelItemCount(); ++i)
        if (p.m_treeScanResults->topLevelItem(i)->text(0).startsWith(QString::fromLatin1(line)))
          item = p.m_treeScanResults->topLevelItem(i);
      QVERIFY2(item, line);
      p.m_treeScanResults->setCurrentItem(item);
      emit p.m_treeScanResults->itemDoubleClicked(item, 0);
      QCOMPARE(p.SelectedTag(), std::optional<int>(tag));
      QCOMPARE(p.m_editFilter->text(), QString());
      QVERIFY(ItemOfTag(p, tag)->parent()->isExpanded());
    }
  }

  // At the default size the results show at least 12 lines; at 1024x700 every
  // label and button keeps the room its text needs (the window scrolls instead).
  void roomToWork() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.OpenMapPath(window.Panel1(), Write("room.map")));
    QtTreeView& results = *window.Panel1().m_treeScanResults;
    results.InsertItem(jov::kTreeRoot, "a line", false);
    QCoreApplication::processEvents();
    const int row = results.visualItemRect(results.topLevelItem(0)).height();
    QVERIFY(row > 0);
    qInfo("1280x800: %d result lines of %d px", results.viewport()->height() / row, row);
    QVERIFY(results.viewport()->height() / row >= 12);

    window.resize(1024, 700);
    QCoreApplication::processEvents();
    for (MapPanel* panel : {&window.Panel1(), &window.Panel2()}) {
      for (QPushButton* button : panel->findChildren<QPushButton*>())
        QVERIFY2(button->width() >= button->minimumSizeHint().width(), qPrintable(button->text()));
      for (QLabel* label : panel->findChildren<QLabel*>())
        QVERIFY2(label->width() >= label->minimumSizeHint().width(), qPrintable(label->text()));
    }
  }

  void theSwapListAndTheTagChoiceMatchContainedText() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel1();
    QVERIFY(window.OpenMapPath(p, Write("contains.map")));
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 0));
    COffsetSwapDlg swap(jov::BuildOffsetSwapList(p.Map()));
    const std::pair<const char*, int> cases[] = {{"alpha", 2}, {"WEAP*ALPHA", 2}, {"bsp", 1}, {"", 6}, {"none", 0}};
    for (const auto& [text, lines] : cases) {
      swap.m_editFilter->setText(QString::fromLatin1(text));
      int shown = 0;
      for (int i = 0; i < swap.m_treeTags->topLevelItemCount(); ++i) shown += !swap.m_treeTags->topLevelItem(i)->isHidden();
      QCOMPARE(shown, lines);
      p.m_comboScanTag->completer()->setCompletionPrefix(QString::fromLatin1(text).remove(u'*'));
      if (!QString::fromLatin1(text).contains(u'*'))
        QCOMPARE(p.m_comboScanTag->completer()->completionCount(), lines + (*text ? 0 : 1));  // and "Nulled Out"
    }
  }

  void cutInputIsReported() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& p = window.Panel1();
    const QString path = Write("cut.map");
    QVERIFY(window.OpenMapPath(p, path));
    p.m_treeTags->setCurrentItem(ItemOfTag(p, 1));  // 16 bytes of metadata
    window.SetModalRunner([](QDialog& dialog) {
      auto& editor = dynamic_cast<CHexEditDlg&>(dialog);
      editor.m_editText->setPlainText(QString(20, u'x').replace(u'x', QStringLiteral("07 ")));
      editor.m_buttonSave->click();
      return editor.result();
    });
    guitest::DoubleClickSelectedTag(p);
    QCOMPARE(dialogs.messages, std::vector<std::string>{
                                   "4 bytes were not written: the text holds 20 bytes and the tag's metadata is 16 "
                                   "bytes long."});

    // A name longer than its room, Update Size off: asked before anything is
    // written, No by default; No writes nothing, Yes writes the cut name.
    const std::vector<unsigned char> before = jov::ReadBytesFromFile(path.toStdString());
    for (const bool answer : {false, true}) {
      dialogs.yesNoAnswers.push_back(answer);
      p.m_editFilename->setText("shared\\other\\longer");  // 8 characters longer
      p.m_buttonSaveChanges->click();
      QCOMPARE(dialogs.defaultNoQuestions.size(), std::size_t{answer ? 2u : 1u});
      QVERIFY(dialogs.defaultNoQuestions.back().find("The last 8 characters of the name will not be written") == 0);
      QCOMPARE(p.Map().GetTagName(1), std::string(answer ? "shared\\othe" : "shared\\name"));
      if (!answer) QVERIFY(jov::ReadBytesFromFile(path.toStdString()) == before);
    }
    QCOMPARE(dialogs.messages.size(), std::size_t{1});
    QVERIFY(dialogs.unexpected.empty());
  }
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
