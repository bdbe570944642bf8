// Every command that writes a map, on many generated maps with random edits:
// the whole file after the command must equal the file before it with only the
// bytes the command means to write put in. Where those bytes go, and what they
// are, is worked out here from the map writer's layout (SampleLayout) and the
// edit itself, not from the map model the command reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "builder/AddTag.h"
#include "map/MapInfoFields.h"
#include "map/Refused.h"
#include "map/SampleMap.h"
#include "map/TagClassTable.h"
#include "map/ValueText.h"
#include "scanner/ScanMetadata.h"
#include "scanner/ScanSelectResult.h"
#include "scanner/ScanTagList.h"
#include "scanner/ScanUpdateItem.h"
#include "support/RecordedDialogs.h"
#include "support/TestMap.h"
#include "tools/HexEditorText.h"
#include "transfer/DirectInjectTag.h"
#include "transfer/InjectTagMetadata.h"
#include "transfer/InsertData.h"
#include "transfer/TagRecordEdit.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;
using testing::RecordedDialogs;
using testing::TestMap;

constexpr int kMapsPerCommand = 24;

// ---- the expected file, built byte by byte --------------------------------

void Put(Bytes& file, std::uint64_t at, const Bytes& bytes) {
  if (file.size() < at + bytes.size()) file.resize(static_cast<std::size_t>(at + bytes.size()), 0);
  std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<long>(at));
}
Bytes Le(std::uint32_t value, int n) {
  Bytes out;
  for (int i = 0; i < n; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
  return out;
}
Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes Zeros(std::size_t n) { return Bytes(n, 0); }

// Lowercase hex digits and back, one pair a byte (the metadata text's form).
std::string Digits(const Bytes& bytes) {
  static const char* kHex = "0123456789abcdef";
  std::string text;
  for (const unsigned char b : bytes) {
    text += kHex[b >> 4];
    text += kHex[b & 15];
  }
  return text;
}
int Nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}
Bytes FromDigits(const std::string& text) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    out.push_back(static_cast<unsigned char>(Nibble(text[i]) << 4 | Nibble(text[i + 1])));
  return out;
}

// First byte where the files differ, for the failure message.
std::string FirstDifference(const Bytes& expected, const Bytes& actual) {
  if (expected == actual) return "none";
  const std::size_t n = std::min(expected.size(), actual.size());
  for (std::size_t i = 0; i < n; ++i)
    if (expected[i] != actual[i]) return "byte 0x" + UIntToHex(static_cast<std::uint32_t>(i));
  return "length " + std::to_string(actual.size()) + " instead of " + std::to_string(expected.size());
}
#define EXPECT_FILE(expected, actual) EXPECT_TRUE((expected) == (actual)) << "first difference: " << FirstDifference(expected, actual)

// ---- generated maps ---------------------------------------------------------

struct Subject {
  explicit Subject(SampleMapPlan s, const std::string& name = "test.map")
      : plan(std::move(s)), layout(LayoutOf(plan)), t(plan, name), before(ReadBytesFromFile(t.path)) {
    t.Open();
  }
  // A tag's extent as the writer laid it out: its metadata, up to the next
  // tag's; none for the last tag and for an "sbsp".
  std::uint32_t Size(std::size_t n) const {
    return n + 1 < plan.tags.size() && plan.tags[n].class1 != "sbsp" ? static_cast<std::uint32_t>(plan.tags[n].meta.size()) : 0;
  }
  std::uint32_t Meta(std::size_t n) const { return layout.metaOffsets[n]; }
  // The index header's place in the file, whatever the version.
  std::uint32_t IndexHeader() const { return plan.indexOffset; }
  Bytes Now() const { return ReadBytesFromFile(t.path); }

  SampleMapPlan plan;
  SampleLayout layout;
  TestMap t;
  Bytes before;
};

SampleMapPlan RandomPlan(std::mt19937& rng) {
  static const std::uint16_t kVersions[] = {kVersionXbox, kVersionPc, kVersionCe};
  static const std::uint32_t kMetaSizes[] = {32, 80, 200};
  return GenerateSampleMap(kVersions[rng() % 3], 3 + static_cast<int>(rng() % 8), rng(), kMetaSizes[rng() % 3]);
}

