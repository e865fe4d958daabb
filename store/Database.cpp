// SQLite persistence of the store.
//
// Every load and save opens its own connection and closes it before
// returning, so that several processes can share one store file: the
// journal is in WAL mode (readers never wait for a writer) and a writer that
// finds the store locked waits up to kBusyTimeoutMs for the other one. A save
// is one BEGIN IMMEDIATE transaction: it takes the write lock before reading
// anything, so it never has to give up halfway because another process
// wrote in between.
//
// Opening never writes into a file that is not a store of ours, nor into a
// store of a newer schema version, nor into one whose schema differs from
// that of its version (SchemaCheck.cpp): the application id, the schema
// version and the schema are read first. Only an empty database (a new
// file, created 0600) gets the schema, and only a store of an older version
// is migrated.
#include "store/Database_p.h"

#include "store/Schema_p.h"
#include "store/Sqlite_p.h"

#include <bit>
#include <cassert>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <cmath>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varno::store {

namespace {

constexpr int kBusyTimeoutMs = kStoreBusyTimeoutMs;

thread_local StoreFailure t_failure;

} // namespace

/// Writes down a cause the store found itself, unless a failure of this
/// load or save is written down already (the first one is the cause; what
/// fails after it, such as the rollback, is not).
void NoteOwnFailure(StoreCause cause, std::string message)
{
    if (t_failure.cause == StoreCause::None)
        t_failure = StoreFailure{cause, 0, 0, std::move(message)};
}

/// Writes down why `db` failed, as NoteOwnFailure does; a null `db` is a
/// connection SQLite could not allocate.
void NoteFailure(sqlite3* db)
{
    if (t_failure.cause != StoreCause::None)
        return;
    if (!db) {
        NoteOwnFailure(StoreCause::OutOfMemory, "out of memory");
        return;
    }
    const int code = sqlite3_extended_errcode(db);
    // Every caller follows an SQLite call that failed. Should one ever not,
    // the failure is still reported, but never as SQLite's "not an error".
    const bool sqliteFailed = code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE;
    assert(sqliteFailed);
    if (!sqliteFailed) {
        NoteOwnFailure(StoreCause::Other, "the store stopped, but SQLite names no error");
        return;
    }
    const int systemError = sqlite3_system_errno(db);
    t_failure = StoreFailure{CauseOfSqliteFailure(code, systemError), code, systemError, sqlite3_errmsg(db)};
}

Statement Prepare(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return Statement(statement);
}

bool Execute(sqlite3* db, const std::string& sql)
{
    Statement statement = Prepare(db, sql);
    if (!statement)
        return false;
    int rc;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE;
}

