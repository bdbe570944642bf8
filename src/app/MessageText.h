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
};
