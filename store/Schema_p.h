// The store's database schema, declared once: each record kind's tables as a
// TableSpec, from which the statements that create them are made. Internal
// to the library.
#pragma once

#include "store/Database_p.h"

#include <cstdint>
#include <string>
#include <vector>

namespace varno::store {

/// PRAGMA user_version of a store made by this code. A file with another
/// non-zero version (a newer store) is not opened.
constexpr std::int64_t kSchemaVersion = 1;

/// Every record kind's tables, in the order they are created.
const std::vector<const TableSpec*>& SchemaTables();

/// The statements that create the schema of version kSchemaVersion, in
/// order: per kind its main table, its indexes, then its child tables.
std::vector<std::string> SchemaStatements();

const TableSpec& CalendarTable();
const TableSpec& ContactTable();
const TableSpec& ContactGroupTable();
const TableSpec& ContactGroupPairTable();
const TableSpec& MessageTable();
const TableSpec& EmailTable();

} // namespace varno::store