namespace {

/// The pieces joined. (g++ 12 warns wrongly of overlapping copies in a chain
/// of std::string + at -O3.)
std::string Words(std::initializer_list<std::string_view> pieces)
{
    std::string text;
    for (std::string_view piece : pieces)
        text += piece;
    return text;
}

void NoteNotOurs()
{
    NoteOwnFailure(StoreCause::NotAStore, "the database is not a store of ours");
}

// Keys stay below the provisional ids that AddNew gives (RecordCollection.h).
constexpr std::int64_t kMaxKey = 0x7FFFFFFF;

/// Turns the store's journal to WAL. When two processes create a store at
/// once, the switch can be refused as busy at once, without the busy handler
/// waiting; it is tried again until the busy timeout has passed.
bool SwitchToWal(sqlite3* db)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        if (Execute(db, "PRAGMA journal_mode=WAL"))
            return true;
        const int error = sqlite3_errcode(db) & 0xFF;
        if ((error != SQLITE_BUSY && error != SQLITE_LOCKED) || Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

enum class StoreKind {
    ours,    ///< a store of the current version
    empty,   ///< a new file: no version, nothing in it
    older,   ///< a store of ours of an older version, to migrate
    newer,   ///< a store of ours of a newer version, never written
    foreign, ///< a database of another program, never written
};

struct Inspection {
    StoreKind kind = StoreKind::foreign;
    std::int64_t version = 0; ///< the file's user_version
};

/// Reads what the database is, without writing; false when SQLite fails.
bool Inspect(sqlite3* db, const SchemaVersions& versions, Inspection& found)
{
    // One statement, so that all come from the same state of the file even
    // while another process is creating or migrating the schema.
    static const std::string sql =
        std::string("SELECT (SELECT user_version FROM pragma_user_version), "
                    "(SELECT application_id FROM pragma_application_id), (SELECT count(*) FROM sqlite_master), "
                    "(SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN (") +
        kVersion1Tables + "))";
    Statement statement = Prepare(db, sql);
    if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW)
        return false;
    const std::int64_t version = sqlite3_column_int64(statement.get(), 0);
    const std::int64_t application = sqlite3_column_int64(statement.get(), 1);
    const std::int64_t objects = sqlite3_column_int64(statement.get(), 2);
    const std::int64_t version1Tables = sqlite3_column_int64(statement.get(), 3);
    // Stores carry the application id since version 1 was out; those made
    // before it are of version 1 and have its tables. Every store of a later
    // version has the id, as every migration writes it.
    const bool ours = application == kApplicationId ||
                      (application == 0 && version == 1 && version1Tables == kVersion1TableCount);
    found.version = version;
    if (objects == 0 && version == 0 && (application == 0 || application == kApplicationId))
        found.kind = StoreKind::empty;
    else if (!ours || version < 1)
        found.kind = StoreKind::foreign;
    else if (version < versions.Version())
        found.kind = StoreKind::older;
    else
        found.kind = version == versions.Version() ? StoreKind::ours : StoreKind::newer;
    return true;
}

/// False, after noting why, for a store of a newer version and a database
/// of another program: neither is opened.
bool Acceptable(const Inspection& found, const SchemaVersions& versions)
{
    if (found.kind == StoreKind::newer)
        NoteOwnFailure(StoreCause::NewerSchema,
                       Words({"schema version ", std::to_string(found.version), "; this program reads versions up to ",
                              std::to_string(versions.Version())}));
    else if (found.kind == StoreKind::foreign)
        NoteNotOurs();
    return found.kind != StoreKind::newer && found.kind != StoreKind::foreign;
}

/// Runs the statements of `sqls` in order; false at the first that fails.
bool ExecuteAll(sqlite3* db, const std::vector<std::string>& sqls)
{
    for (const std::string& sql : sqls)
        if (!Execute(db, sql))
            return false;
    return true;
}

/// Whether every link holds: the foreign keys were off during a migration.
bool LinksHold(sqlite3* db, std::int64_t version)
{
    Statement check = Prepare(db, "PRAGMA foreign_key_check");
    if (!check)
        return false;
    const int rc = sqlite3_step(check.get());
    if (rc == SQLITE_ROW)
        NoteOwnFailure(StoreCause::Constraint, Words({"the migration to schema version ", std::to_string(version),
                                                      " leaves links to records that are not stored"}));
    return rc == SQLITE_DONE;
}

/// Creates the schema in a new file, or migrates an older store one version
/// at a time, each step in a transaction of its own that also raises the
/// version; false after noting why not.
bool Upgrade(sqlite3* db, const SchemaVersions& versions)
{
    // WAL is a lasting property of the file, and foreign keys must be off
    // while a migration rebuilds tables; neither can change inside a
    // transaction, so both are set first. Two processes may both get here.
    // A failure is written down before the transaction's rollback runs.
    auto failed = [db] {
        NoteFailure(db);
        return false;
    };
    if (!SwitchToWal(db) || !Execute(db, "PRAGMA foreign_keys = OFF"))
        return failed();
    for (;;) {
        Transaction transaction(db);
        if (!transaction.Begin("BEGIN IMMEDIATE"))
            return failed();
        Inspection found;
        if (!Inspect(db, versions, found)) // again, now that no one else can write
            return failed();
        if (!Acceptable(found, versions))
            return false;
        std::int64_t version = found.version;
        if (found.kind == StoreKind::empty) {
            version = versions.Version();
            if (!ExecuteAll(db, VersionStatements(versions, version)))
                return failed();
        } else if (found.kind == StoreKind::older) {
            ++version;
            const Migration& step = versions.migrations[static_cast<std::size_t>(found.version - 1)];
            if (!ExecuteAll(db, step.statements) || !LinksHold(db, version))
                return failed();
        }
        if (found.kind != StoreKind::ours &&
            !ExecuteAll(db, {"PRAGMA user_version = " + std::to_string(version),
                             "PRAGMA application_id = " + std::to_string(kApplicationId)}))
            return failed();
        if (!transaction.Commit())
            return failed();
        if (version == versions.Version())
            return Execute(db, "PRAGMA foreign_keys = ON") || failed();
    }
}

/// False, after noting the first differences, when the schema of the store
/// differs from that of its version: someone else changed it.
bool SchemaIsOurs(sqlite3* db, const SchemaVersions& versions, std::int64_t version)
{
    std::vector<std::string> differences;
    if (!SchemaDifferences(db, versions, version, differences))
        return false;
    if (differences.empty())
        return true;
    constexpr std::size_t kNamed = 3;
    std::string message;
    for (std::size_t i = 0; i < differences.size() && i < kNamed; ++i)
        message += (i ? "; " : "") + differences[i];
    if (differences.size() > kNamed)
        message += Words({"; and ", std::to_string(differences.size() - kNamed), " more"});
    NoteOwnFailure(StoreCause::SchemaChanged, message);
    return false;
}

/// Makes a new store file private to its owner before SQLite creates it:
/// created here 0600, whatever the umask, so SQLite finds an empty file
/// and gives its journal, WAL and shared-memory files the same mode. An
/// existing file keeps the mode its owner gave it. An SQLite URI is left to
/// SQLite.
void CreatePrivateFile(const std::string& path)
{
    if (path.empty() || path.rfind("file:", 0) == 0 || path == ":memory:")
        return;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return; // it exists, or cannot be made: SQLite's open says which
    (void)::fchmod(fd, S_IRUSR | S_IWUSR);
    ::close(fd);
}

} // namespace

