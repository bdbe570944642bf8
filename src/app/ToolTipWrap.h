#pragma once
#include <QObject>
#include <QString>

// Tooltips are sentences: one line up to the screen's width is hard to read.
// Plain text is broken at spaces into lines of at most about columns
// characters (a longer word keeps its line); rich text and text already broken
// into lines are left as they are.
QString WrapToolTipText(const QString& text, int columns = 60);

// Installed on the application: every tooltip a widget or a menu's action is
// about to show is shown wrapped.
class ToolTipWrapper : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
