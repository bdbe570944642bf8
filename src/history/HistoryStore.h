#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "history/ImageFolder.h"
#include "history/Worker.h"
#include "platform/Process.h"

struct sqlite3;
struct sqlite3_stmt;

namespace jov {

// What the history database could not do; the history turns itself off with
// this text as the reason.
class HistoryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A step's before-image file is missing or cut short: that step cannot be
// taken back, the rest of the history is sound.
class ImageLost : public HistoryError {
 public:
  using HistoryError::HistoryError;
};

// Where a step stands. Writing, Undoing and Redoing are the states a step is in
// while its bytes go to the map; one found in such a state by a later process
// was interrupted and is what recovery finishes or takes back.
enum class StepState : int { Writing = 0, Done = 1, Undone = 2, Undoing = 3, Redoing = 4 };

// One write of a step: bytes after replaced bytes before at offset. before holds
// only the part that lay inside the file (a write that extends the file has a
// shorter before); lengthBefore/After are the file's length around the write. A
// length change is a write with no after-bytes: shrinking keeps the bytes cut off
// as before.
//
// A step recorded by the executor holds disjoint ranges. At command time only
// the before-bytes are stored, with the size and hash of what the range holds
// afterwards (afterSize, afterHash); the after-bytes are read from the map when
// the step is undone (checked against the hash) and stored then, for redo. A
// step of an older history has its after-bytes from the start and no hash
// (hasHash false); its writes may overlap.
struct StepWrite {
  std::uint64_t offset = 0;
  std::vector<unsigned char> before;
  std::vector<unsigned char> after;
  std::uint64_t lengthBefore = 0;
  std::uint64_t lengthAfter = 0;
  bool hasHash = false;
  std::uint64_t afterHash = 0;
  std::uint64_t afterSize = 0;
  // Set when before is being written to a file of the image folder already
  // (ImageFolder::PutLater), as its bytes from imageSkip on: the recorded step
  // takes that file (one file may hold several writes of a step).
  std::shared_future<std::string> imageFile;
  std::uint64_t imageSkip = 0;
};

// The hash kept of a range's after-bytes.
std::uint64_t RangeHash(const unsigned char* data, std::size_t n);

struct StepInfo {
  std::int64_t id = 0;
  std::string mapPath;
  std::string label;
  std::int64_t timeMs = 0;  // milliseconds since 1970, UTC
  StepState state = StepState::Done;
  std::int64_t pid = 0;
  std::int64_t startTime = 0;  // of the process that wrote it (platform/Process.h)
  std::string bootId;
  std::uint64_t bytes = 0;   // bytes the step changed (after-bytes and length changes)
  std::uint64_t stored = 0;  // bytes kept for it (before and after)
};

// A new step was not recorded: the map has a step left interrupted, which must
// be recovered first.
class InterruptedStepFound : public std::runtime_error {
 public:
  explicit InterruptedStepFound(StepInfo step) : std::runtime_error("interrupted step"), m_step(std::move(step)) {}
  const StepInfo& Step() const { return m_step; }

 private:
  StepInfo m_step;
};

// The edit history's database: one SQLite file, shared by every JOV process of
// the user (the editor and any number of jov-cli runs). WAL journal, full sync:
// a committed record survives a crash of the process and of the machine, which is
// what write-ahead needs. Every call is one transaction; a busy database is
// waited for (another process holds the lock for at most one write's record).
class HistoryStore {
 public:
  explicit HistoryStore(const std::string& path);
  ~HistoryStore();
  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;

  const std::string& Path() const { return m_path; }
  const ImageFolder& Images() const { return m_images; }
  // Starts writing a large before-image to the image folder (ImageFolder::PutLater).
  std::shared_future<std::string> PutImageLater(std::shared_ptr<const std::vector<unsigned char>> bytes) {
    StartWorker();
    return m_images.PutLater(*m_worker, std::move(bytes));
  }
  // The thread that writes those images, started ahead of the first when a
  // command is known to come (History::OpenSoon).
  void StartWorker() {
    if (!m_worker) m_worker = std::make_unique<Worker>();
  }