/// A connection to a store of the current schema, or null. A file that is
/// not a store of ours, of a newer version, or whose schema differs from
/// that of its version is only read.
Connection OpenStore()
{
    const std::shared_ptr<const SchemaVersions> versions = CurrentSchemaVersions();
    const std::string path = StorePathForOpening();
    CreatePrivateFile(path);
    sqlite3* raw = nullptr;
    // A connection lives for one load or save on one thread, so it needs no
    // mutex of its own; SQLite's per-call locking was a third of a big save.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    Connection db(raw); // closed on every path, also when the open failed
    if (rc != SQLITE_OK) {
        NoteFailure(raw);
        return nullptr;
    }
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    // The schema is only trusted once compared: no function that a view,
    // trigger or default of the file names runs unless SQLite deems it
    // harmless, and defensive mode keeps SQL from writing the schema or the
    // file's pages directly.
    if (sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr) != SQLITE_OK ||
        sqlite3_db_config(db.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr) != SQLITE_OK) {
        NoteFailure(db.get());
        return nullptr;
    }
    // In WAL mode NORMAL still never corrupts the store; a power cut may lose
    // only the last saves.
    if (!Execute(db.get(), "PRAGMA foreign_keys = ON") || !Execute(db.get(), "PRAGMA synchronous = NORMAL")) {
        NoteFailure(db.get());
        return nullptr;
    }
    // A refused file is left as it was: this connection only read it, and
    // closing it removes the -wal and -shm files that reading a database in
    // WAL mode makes (unless another connection still has it open).
    Inspection found;
    if (!Inspect(db.get(), *versions, found)) {
        NoteFailure(db.get());
        return nullptr;
    }
    if (!Acceptable(found, *versions))
        return nullptr;
    if (found.kind != StoreKind::empty && !SchemaIsOurs(db.get(), *versions, found.version))
        return nullptr;
    if (found.kind != StoreKind::ours && !Upgrade(db.get(), *versions))
        return nullptr;
    return db;
}

namespace {

bool Bind(sqlite3_stmt* statement, int index, const Value& value)
{
    int rc = SQLITE_OK;
    if (const auto* i = std::get_if<std::int64_t>(&value))
        rc = sqlite3_bind_int64(statement, index, *i);
    else if (const auto* d = std::get_if<double>(&value))
        rc = sqlite3_bind_double(statement, index, *d);
    else if (const auto* s = std::get_if<std::string>(&value))
        // Static: the row outlives the one step that reads it (StepOnce
        // resets the statement at once), so SQLite need not copy the text.
        rc = sqlite3_bind_text64(statement, index, s->data(), s->size(), SQLITE_STATIC, SQLITE_UTF8);
    else
        rc = sqlite3_bind_null(statement, index);
    return rc == SQLITE_OK;
}

bool BindAll(sqlite3_stmt* statement, int first, const Row& row)
{
    for (std::size_t i = 0; i < row.size(); ++i)
        if (!Bind(statement, first + static_cast<int>(i), row[i]))
            return false;
    return true;
}

/// Reads a column into `into`. A text goes into the string `into` already
/// holds, so that rows read one after another reuse their storage.
void ReadColumn(sqlite3_stmt* statement, int column, Value& into)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        into = sqlite3_column_int64(statement, column);
        break;
    case SQLITE_FLOAT:
        into = sqlite3_column_double(statement, column);
        break;
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
        const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
        auto* text = std::get_if<std::string>(&into);
        if (!text)
            text = &into.emplace<std::string>();
        text->assign(bytes ? bytes : "", bytes ? size : 0);
        break;
    }
    default:
        into = std::monostate{};
    }
}

/// Reads `width` columns from the second on into `row`.
void ReadRow(sqlite3_stmt* statement, std::size_t width, Row& row)
{
    row.resize(width);
    for (std::size_t i = 0; i < width; ++i)
        ReadColumn(statement, static_cast<int>(i) + 1, row[i]);
}

