#pragma once
#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>
#include <clocale>
#include <functional>
#include <string>
#include <vector>

#include "map/SampleMap.h"

namespace guitest {

// Writes the sample map as a file into dir and returns its path.
inline std::string WriteMap(const QTemporaryDir& dir, const std::string& name, const jov::SampleMapPlan& plan) {
  const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
  jov::WriteBytesToFile(path, jov::WriteSampleMap(plan));
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
// message box, which a test cannot answer otherwise). Only a visible dialog that
// no earlier call has answered counts, so a dialog still closing from the last
// step is never answered twice; a dialog that never comes ends the wait after
// ten seconds.
inline void WhenModalShows(std::function<void(QWidget*)> action) {
  static QList<QPointer<QWidget>> answered;
  auto* timer = new QTimer;
  timer->setInterval(10);
  auto* waited = new QElapsedTimer;
  waited->start();
  QObject::connect(timer, &QTimer::timeout, [timer, waited, action] {
    QWidget* modal = QApplication::activeModalWidget();
    const bool fresh = modal && modal->isVisible() && !answered.contains(QPointer<QWidget>(modal));
    if (!fresh && waited->elapsed() < 10000) return;
    timer->stop();
    timer->deleteLater();
    delete waited;
    if (!fresh) return;
    answered.append(QPointer<QWidget>(modal));
    action(modal);
  });
  timer->start();
}

// Runs the window's menu command whose text (without access-key marks) is text,
// as a click on it does: a disabled one does not run.
template <typename Window>
void Trigger(Window& window, const QString& text) {
  QAction* action = window.FindAction(text);
  if (!action) qFatal("No menu command \"%s\"", qPrintable(text));
  action->trigger();
}

// The same with "%1" standing for panel's number: "Open Map %1" into panel.
template <typename Window, typename Panel>
void Trigger(Window& window, const QString& text, const Panel& panel) {
  Trigger(window, text.arg(&panel == &window.Panel1() ? 1 : 2));
}

// A double click on the tag tree's selected line.
template <typename Panel>
void DoubleClickSelectedTag(Panel& panel) {
  const QList<QTreeWidgetItem*> selected = panel.m_treeTags->selectedItems();
  if (!selected.isEmpty()) emit panel.m_treeTags->itemDoubleClicked(selected.front(), 0);
}

// The editor writes numbers with a decimal point whatever the user's locale.
inline void UseCNumbers() { std::setlocale(LC_NUMERIC, "C"); }

}  // namespace guitest