// A tag with metadata, not the last and not an "sbsp".
std::size_t TagWithMetadata(const Subject& m, std::mt19937& rng) {
  for (;;) {
    const std::size_t n = rng() % m.plan.tags.size();
    if (m.Size(n) > 0) return n;
  }
}

const std::string& RandomClassCode(std::mt19937& rng) {
  return TagClassTable::Rows()[rng() % TagClassTable::kSearchRows].code;
}

std::string RandomHex(std::mt19937& rng, std::size_t digits) {
  static const char* kHex = "0123456789abcdefABCDEF";
  std::string text;
  for (std::size_t i = 0; i < digits; ++i) text += kHex[rng() % 22];
  return text;
}

// ---- Update Item ----------------------------------------------------------

// The bytes of a class code as a dependency stores it: its four characters in
// reverse order, an "x" standing for a zero byte (the piece is built through
// the text-to-hex rule, which writes x as 00).
Bytes StoredClassForPiece(const std::string& code) {
  Bytes out;
  for (auto it = code.rbegin(); it != code.rend(); ++it) out.push_back(*it == 'x' ? 0 : static_cast<unsigned char>(*it));
  return out;
}

// The identifier a tag list line chooses: FFFFFFFF for the nulled-out line, the
// first tag of that class and name, or none.
std::optional<Bytes> ChosenIdentifier(const SampleMapPlan& plan, const std::string& line) {
  const std::string cls = line.substr(0, 4);
  const std::string name = line.size() > 8 ? line.substr(8) : std::string();
  if (name == "Nulled Out") return Le(0xFFFFFFFFu, 4);
  for (const SampleTag& tag : plan.tags)
    if (tag.class1 == cls && tag.name == name) return Le(tag.identifier, 4);
  return std::nullopt;
}

