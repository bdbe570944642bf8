#pragma once
#include <QDialog>
#include <functional>

#include "check/MapCheck.h"

class QLabel;
class QTableWidget;

// Map Info's "CRC32" line: the stored and computed values, or why there are none.
std::string CrcFieldText(const jov::CMapFile& map);

// "Check Map": the findings of one map in a table (severity, where, what) and the
// counts. Double-clicking a tag's row selects that tag in its panel.
class CCheckMapDlg : public QDialog {
  Q_OBJECT

 public:
  CCheckMapDlg(const QString& title, const jov::CheckReport& report, std::function<void(int tag)> selectTag,
               QWidget* parent = nullptr);

  QTableWidget* m_table;
  QLabel* m_summary;

 private:
  void OnRowDoubleClicked(int row);

  std::vector<int> m_rowTags;
  std::function<void(int)> m_selectTag;
};
