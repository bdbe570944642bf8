// Numbers typed into a field, the bytes they write and the text shown for those
// bytes: what is shown reads back to the same bytes, what does not fit the
// field's type is refused with its range, never cut down to fit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "fields/FieldValue.h"
#include "map/MapFile.h"
#include "map/Refused.h"

namespace jov {
namespace {

struct NumberCase {
  FieldType type;
  FieldUnit unit;
  std::uint32_t size;
  const char* typed;
  const char* shown;    // nullptr: refused
  const char* refusal;  // a part of the refusal's message
};

// One field of the given type at offset 0 of a tree holding bytes.
FieldTree OneField(FieldType type, FieldUnit unit, std::uint32_t size, std::vector<unsigned char> bytes = {}) {
  FieldTree tree;
  tree.tagText = "test:field";
  tree.bytes = bytes.empty() ? std::vector<unsigned char>(size, 0) : std::move(bytes);
  FieldNode node;
  node.path = node.name = "value";
  node.type = type;
  node.unit = unit;
  node.size = size;
  tree.nodes.push_back(node);
  return tree;
}

std::uint32_t Bits(float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, 4);
  return bits;
}

std::uint32_t Le32(const std::vector<unsigned char>& b) {
  return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

constexpr FieldType F = FieldType::Float;
constexpr FieldType A = FieldType::Angle;
constexpr FieldUnit None = FieldUnit::None;
constexpr FieldUnit Deg = FieldUnit::Radians;
constexpr FieldUnit PerTick = FieldUnit::PerTick;

const NumberCase kCases[] = {
    // Floats: the shortest text that reads back to the same 32 bits.
    {F, None, 4, "0.0000001", "1e-07", nullptr},
    {F, None, 4, "0.00012345", "0.00012345", nullptr},
    {F, None, 4, "34.29", "34.29", nullptr},
    {F, None, 4, "607.95", "607.95", nullptr},
    {F, None, 4, "-0", "-0", nullptr},
    {F, None, 4, "1e-45", "1e-45", nullptr},
    {F, None, 4, "3.4028235e38", "3.4028235e+38", nullptr},
    {F, None, 4, "16777217", "16777216", nullptr},
    {F, None, 4, " 2.5 ", "2.5", nullptr},
    {F, None, 4, "1e39", nullptr, "is not a number"},
    {F, None, 4, "0x10", nullptr, "is not a number"},
    {F, None, 4, "", nullptr, "is not a number"},
    // Degrees and per-second values: what was typed, not the conversion's noise.
    {A, Deg, 4, "34.29", "34.29", nullptr},
    {A, Deg, 4, "90", "90", nullptr},
    {A, Deg, 4, "0.1", "0.1", nullptr},
    {A, Deg, 4, "-179.99", "-179.99", nullptr},
    {F, PerTick, 4, "607.95", "607.95", nullptr},
    {F, PerTick, 4, "0.001", "0.001", nullptr},
    // Integers at and past the limits of their type.
    {FieldType::Int8, None, 1, "-128", "-128", nullptr},
    {FieldType::Int8, None, 1, "127", "127", nullptr},
    {FieldType::Int8, None, 1, "128", nullptr, "from -128 to 127"},
    {FieldType::Int16, None, 2, "-32768", "-32768", nullptr},
    {FieldType::Int16, None, 2, "32767", "32767", nullptr},
    {FieldType::Int16, None, 2, "40000", nullptr, "from -32768 to 32767"},
    {FieldType::Int16, None, 2, "-32769", nullptr, "from -32768 to 32767"},
    {FieldType::Int16, None, 2, "4.5", nullptr, "from -32768 to 32767"},
    {FieldType::Int32, None, 4, "-2147483648", "-2147483648", nullptr},
    {FieldType::Int32, None, 4, "2147483647", "2147483647", nullptr},
    {FieldType::Int32, None, 4, "2147483648", nullptr, "from -2147483648 to 2147483647"},
    {FieldType::UInt32, None, 4, "4294967295", "4294967295", nullptr},
    {FieldType::UInt32, None, 4, "-1", nullptr, "from 0 to 4294967295"},
    {FieldType::UInt32, None, 4, "4294967296", nullptr, "from 0 to 4294967295"},
};

TEST(FieldNumberText, TypedTextWritesBytesThatShowAsTyped) {
  const CMapFile map;
  for (const NumberCase& c : kCases) {
    SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
    FieldTree tree = OneField(c.type, c.unit, c.size);
    if (!c.shown) {
      try {
        EncodeFieldValue(map, tree, tree.nodes[0], c.typed, false);
        ADD_FAILURE() << "not refused";
      } catch (const Refused& refused) {
        EXPECT_NE(std::string(refused.what()).find(c.refusal), std::string::npos) << refused.what();
      }
      continue;
    }
    tree.bytes = EncodeFieldValue(map, tree, tree.nodes[0], c.typed, false);
    EXPECT_EQ(DisplayText(tree, tree.nodes[0]), c.shown);
    // The shown text, typed again, writes the same bytes: an edit that changes
    // nothing has nothing to write.
    EXPECT_EQ(EncodeFieldValue(map, tree, tree.nodes[0], c.shown, false), tree.bytes);
  }
}

TEST(FieldNumberText, SmallFloatWritesItsOwnBits) {
  const CMapFile map;
  FieldTree tree = OneField(F, None, 4);
  EXPECT_EQ(Le32(EncodeFieldValue(map, tree, tree.nodes[0], "0.0000001", false)), Bits(1e-07f));
}

// Every finite float shows as a text that reads back to its own bits. In
// degrees and per second, where some stored values lie between two that a
// typed value can give, the value the shown text writes reads back exactly.
TEST(FieldNumberText, EveryShownFloatReadsBackToTheSameBits) {
  const CMapFile map;
  std::mt19937 random(27);
  int exact = 0;
  int tried = 0;
  for (const FieldUnit unit : {None, Deg, PerTick}) {
    for (int i = 0; i < 20000; ++i) {
      const std::uint32_t bits = random();
      float value = 0;
      std::memcpy(&value, &bits, 4);
      // Values whose degrees or per-second value overflows a float have no text
      // that types back.
      if (!std::isfinite(value) || std::fabs(value) > 1e36f) continue;
      const auto b = [](std::uint32_t v) {
        return std::vector<unsigned char>{static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
      };
      FieldTree tree = OneField(unit == Deg ? A : F, unit, 4, b(bits));
      const std::string shown = DisplayText(tree, tree.nodes[0]);
      const std::uint32_t typedBack = Le32(EncodeFieldValue(map, tree, tree.nodes[0], shown, false));
      if (unit == None) {
        ASSERT_EQ(typedBack, bits) << shown;
        continue;
      }
      ++tried;
      if (typedBack == bits) ++exact;
      tree.bytes = b(typedBack);
      const std::string again = DisplayText(tree, tree.nodes[0]);
      ASSERT_EQ(Le32(EncodeFieldValue(map, tree, tree.nodes[0], again, false)), typedBack) << again;
    }
  }
  // Most stored values are reachable from a typed one.
  EXPECT_GT(exact, tried / 2);
}

}  // namespace
}  // namespace jov
