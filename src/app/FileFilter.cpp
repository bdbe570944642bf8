#include "FileFilter.h"

#include <QStringList>

QString ToQtFileFilter(std::string_view filter) {
  const QStringList parts = QString::fromLatin1(filter.data(), static_cast<qsizetype>(filter.size())).split(u'|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    const QString patterns = parts[i + 1];
    if (description.isEmpty() && patterns.isEmpty()) break;  // the closing "||"
    QStringList qtPatterns;
    for (QString pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
      pattern = pattern.trimmed();
      qtPatterns.append(pattern == QStringLiteral("*.*") ? QStringLiteral("*") : pattern);
    }
    const QString shown = QStringLiteral("(%1)").arg(patterns);
    if (description.endsWith(shown))
      description.chop(shown.size());
    description = description.trimmed();
    entries.append(QStringLiteral("%1 (%2)").arg(description, qtPatterns.join(u' ')));
  }
  return entries.join(QStringLiteral(";;"));
}
