#pragma once
// Windows: kill(pid, 0) as POSIX answers it (0 while the process runs, else -1
// with errno ESRCH or EPERM), for the history's liveness check until it asks
// platform/Process.h instead. Only signal 0 is supported.
extern "C++" int kill(int pid, int signal);
