#include "transfer/MetaFileDialogs.h"

namespace jov {

std::string DefaultMetaFileName(const TagEntry& tag) {
  const auto slash = tag.strName.find_last_of('\\');
  const std::string leaf = slash == std::string::npos ? tag.strName : tag.strName.substr(slash + 1);
  return leaf + "[" + tag.strClass1 + "].meta";
}

FileDialogOptions MetaSaveDialog(const TagEntry& tag) {
  return FileDialogOptions{kMetaFileFilter, kMetaFileExtension, DefaultMetaFileName(tag), false};
}

FileDialogOptions MetaOpenDialog(const TagEntry& tag) {
  return FileDialogOptions{kMetaFileFilter, kMetaFileExtension, DefaultMetaFileName(tag), true};
}

}  // namespace jov
