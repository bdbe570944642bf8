#include "check/MapCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "check/MapCrc.h"
#include "check/ResourceCheck.h"
#include "platform/PathText.h"
#include "check/MapLayout.h"
#include "check/FileBytes.h"
#include "check/XboxCompression.h"
#include "map/TagClassTable.h"

namespace jov {

namespace {

constexpr std::size_t kNameShown = 1995;  // as long as the tag tree shows a name

std::string Hex8(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::string Range(std::uint64_t from, std::uint64_t to) { return Hex(from) + ".." + Hex(to); }

std::string PastEnd(std::uint64_t fileLength) { return " runs past the end of the file (" + Hex(fileLength) + " bytes)"; }

bool Inside(std::uint64_t offset, std::uint64_t size, std::uint64_t length) {
  return offset <= length && size <= length - offset;
}

struct Tag {
  std::string class1;
  bool class1AllFF = false;
  std::uint32_t identifier = 0;
  std::uint32_t namePointer = 0;
  std::uint32_t metaPointer = 0;
  std::optional<std::string_view> name;  // into the file; none: the name cannot be read
};

class Checker {
 public:
  Checker(std::span<const unsigned char> file, std::span<const std::uint32_t> chunkCrcs)
      : m_file(file), m_chunkCrcs(chunkCrcs), m_layout(ReadMapLayout(file)) {}

  CheckReport Run() {
    if (!Header()) return Finish();
    if (TagDataHeader()) Tags();
    Crc();
    return Finish();
  }

 private:
  void Add(Severity severity, std::string where, std::string what, int tag = -1) {
    m_report.findings.push_back({severity, std::move(where), std::move(what), tag});
  }

  CheckReport Finish() {
    for (const Finding& f : m_report.findings) {
      if (f.severity == Severity::Error) ++m_report.errors;
      if (f.severity == Severity::Warning) ++m_report.warnings;
      if (f.severity == Severity::Note) ++m_report.notes;
    }
    return std::move(m_report);
  }

  // False when nothing past the header can be trusted enough to read.
  bool Header() {
    const MapLayout& m = m_layout;
    if (m_file.size() < kMapHeaderSize) {
      Add(Severity::Error, "header", "the file is " + Hex(m_file.size()) + " bytes long, shorter than the 0x800-byte header");
      return false;
    }
    static const unsigned char kHead[] = {0x64, 0x61, 0x65, 0x68};
    static const unsigned char kFoot[] = {0x74, 0x6F, 0x6F, 0x66};
    if (std::memcmp(m_file.data(), kHead, 4) != 0)
      Add(Severity::Error, "header 0x000 head signature",
          "the head signature is missing: " + SpacedHexBytes(m_file.subspan(0, 4)) + " instead of 64 61 65 68");
    if (m.version != 5 && m.version != 7 && m.version != 0x261)
      Add(Severity::Error, "header 0x004 version", "version " + std::to_string(m.version) + " is none of 5 (Xbox), 7 (PC) and 609 (CE)");
    if (std::memcmp(m_file.data() + 0x7FC, kFoot, 4) != 0)
      Add(Severity::Error, "header 0x7FC foot signature",
          "the foot signature is missing: " + SpacedHexBytes(m_file.subspan(0x7FC, 4)) + " instead of 74 6f 6f 66");
    if (IsCompressedXboxMap(m_file)) {
      m_report.compressedXbox = true;
      Add(Severity::Error, "file",
          "the Xbox map is compressed; decompress it to a new file first: " + std::string(kDecompressCommand) + " IN OUT");
      return false;
    }
    if (m.eofPosition > 0x7FFFFFFFull)
      Add(Severity::Error, "header 0x008 EoF Position",
          "EoF Position " + Hex(m.eofPosition) + " lies past 0x7FFFFFFF, where no map can hold data");
    else if (m.eofPosition > m_file.size())
      // Add Tag reserves room for a new tag's metadata this way; the gap reads
      // as zeros until something is written there.
      Add(Severity::Note, "header 0x008 EoF Position",
          "EoF Position " + Hex(m.eofPosition) + " lies past the end of the file (" + Hex(m_file.size()) +
              " bytes): room reserved for a tag's metadata");
    else if (m.pcLayout && m.eofPosition < m_file.size())
      Add(Severity::Warning, "header 0x008 EoF Position",
          "EoF Position " + Hex(m.eofPosition) + " is short of the file's length (" + Hex(m_file.size()) + " bytes)");
    return true;
  }

  // False when the index cannot be read at all.
  bool TagDataHeader() {
    const MapLayout& m = m_layout;
    if (!m.tagHeaderInFile) {
      Add(Severity::Error, "header 0x010 Index Offset",
          "the tag data header " + Range(m.indexOffset, std::uint64_t{m.indexOffset} + m.headerSize) + PastEnd(m_file.size()));
      return false;
    }
    if (m.indexOffset < kMapHeaderSize)
      Add(Severity::Error, "header 0x010 Index Offset", "the tag data header at " + Hex(m.indexOffset) + " lies inside the header");
    if (m.entriesInFile < m.tagCount)
      Add(Severity::Error, "tag data header +0x0C tag count",
          "the index of " + std::to_string(m.tagCount) + " entries " +
              Range(m.firstEntry, m.firstEntry + 32ull * m.tagCount) + PastEnd(m_file.size()) + "; only " +
              std::to_string(m.entriesInFile) + " entries lie in it");
    if (!Inside(m.indexOffset, m.tagDataSize, m_file.size()))
      Add(Severity::Error, "header 0x014 tag data size",
          "the tag data " + Range(m.indexOffset, std::uint64_t{m.indexOffset} + m.tagDataSize) + PastEnd(m_file.size()));
    const std::uint32_t base = m.BaseAddress();
    Add(Severity::Note, "tag data header +0x00 tag array address",
        base == m.UsualBase() ? "the tag data is based at " + Hex8(base) + ", the usual address"
                              : "the tag data is based at " + Hex8(base) + ", not at the usual " + Hex8(m.UsualBase()));
    return true;
  }

  std::string TagWhere(std::size_t n) const {
    const Tag& t = m_tags[n];
    return "tag " + std::to_string(n) + " " + t.class1 + (t.name ? ":" + std::string(*t.name) : "");
  }

  void ReadEntries() {
    const MapLayout& m = m_layout;
    m_tags.resize(m.entriesInFile);
    for (std::uint32_t n = 0; n < m.entriesInFile; ++n) {
      const unsigned char* e = m_file.data() + m.firstEntry + 32ull * n;
      Tag& t = m_tags[n];
      // Shown as the tree shows it: up to the first zero byte, reversed.
      t.class1.assign(reinterpret_cast<const char*>(e), strnlen(reinterpret_cast<const char*>(e), 4));
      std::reverse(t.class1.begin(), t.class1.end());
      t.class1AllFF = e[0] == 0xFF && e[1] == 0xFF && e[2] == 0xFF && e[3] == 0xFF;
      t.identifier = *Le32At(m_file, m.firstEntry + 32ull * n + 0x0C);
      t.namePointer = *Le32At(m_file, m.firstEntry + 32ull * n + 0x10);
      t.metaPointer = *Le32At(m_file, m.firstEntry + 32ull * n + 0x14);
    }
  }

  // Each name ends at its first zero byte. Names are taken from the highest
  // offset down, so a search stops where the previous one began and the file is
  // searched at most once however the pointers repeat.
  void ReadNames() {
    std::vector<std::uint32_t> order(m_tags.size());
    for (std::uint32_t n = 0; n < order.size(); ++n) order[n] = n;
    auto offsetOf = [this](std::uint32_t n) { return std::uint64_t{m_layout.OffsetOf(m_tags[n].namePointer)}; };
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return offsetOf(a) > offsetOf(b); });
    std::uint64_t searchedFrom = m_file.size();
    std::optional<std::uint64_t> zero;
    for (const std::uint32_t n : order) {
      const std::uint64_t at = offsetOf(n);
      if (at >= m_file.size()) continue;
      const void* found = std::memchr(m_file.data() + at, 0, searchedFrom - at);
      if (found) zero = static_cast<std::uint64_t>(static_cast<const unsigned char*>(found) - m_file.data());
      searchedFrom = at;
      if (zero) m_tags[n].name.emplace(reinterpret_cast<const char*>(m_file.data() + at), static_cast<std::size_t>(std::min<std::uint64_t>(*zero - at, kNameShown)));
    }
    for (std::size_t n = 0; n < m_tags.size(); ++n) {
      const std::uint64_t at = offsetOf(static_cast<std::uint32_t>(n));
      if (at >= m_file.size())
        Add(Severity::Error, TagWhere(n), "the name pointer " + Hex8(m_tags[n].namePointer) + " (offset " + Hex(at) + ") lies outside the file", static_cast<int>(n));
      else if (!m_tags[n].name)
        Add(Severity::Error, TagWhere(n), "the name at " + Hex(at) + " has no zero byte before the end of the file", static_cast<int>(n));
    }
  }

