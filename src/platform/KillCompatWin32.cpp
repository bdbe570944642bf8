#include "platform/KillCompatWin32.h"

#include <windows.h>

#include <cerrno>

int kill(int pid, int signal) {
  if (signal != 0) {
    errno = EINVAL;
    return -1;
  }
  const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (!process) {
    errno = ::GetLastError() == ERROR_ACCESS_DENIED ? EPERM : ESRCH;
    return -1;
  }
  DWORD code = 0;
  const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  ::CloseHandle(process);
  if (running) return 0;
  errno = ESRCH;
  return -1;
}