TEST(BoundedWrites, UpdateItemWritesOnlyThePiecesOfItsKindInsideTheTag) {
  int changed = 0;  // rounds whose command did write something
  std::mt19937 rng(801);
  int edits[128] = {};
  for (int round = 0; round < kMapsPerCommand; ++round) {
    Subject m(RandomPlan(rng));
    const std::size_t n = TagWithMetadata(m, rng);
    const int tag = static_cast<int>(n);
    ScanOptions options;
    options.bDependencies = options.bLoneIDs = options.bReflexives = options.bShorts = options.bFloats = true;
    options.fStep = 0.25f;
    options.nShortsLimit = kShortsLimitPanel2;
    const ScanResult scan = ScanMetadata(m.t.map, tag, options);
    const std::vector<std::string> lines = FillTagList(m.t.map);

    for (int e = 0; e < 12 && !scan.items.empty(); ++e) {
      const ScanItem& item = scan.items[rng() % scan.items.size()];
      SCOPED_TRACE(std::string("round ") + std::to_string(round) + ", kind " + item.chKind + " at " + std::to_string(item.nPos));
      ScanBoxes boxes = ScanSelectResult(m.t.map, item, ScanBoxes{});
      const Bytes before = m.Now();
      const std::uint32_t at = m.Meta(n);
      std::string text = Digits(Bytes(before.begin() + at, before.begin() + at + m.Size(n)));
      const long length = static_cast<long>(text.size());
      const long p = item.nPos;
      bool inside = true;
      bool message = false;
      // Each piece, character by character, at its position in the metadata text.
      auto put = [&](const Bytes& piece, long pos) {
        const std::string digits = Digits(piece);
        for (std::size_t k = 0; k < digits.size(); ++k) text[static_cast<std::size_t>(pos) + k] = digits[k];
      };
      switch (item.chKind) {
        case kKindDependency:
        case kKindNulled:
        case kKindUnknown: {
          boxes.strClassChoice = RandomClassCode(rng);
          boxes.strTagChoice = lines[rng() % lines.size()];
          inside = p + 32 <= length;
          if (inside) {
            put(StoredClassForPiece(boxes.strClassChoice), p);
            if (const auto id = ChosenIdentifier(m.plan, boxes.strTagChoice)) put(*id, p + 24);
          }
          break;
        }
        case kKindLoneId: {
          boxes.strTagChoice = lines[rng() % lines.size()];
          inside = p + 8 <= length;
          if (inside)
            if (const auto id = ChosenIdentifier(m.plan, boxes.strTagChoice)) put(*id, p);
          break;
        }
        case kKindReflexive: {
          const std::uint32_t target = static_cast<std::uint32_t>(rng() % m.Size(n));
          const std::int32_t count = static_cast<std::int32_t>(rng() % 70000) - 100;
          boxes.strClassChoice = UIntToHex(target);
          boxes.fValue = static_cast<float>(count);
          inside = p >= 8 && p + 8 <= length;
          if (inside) {
            put(Le(m.plan.magic + at + target, 4), p);
            if (count >= 0 && count <= 0xFFFF)
              put(Le(static_cast<std::uint32_t>(count), 2), p - 8);
            else
              message = true;
          }
          break;
        }
        case kKindShort: {
          const std::int32_t v = static_cast<std::int32_t>(rng() % 66000) - 200;
          boxes.fValue = static_cast<float>(v);
          inside = p + 4 <= length && v >= 0 && v <= 0xFFFF;
          if (inside) put(Le(static_cast<std::uint32_t>(v), 2), p);
          break;
        }
        case kKindFloat: {
          const std::uint32_t bits = static_cast<std::uint32_t>(rng());
          std::memcpy(&boxes.fValue, &bits, sizeof bits);
          if (std::isnan(boxes.fValue)) boxes.fValue = 1.5f;
          std::uint32_t stored;
          std::memcpy(&stored, &boxes.fValue, sizeof stored);
          inside = p + 8 <= length;
          if (inside) put(Le(stored, 4), p);
          break;
        }
      }
      ++edits[static_cast<unsigned char>(item.chKind)];

      RecordedDialogs dialogs;
      Bytes expected = before;
      if (inside) {
        EXPECT_NO_THROW(ScanUpdateItem(m.t.map, tag, item, boxes, dialogs));
        Put(expected, at, FromDigits(text));
      } else {
        EXPECT_THROW(ScanUpdateItem(m.t.map, tag, item, boxes, dialogs), Refused);
      }
      EXPECT_FILE(expected, m.Now());
      changed += expected != before;
      EXPECT_EQ(dialogs.messages.size(), message ? 1u : 0u);
    }
  }
  for (const char kind : {kKindDependency, kKindLoneId, kKindReflexive, kKindShort, kKindFloat})
    EXPECT_GT(edits[static_cast<unsigned char>(kind)], 0) << "no edit of kind " << kind;
  EXPECT_GT(changed, 0) << "no round wrote anything: the property was never put to the test";
}

// ---- Inject, the hex editor, Direct Inject ------------------------------------

TEST(BoundedWrites, InjectWritesTheFileThenZerosOverTheTagExtentOnly) {
  int changed = 0;  // rounds whose command did write something
  std::mt19937 rng(802);
  for (int round = 0; round < kMapsPerCommand; ++round) {
    Subject m(RandomPlan(rng));
    const std::size_t n = rng() % m.plan.tags.size();
    const std::uint32_t size = m.Size(n);
    Bytes meta(rng() % (size + 2));
    for (unsigned char& b : meta) b = static_cast<unsigned char>(rng());
    RecordedDialogs dialogs;
    dialogs.openAnswer = m.t.dir.Write("in.meta", meta);

    const InjectOutcome outcome = InjectTagMetadata(m.t.map, static_cast<int>(n), dialogs);
    Bytes expected = m.before;
    if (meta.size() <= size) {
      EXPECT_EQ(outcome, InjectOutcome::Completed);
      Put(expected, m.Meta(n), meta);
      Put(expected, m.Meta(n) + meta.size(), Zeros(size - meta.size()));
    } else {
      EXPECT_EQ(outcome, InjectOutcome::NotEnoughSpace);
    }
    EXPECT_FILE(expected, m.Now());
    changed += expected != m.before;
  }
  EXPECT_GT(changed, 0) << "no round wrote anything: the property was never put to the test";
}

