#pragma once
#include <QDialog>
#include <functional>

#include "compare/CompareMaps.h"

class QTableWidget;

// "Compare Map 1 with Map 2": one row a differing tag (state, class, name,
// ranges, bytes) and the header fields that differ. Double-clicking a row hands
// its tag to onPick (the window selects it in both panels); "Save as Patch..."
// calls onSave.
class CCompareMapsDlg : public QDialog {
  Q_OBJECT

 public:
  CCompareMapsDlg(const jov::MapComparison& comparison, std::function<void(const jov::TagDifference&)> onPick,
                  std::function<void()> onSave, QWidget* parent = nullptr);
  QTableWidget* Table() const { return m_table; }

 private:
  const jov::MapComparison& m_comparison;
  QTableWidget* m_table;
};
