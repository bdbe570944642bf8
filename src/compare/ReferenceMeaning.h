#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "map/MapFile.h"

// A tag reference is 16 bytes: the class (stored reversed), a pointer to the
// referenced tag's name, 0, and the tag's identifier. What it means is the class
// and the tag the identifier names; the name pointer is layout. Another build of
// the same map holds other name pointers because its names lie elsewhere, and a
// protected map holds anything there. So maps are compared, and patches carried
// from one layout to another, by what references name, not by their pointers.
namespace jov {

// One 4-byte value to put into metadata, at a byte offset.
struct WordAt {
  std::uint32_t offset = 0;
  std::uint32_t value = 0;
};

// Name pointers carried from one map's terms into another's: every word that
// holds the source's address of a tag's name gets the destination's address of
// the name of that tag's counterpart (the first tag of the same class 1 and
// name). A pointer is taken for what it points at, not for the reference
// around it: a mod that overwrote a reference's class or identifier leaves its
// name pointer, which still moves with its name. Found on the bytes as the
// source holds them (before the identifiers are translated), put after the
// other translation steps. A tag whose name offset is unknown (strNameOffset
// empty) has no name pointer to carry.
class NamePointerTranslator {
 public:
  NamePointerTranslator(const CMapFile& source, const CMapFile& destination);
  std::vector<WordAt> Find(std::string_view bytes) const;
  static void Put(std::string& bytes, const std::vector<WordAt>& words);

 private:
  std::unordered_map<std::uint32_t, std::uint32_t> m_names;  // source name address -> destination's
  std::uint32_t m_lowest = 0xFFFFFFFFu;
  std::uint32_t m_highest = 0;
};

// Identifiers by the tag they name: the source's identifier of a tag maps to
// the destination's identifier of its counterpart (the first tag of the same
// class 1 and name). The translation steps find identifiers by where they
// stand; these catch a word the steps leave (an identifier in a tag's first
// 12 bytes after 4 bytes that read as a class) by what it names.
class IdentifierMeaning {
 public:
  IdentifierMeaning(const CMapFile& source, const CMapFile& destination);

  // Where a (translated) and b differ in a word that the untranslated source
  // bytes hold as a source identifier and b as its counterpart's, b's word is
  // put into a. Returns a's words as they were.
  std::vector<WordAt> Match(std::string& a, std::string_view source, const std::string& b) const;
  // Words of translated that still hold, as in source, a source identifier
  // within the given byte runs [from, to): the counterpart's identifier goes there.
  void Carry(std::string& translated, std::string_view source,
             const std::vector<std::pair<std::size_t, std::size_t>>& runs) const;

 private:
  std::unordered_map<std::uint32_t, std::uint32_t> m_counterparts;
};

// The pointer rebase takes every word that reads as an address inside the tag
// for a pointer, a float such as 3.07 (0x40447AE1) too. Where such a word of
// the untranslated source equals the other map's word and the rebase moved it,
// both maps hold the same number: the word of b goes back into a. base and size
// are the source tag's. Returns a's words as they were.
std::vector<WordAt> MatchUnmovedNumbers(std::string& a, std::string_view source, const std::string& b, std::uint32_t base,
                                        std::uint32_t size);

// Tells references that name the same tag apart from bytes that only look
// alike, in the terms of one map (its identifiers and classes). Only tags whose
// name lies elsewhere in the other map count: where both maps keep a tag's name
// at one address, a name pointer that differs was written by someone, and it is
// a change like any other.
class ReferenceMeaning {
 public:
  ReferenceMeaning(const CMapFile& terms, const CMapFile& other);

  // Where a and b hold, at the same offset, references to the same tag (the same
  // class and identifier, the identifier a tag of that class whose name moved)
  // whose name pointers differ, b's name pointer is put into a. Returns a's name
  // pointers as they were, so that a caller can put back the ones it keeps.
  std::vector<WordAt> MatchNamePointers(std::string& a, const std::string& b) const;

 private:
  bool SameReference(const std::string& a, const std::string& b, std::size_t at) const;

  std::unordered_map<std::uint32_t, std::vector<std::string>> m_storedClasses;  // identifier -> stored class codes
};

}  // namespace jov
