// Every command over maps laid out as the game's own tools write them, in the
// three versions: structure BSP sections read and written with their own base,
// CE tags read from the resource maps beside the map and never written there,
// transfers into and out of a BSP refused.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "CliRunner.h"
#include "map/RealSampleMap.h"
#include "map/ValueText.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using testing::RunCli;
using testing::TempDir;
using Bytes = std::vector<unsigned char>;

struct RealFiles {
  explicit RealFiles(std::uint16_t version, std::uint32_t seed) : real(GenerateRealSampleMap(version, 30, seed)) {
    map = dir.Write("real.map", real.map);
    for (const auto& [name, bytes] : real.resources) dir.Write(name, bytes);
  }
  // The first tag of that home, -1 when there is none.
  int First(RealTagTruth::Home home, bool withBytes = true) const {
    for (std::size_t n = 0; n < real.truth.size(); ++n)
      if (real.truth[n].home == home && (!withBytes || real.truth[n].size > 0)) return static_cast<int>(n);
    return -1;
  }
  Bytes InMap(int tag) const {
    const RealTagTruth& t = real.truth[static_cast<std::size_t>(tag)];
    return Bytes(real.map.begin() + t.metaOffset, real.map.begin() + t.metaOffset + t.size);
  }
  Bytes InResource(int tag) const {
    const RealTagTruth& t = real.truth[static_cast<std::size_t>(tag)];
    const Bytes& file = real.resources.at(t.resourceFile);
    return Bytes(file.begin() + t.resourceOffset, file.begin() + t.resourceOffset + t.resourceSize);
  }
  Bytes Now() const { return ReadBytesFromFile(map); }

  TempDir dir;
  RealSampleMap real;
  std::string map;
};

std::string HexText(const Bytes& bytes) {
  std::string text;
  for (const unsigned char b : bytes) text += BytesToHex(&b, 1) + " ";
  return text;
}

struct Case {
  const char* what;
  std::function<std::optional<std::vector<std::string>>(RealFiles&)> args;  // none: not for this version
  int status;
  std::string says;                          // a piece of standard output or error
  std::function<void(RealFiles&, const testing::CliResult&)> then = nullptr;
};

