// The store's persistence, shared by every collection: records as rows of
// values, the description of a record kind's tables, and the generic load
// and save of a collection. Internal to the library.
//
// A record kind is one main table (id, profile when the kind has one, then
// its fields) and any number of child tables for its sub-entries (owner id,
// position, then the entry's fields), the position keeping the entries'
// order. Every SQL statement is made from the constant names below and takes
// record values only as bound parameters.
#pragma once

#include "store/RecordCollection.h"
#include "store/RecordState.h"
#include "store/Store.h"

#include "platform/COleDateTime.h"
#include "platform/CString.h"
#include "platform/Progress.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace varno::store {

/// One stored value: NULL, an integer, a real or a text (UTF-8).
using Value = std::variant<std::monostate, std::int64_t, double, std::string>;
using Row = std::vector<Value>;

/// A record as rows: its main-table fields and, per child table, its
/// sub-entries in order.
struct RecordRows {
    Row fields;
    std::vector<std::vector<Row>> children;
};

/// Appends values to a row, in column order.
class RowWriter {
public:
    // Rows are short and written once: room for the widest record kind up
    // front saves the repeated growth of a vector of variants.
    explicit RowWriter(Row& row) : m_row(row) { m_row.reserve(kTypicalRowWidth); }
    static constexpr std::size_t kTypicalRowWidth = 24;
    RowWriter& Int(std::int64_t value);
    RowWriter& Text(const CString& value);
    /// Two columns: the day count (NULL for NaN, which SQLite cannot keep as
    /// a real) and the status.
    RowWriter& Date(const COleDateTime& value);

private:
    Row& m_row;
};

/// Reads values from a row in the order a RowWriter wrote them. A value that
/// is missing or of another kind reads as 0, "" or a NaN day.
class RowReader {
public:
    explicit RowReader(const Row& row) : m_row(row) {}
    std::int64_t Int();
    CString Text();
    COleDateTimeNull Date();

private:
    const Value* Next();

    const Row& m_row;
    std::size_t m_next = 0;
};

/// A 64-bit digest of a record's rows, kept from the last load or save and
/// compared on the next save to find what changed. Never 0.
std::uint64_t Digest(const RecordRows& rows);

/// One column of a table: its name and its SQL type with its constraints.
struct ColumnSpec {
    std::string name;
    std::string type; ///< e.g. "TEXT NOT NULL"
};

/// A child table: keyed by (owner column, seq), seq being the entry's
/// position among its owner's entries, then the entry's columns.
struct ChildSpec {
    const char* table;
    const char* ownerColumn; ///< names its owner's id; deleting the owner deletes its entries
    std::vector<ColumnSpec> columns;
};

/// An index of a main table: its name and its columns in SQL, "a, b".
struct IndexSpec {
    const char* name;
    const char* columns;
};

/// A record kind's tables, as the schema declares them: the main table
/// (id, profile when the kind has one, then the columns), its child tables
/// and indexes. The store's CREATE statements are made from it, and every
/// load and save reads and writes its columns in this order.
struct TableSpec {
    const char* table;
    bool hasProfile;
    std::vector<ColumnSpec> columns;
    std::vector<ChildSpec> children;
    std::vector<IndexSpec> indexes;
    /// Whether a save checks the kind's foreign keys: needed where they name
    /// records of other kinds (links); sub-entries' owners are written by
    /// the save itself.
    bool foreignKeys = false;
};

/// A WHERE condition on the main table, made of constant SQL with numbered
/// parameters ?1, ?2 ... that take `args` in order.
struct Filter {
    const char* where;
    std::vector<std::int64_t> args;
};

/// Reads the records of `tableSpec` that pass `filter`, in key order, handing
/// each to `take` (its key and rows) as soon as it is read, so a load never
/// holds the rows of all records at once. Returns the count, or
/// STOREERR_OPEN (records already handed over must then be discarded).
long ReadRecords(const TableSpec& tableSpec, const Filter& filter,
                 const std::function<void(std::int64_t key, RecordRows& rows)>& take);

/// One save: a write transaction on the store with its statements prepared
/// once. Records are written one by one; nothing is kept until Commit, and a
/// session that ends without committing rolls back.
class WriteSession {
public:
    WriteSession(const TableSpec& tableSpec, std::optional<int> profile);
    WriteSession(const WriteSession&) = delete;
    WriteSession& operator=(const WriteSession&) = delete;
    ~WriteSession();

    /// Opens the store and starts the transaction: 0 or a StoreError.
    long Begin();
    /// Inserts (key 0; the new key is put into `key`) or updates one record.
    /// Takes the sub-entry rows out of `rows`; they may reach the database
    /// only at Commit.
    bool Write(RecordRows& rows, std::int64_t& key);
    /// 0 when the whole save committed, else STOREERR_WRITE.
    long Commit();

private:
    struct Impl;
    const TableSpec& m_spec;
    std::optional<int> m_profile;
    std::unique_ptr<Impl> m_impl;
};

/// The cause of the calling thread's last failed load or save.
StoreFailure LastFailure();

/// The cause of a failure that SQLite reported with the extended result
/// code `code`, having seen the errno `systemError` (0: none). Exported only
/// for the store's tests.
[[nodiscard]] VARNO_DATA_EXPORT StoreCause CauseOfSqliteFailure(int code, int systemError);

/// The database file to open, UTF-8; the default folder is created on the way.
std::string StorePathForOpening();

