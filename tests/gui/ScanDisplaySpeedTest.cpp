// How long "Scan Metadata" takes to show 100,000 result lines (a 100,000-byte
// tag of 0x01 bytes with Shorts checked: one hit a byte), from the click to the
// filled tree. Printed for the record; the lines' count and order are checked.
#include <QElapsedTimer>
#include <QPushButton>
#include <QtTest>
#include <algorithm>

#include "CMapEditorDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "platform/AlphaOrder.h"

class ScanDisplaySpeedTest : public QObject {
  Q_OBJECT

 private slots:
  void showsAHundredThousandLines() {
    guitest::UseCNumbers();
    QTemporaryDir dir;
    jov::SampleMapSpec spec;
    spec.tags = {guitest::Tag("weap", "weapons\\shorts", 0xE1A20001), guitest::Tag("weap", "zeta", 0xE1A30002)};
    spec.tags[0].meta.assign(100000, 0x01);
    const std::string path = guitest::WriteMap(dir, "shorts.map", spec);

    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MapPanel& p = window.Panel1();
    dialogs.openAnswers.push_back(path);
    window.RunCommand([&] { window.OnOpenMap(p); });
    p.m_treeTags->setCurrentItem(QtTreeView::ItemOf(p.Map().GetTagEntry(0).hTreeItem));
    for (QPushButton* off : {p.m_checkDependencies, p.m_checkReflexives, p.m_checkLoneIDs}) off->setChecked(false);
    p.m_checkShorts->setChecked(true);

    std::vector<double> ms;
    for (int round = 0; round < 3; ++round) {
      QElapsedTimer timer;
      timer.start();
      p.m_buttonScanMetadata->click();
      QCoreApplication::processEvents();  // the tree lays out and paints its lines
      ms.push_back(timer.nsecsElapsed() / 1e6);
      QCOMPARE(p.m_treeScanResults->topLevelItemCount(), 100000);
    }
    QVERIFY(dialogs.Quiet());
    std::sort(ms.begin(), ms.end());
    qInfo("Scan Metadata showing 100,000 lines: best %.1f ms, median %.1f ms, worst %.1f ms", ms.front(), ms[1],
          ms.back());

    std::vector<std::string> lines;
    for (int i = 0; i < p.m_treeScanResults->topLevelItemCount(); ++i)
      lines.push_back(guitest::Bytes(p.m_treeScanResults->topLevelItem(i)->text(0)));
    QVERIFY(std::is_sorted(lines.begin(), lines.end(), jov::AlphaLess));
    QCOMPARE(lines.front(), std::string("Short -- 0x00000000 -- 1"));
    QCOMPARE(lines.back(), std::string("Short -- 0x0001869f -- 1"));

    // The last line still reaches its own record.
    p.m_treeScanResults->setCurrentItem(p.m_treeScanResults->topLevelItem(99999));
    QCOMPARE(p.m_scanner.Current().nPos, 199998);
  }
};

QTEST_MAIN(ScanDisplaySpeedTest)
#include "ScanDisplaySpeedTest.moc"
