#include "ToolTipWrap.h"

#include <QAction>
#include <QHelpEvent>
#include <QMenu>
#include <QStringList>
#include <QTextDocument>
#include <QToolTip>
#include <QWidget>

QString WrapToolTipText(const QString& text, int columns) {
  if (text.size() <= columns || text.contains(u'\n') || Qt::mightBeRichText(text)) return text;
  QStringList lines;
  QString line;
  for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
    if (!line.isEmpty() && line.size() + 1 + word.size() > columns) {
      lines << line;
      line.clear();
    }
    line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
  }
  if (!line.isEmpty()) lines << line;
  return lines.join(u'\n');
}

bool ToolTipWrapper::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ToolTip || !watched->isWidgetType()) return QObject::eventFilter(watched, event);
  auto* widget = static_cast<QWidget*>(watched);
  auto* help = static_cast<QHelpEvent*>(event);
  QString text = widget->toolTip();
  if (auto* menu = qobject_cast<QMenu*>(widget)) {
    QAction* action = menu->actionAt(help->pos());
    if (!action || !menu->toolTipsVisible()) return QObject::eventFilter(watched, event);
    text = action->toolTip();
  }
  const QString wrapped = WrapToolTipText(text);
  if (wrapped == text) return QObject::eventFilter(watched, event);
  QToolTip::showText(help->globalPos(), wrapped, widget);
  return true;
}
