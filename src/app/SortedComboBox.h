#pragma once
#include <QComboBox>
#include <optional>
#include <string>
#include <vector>

class QStringListModel;

// A drop-down combo box with an edit field whose list is kept in the alphabetical
// order of AlphaOrder.h (never Qt's own sorting, which orders by locale). Texts
// are map bytes shown as Latin-1. Typing completes from the list; nothing the
// user types is added to it. The lines live in a plain string list model: the
// scanner's tag choice holds a line per tag, and filling or searching a list of
// thousands must stay well under a millisecond or two.
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

  // Typing offers every line that contains the text typed (in a list under the
  // box) rather than completing the line that starts with it.
  void CompleteByContains();

  std::string ItemBytes(int index) const;
  // The first line equal to text, found by binary search in the sorted list.
  std::optional<int> FindExact(const QString& text) const;

 private:
  QStringListModel* m_lines;
};

// The same exact-text rule for any editable combo box (a SortedComboBox is
// searched by halves, any other box line by line).
void ShowExactComboText(QComboBox& combo, const QString& text);
