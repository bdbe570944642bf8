// Comparing the two open maps and applying a patch, driven through the main
// window's Tools menu; the modal runner hands each dialog to the test.
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "CApplyPatchDlg.h"
#include "CCompareMapsDlg.h"
#include "CSavePatchDlg.h"
#include <QLineEdit>
#include "CMapEditorDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "compare/Patch.h"
#include "map/SampleMap.h"
#include "platform/MemoryTreeView.h"
#include "support/ModifiedMap.h"

class CompareDialogsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;
  jov::SampleMapPlan m_plan = jov::GenerateSampleMap(jov::kVersionPc, 24, 31);

  std::string Write(const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = m_dir.filePath(QString::fromStdString(name)).toStdString();
    jov::WriteBytesToFile(path, bytes);
    return path;
  }
  void Open(CMapEditorDlg& window, ScriptedDialogs& dialogs, MapPanel& panel, const std::string& path) {
    dialogs.openAnswers.push_back(path);
    guitest::Trigger(window, QStringLiteral("Open Map %1"), panel);
    QVERIFY(panel.Map().m_bOpen);
  }
  std::vector<unsigned char> Modified() const { return jov::testing::ModifyMap(m_plan, {3, 2, false, 0, 31}); }

 private slots:
  void initTestCase() { guitest::UseCNumbers(); }

  void compareListsTagsSelectsThemAndSavesAPatch() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    Open(window, dialogs, window.Panel1(), Write("a.map", jov::WriteSampleMap(m_plan)));
    Open(window, dialogs, window.Panel2(), Write("b.map", Modified()));
    const std::string patchPath = m_dir.filePath(QStringLiteral("mod.json")).toStdString();
    dialogs.saveAnswers.push_back(patchPath);
    int runs = 0;
    window.SetModalRunner([&](QDialog& shown) {
      ++runs;
      // Save as Patch asks title and author before the file is picked.
      if (auto* details = qobject_cast<CSavePatchDlg*>(&shown)) {
        if (details->m_editTitle->text().isEmpty()) return -4;
        details->m_editTitle->setText(QStringLiteral("Red sky"));
        details->m_editAuthor->setText(QStringLiteral("me"));
        return int(QDialog::Accepted);
      }
      auto* dialog = qobject_cast<CCompareMapsDlg*>(&shown);
      if (!dialog) return -1;
      QTableWidget& table = *dialog->Table();
      // One row a changed tag, named as the maps name it.
      if (table.rowCount() != 3) return -2;
      const std::string name = table.item(0, 2)->text().toLatin1().toStdString();
      emit table.cellDoubleClicked(0, 0);
      for (MapPanel* panel : {&window.Panel1(), &window.Panel2()}) {
        const auto index = panel->Map().FindTagByTreeItem(panel->m_treeTags->SelectedItem());
        if (!index || panel->Map().GetTagName(*index) != name) return -3;
      }
      for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Save as Patch...")) button->click();
      return 0;
    });
    QAction* compare = window.FindAction(QStringLiteral("Compare Map 1 with Map 2"));
    QVERIFY(compare);
    compare->trigger();
    QCOMPARE(runs, 2);
    QVERIFY(dialogs.unexpected.empty());
    const jov::Patch patch = jov::ReadPatchFile(patchPath);
    QCOMPARE(patch.tags.size(), std::size_t{3});
    QCOMPARE(patch.title + "/" + patch.author, std::string("Red sky/me"));
    // Where it went is said.
    QCOMPARE(dialogs.messages, std::vector<std::string>{"The patch \"Red sky\" was saved to " + patchPath + "."});
  }

  void applyPatchWritesTheModOrListsConflicts() {
    const std::string original = Write("original.map", jov::WriteSampleMap(m_plan));
    const std::string modified = Write("modified.map", Modified());
    const std::string patchPath = m_dir.filePath(QStringLiteral("apply.json")).toStdString();
    {
      jov::MemoryTreeView treeA, treeB;
      jov::CMapFile a, b;
      a.OpenPath(treeA, original);
      b.OpenPath(treeB, modified);
      jov::WritePatchFile(patchPath, jov::CreatePatch(a, b, "Red sky", "me"));
    }
    const std::string target = Write("target.map", jov::WriteSampleMap(m_plan));

    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    Open(window, dialogs, window.Panel1(), target);
    QStringList titles;
    window.SetModalRunner([&](QDialog& shown) {
      titles << shown.windowTitle();
      shown.accept();
      return shown.result();
    });
    QAction* apply = window.FindAction(QStringLiteral("Apply Patch to Map 1..."));
    QVERIFY(apply);
    dialogs.openAnswers.push_back(patchPath);
    apply->trigger();
    // The map now differs from the one the patch was made from: asked, then verified.
    dialogs.openAnswers.push_back(patchPath);
    dialogs.yesNoAnswers.push_back(true);
    apply->trigger();
    QCOMPARE(dialogs.questions, std::vector<std::string>{jov::kPatchOtherMapQuestion});
    // First the preview, then applied; the second time every change conflicts.
    QCOMPARE(titles, QStringList({"Apply Patch Red sky - target.map", "Apply Patch Red sky - target.map",
                                  "Patch Conflicts - target.map"}));
    QCOMPARE(dialogs.messages, std::vector<std::string>{"Patch applied."});
    QCOMPARE(jov::ReadBytesFromFile(target), jov::ReadBytesFromFile(modified));
    QVERIFY(window.Panel1().Map().m_bOpen);

    // The patch went through the executor: one step, undone byte for byte.
    const auto steps = window.Edits().Steps(target);
    QCOMPARE(steps.size(), std::size_t{1});
    QCOMPARE(steps[0].label, std::string("Apply Patch Red sky"));
    window.UndoAction()->trigger();
    QCOMPARE(jov::ReadBytesFromFile(target), jov::WriteSampleMap(m_plan));
    window.RedoAction()->trigger();
    QCOMPARE(jov::ReadBytesFromFile(target), jov::ReadBytesFromFile(modified));
    QCOMPARE(dialogs.fileErrors, std::vector<std::string>{});
  }
};

QTEST_MAIN(CompareDialogsTest)
#include "CompareDialogsTest.moc"
