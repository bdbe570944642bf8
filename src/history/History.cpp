#include "history/History.h"
#include "platform/PathText.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "history/StepReplay.h"
#include "map/Refused.h"
#include "map/ValueText.h"
#include "platform/BinaryFile.h"
#include "platform/FileError.h"
#include "platform/Folders.h"
#include "platform/MapLock.h"
#include "platform/Process.h"
#ifdef _WIN32
#include "platform/Win32Text.h"
#endif

namespace jov {

namespace {

constexpr std::uint64_t kDefaultLimitMb = 512;
constexpr const char* kLimitSetting = "limit_mb";

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::optional<std::uint64_t> ParseMb(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 12)
    return std::nullopt;
  return std::stoull(text);
}

bool Legacy(const std::vector<StepWrite>& writes) {
  for (const StepWrite& write : writes)
    if (!write.hasHash) return true;
  return false;
}

bool HoldsAfter(const BinaryFile& file, const StepWrite& write) {
  const auto bytes = file.ReadBytes(write.offset, write.afterSize);
  return RangeHash(bytes.data(), bytes.size()) == write.afterHash;
}

bool HoldsBefore(const BinaryFile& file, const StepWrite& write) {
  return file.ReadBytes(write.offset, write.before.size()) == write.before;
}

// A plan over the map a step belongs to, as it is now.
EditPlan PlanFor(PlanKind kind, const StepInfo& info, const BinaryFile& file) {
  EditPlan plan;
  plan.kind = kind;
  plan.step = info.id;
  plan.label = info.label;
  plan.path = info.mapPath;
  plan.stamp = FileStamp::Of(info.mapPath);
  plan.lengthBefore = file.Length();
  return plan;
}

BinaryFile OpenMap(const std::string& path) {
  BinaryFile file;
  file.Open(path, BinaryFile::Mode::ReadOnly, kUnnamedFile);
  return file;
}

}  // namespace

History::History(std::string databasePath) : m_databasePath(std::move(databasePath)) {}

std::shared_ptr<History> History::OfUser() { return std::make_shared<History>(DatabasePath()); }

std::string History::StateDir() { return StateFolder(); }

std::string History::DatabasePath() { return StateDir() + "/history.sqlite3"; }

namespace {

std::string CanonicalPath(const std::string& path) {
  std::error_code error;
  // Through the UTF-8 path type: on Windows a plain string is read in the ANSI
  // code page, which renames a folder such as "Mapas de Halo – copia".
  auto canonical = std::filesystem::weakly_canonical(PathFromUtf8(path), error);
  return error ? path : Utf8FromPath(canonical);
}

}  // namespace

std::string History::KeyOf(const std::string& path) {
#ifdef _WIN32
  // The path Windows itself gives the open file, the same for every spelling
  // (letter case, short names). Not the file's id: NTFS hands a deleted file's
  // id to the next file made, which would take over the old map's steps.
  const std::string final = win32::FinalPath(path);
  if (!final.empty()) return final;
#endif
  return CanonicalPath(path);
}

void History::Off(const std::string& reason, bool notify) {
  if (m_off) return;
  m_off = true;
  m_offReason = reason;
  m_store.reset();
  if (notify && m_offNotice) m_offNotice(reason);
}

void History::TurnOff(const std::string& reason) {
  // An open under way is waited for and closed.
  if (m_opening.valid()) {
    try {
      m_opening.get();
    } catch (const std::exception&) {
    }
  }
  Off(reason, false);
}

namespace {

std::unique_ptr<HistoryStore> OpenStore(const std::string& databasePath) {
  std::error_code error;
  std::filesystem::create_directories(PathFromUtf8(databasePath).parent_path(), error);
  return std::make_unique<HistoryStore>(databasePath);
}

std::unique_ptr<HistoryStore> OpenStoreForCommand(const std::string& databasePath) {
  auto store = OpenStore(databasePath);
  // Started here, it waits idle for the command's first image; started then,
  // it could wait for a processor while the command keeps both busy.
  store->StartWorker();
  return store;
}

}  // namespace

