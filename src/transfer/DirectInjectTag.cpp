#include "transfer/DirectInjectTag.h"

#include <cstdint>

#include "map/Refused.h"
#include "scanner/MetaHex.h"
#include "transfer/ReferenceTranslation.h"

namespace jov {

DirectInjectOutcome DirectInjectTag(CMapFile& destination, int d, CMapFile& source, int s, UserDialogs& dialogs) {
  const std::uint32_t sourceSize = source.m_tags[static_cast<std::size_t>(s)].nSize;
  const std::uint32_t destinationSize = destination.m_tags[static_cast<std::size_t>(d)].nSize;
  if (sourceSize > kMetaBufferSize) throw Refused(kSourceTagTooLarge);

  // Sizes compare as signed: a destination whose size reads negative is "smaller"
  // and gets the question; the count written is then the source's size.
  const bool sourceLarger = static_cast<std::int32_t>(destinationSize) < static_cast<std::int32_t>(sourceSize);
  if (!sourceLarger && destinationSize > kMetaBufferSize) throw Refused(kDestinationTagTooLarge);
  if (sourceLarger && !dialogs.AskYesNoDefaultNo(kDirectInjectQuestion)) return DirectInjectOutcome::Declined;

  std::string text = ReadMetaHex(source, s);
  TranslateReferences(text, source, s, destination, d);
  WriteMetaHex(destination, d, text, sourceLarger ? static_cast<long>(sourceSize) : -1);
  dialogs.ShowMessage(kDirectInjectComplete);
  return DirectInjectOutcome::Completed;
}

}  // namespace jov