/// Runs a statement that gives no rows and resets it for the next use.
bool StepOnce(sqlite3_stmt* statement)
{
    const int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    return rc == SQLITE_DONE;
}

std::string ColumnList(const std::vector<ColumnSpec>& columns)
{
    std::string list;
    for (const ColumnSpec& column : columns) {
        if (!list.empty())
            list += ", ";
        list += column.name;
    }
    return list;
}

std::string Placeholders(std::size_t count)
{
    std::string list;
    for (std::size_t i = 0; i < count; ++i)
        list += i == 0 ? "?" : ", ?";
    return list;
}

// New records and sub-entries are inserted this many rows to a statement:
// one statement per row was most of a save's time in SQLite's per-statement
// work. The widest row binds 22 values, far below SQLite's limit.
constexpr std::size_t kBatch = 64;

/// Rows of one table waiting for their batch: the key of each row's record
/// (the row's own key for a main table, its owner's for a child table), its
/// position among its owner's entries (child tables) and its values.
struct PendingRows {
    std::vector<std::int64_t> keys;
    std::vector<std::int64_t> seqs;
    std::vector<Row> rows;

    void Drop(std::size_t count)
    {
        const auto n = static_cast<std::ptrdiff_t>(count);
        keys.erase(keys.begin(), keys.begin() + n);
        seqs.erase(seqs.begin(), seqs.begin() + std::min(n, static_cast<std::ptrdiff_t>(seqs.size())));
        rows.erase(rows.begin(), rows.begin() + n);
    }
};

/// One table's insert statements: one row, and kBatch rows at once.
struct Inserts {
    Statement one;
    Statement batch;
};

/// The statements of one save, prepared once for all its records, and the
/// rows not yet inserted.
struct WriteStatements {
    Inserts insert;
    Statement update;
    std::vector<Statement> deleteChildren;
    std::vector<Inserts> insertChild;
    PendingRows pending;                    ///< new records
    std::vector<PendingRows> pendingChildren;
    std::optional<std::int64_t> profile;    ///< bound after the key when the table has a profile
    std::int64_t nextKey = 0;               ///< the key the next new record gets
};

Inserts PrepareInserts(sqlite3* db, const std::string& head, std::size_t values)
{
    const std::string one = Words({"(", Placeholders(values), ")"});
    std::string many = head;
    for (std::size_t i = 0; i < kBatch; ++i) {
        many += i == 0 ? "" : ", ";
        many += one;
    }
    return {Prepare(db, head + one), Prepare(db, many)};
}

bool PrepareWrites(sqlite3* db, const TableSpec& tableSpec, std::optional<int> profile, WriteStatements& out)
{
    std::vector<ColumnSpec> columns = tableSpec.columns;
    if (tableSpec.hasProfile) {
        columns.insert(columns.begin(), ColumnSpec{"profile", {}});
        out.profile = profile.value_or(0);
    }
    // New records get their keys from the save itself: the write lock is
    // held from the start, so the next key is known, and a batch of rows
    // can be inserted with the keys SQLite would have chosen one by one
    // (AUTOINCREMENT: past every key ever given).
    Statement next = Prepare(db, std::string("SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name = '") +
                                     tableSpec.table + "'), 0), coalesce((SELECT max(id) FROM " + tableSpec.table +
                                     "), 0)) + 1");
    if (!next || sqlite3_step(next.get()) != SQLITE_ROW)
        return false;
    out.nextKey = sqlite3_column_int64(next.get(), 0);
    out.insert = PrepareInserts(db, std::string("INSERT INTO ") + tableSpec.table + " (id, " + ColumnList(columns) +
                                        ") VALUES ",
                                columns.size() + 1);
    std::string assignments;
    for (const ColumnSpec& column : columns)
        assignments += Words({assignments.empty() ? "" : ", ", column.name, " = ?"});
    out.update = Prepare(db, std::string("UPDATE ") + tableSpec.table + " SET " + assignments + " WHERE id = ?");
    if (!out.insert.one || !out.insert.batch || !out.update)
        return false;
    for (const ChildSpec& child : tableSpec.children) {
        out.deleteChildren.push_back(
            Prepare(db, std::string("DELETE FROM ") + child.table + " WHERE " + child.ownerColumn + " = ?"));
        out.insertChild.push_back(PrepareInserts(db,
                                                 std::string("INSERT INTO ") + child.table + " (" + child.ownerColumn +
                                                     ", seq, " + ColumnList(child.columns) + ") VALUES ",
                                                 child.columns.size() + 2));
        if (!out.deleteChildren.back() || !out.insertChild.back().one || !out.insertChild.back().batch)
            return false;
    }
    out.pendingChildren.assign(tableSpec.children.size(), PendingRows());
    return true;
}

