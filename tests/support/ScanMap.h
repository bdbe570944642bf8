#pragma once
// A hand-built map on disk, opened as a panel opens it, for the scanner's tests.
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "map/MapFile.h"
#include "map/SampleMap.h"
#include "platform/MemoryTreeView.h"

namespace jov::testing {

class ScanMap {
 public:
  explicit ScanMap(SampleMapPlan plan) : m_plan(std::move(plan)), m_layout(LayoutOf(m_plan)) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/jov-scan-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    m_dir = pattern;
    m_path = m_dir + "/scan.map";
    WriteBytesToFile(m_path, WriteSampleMap(m_plan));
    map.OpenPath(tree, m_path);
  }
  ~ScanMap() {
    map.CloseFile();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }
  ScanMap(const ScanMap&) = delete;
  ScanMap& operator=(const ScanMap&) = delete;

  const std::string& Path() const { return m_path; }
  std::vector<unsigned char> FileBytes() const { return ReadBytesFromFile(m_path); }
  // The file offset and the address of tag t's first metadata byte.
  std::uint32_t MetaOffset(int t) const { return m_layout.metaOffsets.at(static_cast<std::size_t>(t)); }
  std::uint32_t Base(int t) const { return MetaOffset(t) + m_plan.magic; }

  MemoryTreeView tree;
  CMapFile map;

 private:
  SampleMapPlan m_plan;
  SampleLayout m_layout;
  std::string m_dir;
  std::string m_path;
};

// A tag for a hand-built map.
inline SampleTag MakeTag(const std::string& class1, const std::string& name, std::uint32_t identifier,
                         std::vector<unsigned char> meta = {}) {
  SampleTag tag;
  tag.class1 = class1;
  tag.name = name;
  tag.identifier = identifier;
  tag.meta = std::move(meta);
  return tag;
}

}  // namespace jov::testing
