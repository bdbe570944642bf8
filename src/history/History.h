#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryStore.h"
#include "platform/WriteJournal.h"

namespace jov {

// The edit history of this process: the journal every map write goes through
// (installed into BinaryFile by the front ends at start-up), the open command
// scope, and undo, redo and recovery of recorded steps.
//
// The database lives in the user's state folder: $JOV_STATE_DIR, else
// $XDG_STATE_HOME/jov, else ~/.local/state/jov; it is opened at the first write
// or query. When it cannot be opened or written, the history turns itself off
// (OffReason() says why, the notice is called once) and maps are written as
// before; a command that fails part-way is still rolled back from the bytes kept
// in memory.
class History final : public WriteJournal {
 public:
  static History& Instance();

  // Records every map write from now on (BinaryFile::SetJournal).
  void Install();
  void Uninstall();
  // Stops recording into the database (jov-cli --no-history).
  void TurnOff(const std::string& reason);
  bool IsOn();
  const std::string& OffReason() const { return m_offReason; }
  // Called once, with the reason, when the history turns itself off on an error.
  void SetOffNotice(std::function<void(const std::string&)> notice) { m_offNotice = std::move(notice); }

  // Folder and file of the database; tests point JOV_STATE_DIR elsewhere and call
  // Reset() to open that.
  static std::string StateDir();
  static std::string DatabasePath();
  void Reset();
  // A map's key in the history: its canonical path.
  static std::string KeyOf(const std::string& path);

  // Bytes kept per map before the oldest steps go: JOV_HISTORY_LIMIT_MB, else the
  // setting stored in the database, else 512 MiB.
  std::uint64_t LimitBytes();
  void SetLimitMb(std::uint64_t megabytes);

  std::vector<StepInfo> Steps(const std::string& mapPath);
  std::optional<StepInfo> NewestDone(const std::vector<std::string>& mapPaths);
  std::optional<StepInfo> OldestUndone(const std::vector<std::string>& mapPaths);
  // Steps of the map left unfinished by a process that is gone (killed, lost
  // power), oldest first.
  std::vector<StepInfo> Interrupted(const std::string& mapPath);
  void ClearMap(const std::string& mapPath);

  // Takes a Done step back, or does an Undone step again. Before writing, every
  // range the step wrote must hold what the step left (undo) or found (redo), and
  // the map's length must match; otherwise it throws Refused naming the first
  // offset that differs, and nothing is written.
  void Undo(std::int64_t step);
  void Redo(std::int64_t step);
  // Ends an interrupted step with the bytes from before it: a command's writes
  // and a redo are taken back, an undo is finished.
  void Recover(std::int64_t step);

  // Maps written by the last scope that closed (keys), for views to re-read.
  const std::vector<std::string>& LastWritten() const { return m_lastWritten; }

  // EditScope's side.
  bool OpenScope(const std::string& label);
  void CloseScope(bool commit);

  void BeforeWrite(const BinaryFile& file, std::uint64_t offset, const void* data, std::size_t n) override;
  void BeforeSetLength(const BinaryFile& file, std::uint64_t length) override;

 private:
  struct ScopeStep {
    std::string mapPath;
    std::int64_t id = -1;  // -1: not in the database
    std::vector<StepWrite> writes;
  };
  struct Scope {
    std::string label;
    std::vector<ScopeStep> steps;
  };

  History() = default;
  HistoryStore* Store();
  void Off(const std::string& reason, bool notify);
  void Record(const BinaryFile& file, std::vector<StepWrite> writes);
  const std::string& KeyOfFile(const BinaryFile& file);
  std::vector<StepWrite> WritesOf(std::int64_t step, StepState expected, const char* verb);
  void Replay(std::int64_t step, bool undo);

  std::unique_ptr<HistoryStore> m_store;
  bool m_triedOpen = false;
  bool m_off = false;
  std::string m_offReason;
  std::function<void(const std::string&)> m_offNotice;
  std::optional<Scope> m_scope;
  std::vector<std::string> m_lastWritten;
  std::map<std::string, std::string> m_keys;  // path as opened -> canonical
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
inline constexpr const char* kHistoryOffText = "The edit history is off: %1. Maps are still written, but edits cannot be undone.";

}  // namespace jov
