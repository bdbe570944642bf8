// A map open read-only: every command that writes it is disabled with the
// reason as its tooltip, and refused with nothing written when it is run
// anyway (a shortcut, a stale menu); the same commands on the writable map in
// the other panel stay enabled.
#include <QAction>
#include <QPushButton>
#include <QtTest>

#include "CMapEditorDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "commands/EditorCommands.h"
#include "map/RealSampleMap.h"
#include "map/ValueText.h"

namespace {

struct Command {
  const char* name;
  // The control of the panel's command, and the command run past it.
  std::function<QObject*(CMapEditorDlg&, MapPanel&)> control;
  std::function<void(CMapEditorDlg&, MapPanel&)> force;
};

QObject* Action(CMapEditorDlg& window, const QString& text) { return window.FindAction(text); }

bool Enabled(QObject* control) {
  if (auto* action = qobject_cast<QAction*>(control)) return action->isEnabled();
  return qobject_cast<QWidget*>(control)->isEnabled();
}

QString ToolTip(QObject* control) {
  if (auto* action = qobject_cast<QAction*>(control)) return action->toolTip();
  return qobject_cast<QWidget*>(control)->toolTip();
}

}  // namespace

class ReadOnlyTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { guitest::UseCNumbers(); }

  // Maps laid out as the game's tools write them open writable; one whose
  // structure BSP list is broken opens read-only and says which error did it.
  void realLayoutMapsOpenWritableAndABrokenOneSaysWhy() {
    QTemporaryDir dir;
    for (const std::uint16_t version : {std::uint16_t{5}, std::uint16_t{7}, std::uint16_t{0x261}}) {
      jov::RealSampleMap real = jov::GenerateRealSampleMap(version, 20, version);
      const std::string good = dir.filePath(QStringLiteral("good%1.map").arg(version)).toStdString();
      jov::WriteBytesToFile(good, real.map);
      // The first BSP's section offset moved past the end of the file.
      const jov::RealTagTruth& scenario = real.truth[0];
      const std::uint32_t list = jov::ReadLe32(real.map.data() + scenario.metaOffset + 0x5A8) - (scenario.base - scenario.metaOffset);
      jov::PutLe32(real.map, list, 0x7FFFFF00);
      const std::string broken = dir.filePath(QStringLiteral("broken%1.map").arg(version)).toStdString();
      jov::WriteBytesToFile(broken, real.map);

      ScriptedDialogs dialogs;
      CMapEditorDlg window(dialogs);
      window.OpenArguments({QString::fromStdString(good), QString::fromStdString(broken)});
      QVERIFY(!window.Panel1().Map().m_bReadOnly);
      QVERIFY(window.Panel2().Map().m_bReadOnly);
      QCOMPARE(dialogs.messages.size(), std::size_t{1});
      QVERIFY2(dialogs.messages[0].find("The first: structure BSP 0: the structure BSP") != std::string::npos, dialogs.messages[0].c_str());
    }
  }

  void everyWritingCommandIsDisabledAndRefusedOnAReadOnlyMap() {
    QTemporaryDir dir;
    const std::string locked = guitest::WriteMap(dir, "locked.map", jov::GenerateSampleMap(7, 6, 3));
    const std::string open = guitest::WriteMap(dir, "open.map", jov::GenerateSampleMap(7, 6, 4));
    const auto before = jov::ReadBytesFromFile(locked);
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    window.OpenArguments({QString::fromStdString(locked), QString::fromStdString(open)});
    MapPanel& p1 = window.Panel1();
    MapPanel& p2 = window.Panel2();
    p1.Map().m_bReadOnly = true;
    for (MapPanel* panel : {&p1, &p2})
      panel->m_treeTags->setCurrentItem(QtTreeView::ItemOf(panel->Map().GetTagEntry(2).hTreeItem));
    QVERIFY(dialogs.Quiet());

    const auto n = [](MapPanel& panel, CMapEditorDlg& w) { return &panel == &w.Panel1() ? 1 : 2; };
    const Command commands[] = {
        {"Save Changes", [](CMapEditorDlg&, MapPanel& p) { return p.m_buttonSaveChanges; },
         [](CMapEditorDlg& w, MapPanel& p) { commands::SaveChanges(w, p); }},
        {"Inject", [](CMapEditorDlg&, MapPanel& p) { return p.m_buttonInject; },
         [](CMapEditorDlg& w, MapPanel& p) { commands::Inject(w, p); }},
        {"Direct Inject", [](CMapEditorDlg&, MapPanel& p) { return p.m_buttonDirectInject; },
         [](CMapEditorDlg& w, MapPanel& p) { commands::DirectInject(w, p); }},
        {"Update Item", [](CMapEditorDlg&, MapPanel& p) { return p.m_buttonUpdateItem; },
         [](CMapEditorDlg& w, MapPanel& p) { commands::UpdateItem(w, p); }},
        {"Insert Data at End",
         [n](CMapEditorDlg& w, MapPanel& p) { return Action(w, QStringLiteral("Insert Data at End of Map %1").arg(n(p, w))); },
         [](CMapEditorDlg& w, MapPanel& p) { commands::InsertDataAtEnd(w, p); }},
        {"Add Tag", [n](CMapEditorDlg& w, MapPanel& p) { return Action(w, QStringLiteral("Add Tag to Map %1").arg(n(p, w))); },
         [](CMapEditorDlg& w, MapPanel& p) { commands::AddTag(w, p); }},
        {"Apply Patch",
         [n](CMapEditorDlg& w, MapPanel& p) { return Action(w, QStringLiteral("Apply Patch to Map %1...").arg(n(p, w))); },
         [](CMapEditorDlg& w, MapPanel& p) { commands::ApplyPatch(w, p); }},
        {"Fix CRC32", [n](CMapEditorDlg& w, MapPanel& p) { return Action(w, QStringLiteral("Fix CRC32 of Map %1").arg(n(p, w))); },
         [](CMapEditorDlg& w, MapPanel& p) { commands::FixCrc(w, p); }},
    };
    for (const Command& command : commands) {
      QObject* control = command.control(window, p1);
      QVERIFY2(control, command.name);
      QVERIFY2(!Enabled(control), command.name);
      QVERIFY2(ToolTip(control).contains(QStringLiteral("locked.map is open read-only")), command.name);
      QVERIFY2(Enabled(command.control(window, p2)), command.name);
      QVERIFY2(!ToolTip(command.control(window, p2)).contains(QStringLiteral("read-only")), command.name);

      dialogs.messages.clear();
      window.RunCommand([&] { command.force(window, p1); });
      QVERIFY2(dialogs.messages == std::vector<std::string>{"This map is open read-only."}, command.name);
      QVERIFY2(dialogs.openRequests.empty() && dialogs.saveRequests.empty() && dialogs.questions.empty(), command.name);
      QVERIFY2(jov::ReadBytesFromFile(locked) == before, command.name);
    }

    // Writable again: enabled, and the tooltips they had are back.
    p1.Map().m_bReadOnly = false;
    window.RunCommand([] {});
    for (const Command& command : commands) {
      QVERIFY2(Enabled(command.control(window, p1)), command.name);
      QCOMPARE(ToolTip(command.control(window, p1)), ToolTip(command.control(window, p2)).replace("Map 2", "Map 1"));
    }
  }
};

QTEST_MAIN(ReadOnlyTest)
#include "ReadOnlyTest.moc"
