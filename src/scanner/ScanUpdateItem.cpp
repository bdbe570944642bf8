#include "scanner/ScanUpdateItem.h"

#include <cmath>
#include <limits>

#include "map/Refused.h"
#include "map/ValueText.h"
#include "scanner/MetaHex.h"
#include "scanner/ScanTagList.h"

namespace jov {

namespace {

// A count or short as 2 little-endian bytes: "0700" for 7, "0201" for 258. A
// value that does not fit gives a longer text (or a negative one, 8 digits).
std::string TwoByteText(std::int32_t value) {
  std::string text = SwapHexBytes(UIntToHex(static_cast<std::uint32_t>(value)));
  if (text.size() <= 2) text += "00";
  return text;
}

// A 32-bit word in file byte order, all 8 digits.
std::string WordText(std::uint32_t value) {
  std::string hex = UIntToHex(value);
  hex.insert(0, 8 - hex.size(), '0');
  return SwapHexBytes(hex);
}

// Every piece goes inside the text, or nothing is written at all.
void RequireInside(const std::string& text, long pos, long length) {
  if (pos < 0 || pos + length > static_cast<long>(text.size())) throw Refused(kPieceOutsideMetadata);
}

// The tag a tag list line names: the lowest index with that class 1 and name.
std::optional<int> FindChosenTag(const CMapFile& map, const std::string& cls, const std::string& name) {
  for (int t = 0; t < map.m_nTagCount && static_cast<std::size_t>(t) < map.m_tags.size(); ++t)
    if (map.GetTagClass(t, 1) == cls && map.GetTagName(t) == name) return t;
  return std::nullopt;
}

// The identifier to write for a tag list line: FFFFFFFF for the nulled-out
// line, the chosen tag's identifier, or nothing when the line names no tag.
std::optional<std::string> IdentifierPiece(const CMapFile& map, const std::string& cls, const std::string& name) {
  if (name == kNulledOutName) return std::string("ffffffff");
  if (const auto t = FindChosenTag(map, cls, name))
    return SwapHexBytes(map.m_tags[static_cast<std::size_t>(*t)].strIdentifier);
  return std::nullopt;
}

}  // namespace

std::int32_t IntegerOfValue(float value) {
  if (std::isnan(value) || value >= 2147483648.0f || value < -2147483648.0f)
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

ScanBoxes ScanUpdateItem(CMapFile& map, int tag, const ScanItem& current, ScanBoxes boxes, UserDialogs& dialogs) {
  std::string text = ReadMetaHex(map, tag);
  const long pos = current.nPos;
  // A tag list line is "code -- name": the code is its first 4 characters, the
  // name what is left once the first 8 are cut.
  const std::string chosenClass = boxes.strTagChoice.substr(0, 4);
  const std::string chosenName = boxes.strTagChoice.size() > 8 ? boxes.strTagChoice.substr(8) : std::string();

  switch (current.chKind) {
    case kKindDependency:
    case kKindNulled:
    case kKindUnknown: {
      // Class code at the hit, the identifier 12 bytes further on.
      RequireInside(text, pos, 32);
      if (boxes.strClassChoice.size() != 4) throw Refused(kClassCodeLength);
      const std::string classPiece = SwapHexBytes(TextToHex(boxes.strClassChoice));
      const auto idPiece = IdentifierPiece(map, chosenClass, chosenName);
      PutHexAt(text, classPiece, pos);
      if (idPiece) PutHexAt(text, *idPiece, pos + 24);
      boxes.strClassChoice = classPiece;
      boxes.strTagChoice = chosenName;
      break;
    }
    case kKindLoneId: {
      RequireInside(text, pos, 8);
      if (const auto idPiece = IdentifierPiece(map, chosenClass, chosenName)) PutHexAt(text, *idPiece, pos);
      boxes.strTagChoice = chosenName;
      break;
    }
    case kKindReflexive: {
      // The count is the 32-bit word before the pointer; its two low bytes are
      // written, the two high ones stay.
      RequireInside(text, pos - 8, 16);
      const std::uint32_t target = HexToUInt(boxes.strClassChoice);
      const std::uint32_t pointer = map.MetaBase(tag) + target;  // wraps at 32 bits
      boxes.strClassChoice = WordText(pointer);
      boxes.strTagChoice = TwoByteText(IntegerOfValue(boxes.fValue));
      PutHexAt(text, boxes.strClassChoice, pos);
      if (boxes.strTagChoice.size() == 4)
        PutHexAt(text, boxes.strTagChoice, pos - 8);
      else
        dialogs.ShowMessage(kChunkCountWrongSize);
      break;
    }
    case kKindFloat: {
      RequireInside(text, pos, 8);
      boxes.strClassChoice = WordText(FloatBits(boxes.fValue));
      PutHexAt(text, boxes.strClassChoice, pos);
      break;
    }
    case kKindShort: {
      RequireInside(text, pos, 4);
      const std::int32_t v = IntegerOfValue(boxes.fValue);
      if (v < 0 || v > 0xFFFF) throw Refused(kShortOutOfRange);
      boxes.strClassChoice = TwoByteText(v);
      PutHexAt(text, boxes.strClassChoice, pos);
      break;
    }
    default:
      break;  // nothing selected since the start: the metadata goes back unchanged
  }
  WriteMetaHex(map, tag, text, -1);
  return boxes;
}

}  // namespace jov
