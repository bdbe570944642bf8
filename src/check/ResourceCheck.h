#pragma once
#include <span>
#include <string>
#include <vector>

#include "check/MapCheck.h"

// A CE map's external tags against the resource maps beside it: each resource
// map a tag names must be there, be of its type, hold the entry the tag gives,
// and that entry must carry the tag's path (a resource map of another build or
// language does not).
namespace jov {

std::vector<Finding> CheckResourceMaps(std::span<const unsigned char> file, const std::string& folder);

}  // namespace jov
