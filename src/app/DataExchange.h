#pragma once
#include <QString>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QWidget;

namespace jov {
class UserDialogs;
}

// The binding of a dialog's controls to its values: an ordered table, built once
// in the dialog's constructor.
//
// Save() walks the table in order and parses every control. At the first control
// whose text does not parse it shows the toolkit's message, gives that control
// the focus and returns false, and then no value has changed: the caller's
// command stops there, and the controls keep what the user typed. Only when every
// control parses are the values written. Load() writes every value back into its
// control.
//
// Texts are map bytes shown as Latin-1; integers are decimal; floats are shown in
// FloatToText form (6 significant digits).
class DataExchange {
 public:
  static const QString kEnterInteger;  // "Please enter an integer."
  static const QString kEnterNumber;   // "Please enter a number."
  static QString EnterNoMoreThan(int maxChars);

  // maxChars 0: no limit.
  void BindText(QLineEdit* edit, std::string& value, int maxChars = 0);
  // Loading selects the line equal to the value, else puts the value in the edit
  // field as it is.
  void BindText(QComboBox* combo, std::string& value, int maxChars = 0);
  void BindInt(QLineEdit* edit, std::int32_t& value) { BindInteger(edit, value); }
  void BindInt(QLineEdit* edit, std::uint32_t& value) { BindInteger(edit, value); }
  void BindInt(QLineEdit* edit, std::int16_t& value) { BindInteger(edit, value); }
  void BindInt(QLineEdit* edit, std::uint16_t& value) { BindInteger(edit, value); }
  void BindFloat(QLineEdit* edit, float& value);
  void BindCheck(QAbstractButton* box, bool& value);

  // For a control of its own kind: parse returns the message when the control's
  // content does not parse, and otherwise hands back the commit that stores it.
  using Commit = std::function<void()>;
  using Parse = std::function<std::optional<QString>(Commit& commit)>;
  void Bind(QWidget* control, Parse parse, std::function<void()> load);

  bool Save(jov::UserDialogs& dialogs) const;
  void Load() const;

  // The parsers behind the bindings, for dialogs that read a field on their own.
  static std::optional<std::int64_t> ParseInteger(const QString& text, std::int64_t min, std::int64_t max);
  static std::optional<float> ParseFloat(const QString& text);

 private:
  template <typename T>
  void BindInteger(QLineEdit* edit, T& value);
  void BindIntegerRange(QLineEdit* edit, std::int64_t min, std::int64_t max, std::function<std::int64_t()> get,
                        std::function<void(std::int64_t)> set);

  struct Binding {
    QWidget* control;
    Parse parse;
    std::function<void()> load;
  };
  std::vector<Binding> m_bindings;
};

template <typename T>
void DataExchange::BindInteger(QLineEdit* edit, T& value) {
  BindIntegerRange(
      edit, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(),
      [&value] { return static_cast<std::int64_t>(value); }, [&value](std::int64_t v) { value = static_cast<T>(v); });
}
