#pragma once
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryStore.h"
#include "map/EditPlan.h"

namespace jov {

// The edit history: the database of steps, and the planners of undo, redo and
// recovery. It writes no map; the executor (edit/MapDocument.h) applies what it
// plans and records commands through RecordStep/FinishStep.
//
// One object per database, made by the program (the window, jov-cli's main)
// and shared by the documents of the maps it edits (edit/MapDocument.h); there
// is no process-wide history. The database is opened at the first use. When it
// cannot be opened at all, the history is off (OffReason() says why, the notice
// is called once) and maps are written unrecorded. A database that fails in the
// middle of a command refuses that command instead (the executor's rule).
class History {
 public:
  explicit History(std::string databasePath);
  // The user's history: the database in the state folder (platform/Folders.h).
  static std::shared_ptr<History> OfUser();
  History(const History&) = delete;
  History& operator=(const History&) = delete;

  // Starts opening the database on a thread of its own, so a program that is
  // about to write (a jov-cli command) does not wait for it when it does.
  void OpenSoon();
  // Stops recording into the database (jov-cli --no-history).
  void TurnOff(const std::string& reason);
  bool IsOn();
  const std::string& OffReason() const { return m_offReason; }
  // Called once, with the reason, when the history turns itself off on an error.
  void SetOffNotice(std::function<void(const std::string&)> notice) { m_offNotice = std::move(notice); }

  // Folder and file of the user's database; tests point JOV_STATE_DIR elsewhere.
  static std::string StateDir();
  static std::string DatabasePath();
  const std::string& Database() const { return m_databasePath; }
  // A map's key in the history: its canonical path. On Windows, where one file
  // has many spellings (letter case, short names), the one path the system
  // gives the open file.
  static std::string KeyOf(const std::string& path);

  // Bytes kept per map before the oldest steps go: JOV_HISTORY_LIMIT_MB, else the
  // setting stored in the database, else 512 MiB.
  std::uint64_t LimitBytes();
  void SetLimitMb(std::uint64_t megabytes);

  std::vector<StepInfo> Steps(const std::string& mapPath);
  std::optional<StepInfo> Step(std::int64_t step);
  std::optional<StepInfo> NewestDone(const std::vector<std::string>& mapPaths);
  std::optional<StepInfo> OldestUndone(const std::vector<std::string>& mapPaths);
  // Steps of the map left unfinished, oldest first: every unfinished step while
  // no JOV holds the map's writer lock (platform/MapLock.h), or writerLockHeld
  // says this caller holds it; while another writer holds it, the steps of
  // processes that are gone (killed, lost power, a reboot since) and of this
  // one (left by a failure).
  std::vector<StepInfo> Interrupted(const std::string& mapPath, bool writerLockHeld = false);
  // Forgets the map's finished steps; with interruptedToo its interrupted
  // steps as well (the map stays as it is: ask first, kClearInterruptedQuestion).
  void ClearMap(const std::string& mapPath, bool interruptedToo = false);

  // Plans of taking a Done step back, doing an Undone step again, and ending an
  // interrupted step. Undo and redo read the map first and refuse (Refused,
  // naming the first offset that differs) when it does not hold what the step
  // left (undo) or found (redo). Recovery puts back every before-image and the
  // old length whatever the map holds there now (the writer lock kept every
  // other JOV out of it; a write cut short left bytes that are neither), unless
  // every range already holds what the step wrote: then the step is finished.
  // A step whose before-image is lost is refused alone (kImageLostText).
  EditPlan PlanUndo(std::int64_t step) { return PlanReplay(step, true); }
  EditPlan PlanRedo(std::int64_t step) { return PlanReplay(step, false); }
  EditPlan PlanRecover(std::int64_t step);

  // The executor's side. Each throws HistoryError when the database fails.
  // RecordStep throws InterruptedStepFound, recording nothing, while the map
  // has an interrupted step (checked in the transaction that records; with
  // writerLockHeld every unfinished step is). mapPath is the map's path, kept
  // to open it by when the key is not a path.
  std::int64_t RecordStep(const std::string& key, const std::string& mapPath, const std::string& label,
                          const std::vector<StepWrite>& writes, std::uint64_t changed, bool writerLockHeld);
  void FinishStep(std::int64_t step, const std::string& key);
  // Starts writing a large before-image to the image folder (ImageFolder.h)
  // before the step exists; an invalid future when the image is small or the
  // history is off. A staged file no step takes is dropped by its stager.
  std::shared_future<std::string> StageImage(std::shared_ptr<const std::vector<unsigned char>> bytes);
  void DropImage(const std::shared_future<std::string>& file);
  void DiscardStep(std::int64_t step);
  void BeginUndo(std::int64_t step, const std::vector<std::vector<unsigned char>>& after);
  void SetState(std::int64_t step, StepState state);
  // After an interrupted step's bytes were put back (or found complete).
  void EndRecovery(const EditPlan& plan);

  // Tests: the database fills up after pages more pages.
  void LimitGrowthForTests(int pages) { RequireStore().LimitGrowthForTests(pages); }


 private:
  HistoryStore* Store();
  HistoryStore& RequireStore();
  void Off(const std::string& reason, bool notify);
  EditPlan PlanReplay(std::int64_t step, bool undo);
  std::vector<StepWrite> WritesOf(std::int64_t step, StepState expected, const char* verb, StepInfo& info);

  std::string m_databasePath;
  std::unique_ptr<HistoryStore> m_store;
  std::future<std::unique_ptr<HistoryStore>> m_opening;  // OpenSoon's, until the first use
  bool m_triedOpen = false;
  bool m_off = false;
  std::string m_offReason;
  std::function<void(const std::string&)> m_offNotice;
};

// Messages of undo, redo and recovery.
inline constexpr const char* kUndoChangedText =
    "The map was changed after \"%1\": the bytes at %2 are not what that step left. Nothing was undone.";
inline constexpr const char* kRedoChangedText =
    "The map was changed after \"%1\" was undone: the bytes at %2 are not what that step found. Nothing was redone.";
inline constexpr const char* kUndoLengthText =
    "The map was changed after \"%1\": it is %2 bytes long, not %3. Nothing was undone.";
inline constexpr const char* kRedoLengthText =
    "The map was changed after \"%1\" was undone: it is %2 bytes long, not %3. Nothing was redone.";
inline constexpr const char* kRecoverQuestion =
    "JOV was stopped while \"%1\" was writing this map, so the map may be neither as it was nor as that command "
    "would have left it. Restore the map as it was before that command?";
inline constexpr const char* kImageLostText = "The bytes kept to take back \"%1\" are lost: %2";
inline constexpr const char* kClearInterruptedQuestion =
    "\"%1\" was interrupted while it wrote this map, and the map may be neither as it was nor as that command "
    "would have left it. Clearing the history forgets that edit too, so it can no longer be restored. Clear the "
    "history?";
inline constexpr const char* kHistoryOffText = "The edit history is off: %1. Maps are still written, but edits cannot be undone.";
inline constexpr const char* kHistoryFailedText =
    "The edit history could not record this command (%1), so nothing was written. Free some space in the state "
    "folder and try again.";

}  // namespace jov
