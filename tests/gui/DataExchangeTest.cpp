// The value exchange between a dialog's controls and its values.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>
#include <random>

#include "DataExchange.h"
#include "GuiTestSupport.h"
#include "ScriptedDialogs.h"
#include "SortedComboBox.h"
#include "map/ValueText.h"

class DataExchangeTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { guitest::UseCNumbers(); }

  void integersReadDecimalWithinTheirTypesRange() {
    const auto parse32 = [](const char* text) { return DataExchange::ParseInteger(text, INT32_MIN, INT32_MAX); };
    QCOMPARE(parse32("42"), std::optional<std::int64_t>(42));
    QCOMPARE(parse32("  -7\t"), std::optional<std::int64_t>(-7));
    QCOMPARE(parse32("+12"), std::optional<std::int64_t>(12));
    QCOMPARE(parse32("-2147483648"), std::optional<std::int64_t>(INT32_MIN));
    for (const char* bad : {"", " ", "12a", "0x10", "1.5", "2147483648", "++1", "+-1", "-", "1 2"})
      QVERIFY2(!parse32(bad), bad);
    QVERIFY(!DataExchange::ParseInteger("65536", 0, 65535));
    QVERIFY(!DataExchange::ParseInteger("-1", 0, 65535));
  }

  void floatsReadWhateverFloatToTextWrites() {
    QCOMPARE(DataExchange::ParseFloat("0.01"), std::optional<float>(0.01f));
    QCOMPARE(DataExchange::ParseFloat(" -3.5 "), std::optional<float>(-3.5f));
    QCOMPARE(DataExchange::ParseFloat(".5"), std::optional<float>(0.5f));
    QCOMPARE(DataExchange::ParseFloat("1e+010"), std::optional<float>(1e10f));
    QVERIFY(std::isinf(*DataExchange::ParseFloat("-inf")));
    QVERIFY(std::isnan(*DataExchange::ParseFloat("nan")));
    for (const char* bad : {"", "abc", "1.5x", "1,5", "0x1p3", "1e50", "--1", "+-1", "1 2"})
      QVERIFY2(!DataExchange::ParseFloat(bad), bad);

    // Every float shown in FloatToText form reads back to the float that the
    // text shows, so loading and saving again is stable.
    std::mt19937 random(7);
    for (int i = 0; i < 5000; ++i) {
      const float value = jov::FloatFromBits(static_cast<std::uint32_t>(random()));
      const std::string shown = jov::FloatToText(value);
      const auto parsed = DataExchange::ParseFloat(QString::fromLatin1(shown));
      QVERIFY2(parsed.has_value(), shown.c_str());
      QCOMPARE(jov::FloatToText(*parsed), shown);
    }
  }

  void saveStopsAtTheFirstValueThatDoesNotParseAndChangesNothing() {
    QWidget window;
    auto* name = new QLineEdit(&window);
    auto* size = new QLineEdit(&window);
    auto* step = new QLineEdit(&window);
    auto* limited = new QLineEdit(&window);
    auto* flag = new QCheckBox(&window);
    std::string nameValue = "old";
    std::int32_t sizeValue = 5;
    float stepValue = 0.01f;
    std::string limitedValue = "ab";
    bool flagValue = false;

    DataExchange exchange;
    exchange.BindText(name, nameValue);
    exchange.BindInt(size, sizeValue);
    exchange.BindFloat(step, stepValue);
    exchange.BindText(limited, limitedValue, 4);
    exchange.BindCheck(flag, flagValue);
    exchange.Load();
    QCOMPARE(step->text(), QStringLiteral("0.01"));
    QCOMPARE(size->text(), QStringLiteral("5"));
    QCOMPARE(limited->maxLength(), 4);

    ScriptedDialogs dialogs;
    name->setText("new");
    size->setText("x");
    step->setText("y");
    flag->setChecked(true);
    QVERIFY(!exchange.Save(dialogs));
    QCOMPARE(dialogs.valueErrors, std::vector<std::string>{"Please enter an integer."});  // the first bad one only
    QCOMPARE(window.focusWidget(), size);
    QCOMPARE(nameValue, std::string("old"));
    QVERIFY(!flagValue);
    QCOMPARE(name->text(), QStringLiteral("new"));  // what the user typed stays

    size->setText("12");
    QVERIFY(!exchange.Save(dialogs));
    QCOMPARE(dialogs.valueErrors.back(), std::string("Please enter a number."));
    QCOMPARE(window.focusWidget(), step);

    step->setText("2.5");
    QVERIFY(exchange.Save(dialogs));
    QCOMPARE(nameValue, std::string("new"));
    QCOMPARE(sizeValue, 12);
    QCOMPARE(stepValue, 2.5f);
    QVERIFY(flagValue);

    // A text longer than its limit (set by a program, past the field's own limit).
    limited->setMaxLength(32767);
    limited->setText("abcde");
    QVERIFY(!exchange.Save(dialogs));
    QCOMPARE(dialogs.valueErrors.back(), std::string("Please enter no more than 4 characters."));
    QCOMPARE(window.focusWidget(), limited);
  }

  void mapBytesRoundTripThroughTheControls() {
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* combo = new SortedComboBox(&window);
    combo->AddAllSorted({"weap", std::string(4, '\xFF')});
    std::string text = std::string("\xFF\xFE\x80 tag\\\xE9", 9);
    std::string code = std::string(4, '\xFF');
    DataExchange exchange;
    exchange.BindText(edit, text);
    exchange.BindText(combo, code);
    exchange.Load();
    QCOMPARE(edit->text().size(), qsizetype{9});
    QCOMPARE(combo->currentIndex(), combo->findText(QString(4, QChar(0xFF))));
    const std::string before = text;
    ScriptedDialogs dialogs;
    QVERIFY(exchange.Save(dialogs));
    QCOMPARE(text, before);
    QCOMPARE(code, std::string(4, '\xFF'));
  }

  void loadingAComboShowsExactlyTheValue() {
    SortedComboBox combo;
    combo.AddAllSorted({"deca", "DeLa", "weap", "Weap"});
    std::string value;
    DataExchange exchange;
    exchange.BindText(&combo, value);
    const std::vector<std::pair<std::string, int>> cases = {
        {"de", -1}, {"dela", -1}, {"DeLa", 1}, {"Weap", 2}, {"weap", 3}, {"", -1}, {"deca ", -1}};
    for (const auto& [text, index] : cases) {
      value = text;
      exchange.Load();
      QCOMPARE(guitest::Bytes(combo.currentText()), text);
      QCOMPARE(combo.currentIndex(), index);
    }
  }
};

QTEST_MAIN(DataExchangeTest)
#include "DataExchangeTest.moc"
