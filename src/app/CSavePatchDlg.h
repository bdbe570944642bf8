#pragma once
#include <QDialog>
#include <string>
#include <vector>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Save as Patch": the patch's title and author, and, before anything is
// saved, the differences the patch cannot carry (applying it leaves them out).
// "Save" accepts; the window then asks where.
class CSavePatchDlg : public QDialog {
  Q_OBJECT

 public:
  CSavePatchDlg(const QString& title, const std::vector<std::string>& leftOut, QWidget* parent = nullptr);

  std::string PatchTitle() const;
  std::string PatchAuthor() const;

  QLineEdit* m_editTitle;
  QLineEdit* m_editAuthor;
  QPlainTextEdit* m_textLeftOut;  // null when the patch carries every difference
  QPushButton* m_buttonSave;
};
