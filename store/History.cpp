// The history of imports, their undoing, the check of a store and its copy.
//
// An import's entry is written by the saves of the import themselves, each
// in its own transaction, so the history never names a record the store
// does not hold nor misses one it does: a contact import that creates
// groups saves its contacts, each new group and the links one after
// another, and its entry grows with each save. The records a save adds get
// consecutive ids (the save holds the write lock and numbers them itself),
// so one range per table and save names them.
#include "store/History.h"

#include "store/Database_p.h"
#include "store/Schema_p.h"
#include "store/Sqlite_p.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <utility>

namespace varno::store {

struct RecordingState {
    ImportInfo info;
    std::mutex mutex;
    std::int64_t entry = 0; ///< the entry, once a save that made it has committed
};

namespace {

// The import being recorded belongs to the thread that began it, and to
// the threads its pipelined saves run on (ImportRecordingOnThread), so two
// imports on two threads of one process each record only their own saves.
thread_local std::shared_ptr<RecordingState> t_recording;

constexpr const char* kNow = "strftime('%Y-%m-%dT%H:%M:%SZ', 'now')";

bool BindText(sqlite3_stmt* statement, int index, const std::string& text)
{
    return sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) ==
           SQLITE_OK;
}

std::string ColumnText(sqlite3_stmt* statement, int column)
{
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

/// Runs `statement` (bound) to its end; false when SQLite fails.
bool Run(sqlite3_stmt* statement)
{
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    }
    sqlite3_reset(statement);
    return rc == SQLITE_DONE;
}

/// The main table of a record kind named `name`, from the schema (the only
/// table names that go into SQL here), or nullptr.
const TableSpec* KindTable(const std::string& name)
{
    for (const TableSpec* table : SchemaTables())
        if (name == table->table)
            return table;
    return nullptr;
}

bool HasHistory(sqlite3* db)
{
    Statement has = Prepare(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'import_change'");
    return has && sqlite3_step(has.get()) == SQLITE_ROW;
}

constexpr const char* kEntryColumns =
    "id, time, file, type, profile, mapping, records_added, groups_created, coalesce(undone, '')";

HistoryEntry ReadEntry(sqlite3_stmt* statement)
{
    HistoryEntry entry;
    entry.id = sqlite3_column_int64(statement, 0);
    entry.time = ColumnText(statement, 1);
    entry.import = ImportInfo{ColumnText(statement, 2), ColumnText(statement, 3),
                              sqlite3_column_int(statement, 4), ColumnText(statement, 5)};
    entry.records = sqlite3_column_int64(statement, 6);
    entry.groups = sqlite3_column_int64(statement, 7);
    entry.undone = ColumnText(statement, 8);
    return entry;
}

} // namespace

std::string MappingText(const CStringList& fieldNames, const CStringList& fileColumns)
{
    std::string mapping;
    auto column = fileColumns.begin();
    for (const CString& field : fieldNames) {
        mapping += (mapping.empty() ? "" : ", ") + field.ToUtf8() + "=";
        if (column != fileColumns.end())
            mapping += (column++)->ToUtf8();
    }
    return mapping;
}

ImportRecording::ImportRecording(ImportInfo info)
{
    if (t_recording)
        return;
    t_recording = std::make_shared<RecordingState>();
    t_recording->info = std::move(info);
    m_owner = true;
}

ImportRecording::~ImportRecording()
{
    if (m_owner)
        t_recording.reset();
}

std::shared_ptr<RecordingState> CurrentImportRecording()
{
    return t_recording;
}

ImportRecordingOnThread::ImportRecordingOnThread(std::shared_ptr<RecordingState> recording)
    : m_previous(std::exchange(t_recording, std::move(recording)))
{
}

ImportRecordingOnThread::~ImportRecordingOnThread()
{
    t_recording = std::move(m_previous);
}

std::shared_ptr<RecordingState> ActiveRecording()
{
    return t_recording;
}

bool RecordAdded(sqlite3* db, RecordingState& recording, const char* table, std::int64_t first, std::int64_t last,
                 std::int64_t& madeEntry)
{
    madeEntry = 0;
    auto failed = [db] {
        NoteFailure(db);
        return false;
    };
    if (!HasHistory(db))
        return true;
    std::lock_guard lock(recording.mutex);
    std::int64_t entry = recording.entry;
    if (entry == 0) {
        Statement insert = Prepare(db, std::string("INSERT INTO import_history (time, file, type, profile, mapping, "
                                                   "records_added, groups_created) VALUES (") +
                                           kNow + ", ?1, ?2, ?3, ?4, 0, 0)");
        const ImportInfo& info = recording.info;
        if (!insert || !BindText(insert.get(), 1, info.file) || !BindText(insert.get(), 2, info.type) ||
            sqlite3_bind_int(insert.get(), 3, info.profile) != SQLITE_OK ||
            !BindText(insert.get(), 4, info.mapping) || !Run(insert.get()))
            return failed();
        entry = madeEntry = sqlite3_last_insert_rowid(db);
    }
    Statement range = Prepare(db, "INSERT INTO import_range (import_id, tbl, first_id, last_id) VALUES (?1, ?2, ?3, ?4)");
    const std::string name = table;
    const char* counter = name == ContactGroupTable().table         ? "groups_created"
                          : name == ContactGroupPairTable().table ? nullptr
                                                                  : "records_added";
    if (!range || sqlite3_bind_int64(range.get(), 1, entry) != SQLITE_OK || !BindText(range.get(), 2, name) ||
        sqlite3_bind_int64(range.get(), 3, first) != SQLITE_OK ||
        sqlite3_bind_int64(range.get(), 4, last) != SQLITE_OK || !Run(range.get()))
        return failed();
    if (!counter)
        return true;
    Statement count = Prepare(db, std::string("UPDATE import_history SET ") + counter + " = " + counter +
                                      " + ?1 WHERE id = ?2");
    if (!count || sqlite3_bind_int64(count.get(), 1, last - first + 1) != SQLITE_OK ||
        sqlite3_bind_int64(count.get(), 2, entry) != SQLITE_OK || !Run(count.get()))
        return failed();
    return true;
}

void RecordingCommitted(RecordingState& recording, std::int64_t madeEntry)
{
    if (madeEntry == 0)
        return;
    std::lock_guard lock(recording.mutex);
    recording.entry = madeEntry;
}

bool RecordUpdated(sqlite3* db, const char* table, const std::vector<std::int64_t>& keys)
{
    if (keys.empty() || !HasHistory(db))
        return true;
    // The range that holds the key is the last one that starts at or below it.
    Statement note = Prepare(db, "INSERT OR IGNORE INTO import_change (import_id, tbl, record_id) "
                                 "SELECT import_id, ?1, ?2 FROM (SELECT import_id, last_id FROM import_range "
                                 "WHERE tbl = ?1 AND first_id <= ?2 ORDER BY first_id DESC LIMIT 1) "
                                 "WHERE last_id >= ?2");
    if (!note || !BindText(note.get(), 1, table)) {
        NoteFailure(db);
        return false;
    }
    for (std::int64_t key : keys)
        if (sqlite3_bind_int64(note.get(), 2, key) != SQLITE_OK || !Run(note.get())) {
            NoteFailure(db);
            return false;
        }
    return true;
}

long ReadHistory(std::vector<HistoryEntry>& entries)
{
    entries.clear();
    Connection db = OpenStore();
    if (!db)
        return STOREERR_OPEN;
    if (!HasHistory(db.get()))
        return 0;
    Statement select = Prepare(db.get(), std::string("SELECT ") + kEntryColumns + " FROM import_history ORDER BY id DESC");
    int rc = SQLITE_ERROR;
    while (select && (rc = sqlite3_step(select.get())) == SQLITE_ROW)
        entries.push_back(ReadEntry(select.get()));
    if (rc != SQLITE_DONE) {
        NoteFailure(db.get());
        entries.clear();
        return STOREERR_OPEN;
    }
    return static_cast<long>(entries.size());
}

namespace {

struct Range {
    const TableSpec* table;
    std::int64_t first;
    std::int64_t last;
};

/// The undo's steps on an open transaction; false after noting why, with
/// `result` then incomplete.
bool Undo(sqlite3* db, std::optional<std::int64_t> id, bool force, UndoResult& result)
{
    using Outcome = UndoResult::Outcome;
    auto failed = [db] {
        NoteFailure(db);
        return false;
    };
    Statement pick = Prepare(db, std::string("SELECT ") + kEntryColumns + " FROM import_history WHERE " +
                                     (id ? "id = ?1" : "undone IS NULL ORDER BY id DESC LIMIT 1"));
    if (!pick || (id && sqlite3_bind_int64(pick.get(), 1, *id) != SQLITE_OK))
        return failed();
    const int picked = sqlite3_step(pick.get());
    if (picked == SQLITE_DONE) {
        result.outcome = id ? Outcome::NoSuchImport : Outcome::NothingToUndo;
        return true;
    }
    if (picked != SQLITE_ROW)
        return failed();
    result.entry = ReadEntry(pick.get());
    if (!result.entry.undone.empty()) {
        result.outcome = Outcome::AlreadyUndone;
        return true;
    }
    const std::int64_t entry = result.entry.id;

    std::vector<Range> ranges;
    Statement select = Prepare(db, "SELECT tbl, first_id, last_id FROM import_range WHERE import_id = ?1");
    if (!select || sqlite3_bind_int64(select.get(), 1, entry) != SQLITE_OK)
        return failed();
    int rc;
    while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
        const TableSpec* table = KindTable(ColumnText(select.get(), 0));
        if (!table) {
            NoteOwnFailure(StoreCause::Other, "the history of import " + std::to_string(entry) +
                                                  " names a table the store does not have");
            return false;
        }
        ranges.push_back(Range{table, sqlite3_column_int64(select.get(), 1), sqlite3_column_int64(select.get(), 2)});
    }
    if (rc != SQLITE_DONE)
        return failed();

