#pragma once
#include <QDialog>

#include "DataExchange.h"
#include "builder/MapBuilder.h"

class QLineEdit;
class QPushButton;
class SortedComboBox;

namespace jov {
class UserDialogs;
}

// "Map Builder": the new tag's file (shown read-only, chosen with "Load Tag"),
// its name and its three classes, each class combo holding the 80 class codes in
// the editor's alphabetical order and starting on four 0xFF bytes (no class).
// "Add Tag" (the default button) reads the fields and closes accepted when they
// parse; "Cancel" and Escape close without reading.
class CMapBuilderDlg : public QDialog {
  Q_OBJECT

 public:
  CMapBuilderDlg(jov::UserDialogs& dialogs, QWidget* parent = nullptr);

  const jov::MapBuilderFields& Fields() const { return m_fields; }

  QLineEdit* m_editTagFile;
  QLineEdit* m_editTagName;
  SortedComboBox* m_comboClass[3];
  QPushButton* m_buttonAddTag;
  QPushButton* m_buttonLoadTag;
  QPushButton* m_buttonCancel;

 private:
  void OnAddTag();
  void OnLoadTag();

  jov::UserDialogs& m_dialogs;
  jov::MapBuilderFields m_fields;
  DataExchange m_exchange;
};
