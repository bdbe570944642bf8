#pragma once
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <clocale>
#include <functional>
#include <string>
#include <vector>

#include "map/SampleMap.h"

namespace guitest {

// Writes spec as a map file into dir and returns its path.
inline std::string WriteMap(const QTemporaryDir& dir, const std::string& name, const jov::SampleMapSpec& spec) {
  const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
  jov::WriteBytesToFile(path, jov::WriteSampleMap(spec));
  return path;
}

inline jov::SampleTag Tag(const std::string& class1, const std::string& name, std::uint32_t identifier) {
  jov::SampleTag tag;
  tag.class1 = class1;
  tag.name = name;
  tag.identifier = identifier;
  tag.meta.assign(16, 0);
  return tag;
}

inline std::string Bytes(const QString& text) { return text.toLatin1().toStdString(); }

inline std::vector<std::string> ChildTexts(const QTreeWidgetItem* parent) {
  std::vector<std::string> texts;
  for (int i = 0; i < parent->childCount(); ++i) texts.push_back(Bytes(parent->child(i)->text(0)));
  return texts;
}

inline QTreeWidgetItem* FindTopLevel(QTreeWidget& tree, const std::string& text) {
  for (int i = 0; i < tree.topLevelItemCount(); ++i)
    if (Bytes(tree.topLevelItem(i)->text(0)) == text) return tree.topLevelItem(i);
  return nullptr;
}

inline QTreeWidgetItem* FindChild(QTreeWidgetItem* parent, const std::string& text) {
  if (!parent) return nullptr;
  for (int i = 0; i < parent->childCount(); ++i)
    if (Bytes(parent->child(i)->text(0)) == text) return parent->child(i);
  return nullptr;
}

// Runs action once the next modal dialog is up (the toolkit's own file dialog or
// message box, which a test cannot answer otherwise).
inline void WhenModalShows(std::function<void(QWidget*)> action) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      action(modal);
    }
  });
  timer->start();
}

// The editor writes numbers with a decimal point whatever the user's locale.
inline void UseCNumbers() { std::setlocale(LC_NUMERIC, "C"); }

}  // namespace guitest
