#pragma once
#include <string>

#include "map/TagEntry.h"
#include "platform/UserDialogs.h"

// The file pickers of "Save Metadata" and "Inject": both offer ".meta" files and
// propose the same name for a tag, so a file saved from a tag is found again
// when injecting into it.
namespace jov {

inline constexpr const char* kMetaFileFilter = "Binary Metadata (*.meta)|*.meta|All Files (*.*)|*.*||";
inline constexpr const char* kMetaFileExtension = "meta";

// The tag's name after its last backslash (the whole name when it has none),
// then "[", class 1, "].meta": vehicles\warthog\warthog of class vehi gives
// warthog[vehi].meta.
std::string DefaultMetaFileName(const TagEntry& tag);

// The save picker of "Save Metadata": an existing file is replaced without a question.
FileDialogOptions MetaSaveDialog(const TagEntry& tag);
// The open picker of "Inject": only an existing file is accepted.
FileDialogOptions MetaOpenDialog(const TagEntry& tag);

}  // namespace jov
