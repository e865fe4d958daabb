#include "host/StoreFailureText.h"

#include <sys/resource.h>

#include <cstring>

namespace varno::host {

namespace {

/// ", or the size limit for files ... was reached" when the process has one.
std::string FileSizeLimit()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return {};
    return ", or the size limit for files (ulimit -f, " + std::to_string(limit.rlim_cur) + " bytes) was reached";
}

std::string SystemError(int error)
{
    return error ? ": " + std::string(std::strerror(error)) : std::string();
}

} // namespace

std::string DescribeStoreFailure(const StoreFailure& failure)
{
    const std::string& said = failure.message;
    switch (failure.cause) {
    case StoreCause::None: return "the store names no cause";
    case StoreCause::Busy:
        return "busy: another program held the store for " + std::to_string(kStoreBusyTimeoutMs / 1000) +
               " seconds (another import?); try again when it has finished";
    case StoreCause::DiskFull: return "disk full: free some space on its disk and try again";
    case StoreCause::FileTooLarge:
        return "file too large: the size limit for files (ulimit -f) was reached; raise it and try again";
    case StoreCause::WriteCutShort:
        // No errno tells which of the two it was; name both.
        return "a write failed (" + said + "): the disk is probably full" + FileSizeLimit() +
               "; free some space and try again";
    case StoreCause::ReadOnly:
        return "read-only: the file, its folder or its disk cannot be written; make it writable or use another store";
    case StoreCause::Permission: return "permission denied: you may not open it (or its folder); check its permissions";
    case StoreCause::CannotOpen: return "it cannot be opened" + SystemError(failure.systemError);
    case StoreCause::IO:
        return "it could not be read or written (" + said + SystemError(failure.systemError) + "); check its disk";
    case StoreCause::NotAStore: return "not a database (or not a store of ours): name another file with --store";
    case StoreCause::NewerSchema: return "a store of a newer version (" + said + "): use a newer varnocsv";
    case StoreCause::SchemaChanged:
        return "its schema is not this version's (" + said + "): it was left untouched; restore it from a copy, "
               "or name another file with --store";
    case StoreCause::Corrupt:
        return "it is damaged (" + said + "): restore it from a copy, or name another file with --store";
    case StoreCause::Constraint:
        return "a record was refused by a rule of the store (" + said + "), such as a link to a record it does not "
               "hold";
    case StoreCause::TooBig: return "a value is too large for the store (" + said + ")";
    case StoreCause::OutOfMemory: return "out of memory: close other programs and try again";
    case StoreCause::RecordGone:
        return "a record to update is no longer there (" + said + "): another program deleted it; try again";
    case StoreCause::OutOfKeys:
        return "it has no record ids left (" + said + "): export the records and import them into a new store";
    case StoreCause::Other: break;
    }
    return failure.sqliteCode != 0 ? "SQLite says: " + said : said;
}

} // namespace varno::host
