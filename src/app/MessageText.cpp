#include "MessageText.h"

MessageText::MessageText(QWidget* parent) : QTextEdit(parent) {
  setReadOnly(true);
  setFocusPolicy(Qt::NoFocus);
  setTextInteractionFlags(Qt::NoTextInteraction);
  setLineWrapMode(QTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setFrameShape(QFrame::NoFrame);
  setAcceptRichText(false);
  QPalette p = palette();
  p.setColor(QPalette::Base, p.color(QPalette::Window));
  setPalette(p);
}

void MessageText::SetText(const QString& text) {
  setPlainText(text);
  QTextCursor cursor(document());
  cursor.select(QTextCursor::Document);
  QTextBlockFormat centred;
  centred.setAlignment(Qt::AlignHCenter);
  cursor.mergeBlockFormat(centred);
}
