// What the store keeps about its imports, and what keeps a store safe: the
// history of imports and their undoing, the check of a store and its copy.
// Additions of ours beside the record collections; the collections' saves
// record an import while an ImportRecording is alive.
#pragma once

#include "platform/CStringList.h"
#include "store/varnodatamgr_export.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace varno::store {

/// An import as its history entry names it.
struct ImportInfo {
    std::string file;    ///< as the person named it, UTF-8
    std::string type;    ///< the record type's name: "contact", "memo" ...
    int profile = 0;
    std::string mapping; ///< "FIELD=COLUMN, ..." as the import was told (MappingText)
};

/// The mapping an import was told, as its history entry keeps it: "FIELD=COLUMN"
/// for each field with the column beside it, joined by ", ".
[[nodiscard]] VARNO_DATA_EXPORT std::string MappingText(const CStringList& fieldNames, const CStringList& fileColumns);

/// While one is alive, every save of new records on the thread that made it,
/// and on the threads that adopt it (ImportRecordingOnThread: the workers of
/// a pipelined import), is recorded in the store's history as part of one
/// import, in the save's own transaction:
/// the entry is made by the first save that adds records, and each save
/// adds the ids of its new records to it. An import that stores nothing
/// (refused, interrupted before its commit) leaves no entry. A recording
/// begun while another is alive records nothing: the outer one (a host
/// that knows the file by its own name) names the import.
class VARNO_DATA_EXPORT ImportRecording {
public:
    explicit ImportRecording(ImportInfo info);
    ~ImportRecording();
    ImportRecording(const ImportRecording&) = delete;
    ImportRecording& operator=(const ImportRecording&) = delete;

private:
    bool m_owner = false;
};

struct RecordingState;

/// The recording alive on this thread, or nullptr: what a thread that saves
/// for this thread's import adopts.
[[nodiscard]] VARNO_DATA_EXPORT std::shared_ptr<RecordingState> CurrentImportRecording();

/// Makes `recording` this thread's for its lifetime, then restores the one
/// before: a worker that saves for another thread's import records into it.
class VARNO_DATA_EXPORT ImportRecordingOnThread {
public:
    explicit ImportRecordingOnThread(std::shared_ptr<RecordingState> recording);
    ~ImportRecordingOnThread();
    ImportRecordingOnThread(const ImportRecordingOnThread&) = delete;
    ImportRecordingOnThread& operator=(const ImportRecordingOnThread&) = delete;

private:
    std::shared_ptr<RecordingState> m_previous;
};

/// One entry of the history.
struct HistoryEntry {
    std::int64_t id = 0;
    std::string time; ///< when its first records were saved, UTC, "2026-12-06T04:07:27Z"
    ImportInfo import;
    std::int64_t records = 0; ///< records added (not counting groups and links)
    std::int64_t groups = 0;  ///< contact groups it created
    std::string undone;       ///< when it was undone, UTC; empty when it was not
};

/// Reads the history, newest first, into `entries`: their number, or
/// STOREERR_OPEN (the cause: GetLastStoreFailure).
[[nodiscard]] VARNO_DATA_EXPORT long ReadHistory(std::vector<HistoryEntry>& entries);

struct UndoResult {
    enum class Outcome {
        Undone,        ///< the import's records are gone
        NothingToUndo, ///< no import is left to undo
        NoSuchImport,  ///< no import has that id
        AlreadyUndone, ///< the import was undone before (entry.undone says when)
        ChangedSince,  ///< records were changed since; `changed` names them, nothing was removed
        Failed,        ///< the store stood in the way (GetLastStoreFailure); nothing was removed
    };
    Outcome outcome = Outcome::Failed;
    HistoryEntry entry;             ///< the import (for every outcome but NothingToUndo, NoSuchImport, Failed)
    std::int64_t records = 0;       ///< records removed, with their sub-entries
    std::int64_t links = 0;         ///< links of contacts to groups removed that the import made
    std::int64_t groups = 0;        ///< groups removed that the import created
    std::int64_t groupsKept = 0;    ///< groups it created that other contacts use, kept
    std::vector<std::string> changed; ///< "contact 12 was updated since", "contact 12 was linked to group 3 since"
};

/// Undoes import `id` (none: the newest not undone) in one transaction:
/// removes the records it added with their sub-entries, the links it made
/// and the groups it created that no other link uses, and marks it undone.
/// A record of it changed since (updated by a save, or linked to a group by
/// a later import or a host) stops the undo unless `force`, which removes
/// it anyway, with the later links.
[[nodiscard]] VARNO_DATA_EXPORT UndoResult UndoImport(std::optional<std::int64_t> id, bool force);

/// What a check of the store found.
struct CheckResult {
    bool sound = false;
    std::int64_t version = 0;          ///< the store's schema version
    std::vector<std::string> problems; ///< SQLite's integrity check, broken links, schema differences
};

/// Checks the store without writing it: SQLite's integrity check, the
/// links, and its schema against that of its version. False (the cause:
/// GetLastStoreFailure) when it cannot be read at all: a file that is not
/// a database, or one damaged past reading, is `problems` then.
[[nodiscard]] VARNO_DATA_EXPORT bool CheckStore(CheckResult& result);

/// Copies the store to `target` with SQLite's online backup: the copy is
/// the store as one committed state, even while another process saves.
/// It is written to a temporary file beside `target` (created 0600;
/// `onTemporary` hears its path, then nullptr once it is gone or in place)
/// and renamed over `target` once complete. 0, or STOREERR_OPEN when the
/// store cannot be read, STOREERR_WRITE when the copy cannot be written.
[[nodiscard]] VARNO_DATA_EXPORT long BackupStore(const std::string& target,
                                                 const std::function<void(const char* path)>& onTemporary = {});

} // namespace varno::store
