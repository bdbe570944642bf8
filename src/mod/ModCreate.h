#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mod/ModFile.h"

// Two maps compared field by field through the tag definitions: what
// `jov-cli diff --fields` lists and what `jov-cli mod create` writes.
namespace jov {

class CMapFile;
class DefinitionSet;

// One field whose value differs between a tag of the first map and the tag of
// the same class and path in the second, as texts `set` takes back.
struct FieldDifference {
  std::string tag;    // "weap:weapons\pistol\pistol"
  std::string field;  // "triggers[0].rounds_per_second"
  std::string first;  // the value in the first map
  std::string second;  // and in the second
  bool raw = false;   // both texts in stored units (see ModEdit::raw)
};

struct FieldComparison {
  std::vector<FieldDifference> fields;  // in the first map's tag order, then field order
  // What no field edit carries, one line each: a tag without a definition, the
  // bytes of a tag no defined field covers, a block whose count changed, a tag
  // of one map only, a tag kept in a resource map.
  std::vector<std::string> leftOut;
  std::size_t leftOutTags = 0;      // changed tags whose class has no definition
  std::uint64_t leftOutBytes = 0;   // differing bytes no carried field holds
};

// Tags are paired by class and path (the first of each in index order; later
// ones of the same class and path are left out, as an edit names only the
// first), the changed pairs found as CompareMaps finds them (references by the
// tag they name, pointers rebased), then every defined field of both compared.
FieldComparison CompareFields(CMapFile& first, CMapFile& second, const DefinitionSet& definitions);

// The mod that makes the first map's fields the second's: one edit each, with
// the first map's value as was.
Mod ModFromComparison(const FieldComparison& comparison, const std::string& title, const std::string& author);

// "weap:weapons\pistol\pistol  triggers[0].rounds_per_second  8  12": tag,
// field, the value in A, the value in B, tab-separated.
std::string FieldDifferenceLine(const FieldDifference& difference);

}  // namespace jov
