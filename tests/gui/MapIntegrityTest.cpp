// The map integrity commands of the Tools menu and Map Info's CRC32 line, driven
// through the main window with the modal runner handing each dialog to the test.
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "CCheckMapDlg.h"
#include "CChooseDlg.h"
#include "CMapEditorDlg.h"
#include "CMapInfoDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "check/MapCheck.h"
#include "check/MapCrc.h"
#include "check/XboxCompression.h"
#include "map/ValueText.h"

namespace {

template <typename Dialog>
void Drive(CMapEditorDlg& window, int& runs, std::function<void(Dialog&)> act) {
  window.SetModalRunner([&runs, act](QDialog& shown) {
    ++runs;
    auto* dialog = qobject_cast<Dialog*>(&shown);
    if (!dialog) {
      qWarning("unexpected dialog %s", shown.metaObject()->className());
      return -1;
    }
    shown.show();
    act(*dialog);
    return shown.result();
  });
}

}  // namespace

class MapIntegrityTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;

  // A sample map whose tag 6 repeats tag 5's identifier, and whose CRC32 is stale.
  std::string BrokenMap(const std::string& name) {
    const jov::SampleMapPlan plan = jov::GenerateSampleMap(jov::kVersionPc, 12, 5);
    const jov::SampleLayout layout = jov::LayoutOf(plan);
    std::vector<unsigned char> bytes = jov::WriteSampleMap(plan);
    jov::PutLe32(bytes, layout.firstEntry + 32 * 6 + 0x0C, plan.tags[5].identifier);
    const std::string path = m_dir.filePath(QString::fromStdString(name)).toStdString();
    jov::WriteBytesToFile(path, bytes);
    return path;
  }
  void Open(CMapEditorDlg& window, ScriptedDialogs& dialogs, MapPanel& panel, const std::string& path) {
    dialogs.openAnswers.push_back(path);
    guitest::Trigger(window, QStringLiteral("Open Map %1"), panel);
    QVERIFY(panel.Map().m_bOpen);
  }

 private slots:
  void initTestCase() {
    guitest::UseCNumbers();
    QVERIFY(m_dir.isValid());
  }

  void checkMapListsFindingsAndADoubleClickSelectsTheTag() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& panel = window.Panel2();
    Open(window, dialogs, panel, BrokenMap("check.map"));
    const jov::CheckReport report = jov::CheckMap(panel.Map());
    int runs = 0;
    Drive<CCheckMapDlg>(window, runs, [&](CCheckMapDlg& dialog) {
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Check Map 2 - check.map"));
      QCOMPARE(dialog.m_table->rowCount(), static_cast<int>(report.findings.size()));
      QCOMPARE(dialog.m_summary->text(), QString::fromStdString(jov::SummaryLine(report)));
      int row = -1;
      for (int r = 0; r < dialog.m_table->rowCount(); ++r)
        if (dialog.m_table->item(r, 2)->text().contains(QStringLiteral("is also tag 5's"))) row = r;
      QVERIFY(row >= 0);
      QCOMPARE(dialog.m_table->item(row, 0)->text(), QStringLiteral("warning"));
      QVERIFY(dialog.m_table->item(row, 1)->text().startsWith(QStringLiteral("tag 6 ")));
      emit dialog.m_table->cellDoubleClicked(row, 1);
      dialog.reject();
    });
    QVERIFY(window.FindAction(QStringLiteral("Check Map 2")));
    window.FindAction(QStringLiteral("Check Map 2"))->trigger();
    QCOMPARE(runs, 1);
    QCOMPARE(panel.m_treeTags->SelectedItem(), panel.Map().m_tags[6].hTreeItem);
    QVERIFY(dialogs.Quiet());
  }

  void everyOpenIsCheckedAndAMapWithAnErrorStaysReadOnly() {
    // An EoF Position past the file's end is an error; a compressed Xbox map is
    // offered for decompression beside it.
    const jov::SampleMapPlan plan = jov::GenerateSampleMap(jov::kVersionPc, 8, 2);
    std::vector<unsigned char> bytes = jov::WriteSampleMap(plan);
    jov::PutLe32(bytes, 0x08, 0x80000010u);
    const std::string broken = m_dir.filePath(QStringLiteral("eof.map")).toStdString();
    jov::WriteBytesToFile(broken, bytes);
    const std::string plain = m_dir.filePath(QStringLiteral("plain.map")).toStdString();
    jov::WriteBytesToFile(plain, jov::WriteSampleMap(jov::GenerateSampleMap(jov::kVersionXbox, 8, 2)));
    const std::string compressed = m_dir.filePath(QStringLiteral("shipped.map")).toStdString();
    jov::CompressXboxMap(plain, compressed);

    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    Open(window, dialogs, window.Panel1(), broken);
    QVERIFY(window.Panel1().Map().m_bReadOnly);
    QCOMPARE(dialogs.messages.size(), std::size_t{1});
    QVERIFY(window.PanelStatus(window.Panel1()).contains(QStringLiteral("read-only, 1 error")));
    const auto before = jov::ReadBytesFromFile(broken);
    window.FindAction(QStringLiteral("Fix CRC32 of Map 1"))->trigger();
    QCOMPARE(jov::ReadBytesFromFile(broken), before);

    dialogs.yesNoAnswers.push_back(true);
    QVERIFY(window.OpenMapPath(window.Panel2(), QString::fromStdString(compressed)));
    QCOMPARE(dialogs.questions.size(), std::size_t{1});
    QVERIFY(dialogs.questions[0].find("compressed Xbox map") != std::string::npos);
    QCOMPARE(QFileInfo(QFile::decodeName(window.Panel2().Map().m_strPath.c_str())).fileName(),
             QStringLiteral("shipped.decompressed.map"));
    QCOMPARE(jov::ReadBytesFromFile(window.Panel2().Map().m_strPath), jov::ReadBytesFromFile(plain));
    QVERIFY(!window.Panel2().Map().m_bReadOnly);
  }

  void fixCrcWritesTheComputedValueAndMapInfoShowsBoth() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& panel = window.Panel1();
    const std::string path = BrokenMap("crc.map");
    Open(window, dialogs, panel, path);
    int runs = 0;
    QString shown;
    Drive<CMapInfoDlg>(window, runs, [&](CMapInfoDlg& dialog) {
      shown = dialog.m_editCrc->text();
      dialog.m_buttonClose->click();
    });
    guitest::Trigger(window, QStringLiteral("Map %1 Info"), panel);
    const jov::CrcValues before = jov::MapCrcValues(panel.Map());
    QVERIFY(before.stored != before.computed);
    QVERIFY(shown.contains(QStringLiteral("they differ")));

    window.FindAction(QStringLiteral("Fix CRC32 of Map 1"))->trigger();
    QCOMPARE(dialogs.messages.size(), std::size_t{1});
    const auto bytes = jov::ReadBytesFromFile(path);
    QCOMPARE(jov::ReadLe32(bytes.data() + 0x64), before.computed);
    guitest::Trigger(window, QStringLiteral("Map %1 Info"), panel);
    QVERIFY(shown.contains(QStringLiteral("they match")));
    QCOMPARE(runs, 2);
  }

  void mapInfoAsksBeforeAHeaderThatAddsAnError() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& panel = window.Panel1();
    const std::string path = BrokenMap("header.map");
    Open(window, dialogs, panel, path);
    const auto before = jov::ReadBytesFromFile(path);
    int runs = 0;
    // An EoF Position past the file's end: the map still reads, but writes at its end would not.
    const QString eof = QStringLiteral("80000010");
    Drive<CMapInfoDlg>(window, runs, [&eof](CMapInfoDlg& dialog) {
      dialog.Field(jov::MapInfoField::EofPosition)->setText(eof);
      dialog.m_buttonSaveChanges->click();
      dialog.m_buttonClose->click();
    });
    dialogs.yesNoAnswers.push_back(false);
    guitest::Trigger(window, QStringLiteral("Map %1 Info"), panel);
    QCOMPARE(dialogs.questions.size(), std::size_t{1});
    QVERIFY(dialogs.questions[0].find("EoF Position 0x" + eof.toStdString() + " lies past 0x7FFFFFFF") != std::string::npos);
    QCOMPARE(jov::ReadBytesFromFile(path), before);

    dialogs.yesNoAnswers.push_back(true);
    guitest::Trigger(window, QStringLiteral("Map %1 Info"), panel);
    QCOMPARE(dialogs.questions.size(), std::size_t{2});
    QCOMPARE(jov::ReadLe32(jov::ReadBytesFromFile(path).data() + 0x08), 0x80000010u);
    QVERIFY(dialogs.fileErrors.empty());
    QCOMPARE(runs, 2);
  }

  void aRiskyWriteAsksWithNoAsTheDefault() {
    CChooseDlg plain;
    QVERIFY(plain.m_buttonYes->isDefault());
    CChooseDlg risky;
    risky.MakeNoDefault();
    QVERIFY(risky.m_buttonNo->isDefault());
    QVERIFY(!risky.m_buttonYes->isDefault());
    risky.show();
    QTest::keyClick(&risky, Qt::Key_Return);
    QCOMPARE(risky.result(), int(QDialog::Rejected));
  }
};

QTEST_MAIN(MapIntegrityTest)
#include "MapIntegrityTest.moc"
