#include "history/History.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "history/StepReplay.h"
#include "map/Refused.h"
#include "platform/BinaryFile.h"
#include "platform/FileError.h"

namespace jov {

namespace {

constexpr std::uint64_t kDefaultLimitMb = 512;
constexpr const char* kLimitSetting = "limit_mb";
constexpr const char* kUnscopedLabel = "Edit";

std::string Replace(std::string text, const std::string& mark, const std::string& by) {
  const auto at = text.find(mark);
  if (at != std::string::npos) text.replace(at, mark.size(), by);
  return text;
}

std::string HexOffset(std::uint64_t offset) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(offset));
  return text;
}

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

bool ProcessAlive(std::int64_t pid) {
  if (pid <= 0) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// The map as undo, redo and recovery write it: its bytes are the step's, so they
// are not recorded as a new step.
BinaryFile OpenForReplay(const std::string& path) {
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadWrite, kUnnamedFile);
  file.SetJournaled(false);
  return file;
}

std::optional<std::uint64_t> ParseMb(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 12)
    return std::nullopt;
  return std::stoull(text);
}

}  // namespace

History& History::Instance() {
  static History history;
  return history;
}

void History::Install() { BinaryFile::SetJournal(this); }

void History::Uninstall() {
  if (BinaryFile::Journal() == this) BinaryFile::SetJournal(nullptr);
}

std::string History::StateDir() {
  if (const char* dir = std::getenv("JOV_STATE_DIR"); dir && *dir) return dir;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg) return std::string(xdg) + "/jov";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/state/jov";
}

std::string History::DatabasePath() { return StateDir() + "/history.sqlite3"; }

std::string History::KeyOf(const std::string& path) {
  std::error_code error;
  auto canonical = std::filesystem::weakly_canonical(path, error);
  return error ? path : canonical.string();
}

void History::Reset() {
  m_store.reset();
  m_triedOpen = false;
  m_off = false;
  m_offReason.clear();
  m_scope.reset();
  m_lastWritten.clear();
  m_keys.clear();
}

void History::Off(const std::string& reason, bool notify) {
  if (m_off) return;
  m_off = true;
  m_offReason = reason;
  m_store.reset();
  if (notify && m_offNotice) m_offNotice(reason);
}

void History::TurnOff(const std::string& reason) { Off(reason, false); }

HistoryStore* History::Store() {
  if (m_off) return nullptr;
  if (!m_store && !m_triedOpen) {
    m_triedOpen = true;
    try {
      std::error_code error;
      std::filesystem::create_directories(StateDir(), error);
      m_store = std::make_unique<HistoryStore>(DatabasePath());
    } catch (const std::exception& e) {
      Off(e.what(), true);
    }
  }
  return m_store.get();
}

bool History::IsOn() { return Store() != nullptr; }

std::uint64_t History::LimitBytes() {
  std::optional<std::uint64_t> mb;
  if (const char* env = std::getenv("JOV_HISTORY_LIMIT_MB"); env && *env) mb = ParseMb(env);
  if (!mb) {
    if (HistoryStore* store = Store()) {
      try {
        if (auto setting = store->Setting(kLimitSetting)) mb = ParseMb(*setting);
      } catch (const HistoryError& e) {
        Off(e.what(), true);
      }
    }
  }
  return (mb ? *mb : kDefaultLimitMb) * 1024 * 1024;
}

void History::SetLimitMb(std::uint64_t megabytes) {
  if (HistoryStore* store = Store()) {
    try {
      store->SetSetting(kLimitSetting, std::to_string(megabytes));
    } catch (const HistoryError& e) {
      Off(e.what(), true);
    }
  }
}

const std::string& History::KeyOfFile(const BinaryFile& file) {
  auto found = m_keys.find(file.Path());
  if (found == m_keys.end()) found = m_keys.emplace(file.Path(), KeyOf(file.Path())).first;
  return found->second;
}

