#include "platform/BinaryFile.h"
#include "platform/NativeFile.h"

#include <cstring>
#include <stdexcept>

namespace jov {

namespace native {

WriteCall& WriteCallHook() {
  static WriteCall hook;
  return hook;
}

SyncCall& SyncCallHook() {
  static SyncCall hook;
  return hook;
}

}  // namespace native

void BinaryFile::SetWriteCallForTests(WriteCall call) { native::WriteCallHook() = std::move(call); }
void BinaryFile::SetSyncCallForTests(SyncCall call) { native::SyncCallHook() = std::move(call); }


BinaryFile::~BinaryFile() { Close(); }

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : m_handle(other.m_handle),
      m_displayName(std::move(other.m_displayName)),
      m_path(std::move(other.m_path)),
      m_stage(other.m_stage),
      m_requireStage(other.m_requireStage) {
  other.m_handle = native::kNoHandle;
  other.m_stage = nullptr;
}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
  if (this != &other) {
    Close();
    m_handle = other.m_handle;
    m_displayName = std::move(other.m_displayName);
    m_path = std::move(other.m_path);
    m_stage = other.m_stage;
    m_requireStage = other.m_requireStage;
    other.m_handle = native::kNoHandle;
    other.m_stage = nullptr;
  }
  return *this;
}

void BinaryFile::Open(const std::string& path, Mode mode, const std::string& displayName) {
  Close();
  m_displayName = displayName;
  native::OpenMode how = native::OpenMode::ReadWrite;
  if (mode == Mode::ReadOnly) how = native::OpenMode::ReadOnly;
  if (mode == Mode::CreateTruncate) how = native::OpenMode::CreateTruncate;
  if (mode == Mode::CreateNew) how = native::OpenMode::CreateNew;
  m_handle = native::Open(path, how, displayName);
  m_path = path;
}

void BinaryFile::Close() {
  if (m_handle != native::kNoHandle) native::Close(m_handle);
  // A stage outlives a reopen: a command being planned may re-read its map.
  m_handle = native::kNoHandle;
}

void BinaryFile::RequireOpen() const {
  // A handle that never opened fails on its first use, as the toolkit's files do.
  if (m_handle == native::kNoHandle) Fail(FileError::Cause::NotFound);
}

void BinaryFile::CheckPosition(std::uint64_t offset) const {
  if (offset > kMaxPosition) Fail(FileError::Cause::BadSeek);
}

void BinaryFile::RefuseUnplannedWrite() const {
  if (m_requireStage) throw std::logic_error("a map was written outside a planned command: " + m_path);
}

void BinaryFile::Fail(FileError::Cause cause) const { throw FileError(cause, m_displayName); }

std::size_t BinaryFile::Read(std::uint64_t offset, void* buffer, std::size_t n) const {
  RequireOpen();
  CheckPosition(offset);
  if (m_stage) return m_stage->Read(offset, buffer, n);
  return ReadUnstaged(offset, buffer, n);
}

std::vector<unsigned char> BinaryFile::ReadBytes(std::uint64_t offset, std::uint64_t n) const {
  std::vector<unsigned char> bytes(static_cast<std::size_t>(n));
  Read(offset, bytes.data(), bytes.size());
  return bytes;
}

std::size_t BinaryFile::ReadUnstaged(std::uint64_t offset, void* buffer, std::size_t n) const {
  RequireOpen();
  CheckPosition(offset);
  auto* out = static_cast<unsigned char*>(buffer);
  const std::size_t done = n == 0 ? 0 : native::ReadAt(m_handle, offset, out, n, m_displayName);
  // An empty read may come with a null buffer (an empty vector's data()),
  // which memset must never be given.
  if (done < n) std::memset(out + done, 0, n - done);
  return done;
}

void BinaryFile::Write(std::uint64_t offset, const void* buffer, std::size_t n) {
  RequireOpen();
  CheckPosition(offset);
  // The whole range must be addressable, not just its start.
  if (n > 0) CheckPosition(offset + n - 1);
  if (n == 0) return;
  if (m_stage) return m_stage->Write(offset, buffer, n);
  RefuseUnplannedWrite();
  native::WriteAt(m_handle, offset, buffer, n, m_displayName);
}

std::uint64_t BinaryFile::Length() const {
  RequireOpen();
  if (m_stage) return m_stage->Length();
  return LengthUnstaged();
}

std::uint64_t BinaryFile::LengthUnstaged() const {
  RequireOpen();
  return native::Length(m_handle, m_displayName);
}

void BinaryFile::SetLength(std::uint64_t length) {
  RequireOpen();
  CheckPosition(length);
  if (m_stage) return m_stage->SetLength(length);
  RefuseUnplannedWrite();
  native::SetLength(m_handle, length, m_displayName);
}

void BinaryFile::Sync() {
  RequireOpen();
  // A staged file has nothing on the disk to wait for.
  if (m_stage) return;
  native::Sync(m_handle, m_displayName);
}

}  // namespace jov