  // Tags that repeat an earlier tag's identifier, or its class and name: found
  // by sorting, with the earliest tag first among equals. Returns the repeated names.
  int Repeats() {
    const std::size_t count = m_tags.size();
    std::vector<std::uint32_t> order(count);
    for (std::uint32_t n = 0; n < count; ++n) order[n] = n;
    std::vector<std::pair<std::size_t, std::size_t>> sameIdentifier;
    std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
      return m_tags[a].identifier != m_tags[b].identifier ? m_tags[a].identifier < m_tags[b].identifier : a < b;
    });
    for (std::size_t i = 1, first = 0; i < count; ++i) {
      if (m_tags[order[i]].identifier == m_tags[order[i - 1]].identifier)
        sameIdentifier.emplace_back(order[i], order[first]);
      else
        first = i;
    }
    // Class and name compared by hash first: names share long folder prefixes,
    // which make sorting by the texts slow.
    std::vector<std::pair<std::size_t, std::size_t>> sameName;
    const auto key = [this](std::size_t n) { return std::pair<std::string_view, std::string_view>(m_tags[n].class1, *m_tags[n].name); };
    std::vector<std::pair<std::size_t, std::uint32_t>> hashed;
    hashed.reserve(count);
    for (std::uint32_t n = 0; n < count; ++n)
      if (m_tags[n].name)
        hashed.emplace_back(std::hash<std::string_view>()(*m_tags[n].name) * 31 + std::hash<std::string_view>()(m_tags[n].class1), n);
    std::sort(hashed.begin(), hashed.end());
    for (std::size_t i = 0, end = 0; i < hashed.size(); i = end) {
      for (end = i + 1; end < hashed.size() && hashed[end].first == hashed[i].first;) ++end;
      // Within one hash, each tag against the earlier ones (in index order).
      for (std::size_t j = i + 1; j < end; ++j)
        for (std::size_t k = i; k < j; ++k)
          if (key(hashed[k].second) == key(hashed[j].second)) {
            sameName.emplace_back(hashed[j].second, hashed[k].second);
            break;
          }
    }
    // Reported in index order, as the other findings of each tag.
    std::sort(sameIdentifier.begin(), sameIdentifier.end());
    std::sort(sameName.begin(), sameName.end());
    for (const auto& [n, first] : sameIdentifier)
      Add(Severity::Warning, TagWhere(n), "the identifier " + Hex8(m_tags[n].identifier) + " is also tag " + std::to_string(first) + "'s", static_cast<int>(n));
    for (const auto& [n, first] : sameName)
      Add(Severity::Warning, TagWhere(n), "tag " + std::to_string(first) + " has the same class and name", static_cast<int>(n));
    return static_cast<int>(sameName.size());
  }

  // The scenario's structure BSP list: each section must lie in the file and
  // away from the tag data.
  void Bsps(const MapPicture& picture) {
    if (picture.scenario < 0) return;
    if (!picture.bspProblem.empty()) {
      Add(Severity::Error, TagWhere(static_cast<std::size_t>(picture.scenario)), picture.bspProblem, picture.scenario);
      return;
    }
    for (std::size_t n = 0; n < picture.bsps.size(); ++n)
      if (!picture.bsps[n].problem.empty())
        Add(Severity::Error, "structure BSP " + std::to_string(n), picture.bsps[n].problem, picture.bsps[n].tag);
  }

  void Tags() {
    ReadEntries();
    ReadNames();
    const MapLayout& m = m_layout;
    const std::size_t count = m_tags.size();
    struct Extent {
      std::uint64_t from, to;
      std::size_t tag;
    };
    std::vector<Extent> extents;
    int protectedSigns = 0;
    // Metadata where the reader finds it: in the tag data up to the next tag
    // whose pointer lands there, in a BSP section, or in a resource map.
    const MapPicture picture = PictureOfBytes(m_file, m);
    for (std::size_t n = 0; n < count; ++n) {
      const Tag& t = m_tags[n];
      const int tag = static_cast<int>(n);
      const TagPlace& place = picture.tags[n];
      const std::uint64_t offset = place.offset;
      const std::uint64_t size = place.size;
      if (place.home == TagHome::TagData || place.home == TagHome::SoundBase) {
        if (!Inside(offset, size, m_file.size()))
          Add(Severity::Error, TagWhere(n), "metadata " + Range(offset, offset + size) + PastEnd(m_file.size()), tag);
        else if (size > 0)
          extents.push_back({offset, offset + size, n});
      } else if (place.home == TagHome::Nowhere && t.class1 != "sbsp") {
        if (offset > m_file.size())
          Add(Severity::Error, TagWhere(n), "metadata " + Range(offset, offset) + PastEnd(m_file.size()), tag);
        else if (offset < picture.tagDataFrom || offset > picture.tagDataEnd)
          Add(Severity::Warning, TagWhere(n), "the metadata pointer " + Hex8(t.metaPointer) + " (offset " + Hex(offset) +
                                                  ") lands outside the tag data " + Range(picture.tagDataFrom, picture.tagDataEnd), tag);
      }

      if ((t.identifier & 0xFFFF) != n)
        Add(Severity::Warning, TagWhere(n), "the identifier " + Hex8(t.identifier) + " does not end in the tag's index (" + Hex(n) + ")", tag);
      if (t.class1AllFF)
        Add(Severity::Warning, TagWhere(n), "class 1 is four 0xFF bytes", tag);
      else if (TagClassTable::Find(t.class1) < 0)
        Add(Severity::Warning, TagWhere(n), "class 1 \"" + t.class1 + "\" is not in the class table", tag);
      if (!t.name) continue;
      if (t.name->empty()) {
        Add(Severity::Warning, TagWhere(n), "the name is empty", tag);
        ++protectedSigns;
      } else if (std::any_of(t.name->begin(), t.name->end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
        Add(Severity::Warning, TagWhere(n), "the name holds control bytes", tag);
        ++protectedSigns;
      }
    }
    Bsps(picture);
    protectedSigns += Repeats();
    if (protectedSigns > 0)
      Add(Severity::Note, "tags", std::to_string(protectedSigns) +
                                      " empty, garbled or repeated tag names: signs of a protected map");

    std::sort(extents.begin(), extents.end(), [](const Extent& a, const Extent& b) { return a.from < b.from; });
    std::uint64_t reach = 0;
    std::size_t reacher = 0;
    for (const Extent& e : extents) {
      if (e.from < reach)
        Add(Severity::Warning, TagWhere(e.tag), "metadata " + Range(e.from, e.to) + " overlaps tag " + std::to_string(reacher) + "'s metadata", static_cast<int>(e.tag));
      if (e.to > reach) {
        reach = e.to;
        reacher = e.tag;
      }
    }
  }

  void Crc() {
    if (!m_layout.pcLayout) return;
    const CrcLayout crc = FindCrcRegions(m_file, m_layout);
    const std::uint32_t stored = *Le32At(m_file, 0x64);
    m_report.storedCrc = stored;
    if (!crc.ok) {
      Add(Severity::Warning, crc.problemWhere, "the CRC32 cannot be computed: " + crc.problem);
      return;
    }
    const std::uint32_t computed = CrcOfRegions(m_file, crc.regions, m_chunkCrcs);
    m_report.computedCrc = computed;
    if (stored != computed)
      Add(Severity::Warning, "header 0x064 CRC32",
          "the stored CRC32 " + Hex8(stored) + " differs from the computed " + Hex8(computed) + " (jov-cli crc MAP --fix)");
    Add(Severity::Note, "header 0x064 CRC32", "computed " + Hex8(computed) + ", stored " + Hex8(stored));
  }

  std::span<const unsigned char> m_file;
  std::span<const std::uint32_t> m_chunkCrcs;
  MapLayout m_layout;
  std::vector<Tag> m_tags;
  CheckReport m_report;
};

}  // namespace

