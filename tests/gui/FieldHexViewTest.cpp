// The hex view below the Fields view: the current field's bytes lit, a click
// on a byte selecting the field that holds it, and two hex digits typed over
// a byte written as one undoable step (refused like a field's edit on a
// read-only map and on a tag kept in a resource map).
#include <QAction>
#include <QScrollBar>
#include <QTreeView>
#include <QtTest>

#include "CMapEditorDlg.h"
#include "FieldHexView.h"
#include "FieldsEditor.h"
#include "FieldsView.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "support/FieldsMap.h"

using Bytes = std::vector<unsigned char>;
using jov::testing::FieldsMap;

namespace {

struct Editor : guitest::FieldsEditor {
  FieldsView& fields = *p1.m_fields;
  FieldHexView& hex = *p1.m_fieldHex;

  explicit Editor(const QTemporaryDir& dir) : FieldsEditor(dir, QStringLiteral("hex")) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) qFatal("the window was not shown");
    Select(FieldsMap::kWeapon);
  }
  QString CurrentPath() const {
    return fields.View()->currentIndex().siblingAtColumn(FieldsView::kValue).data(FieldsView::kPathRole).toString();
  }
  // A click on byte offset of the hex view, in its hex or its ASCII column,
  // scrolled into view first as a user would.
  void Click(std::uint32_t offset, bool ascii) {
    hex.ScrollToByte(offset);
    QRect at = hex.ByteRect(offset, ascii);
    if (!hex.viewport()->rect().contains(at)) {
      hex.horizontalScrollBar()->setValue(hex.horizontalScrollBar()->value() + at.left() - 4);
      at = hex.ByteRect(offset, ascii);
    }
    QVERIFY2(hex.viewport()->rect().contains(at), qPrintable(QString::number(offset, 16)));
    QTest::mouseClick(hex.viewport(), Qt::LeftButton, {}, at.center());
  }
};

}  // namespace

class FieldHexViewTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;

 private slots:
  void initTestCase() {
    guitest::UseCNumbers();
    QVERIFY(m_dir.isValid());
  }

  void theCurrentFieldsBytesAreLitAndInView() {
    Editor e(m_dir);
    const jov::FieldTree& tree = e.fields.Tree();
    for (const char* path : {"ready_time", "triggers[0].projectile", "magazines[1]", "magazines[1].rounds_loaded_maximum"}) {
      int node = -1;
      for (std::size_t i = 0; i < tree.nodes.size(); ++i)
        if (tree.nodes[i].path == path) node = static_cast<int>(i);
      QVERIFY2(node >= 0, path);
      const jov::FieldNode field = tree.nodes[static_cast<std::size_t>(node)];
      e.fields.SelectNode(node);
      QCOMPARE(e.CurrentPath(), QString::fromLatin1(path));
      QCOMPARE(e.hex.Highlighted(), std::make_pair(field.offset, field.size));
      QCOMPARE(e.hex.Cursor(), std::optional<std::uint32_t>(field.offset));
      // As painted, in the ASCII column: the field's first byte lit (and its
      // last, when in view), the byte before it not (each field here starts
      // inside a row, so that byte is in view too).
      e.hex.horizontalScrollBar()->setValue(e.hex.horizontalScrollBar()->maximum());
      const QImage shown = e.hex.viewport()->grab().toImage();
      const auto background = [&](std::uint32_t offset) {
        const QRect at = e.hex.ByteRect(offset, true);
        return at.isEmpty() ? QColor() : shown.pixelColor((at.topLeft() + QPoint(1, 1)) * shown.devicePixelRatio());
      };
      QVERIFY2(field.offset % FieldHexView::kBytesPerRow != 0 && !e.hex.ByteRect(field.offset, true).isEmpty(), path);
      const QColor plain = background(field.offset - 1);
      QVERIFY2(background(field.offset) != plain, path);
      if (!e.hex.ByteRect(field.offset + field.size - 1, true).isEmpty())
        QCOMPARE(background(field.offset + field.size - 1), background(field.offset));
    }
  }

  // A click selects the deepest shown field holding the byte, its blocks opened.
  void aClickOnAByteSelectsTheFieldHoldingIt() {
    Editor e(m_dir);
    const struct {
      std::uint32_t offset;
      bool ascii;
      const char* path;
    } cases[] = {
        {0x338, false, "ready_time"},
        {0x33B, true, "ready_time"},
        {FieldsMap::kMagazinesAt + 0x0A, false, "magazines[0].rounds_loaded_maximum"},
        {FieldsMap::kMagazinesAt + 0x70 + 0x0B, true, "magazines[1].rounds_loaded_maximum"},
        {FieldsMap::kMagazinesAt + 0x70 + 0x40, false, "magazines[1]"},  // the entry's padding
        {0x4F0 + 4, false, "magazines"},                                  // the block's pointer
        {FieldsMap::kTriggersAt + 0x94 + 13, false, "triggers[0].projectile"},
    };
    for (const auto& c : cases) {
      e.Click(c.offset, c.ascii);
      QCOMPARE(e.CurrentPath(), QString::fromLatin1(c.path));
      QCOMPARE(e.hex.Cursor(), std::optional<std::uint32_t>(c.offset));
      const QModelIndex current = e.fields.View()->currentIndex();
      for (QModelIndex parent = current.parent(); parent.isValid(); parent = parent.parent())
        QVERIFY2(e.fields.View()->isExpanded(parent), c.path);
      QVERIFY2(e.fields.View()->viewport()->rect().intersects(e.fields.View()->visualRect(current)), c.path);
      const auto [at, size] = e.hex.Highlighted();
      QVERIFY2(at <= c.offset && c.offset < at + size, c.path);
    }
  }

  void twoDigitsTypedOverAByteWriteItAndUndoTakesItBack() {
    Editor e(m_dir);
    const Bytes before = e.File();
    const std::uint32_t rounds = FieldsMap::kMagazinesAt + 0x0A;  // 12, little-endian
    e.Click(rounds, false);
    QTest::keyClicks(&e.hex, QStringLiteral("7"));
    QVERIFY(e.File() == before);  // half a byte writes nothing
    QTest::keyClicks(&e.hex, QStringLiteral("8"));
    Bytes expected = before;
    expected[e.sample.FileOffset(FieldsMap::kWeapon, rounds)] = 0x78;
    QVERIFY(e.File() == expected);
    QVERIFY(e.dialogs.Quiet());
    QCOMPARE(e.hex.Cursor(), std::optional<std::uint32_t>(rounds + 1));
    // The field under the cursor follows it: a row up lies the triggers block.
    QTest::keyClick(&e.hex, Qt::Key_Up);
    QCOMPARE(e.CurrentPath(), QStringLiteral("triggers"));
    QCOMPARE(e.fields.Tree().bytes[rounds], 0x78);
    QVERIFY2(e.window.UndoAction()->text().contains(QStringLiteral(
                 "Set bytes 0x512 (magazines[0].rounds_loaded_maximum) of weap:weapons\\pistol\\pistol: 0c -> 78")),
             qPrintable(e.window.UndoAction()->text()));
    e.window.UndoAction()->trigger();
    QVERIFY(e.File() == before);
    QCOMPARE(e.fields.Tree().bytes[rounds], 0x0C);
  }

  // Refused as a field's edit is, with its message: nothing written, no step.
  void aReadOnlyMapAndATagInAResourceMapRefuseTheFirstDigit() {
    const struct {
      const char* what;
      std::function<void(Editor&)> make;
      const char* says;
    } cases[] = {
        {"read-only", [](Editor& e) { e.p1.Map().m_bReadOnly = true; }, "This map is open read-only."},
        {"external", [](Editor& e) { e.p1.Map().m_tags[FieldsMap::kWeapon].eHome = jov::TagHome::Resource; },
         "JOV does not write resource maps"},
    };
    for (const auto& c : cases) {
      Editor e(m_dir);
      const Bytes before = e.File();
      const QString undo = e.window.UndoAction()->text();
      c.make(e);
      e.Click(0x338, false);
      QTest::keyClicks(&e.hex, QStringLiteral("5"));
      QCOMPARE(e.dialogs.messages.size(), std::size_t{1});
      QVERIFY2(e.dialogs.messages.front().find(c.says) != std::string::npos, e.dialogs.messages.front().c_str());
      QVERIFY2(e.File() == before, c.what);
      QCOMPARE(e.window.UndoAction()->text(), undo);
    }
  }
};

QTEST_MAIN(FieldHexViewTest)
#include "FieldHexViewTest.moc"