void History::OpenSoon() {
  if (m_off || m_store || m_triedOpen || m_opening.valid()) return;
  m_opening = std::async(std::launch::async, [path = m_databasePath] { return OpenStoreForCommand(path); });
}

HistoryStore* History::Store() {
  if (m_opening.valid()) {
    // Opened on another thread (OpenSoon); its failure is reported here, on
    // the caller's, once.
    m_triedOpen = true;
    try {
      auto store = m_opening.get();
      if (!m_off) m_store = std::move(store);
    } catch (const std::exception& e) {
      Off(e.what(), true);
    }
  }
  if (m_off) return nullptr;
  if (!m_store && !m_triedOpen) {
    m_triedOpen = true;
    try {
      m_store = OpenStore(m_databasePath);
    } catch (const std::exception& e) {
      Off(e.what(), true);
    }
  }
  return m_store.get();
}

HistoryStore& History::RequireStore() {
  HistoryStore* store = Store();
  if (!store) throw Refused(FillText(kHistoryOffText, {m_offReason}));
  return *store;
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

// Queries: a database that fails here turns the history off (nothing is being
// written, so nothing is at stake but the history itself).
#define JOV_QUERY(expr, fallback)        \
  HistoryStore* store = Store();         \
  if (!store) return fallback;           \
  try {                                  \
    return expr;                         \
  } catch (const HistoryError& e) {      \
    Off(e.what(), true);                 \
    return fallback;                     \
  }

std::vector<StepInfo> History::Steps(const std::string& mapPath) { JOV_QUERY(store->Steps(KeyOf(mapPath)), {}) }

std::optional<StepInfo> History::Step(std::int64_t step) { JOV_QUERY(store->Step(step), std::nullopt) }

std::optional<StepInfo> History::NewestDone(const std::vector<std::string>& mapPaths) {
  std::vector<std::string> keys;
  for (const auto& path : mapPaths) keys.push_back(KeyOf(path));
  JOV_QUERY(store->NewestDone(keys), std::nullopt)
}

std::optional<StepInfo> History::OldestUndone(const std::vector<std::string>& mapPaths) {
  std::vector<std::string> keys;
  for (const auto& path : mapPaths) keys.push_back(KeyOf(path));
  JOV_QUERY(store->OldestUndone(keys), std::nullopt)
}

#undef JOV_QUERY

namespace {

// Whether an unfinished step was left behind. A step of another JOV process
// still running is being written now. One of this process is never in flight
// when this is asked (the executor finishes or ends its step before it
// returns), so it was left by a failure.
bool LeftBehind(const StepInfo& step, const ProcessIdentity& self) {
  const ProcessIdentity writer{step.pid, step.startTime, step.bootId};
  const bool mine = writer.pid == self.pid && writer.startTime == self.startTime && writer.bootId == self.bootId;
  return mine || !StillRunning(writer);
}

}  // namespace

std::vector<StepInfo> History::Interrupted(const std::string& mapPath, bool writerLockHeld) {
  HistoryStore* store = Store();
  if (!store) return {};
  std::vector<StepInfo> found;
  try {
    const ProcessIdentity self = CurrentProcess();
    const std::string key = KeyOf(mapPath);
    std::vector<StepInfo> unfinished = store->Unfinished(key);
    if (unfinished.empty() || writerLockHeld) return unfinished;
    // The writer lock taken if it is free (never waited for) and held while the
    // steps are read again: then no step is being written, whoever's process
    // still runs (an editor whose own restore failed, a process that cannot be
    // looked at). Held by another JOV, its own step is not interrupted.
    MapLock probe;
    const bool nobodyWriting = probe.Acquire(mapPath, std::chrono::milliseconds(0)) && probe.Held();
    unfinished = store->Unfinished(key);
    for (StepInfo& step : unfinished)
      if (nobodyWriting || LeftBehind(step, self)) found.push_back(std::move(step));
  } catch (const HistoryError& e) {
    Off(e.what(), true);
  }
  return found;
}

void History::ClearMap(const std::string& mapPath, bool interruptedToo) {
  const std::vector<StepInfo> interrupted = interruptedToo ? Interrupted(mapPath) : std::vector<StepInfo>{};
  if (HistoryStore* store = Store()) {
    try {
      for (const StepInfo& step : interrupted) store->DeleteStep(step.id);
      store->ClearMap(KeyOf(mapPath));
    } catch (const HistoryError& e) {
      Off(e.what(), true);
    }
  }
}

std::vector<StepWrite> History::WritesOf(std::int64_t step, StepState expected, const char* verb, StepInfo& info) {
  HistoryStore& store = RequireStore();
  try {
    auto found = store.Step(step);
    if (!found || found->state != expected) throw Refused(std::string("That step can no longer be ") + verb + ".");
    info = *found;
    return store.Writes(step);
  } catch (const ImageLost& e) {
    throw Refused(FillText(kImageLostText, {info.label, e.what()}));
  } catch (const HistoryError& e) {
    Off(e.what(), true);
    throw Refused(FillText(kHistoryOffText, {m_offReason}));
  }
}

// Undo and redo are one walk in two directions: undo finds the after-bytes
// (by their hash) and writes the before-bytes, redo the other way round.
EditPlan History::PlanReplay(std::int64_t step, bool undo) {
  StepInfo info;
  const auto writes = WritesOf(step, undo ? StepState::Done : StepState::Undone, undo ? "undone" : "redone", info);
  const BinaryFile file = OpenMap(info.mapPath);
  EditPlan plan = PlanFor(undo ? PlanKind::Undo : PlanKind::Redo, info, file);
  auto refuse = [&](std::uint64_t offset) {
    throw Refused(FillText(undo ? kUndoChangedText : kRedoChangedText, {info.label, HexOffsetText(offset)}));
  };
  auto refuseLength = [&](std::uint64_t expected) {
    throw Refused(FillText(undo ? kUndoLengthText : kRedoLengthText,
                           {info.label, std::to_string(plan.lengthBefore), std::to_string(expected)}));
  };
  if (writes.empty()) return plan;
  if (Legacy(writes)) {
    // A step of an older history: its writes may overlap, and they carry their
    // after-bytes; the file must hold the state they left (or found) over their union.
    if (auto differ = undo ? CompareWithAfter(file, writes) : CompareWithBefore(file, writes)) {
      if (differ->length) refuseLength(differ->expected);
      refuse(differ->offset);
    }
    const StepImage found = undo ? AfterImage(writes) : BeforeImage(writes);
    const StepImage wanted = undo ? BeforeImage(writes) : AfterImage(writes);
    for (const PlanWrite& range : found.ranges) plan.expects.push_back({range.offset, range.bytes, "", {}, 0});
    plan.expectLength = found.length;
    plan.writes = wanted.ranges;
    plan.lengthAfter = wanted.length;
    return plan;
  }
  const std::uint64_t lengthFound = undo ? writes.front().lengthAfter : writes.front().lengthBefore;
  if (plan.lengthBefore != lengthFound) refuseLength(lengthFound);
  for (const StepWrite& write : writes) {
    if (undo) {
      if (!HoldsAfter(file, write)) refuse(write.offset);
      plan.expects.push_back({write.offset, {}, "", write.afterHash, write.afterSize});
      plan.writes.push_back({write.offset, write.before});
    } else {
      if (write.after.size() != write.afterSize) throw Refused("That step can no longer be redone.");
      if (!HoldsBefore(file, write)) refuse(write.offset);
      plan.expects.push_back({write.offset, write.before, "", {}, 0});
      plan.writes.push_back({write.offset, write.after});
    }
  }
  plan.expectLength = lengthFound;
  plan.lengthAfter = undo ? writes.front().lengthBefore : writes.front().lengthAfter;
  return plan;
}

EditPlan History::PlanRecover(std::int64_t step) {
  HistoryStore& store = RequireStore();
  std::optional<StepInfo> info;
  std::vector<StepWrite> writes;
  std::vector<std::string> lost;
  try {
    info = store.Step(step);
    if (!info || info->state == StepState::Done || info->state == StepState::Undone)
      throw Refused("That step is not interrupted.");
    writes = store.Writes(step, &lost);
  } catch (const HistoryError& e) {
    Off(e.what(), true);
    throw Refused(FillText(kHistoryOffText, {m_offReason}));
  }
  const BinaryFile file = OpenMap(info->mapPath);
  EditPlan plan = PlanFor(PlanKind::Recover, *info, file);
  if (writes.empty()) {
    plan.finishOnly = info->state == StepState::Writing;
    return plan;
  }
  if (Legacy(writes)) {
    // An older history recorded each write before it was made, so its
    // before-bytes cover whatever reached the map.
    if (info->state == StepState::Writing && !CompareWithAfter(file, writes)) {
      plan.finishOnly = true;
      return plan;
    }
    const StepImage before = BeforeImage(writes);
    plan.writes = before.ranges;
    plan.lengthAfter = before.length;
    return plan;
  }
  // Bytes a write added past the old end are checked by the length alone.
  bool allAfter = plan.lengthBefore == writes.front().lengthAfter;
  for (const StepWrite& write : writes) allAfter = allAfter && HoldsAfter(file, write);
  if (allAfter && (info->state == StepState::Writing || info->state == StepState::Redoing)) {
    // The command (or redo) reached its end, the map synced, but not the mark
    // that says so: it is finished, not taken back.
    plan.finishOnly = true;
    return plan;
  }
  if (!lost.empty()) throw Refused(FillText(kImageLostText, {info->label, lost.front()}));
  // Whatever the ranges hold now goes: a write cut short left bytes that are
  // neither the old nor the new, and no other JOV wrote there (the writer
  // lock), so the before-images are the map as it was.
  for (const StepWrite& write : writes) plan.writes.push_back({write.offset, write.before});
  plan.lengthAfter = writes.front().lengthBefore;
  return plan;
}

std::int64_t History::RecordStep(const std::string& key, const std::string& mapPath, const std::string& label,
                                 const std::vector<StepWrite>& writes, std::uint64_t changed, bool writerLockHeld) {
  HistoryStore* store = Store();
  if (!store) return -1;
  const ProcessIdentity self = CurrentProcess();
  // A key that is not the map's path keeps the path to open the map by.
  std::string file = CanonicalPath(mapPath);
  if (file == key) file.clear();
  return store->BeginStep(
      key, label, NowMs(), self, writes, changed,
      [&](const StepInfo& step) { return writerLockHeld || LeftBehind(step, self); }, file);
}

void History::FinishStep(std::int64_t step, const std::string& key) {
  if (HistoryStore* store = Store()) store->FinishStep(step, key, LimitBytes());
}

std::shared_future<std::string> History::StageImage(std::shared_ptr<const std::vector<unsigned char>> bytes) {
  if (bytes->size() < kImageFileFrom) return {};
  HistoryStore* store = Store();
  if (!store) return {};
  return store->PutImageLater(std::move(bytes));
}

void History::DropImage(const std::shared_future<std::string>& file) {
  // A history turned off since leaves the file to the next open's sweep.
  try {
    const std::string name = file.get();
    if (HistoryStore* store = Store()) store->Images().Remove(name);
  } catch (const FileError&) {
    // Never written: nothing to remove.
  }
}

void History::DiscardStep(std::int64_t step) {
  if (HistoryStore* store = Store()) store->DeleteStep(step);
}

void History::BeginUndo(std::int64_t step, const std::vector<std::vector<unsigned char>>& after) {
  RequireStore().BeginUndo(step, after);
}

void History::SetState(std::int64_t step, StepState state) {
  HistoryStore* store = Store();
  if (!store) return;
  store->SetState(step, state);
  if (state == StepState::Done || state == StepState::Undone) store->CheckpointIfLarge();
}

void History::EndRecovery(const EditPlan& plan) {
  HistoryStore& store = RequireStore();
  const auto info = store.Step(plan.step);
  if (!info) return;
  if (plan.finishOnly && info->state == StepState::Redoing) {
    store.SetState(plan.step, StepState::Done);
  } else if (plan.finishOnly) {
    store.FinishStep(plan.step, KeyOf(info->mapPath), LimitBytes());
  } else if (info->state == StepState::Writing) {
    store.DeleteStep(plan.step);
  } else {
    // An undo is finished, a redo taken back: the step can be redone.
    store.SetState(plan.step, StepState::Undone);
  }
}

}  // namespace jov
