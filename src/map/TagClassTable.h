#pragma once
#include <array>
#include <string>

namespace jov {

struct TagClassRow {
  std::string code;  // four characters, as shown (not as stored)
  std::string name;
};

// The fixed 80 rows naming the tag classes; row 80 (index 79) is four 0xFF bytes,
// "Nulled Out". Searches for references use the first 79 rows only.
class TagClassTable {
 public:
  static constexpr int kRows = 80;
  static constexpr int kSearchRows = 79;

  static const std::array<TagClassRow, kRows>& Rows();
  // Index of the first row whose code equals code exactly, or -1.
  static int Find(const std::string& code);
  // True when code is one of the first 79 codes.
  static bool IsKnownReferenceClass(const std::string& code);
  // The "Nulled Out" code: four 0xFF bytes.
  static const std::string& NulledOutCode();
  // The group line of a row: code, " -- ", name.
  static std::string GroupText(int row);
};

}  // namespace jov