/// Appends the records that pass `filter` to `into`, handing them over in
/// windows when the collection asks for that (SetLoadWindow). `Kind` gives
/// the record's table (Table), its rows (ToRows, FromRows), its id (SetId)
/// and its state (State).
template <class Record, class Kind>
long LoadCollection(CRecordCollection& into, const Filter& filter, std::optional<int> profile)
{
    const int before = into.GetSize();
    const CRecordCollection::LoadWindow& window = into.GetLoadWindow();
    const bool windowed = window.records > 0 && window.take;
    int inWindow = 0;
    long result = ReadRecords(Kind::Table(), filter, [&](std::int64_t key, RecordRows& rows) {
        auto record = std::make_unique<Record>();
        Kind::FromRows(*record, rows);
        Kind::SetId(*record, static_cast<std::uint32_t>(key));
        // The digest of the rows as read: a later save compares it with the
        // record's rows and writes the record only when they differ. A value
        // stored in another form than the record writes it (by another
        // program) makes an unchanged record look changed, which costs a
        // needless write and nothing else. A load in windows is for reading
        // and takes no digest: a record without one is written by any save.
        Kind::State(*record) = RecordState{key, profile.value_or(0), windowed ? 0 : Digest(rows)};
        into.Add(record.get());
        record.release();
        if (windowed && ++inWindow == window.records) {
            inWindow = 0;
            window.take();
        }
    });
    if (result < 0) { // a load that fails appends nothing (to what is still held)
        while (into.GetSize() > before)
            into.Delete(into.GetSize() - 1);
    } else if (windowed && inWindow > 0) {
        window.take();
    }
    return result;
}

/// Writes the new and changed records of `from` (objects of other classes
/// are passed over) into `session`. Each record written is added to `saved`
/// with the key and digest it gets once the transaction commits. False when
/// a write failed.
struct SavedRecord {
    CObject* record;
    std::int64_t key;
    std::uint64_t digest;
};
template <class Record, class Kind>
bool WriteChanged(CRecordCollection& from, WriteSession& session, std::optional<int> profile,
                  std::vector<SavedRecord>& saved)
{
    const int count = from.GetSize();
    for (int i = 0; i < count; ++i) {
        auto* record = dynamic_cast<Record*>(from.CObArray::GetAt(i));
        if (!record)
            continue;
        RecordRows rows = Kind::ToRows(*record);
        const std::uint64_t digest = Digest(rows);
        const RecordState& state = Kind::State(*record);
        const bool moved = profile && state.profile != *profile;
        if (state.key != 0 && !moved && state.digest == digest)
            continue;
        std::int64_t key = state.key;
        if (!session.Write(rows, key))
            return false;
        saved.push_back(SavedRecord{record, key, digest});
        // done == count is reported only once the save has committed, so a
        // host can tell a finished save from one still running.
        if ((i + 1) % kProgressEvery == 0 && i + 1 < count)
            ReportProgress(ProgressStage::Saving, i + 1, count);
    }
    return true;
}

/// Gives the records written their ids and states.
template <class Record, class Kind>
void ApplySaved(const std::vector<SavedRecord>& saved, std::optional<int> profile)
{
    for (const SavedRecord& item : saved) {
        auto& record = static_cast<Record&>(*item.record);
        Kind::SetId(record, static_cast<std::uint32_t>(item.key));
        Kind::State(record) = RecordState{item.key, profile.value_or(0), item.digest};
    }
}

/// Saves the new and changed records of `from`; see the collections'
/// SaveToDB. Ids and states change only once the save has committed.
template <class Record, class Kind>
long SaveCollection(CRecordCollection& from, std::optional<int> profile)
{
    std::vector<SavedRecord> saved;
    WriteSession session(Kind::Table(), profile);
    if (long begun = session.Begin(); begun < 0)
        return begun;
    if (!WriteChanged<Record, Kind>(from, session, profile, saved))
        return STOREERR_WRITE;
    if (long committed = session.Commit(); committed < 0)
        return committed;
    ReportProgress(ProgressStage::Saving, from.GetSize(), from.GetSize());
    ApplySaved<Record, Kind>(saved, profile);
    return static_cast<long>(saved.size());
}

/// Makes `failure` the calling thread's last failure (GetLastStoreFailure).
void RestoreFailure(const StoreFailure& failure);

/// A save in batches (CRecordCollection::SaveBatch and EndSave).
class BatchWriter {
public:
    virtual ~BatchWriter() = default;
    /// Why Begin or a Write failed. Batches may run on other threads than
    /// the one that ends the save, so EndSave hands this to its caller's.
    StoreFailure failure;
    /// Starts the transaction: 0 or a StoreError.
    virtual long Begin() = 0;
    /// Writes the collection's new and changed records and gives them their
    /// ids: how many, or STOREERR_WRITE.
    virtual long Write(CRecordCollection& from) = 0;
    /// 0, or STOREERR_WRITE when the commit failed.
    virtual long Commit() = 0;
};

template <class Record, class Kind>
class BatchWriterOf final : public BatchWriter {
public:
    explicit BatchWriterOf(std::optional<int> profile) : m_profile(profile), m_session(Kind::Table(), profile) {}
    long Begin() override { return m_session.Begin(); }
    long Write(CRecordCollection& from) override
    {
        std::vector<SavedRecord> saved;
        if (!WriteChanged<Record, Kind>(from, m_session, m_profile, saved))
            return STOREERR_WRITE;
        ApplySaved<Record, Kind>(saved, m_profile);
        return static_cast<long>(saved.size());
    }
    long Commit() override { return m_session.Commit(); }

private:
    std::optional<int> m_profile;
    WriteSession m_session;
};

} // namespace varno::store
