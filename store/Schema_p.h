// The store's database schema, declared once: each record kind's tables as a
// TableSpec, from which the statements that create them are made. Internal
// to the library.
#pragma once

#include "store/Database_p.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace varno::store {

/// PRAGMA application_id of every store made or migrated by this code
/// ("VRNO"): it tells a store of ours, of any version, from another
/// program's database.
constexpr std::int32_t kApplicationId = 0x56524E4F;

/// The main tables of every store of version 1, as a list for SQL's IN. A
/// store of version 1 made before stores carried kApplicationId is known by
/// them.
constexpr const char* kVersion1Tables =
    "'calendar', 'contact', 'contact_group', 'contact_group_pair', 'message', 'email'";
constexpr int kVersion1TableCount = 6;

/// One step of the schema, from version N to N + 1: statements run in
/// order, with foreign keys off, in one transaction that also raises the
/// store's user_version. The links must hold again at its end.
struct Migration {
    std::vector<std::string> statements;
};

/// The store's schema versions: the migrations in order, the first taking
/// version 1 to 2. A store made by this code is of Version(): the tables
/// that SchemaTables() declares, then what the migrations add.
struct SchemaVersions {
    std::vector<Migration> migrations;
    [[nodiscard]] std::int64_t Version() const { return 1 + static_cast<std::int64_t>(migrations.size()); }
};

/// The versions in force: the store's own, or those a test set. Exported
/// only for the store's tests.
[[nodiscard]] VARNO_DATA_EXPORT std::shared_ptr<const SchemaVersions> CurrentSchemaVersions();

/// Replaces the store's migrations with `migrations` (std::nullopt: the
/// store's own again), so that a test can migrate a store to versions of
/// its own. The tables a new store gets stay as declared. Exported only for
/// the store's tests.
VARNO_DATA_EXPORT void SetMigrationsForTesting(std::optional<std::vector<Migration>> migrations);

/// Every record kind's tables, in the order they are created.
const std::vector<const TableSpec*>& SchemaTables();

/// The statements that create the schema of version 1 as declared, in
/// order: per kind its main table, its indexes, then its child tables.
std::vector<std::string> SchemaStatements();

/// The statements that make the schema of `version` from nothing: those of
/// version 1, then the migrations' up to `version`. A new store is made
/// with them, and the schema a store of that version must have exactly is
/// made with them in memory.
std::vector<std::string> VersionStatements(const SchemaVersions& versions, std::int64_t version);

const TableSpec& CalendarTable();
const TableSpec& ContactTable();
const TableSpec& ContactGroupTable();
const TableSpec& ContactGroupPairTable();
const TableSpec& MessageTable();
const TableSpec& EmailTable();

} // namespace varno::store
