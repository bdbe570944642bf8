// The Windows file layer and process identity, under Wine in the tests: UTF-8
// paths with non-ASCII names and past MAX_PATH, identity by volume and file
// index, replace in one step, another program's lock refused with nothing
// written, one history and one writer lock per file whatever its spelling, and
// jov-cli's output as bytes.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cli/CliRunner.h"
#include "edit/MapDocument.h"
#include "history/History.h"
#include "platform/BinaryFile.h"
#include "platform/Folders.h"
#include "platform/MapLock.h"
#include "platform/PathText.h"
#include "platform/Process.h"
#include "platform/SaveFile.h"
#include "platform/Win32Text.h"
#include "support/TempDir.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadAll(const std::string& path) {
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadOnly, "read");
  Bytes bytes(file.Length());
  file.Read(0, bytes.data(), bytes.size());
  return bytes;
}

void MakeFolder(const std::string& path) { ASSERT_TRUE(::CreateDirectoryW(win32::WidePath(path).c_str(), nullptr)) << path; }

std::size_t EntriesIn(const std::string& folder) {
  std::size_t n = 0;
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW(win32::WidePath(folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") ++n;
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return n;
}

TEST(Win32Text, Utf8AndUtf16RoundTripAndLongPathsArePrefixed) {
  const std::vector<std::string> texts = {"", "maps\\bloodgulch.map", "Mapas de Halo \xE2\x80\x93 copia",
                                          "\xE6\x97\xA5\xE6\x9C\xAC", "\xF0\x9F\x8E\xAE game"};
  for (const std::string& text : texts) EXPECT_EQ(win32::Narrow(win32::Widen(text)), text) << text;
  EXPECT_EQ(win32::Widen("Mapas de Halo \xE2\x80\x93 copia"), L"Mapas de Halo \u2013 copia");
  EXPECT_EQ(win32::Widen("\xF0\x9F\x8E\xAE").size(), 2u) << "a surrogate pair";

  EXPECT_EQ(win32::WidePath("C:/maps/a.map"), L"C:/maps/a.map") << "short paths are left as they are";
  const std::string long_ = "C:/maps/" + std::string(300, 'x') + "/../a.map";
  const std::wstring wide = win32::WidePath(long_);
  EXPECT_EQ(wide.rfind(L"\\\\?\\C:\\maps\\", 0), 0u);
  EXPECT_EQ(wide.find(L'/'), std::wstring::npos);
  EXPECT_EQ(wide.find(L".."), std::wstring::npos) << "a prefixed path is taken literally";
  EXPECT_EQ(win32::WidePath("\\\\server\\share\\" + std::string(300, 'y')).rfind(L"\\\\?\\UNC\\server\\share\\", 0), 0u);

  EXPECT_EQ(win32::CauseOfError(ERROR_SHARING_VIOLATION), FileError::Cause::InUse);
  EXPECT_EQ(win32::CauseOfError(ERROR_PATH_NOT_FOUND), FileError::Cause::NotFound);
  EXPECT_EQ(win32::CauseOfError(ERROR_ACCESS_DENIED), FileError::Cause::AccessDenied);
  EXPECT_EQ(win32::CauseOfError(ERROR_DISK_FULL), FileError::Cause::DiskFull);
}

TEST(Win32Text, FilesystemPathsTakeUtf8ThroughChar8) {
  const testing::TempDir dir;
  const std::string folder = dir.Path() + "/Mapas de Halo \xE2\x80\x93 copia";
  MakeFolder(folder);
  const std::filesystem::path path = PathFromUtf8(folder + "/../Mapas de Halo \xE2\x80\x93 copia");
  EXPECT_TRUE(std::filesystem::is_directory(path));
  const std::string canonical = Utf8FromPath(std::filesystem::weakly_canonical(path));
  EXPECT_NE(canonical.find("Mapas de Halo \xE2\x80\x93 copia"), std::string::npos) << canonical;
  EXPECT_EQ(canonical.find(".."), std::string::npos) << canonical;
  EXPECT_EQ(Utf8FromPath(PathFromUtf8("\xE6\x97\xA5.map")), "\xE6\x97\xA5.map");
}

// The same round of file calls in a folder with a non-ASCII name and in one
// whose path is longer than MAX_PATH.
TEST(Win32File, MapsOpenReadWriteResizeAndReplaceWhereverTheyAre) {
  const testing::TempDir dir;
  const std::string accented = dir.Path() + "/Mapas de Halo \xE2\x80\x93 copia";
  std::string deep = dir.Path();
  for (int i = 0; i < 6; ++i) deep += "/" + std::string(50, static_cast<char>('a' + i));
  for (const std::string& folder : {accented, deep}) {
    SCOPED_TRACE(folder.size());
    for (std::size_t at = dir.Path().size() + 1; at <= folder.size(); ++at)
      if (at == folder.size() || folder[at] == '/') MakeFolder(folder.substr(0, at));
    const std::string path = folder + "/b30.map";
    BinaryFile file;
    file.Open(path, BinaryFile::Mode::CreateTruncate, "b30.map");
    const Bytes data = {1, 2, 3, 4, 5, 6, 7, 8};
    file.Write(0x10, data.data(), data.size());
    EXPECT_EQ(file.Length(), 0x18u);
    Bytes back(12, 0xEE);
    EXPECT_EQ(file.Read(0x14, back.data(), back.size()), 4u) << "a read past the end is short";
    EXPECT_EQ(back, (Bytes{5, 6, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0}));
    file.SetLength(0x12);
    EXPECT_EQ(file.Length(), 0x12u);
    file.SetLength(0x20);
    file.Sync();
    file.Close();

    // A second handle on the same map, as both panels have.
    BinaryFile one, two;
    one.Open(path, BinaryFile::Mode::ReadWrite, kUnnamedFile);
    two.Open(path, BinaryFile::Mode::ReadWrite, kUnnamedFile);
    const unsigned char x = 0x5A;
    one.Write(0x1F, &x, 1);
    unsigned char seen = 0;
    two.Read(0x1F, &seen, 1);
    EXPECT_EQ(seen, x) << "a write through one handle shows through the other";
    one.Close();
    two.Close();

    const FileStamp before = FileStamp::Of(path);
    EXPECT_NE(before.inode, 0u);
    EXPECT_EQ(before.size, 0x20u);
    EXPECT_TRUE(before.SameFile(FileStamp::Of(folder + "/./b30.map"))) << "the same file by another name";
    {
      SaveFile save(path, "b30.map");
      save.File().Write(0, data.data(), data.size());
      save.Commit();
    }
    EXPECT_EQ(ReadAll(path), data);
    const FileStamp after = FileStamp::Of(path);
    EXPECT_FALSE(after.SameFile(before)) << "a replaced map is another file";
    EXPECT_EQ(EntriesIn(folder), 1u) << "no temporary file is left";
    EXPECT_EQ(FileStamp::Of(folder + "/missing.map"), FileStamp{});
  }
}

TEST(Win32File, AMapAnotherProgramLockedIsRefusedAndNothingIsWritten) {
  const testing::TempDir dir;
  const std::string path = dir.File("locked.map");
  const Bytes original(64, 0x11);
  {
    SaveFile save(path, "locked.map");
    save.File().Write(0, original.data(), original.size());
    save.Commit();
  }
  // The other program reads the map and lets nobody write it or rename over it.
  const HANDLE other = ::CreateFileW(win32::WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  struct Case {
    const char* name;
    std::function<void()> run;
  };
  const std::vector<Case> cases = {
      {"opened for writing", [&] { BinaryFile f; f.Open(path, BinaryFile::Mode::ReadWrite, kUnnamedFile); }},
      {"emptied", [&] { BinaryFile f; f.Open(path, BinaryFile::Mode::CreateTruncate, "locked.map"); }},
      {"replaced whole",
       [&] {
         SaveFile save(path, "locked.map");
         const Bytes replacement(8, 0x22);
         save.File().Write(0, replacement.data(), replacement.size());
         save.Commit();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.run();
      ADD_FAILURE() << "not refused";
    } catch (const FileError& e) {
      EXPECT_TRUE(e.cause() == FileError::Cause::InUse || e.cause() == FileError::Cause::AccessDenied) << e.what();
      if (std::string(c.name) != "replaced whole") {
        EXPECT_EQ(e.cause(), FileError::Cause::InUse) << e.what();
      }
    }
  }
  BinaryFile reader;
  reader.Open(path, BinaryFile::Mode::ReadOnly, "locked.map");
  EXPECT_EQ(reader.Length(), original.size()) << "reading is still allowed";
  reader.Close();
  ::CloseHandle(other);
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "no temporary file is left";
  EXPECT_EQ(FileError::TextFor(FileError::Cause::InUse, "locked.map"),
            "locked.map is in use by another program that does not allow it to be changed.");
}

TEST(Win32History, OneFileIsOneMapWhateverItsSpellingAndItsWriterLockLeavesItsBytesToOthers) {
  const testing::TempDir dir;
  const std::string path = dir.File("Spelled.map");
  const std::string spelled = dir.File("SPELLED.MAP");
  const Bytes original(64, 0x11);
  {
    SaveFile save(path, "Spelled.map");
    save.File().Write(0, original.data(), original.size());
    save.Commit();
  }
  EXPECT_EQ(History::KeyOf(path), History::KeyOf(spelled));
  // The name as it is on disk, whichever spelling asked.
  const std::string key = History::KeyOf(spelled);
  EXPECT_EQ(key.substr(key.size() - 12), "\\Spelled.map") << key;
  // A file made after another was deleted is another map, even when NTFS (or
  // Wine, with the Linux inode) gives it the deleted file's id.
  for (int n = 0; n < 8; ++n) {
    const std::string gone = dir.File("gone" + std::to_string(n) + ".map");
    const std::string made = dir.File("made" + std::to_string(n) + ".map");
    { SaveFile save(gone, "gone.map"); save.Commit(); }
    const std::string goneKey = History::KeyOf(gone);
    ASSERT_TRUE(DeleteFileW(win32::WidePath(gone).c_str()));
    { SaveFile save(made, "made.map"); save.Commit(); }
    EXPECT_NE(History::KeyOf(made), goneKey);
  }

  // A step recorded through one spelling is found, and undone, through the other.
  const auto history = std::make_shared<History>(dir.File("history.sqlite3"));
  EditPlan plan;
  plan.label = "two bytes";
  plan.path = path;
  plan.lengthBefore = original.size();
  const unsigned char two[2] = {1, 2};
  plan.Write(8, two, 2);
  ASSERT_TRUE(MapDocument(path, history).Apply(plan).written);
  const auto steps = history->Steps(spelled);
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_EQ(History::KeyOf(steps[0].mapPath), History::KeyOf(path)) << steps[0].mapPath << " opens the map";
  MapDocument(spelled, history).Undo(steps[0].id);
  EXPECT_EQ(ReadAll(path), original);

  // One writer: the lock is the file's, whatever the spelling; while it is held
  // other handles still read and write the map's bytes (the lock lies past them).
  MapLock first;
  ASSERT_TRUE(first.Acquire(path, std::chrono::milliseconds(0)));
  ASSERT_TRUE(first.Held());
  MapLock second;
  EXPECT_FALSE(second.Acquire(spelled, std::chrono::milliseconds(50)));
  {
    BinaryFile other;
    other.Open(spelled, BinaryFile::Mode::ReadWrite, kUnnamedFile);
    other.Write(0, two, 2);
    EXPECT_EQ(other.ReadBytes(0, 2), Bytes(two, two + 2));
    other.Write(0, original.data(), 2);
  }
  first.Release();
  EXPECT_TRUE(second.Acquire(spelled, std::chrono::milliseconds(0)));
  EXPECT_TRUE(second.Held());
}

TEST(Win32Process, IdentityTellsThisProcessFromEndedAndReusedOnes) {
  const ProcessIdentity self = CurrentProcess();
  EXPECT_EQ(self.pid, static_cast<std::int64_t>(::GetCurrentProcessId()));
  EXPECT_NE(self.startTime, 0);
  EXPECT_FALSE(self.bootId.empty());
  EXPECT_TRUE(StillRunning(self));

  ProcessIdentity reused = self;
  reused.startTime += 1;
  EXPECT_FALSE(StillRunning(reused)) << "a pid taken by a newer process";
  ProcessIdentity otherBoot = self;
  otherBoot.bootId += "x";
  EXPECT_FALSE(StillRunning(otherBoot));
  EXPECT_FALSE(StillRunning(ProcessIdentity{}));

  // A child that has ended, while we still hold its handle.
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  std::wstring command = L"cmd.exe /c exit 0";
  ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &child));
  ::WaitForSingleObject(child.hProcess, INFINITE);
  FILETIME created{}, exited{}, kernel{}, user{};
  ASSERT_TRUE(::GetProcessTimes(child.hProcess, &created, &exited, &kernel, &user));
  const ProcessIdentity ended{static_cast<std::int64_t>(child.dwProcessId),
                              static_cast<std::int64_t>((static_cast<std::uint64_t>(created.dwHighDateTime) << 32) |
                                                        created.dwLowDateTime),
                              self.bootId};
  EXPECT_FALSE(StillRunning(ended));
  ::CloseHandle(child.hProcess);
  ::CloseHandle(child.hThread);
}

TEST(Win32Folders, StateAndDefinitionsLiveInTheUsersAppDataFolders) {
  const char* saved = std::getenv("JOV_STATE_DIR");
  const std::string keep = saved ? saved : "";
  // Set wide: the narrow environment is in the ANSI code page, and the wide
  // one is what is read.
  ::_wputenv_s(L"LOCALAPPDATA", L"C:\\Users\\J\u00F3n\\AppData\\Local");
  ::_wputenv_s(L"APPDATA", L"C:\\Users\\J\u00F3n\\AppData\\Roaming");
  ::_putenv_s("JOV_STATE_DIR", "");
  EXPECT_EQ(StateFolder(), "C:\\Users\\J\xC3\xB3n\\AppData\\Local\\JOV");
  EXPECT_EQ(UserDefinitionsFolder(), "C:\\Users\\J\xC3\xB3n\\AppData\\Roaming\\JOV\\definitions");
  ::_putenv_s("JOV_STATE_DIR", "D:\\state");
  EXPECT_EQ(StateFolder(), "D:\\state") << "JOV_STATE_DIR wins";
  ::_putenv_s("JOV_STATE_DIR", keep.c_str());
}

#ifdef JOV_CLI_PATH
TEST(Win32Cli, OutputIsTheLinuxBytesAndArgumentsArriveAsUtf8) {
  const auto hex = testing::RunCli({"float-to-hex", "1.5"});
  ASSERT_EQ(hex.status, 0) << hex.err;
  EXPECT_EQ(hex.out.find('\r'), std::string::npos) << "no CR is added before LF";
  EXPECT_EQ(hex.out.back(), '\n');

  const testing::TempDir dir;
  const std::string folder = dir.Path() + "/Mapas de Halo \xE2\x80\x93 copia";
  MakeFolder(folder);
  const std::string map = folder + "/sample.map";
  const auto made = testing::RunCli({"make-sample", "--version", "7", "--seed", "3", map});
  ASSERT_EQ(made.status, 0) << made.err;
  const auto info = testing::RunCli({"info", map});
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("Map Version: 7"), std::string::npos) << info.out;
  EXPECT_EQ(info.out.find('\r'), std::string::npos);

  const auto missing = testing::RunCli({"info", folder + "/none.map"});
  EXPECT_NE(missing.status, 0);
  EXPECT_EQ(missing.err.find('\r'), std::string::npos);
}
#endif

}  // namespace
}  // namespace jov