/// Inserts the waiting rows of one table: whole batches, and with `all`
/// also the rest, one by one. After each row's key comes the profile, when
/// set (a main table that has one), or the position, with `positions` (a
/// child table), then the row's values.
bool Flush(Inserts& inserts, PendingRows& pending, std::optional<std::int64_t> profile, bool positions, bool all)
{
    const std::size_t count = pending.rows.size();
    const int lead = 1 + (profile || positions ? 1 : 0);
    std::size_t done = 0;
    auto bindRow = [&](sqlite3_stmt* statement, int first, std::size_t i) {
        if (!Bind(statement, first, pending.keys[i]))
            return false;
        if (lead == 2 && !Bind(statement, first + 1, profile ? *profile : pending.seqs[i]))
            return false;
        return BindAll(statement, first + lead, pending.rows[i]);
    };
    for (; count - done >= kBatch; done += kBatch) {
        const int width = static_cast<int>(pending.rows[done].size()) + lead;
        for (std::size_t i = 0; i < kBatch; ++i)
            if (!bindRow(inserts.batch.get(), 1 + static_cast<int>(i) * width, done + i))
                return false;
        if (!StepOnce(inserts.batch.get()))
            return false;
    }
    for (; all && done < count; ++done)
        if (!bindRow(inserts.one.get(), 1, done) || !StepOnce(inserts.one.get()))
            return false;
    pending.Drop(done);
    return true;
}

/// Inserts every waiting row, the records before their sub-entries.
bool FlushAll(WriteStatements& statements)
{
    if (!Flush(statements.insert, statements.pending, statements.profile, false, true))
        return false;
    for (std::size_t c = 0; c < statements.pendingChildren.size(); ++c)
        if (!Flush(statements.insertChild[c], statements.pendingChildren[c], std::nullopt, true, true))
            return false;
    return true;
}

/// False, after noting that a record's values do not fit `table`'s columns:
/// a fault of the record kind's code, never of the data.
bool MisfitRow(const char* table)
{
    NoteOwnFailure(StoreCause::Other, Words({"a record's values do not fit the columns of the table ", table}));
    return false;
}

/// Writes one record; `key` is 0 for a new record and receives its key.
/// A new record's row and every record's sub-entries are taken from `rows`
/// and may wait for their batch; FlushAll writes them before the commit.
bool WriteOne(const TableSpec& tableSpec, WriteStatements& statements, RecordRows& rows, std::int64_t& key)
{
    const bool fits =
        rows.fields.size() == tableSpec.columns.size() && rows.children.size() == tableSpec.children.size();
    assert(fits); // a kind's rows follow its table's columns
    if (!fits)
        return MisfitRow(tableSpec.table);
    const bool isNew = key == 0;
    if (isNew) {
        if (statements.nextKey <= 0 || statements.nextKey > kMaxKey) {
            NoteOwnFailure(StoreCause::OutOfKeys, Words({"every id of the table ", tableSpec.table, " up to ",
                                                         std::to_string(kMaxKey), " has been given"}));
            return false;
        }
        key = statements.nextKey++;
        statements.pending.keys.push_back(key);
        statements.pending.rows.push_back(std::move(rows.fields));
        if (statements.pending.rows.size() >= kBatch &&
            !Flush(statements.insert, statements.pending, statements.profile, false, false))
            return false;
    } else {
        // The rows before this one go first, and an update deletes the
        // record's stored entries, so none of its entries may be waiting.
        if (!FlushAll(statements))
            return false;
        sqlite3_stmt* update = statements.update.get();
        int next = 1;
        if (statements.profile && !Bind(update, next++, *statements.profile))
            return false;
        if (!BindAll(update, next, rows.fields))
            return false;
        next += static_cast<int>(rows.fields.size());
        if (!Bind(update, next, key) || !StepOnce(update))
            return false;
        if (sqlite3_changes(sqlite3_db_handle(update)) != 1) {
            NoteOwnFailure(StoreCause::RecordGone, Words({"record ", std::to_string(key), " of the table ",
                                                          tableSpec.table, " is no longer in the store"}));
            return false;
        }
    }

    for (std::size_t c = 0; c < tableSpec.children.size(); ++c) {
        if (!isNew) {
            sqlite3_stmt* clear = statements.deleteChildren[c].get();
            if (!Bind(clear, 1, key) || !StepOnce(clear))
                return false;
        }
        PendingRows& pending = statements.pendingChildren[c];
        std::int64_t seq = 0;
        for (Row& entry : rows.children[c]) {
            assert(entry.size() == tableSpec.children[c].columns.size());
            if (entry.size() != tableSpec.children[c].columns.size())
                return MisfitRow(tableSpec.children[c].table);
            pending.keys.push_back(key);
            pending.seqs.push_back(seq++);
            pending.rows.push_back(std::move(entry));
        }
        // Entries go in after their owners, whose rows may still be waiting.
        if (pending.rows.size() >= kBatch &&
            (!Flush(statements.insert, statements.pending, statements.profile, false, true) ||
             !Flush(statements.insertChild[c], pending, std::nullopt, true, false)))
            return false;
    }
    return true;
}

