#pragma once
#include <QComboBox>
#include <string>
#include <vector>

// A drop-down combo box with an edit field whose list is kept in the alphabetical
// order of AlphaOrder.h (never Qt's own sorting, which orders by locale). Texts
// are map bytes shown as Latin-1. Typing completes from the list; nothing the
// user types is added to it.
class SortedComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit SortedComboBox(QWidget* parent = nullptr);

  // Inserts text at its upper bound: after every line that is not greater.
  void AddSorted(const std::string& text);
  // Adds many lines at once, in the order AddSorted one by one would give.
  void AddAllSorted(std::vector<std::string> texts);

  // The edit field's text as bytes.
  std::string Text() const;
  // Shows exactly text: selects the line equal to it if there is one, else puts
  // text into the edit field as it is (no prefix or case-folded match).
  void SetText(const std::string& text);

  std::string ItemBytes(int index) const;
};

// The same exact-text rule for any editable combo box.
void ShowExactComboText(QComboBox& combo, const QString& text);
