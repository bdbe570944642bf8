// The "Message", "Choose" and About dialogs, and the Qt side of UserDialogs
// (each real dialog answered by a timer once it is up).
#include <QAbstractTextDocumentLayout>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include "CAboutDlg.h"
#include "CChooseDlg.h"
#include "CMessageDlg.h"
#include "FileFilter.h"
#include "GuiTestSupport.h"
#include "MessageText.h"
#include "ProgramIcon.h"
#include "QtUserDialogs.h"

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void messageDialogShowsItsDefaultTextAndWraps() {
    CMessageDlg dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Message"));
    dialog.show();
    QCOMPARE(dialog.m_textField->toPlainText(), QStringLiteral("No messade to display."));
    QCOMPARE(dialog.m_buttonOk->text(), QStringLiteral("OK"));
    QVERIFY(dialog.m_buttonOk->isDefault());
    QVERIFY(dialog.m_textField->isReadOnly());
    QCOMPARE(dialog.m_textField->focusPolicy(), Qt::NoFocus);
    dialog.m_buttonOk->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    // A long text, even one without spaces, wraps onto several lines of the field.
    CMessageDlg longOne;
    longOne.m_strText = QString(400, u'x');
    longOne.show();
    QVERIFY(QTest::qWaitForWindowExposed(&longOne));
    QTextDocument* document = longOne.m_textField->document();
    document->setTextWidth(longOne.m_textField->viewport()->width());
    QVERIFY(document->documentLayout()->documentSize().width() <= longOne.m_textField->viewport()->width() + 1);
    QVERIFY(document->firstBlock().layout()->lineCount() > 1);
  }

  void chooseDialogPutsNoLeftOfYes() {
    CChooseDlg dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Choose"));
    dialog.m_strText = QStringLiteral("Inject?");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.m_textField->toPlainText(), QStringLiteral("Inject?"));
    QVERIFY(dialog.m_buttonYes->isDefault());
    QVERIFY(dialog.m_buttonNo->x() < dialog.m_buttonYes->x());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }

  void aboutBoxShowsTheIconAndTheTexts() {
    CAboutDlg about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About JOV"));
    QStringList texts;
    bool hasIcon = false;
    for (QLabel* label : about.findChildren<QLabel*>()) {
      texts << label->text();
      hasIcon = hasIcon || !label->pixmap().isNull();
    }
    QVERIFY(hasIcon);
    QVERIFY(texts.contains(QStringLiteral("JOV ") + QStringLiteral(JOV_VERSION)));
    QVERIFY(texts.contains("First program to add tags for xbox!"));
    QVERIFY(!ProgramIcon().pixmap(32, 32).isNull());
  }

  void fileFiltersBecomeQtFilters() {
    QCOMPARE(ToQtFileFilter("Halo Mapfile (*.map)|*.map|All Files (*.*)|*.*||"),
             QStringLiteral("Halo Mapfile (*.map);;All Files (*)"));
    QCOMPARE(ToQtFileFilter("Binary Metadata (*.meta)|*.meta|All Files (*.*)|*.*||"),
             QStringLiteral("Binary Metadata (*.meta);;All Files (*)"));
    // A description without its patterns gets them; several patterns are spaced.
    QCOMPARE(ToQtFileFilter("Tags|*.weapon;*.bitmap||"), QStringLiteral("Tags (*.weapon *.bitmap)"));
    QCOMPARE(ToQtFileFilter(""), QString());
  }

  void qtDialogsAskWithTheToolkitsDialogs() {
    QtUserDialogs dialogs;

    // The open dialog: Qt's filter, the default extension, existing files only.
    // (Checked on the configured dialog: a shown file dialog loads its folder in
    // the background, which makes answering it from a test racy.)
    QFileDialog picker;
    QtUserDialogs::ConfigureFileDialog(picker, {"Halo Mapfile (*.map)|*.map|All Files (*.*)|*.*||", "map", "*.map", true}, false);
    QCOMPARE(picker.nameFilters(), QStringList({"Halo Mapfile (*.map)", "All Files (*)"}));
    QCOMPARE(picker.defaultSuffix(), QStringLiteral("map"));
    QCOMPARE(picker.fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(picker.acceptMode(), QFileDialog::AcceptOpen);
    QFileDialog saver;
    QtUserDialogs::ConfigureFileDialog(saver, {"Binary Metadata (*.meta)|*.meta||", "meta", "", false}, true);
    QCOMPARE(saver.fileMode(), QFileDialog::AnyFile);
    QCOMPARE(saver.acceptMode(), QFileDialog::AcceptSave);

    // The Message dialog shows the text as map bytes.
    QString shown;
    guitest::WhenModalShows([&](QWidget* modal) {
      auto* message = qobject_cast<CMessageDlg*>(modal);
      QVERIFY(message);
      shown = message->m_textField->toPlainText();
      message->m_buttonOk->click();
    });
    dialogs.ShowMessage("Inject completed. \xFF");
    QCOMPARE(shown, QStringLiteral("Inject completed. ") + QChar(0xFF));

    // Only "Yes" says yes.
    guitest::WhenModalShows([](QWidget* modal) { qobject_cast<CChooseDlg*>(modal)->m_buttonYes->click(); });
    QVERIFY(dialogs.AskYesNo("Inject?"));
    guitest::WhenModalShows([](QWidget* modal) { qobject_cast<CChooseDlg*>(modal)->m_buttonNo->click(); });
    QVERIFY(!dialogs.AskYesNo("Inject?"));
    guitest::WhenModalShows([](QWidget* modal) { qobject_cast<CChooseDlg*>(modal)->close(); });
    QVERIFY(!dialogs.AskYesNo("Inject?"));

    // File errors in a critical box, values in a warning box.
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    guitest::WhenModalShows([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      icon = box->icon();
      shown = box->text();
      box->accept();
    });
    dialogs.ShowFileError("an unnamed file was not found.");
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(shown, QStringLiteral("an unnamed file was not found."));
    guitest::WhenModalShows([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      icon = box->icon();
      box->accept();
    });
    dialogs.ShowValueError("Please enter a number.");
    QCOMPARE(icon, QMessageBox::Warning);
  }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
