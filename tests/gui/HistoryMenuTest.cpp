// The edit history in the window: the Edit menu's Undo and Redo (texts, keys,
// when they can run), one stack across both panels showing one map, a map changed
// behind the history's back, and the question asked when a map opens with a step
// a stopped process left unfinished.
#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <sys/wait.h>
#include <unistd.h>

#include "CHexEditDlg.h"
#include "CHistoryDlg.h"
#include <QTableWidget>
#include "CMapEditorDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "history/History.h"
#include "support/TempDir.h"
#include "map/ValueText.h"

using Bytes = std::vector<unsigned char>;

namespace {

QTreeWidgetItem* ItemOfTag(MapPanel& panel, int i) { return QtTreeView::ItemOf(panel.Map().GetTagEntry(i).hTreeItem); }

Bytes Read(const QString& path) { return jov::ReadBytesFromFile(path.toStdString()); }

// Insert Data through the hex editor with these digits.
void AnswerInsertData(CMapEditorDlg& window, const QString& digits) {
  window.SetModalRunner([digits](QDialog& dialog) {
    auto& editor = dynamic_cast<CHexEditDlg&>(dialog);
    editor.m_editText->setPlainText(digits);
    editor.m_buttonSave->click();
    return editor.result();
  });
}

}  // namespace

class HistoryMenuTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;
  QString Write(const QString& name) {
    return QString::fromStdString(guitest::WriteMap(m_dir, name.toStdString(), jov::GenerateSampleMap(7, 8, 5)));
  }

 private slots:
  void initTestCase() {
    guitest::UseCNumbers();
    QVERIFY(m_dir.isValid());
  }

  void undoAndRedoRunAcrossBothPanelsShowingOneMap() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    QAction* undo = window.UndoAction();
    QAction* redo = window.RedoAction();
    QCOMPARE(window.EditMenu()->actions().front(), undo);
    QCOMPARE(undo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    QCOMPARE(redo->shortcuts(), (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
                                                     QKeySequence(QStringLiteral("Ctrl+Y"))}));
    QVERIFY(window.FindAction(QStringLiteral("History...")));
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());
    QCOMPARE(undo->text(), QStringLiteral("&Undo"));

    const QString path = Write(QStringLiteral("shared.map"));
    const Bytes original = Read(path);
    window.OpenArguments({path, path});
    MapPanel& p1 = window.Panel1();
    MapPanel& p2 = window.Panel2();
    p1.m_treeTags->setCurrentItem(ItemOfTag(p1, 3));
    p2.m_treeTags->setCurrentItem(ItemOfTag(p2, 5));

    // Map 2 appends data: Map 1 shows the same file and reads its new end.
    AnswerInsertData(window, QStringLiteral("0a0b0c"));
    window.FindAction(QStringLiteral("Insert Data at End of Map 2"))->trigger();
    const Bytes inserted = Read(path);
    QCOMPARE(p1.Map().m_strEofPosition, p2.Map().m_strEofPosition);
    QCOMPARE(jov::HexToUInt(p1.Map().m_strEofPosition), jov::ReadLe32(inserted.data() + 8));
    QCOMPARE(undo->text(), QStringLiteral("&Undo Insert Data (Map 1 and Map 2, shared.map)"));

    // Map 1 takes Map 2's selected tag: one stack, newest first.
    dialogs.yesNoAnswers.push_back(true);
    p1.m_buttonDirectInject->click();
    const Bytes injected = Read(path);
    QVERIFY(injected != inserted);
    const std::string label = "Direct Inject " + p1.Map().GetTagEntry(3).strClass1 + ":" + p1.Map().GetTagEntry(3).strName;
    QCOMPARE(undo->text(), QStringLiteral("&Undo ") + QString::fromLatin1(label.c_str()) + " (Map 1 and Map 2, shared.map)");

    undo->trigger();
    QCOMPARE(Read(path), inserted);
    QCOMPARE(redo->text(), QStringLiteral("&Redo ") + QString::fromLatin1(label.c_str()) + " (Map 1 and Map 2, shared.map)");
    undo->trigger();
    QCOMPARE(Read(path), original);
    QVERIFY(!undo->isEnabled());
    QCOMPARE(redo->text(), QStringLiteral("&Redo Insert Data (Map 1 and Map 2, shared.map)"));
    // Both views read the map again and keep the selected tags.
    QCOMPARE(p1.SelectedTag(), std::optional<int>(3));
    QCOMPARE(p2.SelectedTag(), std::optional<int>(5));
    QCOMPARE(jov::HexToUInt(p2.Map().m_strEofPosition), jov::ReadLe32(original.data() + 8));

    redo->trigger();
    redo->trigger();
    QCOMPARE(Read(path), injected);
    QVERIFY(!redo->isEnabled());
    QCOMPARE(dialogs.fileErrors, std::vector<std::string>{});
  }

  void undoToHereAsksBeforeTakingBackAnotherMapsSteps() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    const QString a = Write(QStringLiteral("here-a.map"));
    const QString b = Write(QStringLiteral("here-b.map"));
    const Bytes originalA = Read(a);
    window.OpenArguments({a, b});
    AnswerInsertData(window, QStringLiteral("0a0b"));
    window.FindAction(QStringLiteral("Insert Data at End of Map 1"))->trigger();
    const Bytes writtenA = Read(a);
    AnswerInsertData(window, QStringLiteral("0c0d"));
    window.FindAction(QStringLiteral("Insert Data at End of Map 2"))->trigger();
    const Bytes writtenB = Read(b);
    QCOMPARE(window.UndoAction()->text(), QStringLiteral("&Undo Insert Data (Map 2, here-b.map)"));

    // Undo to Here on a.map's row (the older one): b.map's newer step would go
    // too. No keeps both; Yes takes both back.
    for (const bool answer : {false, true}) {
      dialogs.yesNoAnswers.push_back(answer);
      window.SetModalRunner([](QDialog& dialog) {
        auto& history = dynamic_cast<CHistoryDlg&>(dialog);
        history.m_tableSteps->selectRow(1);
        history.m_buttonUndoTo->click();
        return QDialog::Rejected;
      });
      window.FindAction(QStringLiteral("History..."))->trigger();
      QCOMPARE(dialogs.questions.size(), std::size_t{answer ? 2u : 1u});
      QVERIFY2(dialogs.questions.back().find("here-b.map") != std::string::npos, dialogs.questions.back().c_str());
      QCOMPARE(Read(a), answer ? originalA : writtenA);
      QVERIFY(answer ? Read(b) != writtenB : Read(b) == writtenB);
    }
    QVERIFY(dialogs.unexpected.empty());
  }

  void redoTakesTheStepUndoneMostRecentlyWhicheverPanelItIsOf() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    const QString a = Write(QStringLiteral("redo-a.map"));
    const QString b = Write(QStringLiteral("redo-b.map"));
    window.OpenArguments({a, b});
    const auto insert = [&](int panel, const QString& digits) {
      AnswerInsertData(window, digits);
      window.FindAction(QStringLiteral("Insert Data at End of Map %1").arg(panel))->trigger();
    };
    insert(1, QStringLiteral("0a0b"));
    const Bytes a1 = Read(a);
    const Bytes originalB = Read(b);
    insert(2, QStringLiteral("0c0d"));
    const Bytes b1 = Read(b);
    window.UndoAction()->trigger();  // Map 2's step
    QCOMPARE(Read(b), originalB);
    insert(1, QStringLiteral("0e0f"));  // Map 1 goes on; Map 2's step stays undone
    const Bytes a2 = Read(a);
    window.UndoAction()->trigger();  // Map 1's newer step: the latest undone
    QCOMPARE(Read(a), a1);

    // Redo is the reverse of the last Undo, then of the one before it.
    QCOMPARE(window.RedoAction()->text(), QStringLiteral("&Redo Insert Data (Map 1, redo-a.map)"));
    window.RedoAction()->trigger();
    QCOMPARE(Read(a), a2);
    QCOMPARE(Read(b), originalB);
    QCOMPARE(window.RedoAction()->text(), QStringLiteral("&Redo Insert Data (Map 2, redo-b.map)"));
    window.RedoAction()->trigger();
    QCOMPARE(Read(b), b1);
    QVERIFY(!window.RedoAction()->isEnabled());
    QVERIFY(dialogs.Quiet());
  }

  void aMapChangedBehindTheHistoryIsNotUndone() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    const QString path = Write(QStringLiteral("changed.map"));
    window.OpenArguments({path});
    AnswerInsertData(window, QStringLiteral("0102030405"));
    window.FindAction(QStringLiteral("Insert Data at End of Map 1"))->trigger();
    Bytes changed = Read(path);
    changed.back() ^= 0xFF;
    jov::WriteBytesToFile(path.toStdString(), changed);
    window.UndoAction()->trigger();
    QCOMPARE(dialogs.messages.size(), std::size_t{1});
    QVERIFY2(dialogs.messages.back().find("Nothing was undone.") != std::string::npos, dialogs.messages.back().c_str());
    QCOMPARE(Read(path), changed);
  }

  void aMapWrittenByAnotherProgramIsReReadWhileTheEditorIsIdle() {
    const QString path = Write(QStringLiteral("watched.map"));
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    window.OpenArguments({path, path});
    QCOMPARE(window.Panel1().Map().m_strMapName, window.Panel2().Map().m_strMapName);
    Bytes changed = Read(path);
    const std::string name = "renamed elsewhere";
    std::fill(changed.begin() + 0x20, changed.begin() + 0x40, 0);
    std::copy(name.begin(), name.end(), changed.begin() + 0x20);
    jov::testing::RewriteLater(path.toStdString(), changed);
    // No command runs: the watcher alone brings both views up to date.
    QTRY_COMPARE(window.Panel1().Map().m_strMapName, name);
    QCOMPARE(window.Panel2().Map().m_strMapName, name);
    QVERIFY(window.CommandStatus().contains(QStringLiteral("watched.map changed on disk; re-read.")));
  }

  void aStepLeftUnfinishedIsOfferedBackWhenTheMapOpens() {
    const QString path = Write(QStringLiteral("stopped.map"));
    const Bytes original = Read(path);
    // A process that wrote the header field of Insert Data and was killed: its
    // record is in the history, its bytes in the map, and it is gone.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    // Its two ranges: the EoF Position (written) and the data at the end (not).
    jov::StepWrite write;
    write.offset = 8;
    write.before.assign(original.begin() + 8, original.begin() + 12);
    write.after = {0x44, 0x33, 0x22, 0x11};
    write.hasHash = true;
    write.afterSize = 4;
    write.afterHash = jov::RangeHash(write.after.data(), 4);
    write.lengthBefore = original.size();
    write.lengthAfter = original.size() + 3;
    jov::StepWrite data;
    const unsigned char appended[3] = {1, 2, 3};
    data.offset = original.size();
    data.hasHash = true;
    data.afterSize = 3;
    data.afterHash = jov::RangeHash(appended, 3);
    data.lengthBefore = write.lengthBefore;
    data.lengthAfter = write.lengthAfter;
    {
      jov::HistoryStore store(jov::History::DatabasePath());
      store.BeginStep(jov::History::KeyOf(path.toStdString()), "Insert Data", 0, jov::ProcessIdentity{gone, 0, ""},
                      {write, data}, 7, [](const jov::StepInfo&) { return false; });
    }
    Bytes half = original;
    std::copy(write.after.begin(), write.after.end(), half.begin() + 8);
    jov::WriteBytesToFile(path.toStdString(), half);

    for (const bool yes : {false, true}) {
      ScriptedDialogs dialogs;
      CMapEditorDlg window(dialogs);
      dialogs.yesNoAnswers.push_back(yes);
      window.OpenArguments({path});
      QCOMPARE(dialogs.questions.size(), std::size_t{1});
      QVERIFY(dialogs.questions[0].find("\"Insert Data\"") != std::string::npos);
      QCOMPARE(Read(path), yes ? original : half);
      QCOMPARE(jov::HexToUInt(window.Panel1().Map().m_strEofPosition), jov::ReadLe32(Read(path).data() + 8));
    }
  }

  void clearHistoryAsksBeforeItForgetsAnInterruptedStep() {
    const QString path = Write(QStringLiteral("cleared.map"));
    const Bytes original = Read(path);
    // A step of this very process left unfinished: no JOV holds the map's
    // writer lock, so nobody is writing it.
    jov::StepWrite write;
    write.offset = 8;
    write.before.assign(original.begin() + 8, original.begin() + 12);
    const unsigned char after[4] = {1, 2, 3, 4};
    write.hasHash = true;
    write.afterSize = 4;
    write.afterHash = jov::RangeHash(after, 4);
    write.lengthBefore = write.lengthAfter = original.size();
    QVERIFY(QDir().mkpath(QString::fromStdString(jov::History::StateDir())));
    {
      jov::HistoryStore store(jov::History::DatabasePath());
      store.BeginStep(jov::History::KeyOf(path.toStdString()), "Insert Data", 0, jov::CurrentProcess(), {write}, 4,
                      [](const jov::StepInfo&) { return false; });
    }
    for (const bool yes : {false, true}) {
      ScriptedDialogs dialogs;
      CMapEditorDlg window(dialogs);
      dialogs.yesNoAnswers.push_back(false);  // not restored when the map opens
      window.OpenArguments({path});
      dialogs.yesNoAnswers.push_back(yes);
      window.SetModalRunner([](QDialog& dialog) {
        dynamic_cast<CHistoryDlg&>(dialog).m_buttonClear->click();
        return QDialog::Rejected;
      });
      window.FindAction(QStringLiteral("History..."))->trigger();
      QCOMPARE(dialogs.questions.size(), std::size_t{2});
      QCOMPARE(dialogs.questions[1], jov::FillText(jov::kClearInterruptedQuestion, {"Insert Data"}));
      QCOMPARE(jov::History(jov::History::DatabasePath()).Steps(path.toStdString()).size(), std::size_t{yes ? 0u : 1u});
      QCOMPARE(Read(path), original);
    }
  }
};

QTEST_MAIN(HistoryMenuTest)
#include "HistoryMenuTest.moc"
