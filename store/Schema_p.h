// The store's database schema: the tables of every record kind and the
// statements that create them. Internal to the library.
#pragma once

#include "store/Database_p.h"

#include <cstdint>

namespace varno::store {

/// PRAGMA user_version of a store made by this code. A file with another
/// non-zero version (a newer store) is not opened.
constexpr std::int64_t kSchemaVersion = 1;

/// The statements that create the schema of version kSchemaVersion, in order.
const std::vector<const char*>& SchemaStatements();

const TableSpec& CalendarTable();
const TableSpec& ContactTable();
const TableSpec& ContactGroupTable();
const TableSpec& ContactGroupPairTable();
const TableSpec& MessageTable();
const TableSpec& EmailTable();

} // namespace varno::store
