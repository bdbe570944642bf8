// jov-cli check, crc, xbox-decompress, xbox-compress: is a map sound, its CRC32,
// and compressed Xbox maps.
#include <cstdio>
#include <iostream>
#include <optional>

#include <nlohmann/json.hpp>

#include "check/MapCheck.h"
#include "check/MapCrc.h"
#include "check/XboxCompression.h"
#include "cli/CliCommon.h"
#include "map/ValueText.h"

namespace jov::cli {

namespace {

std::string Hex8(std::uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

void RunCheck(const std::string& path, bool json) {
  const CheckReport report = CheckMapFile(path);
  if (json) {
    nlohmann::ordered_json doc;
    doc["map"] = path;
    doc["errors"] = report.errors;
    doc["warnings"] = report.warnings;
    doc["notes"] = report.notes;
    doc["compressedXbox"] = report.compressedXbox;
    if (report.storedCrc) doc["storedCrc32"] = Hex8(*report.storedCrc);
    if (report.computedCrc) doc["computedCrc32"] = Hex8(*report.computedCrc);
    doc["findings"] = nlohmann::ordered_json::array();
    for (const Finding& f : report.findings) {
      nlohmann::ordered_json item;
      item["severity"] = SeverityText(f.severity);
      item["where"] = f.where;
      item["what"] = f.what;
      if (f.tag >= 0) item["tag"] = f.tag;
      doc["findings"].push_back(std::move(item));
    }
    // Names in a hostile map need not be UTF-8: such bytes are replaced, not refused.
    std::cout << doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  } else {
    for (const Finding& f : report.findings) std::cout << FindingLine(f) << '\n';
    std::cout << SummaryLine(report) << '\n';
  }
  if (report.HasErrors()) SetExitStatus(kRefused);
}

std::uint32_t ParseCrc(const std::string& text) {
  std::string digits = text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0 ? text.substr(2) : text;
  if (digits.empty() || digits.size() > 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    throw UsageError("--forge " + text + ": give the CRC32 as up to 8 hex digits");
  return HexToUInt(digits);
}

void RunCrc(const std::string& path, bool fix, const std::optional<std::string>& forge) {
  std::optional<std::uint32_t> wanted;
  if (forge) wanted = ParseCrc(*forge);
  auto opened = OpenMap(path);
  if (fix) {
    ConsoleDialogs dialogs;
    std::uint32_t written = 0;
    const PlanOutcome outcome = RunPlanned(*opened, "Fix CRC32", dialogs, [&] { written = FixMapCrc(opened->map); });
    if (DryRun()) return;
    if (outcome.written) std::cout << "Wrote CRC32 " << Hex8(written) << " at 0x064.\n";
  } else if (wanted) {
    ConsoleDialogs dialogs;
    RunPlanned(*opened, "Forge CRC32 " + Hex8(*wanted), dialogs, [&] { ForgeMapCrc(opened->map, *wanted); });
    if (DryRun()) return;
    std::cout << "Forged CRC32 " << Hex8(*wanted) << ": changed the free value at tag data header +0x08.\n";
  }
  const CrcValues values = MapCrcValues(opened->map);
  std::cout << "Stored CRC32: " << Hex8(values.stored) << '\n'
            << "Computed CRC32: " << Hex8(values.computed) << '\n'
            << (values.stored == values.computed ? "They match." : "They differ.") << '\n';
}

const Registration kRegistration([](CLI::App& app) {
  {
    static std::string path;
    static bool json = false;
    auto* cmd = app.add_subcommand("check", "Check MAP: one line a finding (error, warning, note), then a summary; exit 1 on an error");
    cmd->add_option("MAP", path, "Map file")->required();
    cmd->add_flag("--json", json, "Print the findings as one JSON document");
    cmd->callback([] { RunCheck(path, json); });
  }
  {
    static std::string path;
    static bool fix = false;
    static std::optional<std::string> forge;
    auto* cmd = app.add_subcommand("crc", "Print MAP's stored and computed CRC32 (PC and CE maps); fix or forge it");
    cmd->add_option("MAP", path, "Map file")->required();
    auto* fixFlag = cmd->add_flag("--fix", fix, "Write the computed CRC32 at 0x064");
    cmd->add_option("--forge", forge, "Change the free value at tag data header +0x08 so the CRC32 is HEX, and store HEX")
        ->excludes(fixFlag);
    AddDryRun(cmd);
    cmd->callback([] { RunCrc(path, fix, forge); });
  }
  {
    static std::string in, out;
    auto* cmd = app.add_subcommand("xbox-decompress", "Decompress the Xbox map IN into the new file OUT");
    cmd->add_option("IN", in, "Compressed Xbox map")->required();
    cmd->add_option("OUT", out, "Map file to write (not IN)")->required();
    cmd->callback([] {
      DecompressXboxMap(in, out);
      std::cout << "Wrote the decompressed map " << out << ".\n";
    });
  }
  {
    static std::string in, out;
    auto* cmd = app.add_subcommand("xbox-compress", "Compress the Xbox map IN into the new file OUT, as the game ships it");
    cmd->add_option("IN", in, "Decompressed Xbox map")->required();
    cmd->add_option("OUT", out, "Map file to write (not IN)")->required();
    cmd->callback([] {
      CompressXboxMap(in, out);
      std::cout << "Wrote the compressed map " << out << ".\n";
    });
  }
});

}  // namespace

}  // namespace jov::cli
