// The words a user reads for a failed load or save of the store.
#pragma once

#include "store/Store.h"

#include <string>

namespace varno::cli {

/// Why the store failed and what to do about it, for "cannot read the store
/// FILE: ..." and the like: one text per cause, with the store's detail
/// (SQLite's words, the errno) where it helps. Only an unclassified cause
/// (StoreCause::Other) quotes SQLite as such.
[[nodiscard]] std::string DescribeStoreFailure(const StoreFailure& failure);

} // namespace varno::cli