bool BindFilter(sqlite3_stmt* statement, const Filter& filter)
{
    for (std::size_t i = 0; i < filter.args.size(); ++i)
        if (sqlite3_bind_int64(statement, static_cast<int>(i) + 1, filter.args[i]) != SQLITE_OK)
            return false;
    return true;
}

} // namespace

RowWriter& RowWriter::Int(std::int64_t value)
{
    m_row.emplace_back(value);
    return *this;
}

RowWriter& RowWriter::Text(const CString& value)
{
    m_row.emplace_back(value.ToUtf8());
    return *this;
}

RowWriter& RowWriter::Date(const COleDateTime& value)
{
    if (std::isnan(value.m_dt))
        m_row.emplace_back(std::monostate{});
    else
        m_row.emplace_back(value.m_dt);
    m_row.emplace_back(static_cast<std::int64_t>(value.m_status));
    return *this;
}

const Value* RowReader::Next()
{
    return m_next < m_row.size() ? &m_row[m_next++] : nullptr;
}

std::int64_t RowReader::Int()
{
    const Value* value = Next();
    if (!value)
        return 0;
    if (const auto* i = std::get_if<std::int64_t>(value))
        return *i;
    // A real where an integer belongs can only come from another writer;
    // one that no integer can hold reads as 0.
    if (const auto* d = std::get_if<double>(value); d && std::fabs(*d) < 9.2e18)
        return static_cast<std::int64_t>(*d);
    return 0;
}

CString RowReader::Text()
{
    const Value* value = Next();
    const auto* text = value ? std::get_if<std::string>(value) : nullptr;
    return text ? CString::FromUtf8(*text) : CString();
}

COleDateTimeNull RowReader::Date()
{
    COleDateTimeNull date;
    const Value* day = Next();
    if (const auto* d = day ? std::get_if<double>(day) : nullptr)
        date.m_dt = *d;
    else if (const auto* i = day ? std::get_if<std::int64_t>(day) : nullptr)
        date.m_dt = static_cast<double>(*i);
    else
        date.m_dt = std::nan("");
    const std::int64_t status = Int();
    // A status that no date has (written by someone else) reads as invalid.
    date.m_status = status >= 0 && status <= 2 ? static_cast<COleDateTime::DateTimeStatus>(status)
                                               : COleDateTime::invalid;
    return date;
}

std::uint64_t Digest(const RecordRows& rows)
{
    // A 64-bit hash of the values with their kinds and the sizes of every
    // list, so that moving a value from one field or entry to the next
    // changes it. It takes eight bytes per step (a multiply-rotate round
    // with well-mixing odd constants): a byte-wise hash was a twentieth of
    // a memo import. Digests live only in memory, so the function may change.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    auto word = [&hash](std::uint64_t w) {
        hash ^= w * 0xC2B2AE3D27D4EB4Full;
        hash = std::rotl(hash, 31) * 0x9E3779B97F4A7C15ull;
    };
    auto mix = [&word](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        std::uint64_t w = 0;
        for (; size >= sizeof w; size -= sizeof w, bytes += sizeof w) {
            std::memcpy(&w, bytes, sizeof w);
            word(w);
        }
        if (size > 0) {
            w = 0;
            std::memcpy(&w, bytes, size);
            word(w);
        }
    };
    auto mixCount = [&](std::uint64_t count) { mix(&count, sizeof count); };
    auto mixRow = [&](const Row& row) {
        mixCount(row.size());
        for (const Value& value : row) {
            const unsigned char kind = static_cast<unsigned char>(value.index());
            mix(&kind, 1);
            if (const auto* i = std::get_if<std::int64_t>(&value)) {
                mix(i, sizeof *i);
            } else if (const auto* d = std::get_if<double>(&value)) {
                mix(d, sizeof *d);
            } else if (const auto* s = std::get_if<std::string>(&value)) {
                mixCount(s->size());
                mix(s->data(), s->size());
            }
        }
    };
    mixRow(rows.fields);
    mixCount(rows.children.size());
    for (const auto& entries : rows.children) {
        mixCount(entries.size());
        for (const Row& entry : entries)
            mixRow(entry);
    }
    return hash == 0 ? 1 : hash;
}

