#include "CommandNames.h"

#include <QFile>
#include <QFileInfo>

#include "MapPanel.h"
#include "map/MapFile.h"

QString ToolTitle(const QString& tool, const MapPanel& panel, std::optional<int> tag) {
  QString title = tool;
  if (!panel.Map().m_bOpen) return title;
  title += QStringLiteral(" - ") + panel.FileName();
  const jov::CMapFile& map = panel.Map();
  if (tag && *tag >= 0 && *tag < static_cast<int>(map.m_tags.size())) {
    const jov::TagEntry& entry = map.m_tags[static_cast<std::size_t>(*tag)];
    title += QStringLiteral(" - ") + QString::fromLatin1((entry.strClass1 + ":" + entry.strName).c_str());
  }
  return title;
}

QString OnMap(const MapPanel& panel, const QString& text) {
  if (!panel.Map().m_bOpen) return text;
  return panel.FileName() + QStringLiteral(": ") + text;
}

QString MapFileName(const std::string& path) { return QFileInfo(QFile::decodeName(path.c_str())).fileName(); }