TEST(BoundedWrites, HexEditorSaveWritesTheTextsBytesThenZerosOverTheTagExtentOnly) {
  int changed = 0;  // rounds whose command did write something
  std::mt19937 rng(803);
  for (int round = 0; round < kMapsPerCommand; ++round) {
    Subject m(RandomPlan(rng));
    const std::size_t n = rng() % m.plan.tags.size();
    const std::uint32_t size = m.Size(n);
    std::string text = HexEditorText(m.t.map, static_cast<int>(n));
    // Some pairs changed, some removed or added, line breaks and tabs between.
    std::string digits;
    for (const char c : text)
      if (c != ' ') digits += c;
    for (int k = 0; k < 6 && !digits.empty(); ++k) digits.replace((rng() % (digits.size() / 2)) * 2, 2, RandomHex(rng, 2));
    if (rng() % 2) digits.erase(0, std::min<std::size_t>(digits.size(), 2 * (rng() % 8)));
    if (rng() % 2) digits += RandomHex(rng, 2 * (rng() % 8));
    const bool refused = rng() % 5 == 0;
    if (refused) digits.insert(digits.size() / 2, rng() % 2 ? "g" : "0");  // a foreign character, or an odd count
    std::string edited;
    for (std::size_t i = 0; i < digits.size(); ++i) {
      edited += digits[i];
      if (i % 2 == 1) edited += rng() % 9 == 0 ? "\r\n" : (rng() % 9 == 0 ? "\t" : " ");
    }

    Bytes expected = m.before;
    if (refused) {
      EXPECT_THROW(SaveHexEditorText(m.t.map, static_cast<int>(n), edited), Refused);
    } else {
      SaveHexEditorText(m.t.map, static_cast<int>(n), edited);
      Bytes bytes = FromDigits(digits);
      bytes.resize(size, 0);
      Put(expected, m.Meta(n), bytes);
    }
    EXPECT_FILE(expected, m.Now());
    changed += expected != m.before;
  }
  EXPECT_GT(changed, 0) << "no round wrote anything: the property was never put to the test";
}

TEST(BoundedWrites, DirectInjectWritesTheDestinationTagOnlyAndNeverTheSource) {
  int changed = 0;  // rounds whose command did write something
  std::mt19937 rng(804);
  for (int round = 0; round < kMapsPerCommand; ++round) {
    // Half the pairs are the same tags in two versions (same names, other
    // identifiers' places and magics), so references are translated.
    const int tags = 3 + static_cast<int>(rng() % 8);
    const std::uint32_t seed = rng();
    Subject source(GenerateSampleMap(kVersionPc, tags, seed, 40 + rng() % 100), "source.map");
    Subject destination(rng() % 2 ? GenerateSampleMap(kVersionXbox, tags, seed, 40 + rng() % 100) : RandomPlan(rng),
                        "destination.map");
    const std::size_t d = rng() % destination.plan.tags.size();
    const std::size_t s = rng() % source.plan.tags.size();
    const std::uint32_t dSize = destination.Size(d);
    const std::uint32_t sSize = source.Size(s);
    RecordedDialogs dialogs;
    dialogs.yesAnswer = rng() % 2;

    // References of tags the destination lacks are set to none: they too lie
    // inside the bytes written.
    DirectInjectOptions none;
    none.unresolved = UnresolvedChoice::SetToNone;
    const DirectInjectOutcome outcome =
        DirectInjectTag(destination.t.map, static_cast<int>(d), source.t.map, static_cast<int>(s), dialogs, none);
    EXPECT_EQ(dialogs.questions.size(), sSize > dSize ? 1u : 0u);
    EXPECT_FILE(source.before, source.Now());
    const Bytes after = destination.Now();
    if (outcome == DirectInjectOutcome::Declined) {
      EXPECT_FILE(destination.before, after);
      continue;
    }
    // Outside the bytes written, nothing moved; past the source's size, zeros.
    const std::uint32_t count = std::max(dSize, sSize);
    Bytes expected = destination.before;
    Put(expected, destination.Meta(d), Bytes(after.begin() + destination.Meta(d), after.begin() + destination.Meta(d) + count));
    EXPECT_FILE(expected, after);
    changed += expected != destination.before;
    for (std::uint32_t k = sSize; k < count; ++k) EXPECT_EQ(after[destination.Meta(d) + k], 0) << "byte " << k << " of the tag";
  }
  EXPECT_GT(changed, 0) << "no round wrote anything: the property was never put to the test";
}

