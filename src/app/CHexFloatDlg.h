#pragma once
#include <QDialog>

#include "tools/HexFloatCalc.h"

class QLineEdit;
class QPushButton;

namespace jov {
class UserDialogs;
}

// "Hex - Float Converter": a 32-bit float and the hex text of its bit pattern.
// Each conversion button reads the fields, converts and shows the members again.
class CHexFloatDlg : public QDialog {
  Q_OBJECT

 public:
  CHexFloatDlg(jov::UserDialogs& dialogs, QWidget* parent = nullptr);

  const jov::HexFloatValues& Values() const { return m_values; }

  QLineEdit* m_editFloat;
  QLineEdit* m_editHex;
  QPushButton* m_buttonFloatToHex;
  QPushButton* m_buttonHexToFloat;
  QPushButton* m_buttonClose;

 private:
  // The float first: one that does not parse is refused and stops the reading,
  // so the hex text keeps its previous value too; the conversion goes on anyway.
  void ReadFields();
  void ShowMembers();

  jov::UserDialogs& m_dialogs;
  jov::HexFloatValues m_values;
};