    // What changed since: records a later save updated, and links to the
    // import's contacts that it did not make.
    Statement updated = Prepare(db, "SELECT tbl, record_id FROM import_change WHERE import_id = ?1 ORDER BY tbl, "
                                    "record_id");
    if (!updated || sqlite3_bind_int64(updated.get(), 1, entry) != SQLITE_OK)
        return failed();
    while ((rc = sqlite3_step(updated.get())) == SQLITE_ROW)
        result.changed.push_back(ColumnText(updated.get(), 0) + " " + std::to_string(sqlite3_column_int64(updated.get(), 1)) +
                                 " was updated since");
    if (rc != SQLITE_DONE)
        return failed();
    Statement linked = Prepare(db, "SELECT p.contact_id, p.group_id FROM contact_group_pair AS p WHERE p.contact_id "
                                   "BETWEEN ?2 AND ?3 AND NOT EXISTS (SELECT 1 FROM import_range AS r WHERE "
                                   "r.import_id = ?1 AND r.tbl = 'contact_group_pair' AND p.id BETWEEN r.first_id "
                                   "AND r.last_id) ORDER BY p.id");
    if (!linked)
        return failed();
    for (const Range& range : ranges) {
        if (range.table != &ContactTable())
            continue;
        if (sqlite3_bind_int64(linked.get(), 1, entry) != SQLITE_OK ||
            sqlite3_bind_int64(linked.get(), 2, range.first) != SQLITE_OK ||
            sqlite3_bind_int64(linked.get(), 3, range.last) != SQLITE_OK)
            return failed();
        while ((rc = sqlite3_step(linked.get())) == SQLITE_ROW)
            result.changed.push_back("contact " + std::to_string(sqlite3_column_int64(linked.get(), 0)) +
                                     " was linked to group " + std::to_string(sqlite3_column_int64(linked.get(), 1)) +
                                     " since");
        sqlite3_reset(linked.get());
        if (rc != SQLITE_DONE)
            return failed();
    }
    if (!result.changed.empty() && !force) {
        result.outcome = Outcome::ChangedSince;
        return true;
    }

