// Process identity on Linux: pid, start time from /proc/PID/stat (field 22,
// clock ticks since boot) and the kernel's boot id.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/Process.h"

namespace jov {

namespace {

std::string BootId() {
  std::ifstream in("/proc/sys/kernel/random/boot_id");
  std::string id;
  std::getline(in, id);
  return id;
}

std::int64_t StartTimeOf(std::int64_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The command name (field 2) is in parentheses and may hold spaces: count
  // fields from the last ')'.
  const auto close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 1));
  std::string field;
  // Fields 3 .. 22: the start time is the 20th after the name.
  for (int i = 3; i <= 22; ++i)
    if (!(fields >> field)) return 0;
  try {
    return std::stoll(field);
  } catch (...) {
    return 0;
  }
}

}  // namespace

ProcessIdentity CurrentProcess() {
  // Cached per pid: a forked child is a process of its own. Asked from the
  // history's threads too (opening, naming image files), and by objects that
  // statics own as they go at exit: the cache is never destroyed.
  static const std::string& boot = *new std::string(BootId());
  static std::mutex& guard = *new std::mutex;
  static ProcessIdentity& self = *new ProcessIdentity;
  const std::int64_t pid = ::getpid();
  const std::lock_guard<std::mutex> lock(guard);
  if (self.pid != pid) self = ProcessIdentity{pid, StartTimeOf(pid), boot};
  return self;
}

std::int64_t CurrentPid() { return ::getpid(); }

bool StillRunning(const ProcessIdentity& identity) {
  if (identity.pid <= 0) return false;
  if (identity.bootId != CurrentProcess().bootId) return false;
  bool othersProcess = false;
  if (::kill(static_cast<pid_t>(identity.pid), 0) != 0) {
    if (errno != EPERM) return false;
    othersProcess = true;
  }
  const std::int64_t started = StartTimeOf(identity.pid);
  if (started != 0 && identity.startTime != 0) return started == identity.startTime;
  // A start time that cannot be told on either side (/proc hidden, or none
  // recorded): a process of this user with that pid is taken as the writer; a
  // process we may not signal belongs to another user, which a JOV writing
  // this user's history is not, so the writer is gone.
  return !othersProcess;
}

}  // namespace jov