StoreCause CauseOfSqliteFailure(int code, int systemError)
{
    // The errno comes before most codes: SQLite reports a full disk or the
    // size limit as an I/O error of the call that met it.
    const int primary = code & 0xFF;
    const bool writeCutShort = code == SQLITE_IOERR_WRITE || code == SQLITE_IOERR_TRUNCATE ||
                               code == SQLITE_IOERR_SHMSIZE || code == SQLITE_IOERR_FSYNC;
    if (primary == SQLITE_NOTADB)
        return StoreCause::NotAStore;
    if (primary == SQLITE_FULL || systemError == ENOSPC || systemError == EDQUOT)
        return StoreCause::DiskFull;
    if (systemError == EFBIG)
        return StoreCause::FileTooLarge;
    if (writeCutShort && systemError == 0) // SQLite keeps no errno for a short write
        return StoreCause::WriteCutShort;
    if (primary == SQLITE_READONLY)
        return StoreCause::ReadOnly;
    if (primary == SQLITE_PERM || primary == SQLITE_AUTH || systemError == EACCES || systemError == EPERM)
        return StoreCause::Permission;
    // SQLITE_LOCKED is a conflict within one connection or shared cache;
    // neither is used here, so it can only mean what busy means.
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return StoreCause::Busy;
    if (primary == SQLITE_CANTOPEN)
        return StoreCause::CannotOpen;
    if (primary == SQLITE_NOMEM || code == SQLITE_IOERR_NOMEM)
        return StoreCause::OutOfMemory;
    switch (primary) {
    case SQLITE_IOERR: return StoreCause::IO;
    case SQLITE_CORRUPT: return StoreCause::Corrupt;
    case SQLITE_CONSTRAINT: return StoreCause::Constraint;
    case SQLITE_TOOBIG: return StoreCause::TooBig;
    default: return StoreCause::Other;
    }
}

StoreFailure LastFailure()
{
    return t_failure;
}

void RestoreFailure(const StoreFailure& failure)
{
    t_failure = failure;
}

long ReadRecords(const TableSpec& tableSpec, const Filter& filter,
                 const std::function<void(std::int64_t key, RecordRows& rows)>& take)
{
    t_failure = StoreFailure();
    Connection db = OpenStore();
    if (!db)
        return STOREERR_OPEN;
    auto fail = [&db] {
        NoteFailure(db.get());
        return STOREERR_OPEN;
    };
    // One read transaction, so that the records and their sub-entries come
    // from the same state of the store.
    Transaction transaction(db.get());
    if (!transaction.Begin("BEGIN"))
        return fail();

    // The records in key order, and beside them each child table's entries
    // in the order of their owner and position: both walk forward together,
    // so each record is complete when its main row is read and is handed
    // over at once, and no more than one record's entries stand in memory.
    std::vector<Statement> childSelects;
    std::vector<int> childStep; // last sqlite3_step result of each child select
    // A child select that fails is noted at once: the steps of the other
    // selects after it would overwrite SQLite's record of the error.
    auto noted = [&db](int stepped) {
        if (stepped != SQLITE_ROW && stepped != SQLITE_DONE)
            NoteFailure(db.get());
        return stepped;
    };
    for (const ChildSpec& child : tableSpec.children) {
        // A join on the owner's key walks the owners' index and each one's
        // entries in order; "owner IN (SELECT ...)" first built a temporary
        // index of every owner key, per child table. The filter stays in its
        // own subquery, where its names mean the main table's columns.
        std::string columns;
        for (const ColumnSpec& column : child.columns)
            columns += Words({", c.", column.name});
        Statement select = Prepare(db.get(), std::string("SELECT c.") + child.ownerColumn + columns +
                                                 " FROM (SELECT id FROM " + tableSpec.table + " WHERE " +
                                                 filter.where + ") AS m JOIN " + child.table + " AS c ON c." +
                                                 child.ownerColumn + " = m.id ORDER BY m.id, c.seq");
        if (!select || !BindFilter(select.get(), filter))
            return fail();
        childStep.push_back(noted(sqlite3_step(select.get())));
        childSelects.push_back(std::move(select));
    }

    long count = 0;
    Statement select = Prepare(db.get(), std::string("SELECT id, ") + ColumnList(tableSpec.columns) + " FROM " +
                                             tableSpec.table + " WHERE " + filter.where + " ORDER BY id");
    if (!select || !BindFilter(select.get(), filter))
        return fail();
    int rc;
    // The rows of one record are read into the storage of the one before
    // (the taker reads them and keeps nothing of them).
    RecordRows rows;
    rows.children.resize(tableSpec.children.size());
    while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
        const std::int64_t key = sqlite3_column_int64(select.get(), 0);
        ReadRow(select.get(), tableSpec.columns.size(), rows.fields);
        for (std::size_t c = 0; c < childSelects.size(); ++c) {
            sqlite3_stmt* child = childSelects[c].get();
            const std::size_t width = tableSpec.children[c].columns.size();
            std::vector<Row>& entries = rows.children[c];
            std::size_t used = 0;
            // Entries of records that are not read (none, as both selects
            // share the filter) are passed over.
            while (childStep[c] == SQLITE_ROW && sqlite3_column_int64(child, 0) <= key) {
                if (sqlite3_column_int64(child, 0) == key) {
                    if (used == entries.size())
                        entries.emplace_back();
                    ReadRow(child, width, entries[used++]);
                }
                childStep[c] = noted(sqlite3_step(child));
            }
            entries.resize(used);
        }
        take(key, rows);
        ++count;
    }
    if (rc != SQLITE_DONE)
        return fail();
    select.reset();
    for (std::size_t c = 0; c < childSelects.size(); ++c)
        if (childStep[c] != SQLITE_ROW && childStep[c] != SQLITE_DONE)
            return fail();
    childSelects.clear();
    if (!transaction.Commit())
        return fail();
    return count;
}

