// Why a load or save of the store failed, in words for the person.
#pragma once

#include "host/varnohost_export.h"
#include "store/Store.h"

#include <string>

namespace varno::host {

/// The cause of `failure` and what to do about it: "disk full: free some
/// space on its disk and try again".
[[nodiscard]] VARNO_HOST_EXPORT std::string DescribeStoreFailure(const StoreFailure& failure);

} // namespace varno::host
