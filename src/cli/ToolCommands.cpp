// jov-cli float-to-hex, hex-to-float, reflexive-to-offset, offset-to-reflexive,
// convert-guerilla: the calculators and the Guerilla tag converter.
#include <iostream>

#include "cli/CliCommon.h"
#include "map/FieldText.h"
#include "map/ValueText.h"
#include "tools/GuerillaConverter.h"
#include "tools/HexFloatCalc.h"
#include "tools/ReflexiveCalc.h"

namespace jov::cli {

namespace {

// A field that does not parse: the toolkit's message, exit status 1, nothing
// converted.
void RefuseValue(const std::string& message) {
  ConsoleDialogs dialogs;
  dialogs.ShowValueError(message);
  SetExitStatus(kRefused);
}

void FloatToHexCommand(const std::string& text) {
  const auto value = ParseFloatField(text);
  if (!value) return RefuseValue(kEnterNumber);
  HexFloatValues values;
  values.value = *value;
  values.FloatToHex();
  std::cout << values.hex << '\n';
}

void HexToFloatCommand(const std::string& text) {
  if (!FitsLimit(text, kHexFloatLimit)) return RefuseValue(EnterNoMoreThan(kHexFloatLimit));
  // A text that is not 8 characters long leaves the field as the dialog opened.
  HexFloatValues values;
  values.hex = text;
  values.HexToFloat();
  std::cout << FloatToText(values.value) << '\n';
}

void ConvertGuerillaCommand(const std::string& in, const std::string& out, const std::string& limitText, bool fixShorts) {
  GuerillaOptions options;
  if (fixShorts) {
    const auto limit = ParseUInt32Field(limitText);
    if (!limit) return RefuseValue(kEnterPositiveInteger);
    options.fixShorts = true;
    options.shortLimit = *limit;
  }
  GuerillaConverter converter;
  converter.OpenInput(in);
  // Checked before the output is created, so a refused input leaves OUT as it was.
  converter.CheckInput();
  converter.CreateOutput(out);
  converter.Convert(options);
}

const Registration kRegistration([](CLI::App& app) {
  auto* floatToHex = app.add_subcommand("float-to-hex", "\"&Float to Hex\": the hex text of the float F's bits");
  static std::string floatText;
  floatToHex->add_option("F", floatText, "Decimal float")->required();
  floatToHex->callback([] { FloatToHexCommand(floatText); });

  auto* hexToFloat = app.add_subcommand("hex-to-float", "\"&Hex to Float\": the float whose bits are the 8 digits H");
  static std::string hexText;
  hexToFloat->add_option("H", hexText, "Hex float, 8 digits")->required();
  hexToFloat->callback([] { HexToFloatCommand(hexText); });

  auto* toOffset = app.add_subcommand("reflexive-to-offset",
                                      "\"&Reflexive to Offset\": the file offset of a stored pointer, given the magic");
  static std::string reflexive;
  static std::string reflexiveMagic;
  toOffset->add_option("REFLEXIVE", reflexive, "The pointer's bytes as the map holds them (spaces allowed)")->required();
  toOffset->add_option("MAGIC", reflexiveMagic, "The map's magic")->required();
  toOffset->callback([] {
    ReflexiveValues values{"", reflexive, reflexiveMagic};
    values.ReflexiveToOffset();
    std::cout << values.offset << '\n';
  });

  auto* toReflexive = app.add_subcommand("offset-to-reflexive",
                                         "\"&Offset to Reflexive\": the bytes a map stores for OFFSET, given the magic");
  static std::string offset;
  static std::string offsetMagic;
  toReflexive->add_option("OFFSET", offset, "File offset (hex)")->required();
  toReflexive->add_option("MAGIC", offsetMagic, "The map's magic")->required();
  toReflexive->callback([] {
    ReflexiveValues values{offset, "", offsetMagic};
    values.OffsetToReflexive();
    std::cout << values.reflexive << '\n';
  });

  auto* convert = app.add_subcommand("convert-guerilla", "The \"Guerilla Tag Converter\": IN converted into OUT");
  static std::string in;
  static std::string out;
  static std::string limit;
  convert->add_option("IN", in, "Guerilla tag file")->required();
  convert->add_option("OUT", out, "Xbox tag (.meta) to write")->required();
  auto* fix = convert->add_option("--fix-shorts", limit, "\"Fix Shorts\" on, with the limit K");
  convert->callback([fix] { ConvertGuerillaCommand(in, out, limit, fix->count() > 0); });
});

}  // namespace

}  // namespace jov::cli
