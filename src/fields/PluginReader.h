#pragma once
#include <string>

#include "fields/FieldDefinition.h"

// The community's XML plugin files (weap.xml ...), read as they are: a root
// <plugin baseSize="0x508"> whose elements are fields by offset; tagblock
// elements hold their entry's fields. Names become ids (IdFromName), a repeated
// id in one struct gets _2, _3 ...; visible="false" fields are kept hidden.
// Elements of kinds JOV does not know are passed over (their bytes show as
// unknown).
namespace jov {

struct PluginResult {
  ClassDef def;
  std::string error;  // "FILE:LINE: what", empty when the file was read
};

PluginResult ReadPlugin(const std::string& text, const std::string& source, const std::string& cls);

}  // namespace jov