    // The links first, then the records (their sub-entries and any later
    // links go with them), then the groups that no link uses any more.
    auto removeRanges = [&](const TableSpec& which, const char* condition, std::int64_t& removed) {
        for (const Range& range : ranges) {
            if (range.table != &which)
                continue;
            Statement remove = Prepare(db, std::string("DELETE FROM ") + which.table + " WHERE id BETWEEN ?1 AND ?2" +
                                               condition);
            if (!remove || sqlite3_bind_int64(remove.get(), 1, range.first) != SQLITE_OK ||
                sqlite3_bind_int64(remove.get(), 2, range.last) != SQLITE_OK || !Run(remove.get()))
                return false;
            removed += sqlite3_changes(db);
        }
        return true;
    };
    if (!removeRanges(ContactGroupPairTable(), "", result.links))
        return failed();
    for (const TableSpec* table : SchemaTables())
        if (table != &ContactGroupPairTable() && table != &ContactGroupTable() &&
            !removeRanges(*table, "", result.records))
            return failed();
    if (!removeRanges(ContactGroupTable(),
                      " AND NOT EXISTS (SELECT 1 FROM contact_group_pair WHERE group_id = contact_group.id)",
                      result.groups))
        return failed();
    result.groupsKept = result.entry.groups - result.groups;
    Statement mark = Prepare(db, std::string("UPDATE import_history SET undone = ") + kNow + " WHERE id = ?1");
    Statement forget = Prepare(db, "DELETE FROM import_change WHERE import_id = ?1");
    if (!mark || !forget || sqlite3_bind_int64(mark.get(), 1, entry) != SQLITE_OK || !Run(mark.get()) ||
        sqlite3_bind_int64(forget.get(), 1, entry) != SQLITE_OK || !Run(forget.get()))
        return failed();
    result.outcome = Outcome::Undone;
    return true;
}

} // namespace

