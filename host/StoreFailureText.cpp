#include "host/StoreFailureText.h"

#include <sqlite3.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>

namespace varno::host {

namespace {

bool WriteFailure(int code)
{
    return code == SQLITE_IOERR_WRITE || code == SQLITE_IOERR_TRUNCATE || code == SQLITE_IOERR_SHMSIZE ||
           code == SQLITE_IOERR_FSYNC;
}

/// ", or the file-size limit ... was reached" when the process has one.
std::string FileSizeLimit()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return {};
    return ", or the size limit for files (ulimit -f, " + std::to_string(limit.rlim_cur) + " bytes) was reached";
}

} // namespace

std::string DescribeStoreFailure(const StoreFailure& failure)
{
    const int primary = failure.code & 0xFF;
    const int system = failure.systemError;
    if (failure.notOurs || primary == SQLITE_NOTADB)
        return "not a database (or not a store of ours): name another file with --store";
    if (primary == SQLITE_FULL || system == ENOSPC || system == EDQUOT)
        return "disk full: free some space on its disk and try again";
    if (system == EFBIG)
        return "file too large: the size limit for files (ulimit -f) was reached; raise it and try again";
    if (primary == SQLITE_IOERR && system == 0 && WriteFailure(failure.code))
        // SQLite keeps no errno for a write cut short; name the two causes.
        return "a write failed (" + failure.message + "): the disk is probably full" + FileSizeLimit() +
               "; free some space and try again";
    if (primary == SQLITE_READONLY)
        return "read-only: the file, its folder or its disk cannot be written; make it writable or use another "
               "store";
    if (primary == SQLITE_PERM || primary == SQLITE_AUTH || system == EACCES || system == EPERM)
        return "permission denied: you may not open it (or its folder); check its permissions";
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return "busy: another program held the store for " + std::to_string(kStoreBusyTimeoutMs / 1000) +
               " seconds (another import?); try again when it has finished";
    if (primary == SQLITE_CANTOPEN)
        return "it cannot be opened" + (system ? ": " + std::string(std::strerror(system)) : std::string());
    return "SQLite says: " + failure.message;
}

} // namespace varno::host
