#pragma once
#include <QDialog>
#include <QString>

class MessageText;
class QPushButton;

// "Choose": a yes/no question. Accepted only by "Yes"; "No", Escape and the close
// box all reject.
class CChooseDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CChooseDlg(QWidget* parent = nullptr);
  // "No" answers Enter instead of "Yes" (and has the focus).
  void MakeNoDefault();

  QString m_strText;

  MessageText* m_textField;
  QPushButton* m_buttonYes;
  QPushButton* m_buttonNo;

 protected:
  void showEvent(QShowEvent* event) override;
};
