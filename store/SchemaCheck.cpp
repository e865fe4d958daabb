// The schema a store holds, compared with the one its version should have.
//
// Both are described the same way, one line per thing SQLite keeps: each
// table, view and trigger; each column of a table with its declared type,
// NOT NULL, default and place in the primary key; each foreign key; each
// index with its key columns. The expected schema is made in an in-memory
// database by the very statements that make and migrate stores
// (VersionStatements), so it is never a second copy of the declaration.
// What the description leaves out: whether a table has a rowid (stores of
// version 1 have their child tables either way) and the text of CHECK
// constraints and collations of columns, which SQLite's pragmas do not show.
#include "store/Schema_p.h"
#include "store/Sqlite_p.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace varno::store {

namespace {

std::string Text(sqlite3_stmt* statement, int column)
{
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? reinterpret_cast<const char*>(text) : "NULL";
}

/// The schema of `db` as sorted lines; false when SQLite fails.
bool Describe(sqlite3* db, std::vector<std::string>& lines)
{
    // Each query gives the lines of one sort of thing, its columns joined.
    static const char* const kQueries[] = {
        "SELECT type || ' \"' || name || '\"' || CASE WHEN type = 'trigger' THEN ' on table ' || tbl_name "
        "ELSE '' END FROM sqlite_schema WHERE type IN ('table', 'view', 'trigger')",
        "SELECT 'table ' || m.name || ': column \"' || p.name || '\" ' || p.type || "
        "CASE WHEN p.\"notnull\" THEN ' not null' ELSE '' END || "
        "CASE WHEN p.dflt_value IS NULL THEN '' ELSE ' default ' || p.dflt_value END || "
        "CASE WHEN p.pk THEN ' key ' || p.pk ELSE '' END || CASE WHEN p.hidden THEN ' hidden ' || p.hidden "
        "ELSE '' END FROM sqlite_schema AS m, pragma_table_xinfo(m.name) AS p WHERE m.type = 'table'",
        "SELECT 'table ' || m.name || ': column \"' || f.\"from\" || '\" references ' || f.\"table\" || '(' || "
        "coalesce(f.\"to\", '') || ') on update ' || f.on_update || ' on delete ' || f.on_delete || ' match ' || "
        "f.\"match\" FROM sqlite_schema AS m, pragma_foreign_key_list(m.name) AS f WHERE m.type = 'table'",
        "SELECT 'table ' || m.name || ': index \"' || i.name || '\" (' || "
        "(SELECT group_concat(n, ', ') FROM (SELECT coalesce(x.name, 'an expression') || "
        "CASE WHEN x.\"desc\" THEN ' desc' ELSE '' END || ' ' || x.coll AS n "
        "FROM pragma_index_xinfo(i.name) AS x WHERE x.key = 1 ORDER BY x.seqno)) || ')' || "
        "CASE WHEN i.\"unique\" THEN ' unique' ELSE '' END || ' from ' || i.origin || "
        "CASE WHEN i.partial THEN ' partial' ELSE '' END "
        "FROM sqlite_schema AS m, pragma_index_list(m.name) AS i WHERE m.type = 'table'",
    };
    lines.clear();
    for (const char* sql : kQueries) {
        Statement statement = Prepare(db, sql);
        if (!statement)
            return false;
        int rc;
        while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW)
            lines.push_back(Text(statement.get(), 0));
        if (rc != SQLITE_DONE)
            return false;
    }
    std::sort(lines.begin(), lines.end());
    return true;
}

using Description = std::shared_ptr<const std::vector<std::string>>;

/// The description of the schema of `version`, made once per versions and
/// version; null when it cannot be made (a migration of a test that fails).
Description Expected(const SchemaVersions& versions, std::int64_t version)
{
    static std::mutex mutex;
    static std::map<std::pair<const SchemaVersions*, std::int64_t>, Description> made;
    // The versions in force stay alive while a store is open with them; a
    // test's versions may be replaced by others at the same address, so
    // every entry of another address is dropped.
    std::lock_guard lock(mutex);
    const auto key = std::make_pair(&versions, version);
    if (const auto found = made.find(key); found != made.end())
        return found->second;
    std::erase_if(made, [&](const auto& entry) { return entry.first.first != &versions; });
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Connection memory(raw);
    if (rc != SQLITE_OK)
        return nullptr;
    for (const std::string& sql : VersionStatements(versions, version))
        if (!Execute(memory.get(), sql))
            return nullptr;
    std::vector<std::string> lines;
    if (!Describe(memory.get(), lines))
        return nullptr;
    return made.emplace(key, std::make_shared<const std::vector<std::string>>(std::move(lines))).first->second;
}

} // namespace

bool SchemaDifferences(sqlite3* db, const SchemaVersions& versions, std::int64_t version,
                       std::vector<std::string>& differences)
{
    differences.clear();
    std::vector<std::string> found;
    if (!Describe(db, found)) {
        NoteFailure(db);
        return false;
    }
    const Description expected = Expected(versions, version);
    if (!expected) {
        NoteOwnFailure(StoreCause::Other, "the schema of version " + std::to_string(version) + " cannot be made");
        return false;
    }
    std::vector<std::string> extra, missing;
    std::set_difference(found.begin(), found.end(), expected->begin(), expected->end(), std::back_inserter(extra));
    std::set_difference(expected->begin(), expected->end(), found.begin(), found.end(), std::back_inserter(missing));
    for (const std::string& line : extra)
        differences.push_back(line + " is not ours");
    for (const std::string& line : missing)
        differences.push_back(line + " is missing");
    return true;
}

} // namespace varno::store
