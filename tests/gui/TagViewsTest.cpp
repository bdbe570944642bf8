// The views of the selected tag below Tag Information: a field edited in place
// through the Fields view (one step, exactly its bytes, undone by Undo), the
// References view (who uses the tag, and the jump there), Back and Forward
// through the jumps, and the user's definitions folder.
#include <QAction>
#include <QDoubleSpinBox>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>
#include <QTreeWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include "CMapEditorDlg.h"
#include "FieldsEditor.h"
#include "FieldsView.h"
#include "FieldsWindow.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "support/FieldsMap.h"

using Bytes = std::vector<unsigned char>;
using jov::testing::FieldsMap;

namespace {

// The Value cell of the field at path, searched through every row of the view.
QModelIndex ValueCell(const FieldsView& view, const QString& path, const QModelIndex& parent = {}) {
  const QAbstractItemModel* model = view.View()->model();
  for (int row = 0; row < model->rowCount(parent); ++row) {
    const QModelIndex value = model->index(row, FieldsView::kValue, parent);
    if (value.data(FieldsView::kPathRole).toString() == path) return value;
    const QModelIndex found = ValueCell(view, path, model->index(row, 0, parent));
    if (found.isValid()) return found;
  }
  return {};
}

QString Shown(const FieldsView& view, const QString& path) { return ValueCell(view, path).data().toString(); }

// Edits the field at path as a user does: the delegate's editor opened on
// its cell, a value put in, the editor committed.
void EditInPlace(FieldsView& view, const QString& path, const std::function<void(QWidget*)>& type) {
  const QModelIndex cell = ValueCell(view, path);
  QVERIFY2(cell.isValid(), qPrintable(path));
  view.View()->edit(cell);
  QWidget* editor = view.View()->indexWidget(cell);
  QVERIFY(editor);
  type(editor);
  emit view.View()->itemDelegateForColumn(FieldsView::kValue)->commitData(editor);
  emit view.View()->itemDelegateForColumn(FieldsView::kValue)->closeEditor(editor);
  QCoreApplication::processEvents();
}

struct Editor : guitest::FieldsEditor {
  explicit Editor(const QTemporaryDir& dir) : FieldsEditor(dir, QStringLiteral("fields")) {}
};

}  // namespace

class TagViewsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;

 private slots:
  void initTestCase() {
    guitest::UseCNumbers();
    QVERIFY(m_dir.isValid());
  }

  void aFieldEditedInPlaceWritesExactlyItsBytesAndUndoTakesItBack() {
    Editor e(m_dir);
    const Bytes before = e.File();
    e.Select(FieldsMap::kWeapon);
    FieldsView& view = *e.p1.m_fields;
    const QString rounds = QStringLiteral("magazines[0].rounds_loaded_maximum");
    QCOMPARE(Shown(view, rounds), QStringLiteral("12"));

    EditInPlace(view, rounds, [](QWidget* editor) { qobject_cast<QLineEdit*>(editor)->setText(QStringLiteral("120")); });
    Bytes expected = before;
    expected[e.sample.FileOffset(FieldsMap::kWeapon, FieldsMap::kMagazinesAt + 0x0A)] = 120;
    QVERIFY(e.File() == expected);
    QVERIFY(e.dialogs.Quiet());
    QCOMPARE(Shown(view, rounds), QStringLiteral("120"));
    QCOMPARE(e.p1.SelectedTag(), std::optional<int>(FieldsMap::kWeapon));
    QVERIFY(e.window.UndoAction()->text().contains(
        QStringLiteral("Set magazines[0].rounds_loaded_maximum of weap:weapons\\pistol\\pistol: 12 -> 120")));

    // A value the type cannot hold is refused with a message: nothing written.
    QVERIFY(!view.SetField(rounds.toStdString(), QStringLiteral("40000")));
    QCOMPARE(e.dialogs.messages.size(), std::size_t{1});
    QVERIFY(e.File() == expected);

    e.window.UndoAction()->trigger();
    QVERIFY(e.File() == before);
    QCOMPARE(Shown(view, rounds), QStringLiteral("12"));
  }

  // F2, then Enter without a change: the editor starts from the shown text,
  // nothing is written and no step recorded; Enter is the editor's alone (the
  // scanner does not run).
  void enterInAnUnchangedEditorWritesNothingAndDoesNotScan() {
    Editor e(m_dir);
    e.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&e.window));
    e.Select(FieldsMap::kWeapon);
    const Bytes before = e.File();
    const QString undoBefore = e.window.UndoAction()->text();
    FieldsView& view = *e.p1.m_fields;
    const QString reload = QStringLiteral("magazines[0].reload_time");
    const QModelIndex cell = ValueCell(view, reload);
    view.View()->setCurrentIndex(cell);
    view.View()->setFocus();
    QTest::keyClick(view.View(), Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(view.View()->indexWidget(cell));
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("1.5"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    QVERIFY(!view.View()->indexWidget(ValueCell(view, reload)));
    QVERIFY(e.File() == before);
    QCOMPARE(e.window.UndoAction()->text(), undoBefore);
    QCOMPARE(e.p1.m_treeScanResults->topLevelItemCount(), 0);

    // A changed value typed and committed with Enter is written, still without a scan.
    view.View()->setCurrentIndex(ValueCell(view, reload));
    QTest::keyClick(view.View(), Qt::Key_F2);
    editor = qobject_cast<QLineEdit*>(view.View()->indexWidget(ValueCell(view, reload)));
    QVERIFY(editor);
    editor->setText(QStringLiteral("0.0000001"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    QVERIFY2(e.dialogs.Quiet(), e.dialogs.messages.empty() ? "" : e.dialogs.messages.front().c_str());
    QVERIFY(e.File() != before);
    QTRY_COMPARE(Shown(view, reload), QStringLiteral("1e-07"));
    QCOMPARE(e.p1.m_treeScanResults->topLevelItemCount(), 0);
  }

  // An edit re-reads the tag: the open blocks, the selected field and the
  // Name column's width stay as they were.
  void theFieldsTreeKeepsItsStateAcrossAnEdit() {
    Editor e(m_dir);
    e.Select(FieldsMap::kWeapon);
    FieldsView& view = *e.p1.m_fields;
    const QString rounds = QStringLiteral("magazines[1].rounds_loaded_maximum");
    const QModelIndex entry = ValueCell(view, QStringLiteral("magazines[1]")).siblingAtColumn(FieldsView::kName);
    view.View()->setExpanded(entry.parent(), true);
    view.View()->setExpanded(entry, true);
    view.View()->setCurrentIndex(ValueCell(view, rounds));
    view.View()->setColumnWidth(FieldsView::kName, 333);

    EditInPlace(view, rounds, [](QWidget* editor) { qobject_cast<QLineEdit*>(editor)->setText(QStringLiteral("9")); });
    QCOMPARE(Shown(view, rounds), QStringLiteral("9"));
    const QModelIndex after = ValueCell(view, QStringLiteral("magazines[1]")).siblingAtColumn(FieldsView::kName);
    QVERIFY(view.View()->isExpanded(after.parent()));
    QVERIFY(view.View()->isExpanded(after));
    QVERIFY(!view.View()->isExpanded(ValueCell(view, QStringLiteral("magazines[0]")).siblingAtColumn(FieldsView::kName)));
    QCOMPARE(view.View()->currentIndex().siblingAtColumn(FieldsView::kValue).data(FieldsView::kPathRole).toString(), rounds);
    QCOMPARE(view.View()->columnWidth(FieldsView::kName), 333);
  }

  // Undocked, the same view (rows, selection, edits) lives in a window of its
  // own named after the map and the tag; closing that window puts it back.
  void theFieldsUndockIntoAWindowOfTheirOwnAndBack() {
    Editor e(m_dir);
    e.Select(FieldsMap::kWeapon);
    FieldsView& view = *e.p1.m_fields;
    const int tabs = e.p1.m_tabsTag->count();
    e.p1.m_fieldsWindow->Undock();
    QWidget* window = e.p1.m_fieldsWindow->Window();
    QVERIFY(window && window->isVisible() && window->isAncestorOf(&view));
    QCOMPARE(e.p1.m_tabsTag->count(), tabs - 1);
    QVERIFY(window->windowTitle().startsWith(QStringLiteral("Fields - Map 1 (fields")));
    QVERIFY(window->windowTitle().endsWith(QStringLiteral(": weap:") +
                                           QString::fromStdString(e.p1.Map().m_tags[FieldsMap::kWeapon].strName)));
    const QString rounds = QStringLiteral("magazines[1].rounds_loaded_maximum");
    EditInPlace(view, rounds, [](QWidget* editor) { qobject_cast<QLineEdit*>(editor)->setText(QStringLiteral("7")); });
    QCOMPARE(Shown(view, rounds), QStringLiteral("7"));
    e.Select(FieldsMap::kProjectile);
    QVERIFY(window->windowTitle().contains(QStringLiteral(": proj:")));

    window->close();
    QCoreApplication::processEvents();
    QVERIFY(!e.p1.m_fieldsWindow->IsUndocked());
    QCOMPARE(e.p1.m_tabsTag->count(), tabs);
    QVERIFY(e.p1.m_tabsTag->currentWidget()->isAncestorOf(&view));
    QCOMPARE(e.p1.m_tabsTag->currentIndex(), 0);
  }

  void aReadOnlyMapRefusesAFieldEditAndOffersNoEditor() {
    Editor e(m_dir);
    e.p1.Map().m_bReadOnly = true;
    e.window.RunCommand([] {});
    const Bytes before = e.File();
    e.Select(FieldsMap::kWeapon);
    const QModelIndex cell = ValueCell(*e.p1.m_fields, QStringLiteral("magazines[0].rounds_loaded_maximum"));
    QVERIFY(!(cell.flags() & Qt::ItemIsEditable));
    QVERIFY(!e.p1.m_fields->SetField("magazines[0].rounds_loaded_maximum", QStringLiteral("99")));
    QCOMPARE(e.dialogs.messages, std::vector<std::string>{"This map is open read-only."});
    QVERIFY(e.File() == before);
  }

  void referencesListWhoUsesATagAndJumpsGoBackAndForward() {
    Editor e(m_dir);
    e.Select(FieldsMap::kProjectile);
    e.p1.m_tabsTag->setCurrentWidget(e.p1.m_treeReferences);
    QTreeWidget& refs = *e.p1.m_treeReferences;
    QCOMPARE(refs.topLevelItemCount(), 1);
    QTreeWidgetItem* row = refs.topLevelItem(0);
    QCOMPARE(row->text(0), QStringLiteral("weap:weapons\\pistol\\pistol"));
    QCOMPARE(row->text(1).toUInt(nullptr, 16), FieldsMap::kTriggersAt + 0x94);
    QCOMPARE(row->text(2), QStringLiteral("dependency"));
    QCOMPARE(row->text(3), QStringLiteral("triggers[0].projectile"));

    // A tag nothing refers to says so in one line, which goes nowhere.
    e.Select(FieldsMap::kLast);
    QCOMPARE(refs.topLevelItemCount(), 1);
    QVERIFY(!refs.topLevelItem(0)->data(0, Qt::UserRole).isValid());

    // Jumps: projectile -> weapon (References), weapon -> damage (a reference
    // double-clicked in Fields); Back and Forward walk them, a new jump drops
    // what lay ahead.
    e.Select(FieldsMap::kProjectile);
    emit refs.itemDoubleClicked(refs.topLevelItem(0), 0);
    QCoreApplication::processEvents();
    QCOMPARE(e.p1.SelectedTag(), std::optional<int>(FieldsMap::kWeapon));
    emit e.p1.m_fields->TagActivated(FieldsMap::kDamage);
    QCoreApplication::processEvents();
    QCOMPARE(e.p1.SelectedTag(), std::optional<int>(FieldsMap::kDamage));
    QVERIFY(!e.p1.CanGoForward());

    e.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&e.window));
    QTest::keyClick(e.p1.m_treeTags, Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(e.p1.SelectedTag(), std::optional<int>(FieldsMap::kWeapon));
    QTest::mouseClick(e.p1.m_treeTags->viewport(), Qt::BackButton);
    QCOMPARE(e.p1.SelectedTag(), std::optional<int>(FieldsMap::kProjectile));
    // Before it, the tag picked in the tree.
    e.p1.GoBack();
    QCOMPARE(e.p1.SelectedTag(), std::optional<int>(FieldsMap::kLast));
    e.p1.GoForward();
    QTest::mouseClick(&e.p1, Qt::ForwardButton);  // on the panel itself, outside its views
    QCOMPARE(e.p1.SelectedTag(), std::optional<int>(FieldsMap::kWeapon));
    e.p1.GoToTag(FieldsMap::kSound);
    QVERIFY(!e.p1.CanGoForward());
    e.p1.GoBack();
    QCOMPARE(e.p1.SelectedTag(), std::optional<int>(FieldsMap::kWeapon));

    // A jump to a tag the filter hides clears the filter: the tag is seen.
    e.p1.m_editFilter->setText(QStringLiteral("bullet"));
    e.p1.GoToTag(FieldsMap::kSound);
    QVERIFY(e.p1.m_editFilter->text().isEmpty());
    QCOMPARE(e.p1.SelectedTag(), std::optional<int>(FieldsMap::kSound));
  }

  // Tags picked in the tree are recorded: Back returns to the one before,
  // Forward to the one Back left, and a new pick leaves nothing stale ahead.
  // Alt+Left works with the focus on the tab bar.
  void backAndForwardFollowTagsPickedInTheTree() {
    Editor e(m_dir);
    e.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&e.window));
    e.Select(FieldsMap::kWeapon);
    e.Select(FieldsMap::kSound);
    e.p1.m_tabsTag->tabBar()->setFocus();
    QTest::keyClick(e.p1.m_tabsTag->tabBar(), Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(e.p1.SelectedTag(), std::optional<int>(FieldsMap::kWeapon));
    QVERIFY(e.p1.CanGoForward());
    QTest::keyClick(e.p1.m_tabsTag->tabBar(), Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(e.p1.SelectedTag(), std::optional<int>(FieldsMap::kSound));
    e.p1.GoBack();
    e.Select(FieldsMap::kDamage);
    QVERIFY(!e.p1.CanGoForward());
    e.p1.GoBack();
    QCOMPARE(e.p1.SelectedTag(), std::optional<int>(FieldsMap::kWeapon));
  }

  void scanResultsNameTheFieldTheyFallIn() {
    Editor e(m_dir);
    e.Select(FieldsMap::kWeapon);
    e.p1.m_buttonScanMetadata->click();
    QStringList lines;
    for (int i = 0; i < e.p1.m_treeScanResults->topLevelItemCount(); ++i)
      lines << e.p1.m_treeScanResults->topLevelItem(i)->text(0);
    const QString projectile = QStringLiteral("Dependency -- 0x%1 -- proj -- weapons\\pistol\\bullet -- triggers[0].projectile")
                                   .arg(FieldsMap::kTriggersAt + 0x94, 8, 16, QLatin1Char('0'));
    QVERIFY2(lines.contains(projectile), qPrintable(lines.join(u'\n')));
    QVERIFY2(lines.filter(QRegularExpression(QStringLiteral("^Reflexive -- .* -- magazines$"))).size() == 1,
             qPrintable(lines.join(u'\n')));
    // A line whose double-click selects a tag still does, whatever it shows.
    for (int i = 0; i < e.p1.m_treeScanResults->topLevelItemCount(); ++i)
      if (e.p1.m_treeScanResults->topLevelItem(i)->text(0) == projectile) {
        e.p1.m_treeScanResults->setCurrentItem(e.p1.m_treeScanResults->topLevelItem(i));
        emit e.p1.m_treeScanResults->itemDoubleClicked(e.p1.m_treeScanResults->topLevelItem(i), 0);
      }
    QCOMPARE(e.p1.SelectedTag(), std::optional<int>(FieldsMap::kProjectile));
  }

  void theUsersDefinitionsFolderIsKeptAndABadFileIsNamed() {
    QTemporaryDir folder;
    QFile bad(folder.filePath(QStringLiteral("weap.xml")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("<plugin class=\"weap\">\n<float32 name=\"Broken\" offset=\n");
    bad.close();
    Editor e(m_dir);
    e.window.SetDefinitionsFolder(folder.path());
    QCOMPARE(e.dialogs.messages.size(), std::size_t{1});
    QVERIFY(e.dialogs.messages.front().find("weap.xml") != std::string::npos);
    QCOMPARE(e.window.DefinitionsFolder(), folder.path());
    // The built-in weapon definition still serves.
    e.Select(FieldsMap::kWeapon);
    QCOMPARE(Shown(*e.p1.m_fields, QStringLiteral("magazines[0].rounds_loaded_maximum")), QStringLiteral("12"));
  }

  // A plugin's section titles hold the rows after them, up to the next title of
  // the same block, open; the fields keep their paths.
  void sectionTitlesGroupTheFieldsAfterThem() {
    QTemporaryDir folder;
    QFile plugin(folder.filePath(QStringLiteral("weap.xml")));
    QVERIFY(plugin.open(QIODevice::WriteOnly));
    plugin.write("<plugin game=\"Halo1\" baseSize=\"0x10\">\n"
                 "<int16 name=\"First\" offset=\"0x0\" />\n"
                 "<comment title=\"Speed\" />\n<float32 name=\"Rate\" offset=\"0x4\" />\n"
                 "<float32 name=\"Spin\" offset=\"0x8\" />\n"
                 "<comment title=\"Looks\" />\n<int32 name=\"Colour\" offset=\"0xC\" />\n</plugin>\n");
    plugin.close();
    Editor e(m_dir);
    e.window.SetDefinitionsFolder(folder.path());
    e.Select(FieldsMap::kWeapon);
    const FieldsView& view = *e.p1.m_fields;
    const auto titleOf = [&](const char* path) {
      const QModelIndex cell = ValueCell(view, QString::fromLatin1(path));
      return cell.isValid() ? cell.parent().siblingAtColumn(FieldsView::kName).data().toString() : QStringLiteral("(none)");
    };
    QCOMPARE(titleOf("first"), QString());
    QCOMPARE(titleOf("rate"), QStringLiteral("Speed"));
    QCOMPARE(titleOf("spin"), QStringLiteral("Speed"));
    QCOMPARE(titleOf("colour"), QStringLiteral("Looks"));
    QVERIFY(view.View()->isExpanded(ValueCell(view, QStringLiteral("rate")).parent()));
  }
};

QTEST_MAIN(TagViewsTest)
#include "TagViewsTest.moc"
