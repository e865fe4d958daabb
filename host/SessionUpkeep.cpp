// A session's upkeep of its store: the history of imports, their undoing,
// the check and the copy. The store does the work; here its outcomes
// become words for the person, each with what became of the store.
#include "host/Session.h"

#include "host/StoreFailureText.h"
#include "store/Store.h"

namespace varno::host {

namespace {

[[noreturn]] void Refuse(const std::string& message)
{
    throw Error(Error::Kind::Refused, message);
}

} // namespace

std::vector<store::HistoryEntry> Session::History()
{
    RequireStore();
    std::vector<store::HistoryEntry> entries;
    if (store::ReadHistory(entries) < 0)
        StoreFailed("read");
    return entries;
}

store::UndoResult Session::Undo(std::optional<std::int64_t> id, bool force)
{
    RequireStore();
    using Outcome = store::UndoResult::Outcome;
    store::UndoResult result = store::UndoImport(id, force);
    const std::string which = id ? "import " + std::to_string(*id) : std::string();
    switch (result.outcome) {
    case Outcome::Undone:
    case Outcome::ChangedSince:
        return result;
    case Outcome::NothingToUndo:
        Refuse("nothing to undo: the store " + m_store + " records no import that is not undone");
    case Outcome::NoSuchImport:
        Refuse("the store " + m_store + " records no " + which + "; \"varnocsv history\" lists the imports");
    case Outcome::AlreadyUndone:
        Refuse(which + " was undone already, at " + result.entry.undone + "; nothing was removed");
    case Outcome::Failed:
        break;
    }
    Refuse("cannot undo in the store " + m_store + ": " + DescribeStoreFailure(GetLastStoreFailure()) +
           "; nothing was removed");
}

store::CheckResult Session::Check()
{
    RequireStore();
    store::CheckResult result;
    if (!store::CheckStore(result) && result.problems.empty())
        StoreFailed("check");
    return result;
}

void Session::Backup(const std::string& file, const std::function<void(const char* path)>& onTemporary)
{
    RequireStore();
    if (store::BackupStore(Native(file), onTemporary) < 0)
        Refuse("cannot copy the store " + m_store + " to " + file + ": " +
               DescribeStoreFailure(GetLastStoreFailure()) + "; the store is unchanged");
}

} // namespace varno::host
