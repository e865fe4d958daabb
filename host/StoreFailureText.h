// The words a person reads for a failed load or save of the store.
#pragma once

#include "host/varnohost_export.h"
#include "store/Store.h"

#include <string>

namespace varno::host {

/// Why the store failed and what to do about it, for "cannot read the store
/// FILE: ..." and the like: one text per cause, with the store's detail
/// (SQLite's words, the errno) where it helps. Only an unclassified cause
/// (StoreCause::Other) quotes SQLite as such.
[[nodiscard]] VARNO_HOST_EXPORT std::string DescribeStoreFailure(const StoreFailure& failure);

} // namespace varno::host
