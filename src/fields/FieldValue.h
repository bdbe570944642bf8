#pragma once
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "fields/FieldTree.h"
#include "map/EditPlan.h"

// A field's value as stored, as shown, and as typed back in. Shown values are
// in display units: angles in degrees, per-tick values per second.
namespace jov {

class CMapFile;

// The stored value (a number, an array for ranges and points, a string, a
// "CLASS:NAME" or null for a reference, a count for a block), with the extra
// members of the field's JSON object: text (enum option, flag names),
// identifier, count, error.
nlohmann::ordered_json FieldJson(const FieldTree& tree, const FieldNode& node);
// The text the editor shows for the field.
std::string DisplayText(const FieldTree& tree, const FieldNode& node);
// "float", "angle (degrees)", "float (per second)", "block[0x70]", ...: the Type column.
std::string TypeText(const FieldNode& node);

// The bytes that VALUE gives the field, the same length as the field: in
// display units, or stored units when raw. Throws Refused naming the field and
// the reason when the text does not parse or fit, or the field cannot be set.
std::vector<unsigned char> EncodeFieldValue(const CMapFile& map, const FieldTree& tree, const FieldNode& node,
                                            const std::string& value, bool raw);

// The node at path, or Refused: an unknown path, an index past a block's
// count, a broken block on the way.
const FieldNode& FieldAt(const FieldTree& tree, const std::string& path);

// The plan that writes VALUE into the field at path ("Set PATH of CLASS:NAME"):
// the field's bytes in the tag's metadata, expected to hold what was read.
EditPlan PlanFieldSet(CMapFile& map, const FieldTree& tree, const std::string& path, const std::string& value, bool raw);

// The plan that writes bytes over the tag's metadata at offset, whatever
// fields they lie in ("Set bytes 0x51a (magazines[0].rounds_loaded_maximum) of
// CLASS:NAME: 0c -> 78"), expected to hold what the tree read. Refused past
// the metadata's end and for a tag kept outside the map's file.
EditPlan PlanMetadataBytes(CMapFile& map, const FieldTree& tree, std::uint32_t offset, const std::vector<unsigned char>& bytes);

}  // namespace jov