// ---- Save Changes (WriteTagEntry, both placements) ---------------------------

TEST(BoundedWrites, SaveChangesWritesTheEntryAndTheNameWhereTheyBelong) {
  int changed = 0;  // rounds whose command did write something
  std::mt19937 rng(805);
  for (int round = 0; round < 3 * kMapsPerCommand; ++round) {
    Subject m(RandomPlan(rng));
    const std::size_t n = rng() % m.plan.tags.size();
    const SampleTag& old = m.plan.tags[n];
    TagRecordFields fields = TagRecordFieldsOf(m.t.Tag(static_cast<int>(n)));
    // Classes of four characters or fewer, any identifier and meta offset.
    const std::string classes[] = {RandomClassCode(rng), "ab", "", "wxyzq", std::string(4, '\xFF')};
    fields.strClass1 = classes[rng() % 5];
    fields.strClass2 = classes[rng() % 5];
    fields.strClass3 = classes[rng() % 5];
    fields.strIdentifier = RandomHex(rng, 8);
    fields.strMetaOffset = RandomHex(rng, 1 + rng() % 7);
    const std::size_t nameLength = rng() % (old.name.size() + 12);
    fields.strName.clear();
    for (std::size_t i = 0; i < nameLength; ++i) fields.strName += static_cast<char>('a' + rng() % 26);
    fields.bUpdateSize = rng() % 2;
    std::uint32_t nameOffset = m.layout.nameOffsets[n];
    if (!fields.bUpdateSize && rng() % 3 == 0) {  // a String Offset typed by hand, maybe past the end
      nameOffset = static_cast<std::uint32_t>(rng() % (m.before.size() + 64));
      fields.strNameOffset = UIntToHex(nameOffset);
    }
    SCOPED_TRACE("round " + std::to_string(round) + (fields.bUpdateSize ? ", name at the EoF Position" : ", name in place"));

    const std::uint32_t entry = m.layout.firstEntry + 32 * static_cast<std::uint32_t>(n);
    auto stored = [](const std::string& text) {
      std::string code = text.substr(0, 4);
      code.resize(4, '\0');
      return Bytes(code.rbegin(), code.rend());
    };
    Bytes expected = m.before;
    Put(expected, entry, stored(fields.strClass1));
    Put(expected, entry + 4, stored(fields.strClass2));
    Put(expected, entry + 8, stored(fields.strClass3));
    Put(expected, entry + 12, Le(HexToUInt(fields.strIdentifier), 4));
    Put(expected, entry + 20, Le(HexToUInt(fields.strMetaOffset) + m.plan.magic, 4));
    bool refused = false;
    if (fields.bUpdateSize) {
      const std::uint32_t eof = m.layout.eofPosition;
      Put(expected, entry + 16, Le(eof + m.plan.magic, 4));
      Put(expected, eof, TextBytes(fields.strName + '\0'));
      Put(expected, 0x08, Le(eof + static_cast<std::uint32_t>(fields.strName.size()) + 1, 4));
    } else {
      // In place, cut to the length of the name the map holds.
      const std::string name = fields.strName.substr(0, old.name.size());
      refused = std::uint64_t{nameOffset} + name.size() + 1 > m.before.size();
      Put(expected, entry + 16, Le(nameOffset + m.plan.magic, 4));
      Put(expected, nameOffset, TextBytes(name + '\0'));
    }

    if (refused) {
      EXPECT_THROW(SaveTagChanges(m.t.map, m.t.tree, static_cast<int>(n), fields), Refused);
      EXPECT_FILE(m.before, m.Now());
      continue;
    }
    try {
      EXPECT_TRUE(SaveTagChanges(m.t.map, m.t.tree, static_cast<int>(n), fields));
    } catch (const FileError&) {
      // The re-read may fail on the offsets typed; the writes are done by then.
    }
    EXPECT_FILE(expected, m.Now());
    changed += expected != m.before;
  }
  EXPECT_GT(changed, 0) << "no round wrote anything: the property was never put to the test";
}