void History::BeforeWrite(const BinaryFile& file, std::uint64_t offset, const void* data, std::size_t n) {
  const std::uint64_t length = file.Length();
  const std::size_t inside =
      offset < length ? static_cast<std::size_t>(std::min<std::uint64_t>(n, length - offset)) : 0;
  std::vector<unsigned char> before(inside);
  file.Read(offset, before.data(), inside);
  const auto* after = static_cast<const unsigned char*>(data);

  // Of a large write only the runs of bytes it changes are kept: a command that
  // rewrites a whole tag to change a few bytes of it (the hex editor, Direct
  // Inject over a similar tag) stores and checks those few. Runs closer than kGap
  // are one. A small write (a field, an entry, a name) is kept whole.
  constexpr std::size_t kWhole = 4096;
  constexpr std::size_t kGap = 64;
  std::vector<std::pair<std::size_t, std::size_t>> runs;  // [start, end) inside the write
  if (n <= kWhole) {
    runs.emplace_back(0, n);
  } else {
    for (std::size_t i = 0; i < inside;) {
      if (before[i] == after[i]) {
        ++i;
        continue;
      }
      std::size_t end = i + 1;
      while (end < inside && before[end] != after[end]) ++end;
      if (!runs.empty() && i - runs.back().second < kGap)
        runs.back().second = end;
      else
        runs.emplace_back(i, end);
      i = end;
    }
    // Bytes past the end of the file are all new.
    if (inside < n) {
      if (!runs.empty() && inside - runs.back().second < kGap)
        runs.back().second = n;
      else
        runs.emplace_back(inside, n);
    }
  }
  if (runs.empty()) return;

  std::vector<StepWrite> writes;
  writes.reserve(runs.size());
  for (const auto& [start, end] : runs) {
    StepWrite write;
    write.offset = offset + start;
    write.before.assign(before.begin() + static_cast<std::ptrdiff_t>(start),
                        before.begin() + static_cast<std::ptrdiff_t>(std::min(end, inside)));
    write.after.assign(after + start, after + end);
    write.lengthBefore = length;
    write.lengthAfter = std::max<std::uint64_t>(length, offset + end);
    writes.push_back(std::move(write));
  }
  Record(file, std::move(writes));
}

void History::BeforeSetLength(const BinaryFile& file, std::uint64_t length) {
  StepWrite write;
  write.lengthBefore = file.Length();
  write.lengthAfter = length;
  write.offset = std::min(length, write.lengthBefore);
  if (length < write.lengthBefore) {
    write.before.resize(static_cast<std::size_t>(write.lengthBefore - length));
    file.Read(length, write.before.data(), write.before.size());
  }
  Record(file, {std::move(write)});
}

void History::Record(const BinaryFile& file, std::vector<StepWrite> writes) {
  const std::string& key = KeyOfFile(file);
  HistoryStore* store = Store();
  if (!m_scope) {
    // A write no command announced: a step of its own, finished at once.
    if (!store) return;
    try {
      const std::int64_t id = store->BeginStep(key, kUnscopedLabel, NowMs(), ::getpid(), writes);
      store->SetState(id, StepState::Done);
      store->DropUndone(key);
    } catch (const HistoryError& e) {
      Off(e.what(), true);
    }
    return;
  }
  ScopeStep* step = nullptr;
  for (ScopeStep& candidate : m_scope->steps)
    if (candidate.mapPath == key) step = &candidate;
  if (!step) {
    m_scope->steps.push_back({key, -1, {}});
    step = &m_scope->steps.back();
  }
  if (store) {
    try {
      if (step->id < 0) {
        if (step->writes.empty()) step->id = store->BeginStep(key, m_scope->label, NowMs(), ::getpid(), writes);
      } else {
        store->AddWrites(step->id, writes);
      }
    } catch (const HistoryError& e) {
      Off(e.what(), true);
    }
  }
  // The bytes stay in memory too: a failed command is rolled back from them even
  // when the database is off.
  for (StepWrite& write : writes) step->writes.push_back(std::move(write));
}

bool History::OpenScope(const std::string& label) {
  if (m_scope) return false;
  m_scope = Scope{label, {}};
  return true;
}

void History::CloseScope(bool commit) {
  if (!m_scope) return;
  Scope scope = std::move(*m_scope);
  m_scope.reset();
  m_lastWritten.clear();
  for (ScopeStep& step : scope.steps) {
    m_lastWritten.push_back(step.mapPath);
    HistoryStore* store = Store();
    if (commit) {
      if (!store || step.id < 0) continue;
      try {
        store->FinishStep(step.id, step.mapPath, LimitBytes());
      } catch (const HistoryError& e) {
        Off(e.what(), true);
      }
      continue;
    }
    // The command failed part-way: its bytes go back at once. If that fails as
    // well, the step stays in Writing for recovery at the next open.
    try {
      BinaryFile file = OpenForReplay(step.mapPath);
      WriteBefore(file, step.writes);
    } catch (const FileError&) {
      continue;
    }
    if (store && step.id >= 0) {
      try {
        store->DeleteStep(step.id);
      } catch (const HistoryError& e) {
        Off(e.what(), true);
      }
    }
  }
}

std::vector<StepInfo> History::Steps(const std::string& mapPath) {
  HistoryStore* store = Store();
  if (!store) return {};
  try {
    return store->Steps(KeyOf(mapPath));
  } catch (const HistoryError& e) {
    Off(e.what(), true);
    return {};
  }
}

