#include "MapWatcher.h"

MapWatcher::MapWatcher(std::function<void()> changed, QObject* parent)
    : QObject(parent), m_watcher(this), m_changed(std::move(changed)) {
  connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this](const QString& path) {
    // A replaced file is watched again under its name.
    if (!m_watcher.files().contains(path)) m_watcher.addPath(path);
    m_changed();
  });
}

void MapWatcher::Watch(const QStringList& paths) {
  const QStringList now = m_watcher.files();
  for (const QString& path : now)
    if (!paths.contains(path)) m_watcher.removePath(path);
  for (const QString& path : paths)
    if (!now.contains(path)) m_watcher.addPath(path);
}
