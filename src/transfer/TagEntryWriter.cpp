#include "transfer/TagEntryWriter.h"

#include <stdexcept>

#include "map/Refused.h"
#include "map/ValueText.h"

namespace jov {

namespace {

void WriteWord(BinaryFile& file, std::uint64_t at, std::uint32_t value) {
  unsigned char bytes[4];
  EncodeHexField(UIntToHex(value), bytes, 4);
  file.Write(at, bytes, sizeof bytes);
}

void WriteName(BinaryFile& file, std::uint64_t at, const std::string& name) {
  // The characters and their terminating zero in one write.
  std::string bytes = name;
  bytes.push_back('\0');
  file.Write(at, bytes.data(), bytes.size());
}

}  // namespace

std::string StoredClassCode(const std::string& text) {
  std::string code = text.substr(0, 4);
  code.resize(4, '\0');
  return std::string(code.rbegin(), code.rend());
}

void WriteTagEntry(CMapFile& map, int index, const TagEntry& entry, int placement, bool store) {
  const std::size_t count = map.m_tags.size();
  const auto at = static_cast<std::size_t>(index);
  if (index < 0 || at > count || (at == count && !store))
    throw std::out_of_range("WriteTagEntry: no tag record " + std::to_string(index));

  BinaryFile& file = map.File();
  const std::uint32_t magic = map.Magic();

  // The in-place name: cut to the length of the name the model holds at this
  // index at this moment (the new one itself when it is stored first).
  std::string name = entry.strName;
  const std::uint32_t nameOffset = HexToUInt(entry.strNameOffset);
  if (placement == kNameInPlace) {
    const std::size_t held = store ? name.size() : map.m_tags[at].strName.size();
    if (name.size() > held) name.resize(held);
    // A name written in place never grows the file nor lands past its end.
    if (std::uint64_t{nameOffset} + name.size() + 1 > file.Length()) throw Refused(kNameOutsideFile);
  }

  if (store) {
    if (at == count)
      map.m_tags.push_back(entry);
    else
      map.m_tags[at] = entry;
  }

  // A name at the EoF Position goes there before the entry points to it.
  std::uint32_t p = 0;
  if (placement == kNameAtEof) {
    p = map.StoredEofPosition();
    WriteName(file, p, name);
  }

  const std::uint32_t e = HexToUInt(entry.strEntryOffset);
  file.Write(e + 0x00ull, StoredClassCode(entry.strClass1).data(), 4);
  file.Write(e + 0x04ull, StoredClassCode(entry.strClass2).data(), 4);
  file.Write(e + 0x08ull, StoredClassCode(entry.strClass3).data(), 4);
  WriteWord(file, e + 0x0Cull, HexToUInt(entry.strIdentifier));
  WriteWord(file, e + 0x14ull, HexToUInt(entry.strMetaOffset) + magic);

  if (placement == kNameInPlace) {
    WriteWord(file, e + 0x10ull, nameOffset + magic);
    WriteName(file, nameOffset, name);
  } else if (placement == kNameAtEof) {
    WriteWord(file, e + 0x10ull, p + magic);
    WriteWord(file, 0x08, p + static_cast<std::uint32_t>(name.size()) + 1);
  }

  if (store) {
    const unsigned char zeros[8] = {};
    file.Write(e + 0x18ull, zeros, sizeof zeros);
  }
}

}  // namespace jov
