#include "DataExchange.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <charconv>
#include <cmath>

#include "SortedComboBox.h"
#include "map/ValueText.h"
#include "platform/UserDialogs.h"

const QString DataExchange::kEnterInteger = QStringLiteral("Please enter an integer.");
const QString DataExchange::kEnterNumber = QStringLiteral("Please enter a number.");

QString DataExchange::EnterNoMoreThan(int maxChars) {
  return QStringLiteral("Please enter no more than %1 characters.").arg(maxChars);
}

namespace {

QString FromBytes(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The text between leading and trailing blanks, as Latin-1 bytes.
std::string TrimmedBytes(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  qsizetype begin = 0;
  qsizetype end = bytes.size();
  while (begin < end && (bytes[begin] == ' ' || bytes[begin] == '\t')) ++begin;
  while (end > begin && (bytes[end - 1] == ' ' || bytes[end - 1] == '\t')) --end;
  return std::string(bytes.constData() + begin, static_cast<std::size_t>(end - begin));
}

// The number's text without blanks around it and without a leading "+" (which
// from_chars does not take); nothing when no number can start there.
std::optional<std::string> NumberText(const QString& text) {
  std::string s = TrimmedBytes(text);
  if (!s.empty() && s[0] == '+') {
    s.erase(0, 1);
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) return std::nullopt;
  }
  if (s.empty()) return std::nullopt;
  return s;
}

}  // namespace

std::optional<std::int64_t> DataExchange::ParseInteger(const QString& text, std::int64_t min, std::int64_t max) {
  const auto number = NumberText(text);
  if (!number) return std::nullopt;
  const std::string& s = *number;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (error != std::errc{} || end != s.data() + s.size() || value < min || value > max) return std::nullopt;
  return value;
}

std::optional<float> DataExchange::ParseFloat(const QString& text) {
  // from_chars ignores the C locale, so "0.01" reads the same everywhere. It also
  // reads "inf" and "nan", which is how FloatToText shows such values: a float
  // taken from a map must load and save again without a complaint.
  const auto number = NumberText(text);
  if (!number) return std::nullopt;
  const std::string& s = *number;
  float value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
  if (error != std::errc{} || end != s.data() + s.size()) return std::nullopt;
  return value;
}

void DataExchange::Bind(QWidget* control, Parse parse, std::function<void()> load) {
  m_bindings.push_back(Binding{control, std::move(parse), std::move(load)});
}

void DataExchange::BindText(QLineEdit* edit, std::string& value, int maxChars) {
  if (maxChars > 0) edit->setMaxLength(maxChars);
  Bind(
      edit,
      [edit, &value, maxChars](Commit& commit) -> std::optional<QString> {
        const QString text = edit->text();
        if (maxChars > 0 && text.size() > maxChars) return EnterNoMoreThan(maxChars);
        commit = [&value, bytes = text.toLatin1().toStdString()] { value = bytes; };
        return std::nullopt;
      },
      [edit, &value] { edit->setText(FromBytes(value)); });
}

void DataExchange::BindText(QComboBox* combo, std::string& value, int maxChars) {
  Bind(
      combo,
      [combo, &value, maxChars](Commit& commit) -> std::optional<QString> {
        const QString text = combo->currentText();
        if (maxChars > 0 && text.size() > maxChars) return EnterNoMoreThan(maxChars);
        commit = [&value, bytes = text.toLatin1().toStdString()] { value = bytes; };
        return std::nullopt;
      },
      [combo, &value] { ShowExactComboText(*combo, FromBytes(value)); });
}

void DataExchange::BindIntegerRange(QLineEdit* edit, std::int64_t min, std::int64_t max,
                                    std::function<std::int64_t()> get, std::function<void(std::int64_t)> set) {
  Bind(
      edit,
      [edit, min, max, set](Commit& commit) -> std::optional<QString> {
        const auto parsed = ParseInteger(edit->text(), min, max);
        if (!parsed) return kEnterInteger;
        commit = [set, v = *parsed] { set(v); };
        return std::nullopt;
      },
      [edit, get] { edit->setText(QString::number(get())); });
}

void DataExchange::BindFloat(QLineEdit* edit, float& value) {
  Bind(
      edit,
      [edit, &value](Commit& commit) -> std::optional<QString> {
        const auto parsed = ParseFloat(edit->text());
        if (!parsed) return kEnterNumber;
        commit = [&value, v = *parsed] { value = v; };
        return std::nullopt;
      },
      [edit, &value] { edit->setText(QString::fromLatin1(jov::FloatToText(value))); });
}

void DataExchange::BindCheck(QAbstractButton* box, bool& value) {
  Bind(
      box,
      [box, &value](Commit& commit) -> std::optional<QString> {
        commit = [&value, checked = box->isChecked()] { value = checked; };
        return std::nullopt;
      },
      [box, &value] { box->setChecked(value); });
}

bool DataExchange::Save(jov::UserDialogs& dialogs) const {
  std::vector<Commit> commits;
  commits.reserve(m_bindings.size());
  for (const Binding& binding : m_bindings) {
    Commit commit;
    if (const auto message = binding.parse(commit)) {
      dialogs.ShowValueError(message->toStdString());
      binding.control->setFocus(Qt::OtherFocusReason);
      if (auto* edit = qobject_cast<QLineEdit*>(binding.control)) edit->selectAll();
      return false;
    }
    commits.push_back(std::move(commit));
  }
  for (const Commit& commit : commits)
    if (commit) commit();
  return true;
}

void DataExchange::Load() const {
  for (const Binding& binding : m_bindings) binding.load();
}
