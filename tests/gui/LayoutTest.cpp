// The window at 1024x700 with a map in each panel: no text of a button, a
// toggle, a label or a tab is wider than the room it is given, the tag tree
// keeps its width, tooltips come in lines of about 60 characters, and a short
// message gets a compact box.
#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include "CMapEditorDlg.h"
#include "CMessageDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "ToolTipWrap.h"

namespace {

QString Shown(QString text) { return text.remove(u'&'); }

// Every visible text of window that does not fit its widget, "Class 'text'".
QStringList CutTexts(QWidget& window) {
  QStringList cut;
  const auto note = [&](QWidget* widget, const QString& text) {
    cut << QStringLiteral("%1 '%2' (%3 px)").arg(QString::fromLatin1(widget->metaObject()->className()), text).arg(widget->width());
  };
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    if (!widget->isVisible()) continue;
    const QFontMetrics fm = widget->fontMetrics();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      const QString text = Shown(button->text());
      if (text.isEmpty()) continue;
      // A toggle's checked look pads the text by 8 px and a border each side.
      const int padding = button->isCheckable() ? 2 * 8 + 2 : 8;
      const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
      if (fm.horizontalAdvance(text) + padding + icon > button->width()) note(button, text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
      if (label->wordWrap() || label->text().isEmpty() || Qt::mightBeRichText(label->text())) continue;
      for (const QString& line : Shown(label->text()).split(u'\n'))
        if (fm.horizontalAdvance(line) > label->contentsRect().width()) note(label, line);
    } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
      for (int i = 0; i < tabs->count(); ++i)
        if (fm.horizontalAdvance(Shown(tabs->tabText(i))) > tabs->tabRect(i).width()) note(tabs, tabs->tabText(i));
    }
  }
  return cut;
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { guitest::UseCNumbers(); }

  void nothingIsCutAt1024x700() {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    window.OpenArguments({QString::fromStdString(guitest::WriteMap(dir, "a.map", jov::GenerateSampleMap(7, 12, 1))),
                          QString::fromStdString(guitest::WriteMap(dir, "b.map", jov::GenerateSampleMap(7, 12, 2)))});
    for (MapPanel* panel : {&window.Panel1(), &window.Panel2()}) {
      panel->m_treeTags->setCurrentItem(QtTreeView::ItemOf(panel->Map().GetTagEntry(3).hTreeItem));
      panel->m_checkDependencies->setChecked(true);
    }
    window.resize(1024, 700);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    QCOMPARE(window.size(), QSize(1024, 700));

    const QStringList cut = CutTexts(window);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
    for (MapPanel* panel : {&window.Panel1(), &window.Panel2()})
      QVERIFY2(panel->m_treeTags->width() >= 220, qPrintable(QString::number(panel->m_treeTags->width())));
  }

  void tooltipsAreShownInLinesOfAboutSixtyCharacters() {
    ScriptedDialogs dialogs;
    CMapEditorDlg window(dialogs);
    int long_ = 0;
    QStringList tips;
    for (QWidget* widget : window.findChildren<QWidget*>()) tips << widget->toolTip();
    tips << QStringLiteral("word ") + QString(90, u'x') + QStringLiteral(" after");
    for (const QString& tip : tips) {
      if (tip.size() <= 60) {
        QCOMPARE(WrapToolTipText(tip), tip);
        continue;
      }
      ++long_;
      const QString wrapped = WrapToolTipText(tip);
      // Only the breaks change: the same words in the same order.
      QCOMPARE(wrapped.split(u'\n').join(u' ').simplified(), tip.simplified());
      for (const QString& line : wrapped.split(u'\n'))
        QVERIFY2(line.size() <= 60 || !line.contains(u' '), qPrintable(line));
    }
    QVERIFY(long_ >= 3);  // the window has long tooltips to wrap
    QCOMPARE(WrapToolTipText(QStringLiteral("<b>rich</b> ") + QString(70, u'y')),
             QStringLiteral("<b>rich</b> ") + QString(70, u'y'));
  }

  void aShortMessageGetsACompactBox() {
    int heights[2] = {0, 0};
    const QString texts[] = {QStringLiteral("Done."), QString(12, u' ').replace(u' ', QStringLiteral("A long line of a message. "))};
    for (int i = 0; i < 2; ++i) {
      CMessageDlg dialog;
      dialog.m_strText = texts[i];
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      heights[i] = dialog.height();
    }
    QVERIFY2(heights[0] < 130, qPrintable(QString::number(heights[0])));
    QVERIFY2(heights[1] > heights[0], qPrintable(QStringLiteral("%1 %2").arg(heights[0]).arg(heights[1])));
  }
};

QTEST_MAIN(LayoutTest)
#include "LayoutTest.moc"