CheckReport CheckMapBytes(std::span<const unsigned char> file) { return Checker(file, {}).Run(); }

CheckReport CheckMapBytes(std::span<const unsigned char> file, std::span<const std::uint32_t> chunkCrcs) {
  return Checker(file, chunkCrcs).Run();
}

namespace {

// A CE map's external tags against the resource maps in folder.
CheckReport WithResourceMaps(CheckReport report, std::span<const unsigned char> file, const std::string& folder) {
  for (Finding& f : CheckResourceMaps(file, folder)) {
    if (f.severity == Severity::Error) ++report.errors;
    if (f.severity == Severity::Warning) ++report.warnings;
    if (f.severity == Severity::Note) ++report.notes;
    report.findings.push_back(std::move(f));
  }
  return report;
}

}  // namespace

CheckReport CheckMapFile(const std::string& path) {
  const FileBytes mapped(path);
  const auto folder = PathFromUtf8(path).parent_path();
  return WithResourceMaps(CheckMapBytes(mapped.Bytes(), mapped.ChunkCrcs()), mapped.Bytes(), folder.empty() ? std::string(".") : Utf8FromPath(folder));
}

CheckReport CheckMap(const CMapFile& map) {
  const FileBytes mapped(map.m_strPath);
  return WithResourceMaps(CheckMapBytes(mapped.Bytes(), mapped.ChunkCrcs()), mapped.Bytes(), map.ResourceFolder());
}

