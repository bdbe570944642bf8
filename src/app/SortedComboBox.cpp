#include "SortedComboBox.h"

#include <QCompleter>
#include <QLineEdit>
#include <QStringList>
#include <algorithm>

#include "platform/AlphaOrder.h"

namespace {

QString FromBytes(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

SortedComboBox::SortedComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  // Sizing to the contents would measure every line (thousands of tags).
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(4);
  setMaxVisibleItems(20);
  // Typing completes inline from the list, case-insensitively, as users expect.
  completer()->setCompletionMode(QCompleter::InlineCompletion);
  completer()->setCaseSensitivity(Qt::CaseInsensitive);
}

std::string SortedComboBox::ItemBytes(int index) const { return itemText(index).toLatin1().toStdString(); }

void SortedComboBox::AddSorted(const std::string& text) {
  int lo = 0;
  int hi = count();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (jov::AlphaLess(text, ItemBytes(mid)))
      hi = mid;
    else
      lo = mid + 1;
  }
  const QString keep = currentText();
  insertItem(lo, FromBytes(text));
  // Inserting into an empty list would select the new line and show its text.
  if (count() == 1) ShowExactComboText(*this, keep);
}

void SortedComboBox::AddAllSorted(std::vector<std::string> texts) {
  std::vector<std::string> all;
  all.reserve(static_cast<std::size_t>(count()) + texts.size());
  for (int i = 0; i < count(); ++i) all.push_back(ItemBytes(i));
  all.insert(all.end(), std::make_move_iterator(texts.begin()), std::make_move_iterator(texts.end()));
  std::stable_sort(all.begin(), all.end(), [](const std::string& a, const std::string& b) { return jov::AlphaLess(a, b); });

  QStringList lines;
  lines.reserve(static_cast<qsizetype>(all.size()));
  for (const auto& text : all) lines.append(FromBytes(text));
  const QString keep = currentText();
  clear();
  addItems(lines);
  ShowExactComboText(*this, keep);
}

std::string SortedComboBox::Text() const { return currentText().toLatin1().toStdString(); }

void SortedComboBox::SetText(const std::string& text) { ShowExactComboText(*this, FromBytes(text)); }

void ShowExactComboText(QComboBox& combo, const QString& text) {
  int found = -1;
  for (int i = 0; i < combo.count(); ++i) {
    if (combo.itemText(i) == text) {
      found = i;
      break;
    }
  }
  combo.setCurrentIndex(found);
  if (combo.isEditable()) combo.setEditText(text);
}
