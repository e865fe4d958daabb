// The store's SQLite handles and the few calls every part of the store that
// talks to SQLite shares: connections and statements as RAII handles, a
// transaction that rolls back unless committed, and the opening of a store
// that has been checked to be ours. Internal to the library; only store/
// includes it.
#pragma once

#include "store/Store.h"

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace varno::store {

struct ConnectionCloser {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

/// The statement, or null when SQLite refuses it.
Statement Prepare(sqlite3* db, const std::string& sql);

/// Runs a statement that takes no parameters, ignoring any rows it gives.
bool Execute(sqlite3* db, const std::string& sql);

/// Rolls back on destruction unless committed.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : m_db(db) {}
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction()
    {
        if (m_open)
            Execute(m_db, "ROLLBACK");
    }
    bool Begin(const char* sql)
    {
        m_open = Execute(m_db, sql);
        return m_open;
    }
    bool Commit()
    {
        if (!Execute(m_db, "COMMIT"))
            return false; // the destructor rolls back
        m_open = false;
        return true;
    }

private:
    sqlite3* m_db;
    bool m_open = false;
};

/// A connection to the store at StorePathForOpening(), checked and, where
/// needed, created or migrated; null after noting why not (LastFailure).
/// Starts the calling thread's failure afresh.
Connection OpenStore();

/// Writes down why `db` failed as the calling thread's failure, unless one
/// is written down already.
void NoteFailure(sqlite3* db);
/// Writes down a cause the store found itself, likewise.
void NoteOwnFailure(StoreCause cause, std::string message);

struct SchemaVersions;

/// How the schema of `db` differs from the schema of `version` as
/// `versions` make it: one line per difference ("trigger \"x\" on table
/// calendar is not ours"), none when it is exactly that. Only reads `db`.
/// False after noting why when SQLite fails.
bool SchemaDifferences(sqlite3* db, const SchemaVersions& versions, std::int64_t version,
                       std::vector<std::string>& differences);

/// The import being recorded (ImportRecording), shared by its saves.
struct RecordingState;

/// The import being recorded now, or null. A save takes it when it is made.
std::shared_ptr<RecordingState> ActiveRecording();

/// Within a save's transaction on `db`: names the keys `first` to `last` of
/// `table` as added by the import, making its entry when this save is its
/// first. `madeEntry` receives the id of an entry made here (else 0), for
/// RecordingCommitted once the save has committed. False after noting why.
bool RecordAdded(sqlite3* db, RecordingState& recording, const char* table, std::int64_t first,
                 std::int64_t last, std::int64_t& madeEntry);
/// The save that made entry `madeEntry` (0: none) has committed.
void RecordingCommitted(RecordingState& recording, std::int64_t madeEntry);

/// Within a save's transaction on `db`: notes that the save changed the
/// records `keys` of `table`, for the imports that added them. A store
/// without a history (a schema of a test) notes nothing. False after
/// noting why.
bool RecordUpdated(sqlite3* db, const char* table, const std::vector<std::int64_t>& keys);

} // namespace varno::store
