#pragma once
#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QPlainTextEdit;

// "Apply Mod...": the table of what the mod's edits find in each map, with
// the edits that do not apply listed below it. As a preview, before anything
// is written, "Apply" accepts and "Partial" chooses to write the edits that
// apply even where others do not; afterwards it shows the result.
class CApplyModDlg : public QDialog {
 public:
  CApplyModDlg(const QString& title, const std::vector<std::string>& lines, bool preview, QWidget* parent = nullptr);

  bool Partial() const;

  QPlainTextEdit* m_text;
  QCheckBox* m_checkPartial;  // null once written
};