TEST(RealMapCli, EveryCommandOverEveryVersion) {
  const auto index = [](int n) { return std::to_string(n); };
  const std::vector<Case> cases = {
      {"check", [](RealFiles& f) { return std::vector<std::string>{"check", f.map}; }, 0, "0 errors, 0 warnings"},
      {"scan a structure BSP",
       [&](RealFiles& f) { return std::vector<std::string>{"scan", f.map, index(f.First(RealTagTruth::Home::Bsp))}; }, 0, ""},
      {"extract a structure BSP: its section",
       [&](RealFiles& f) {
         return std::vector<std::string>{"extract", f.map, index(f.First(RealTagTruth::Home::Bsp)), f.dir.File("bsp.meta")};
       },
       0, "",
       [](RealFiles& f, const testing::CliResult&) {
         EXPECT_EQ(ReadBytesFromFile(f.dir.File("bsp.meta")), f.InMap(f.First(RealTagTruth::Home::Bsp)));
       }},
      {"extract the last tag: it runs to the end of the tag data",
       [&](RealFiles& f) {
         return std::vector<std::string>{"extract", f.map, index(static_cast<int>(f.real.truth.size()) - 1), f.dir.File("last.meta")};
       },
       0, "",
       [](RealFiles& f, const testing::CliResult&) {
         const int last = static_cast<int>(f.real.truth.size()) - 1;
         EXPECT_FALSE(f.InMap(last).empty());
         EXPECT_EQ(ReadBytesFromFile(f.dir.File("last.meta")), f.InMap(last));
       }},
      {"fields of the last tag",
       [&](RealFiles& f) { return std::vector<std::string>{"fields", f.map, index(static_cast<int>(f.real.truth.size()) - 1)}; },
       0, ""},
      {"refs of the scenario", [&](RealFiles& f) { return std::vector<std::string>{"refs", f.map, "0"}; }, 0, ""},
      {"hexedit a structure BSP, then undo",
       [&](RealFiles& f) {
         Bytes changed = f.InMap(f.First(RealTagTruth::Home::Bsp));
         changed[0x20] ^= 0x5A;
         return std::vector<std::string>{"hexedit", f.map, index(f.First(RealTagTruth::Home::Bsp)), "--text", HexText(changed)};
       },
       0, "",
       [](RealFiles& f, const testing::CliResult&) {
         const RealTagTruth& bsp = f.real.truth[static_cast<std::size_t>(f.First(RealTagTruth::Home::Bsp))];
         Bytes expected = f.real.map;
         expected[bsp.metaOffset + 0x20] ^= 0x5A;
         EXPECT_EQ(f.Now(), expected);
         EXPECT_EQ(RunCli({"undo", f.map}).status, 0);
         EXPECT_EQ(f.Now(), f.real.map);
       }},
      {"inject into a structure BSP",
       [&](RealFiles& f) {
         return std::vector<std::string>{"inject", f.map, index(f.First(RealTagTruth::Home::Bsp)), f.dir.Write("in.meta", Bytes(16, 1))};
       },
       1, "is a structure BSP"},
      {"direct inject out of a structure BSP",
       [&](RealFiles& f) {
         return std::vector<std::string>{"direct-inject", f.map, index(static_cast<int>(f.real.truth.size()) - 1), f.map,
                                         index(f.First(RealTagTruth::Home::Bsp)), "--yes"};
       },
       1, "is a structure BSP"},
      {"extract a CE external tag: its resource entry",
       [&](RealFiles& f) -> std::optional<std::vector<std::string>> {
         if (f.First(RealTagTruth::Home::External, false) < 0) return std::nullopt;
         return std::vector<std::string>{"extract", f.map, index(f.First(RealTagTruth::Home::External, false)), f.dir.File("ext.meta")};
       },
       0, "",
       [](RealFiles& f, const testing::CliResult&) {
         const int ext = f.First(RealTagTruth::Home::External, false);
         EXPECT_FALSE(f.InResource(ext).empty());
         EXPECT_EQ(ReadBytesFromFile(f.dir.File("ext.meta")), f.InResource(ext));
       }},
      {"scan a CE external tag", [&](RealFiles& f) -> std::optional<std::vector<std::string>> {
         if (f.First(RealTagTruth::Home::External, false) < 0) return std::nullopt;
         return std::vector<std::string>{"scan", f.map, index(f.First(RealTagTruth::Home::External, false))};
       },
       0, ""},
      {"write a CE external tag", [&](RealFiles& f) -> std::optional<std::vector<std::string>> {
         if (f.First(RealTagTruth::Home::External, false) < 0) return std::nullopt;
         return std::vector<std::string>{"hexedit", f.map, index(f.First(RealTagTruth::Home::External, false)), "--text", "00 11 "};
       },
       1, "JOV does not write resource maps"},
      {"a CE external tag without its resource map", [&](RealFiles& f) -> std::optional<std::vector<std::string>> {
         if (f.First(RealTagTruth::Home::External, false) < 0) return std::nullopt;
         return std::vector<std::string>{"--resource-folder", f.dir.File("elsewhere"), "scan", f.map,
                                         index(f.First(RealTagTruth::Home::External, false))};
       },
       1, "was not found in"},
      {"a resource map listed", [&](RealFiles& f) -> std::optional<std::vector<std::string>> {
         if (f.real.resources.empty()) return std::nullopt;
         return std::vector<std::string>{"resources", f.dir.File(f.real.resources.begin()->first)};
       },
       0, ""},
  };
  for (const std::uint16_t version : {std::uint16_t{5}, std::uint16_t{7}, std::uint16_t{0x261}}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + ", version " + std::to_string(version));
      RealFiles files(version, 3 + version);
      const auto args = c.args(files);
      if (!args) continue;
      const auto before = files.Now();
      const auto result = RunCli(*args);
      EXPECT_EQ(result.status, c.status) << result.out << result.err;
      EXPECT_NE((result.out + result.err).find(c.says), std::string::npos) << result.out << result.err;
      if (c.status != 0) {
        EXPECT_EQ(files.Now(), before) << "a refused command wrote";
      }
      if (c.then) c.then(files, result);
    }
  }
}

}  // namespace
}  // namespace jov
