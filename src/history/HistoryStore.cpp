#include "history/HistoryStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace jov {

namespace {

// A step's records are committed before its bytes reach the map; another JOV
// process holds the lock for one such commit at a time.
constexpr int kBusyTimeoutMs = 10000;

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS maps(
  id INTEGER PRIMARY KEY,
  path TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS steps(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  map_id INTEGER NOT NULL REFERENCES maps(id),
  label TEXT NOT NULL,
  time_ms INTEGER NOT NULL,
  state INTEGER NOT NULL,
  pid INTEGER NOT NULL,
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
  PRIMARY KEY(step_id, seq)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS settings(
  key TEXT PRIMARY KEY,
  value TEXT NOT NULL);
)sql";

// The bytes a write changed: those whose value differs, plus every byte it added
// to the file or cut off.
std::uint64_t Changed(const StepWrite& write) {
  std::uint64_t changed = 0;
  const std::size_t common = std::min(write.before.size(), write.after.size());
  for (std::size_t i = 0; i < common; ++i) changed += write.before[i] != write.after[i];
  if (write.lengthAfter > write.lengthBefore) return changed + (write.lengthAfter - write.lengthBefore);
  return changed + (write.lengthBefore - write.lengthAfter);
}

}  // namespace

// A prepared statement, finalized when it goes.
class HistoryStore::Statement {
 public:
  Statement(HistoryStore& store, const std::string& sql) : m_store(store) {
    if (sqlite3_prepare_v2(store.m_db, sql.c_str(), -1, &m_statement, nullptr) != SQLITE_OK) store.Fail("prepare");
  }
  ~Statement() { sqlite3_finalize(m_statement); }
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

HistoryStore::HistoryStore(const std::string& path) : m_path(path) {
  if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    const std::string reason = m_db ? sqlite3_errmsg(m_db) : "out of memory";
    sqlite3_close(m_db);
    m_db = nullptr;
    throw HistoryError("cannot open " + path + ": " + reason);
  }
  try {
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // Steps hold whole tags (a million bytes and more): large pages keep a blob
    // in few of them, and the log is copied into the database in 16 MB batches
    // rather than after every big step. The page size only takes for a new file.
    Exec("PRAGMA page_size=65536");
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA wal_autocheckpoint=256");
    Exec("PRAGMA synchronous=FULL");
    Exec("PRAGMA foreign_keys=ON");
    Exec(kSchema);
    // A damaged file passes the open and fails here.
    Statement check(*this, "PRAGMA quick_check");
    if (!check.Step() || check.Text(0) != "ok") throw HistoryError(path + " is damaged");
  } catch (...) {
    sqlite3_close(m_db);
    m_db = nullptr;
    throw;
  }
}

HistoryStore::~HistoryStore() { sqlite3_close(m_db); }

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

std::int64_t HistoryStore::MapId(const std::string& mapPath, bool create) {
  if (create) Statement(*this, "INSERT OR IGNORE INTO maps(path) VALUES(?)").Bind(1, mapPath).Run();
  Statement find(*this, "SELECT id FROM maps WHERE path = ?");
  find.Bind(1, mapPath);
  return find.Step() ? find.Int(0) : -1;
}

void HistoryStore::InsertWrite(std::int64_t step, int seq, const StepWrite& write) {
  Statement(*this,
            "INSERT INTO writes(step_id, seq, offset, before, after, length_before, length_after) "
            "VALUES(?, ?, ?, ?, ?, ?, ?)")
      .Bind(1, step)
      .Bind(2, seq)
      .Bind(3, static_cast<std::int64_t>(write.offset))
      .Bind(4, write.before)
      .Bind(5, write.after)
      .Bind(6, static_cast<std::int64_t>(write.lengthBefore))
      .Bind(7, static_cast<std::int64_t>(write.lengthAfter))
      .Run();
  Statement(*this, "UPDATE steps SET writes = writes + 1, bytes = bytes + ?, stored = stored + ? WHERE id = ?")
      .Bind(1, static_cast<std::int64_t>(Changed(write)))
      .Bind(2, static_cast<std::int64_t>(write.before.size() + write.after.size()))
      .Bind(3, step)
      .Run();
}

std::int64_t HistoryStore::BeginStep(const std::string& mapPath, const std::string& label, std::int64_t timeMs,
                                     std::int64_t pid, const StepWrite& first) {
  Transaction transaction(m_db);
  if (!transaction.Began()) Fail("begin");
  const std::int64_t map = MapId(mapPath, true);
  Statement(*this, "INSERT INTO steps(map_id, label, time_ms, state, pid) VALUES(?, ?, ?, ?, ?)")
      .Bind(1, map)
      .Bind(2, label)
      .Bind(3, timeMs)
      .Bind(4, static_cast<std::int64_t>(StepState::Writing))
      .Bind(5, pid)
      .Run();
  const std::int64_t step = sqlite3_last_insert_rowid(m_db);
  InsertWrite(step, 0, first);
  if (!transaction.Commit()) Fail("commit");
  return step;
}

void HistoryStore::AddWrite(std::int64_t step, const StepWrite& write) {
  Transaction transaction(m_db);
  if (!transaction.Began()) Fail("begin");
  Statement count(*this, "SELECT writes FROM steps WHERE id = ?");
  count.Bind(1, step);
  if (!count.Step()) throw HistoryError("history database " + m_path + ": a step went missing");
  InsertWrite(step, static_cast<int>(count.Int(0)), write);
  if (!transaction.Commit()) Fail("commit");
}

void HistoryStore::SetState(std::int64_t step, StepState state) {
  Statement(*this, "UPDATE steps SET state = ? WHERE id = ?")
      .Bind(1, static_cast<std::int64_t>(state))
      .Bind(2, step)
      .Run();
}

void HistoryStore::DeleteStep(std::int64_t step) {
  Statement(*this, "DELETE FROM steps WHERE id = ?").Bind(1, step).Run();
}

void HistoryStore::DropUndone(const std::string& mapPath) {
  Statement(*this, "DELETE FROM steps WHERE state = ? AND map_id = (SELECT id FROM maps WHERE path = ?)")
      .Bind(1, static_cast<std::int64_t>(StepState::Undone))
      .Bind(2, mapPath)
      .Run();
}

void HistoryStore::Trim(const std::string& mapPath, std::uint64_t limit) {
  Transaction transaction(m_db);
  if (!transaction.Began()) Fail("begin");
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
  if (!transaction.Commit()) Fail("commit");
}

void HistoryStore::ClearMap(const std::string& mapPath) {
  Statement(*this, "DELETE FROM steps WHERE state IN (?, ?) AND map_id = (SELECT id FROM maps WHERE path = ?)")
      .Bind(1, static_cast<std::int64_t>(StepState::Done))
      .Bind(2, static_cast<std::int64_t>(StepState::Undone))
      .Bind(3, mapPath)
      .Run();
}

namespace {
const char* const kStepColumns =
    "SELECT steps.id, maps.path, label, time_ms, state, pid, bytes, stored FROM steps JOIN maps ON maps.id = "
    "steps.map_id ";
}

std::vector<StepInfo> HistoryStore::Query(const std::string& where, const std::vector<std::string>& mapPaths,
                                          const char* tail) {
  std::string sql = std::string(kStepColumns) + "WHERE " + where;
  if (!mapPaths.empty()) {
    sql += " AND maps.path IN (";
    for (std::size_t i = 0; i < mapPaths.size(); ++i) sql += i ? ", ?" : "?";
    sql += ")";
  }
  sql += tail;
  Statement query(*this, sql);
  for (std::size_t i = 0; i < mapPaths.size(); ++i) query.Bind(static_cast<int>(i) + 1, mapPaths[i]);
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
    steps.push_back(std::move(info));
  }
  return steps;
}

std::optional<StepInfo> HistoryStore::Step(std::int64_t step) {
  auto found = Query("steps.id = " + std::to_string(step), {}, "");
  if (found.empty()) return std::nullopt;
  return found.front();
}

std::vector<StepWrite> HistoryStore::Writes(std::int64_t step) {
  Statement query(*this,
                  "SELECT offset, before, after, length_before, length_after FROM writes WHERE step_id = ? ORDER BY "
                  "seq");
  query.Bind(1, step);
  std::vector<StepWrite> writes;
  while (query.Step()) {
    StepWrite write;
    write.offset = static_cast<std::uint64_t>(query.Int(0));
    write.before = query.Blob(1);
    write.after = query.Blob(2);
    write.lengthBefore = static_cast<std::uint64_t>(query.Int(3));
    write.lengthAfter = static_cast<std::uint64_t>(query.Int(4));
    writes.push_back(std::move(write));
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
