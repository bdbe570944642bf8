// How long the hex editor takes to open a 1,000,000-byte tag (3,000,000
// characters) and to save it, through the tag tree's double-click and the
// editor's "Save". Printed for the record; the target is at most 1 s each.
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QtTest>
#include <algorithm>

#include "CHexEditDlg.h"
#include "CMapEditorDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"

class HexEditorSpeedTest : public QObject {
  Q_OBJECT

 private slots:
  void openAndSaveAMillionByteTag() {
    guitest::UseCNumbers();
    QTemporaryDir dir;
    jov::SampleMapPlan plan;
    plan.tags = {guitest::Tag("bitm", "big", 0xE0000000), guitest::Tag("weap", "last", 0xE0010001)};
    plan.tags[0].meta.resize(1000000);
    for (std::size_t i = 0; i < plan.tags[0].meta.size(); ++i)
      plan.tags[0].meta[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
    const std::string path = guitest::WriteMap(dir, "big.map", plan);
    const auto before = jov::ReadBytesFromFile(path);

    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MapPanel& panel = window.Panel1();
    dialogs.openAnswers.push_back(path);
    guitest::Trigger(window, QStringLiteral("Open Map %1"), panel);
    QTreeWidgetItem* item = QtTreeView::ItemOf(panel.Map().GetTagEntry(0).hTreeItem);
    panel.m_treeTags->setCurrentItem(item);

    std::vector<double> opens;
    std::vector<double> saves;
    QElapsedTimer timer;
    window.SetModalRunner([&](QDialog& shown) {
      auto& dialog = dynamic_cast<CHexEditDlg&>(shown);
      // Open: from the double-click until the editor is on screen and painted.
      dialog.show();
      if (!QTest::qWaitForWindowExposed(&dialog)) return -1;
      dialog.m_editText->viewport()->repaint();
      opens.push_back(timer.nsecsElapsed() / 1e6);
      if (dialog.m_editText->document()->characterCount() != 3000001) return -1;
      // The first byte typed over, so that the save has something to write.
      QTextCursor cursor(dialog.m_editText->document());
      cursor.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 2);
      cursor.insertText(QStringLiteral("5a"));
      timer.restart();
      dialog.m_buttonSave->click();
      saves.push_back(timer.nsecsElapsed() / 1e6);
      return dialog.result();
    });
    for (int round = 0; round < 3; ++round) {
      timer.start();
      emit panel.m_treeTags->itemDoubleClicked(item, 0);
    }
    QCOMPARE(opens.size(), std::size_t{3});
    QCOMPARE(saves.size(), std::size_t{3});
    QVERIFY(dialogs.Quiet());
    std::vector<unsigned char> expected = before;
    expected[jov::LayoutOf(plan).metaOffsets[0]] = 0x5A;
    QCOMPARE(jov::ReadBytesFromFile(path), expected);
    std::sort(opens.begin(), opens.end());
    std::sort(saves.begin(), saves.end());
    qInfo("hex editor, 1,000,000-byte tag: open best %.1f ms, worst %.1f ms; save best %.1f ms, worst %.1f ms",
          opens.front(), opens.back(), saves.front(), saves.back());
  }
};

QTEST_MAIN(HexEditorSpeedTest)
#include "HexEditorSpeedTest.moc"