  // A new step in state Writing with all its writes, committed together. An
  // unfinished step of the map that leftBehind says was interrupted stops it
  // (InterruptedStepFound), in the same transaction: no other process can
  // leave one between the look and the record. mapPath is the map's key; file,
  // when given, the path it is opened by (StepInfo::mapPath), for a key that
  // is not a path.
  std::int64_t BeginStep(const std::string& mapPath, const std::string& label, std::int64_t timeMs,
                         const ProcessIdentity& process, const std::vector<StepWrite>& writes, std::uint64_t changed,
                         const std::function<bool(const StepInfo&)>& leftBehind, const std::string& file = {});
  // The after-bytes of each write (in order) stored and the step marked Undoing,
  // in one transaction.
  void BeginUndo(std::int64_t step, const std::vector<std::vector<unsigned char>>& after);
  void SetState(std::int64_t step, StepState state);
  // Copies the log into the database when it has grown past a bound; called
  // when a step has ended, outside any transaction.
  void CheckpointIfLarge();
  // A command's step is complete: marked Done, the map's undone steps dropped
  // (they can no longer be redone) and its oldest steps beyond limit bytes, in
  // one transaction.
  void FinishStep(std::int64_t step, const std::string& mapPath, std::uint64_t limit);
  void DeleteStep(std::int64_t step);
  // Drops the map's undone steps (a new command after an undo).
  void DropUndone(const std::string& mapPath);
  // Drops the map's oldest finished steps until it keeps at most limit bytes.
  void Trim(const std::string& mapPath, std::uint64_t limit);
  void TrimInTransaction(const std::string& mapPath, std::uint64_t limit);
  void ClearMap(const std::string& mapPath);

  std::optional<StepInfo> Step(std::int64_t step);
  // Throws ImageLost for a before-image file that is missing or cut short;
  // given lost, notes its error there instead and leaves that write's before
  // empty.
  std::vector<StepWrite> Writes(std::int64_t step, std::vector<std::string>* lost = nullptr);
  // The map's steps, oldest first.
  std::vector<StepInfo> Steps(const std::string& mapPath);
  // The map's steps in Writing, Undoing or Redoing, oldest first.
  std::vector<StepInfo> Unfinished(const std::string& mapPath);
  // The newest Done step and the oldest Undone step among the maps.
  std::optional<StepInfo> NewestDone(const std::vector<std::string>& mapPaths);
  std::optional<StepInfo> OldestUndone(const std::vector<std::string>& mapPaths);

  // Tests: a database that can grow by at most pages more pages, as on a disk
  // that fills up.
  void LimitGrowthForTests(int pages);

  std::optional<std::string> Setting(const std::string& key);
  void SetSetting(const std::string& key, const std::string& value);

 private:
  class Statement;
  void Exec(const char* sql);
  [[noreturn]] void Fail(const char* what);
  std::int64_t MapId(const std::string& mapPath, bool create, const std::string& file = {});
  void Migrate();
  int SchemaVersion();
  // Steps matching where; ? marks take the map paths, then id when given.
  std::vector<StepInfo> Query(const std::string& where, const std::vector<std::string>& mapPaths, const char* tail,
                              std::int64_t id = -1);

  // Deletes the map's steps in state (where holds one ? for it), with their image files.
  void DeleteSteps(const char* where, StepState state, const std::string& mapPath);
  std::set<std::string> ImageNames();
  // Removes the files of deleted steps once no transaction can bring them back.
  void RemoveDoomedImages();
  // Removes the files no committed step names (left by a stopped process).
  void SweepImages();

  // Prepared once: a step of a large write inserts many rows.
  sqlite3_stmt* Prepared(const std::string& sql);

  std::string m_path;
  sqlite3* m_db = nullptr;
  std::vector<std::pair<std::string, sqlite3_stmt*>> m_prepared;
  ImageFolder m_images;
  std::unique_ptr<Worker> m_worker;  // writes staged images
  std::vector<std::string> m_doomed;  // image files of deleted steps
  int m_logPages = 0;                 // frames in the log after the last commit
};

}  // namespace jov