const char* SeverityText(Severity severity) {
  switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: break;
  }
  return "note";
}

std::string FindingLine(const Finding& finding) {
  std::string line = SeverityText(finding.severity);
  line.resize(8, ' ');
  return line + finding.where + ": " + finding.what;
}

std::string SummaryLine(const CheckReport& report) {
  auto count = [](int n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); };
  return count(report.errors, "error", "errors") + ", " + count(report.warnings, "warning", "warnings") + ", " +
         count(report.notes, "note", "notes");
}

std::vector<HeaderLayoutError> HeaderLayoutErrors(const HeaderNumbers& h, std::uint64_t fileLength) {
  std::vector<HeaderLayoutError> errors;
  const bool pc = h.version == 7 || h.version == 0x261;
  if (h.version != 5 && !pc) errors.push_back({HeaderError::Version, "version " + std::to_string(h.version) + " is none of 5 (Xbox), 7 (PC) and 609 (CE)"});
  const std::uint64_t headerSize = pc ? 0x28 : 0x24;
  if (!Inside(h.indexOffset, headerSize, fileLength)) {
    errors.push_back({HeaderError::IndexOffset, "the index offset " + Hex(h.indexOffset) + " lies outside the file (" + Hex(fileLength) + " bytes)"});
  } else if (!Inside(h.indexOffset + headerSize, 32ull * h.tagCount, fileLength)) {
    errors.push_back({HeaderError::TagCount, "an index of " + std::to_string(h.tagCount) + " entries" + PastEnd(fileLength)});
  }
  // Past the file's end is room reserved for metadata (a note, not an error);
  // past 0x7FFFFFFF nothing can be written.
  if (h.eofPosition > 0x7FFFFFFFull)
    errors.push_back({HeaderError::EofPosition, "EoF Position " + Hex(h.eofPosition) + " lies past 0x7FFFFFFF, where no map can hold data"});
  return errors;
}

}  // namespace jov
