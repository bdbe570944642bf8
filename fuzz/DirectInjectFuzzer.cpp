// "Direct Inject" between two maps made of the fuzzer's bytes (or two panels on
// one of them). Only the destination tag's bytes may change: its nSize bytes, or
// the source's size from its metadata start after a "Yes"; nothing after a "No"
// or a refusal, and never anything in the source map. For small source tags the
// bytes written must be the reference translation's.
//
// Leading bytes: [0] answers and layout (bit 0 "Yes", bit 1 both panels on one
// file), [1..2] destination tag, [3..4] source tag, [5..6] the length of the
// first map; the first map, then the second.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "map/ValueText.h"
#include "platform/MemoryTreeView.h"
#include "scanner/MetaHex.h"
#include "support/LiteralTransfer.h"
#include "transfer/DirectInjectTag.h"

using namespace jov;

namespace {

constexpr std::uint32_t kReferenceCheckSize = 256;
// Tags larger than this (up to the metadata buffer, whose refusal is still
// tried) are left out: on a map whose tags share an identifier every search of
// a large zero-filled tag runs up to the hit limit, which takes a second, and the
// fuzzer would spend its time there; the unit tests take those paths.
constexpr std::uint32_t kMaxFuzzedSize = 1u << 12;

bool SkippedSize(std::uint32_t size) { return size > kMaxFuzzedSize && size <= kMetaBufferSize; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Choices choices(data, size, 7);
  const bool yes = choices.Byte(0) & 1;
  const bool oneFile = choices.Byte(0) & 2;
  const std::size_t firstLength = std::min<std::size_t>(choices.Word(5), size);

  static const std::string destinationPath = fuzz::ScratchFile("destination.map");
  static const std::string sourcePath = fuzz::ScratchFile("source.map");
  if (!fuzz::WriteMapFile(destinationPath, data, firstLength)) return 0;
  if (!oneFile && !fuzz::WriteMapFile(sourcePath, data + firstLength, size - firstLength)) return 0;

  MemoryTreeView destinationTree, sourceTree;
  CMapFile destination, source;
  try {
    destination.OpenPath(destinationTree, destinationPath);
    source.OpenPath(sourceTree, oneFile ? destinationPath : sourcePath);
  } catch (const FileError&) {
    return 0;
  }
  if (destination.m_nTagCount == 0 || source.m_nTagCount == 0) return 0;
  const int d = choices.Word(1) % destination.m_nTagCount;
  const int s = choices.Word(3) % source.m_nTagCount;
  const TagEntry to = destination.m_tags[static_cast<std::size_t>(d)];
  const TagEntry from = source.m_tags[static_cast<std::size_t>(s)];
  if (SkippedSize(to.nSize) || SkippedSize(from.nSize)) return 0;

  const std::vector<unsigned char> destinationBefore = fuzz::ReadWholeFile(destinationPath);
  const std::vector<unsigned char> sourceBefore = oneFile ? destinationBefore : fuzz::ReadWholeFile(sourcePath);
  // What the translation should write, worked out the slow way before anything changes.
  // References to tags the destination lacks become none, after a question.
  std::string expected;
  reference::detail::NoneSet nones;
  // Only a tag whose bytes are in its own map: the others are refused below.
  const bool checkBytes = from.eHome == TagHome::TagData && from.nSize <= kReferenceCheckSize &&
                          HexToUInt(from.strMetaOffset) <= BinaryFile::kMaxPosition;
  if (checkBytes) expected = reference::StepStartTranslation(ReadMetaHex(source, s), source, s, destination, d, &nones);

  fuzz::FuzzDialogs dialogs;
  dialogs.yes = yes;
  const bool sourceLarger = static_cast<std::int32_t>(to.nSize) < static_cast<std::int32_t>(from.nSize);
  DirectInjectOutcome outcome;
  try {
    outcome = DirectInjectTag(destination, d, source, s, dialogs);
  } catch (const Refused&) {
    fuzz::Check(fuzz::ReadWholeFile(destinationPath) == destinationBefore, "a refused injection writes nothing");
    return 0;
  } catch (const FileError&) {
    // A tag beyond what a position can reach: nothing can have been written there.
    fuzz::Check(fuzz::ReadWholeFile(destinationPath) == destinationBefore, "a failed injection writes nothing");
    return 0;
  }
  // The size question comes first, when the source is larger; the question
  // about references the destination lacks follows it, once, when it is reached.
  const int sizeQuestions = sourceLarger ? 1 : 0;
  const int unresolvedQuestions = dialogs.questions - sizeQuestions;
  fuzz::Check(unresolvedQuestions >= 0 && unresolvedQuestions <= 1 && (yes || !sourceLarger || unresolvedQuestions == 0),
              "the size question is asked exactly when the source is larger, the references one at most once after it");
  if (checkBytes && (yes || !sourceLarger))
    fuzz::Check(unresolvedQuestions == (nones.empty() ? 0 : 1), "the question is asked exactly when a reference is lacking");
  if (outcome == DirectInjectOutcome::Declined || outcome == DirectInjectOutcome::Cancelled) {
    fuzz::Check(!yes && fuzz::ReadWholeFile(destinationPath) == destinationBefore, "No writes nothing");
    return 0;
  }
  fuzz::Check(dialogs.messages == 1, "a completed injection says so");

  const std::uint64_t at = HexToUInt(to.strMetaOffset);
  const std::uint32_t count = sourceLarger ? from.nSize : to.nSize;
  fuzz::CheckOnlyRangeChanged(destinationBefore, destinationPath, at, count,
                              "direct injection writes the destination tag only");
  if (!oneFile) fuzz::Check(fuzz::ReadWholeFile(sourcePath) == sourceBefore, "the source map is never written");

  if (checkBytes && at + count <= (1u << 24)) {
    std::vector<unsigned char> written(count, 0);
    HexToBytes(expected, written.data());
    const std::vector<unsigned char> after = fuzz::ReadWholeFile(destinationPath, at + count);
    for (std::uint32_t k = 0; k < count; ++k)
      fuzz::Check(after[static_cast<std::size_t>(at + k)] == written[k], "the bytes written are the reference translation");
  }
  return 0;
}
