#pragma once
// The editor with the fields sample map (a scenario, a weapon with magazines
// and triggers, a projectile, ...) open as Map 1, written into a folder of the
// test's: the fixture of the Fields tab's tests.
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "CMapEditorDlg.h"
#include "GuiTestSupport.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "ScriptedDialogs.h"
#include "support/FieldsMap.h"

namespace guitest {

struct FieldsEditor {
  ScriptedDialogs dialogs;
  CMapEditorDlg window{dialogs};
  MapPanel& p1 = window.Panel1();
  jov::testing::FieldsMap sample;
  std::string path;

  FieldsEditor(const QTemporaryDir& dir, const QString& prefix) {
    static int maps = 0;
    path = dir.filePath(QStringLiteral("%1%2.map").arg(prefix).arg(++maps)).toStdString();
    jov::WriteBytesToFile(path, sample.Bytes());
    dialogs.openAnswers.push_back(path);
    Trigger(window, QStringLiteral("Open Map %1"), p1);
  }
  void Select(int tag) { p1.m_treeTags->setCurrentItem(QtTreeView::ItemOf(p1.Map().GetTagEntry(tag).hTreeItem)); }
  std::vector<unsigned char> File() const { return jov::ReadBytesFromFile(path); }
};

}  // namespace guitest
