#include <gtest/gtest.h>

#include "builder/AddTag.h"
#include "check/WriteGuards.h"
#include "map/Refused.h"
#include "map/SampleMap.h"
#include "map/ValueText.h"
#include "support/RecordedDialogs.h"
#include "support/TestMap.h"
#include "transfer/InsertData.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;

// Insert Data and Add Tag write at the EoF Position: neither may when it lies
// inside the header or past 0x7FFFFFFF, and the file stays as it was. Past the
// file's end is room Add Tag reserved: both go ahead there.
TEST(WriteGuards, InsertDataAndAddTagRefuseAnEofPositionOutsideTheFile) {
  struct Case {
    const char* name;
    std::function<std::uint32_t(std::uint32_t length)> eof;
    const char* message;  // nullptr: the write goes ahead
  };
  const std::vector<Case> cases = {
      {"inside the header", [](std::uint32_t) { return 0x10u; }, kEofInsideHeader},
      {"just before the header's end", [](std::uint32_t) { return 0x7FFu; }, kEofInsideHeader},
      {"one past the end", [](std::uint32_t length) { return length + 1; }, nullptr},
      {"a reserved room past the end", [](std::uint32_t length) { return length + 4096; }, nullptr},
      {"past the last position", [](std::uint32_t) { return 0x80000000u; }, kEofPastFileEnd},
      {"at the end", [](std::uint32_t length) { return length; }, nullptr},
      {"free space before the end", [](std::uint32_t length) { return length - 64; }, nullptr},
  };
  for (const std::uint16_t version : {kVersionXbox, kVersionPc}) {
    for (const Case& c : cases) {
      for (const bool addTag : {false, true}) {
        SCOPED_TRACE(std::string(c.name) + (addTag ? ", Add Tag" : ", Insert Data") + ", version " + std::to_string(version));
        Bytes bytes = WriteSampleMap(GenerateSampleMap(version, 6, 4));
        PutLe32(bytes, 0x08, c.eof(static_cast<std::uint32_t>(bytes.size())));
        testing::TestMap t(bytes);
        t.Open();
        MapBuilderFields fields;
        fields.strTagName = "new\\tag";
        fields.strTagFile = t.dir.Write("tag.meta", Bytes(16, 7));
        testing::RecordedDialogs dialogs;
        dialogs.yesAnswer = true;
        const auto run = [&] {
          if (addTag)
            AddTag(t.map, t.tree, fields, dialogs);
          else
            InsertDataAtEnd(t.map, "0102");
        };
        if (c.message) {
          try {
            run();
            ADD_FAILURE() << "not refused";
          } catch (const Refused& e) {
            EXPECT_STREQ(e.what(), c.message);
          }
          EXPECT_EQ(ReadBytesFromFile(t.path), bytes);
        } else {
          run();
          EXPECT_NE(ReadBytesFromFile(t.path), bytes);
        }
      }
    }
  }
}

// A header save asks only when it adds an error the map does not have now.
TEST(WriteGuards, AHeaderThatAddsAnErrorIsAskedAboutFirst) {
  struct Case {
    const char* name;
    std::function<void(MapHeaderInfo&, std::uint32_t length)> edit;
    const char* error;  // the new error the question names; nullptr: no question
  };
  const std::vector<Case> cases = {
      {"unchanged", [](MapHeaderInfo&, std::uint32_t) {}, nullptr},
      {"a new name", [](MapHeaderInfo& h, std::uint32_t) { h.m_strMapName = "other"; }, nullptr},
      {"a tag count that fits", [](MapHeaderInfo& h, std::uint32_t) { h.m_nTagCount = 3; }, nullptr},
      {"a tag count past the end", [](MapHeaderInfo& h, std::uint32_t) { h.m_nTagCount = 32767; }, "an index of 32767 entries runs past the end"},
      {"an unknown version", [](MapHeaderInfo& h, std::uint32_t) { h.m_nVersion = 30778; }, "version 30778 is none of"},
      {"an index offset outside", [](MapHeaderInfo& h, std::uint32_t length) { h.m_strIndexOffset = UIntToHex(length + 0x100); },
       "lies outside the file"},
      {"an EoF Position past the end (room reserved)",
       [](MapHeaderInfo& h, std::uint32_t length) { h.m_strEofPosition = UIntToHex(length + 1); }, nullptr},
      {"an EoF Position past 0x7FFFFFFF", [](MapHeaderInfo& h, std::uint32_t) { h.m_strEofPosition = "80000010"; },
       "lies past 0x7FFFFFFF"},
  };
  for (const Case& c : cases) {
    for (const bool yes : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (yes ? ", Yes" : ", No"));
      testing::TestMap t(GenerateSampleMap(kVersionCe, 8, 2));
      t.Open();
      const auto length = static_cast<std::uint32_t>(t.map.File().Length());
      MapHeaderInfo info = t.map.GetHeaderInfo();
      c.edit(info, length);
      testing::RecordedDialogs dialogs;
      dialogs.yesAnswer = yes;
      const bool go = ConfirmHeaderWrite(t.map, info, dialogs);
      if (!c.error) {
        EXPECT_TRUE(go);
        EXPECT_TRUE(dialogs.questions.empty());
      } else {
        EXPECT_EQ(go, yes);
        ASSERT_EQ(dialogs.questions.size(), 1u);
        EXPECT_NE(dialogs.questions[0].find(c.error), std::string::npos) << dialogs.questions[0];
      }
    }
  }
}

TEST(WriteGuards, AnErrorTheMapAlreadyHasIsNotAskedAboutAgain) {
  Bytes bytes = WriteSampleMap(GenerateSampleMap(kVersionPc, 8, 2));
  PutLe32(bytes, 0x08, static_cast<std::uint32_t>(bytes.size()) + 0x1000);  // EoF already past the end
  testing::TestMap t(bytes);
  t.Open();
  MapHeaderInfo info = t.map.GetHeaderInfo();
  info.m_strEofPosition = UIntToHex(static_cast<std::uint32_t>(bytes.size()) + 0x2000);
  EXPECT_TRUE(NewHeaderErrors(t.map, info).empty());
  info.m_nTagCount = 20000;
  EXPECT_EQ(NewHeaderErrors(t.map, info).size(), 1u);
}

}  // namespace
}  // namespace jov
