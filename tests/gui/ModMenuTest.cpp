// Tools > Make Mod from Map 1 and Map 2... and File > Apply Mod..., driven
// through the main window: the mod made from the two open maps turns a copy
// of Map 1 into Map 2 field for field, after a preview, as one step.
#include <QtTest>

#include "CApplyModDlg.h"
#include "CMapEditorDlg.h"
#include "CSavePatchDlg.h"
#include <QLineEdit>
#include <QPlainTextEdit>
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "ScriptedDialogs.h"
#include "fields/SampleFields.h"
#include "map/SampleMap.h"
#include "support/FieldEdits.h"

class ModMenuTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;

  std::string Write(const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = m_dir.filePath(QString::fromStdString(name)).toStdString();
    jov::WriteBytesToFile(path, bytes);
    return path;
  }

 private slots:
  void initTestCase() { guitest::UseCNumbers(); }

  void makeModThenApplyItToACopy() {
    jov::DefinitionSet definitions;
    definitions.LoadFolder(jov::BuiltInDefinitionsFolder());
    jov::SampleMapPlan plan = jov::GenerateSampleMap(jov::kVersionPc, 24, 12);
    jov::GiveSampleTagsTheirFields(plan, definitions, 12);
    const auto original = jov::WriteSampleMap(plan);
    const std::string a = Write("a.map", original);
    const std::string b = Write("b.map", jov::testing::WithRandomFieldValues(
                                             a, definitions, {"weap", "eqip", "proj"}, 12, 10));
    const std::string target = Write("target.map", original);
    const std::string modPath = m_dir.filePath(QStringLiteral("rebalance.jovmod")).toStdString();

    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    dialogs.openAnswers.push_back(a);
    guitest::Trigger(window, QStringLiteral("Open Map %1"), window.Panel1());
    dialogs.openAnswers.push_back(b);
    guitest::Trigger(window, QStringLiteral("Open Map %1"), window.Panel2());
    QStringList shown;
    QString preview;
    window.SetModalRunner([&](QDialog& dialog) {
      shown << dialog.windowTitle();
      if (auto* details = qobject_cast<CSavePatchDlg*>(&dialog)) details->m_editTitle->setText(QStringLiteral("Rebalance"));
      if (auto* table = dynamic_cast<CApplyModDlg*>(&dialog); table && table->m_checkPartial)
        preview = table->m_text->toPlainText();
      return int(QDialog::Accepted);
    });
    dialogs.saveAnswers.push_back(modPath);
    window.FindAction(QStringLiteral("Make Mod from Map 1 and Map 2..."))->trigger();
    QCOMPARE(dialogs.messages.size(), std::size_t{1});
    QVERIFY(dialogs.messages[0].find("The mod \"Rebalance\"") == 0);

    // The mod, then the maps; the preview comes before anything is written.
    dialogs.openAnswers.push_back(modPath);
    dialogs.openAnswers.push_back(target);
    window.FindAction(QStringLiteral("Apply Mod..."))->trigger();
    QCOMPARE(shown, QStringList({"Make Mod", "Apply mod Rebalance", "Apply mod Rebalance"}));
    QVERIFY2(preview.contains(QStringLiteral("to be written")), qPrintable(preview));
    QCOMPARE(jov::ReadBytesFromFile(target), jov::ReadBytesFromFile(b));
    const auto steps = window.Edits().Steps(target);
    QCOMPARE(steps.size(), std::size_t{1});
    QCOMPARE(steps[0].label, std::string("Apply mod Rebalance"));
    QCOMPARE(dialogs.fileErrors, std::vector<std::string>{});
  }
};

QTEST_MAIN(ModMenuTest)
#include "ModMenuTest.moc"
