// The Tools menu dialogs and the hex editor driven through the main window's
// commands: the window's modal runner hands each dialog to the test, which acts
// on its widgets and returns its result, so no test waits in exec().
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "CGuerillaConvertDlg.h"
#include "CHexEditDlg.h"
#include "CHexFloatDlg.h"
#include "CMapBuilderDlg.h"
#include "CMapEditorDlg.h"
#include "CMapInfoDlg.h"
#include "CReflexiveCalcDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "SortedComboBox.h"
#include "builder/MapBuilder.h"
#include "commands/EditorCommands.h"
#include "map/FieldText.h"
#include "map/ValueText.h"
#include "tools/HexEditorText.h"

using guitest::Bytes;
using jov::MapInfoField;

namespace {

jov::SampleMapPlan SmallMap(std::uint16_t version) {
  jov::SampleMapPlan plan;
  plan.version = version;
  plan.tags = {guitest::Tag("weap", "weapons\\pistol", 0xE1F40038), guitest::Tag("bitm", "shared\\name", 0xE1F50039),
               guitest::Tag("weap", "weapons\\last", 0xE1F6003A)};
  for (std::size_t i = 0; i < plan.tags[0].meta.size(); ++i) plan.tags[0].meta[i] = static_cast<unsigned char>(i * 7);
  return plan;
}

// Hands the next modal dialog of type Dialog to act, shown, and returns its result;
// counts the dialogs run (a dialog of another type fails the test).
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

std::vector<unsigned char> Slice(const std::vector<unsigned char>& bytes, std::size_t at, std::size_t n) {
  return {bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + n)};
}

}  // namespace

class ToolDialogsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;

  std::string FreshMap(const std::string& name, std::uint16_t version = 7) {
    return guitest::WriteMap(m_dir, name, SmallMap(version));
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

  void mapInfoWritesOnlyAfterSaveChanges() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& panel = window.Panel2();
    int runs = 0;

    // No map in the panel: nothing to save.
    Drive<CMapInfoDlg>(window, runs, [](CMapInfoDlg& dialog) {
      QVERIFY(!dialog.m_buttonSaveChanges->isEnabled());
      QVERIFY(dialog.m_buttonClose->isDefault());
      QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
      dialog.m_buttonClose->click();
    });
    // The command as such: its menu item is disabled without a map.
    window.RunCommand([&] { commands::MapInfo(window, panel); });
    QCOMPARE(runs, 1);

    const std::string path = FreshMap("info.map");
    Open(window, dialogs, panel, path);
    const auto before = jov::ReadBytesFromFile(path);

    // Edits, then "&Close": read back, nothing written.
    Drive<CMapInfoDlg>(window, runs, [](CMapInfoDlg& dialog) {
      QCOMPARE(dialog.Field(MapInfoField::MapName)->text(), QStringLiteral("bloodgulch"));
      dialog.Field(MapInfoField::MapName)->setText(QStringLiteral("other"));
      dialog.Field(MapInfoField::Version)->setText(QStringLiteral("5"));
      dialog.m_buttonClose->click();
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
    });
    guitest::Trigger(window, QStringLiteral("Map %1 Info"), panel);
    QCOMPARE(jov::ReadBytesFromFile(path), before);

    // "&Save Changes" stops at a Tag Count that is not an integer (the fields
    // before it are taken) with the focus on it; fixed and saved again, then
    // further edits and Escape: the values of the last save are written.
    Drive<CMapInfoDlg>(window, runs, [&](CMapInfoDlg& dialog) {
      QLineEdit* tagCount = dialog.Field(MapInfoField::TagCount);
      dialog.Field(MapInfoField::MapName)->setText(QStringLiteral("short"));
      tagCount->setText(QStringLiteral("abc"));
      dialog.m_buttonSaveChanges->click();
      QCOMPARE(dialogs.valueErrors, std::vector<std::string>{jov::kEnterInteger});
      QCOMPARE(dialog.focusWidget(), tagCount);
      tagCount->setText(QStringLiteral("3"));
      dialog.m_buttonSaveChanges->click();
      QVERIFY(dialog.isVisible());
      dialog.Field(MapInfoField::MapName)->setText(QStringLiteral("not saved"));
      QTest::keyClick(&dialog, Qt::Key_Escape);
      QVERIFY(!dialog.isVisible());
    });
    guitest::Trigger(window, QStringLiteral("Map %1 Info"), panel);
    QCOMPARE(runs, 3);
    const auto after = jov::ReadBytesFromFile(path);
    std::vector<unsigned char> name(32, 0);
    std::copy_n("short", 5, name.begin());
    QCOMPARE(Slice(after, 0x20, 32), name);
    // Only the name changed; the map was re-read and the caption set again.
    std::vector<unsigned char> expected = before;
    std::copy(name.begin(), name.end(), expected.begin() + 0x20);
    QCOMPARE(after, expected);
    QCOMPARE(panel.Map().GetHeaderInfo().m_strMapName, std::string("short"));
    QCOMPARE(panel.m_editCaption->text(), QString::fromStdString(panel.Map().GetHeaderInfo().m_strNickname));
    QCOMPARE(panel.m_treeTags->topLevelItemCount() > 0, true);
  }

  void hexEditorSavesThroughTheCoreAndKeepsRefusedTexts() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& panel = window.Panel1();
    const std::string path = FreshMap("hex.map");
    Open(window, dialogs, panel, path);
    const auto before = jov::ReadBytesFromFile(path);
    const std::size_t meta0 = jov::LayoutOf(SmallMap(7)).metaOffsets[0];
    int runs = 0;

    // A class group opens nothing.
    Drive<CHexEditDlg>(window, runs, [](CHexEditDlg&) {});
    QTreeWidgetItem* tag0 = QtTreeView::ItemOf(panel.Map().GetTagEntry(0).hTreeItem);
    panel.m_treeTags->setCurrentItem(tag0->parent());
    emit panel.m_treeTags->itemDoubleClicked(tag0->parent(), 0);
    QCOMPARE(runs, 0);

    // The spaced text of the tag's 16 bytes; an odd count of digits is refused
    // and the editor stays open with the text; the original text saves
    // byte-identically.
    Drive<CHexEditDlg>(window, runs, [&](CHexEditDlg& dialog) {
      // In rows of 16 bytes: the 16th pair is followed by a line break.
      const std::string shown = dialog.Text();
      std::string spaced = jov::SpacedHexOfBytes(before.data() + meta0, 16);
      spaced.back() = '\n';
      QCOMPARE(shown, spaced);
      QVERIFY(dialog.m_buttonDontSave->isDefault());
      dialog.m_editText->setPlainText(QString::fromStdString(shown.substr(1)));
      dialog.m_buttonSave->click();
      QCOMPARE(dialogs.messages, std::vector<std::string>{jov::kHexTextOddDigits});
      QVERIFY(dialog.isVisible());
      QCOMPARE(jov::ReadBytesFromFile(path), before);
      dialog.m_editText->setPlainText(QString::fromStdString(shown));
      dialog.m_buttonSave->click();
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
    });
    panel.m_treeTags->setCurrentItem(tag0);
    emit panel.m_treeTags->itemDoubleClicked(tag0, 0);
    QCOMPARE(runs, 1);
    QCOMPARE(jov::ReadBytesFromFile(path), before);

    // An edited byte, with a line break typed in, is written in place.
    Drive<CHexEditDlg>(window, runs, [&](CHexEditDlg& dialog) {
      dialog.m_editText->setPlainText(QStringLiteral("ff\n") + dialog.m_editText->toPlainText().mid(3));
      dialog.m_buttonSave->click();
    });
    emit panel.m_treeTags->itemDoubleClicked(tag0, 0);
    std::vector<unsigned char> expected = before;
    expected[meta0] = 0xFF;
    QCOMPARE(jov::ReadBytesFromFile(path), expected);
  }

  void insertDataAppendsTheTypedBytesAndReloads() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& panel = window.Panel2();
    int runs = 0;
    // No map: refused before the editor opens (the command run as such: its
    // menu item is disabled).
    Drive<CHexEditDlg>(window, runs, [](CHexEditDlg&) {});
    window.RunCommand([&] { commands::InsertDataAtEnd(window, panel); });
    QCOMPARE(runs, 0);
    QCOMPARE(dialogs.messages.size(), std::size_t{1});

    const std::string path = FreshMap("insert.map");
    Open(window, dialogs, panel, path);
    const auto before = jov::ReadBytesFromFile(path);
    const std::uint32_t p = jov::LayoutOf(SmallMap(7)).eofPosition;
    Drive<CHexEditDlg>(window, runs, [](CHexEditDlg& dialog) {
      QCOMPARE(dialog.Text(), std::string());
      dialog.m_editText->setPlainText(QStringLiteral("0a 0b\n0c"));
      dialog.m_buttonSave->click();
    });
    guitest::Trigger(window, QStringLiteral("Insert Data at End of Map %1"), panel);
    QCOMPARE(runs, 1);
    const auto after = jov::ReadBytesFromFile(path);
    std::vector<unsigned char> expected = before;
    expected.resize(p + 4, 0);
    expected[p] = 0x0A;
    expected[p + 1] = 0x0B;
    expected[p + 2] = 0x0C;
    jov::PutLe32(expected, 0x08, p + 4);
    QCOMPARE(after, expected);
    // Re-read: the model has the new EoF Position and the tree is filled again.
    QCOMPARE(jov::HexToUInt(panel.Map().m_strEofPosition), p + 4);
    QVERIFY(panel.m_treeTags->topLevelItemCount() > 0);
  }

  void addTagThroughTheMapBuilder() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    MapPanel& panel = window.Panel1();
    // The index declares one entry fewer than it holds, as in a map that had a tag
    // taken out: the new entry has a free slot and no question is asked.
    jov::SampleMapPlan plan = SmallMap(7);
    plan.tags.push_back(guitest::Tag("weap", "taken\\out", 0xE1F7003B));
    auto bytes = jov::WriteSampleMap(plan);
    jov::PutLe16(bytes, plan.indexOffset + 0x0C, 3);
    const std::string path = m_dir.filePath("add.map").toStdString();
    jov::WriteBytesToFile(path, bytes);
    const std::string metaPath = m_dir.filePath("new.meta").toStdString();
    jov::WriteBytesToFile(metaPath, std::vector<unsigned char>(1000, 0x5A));
    Open(window, dialogs, panel, path);
    const auto before = jov::ReadBytesFromFile(path);
    int runs = 0;

    // "Cancel" after filling in the fields: the map unchanged and still open.
    Drive<CMapBuilderDlg>(window, runs, [](CMapBuilderDlg& dialog) {
      dialog.m_editTagName->setText(QStringLiteral("never"));
      dialog.m_buttonCancel->click();
    });
    guitest::Trigger(window, QStringLiteral("Add Tag to Map %1"), panel);
    QCOMPARE(runs, 1);
    QCOMPARE(jov::ReadBytesFromFile(path), before);
    QVERIFY(panel.Map().m_bOpen);
    QCOMPARE(panel.m_editCaption->text().isEmpty(), false);

    // The combos start on no class; a five-character class is refused and the
    // dialog stays; then a name, a class and the tag file are given.
    dialogs.openAnswers.push_back(metaPath);
    Drive<CMapBuilderDlg>(window, runs, [&](CMapBuilderDlg& dialog) {
      QVERIFY(dialog.m_buttonAddTag->isDefault());
      for (SortedComboBox* combo : dialog.m_comboClass) {
        QCOMPARE(combo->count(), 80);
        QCOMPARE(combo->Text(), jov::kNoClass);
      }
      // Nothing given yet: what is missing is said, and the dialog stays.
      dialog.m_buttonAddTag->click();
      QCOMPARE(dialogs.messages, std::vector<std::string>{"Add Tag needs a tag file (Load Tag) and a tag name."});
      QVERIFY(dialog.isVisible() && dialog.result() != QDialog::Accepted);
      dialogs.messages.clear();
      dialog.m_buttonLoadTag->click();
      QCOMPARE(dialogs.openRequests.back().filter, jov::kLoadTagDialog.filter);
      QCOMPARE(Bytes(dialog.m_editTagFile->text()), metaPath);
      dialog.m_editTagName->setText(QStringLiteral("weapons\\added"));
      dialog.m_comboClass[0]->setEditText(QStringLiteral("weapo"));
      dialog.m_buttonAddTag->click();
      QCOMPARE(dialogs.valueErrors, std::vector<std::string>{jov::EnterNoMoreThan(4)});
      QVERIFY(dialog.isVisible());
      dialog.m_comboClass[0]->setEditText(QStringLiteral("weap"));
      dialog.m_buttonAddTag->click();
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
    });
    guitest::Trigger(window, QStringLiteral("Add Tag to Map %1"), panel);
    QVERIFY(dialogs.messages.empty() && dialogs.fileErrors.empty() && dialogs.questions.empty());
    // Added: the map is closed and the panel shows no map.
    QVERIFY(!panel.Map().m_bOpen);
    QCOMPARE(panel.m_treeTags->topLevelItemCount(), 0);
    QVERIFY(panel.m_editCaption->text().isEmpty());

    Open(window, dialogs, panel, path);
    QCOMPARE(panel.Map().m_nTagCount, 4);
    const jov::TagEntry added = panel.Map().GetTagEntry(3);
    QCOMPARE(added.strName, std::string("weapons\\added"));
    QCOMPARE(added.strClass1, std::string("weap"));
    QCOMPARE(added.strClass2, jov::kNoClass);
    QCOMPARE(added.strIdentifier, std::string("e1f7003b"));
  }

  void calculatorsConvertTheExamples() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    int runs = 0;
    Drive<CHexFloatDlg>(window, runs, [&](CHexFloatDlg& dialog) {
      QCOMPARE(dialog.m_editHex->text(), QStringLiteral("00000000"));
      dialog.m_editHex->setText(QStringLiteral("3f800000"));
      dialog.m_buttonHexToFloat->click();
      QCOMPARE(dialog.m_editFloat->text(), QStringLiteral("1"));
      // A float that does not parse: refused, the hex text not read, the
      // conversion goes on with the values as they stood.
      dialog.m_editFloat->setText(QStringLiteral("one"));
      dialog.m_editHex->setText(QStringLiteral("40490fdb"));
      dialog.m_buttonHexToFloat->click();
      QCOMPARE(dialogs.valueErrors, std::vector<std::string>{jov::kEnterNumber});
      QCOMPARE(dialog.m_editFloat->text(), QStringLiteral("1"));
      QCOMPARE(dialog.m_editHex->text(), QStringLiteral("3f800000"));
      dialog.m_buttonClose->click();
    });
    guitest::Trigger(window, QStringLiteral("Hex Float Calculator"));

    Drive<CReflexiveCalcDlg>(window, runs, [](CReflexiveCalcDlg& dialog) {
      dialog.m_editOffset->setText(QStringLiteral("1000"));
      dialog.m_editMagic->setFocus();
      QTest::keyClicks(dialog.m_editMagic, QStringLiteral("803a5000"));
      QCOMPARE(dialog.m_editMagic->text(), QStringLiteral("803A5000"));
      dialog.m_buttonOffsetToReflexive->click();
      QCOMPARE(dialog.m_editReflexive->text(), QStringLiteral("00603a80"));
      dialog.m_editReflexive->setText(QStringLiteral("00 60 3A 80"));
      dialog.m_editOffset->clear();
      dialog.m_buttonReflexiveToOffset->click();
      QCOMPARE(dialog.m_editOffset->text(), QStringLiteral("1000"));
      QCOMPARE(dialog.m_editReflexive->text(), QStringLiteral("00603A80"));
    });
    guitest::Trigger(window, QStringLiteral("Reflexive Calculator"));
    QCOMPARE(runs, 2);
  }

  void guerillaConvertsThroughTheScriptedPickers() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    const std::string input = m_dir.filePath("tag.guerilla").toStdString();
    const std::string output = m_dir.filePath("tag.meta").toStdString();
    std::vector<unsigned char> tag(64, 0xEE);
    for (const unsigned char b : {0x00, 0x00, 0x00, 0x01, 0x3F, 0x80, 0x00, 0x00}) tag.push_back(b);
    jov::WriteBytesToFile(input, tag);
    dialogs.openAnswers.push_back(input);
    dialogs.saveAnswers.push_back(output);
    int runs = 0;
    Drive<CGuerillaConvertDlg>(window, runs, [&](CGuerillaConvertDlg& dialog) {
      QVERIFY(dialog.m_buttonConvert->isDefault());
      dialog.m_buttonInput->click();
      dialog.m_buttonOutput->click();
      QCOMPARE(dialogs.openRequests.back().filter, jov::kGuerillaInputDialog.filter);
      QCOMPARE(dialogs.saveRequests.back().filter, jov::kGuerillaOutputDialog.filter);
      QCOMPARE(Bytes(dialog.m_editInput->text()), input);
      QCOMPARE(Bytes(dialog.m_editOutput->text()), output);
      // An empty K is refused and the conversion goes on with K = 4.
      dialog.m_editShortLimit->clear();
      dialog.m_buttonConvert->click();
      QCOMPARE(dialogs.valueErrors, std::vector<std::string>{jov::kEnterPositiveInteger});
      QCOMPARE(dialog.Options().shortLimit, 4u);
      QCOMPARE(jov::ReadBytesFromFile(output),
               (std::vector<unsigned char>{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F}));
      // "Close" reads the fields too, and stays open on the empty K.
      dialog.m_buttonClose->click();
      QVERIFY(dialog.isVisible());
      dialog.m_editShortLimit->setText(QStringLiteral("4"));
      dialog.m_buttonClose->click();
      QVERIFY(!dialog.isVisible());
    });
    guitest::Trigger(window, QStringLiteral("Guerilla Tag Converter"));
    QCOMPARE(runs, 1);
  }
};

QTEST_MAIN(ToolDialogsTest)
#include "ToolDialogsTest.moc"
