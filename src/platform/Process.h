#pragma once
#include <cstdint>
#include <string>

namespace jov {

// Who wrote a history step, told apart across reboots: a pid alone is reused
// after a restart (and sooner), so a step also records when its process
// started and which boot of the machine it ran in.
struct ProcessIdentity {
  std::int64_t pid = 0;
  std::int64_t startTime = 0;  // system-specific clock ticks or file time; 0: unknown
  std::string bootId;          // differs after every boot; empty: unknown
};

// This process. Safe from any thread, and while statics are destroyed at exit.
ProcessIdentity CurrentProcess();
// Its pid alone: cheap, for telling a forked child from its parent.
std::int64_t CurrentPid();
// Whether the process that recorded identity is still running: same boot, pid
// alive, same start time (an unknown start time or boot id compares as equal
// only to itself being unknown too).
bool StillRunning(const ProcessIdentity& identity);

}  // namespace jov