// ---- Map Info save (WriteHeader) ----------------------------------------------

TEST(BoundedWrites, MapInfoSaveWritesTheHeaderFieldsAndTheIndexHeaderOnly) {
  int changed = 0;  // rounds whose command did write something
  std::mt19937 rng(806);
  for (int round = 0; round < 2 * kMapsPerCommand; ++round) {
    Subject m(RandomPlan(rng));
    MapInfoSession session(m.t.map);
    MapInfoTexts texts = session.Shown();
    auto text = [&](MapInfoField field) -> std::string& { return TextOf(texts, field); };
    auto word = [&](std::size_t digits) { return RandomHex(rng, digits); };
    // Any subset of the editable fields changed, within their limits.
    if (rng() % 2) text(MapInfoField::MapName) = std::string(rng() % 33, 'n');
    if (rng() % 2) text(MapInfoField::BuildDate) = std::string(rng() % 33, 'd');
    if (rng() % 2) text(MapInfoField::IndexMagic) = word(rng() % 9);
    if (rng() % 2) text(MapInfoField::EofPosition) = word(rng() % 9);
    if (rng() % 3 == 0) text(MapInfoField::IndexOffset) = word(rng() % 9);
    if (rng() % 2) text(MapInfoField::TagCount) = std::to_string(static_cast<int>(rng() % 65536) - 32768);
    if (rng() % 2) text(MapInfoField::MapType) = std::to_string(static_cast<int>(rng() % 200) - 100);
    if (rng() % 2) text(MapInfoField::Version) = std::to_string(static_cast<int>(rng() % 2000) - 1000);
    if (rng() % 2) text(MapInfoField::MetaIndexSize) = std::to_string(static_cast<std::int32_t>(rng()));
    ASSERT_TRUE(session.SaveChanges(texts).ok);

    const bool pc = m.plan.version != kVersionXbox;
    Bytes expected = m.before;
    auto padded = [](const std::string& s) {
      Bytes b = TextBytes(s);
      b.resize(32, 0);
      return b;
    };
    auto number = [](const std::string& s) { return static_cast<std::uint32_t>(std::stol(s)); };
    Put(expected, 0x20, padded(text(MapInfoField::MapName)));
    Put(expected, 0x40, padded(text(MapInfoField::BuildDate)));
    Put(expected, 0x04, Le(number(text(MapInfoField::Version)), 2));
    Put(expected, 0x60, Le(number(text(MapInfoField::MapType)), 2));
    Put(expected, 0x08, Le(HexToUInt(text(MapInfoField::EofPosition)), 4));
    // The PC index offset shown is 4 past the word at 0x10.
    Put(expected, 0x10, Le(HexToUInt(text(MapInfoField::IndexOffset)) - (pc ? 4 : 0), 4));
    Put(expected, 0x14, Le(number(text(MapInfoField::MetaIndexSize)), 4));
    // Index Magic and Tag Count go where the index header is, whatever was typed.
    Put(expected, m.IndexHeader(), Le(HexToUInt(text(MapInfoField::IndexMagic)), 4));
    Put(expected, m.IndexHeader() + 12, Le(number(text(MapInfoField::TagCount)), 2));

    try {
      EXPECT_TRUE(FinishMapInfo(m.t.map, m.t.tree, session));
    } catch (const FileError&) {
      // A new index offset or count may leave nothing readable; the header is written.
    }
    EXPECT_FILE(expected, m.Now());
    changed += expected != m.before;
  }
  EXPECT_GT(changed, 0) << "no round wrote anything: the property was never put to the test";
}

// ---- Insert Data ----------------------------------------------------------------

