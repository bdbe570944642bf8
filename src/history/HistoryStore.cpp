#include "history/HistoryStore.h"

#include <sqlite3.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "platform/FileError.h"

namespace jov {

namespace {

// A step's records are committed before its bytes reach the map; another JOV
// process holds the lock for one such commit at a time.
constexpr int kBusyTimeoutMs = 10000;

// The tables' shape (PRAGMA user_version): 2 has the image folder's table and
// the steps' process identities, 3 the maps' files (a map keyed by its
// identity is opened by the path it was last written by); 0 is a new database
// or one of before.
constexpr int kSchemaVersion = 3;

// About 1 MiB of log at 4 KiB pages: indexed in well under a millisecond at
// the next start, copied about every 30 commands of a few pages each.
constexpr int kCheckpointPages = 256;
constexpr int kCheckpointWaitMs = 50;

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS maps(
  id INTEGER PRIMARY KEY,
  path TEXT NOT NULL UNIQUE,
  file TEXT);
CREATE TABLE IF NOT EXISTS steps(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  map_id INTEGER NOT NULL REFERENCES maps(id),
  label TEXT NOT NULL,
  time_ms INTEGER NOT NULL,
  state INTEGER NOT NULL,
  pid INTEGER NOT NULL,
  start_time INTEGER NOT NULL DEFAULT 0,
  boot_id TEXT NOT NULL DEFAULT '',
  bytes INTEGER NOT NULL DEFAULT 0,
  stored INTEGER NOT NULL DEFAULT 0,
  writes INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS steps_by_map_state ON steps(map_id, state, id);
CREATE TABLE IF NOT EXISTS writes(
  step_id INTEGER NOT NULL REFERENCES steps(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  offset INTEGER NOT NULL,
  before BLOB NOT NULL,
  after BLOB NOT NULL,
  length_before INTEGER NOT NULL,
  length_after INTEGER NOT NULL,
  after_hash INTEGER,
  after_size INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(step_id, seq)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS images(
  step_id INTEGER NOT NULL REFERENCES steps(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  size INTEGER NOT NULL,
  name TEXT NOT NULL,
  skip INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(step_id, seq)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS settings(
  key TEXT PRIMARY KEY,
  value TEXT NOT NULL);
)sql";

}  // namespace

std::uint64_t RangeHash(const unsigned char* data, std::size_t n) {
  // CRC-32 and Adler-32 side by side: 64 bits, both from zlib, both fast.
  uLong crc = crc32(0L, Z_NULL, 0);
  uLong adler = adler32(0L, Z_NULL, 0);
  for (std::size_t done = 0; done < n;) {
    const auto part = static_cast<uInt>(std::min<std::size_t>(n - done, 1u << 30));
    crc = crc32(crc, data + done, part);
    adler = adler32(adler, data + done, part);
    done += part;
  }
  return (static_cast<std::uint64_t>(crc) << 32) | static_cast<std::uint64_t>(adler & 0xFFFFFFFFu);
}

// A prepared statement, finalized when it goes.
class HistoryStore::Statement {
 public:
  Statement(HistoryStore& store, const std::string& sql) : m_store(store), m_statement(store.Prepared(sql)) {}
  // The statement stays prepared for the next use.
  ~Statement() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int i, std::int64_t value) {
    Check(sqlite3_bind_int64(m_statement, i, value));
    return *this;
  }
  Statement& Bind(int i, const std::string& text) {
    Check(sqlite3_bind_text(m_statement, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
    return *this;
  }
  Statement& Bind(int i, const std::vector<unsigned char>& blob) {
    // An empty blob still binds as a blob (zero length), never as NULL.
    Check(sqlite3_bind_blob64(m_statement, i, blob.empty() ? "" : static_cast<const void*>(blob.data()),
                              blob.size(), SQLITE_STATIC));
    return *this;
  }
  // True while there is a row.
  bool Step() {
    const int status = sqlite3_step(m_statement);
    if (status == SQLITE_ROW) return true;
    if (status != SQLITE_DONE) m_store.Fail("step");
    return false;
  }
  void Run() {
    while (Step()) {
    }
  }
  std::int64_t Int(int column) { return sqlite3_column_int64(m_statement, column); }
  bool IsSet(int column) { return sqlite3_column_type(m_statement, column) != SQLITE_NULL; }
  std::string Text(int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column))) : "";
  }
  std::vector<unsigned char> Blob(int column) {
    const auto* data = static_cast<const unsigned char*>(sqlite3_column_blob(m_statement, column));
    const int n = sqlite3_column_bytes(m_statement, column);
    return data ? std::vector<unsigned char>(data, data + n) : std::vector<unsigned char>();
  }

 private:
  void Check(int status) {
    if (status != SQLITE_OK) m_store.Fail("bind");
  }
  HistoryStore& m_store;
  sqlite3_stmt* m_statement = nullptr;
};

namespace {

// One transaction, rolled back unless committed.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : m_db(db) {
    // IMMEDIATE takes the write lock at once, so two processes never both read
    // and then fail to upgrade.
    m_ok = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  ~Transaction() {
    if (m_ok && !m_committed) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  bool Began() const { return m_ok; }
  bool Commit() {
    m_committed = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    return m_committed;
  }

 private:
  sqlite3* m_db;
  bool m_ok = false;
  bool m_committed = false;
};

}  // namespace

HistoryStore::HistoryStore(const std::string& path) : m_path(path), m_images(path + ".images") {
  if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    const std::string reason = m_db ? sqlite3_errmsg(m_db) : "out of memory";
    sqlite3_close(m_db);
    m_db = nullptr;
    throw HistoryError("cannot open " + path + ": " + reason);
  }
  try {
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // The database holds the rows of steps and the before-images under 64 KiB
    // (larger ones are files of the image folder): 4 KiB pages write the least
    // log for a small edit, about 28 KiB for a 10-byte one. The page size only
    // takes for a new file; a history made with 16 KiB pages keeps them.
    Exec("PRAGMA page_size=4096");
    Exec("PRAGMA journal_mode=WAL");
    // The log is copied into the database when a step has ended and the log
    // holds more than kCheckpointPages (CheckpointIfLarge), never inside a
    // command (SQLite's own checkpoint runs in the commit that makes the
    // before-images durable) and not at every jov-cli exit. The bound matters
    // at the next start: the first process to open the database reads the
    // whole log to index it.
    Exec("PRAGMA wal_autocheckpoint=0");
    sqlite3_wal_hook(
        m_db,
        [](void* store, sqlite3*, const char*, int pages) {
          static_cast<HistoryStore*>(store)->m_logPages = pages;
          return SQLITE_OK;
        },
        this);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    Exec("PRAGMA synchronous=FULL");
    Exec("PRAGMA foreign_keys=ON");
    // The tables are made or brought up to date once, by the first process
    // that finds the database behind; the others read one number.
    if (SchemaVersion() < kSchemaVersion) {
      Exec("BEGIN IMMEDIATE");
      try {
        if (SchemaVersion() < kSchemaVersion) {
          Exec(kSchema);
          Migrate();
          Exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
        }
        Exec("COMMIT");
      } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
      }
    }
    // A damaged header fails the pragmas above; a damaged schema fails here.
    // No check of every page: with hundreds of MB of before-images that would
    // read them all at every start of jov-cli. A page found damaged later
    // fails its statement, which refuses that command (HistoryError).
    Statement check(*this, "SELECT count(*) FROM sqlite_master");
    if (!check.Step() || check.Int(0) < 1) throw HistoryError(path + " is damaged");
    SweepImages();
  } catch (...) {
    for (auto& [sql, statement] : m_prepared) sqlite3_finalize(statement);
    m_prepared.clear();
    sqlite3_close(m_db);
    m_db = nullptr;
    throw;
  }
}

HistoryStore::~HistoryStore() {
  for (auto& [sql, statement] : m_prepared) sqlite3_finalize(statement);
  sqlite3_close(m_db);
}

sqlite3_stmt* HistoryStore::Prepared(const std::string& sql) {
  for (auto& [text, statement] : m_prepared)
    if (text == sql) return statement;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) Fail("prepare");
  // Queries over a list of maps differ by their length only; a few are kept.
  if (m_prepared.size() >= 32) {
    sqlite3_finalize(m_prepared.front().second);
    m_prepared.erase(m_prepared.begin());
  }
  m_prepared.emplace_back(sql, statement);
  return statement;
}

