// Process identity on Windows: the pid, the process's creation time (a
// FILETIME) and the machine's boot time as the boot id.
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Process.h"

namespace jov {

namespace {

std::int64_t CreationTimeOf(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime);
}

// The kernel's own record of when the machine started; "now less the tick
// count" would jitter between two processes by the time between the calls.
struct TimeOfDayInformation {
  LARGE_INTEGER bootTime;
  LARGE_INTEGER currentTime;
  LARGE_INTEGER timeZoneBias;
  ULONG timeZoneId;
  ULONG reserved;
  ULONGLONG bootTimeBias;
  ULONGLONG sleepTimeBias;
};

std::string BootId() {
  using Query = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  auto query = ntdll ? reinterpret_cast<Query>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQuerySystemInformation")))
                     : nullptr;
  TimeOfDayInformation info{};
  constexpr int kSystemTimeOfDayInformation = 3;
  if (query && query(kSystemTimeOfDayInformation, &info, sizeof info, nullptr) >= 0 && info.bootTime.QuadPart != 0)
    return std::to_string(info.bootTime.QuadPart);
  // Without it: the boot time to the minute, which two processes agree on
  // unless they straddle a minute's turn.
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  const auto nowTicks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  const std::uint64_t boot = nowTicks / 10000 - ::GetTickCount64();
  return "~" + std::to_string(boot / 60000);
}

// One entry of NtQuerySystemInformation's process list (SystemProcessInformation),
// as far as the process id; winternl.h hides the creation time among reserved
// fields. Entries are NextEntryOffset bytes apart.
struct ProcessListEntry {
  ULONG nextEntryOffset;
  ULONG numberOfThreads;
  LARGE_INTEGER workingSetPrivateSize;
  ULONG hardFaultCount;
  ULONG numberOfThreadsHighWatermark;
  ULONGLONG cycleTime;
  LARGE_INTEGER createTime;
  LARGE_INTEGER userTime;
  LARGE_INTEGER kernelTime;
  UNICODE_STRING imageName;
  LONG basePriority;
  HANDLE uniqueProcessId;
};

// The creation time (a FILETIME's ticks) of the process pid from the system's
// list of processes; nothing when the list cannot be had or lacks pid.
std::optional<std::int64_t> CreationTimeFromList(DWORD pid) {
  using Query = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  auto query = ntdll ? reinterpret_cast<Query>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQuerySystemInformation")))
                     : nullptr;
  if (!query) return std::nullopt;
  constexpr int kSystemProcessInformation = 5;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
  // ULONGLONG elements: the entries need 8-byte alignment.
  std::vector<ULONGLONG> buffer(64 * 1024);
  for (int tries = 0;; ++tries) {
    ULONG needed = 0;
    const auto bytes = static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG));
    const LONG status = query(kSystemProcessInformation, buffer.data(), bytes, &needed);
    if (status == kInfoLengthMismatch && tries < 4) {
      buffer.resize((std::max<std::size_t>(needed, bytes) * 2) / sizeof(ULONGLONG) + 1);
      continue;
    }
    if (status < 0) return std::nullopt;
    break;
  }
  const auto* base = reinterpret_cast<const unsigned char*>(buffer.data());
  const std::size_t size = buffer.size() * sizeof(ULONGLONG);
  for (std::size_t at = 0; at + sizeof(ProcessListEntry) <= size;) {
    const auto* entry = reinterpret_cast<const ProcessListEntry*>(base + at);
    if (reinterpret_cast<std::uintptr_t>(entry->uniqueProcessId) == pid) return entry->createTime.QuadPart;
    if (entry->nextEntryOffset == 0) break;
    at += entry->nextEntryOffset;
  }
  return std::nullopt;
}

}  // namespace

ProcessIdentity CurrentProcess() {
  // Never destroyed: objects that statics own may ask as they go at exit.
  static const ProcessIdentity& self = *new ProcessIdentity{static_cast<std::int64_t>(::GetCurrentProcessId()),
                                                            CreationTimeOf(::GetCurrentProcess()), BootId()};
  return self;
}

std::int64_t CurrentPid() { return static_cast<std::int64_t>(::GetCurrentProcessId()); }

bool StillRunning(const ProcessIdentity& identity) {
  if (identity.pid <= 0) return false;
  if (identity.bootId != CurrentProcess().bootId) return false;
  const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(identity.pid));
  if (!process) {
    if (::GetLastError() != ERROR_ACCESS_DENIED) return false;
    // A process we may not open (another user's, a protected one): its start
    // time from the system's process list, which needs no handle. Without it,
    // the writer counts as running until the machine restarts.
    const auto created = CreationTimeFromList(static_cast<DWORD>(identity.pid));
    if (!created) return true;
    return *created == identity.startTime;
  }
  DWORD exitCode = 0;
  // A handle can still be had for a process that has ended while others hold one.
  const bool running = ::GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
  const bool same = CreationTimeOf(process) == identity.startTime;
  ::CloseHandle(process);
  return running && same;
}

}  // namespace jov
