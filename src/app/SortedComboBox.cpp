#include "SortedComboBox.h"

#include <QCompleter>
#include <QLineEdit>
#include <QStringList>
#include <QStringListModel>
#include <algorithm>

#include "platform/AlphaOrder.h"

namespace {

QString FromBytes(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

SortedComboBox::SortedComboBox(QWidget* parent) : QComboBox(parent), m_lines(new QStringListModel(this)) {
  setModel(m_lines);
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

void SortedComboBox::CompleteByContains() {
  completer()->setCompletionMode(QCompleter::PopupCompletion);
  completer()->setFilterMode(Qt::MatchContains);
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
  m_lines->setStringList(lines);
  ShowExactComboText(*this, keep);
}

std::optional<int> SortedComboBox::FindExact(const QString& text) const {
  // Texts that AlphaLess finds neither less nor greater are the same bytes, so
  // the lower bound is the first equal line when there is one.
  const std::string bytes = text.toLatin1().toStdString();
  int lo = 0;
  int hi = count();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (jov::AlphaLess(ItemBytes(mid), bytes))
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo < count() && itemText(lo) == text) return lo;
  return std::nullopt;
}

std::string SortedComboBox::Text() const { return currentText().toLatin1().toStdString(); }

void SortedComboBox::SetText(const std::string& text) { ShowExactComboText(*this, FromBytes(text)); }

void ShowExactComboText(QComboBox& combo, const QString& text) {
  int found = -1;
  if (const auto* sorted = qobject_cast<const SortedComboBox*>(&combo)) {
    found = sorted->FindExact(text).value_or(-1);
  } else {
    for (int i = 0; i < combo.count(); ++i) {
      if (combo.itemText(i) == text) {
        found = i;
        break;
      }
    }
  }
  combo.setCurrentIndex(found);
  if (combo.isEditable()) combo.setEditText(text);
}
