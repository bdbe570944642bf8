#include "DataExchange.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

#include "SortedComboBox.h"
#include "map/FieldText.h"
#include "map/ValueText.h"
#include "platform/UserDialogs.h"

const QString DataExchange::kEnterInteger = QString::fromLatin1(jov::kEnterInteger);
const QString DataExchange::kEnterNumber = QString::fromLatin1(jov::kEnterNumber);

QString DataExchange::EnterNoMoreThan(int maxChars) { return QString::fromStdString(jov::EnterNoMoreThan(maxChars)); }

namespace {

QString FromBytes(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// One parser for the editor and jov-cli: the core's field rules.
std::optional<std::int64_t> DataExchange::ParseInteger(const QString& text, std::int64_t min, std::int64_t max) {
  return jov::ParseIntegerField(text.toLatin1().toStdString(), min, max);
}

std::optional<float> DataExchange::ParseFloat(const QString& text) {
  return jov::ParseNumberField(text.toLatin1().toStdString());
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