UndoResult UndoImport(std::optional<std::int64_t> id, bool force)
{
    UndoResult result;
    Connection db = OpenStore();
    if (!db)
        return result;
    if (!HasHistory(db.get())) {
        result.outcome = UndoResult::Outcome::NothingToUndo;
        return result;
    }
    Transaction transaction(db.get());
    if (!transaction.Begin("BEGIN IMMEDIATE")) {
        NoteFailure(db.get());
        return result;
    }
    UndoResult undone;
    if (!Undo(db.get(), id, force, undone))
        return result; // rolled back
    if (undone.outcome == UndoResult::Outcome::Undone && !transaction.Commit()) {
        NoteFailure(db.get());
        return result;
    }
    return undone;
}

namespace {

/// A connection that only reads the store file; null after noting why.
Connection OpenReading(const std::string& path)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    Connection db(raw);
    if (rc != SQLITE_OK || sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr) != SQLITE_OK ||
        sqlite3_db_config(db.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr) != SQLITE_OK) {
        NoteFailure(raw);
        return nullptr;
    }
    sqlite3_busy_timeout(db.get(), kStoreBusyTimeoutMs);
    return db;
}

/// Adds the rows of `sql` (one text column) to `lines`; false when SQLite
/// fails.
bool Rows(sqlite3* db, const char* sql, std::vector<std::string>& lines)
{
    Statement statement = Prepare(db, sql);
    int rc = SQLITE_ERROR;
    while (statement && (rc = sqlite3_step(statement.get())) == SQLITE_ROW)
        lines.push_back(ColumnText(statement.get(), 0));
    return rc == SQLITE_DONE;
}

} // namespace

