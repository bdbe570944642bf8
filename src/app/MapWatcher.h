#pragma once
#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <functional>

// Watches the files of the open maps, and calls back when one changes outside
// a command: another program (jov-cli, a game tool) wrote or replaced it. A
// file replaced by a rename drops out of a QFileSystemWatcher; Watch() is
// called again after every command, which puts it back.
class MapWatcher : public QObject {
 public:
  explicit MapWatcher(std::function<void()> changed, QObject* parent = nullptr);
  // The files to watch from now on (those of the open maps).
  void Watch(const QStringList& paths);

 private:
  QFileSystemWatcher m_watcher;
  std::function<void()> m_changed;
};
