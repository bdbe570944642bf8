// The menu table as the window builds it: every command entry has its action,
// and an entry that needs a map in a panel can run exactly while that panel
// holds one (and, when it writes, while that map is writable).
#include <QAction>
#include <QtTest>

#include "CMapEditorDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "ScriptedDialogs.h"
#include "commands/MenuTable.h"

class MenuTableTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { guitest::UseCNumbers(); }

  void eachCommandIsEnabledByTheMapItNeeds() {
    QTemporaryDir dir;
    const QString maps[] = {QString::fromStdString(guitest::WriteMap(dir, "one.map", jov::GenerateSampleMap(7, 6, 1))),
                            QString::fromStdString(guitest::WriteMap(dir, "two.map", jov::GenerateSampleMap(7, 6, 2)))};
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);

    // Which panels hold a map, and whether Map 1's is read-only; each row is
    // reached from the one before.
    struct Row {
      const char* name;
      bool open[2];
      bool readOnly1;
    };
    const Row rows[] = {
        {"no map", {false, false}, false},
        {"Map 1", {true, false}, false},
        {"Map 2", {false, true}, false},
        {"both", {true, true}, false},
        {"both, Map 1 read-only", {true, true}, true},
    };
    for (const Row& row : rows) {
      for (int n = 1; n <= 2; ++n) {
        MapPanel& panel = window.Panel(n);
        if (row.open[n - 1] && !panel.Map().m_bOpen) QVERIFY(window.OpenMapPath(panel, maps[n - 1]));
        if (!row.open[n - 1] && panel.Map().m_bOpen) guitest::Trigger(window, QStringLiteral("Close Map %1"), panel);
      }
      window.Panel(1).Map().m_bReadOnly = row.readOnly1;
      window.RunCommand([] {});  // the window brings its actions up to date after a command
      QVERIFY2(dialogs.Quiet(), row.name);

      for (const MenuEntry& entry : MenuTable()) {
        if (entry.kind != MenuEntry::Kind::Command) continue;
        QString text = entry.text;
        text.remove(u'&');
        const QByteArray what = QByteArray(row.name) + ": " + text.toUtf8();
        const QAction* action = window.FindAction(text);
        QVERIFY2(action, what.constData());
        QVERIFY2(action->shortcut() == entry.shortcut, what.constData());
        const int n = PanelNeeded(entry.needs);
        // The map it needs is the one it names: "Close Map 2" needs Map 2's.
        QVERIFY2(n == 0 || text.contains(QStringLiteral("Map %1").arg(n)), what.constData());
        const bool runs = n == 0 || (row.open[n - 1] && !(entry.writes && n == 1 && row.readOnly1));
        QVERIFY2(action->isEnabled() == runs, what.constData());
      }
    }
  }

  void everyPanelTriggerRunsOneCommand() {
    // A trigger missing from the table is a button that does nothing; one
    // listed twice runs two commands on one click.
    constexpr int kTriggers = static_cast<int>(MapPanel::Trigger::OpenTagInHexEditor) + 1;  // the last one
    int listed[kTriggers] = {};
    for (const PanelEntry& entry : PanelTable()) {
      QVERIFY(entry.command);
      ++listed[static_cast<int>(entry.trigger)];
    }
    for (int trigger = 0; trigger < kTriggers; ++trigger)
      QVERIFY2(listed[trigger] == 1, qPrintable(QStringLiteral("trigger %1").arg(trigger)));
  }
};

QTEST_MAIN(MenuTableTest)
#include "MenuTableTest.moc"
