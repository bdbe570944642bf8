#pragma once
#include <QDialog>
#include <QString>

class MessageText;
class QPushButton;

// "Message": an outcome for the user to read, and "OK".
class CMessageDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMessageDlg(QWidget* parent = nullptr);

  // Loaded into the field when the dialog is shown.
  QString m_strText = QStringLiteral("No messade to display.");

  MessageText* m_textField;
  QPushButton* m_buttonOk;

 protected:
  void showEvent(QShowEvent* event) override;
};
