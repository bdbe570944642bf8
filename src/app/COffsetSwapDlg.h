#pragma once
#include <QDialog>
#include <optional>
#include <vector>

#include "transfer/TagRecordEdit.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;

// "Offset Swap": every tag of a map as "class1 -- name", in alphabetical order,
// to pick the tag whose meta offset the panel's "Swap" takes. Each line keeps
// its list index; a change of selection records it. "Swap" (the default button)
// accepts, "Cancel", Escape and the close box reject.
class COffsetSwapDlg : public QDialog {
  Q_OBJECT

 public:
  explicit COffsetSwapDlg(const std::vector<jov::OffsetSwapItem>& list, QWidget* parent = nullptr);

  // The list index of the line selected last; none until a line is selected.
  std::optional<int> SelectedIndex() const { return m_nSelected; }

  // Typing here shows only the lines that contain the text (as the tag filter).
  QLineEdit* m_editFilter;
  QTreeWidget* m_treeTags;
  QPushButton* m_buttonSwap;
  QPushButton* m_buttonCancel;

 private:
  void OnSelectionChanged();

  std::optional<int> m_nSelected;
};
