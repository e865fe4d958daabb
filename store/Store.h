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

/// Why the last load or save of the calling thread failed, for hosts that
/// tell their users; loads and saves return their results as before. Each
/// load and save starts with an empty one, so after one that worked `code`
/// is 0.
struct StoreFailure {
    /// SQLite's extended result code (SQLITE_FULL, SQLITE_READONLY, ...);
    /// SQLITE_NOTADB also for a database that is not a store of ours.
    int code = 0;
    int systemError = 0;  ///< the errno SQLite saw, when it saw one
    bool notOurs = false; ///< a database, but not a store of ours
    std::string message;  ///< SQLite's words
};
[[nodiscard]] VARNO_DATA_EXPORT StoreFailure GetLastStoreFailure();

/// Names the database file that every load and save works on. A path that
/// starts with "file:" is taken as an SQLite URI, so "file:/x/store.db?mode=ro"
/// opens the store read-only. An empty path goes back to the default.
/// The first load or save on a missing or empty (0-byte) file creates the
/// store there; any other file that is not a store of ours is never written.
VARNO_DATA_EXPORT void SetStorePath(const CString& path);

/// The database file in use: the path given to SetStorePath, or else the
/// default, $XDG_DATA_HOME/varno/store.db when XDG_DATA_HOME is set to an
/// absolute path, otherwise ~/.local/share/varno/store.db. The folder of the
/// default path is created when the store is first opened; the folder of a
/// path given by the host must exist.
[[nodiscard]] VARNO_DATA_EXPORT CString GetStorePath();

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
