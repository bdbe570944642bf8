#pragma once
#include <QDialog>
#include <cstdint>

#include "CommandRunner.h"
#include "tools/GuerillaConverter.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace jov {
class UserDialogs;
}

// "Guerilla Tag Converter": picks a Guerilla tag and an Xbox tag to write, and
// converts one into the other as often as "&Convert" (the default button) is
// pressed. The dialog owns the converter, its two files and its work buffer;
// they are closed with it. "Close" reads the fields first (and stays open on a
// K that does not parse); Escape does not read them.
class CGuerillaConvertDlg : public QDialog {
  Q_OBJECT

 public:
  CGuerillaConvertDlg(jov::UserDialogs& dialogs, CommandRunner run, QWidget* parent = nullptr);

  const jov::GuerillaOptions& Options() const { return m_options; }

  QLineEdit* m_editInput;
  QLineEdit* m_editOutput;
  QCheckBox* m_checkFixShorts;
  QLineEdit* m_editShortLimit;
  QPushButton* m_buttonInput;
  QPushButton* m_buttonOutput;
  QPushButton* m_buttonConvert;
  QPushButton* m_buttonClose;

 private:
  void OnPickInput();
  void OnPickOutput();
  void OnConvert();
  // Fix Shorts, then K: a K that is not a non-negative integer is refused and
  // keeps its previous value (false).
  bool ReadFields();
  void ShowMembers();

  jov::UserDialogs& m_dialogs;
  CommandRunner m_run;
  jov::GuerillaConverter m_converter;
  jov::GuerillaOptions m_options;
};