std::optional<StepInfo> History::NewestDone(const std::vector<std::string>& mapPaths) {
  HistoryStore* store = Store();
  if (!store) return std::nullopt;
  std::vector<std::string> keys;
  for (const auto& path : mapPaths) keys.push_back(KeyOf(path));
  try {
    return store->NewestDone(keys);
  } catch (const HistoryError& e) {
    Off(e.what(), true);
    return std::nullopt;
  }
}

std::optional<StepInfo> History::OldestUndone(const std::vector<std::string>& mapPaths) {
  HistoryStore* store = Store();
  if (!store) return std::nullopt;
  std::vector<std::string> keys;
  for (const auto& path : mapPaths) keys.push_back(KeyOf(path));
  try {
    return store->OldestUndone(keys);
  } catch (const HistoryError& e) {
    Off(e.what(), true);
    return std::nullopt;
  }
}

std::vector<StepInfo> History::Interrupted(const std::string& mapPath) {
  HistoryStore* store = Store();
  if (!store) return {};
  std::vector<StepInfo> found;
  try {
    for (StepInfo& step : store->Unfinished(KeyOf(mapPath))) {
      // A step of this process's open command, or of another JOV process still
      // running, is being written now, not interrupted.
      bool ours = false;
      if (m_scope)
        for (const ScopeStep& open : m_scope->steps) ours = ours || open.id == step.id;
      if (ours || (step.pid != ::getpid() && ProcessAlive(step.pid))) continue;
      found.push_back(std::move(step));
    }
  } catch (const HistoryError& e) {
    Off(e.what(), true);
  }
  return found;
}

void History::ClearMap(const std::string& mapPath) {
  if (HistoryStore* store = Store()) {
    try {
      store->ClearMap(KeyOf(mapPath));
    } catch (const HistoryError& e) {
      Off(e.what(), true);
    }
  }
}

std::vector<StepWrite> History::WritesOf(std::int64_t step, StepState expected, const char* verb) {
  HistoryStore* store = Store();
  if (!store) throw Refused(Replace(kHistoryOffText, "%1", m_offReason));
  auto info = store->Step(step);
  if (!info || info->state != expected)
    throw Refused(std::string("That step can no longer be ") + verb + ".");
  return store->Writes(step);
}

void History::Undo(std::int64_t step) { Replay(step, true); }

void History::Redo(std::int64_t step) { Replay(step, false); }

void History::Replay(std::int64_t step, bool undo) {
  try {
    const auto writes =
        WritesOf(step, undo ? StepState::Done : StepState::Undone, undo ? "undone" : "redone");
    const auto info = m_store->Step(step);
    BinaryFile file = OpenForReplay(info->mapPath);
    // Nothing is written unless the map holds what the step left (undo) or
    // found (redo) at every range it touched.
    if (auto differ = undo ? CompareWithAfter(file, writes) : CompareWithBefore(file, writes)) {
      std::string text = differ->length ? (undo ? kUndoLengthText : kRedoLengthText)
                                        : (undo ? kUndoChangedText : kRedoChangedText);
      text = Replace(text, "%1", info->label);
      if (differ->length) {
        text = Replace(Replace(text, "%2", std::to_string(differ->found)), "%3", std::to_string(differ->expected));
      } else {
        text = Replace(text, "%2", HexOffset(differ->offset));
      }
      throw Refused(text);
    }
    m_store->SetState(step, undo ? StepState::Undoing : StepState::Redoing);
    if (undo)
      WriteBefore(file, writes);
    else
      WriteAfter(file, writes);
    m_store->SetState(step, undo ? StepState::Undone : StepState::Done);
    m_lastWritten = {info->mapPath};
  } catch (const HistoryError& e) {
    Off(e.what(), true);
    throw Refused(Replace(kHistoryOffText, "%1", m_offReason));
  }
}

void History::Recover(std::int64_t step) {
  HistoryStore* store = Store();
  if (!store) throw Refused(Replace(kHistoryOffText, "%1", m_offReason));
  try {
    const auto info = store->Step(step);
    if (!info) return;
    const auto writes = store->Writes(step);
    BinaryFile file = OpenForReplay(info->mapPath);
    switch (info->state) {
      case StepState::Writing:
        WriteBefore(file, writes);
        store->DeleteStep(step);
        break;
      case StepState::Redoing:
        WriteBefore(file, writes);
        store->SetState(step, StepState::Undone);
        break;
      case StepState::Undoing:
        // Finished: the user asked for the bytes before the step, and they are
        // what the database holds safely (the before-bytes went first).
        WriteBefore(file, writes);
        store->SetState(step, StepState::Undone);
        break;
      default: break;
    }
    m_lastWritten = {info->mapPath};
  } catch (const HistoryError& e) {
    Off(e.what(), true);
    throw Refused(Replace(kHistoryOffText, "%1", m_offReason));
  }
}

}  // namespace jov
