#pragma once
#include <QDialog>
#include <functional>
#include <string>

#include "CommandRunner.h"

class QPlainTextEdit;
class QPushButton;

// "Crappy Hex Editor": one editable, fixed-pitch, scrolling box of hex text, with
// "Save" and "Don't Save" (the default button; Enter types a line break in the
// box, Escape leaves without saving). A 1,000,000-byte tag is 3,000,000
// characters, so the box is plain text, never rich text.
//
// "Save" runs the save action through the command runner while the dialog is
// still open: only when it completes does the dialog close accepted. A refused
// text (or a file error) is reported and the editor stays open with the text as
// typed, so that no edit is lost.
class CHexEditDlg : public QDialog {
  Q_OBJECT

 public:
  using SaveAction = std::function<void(const std::string& text)>;

  CHexEditDlg(const std::string& text, SaveAction save, CommandRunner run, QWidget* parent = nullptr);

  // The box's text as bytes (hex text is plain ASCII).
  std::string Text() const;
  // Puts the cursor on the byte at offset and scrolls it into view.
  void ShowOffset(int offset);

  QPlainTextEdit* m_editText;
  QPushButton* m_buttonSave;
  QPushButton* m_buttonDontSave;

 private:
  void OnSave();

  SaveAction m_save;
  CommandRunner m_run;
};
