#pragma once
#include <QDialog>
#include <string>
#include <vector>

class QPlainTextEdit;

// "Apply Patch to Map N...": the patch's title, author and changes; "Apply"
// accepts. After a refused apply the window shows the conflicts instead.
class CApplyPatchDlg : public QDialog {
  Q_OBJECT

 public:
  CApplyPatchDlg(const QString& title, const std::vector<std::string>& lines, QWidget* parent = nullptr);

 private:
  QPlainTextEdit* m_text;
};
