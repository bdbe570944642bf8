// Process identity on Windows: the pid, the process's creation time (a
// FILETIME) and the machine's boot time as the boot id.
#include <windows.h>
#include <winternl.h>

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
  // A process we may not look at is running all the same (as EPERM from kill).
  if (!process) return ::GetLastError() == ERROR_ACCESS_DENIED;
  DWORD exitCode = 0;
  // A handle can still be had for a process that has ended while others hold one.
  const bool running = ::GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
  const bool same = CreationTimeOf(process) == identity.startTime;
  ::CloseHandle(process);
  return running && same;
}

}  // namespace jov
