#pragma once
#include <string>

#include "platform/UserDialogs.h"

// The "Map Builder" dialog's members and texts, shared by the editor's dialog
// and jov-cli add-tag.
namespace jov {

inline constexpr const char* kMapBuilderTitle = "Map Builder";
inline constexpr const char* kTagFilenameLabel = "Tag Filename:";
inline constexpr const char* kTagNameLabel = "Tag Name:";
inline constexpr const char* kTagClassesLabel = "Tag Classes:";
inline constexpr const char* kAddTagButton = "Add Tag";
inline constexpr const char* kLoadTagButton = "Load Tag";
inline constexpr const char* kMapBuilderCancel = "Cancel";
inline const FileDialogOptions kLoadTagDialog{"Binary Metadata (*.meta)|*.meta|All Files (*.*)|*.*||", "meta", "*.meta",
                                           true};

// Four 0xFF bytes: "no class" (the class table's "Nulled Out" row).
inline const std::string kNoClass(4, '\xFF');
// Each class combo holds at most this many characters ("Please enter no more
// than 4 characters." when the fields are read).
inline constexpr int kClassLimit = 4;

struct MapBuilderFields {
  std::string strTagFile;  // "Tag Filename:", set by "Load Tag"
  std::string strTagName;  // "Tag Name:"
  std::string strClass1 = kNoClass;
  std::string strClass2 = kNoClass;
  std::string strClass3 = kNoClass;
};

}  // namespace jov
