#include "tools/GuerillaConverter.h"
#include "platform/PathText.h"

#include <filesystem>
#include <system_error>

#include "map/Refused.h"
#include "platform/SaveFile.h"

namespace jov {

GuerillaConverter::GuerillaConverter() : m_buffer(std::make_unique<unsigned char[]>(kGuerillaMaxInput)) {}

void GuerillaConverter::OpenInput(const std::string& path) {
  m_input.Close();
  m_strInputPath = path;
  m_input.Open(path, BinaryFile::Mode::ReadOnly, path);
}

void GuerillaConverter::CreateOutput(const std::string& path) {
  // The output replaces its file, so writing over the input would destroy the
  // very tag being converted.
  std::error_code ignored;
  if (m_input.IsOpen() && std::filesystem::equivalent(PathFromUtf8(path), PathFromUtf8(m_strInputPath), ignored)) throw Refused(kGuerillaSameFile);
  m_strOutputPath = path;
}

void GuerillaConverter::CheckInput() const {
  if (!m_input.IsOpen()) throw FileError(FileError::Cause::NotFound, kUnnamedFile);
  CheckGuerillaLength(m_input.Length());
}

void GuerillaConverter::Convert(const GuerillaOptions& options) {
  if (!m_input.IsOpen()) throw FileError(FileError::Cause::NotFound, kUnnamedFile);
  // Measured once: the length checked is the length read, so a file that grows
  // meanwhile can never overrun the buffer.
  const std::uint64_t measured = m_input.Length();
  CheckGuerillaLength(measured);
  if (m_strOutputPath.empty()) throw FileError(FileError::Cause::NotFound, kUnnamedFile);
  // The same check as when the output was chosen: the input may have been
  // chosen again since.
  std::error_code ignored;
  if (std::filesystem::equivalent(PathFromUtf8(m_strOutputPath), PathFromUtf8(m_strInputPath), ignored)) throw Refused(kGuerillaSameFile);
  const auto length = static_cast<std::size_t>(measured);
  // What the input holds now, from its first byte; a file that shrank since it
  // was measured reads as zeros past its end.
  m_input.Read(0, m_buffer.get(), length);
  const std::size_t n = ConvertGuerillaBuffer(m_buffer.get(), length, options);
  // The user's file is replaced only by a whole conversion.
  SaveFile output(m_strOutputPath, m_strOutputPath);
  output.File().Write(0, m_buffer.get(), n);
  output.Commit();
}

}  // namespace jov