TEST(BoundedWrites, InsertDataWritesTheBytesAtTheEofPositionAndMovesItOnly) {
  int changed = 0;  // rounds whose command did write something
  std::mt19937 rng(807);
  for (int round = 0; round < kMapsPerCommand; ++round) {
    SampleMapPlan plan = RandomPlan(rng);
    if (rng() % 2) plan.extraBytesAtEnd = static_cast<std::uint32_t>(rng() % 64);  // free space after the EoF Position
    Subject m(plan);
    std::string digits = RandomHex(rng, rng() % 120);
    std::string typed;
    for (const char c : digits) typed += rng() % 5 == 0 ? std::string(" ") + c : std::string(1, c);

    InsertDataAndReload(m.t.map, m.t.tree, typed);
    // An odd count gets a "0" in front; an even one a zero byte after.
    const bool even = digits.size() % 2 == 0;
    if (!even) digits.insert(0, "0");
    Bytes bytes = FromDigits(digits);
    if (even) bytes.push_back(0);
    const std::uint32_t eof = m.layout.eofPosition;
    Bytes expected = m.before;
    Put(expected, 0x08, Le(eof + static_cast<std::uint32_t>(bytes.size()), 4));
    Put(expected, eof, bytes);
    EXPECT_FILE(expected, m.Now());
    changed += expected != m.before;
    EXPECT_EQ(HexToUInt(m.t.map.m_strEofPosition), eof + bytes.size());
  }
  EXPECT_GT(changed, 0) << "no round wrote anything: the property was never put to the test";
}

// ---- Add Tag ----------------------------------------------------------------------

TEST(BoundedWrites, AddTagWritesTheEntryTheNameTheEofPositionAndTheCountOnly) {
  int changed = 0;  // rounds whose command did write something
  std::mt19937 rng(808);
  for (int round = 0; round < kMapsPerCommand; ++round) {
    Subject m(RandomPlan(rng));
    MapBuilderFields fields;
    const Bytes tagFile(rng() % 300, 7);
    fields.strTagFile = m.t.dir.Write("new.meta", tagFile);
    for (std::size_t i = rng() % 40; i > 0; --i) fields.strTagName += static_cast<char>('a' + rng() % 26);
    fields.strClass1 = RandomClassCode(rng);
    if (rng() % 2) fields.strClass2 = RandomClassCode(rng);
    RecordedDialogs dialogs;
    dialogs.yesAnswer = rng() % 4 != 0;

    const AddTagResult result = AddTag(m.t.map, m.t.tree, fields, dialogs);
    // The writer puts the names right after the entries: the new entry lies over
    // the first name, which the command asks about.
    EXPECT_EQ(dialogs.questions.size(), 1u);
    if (result == AddTagResult::Declined) {
      EXPECT_FILE(m.before, m.Now());
      continue;
    }
    const auto count = static_cast<std::uint32_t>(m.plan.tags.size());
    const std::uint32_t entry = m.layout.firstEntry + 32 * count;
    const std::uint32_t eof = m.layout.eofPosition;
    const auto nameLength = static_cast<std::uint32_t>(fields.strTagName.size());
    Bytes expected = m.before;
    Put(expected, entry, Bytes(fields.strClass1.rbegin(), fields.strClass1.rend()));
    Put(expected, entry + 4, Bytes(fields.strClass2.rbegin(), fields.strClass2.rend()));
    Put(expected, entry + 8, Bytes(fields.strClass3.rbegin(), fields.strClass3.rend()));
    Put(expected, entry + 12, Le(m.plan.tags.back().identifier + 0x00010001u, 4));
    Put(expected, entry + 16, Le(eof + m.plan.magic, 4));
    Put(expected, entry + 20, Le(eof + nameLength + 1 + m.plan.magic, 4));
    Put(expected, entry + 24, Zeros(8));
    Put(expected, eof, TextBytes(fields.strTagName + '\0'));
    Put(expected, 0x08, Le(eof + nameLength + 1 + static_cast<std::uint32_t>(tagFile.size()), 4));
    Put(expected, m.IndexHeader() + 12, Le(count + 1, 2));
    EXPECT_FILE(expected, m.Now());
    changed += expected != m.before;
    EXPECT_FALSE(m.t.map.m_bOpen);
  }
  EXPECT_GT(changed, 0) << "no round wrote anything: the property was never put to the test";
}

}  // namespace
}  // namespace jov
