#pragma once
#include <QDialog>

#include "tools/ReflexiveCalc.h"

class QLineEdit;
class QPushButton;

// "Reflexive Calculator": a file offset and the pointer a map stores for it,
// given the map's magic. Any text is accepted; the "Magic" field turns letters
// into capitals as they are typed.
class CReflexiveCalcDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CReflexiveCalcDlg(QWidget* parent = nullptr);

  QLineEdit* m_editOffset;
  QLineEdit* m_editReflexive;
  QLineEdit* m_editMagic;
  QPushButton* m_buttonReflexiveToOffset;
  QPushButton* m_buttonOffsetToReflexive;
  QPushButton* m_buttonClose;

 private:
  void ReadFields();
  void ShowMembers();

  jov::ReflexiveValues m_values;
};
