// The store as a whole: where its database file lives, the result codes of
// loads and saves, and the two conversions that go with its records (UTC and
// local time, calendar and database priorities).
//
// Records hold their dates in UTC; files and users see local time. Both
// conversions use the C library's idea of local time, so the TZ environment
// variable decides.
#pragma once

#include "store/varnodatamgr_export.h"

#include "platform/COleDateTime.h"
#include "platform/CString.h"

#include <string>

/// Negative results of OpenFromDB and SaveToDB. A load or save that works
/// returns the number of records loaded or written, 0 or more.
enum StoreError : long {
    /// The store cannot be opened or read: the file is not a database, not
    /// ours, of a newer schema, or cannot be created.
    STOREERR_OPEN = -1,
    /// A write failed (read-only store, a broken link, a lock held for too
    /// long, ...). The transaction was rolled back: nothing was written.
    STOREERR_WRITE = -2,
};

/// How long a load or save waits for another process that holds the store
/// before it gives up as busy.
constexpr int kStoreBusyTimeoutMs = 10000;

/// Why a load or save failed, as the store sees it. SQLite's result codes
/// and the errno it saw decide most causes; the store finds the others
/// itself (those with no SQLite code below).
enum class StoreCause {
    None,          ///< no failure: the last load or save worked
    Busy,          ///< another connection held the store past the busy timeout (SQLITE_BUSY, SQLITE_LOCKED)
    DiskFull,      ///< no room on the disk (SQLITE_FULL, or the errno ENOSPC or EDQUOT)
    FileTooLarge,  ///< the file reached the process's size limit for files (the errno EFBIG)
    WriteCutShort, ///< a write came back short with no errno (SQLITE_IOERR_WRITE, _FSYNC, _TRUNCATE,
                   ///< _SHMSIZE): most likely a full disk or the size limit for files
    ReadOnly,      ///< the file, its folder or its disk cannot be written (SQLITE_READONLY)
    Permission,    ///< the file or its folder may not be opened (SQLITE_PERM, SQLITE_AUTH, the errno EACCES or EPERM)
    CannotOpen,    ///< the file cannot be opened or created, e.g. its folder is missing (SQLITE_CANTOPEN)
    IO,            ///< any other error reading or writing the file (SQLITE_IOERR)
    NotAStore,     ///< not a database (SQLITE_NOTADB), or a database that is not a store of ours
    NewerSchema,   ///< a store of a newer schema version than this library reads; `message` names both
    SchemaChanged, ///< a store of ours whose tables, columns, indexes, triggers or views differ from those of
                   ///< its version (someone else changed them); `message` names the differences
    Corrupt,       ///< the database is damaged (SQLITE_CORRUPT)
    Constraint,    ///< a record broke a rule of the tables, e.g. a link to a record not stored (SQLITE_CONSTRAINT)
    TooBig,        ///< a value is larger than SQLite keeps (SQLITE_TOOBIG)
    OutOfMemory,   ///< SQLite could not get memory (SQLITE_NOMEM)
    RecordGone,    ///< a record to update is no longer stored (another program deleted it since it was loaded)
    OutOfKeys,     ///< every record id of the kind has been given (ids stay below 2^31)
    Other,         ///< anything else: `message` holds SQLite's words (or, with no SQLite code, the store's)
};

/// Why the last load or save of the calling thread failed, for hosts that
/// tell their users; loads and saves return their results as before. Each
/// load and save starts with an empty one, so after one that worked `cause`
/// is None.
struct StoreFailure {
    StoreCause cause = StoreCause::None;
    /// Detail: SQLite's extended result code when SQLite reported the
    /// failure, else 0 (causes the store finds itself).
    int sqliteCode = 0;
    int systemError = 0;  ///< detail: the errno SQLite saw, when it saw one
    std::string message;  ///< SQLite's words, or the store's own for a cause it found itself
};
[[nodiscard]] VARNO_DATA_EXPORT StoreFailure GetLastStoreFailure();

/// Names the database file that every load and save works on. A path that
/// starts with "file:" is taken as an SQLite URI, so "file:/x/store.db?mode=ro"
/// opens the store read-only. An empty path goes back to the default.
/// The first load or save on a missing or empty (0-byte) file creates the
/// store there, and the first on a store of an older schema version migrates
/// it; a store of a newer version (StoreCause::NewerSchema), one whose
/// schema someone changed (StoreCause::SchemaChanged) and any other file
/// that is not a store of ours (StoreCause::NotAStore) are never written.
/// A store file the store creates is readable and writable by its owner
/// alone (0600, as are its -wal and -shm files), whatever the umask.
VARNO_DATA_EXPORT void SetStorePath(const CString& path);

/// The database file in use: the path given to SetStorePath, or else the
/// default, $XDG_DATA_HOME/varno/store.db when XDG_DATA_HOME is set to an
/// absolute path, otherwise ~/.local/share/varno/store.db. The folder of the
/// default path is created (0700, see CreatePrivateFolders) when the store
/// is first opened; the folder of a path given by the host must exist.
[[nodiscard]] VARNO_DATA_EXPORT CString GetStorePath();

/// Creates `folder` and the missing folders above it, each private to its
/// owner (0700, whatever the umask), as the store's default folder is made:
/// what a store holds is for its owner alone. Folders that exist keep their
/// modes. False, with errno set, when one cannot be made.
[[nodiscard]] VARNO_DATA_EXPORT bool CreatePrivateFolders(const std::string& folder);

/// Local time to UTC, to the second. A nonexistent local time (in the gap of
/// a clock change) is read as mktime reads it; an ambiguous one (in the
/// overlap) as mktime chooses. Null and invalid values come back unchanged;
/// a valid value that cannot be converted comes back with status invalid.
[[nodiscard]] VARNO_DATA_EXPORT COleDateTime Local2Utc(COleDateTime local);
/// UTC to local time, to the second; otherwise as Local2Utc.
[[nodiscard]] VARNO_DATA_EXPORT COleDateTime Utc2Local(COleDateTime utc);

/// Calendar-side priority (1 high, 2 medium, 3 low) to the number the
/// database and the files keep (1 high, 5 medium, 9 low, the 1-to-9 scale of
/// calendar exchange formats). Any other calendar value gives 0, "no
/// priority".
[[nodiscard]] VARNO_DATA_EXPORT unsigned long ConvertPriority_Calendar2DB(int priority);
/// Database priority to the calendar side: 1 to 4 give 1 (high), 5 gives 2
/// (medium), 6 to 9 give 3 (low); 0 and anything above 9 give 0, "no
/// priority". Inverts ConvertPriority_Calendar2DB on 1, 2, 3 (and on 0).
[[nodiscard]] VARNO_DATA_EXPORT int ConvertPriority_DB2Calendar(unsigned long priority);
