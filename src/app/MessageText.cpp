#include "MessageText.h"

#include <QDialog>
#include <QLayout>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

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

int MessageText::TextHeight(int width) const {
  QTextDocument measured;
  measured.setDefaultFont(font());
  measured.setDocumentMargin(document()->documentMargin());
  measured.setPlainText(toPlainText());
  measured.setTextWidth(width);
  return static_cast<int>(std::ceil(measured.size().height()));
}

void FitDialogToText(QDialog& dialog, const MessageText& text) {
  constexpr int kWidth = 340;
  constexpr int kLongest = 420;
  dialog.ensurePolished();
  const QMargins margins = dialog.layout() ? dialog.layout()->contentsMargins() : QMargins();
  const int frame = 2 * text.frameWidth();
  const int textWidth = kWidth - margins.left() - margins.right() - frame;
  const int textHeight = std::min(text.TextHeight(textWidth), kLongest) + frame;
  const int rest = dialog.layout() ? dialog.layout()->spacing() + 40 + margins.top() + margins.bottom() : 60;
  dialog.resize(kWidth, textHeight + rest);
}