void HistoryStore::Fail(const char* what) {
  throw HistoryError(std::string("history database ") + m_path + ": " + what + " failed: " + sqlite3_errmsg(m_db));
}

void HistoryStore::Exec(const char* sql) {
  char* message = nullptr;
  // Setting the journal mode and creating the tables can meet another process
  // doing the same at its first start; SQLite does not wait for that lock itself.
  int status = SQLITE_BUSY;
  for (int attempt = 0; attempt < kBusyTimeoutMs / 5; ++attempt) {
    sqlite3_free(message);
    message = nullptr;
    status = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    if (status != SQLITE_BUSY && status != SQLITE_LOCKED) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (status != SQLITE_OK) {
    const std::string text = message ? message : sqlite3_errmsg(m_db);
    sqlite3_free(message);
    throw HistoryError("history database " + m_path + ": " + text);
  }
}

std::int64_t HistoryStore::MapId(const std::string& mapPath, bool create, const std::string& file) {
  if (create && !file.empty())
    Statement(*this, "INSERT INTO maps(path, file) VALUES(?, ?) ON CONFLICT(path) DO UPDATE SET file = excluded.file")
        .Bind(1, mapPath)
        .Bind(2, file)
        .Run();
  else if (create)
    Statement(*this, "INSERT OR IGNORE INTO maps(path) VALUES(?)").Bind(1, mapPath).Run();
  Statement find(*this, "SELECT id FROM maps WHERE path = ?");
  find.Bind(1, mapPath);
  return find.Step() ? find.Int(0) : -1;
}

int HistoryStore::SchemaVersion() {
  Statement version(*this, "PRAGMA user_version");
  return version.Step() ? static_cast<int>(version.Int(0)) : 0;
}

void HistoryStore::Migrate() {
  // Histories written before steps kept hashes and process identities get the
  // columns; their rows keep their after-bytes and read as steps without hash.
  auto hasColumn = [&](const char* table, const char* column) {
    Statement info(*this, std::string("PRAGMA table_info(") + table + ")");
    while (info.Step())
      if (info.Text(1) == column) return true;
    return false;
  };
  if (!hasColumn("maps", "file")) Exec("ALTER TABLE maps ADD COLUMN file TEXT");
  if (!hasColumn("steps", "start_time")) Exec("ALTER TABLE steps ADD COLUMN start_time INTEGER NOT NULL DEFAULT 0");
  if (!hasColumn("steps", "boot_id")) Exec("ALTER TABLE steps ADD COLUMN boot_id TEXT NOT NULL DEFAULT ''");
  if (!hasColumn("writes", "after_hash")) Exec("ALTER TABLE writes ADD COLUMN after_hash INTEGER");
  if (!hasColumn("writes", "after_size")) Exec("ALTER TABLE writes ADD COLUMN after_size INTEGER NOT NULL DEFAULT 0");
}

std::int64_t HistoryStore::BeginStep(const std::string& mapPath, const std::string& label, std::int64_t timeMs,
                                     const ProcessIdentity& process, const std::vector<StepWrite>& writes,
                                     std::uint64_t changed,
                                     const std::function<bool(const StepInfo&)>& leftBehind,
                                     const std::string& file) {
  // Staged images are waited for before the write lock is taken: another
  // process's command need not wait for this one's disk.
  for (const StepWrite& write : writes)
    if (write.imageFile.valid()) write.imageFile.wait();
  Transaction transaction(m_db);
  if (!transaction.Began()) Fail("begin");
  for (StepInfo& unfinished : Unfinished(mapPath))
    if (leftBehind(unfinished)) throw InterruptedStepFound(std::move(unfinished));
  const std::int64_t map = MapId(mapPath, true, file);
  std::uint64_t stored = 0;
  for (const StepWrite& write : writes) stored += write.before.size() + write.afterSize;
  Statement(*this,
            "INSERT INTO steps(map_id, label, time_ms, state, pid, start_time, boot_id, bytes, stored, writes) "
            "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
      .Bind(1, map)
      .Bind(2, label)
      .Bind(3, timeMs)
      .Bind(4, static_cast<std::int64_t>(StepState::Writing))
      .Bind(5, process.pid)
      .Bind(6, process.startTime)
      .Bind(7, process.bootId)
      .Bind(8, static_cast<std::int64_t>(changed))
      .Bind(9, static_cast<std::int64_t>(stored))
      .Bind(10, static_cast<std::int64_t>(writes.size()))
      .Run();
  const std::int64_t step = sqlite3_last_insert_rowid(m_db);
  // Files put here for a step that then fails go with its rolled-back rows;
  // staged ones are their stager's.
  struct PutFiles {
    const ImageFolder& folder;
    std::vector<std::string> names;
    bool kept = false;
    ~PutFiles() {
      if (!kept)
        for (const std::string& name : names) folder.Remove(name);
    }
  } put{m_images, {}};
  int seq = 0;
  for (const StepWrite& write : writes) {
    const bool inFile = write.imageFile.valid() || write.before.size() >= kImageFileFrom;
    if (inFile) {
      // Durable before the commit that names it, so a committed step always
      // has its image.
      std::string name;
      try {
        if (write.imageFile.valid()) {
          name = write.imageFile.get();
        } else {
          name = m_images.Put(write.before);
          put.names.push_back(name);
        }
      } catch (const FileError& e) {
        throw HistoryError(std::string("history image folder ") + m_images.Path() + ": " + e.what());
      }
      Statement(*this, "INSERT INTO images(step_id, seq, size, name, skip) VALUES(?, ?, ?, ?, ?)")
          .Bind(1, step)
          .Bind(2, seq)
          .Bind(3, static_cast<std::int64_t>(write.before.size()))
          .Bind(4, name)
          .Bind(5, static_cast<std::int64_t>(write.imageFile.valid() ? write.imageSkip : 0))
          .Run();
    }
    Statement(*this,
              "INSERT INTO writes(step_id, seq, offset, before, after, length_before, length_after, after_hash, "
              "after_size) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)")
        .Bind(1, step)
        .Bind(2, seq++)
        .Bind(3, static_cast<std::int64_t>(write.offset))
        .Bind(4, inFile ? std::vector<unsigned char>() : write.before)
        .Bind(5, std::vector<unsigned char>())
        .Bind(6, static_cast<std::int64_t>(write.lengthBefore))
        .Bind(7, static_cast<std::int64_t>(write.lengthAfter))
        .Bind(8, static_cast<std::int64_t>(write.afterHash))
        .Bind(9, static_cast<std::int64_t>(write.afterSize))
        .Run();
  }
  if (!transaction.Commit()) Fail("commit");
  put.kept = true;
  return step;
}

void HistoryStore::BeginUndo(std::int64_t step, const std::vector<std::vector<unsigned char>>& after) {
  Transaction transaction(m_db);
  if (!transaction.Began()) Fail("begin");
  for (std::size_t seq = 0; seq < after.size(); ++seq)
    Statement(*this, "UPDATE writes SET after = ? WHERE step_id = ? AND seq = ?")
        .Bind(1, after[seq])
        .Bind(2, step)
        .Bind(3, static_cast<std::int64_t>(seq))
        .Run();
  SetState(step, StepState::Undoing);
  if (!transaction.Commit()) Fail("commit");
}

void HistoryStore::CheckpointIfLarge() {
  if (m_logPages < kCheckpointPages || !sqlite3_get_autocommit(m_db)) return;
  // Truncated, not only copied: a process that opens the database after the
  // last one closed it indexes the whole log again and takes none of it as
  // copied, so a log that is only copied (and reused by a later write of the
  // same process, which a jov-cli run never makes) grows with every run. The
  // truncation waits for the readers of other processes, briefly: one that
  // does not finish leaves the log to a later step's end.
  sqlite3_busy_timeout(m_db, kCheckpointWaitMs);
  if (sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) == SQLITE_OK)
    m_logPages = 0;
  sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
}

void HistoryStore::SetState(std::int64_t step, StepState state) {
  Statement(*this, "UPDATE steps SET state = ? WHERE id = ?")
      .Bind(1, static_cast<std::int64_t>(state))
      .Bind(2, step)
      .Run();
}

void HistoryStore::DeleteStep(std::int64_t step) {
  Statement images(*this, "SELECT name FROM images WHERE step_id = ?");
  images.Bind(1, step);
  while (images.Step()) m_doomed.push_back(images.Text(0));
  Statement(*this, "DELETE FROM steps WHERE id = ?").Bind(1, step).Run();
  RemoveDoomedImages();
}

void HistoryStore::DeleteSteps(const char* where, StepState state, const std::string& mapPath) {
  std::vector<std::int64_t> ids;
  {
    Statement find(*this, std::string("SELECT id FROM steps WHERE ") + where +
                              " AND map_id = (SELECT id FROM maps WHERE path = ?)");
    find.Bind(1, static_cast<std::int64_t>(state)).Bind(2, mapPath);
    while (find.Step()) ids.push_back(find.Int(0));
  }
  for (std::int64_t id : ids) DeleteStep(id);
}

std::set<std::string> HistoryStore::ImageNames() {
  std::set<std::string> names;
  Statement all(*this, "SELECT name FROM images");
  while (all.Step()) names.insert(all.Text(0));
  return names;
}

void HistoryStore::RemoveDoomedImages() {
  // Inside a transaction the rows may yet come back (a rollback): the files go
  // once it is committed, and only those no row names any more.
  if (!sqlite3_get_autocommit(m_db) || m_doomed.empty()) return;
  std::vector<std::string> doomed;
  doomed.swap(m_doomed);
  const std::set<std::string> named = ImageNames();
  for (const std::string& name : doomed)
    if (!named.count(name)) m_images.Remove(name);
}

void HistoryStore::SweepImages() {
  const std::vector<std::string> files = m_images.List();
  if (files.empty()) return;
  const std::set<std::string> named = ImageNames();
  for (const std::string& name : files)
    if (!named.count(name) && !ImageFolder::WriterRunning(name)) m_images.Remove(name);
}

void HistoryStore::DropUndone(const std::string& mapPath) { DeleteSteps("state = ?", StepState::Undone, mapPath); }

void HistoryStore::FinishStep(std::int64_t step, const std::string& mapPath, std::uint64_t limit) {
  // The mark need not wait for the disk: lost to a power cut, it leaves a step
  // whose ranges all hold their after-bytes, which recovery marks done again.
  // One sync per command is the before-images'.
  Exec("PRAGMA synchronous=NORMAL");
  struct Restore {
    HistoryStore& store;
    ~Restore() {
      try {
        store.Exec("PRAGMA synchronous=FULL");
      } catch (...) {
      }
    }
  } restore{*this};
  Transaction transaction(m_db);
  if (!transaction.Began()) Fail("begin");
  SetState(step, StepState::Done);
  DropUndone(mapPath);
  TrimInTransaction(mapPath, limit);
  if (!transaction.Commit()) Fail("commit");
  RemoveDoomedImages();
  CheckpointIfLarge();
}

void HistoryStore::Trim(const std::string& mapPath, std::uint64_t limit) {
  Transaction transaction(m_db);
  if (!transaction.Began()) Fail("begin");
  TrimInTransaction(mapPath, limit);
  if (!transaction.Commit()) Fail("commit");
  RemoveDoomedImages();
}

void HistoryStore::TrimInTransaction(const std::string& mapPath, std::uint64_t limit) {
  const std::int64_t map = MapId(mapPath, false);
  if (map < 0) return;
  Statement total(*this, "SELECT COALESCE(SUM(stored), 0) FROM steps WHERE map_id = ?");
  total.Bind(1, map);
  total.Step();
  auto kept = static_cast<std::uint64_t>(total.Int(0));
  if (kept <= limit) return;
  // Oldest first; a step that is still being written or recovered is never dropped.
  Statement oldest(*this, "SELECT id, stored FROM steps WHERE map_id = ? AND state IN (?, ?) ORDER BY id");
  oldest.Bind(1, map)
      .Bind(2, static_cast<std::int64_t>(StepState::Done))
      .Bind(3, static_cast<std::int64_t>(StepState::Undone));
  std::vector<std::int64_t> drop;
  while (kept > limit && oldest.Step()) {
    drop.push_back(oldest.Int(0));
    kept -= std::min<std::uint64_t>(kept, static_cast<std::uint64_t>(oldest.Int(1)));
  }
  for (std::int64_t step : drop) DeleteStep(step);
}

void HistoryStore::ClearMap(const std::string& mapPath) {
  // Done is 1, Undone 2: the finished steps.
  DeleteSteps("state >= ? AND state <= 2", StepState::Done, mapPath);
}

namespace {
const char* const kStepColumns =
    "SELECT steps.id, COALESCE(maps.file, maps.path), label, time_ms, state, pid, bytes, stored, start_time, boot_id FROM steps JOIN maps ON maps.id = "
    "steps.map_id ";
}

std::vector<StepInfo> HistoryStore::Query(const std::string& where, const std::vector<std::string>& mapPaths,
                                          const char* tail, std::int64_t id) {
  std::string sql = std::string(kStepColumns) + "WHERE " + where;
  if (!mapPaths.empty()) {
    sql += " AND maps.path IN (";
    for (std::size_t i = 0; i < mapPaths.size(); ++i) sql += i ? ", ?" : "?";
    sql += ")";
  }
  sql += tail;
  Statement query(*this, sql);
  for (std::size_t i = 0; i < mapPaths.size(); ++i) query.Bind(static_cast<int>(i) + 1, mapPaths[i]);
  if (id >= 0) query.Bind(static_cast<int>(mapPaths.size()) + 1, id);
  std::vector<StepInfo> steps;
  while (query.Step()) {
    StepInfo info;
    info.id = query.Int(0);
    info.mapPath = query.Text(1);
    info.label = query.Text(2);
    info.timeMs = query.Int(3);
    info.state = static_cast<StepState>(query.Int(4));
    info.pid = query.Int(5);
    info.bytes = static_cast<std::uint64_t>(query.Int(6));
    info.stored = static_cast<std::uint64_t>(query.Int(7));
    info.startTime = query.Int(8);
    info.bootId = query.Text(9);
    steps.push_back(std::move(info));
  }
  return steps;
}

std::optional<StepInfo> HistoryStore::Step(std::int64_t step) {
  auto found = Query("steps.id = ?", {}, "", step);
  if (found.empty()) return std::nullopt;
  return found.front();
}

std::vector<StepWrite> HistoryStore::Writes(std::int64_t step, std::vector<std::string>* lost) {
  Statement query(*this,
                  "SELECT offset, before, after, length_before, length_after, after_hash, after_size FROM writes "
                  "WHERE step_id = ? ORDER BY seq");
  query.Bind(1, step);
  std::vector<StepWrite> writes;
  while (query.Step()) {
    StepWrite write;
    write.offset = static_cast<std::uint64_t>(query.Int(0));
    write.before = query.Blob(1);
    write.after = query.Blob(2);
    write.lengthBefore = static_cast<std::uint64_t>(query.Int(3));
    write.lengthAfter = static_cast<std::uint64_t>(query.Int(4));
    write.hasHash = query.IsSet(5);
    write.afterHash = static_cast<std::uint64_t>(query.Int(5));
    write.afterSize = static_cast<std::uint64_t>(query.Int(6));
    writes.push_back(std::move(write));
  }
  Statement images(*this, "SELECT seq, size, name, skip FROM images WHERE step_id = ?");
  images.Bind(1, step);
  while (images.Step()) {
    const auto seq = static_cast<std::size_t>(images.Int(0));
    if (seq >= writes.size()) continue;
    try {
      writes[seq].before = m_images.Get(images.Text(2), static_cast<std::uint64_t>(images.Int(3)),
                                        static_cast<std::uint64_t>(images.Int(1)));
    } catch (const FileError& e) {
      if (!lost) throw ImageLost(e.what());
      lost->push_back(e.what());
    }
  }
  return writes;
}

std::vector<StepInfo> HistoryStore::Steps(const std::string& mapPath) {
  return Query("1", {mapPath}, " ORDER BY steps.id");
}

std::vector<StepInfo> HistoryStore::Unfinished(const std::string& mapPath) {
  return Query("steps.state IN (0, 3, 4)", {mapPath}, " ORDER BY steps.id");
}

std::optional<StepInfo> HistoryStore::NewestDone(const std::vector<std::string>& mapPaths) {
  if (mapPaths.empty()) return std::nullopt;
  auto found = Query("steps.state = 1", mapPaths, " ORDER BY steps.id DESC LIMIT 1");
  if (found.empty()) return std::nullopt;
  return found.front();
}

std::optional<StepInfo> HistoryStore::OldestUndone(const std::vector<std::string>& mapPaths) {
  if (mapPaths.empty()) return std::nullopt;
  auto found = Query("steps.state = 2", mapPaths, " ORDER BY steps.id LIMIT 1");
  if (found.empty()) return std::nullopt;
  return found.front();
}

void HistoryStore::LimitGrowthForTests(int pages) {
  Statement count(*this, "PRAGMA page_count");
  count.Step();
  const std::string limit = "PRAGMA max_page_count=" + std::to_string(count.Int(0) + pages);
  Statement(*this, limit).Run();
}

std::optional<std::string> HistoryStore::Setting(const std::string& key) {
  Statement query(*this, "SELECT value FROM settings WHERE key = ?");
  query.Bind(1, key);
  if (!query.Step()) return std::nullopt;
  return query.Text(0);
}

void HistoryStore::SetSetting(const std::string& key, const std::string& value) {
  Statement(*this, "INSERT INTO settings(key, value) VALUES(?, ?) ON CONFLICT(key) DO UPDATE SET value = excluded.value")
      .Bind(1, key)
      .Bind(2, value)
      .Run();
}

}  // namespace jov