bool CheckStore(CheckResult& result)
{
    result = CheckResult();
    RestoreFailure(StoreFailure());
    Connection db = OpenReading(StorePathForOpening());
    if (!db)
        return false;
    // A failure of SQLite here is what the check found, too: a file that is
    // not a database, or damaged where the schema is.
    auto unreadable = [&] {
        NoteFailure(db.get());
        result.problems.push_back(sqlite3_errmsg(db.get()));
        return false;
    };
    std::vector<std::string> integrity;
    if (!Rows(db.get(), "PRAGMA integrity_check", integrity))
        return unreadable();
    if (integrity != std::vector<std::string>{"ok"})
        result.problems.insert(result.problems.end(), integrity.begin(), integrity.end());
    if (!Rows(db.get(),
              "SELECT 'a row of ' || \"table\" || ' links to a record of ' || parent || ' that is not stored' "
              "FROM pragma_foreign_key_check",
              result.problems))
        return unreadable();
    std::vector<std::string> version;
    if (!Rows(db.get(), "SELECT user_version FROM pragma_user_version", version) || version.size() != 1)
        return unreadable();
    result.version = std::stoll(version[0]);
    const std::shared_ptr<const SchemaVersions> versions = CurrentSchemaVersions();
    if (result.version < 1 || result.version > versions->Version()) {
        result.problems.push_back("schema version " + version[0] + " is not one this program reads (1 to " +
                                  std::to_string(versions->Version()) + ")");
    } else {
        std::vector<std::string> differences;
        if (!SchemaDifferences(db.get(), *versions, result.version, differences))
            return unreadable();
        result.problems.insert(result.problems.end(), differences.begin(), differences.end());
    }
    result.sound = result.problems.empty();
    return true;
}

long BackupStore(const std::string& target, const std::function<void(const char* path)>& onTemporary)
{
    RestoreFailure(StoreFailure());
    Connection source = OpenStore();
    if (!source)
        return STOREERR_OPEN;
    // A copy renamed over the store itself would leave the store's WAL
    // beside a file it does not belong to.
    struct stat store {}, existing {};
    if (const char* file = sqlite3_db_filename(source.get(), "main");
        file && ::stat(file, &store) == 0 && ::stat(target.c_str(), &existing) == 0 && store.st_dev == existing.st_dev &&
        store.st_ino == existing.st_ino) {
        NoteOwnFailure(StoreCause::Other, target + " is the store itself");
        return STOREERR_WRITE;
    }
    // The copy is made beside the target, so the rename is atomic; mkstemp
    // creates it 0600 whatever the umask.
    std::string temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        NoteOwnFailure(errno == EACCES || errno == EPERM ? StoreCause::Permission : StoreCause::CannotOpen,
                       "cannot create a file beside " + target + ": " + std::strerror(errno));
        return STOREERR_WRITE;
    }
    ::close(fd);
    if (onTemporary)
        onTemporary(temporary.c_str());
    auto discard = [&] {
        std::remove(temporary.c_str());
        std::remove((temporary + "-journal").c_str());
        if (onTemporary)
            onTemporary(nullptr);
        return STOREERR_WRITE;
    };
    {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(temporary.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        Connection copy(raw);
        if (rc != SQLITE_OK) {
            NoteFailure(raw);
            return discard();
        }
        // One step copies every page while holding one read transaction on
        // the store: the copy is one committed state of it. In WAL mode a
        // saving process neither waits for it nor disturbs it.
        sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", source.get(), "main");
        if (!backup) {
            NoteFailure(copy.get());
            return discard();
        }
        const int stepped = sqlite3_backup_step(backup, -1);
        const int finished = sqlite3_backup_finish(backup);
        if (stepped != SQLITE_DONE || finished != SQLITE_OK) {
            NoteFailure(copy.get());
            return discard();
        }
    }
    // On disk before it takes the target's name.
    const int synced = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
    const bool durable = synced >= 0 && ::fsync(synced) == 0;
    if (synced >= 0)
        ::close(synced);
    if (!durable || std::rename(temporary.c_str(), target.c_str()) != 0) {
        NoteOwnFailure(StoreCause::IO, "cannot put the copy in place as " + target + ": " + std::strerror(errno));
        return discard();
    }
    if (onTemporary)
        onTemporary(nullptr);
    return 0;
}

} // namespace varno::store