struct WriteSession::Impl {
    Connection db;
    std::optional<Transaction> transaction;
    WriteStatements statements;
    /// The import this save belongs to, if one is being recorded.
    std::shared_ptr<RecordingState> recording;
    std::int64_t firstNewKey = 0;       ///< the key of the save's first new record
    std::vector<std::int64_t> updated;  ///< keys of the records the save changed
};

WriteSession::WriteSession(const TableSpec& tableSpec, std::optional<int> profile)
    : m_spec(tableSpec), m_profile(profile), m_impl(std::make_unique<Impl>())
{
    m_impl->recording = ActiveRecording();
}

// The statements go before the transaction ends, rolled back or not.
WriteSession::~WriteSession()
{
    m_impl->statements = WriteStatements();
    m_impl->transaction.reset();
}

long WriteSession::Begin()
{
    t_failure = StoreFailure();
    m_impl->db = OpenStore();
    if (!m_impl->db)
        return STOREERR_OPEN;
    // A kind whose only foreign keys are its sub-entries' owners writes
    // those owners itself, in this transaction, just before their entries:
    // checking each entry's owner again cost a third of a contact save.
    // Links, whose ids come from the caller, are always checked.
    if (!m_spec.foreignKeys && !Execute(m_impl->db.get(), "PRAGMA foreign_keys = OFF")) {
        NoteFailure(m_impl->db.get());
        return STOREERR_WRITE;
    }
    m_impl->transaction.emplace(m_impl->db.get());
    if (!m_impl->transaction->Begin("BEGIN IMMEDIATE") ||
        !PrepareWrites(m_impl->db.get(), m_spec, m_profile, m_impl->statements)) {
        NoteFailure(m_impl->db.get());
        return STOREERR_WRITE;
    }
    m_impl->firstNewKey = m_impl->statements.nextKey;
    return 0;
}

bool WriteSession::Write(RecordRows& rows, std::int64_t& key)
{
    const bool update = key != 0;
    if (WriteOne(m_spec, m_impl->statements, rows, key)) {
        if (update)
            m_impl->updated.push_back(key);
        return true;
    }
    NoteFailure(m_impl->db.get());
    return false;
}

long WriteSession::Commit()
{
    if (!FlushAll(m_impl->statements)) {
        NoteFailure(m_impl->db.get());
        return STOREERR_WRITE;
    }
    // The history is written in the save's own transaction: it names the
    // new records of an import (ImportRecording) and the records of earlier
    // imports that this save changed, so that undoing one knows both.
    sqlite3* db = m_impl->db.get();
    const std::int64_t lastNewKey = m_impl->statements.nextKey - 1;
    std::int64_t madeEntry = 0;
    if (m_impl->recording && lastNewKey >= m_impl->firstNewKey &&
        !RecordAdded(db, *m_impl->recording, m_spec.table, m_impl->firstNewKey, lastNewKey, madeEntry))
        return STOREERR_WRITE;
    if (!RecordUpdated(db, m_spec.table, m_impl->updated))
        return STOREERR_WRITE;
    m_impl->statements = WriteStatements();
    if (m_impl->transaction->Commit()) {
        if (m_impl->recording)
            RecordingCommitted(*m_impl->recording, madeEntry);
        return 0;
    }
    NoteFailure(db);
    return STOREERR_WRITE;
}

} // namespace varno::store
