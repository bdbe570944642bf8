#pragma once
#include <QTextEdit>

// The text field of the "Message" and "Choose" dialogs: several lines, centred,
// wrapped at word boundaries (or anywhere, for a long word), neither editable
// nor focusable.
class MessageText : public QTextEdit {
  Q_OBJECT

 public:
  explicit MessageText(QWidget* parent = nullptr);
  void SetText(const QString& text);
  // The height the text takes at the field's width: a one-line message gets a
  // compact box rather than one mostly empty.
  int TextHeight(int width) const;
};

class QDialog;
// Sizes dialog (width fixed, as designed) to the height its text needs, between
// a compact box and a box that scrolls.
void FitDialogToText(QDialog& dialog, const MessageText& text);
