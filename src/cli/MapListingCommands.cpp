// jov-cli info, tags, tree: what the editor shows of an opened map.
#include <iostream>

#include "cli/CliCommon.h"
#include "map/ValueText.h"

namespace jov::cli {

namespace {

void PrintInfo(const CMapFile& map) {
  const MapHeaderInfo h = map.GetHeaderInfo();
  std::cout << "Map Filename: " << FileNameOf(h.m_strPath) << '\n'
            << "Map Name: " << h.m_strMapName << '\n'
            << "Map Nickname: " << h.m_strNickname << '\n'
            << "Index Magic: " << h.m_strIndexMagic << '\n'
            << "Tag Count: " << static_cast<std::int16_t>(h.m_nTagCount) << '\n'
            << "Index Offset: " << h.m_strIndexOffset << '\n'
            << "Magic: " << h.m_strMagic << '\n'
            << "Metadata/Index Size: " << h.m_nMetaIndexSize << '\n'
            << "Map Type: " << static_cast<std::int16_t>(h.m_nMapType) << '\n'
            << "SP/MP: " << h.m_strTypeText << '\n'
            << "Map Version: " << static_cast<std::int16_t>(h.m_nVersion) << '\n'
            << "Map Format: " << h.m_strFormatText << '\n'
            << "EoF Position: " << h.m_strEofPosition << '\n'
            << "EoF Space Size (Bytes): " << h.m_nEofSpaceSize << '\n'
            << "Map Build Date: " << h.m_strBuildDate << '\n';
}

void PrintTags(const CMapFile& map) {
  for (int i = 0; i < map.m_nTagCount; ++i) {
    const TagEntry& r = map.m_tags[static_cast<std::size_t>(i)];
    std::cout << i << '\t' << r.strClass1 << '\t' << r.strClass2 << '\t' << r.strClass3 << '\t' << r.strIdentifier
              << '\t' << r.strMetaOffset << '\t' << static_cast<std::int32_t>(r.nSize) << '\t' << r.strNameOffset << '\t' << r.strEntryOffset
              << '\t' << r.strName << '\n';
  }
}

const Registration kRegistration([](CLI::App& app) {
  auto* info = app.add_subcommand("info", "The \"Map Info\" fields of MAP, one 'Label: value' line each");
  static std::string infoPath;
  info->add_option("MAP", infoPath, "Map file")->required();
  info->callback([] { PrintInfo(OpenMap(infoPath)->map); });

  auto* tags = app.add_subcommand("tags", "One tab-separated line per tag of MAP, in index order");
  static std::string tagsPath;
  tags->add_option("MAP", tagsPath, "Map file")->required();
  tags->callback([] { PrintTags(OpenMap(tagsPath)->map); });

  auto* tree = app.add_subcommand("tree", "The tag tree of MAP as the panel shows it");
  static std::string treePath;
  tree->add_option("MAP", treePath, "Map file")->required();
  tree->callback([] { std::cout << OpenMap(treePath)->tree.Dump(); });
});

}  // namespace

// Shared with the header command, which prints the re-read map's info.
void PrintMapInfo(const CMapFile& map) { PrintInfo(map); }

}  // namespace jov::cli
