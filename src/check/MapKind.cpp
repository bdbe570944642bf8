#include "check/MapKind.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "check/MapLayout.h"
#include "check/XboxCompression.h"
#include "map/ResourceMap.h"
#include "map/Refused.h"
#include "map/ValueText.h"
#include "platform/BinaryFile.h"
#include "platform/FileError.h"

namespace jov {

namespace {

// Enough past the header for a zlib stream to show it inflates.
constexpr std::size_t kLookAhead = 1 << 16;

std::string SizeText(std::size_t n) { return n == 1 ? "1 byte" : std::to_string(n) + " bytes"; }

}  // namespace

MapVerdict JudgeMapBytes(std::span<const unsigned char> bytes) {
  // The signatures as the map reader knows them: "head" and "foot" stored
  // reversed, at the start and the end of the header.
  static const unsigned char kHead[] = {'d', 'a', 'e', 'h'};
  static const unsigned char kFoot[] = {'t', 'o', 'o', 'f'};
  if (bytes.empty()) return {MapKind::NotAMap, "the file is empty"};
  if (bytes.size() < kMapHeaderSize)
    return {MapKind::NotAMap, "it is " + SizeText(bytes.size()) + " long, shorter than the 2048-byte map header"};
  const bool head = std::memcmp(bytes.data(), kHead, 4) == 0;
  const bool foot = std::memcmp(bytes.data() + kMapHeaderSize - 4, kFoot, 4) == 0;
  if (!head && !foot) return {MapKind::NotAMap, "it has neither the head signature at 0x000 nor the foot signature at 0x7FC"};
  if (!head) return {MapKind::NotAMap, "it has no head signature at 0x000"};
  if (!foot) return {MapKind::NotAMap, "it has no foot signature at 0x7FC"};
  if (IsCompressedXboxMap(bytes))
    return {MapKind::CompressedXbox, "decompress it to a new file first: " + std::string(kDecompressCommand) + " IN OUT"};
  return {MapKind::Map, ""};
}

MapVerdict JudgeMapFile(const std::string& path) {
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadOnly, path);
  std::vector<unsigned char> bytes(static_cast<std::size_t>(std::min<std::uint64_t>(file.Length(), kMapHeaderSize + kLookAhead)));
  if (!bytes.empty()) file.Read(0, bytes.data(), bytes.size());
  MapVerdict verdict = JudgeMapBytes(bytes);
  if (verdict.kind == MapKind::NotAMap && LooksLikeResourceMap(bytes, file.Length())) {
    const std::uint32_t count = ReadLe32(bytes.data() + 12);
    verdict = {MapKind::ResourceMap, ResourceTypeName(ReadLe32(bytes.data())) + ", " + std::to_string(count) +
                                         (count == 1 ? " entry" : " entries")};
  }
  return verdict;
}

void RequireMapFile(const std::string& path, const std::string& name) {
  MapVerdict verdict;
  try {
    verdict = JudgeMapFile(path);
  } catch (const FileError&) {
    return;  // a file that cannot be read is the map reader's to report, in its own words
  }
  if (verdict.kind == MapKind::NotAMap) throw Refused(FillText(kNotAMapText, {name, verdict.reason}));
  if (verdict.kind == MapKind::CompressedXbox) throw Refused(FillText(kCompressedXboxText, {name, verdict.reason}));
  if (verdict.kind == MapKind::ResourceMap) throw Refused(FillText(kResourceMapText, {name, verdict.reason}));
}

}  // namespace jov
