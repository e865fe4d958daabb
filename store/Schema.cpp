// The schema of version 1, and the migrations that lead from it to the newest.
// Every record kind has a main table keyed by an AUTOINCREMENT id (so an id
// is never given twice, even after a delete) and, except the contact-group
// links, a profile. Sub-entries live in child tables keyed by (owner, seq),
// seq being the entry's position; they are stored WITHOUT ROWID, clustered
// on that key, so adding an entry writes one b-tree instead of a table and
// its key index (a contact import saves about a tenth of its time). Stores
// made before that keep rowid child tables: the columns, keys and statements
// are the same, so both read and write alike. A date takes two columns: the
// day count as a REAL (NULL for a NaN day) and the status (0 valid,
// 1 invalid, 2 null). Texts are UTF-8; type codes are the unsigned 32-bit
// values of the records.
//
// Each kind's columns are declared below in the order in which its
// collection writes and reads a record's values (RowWriter, RowReader), with
// the same three words: Int, Text, Date.
#include "store/Schema_p.h"

#include <initializer_list>
#include <mutex>

namespace varno::store {

namespace {

using Columns = std::vector<ColumnSpec>;

Columns Int(const char* name)
{
    return {{name, "INTEGER NOT NULL"}};
}

Columns Text(const char* name)
{
    return {{name, "TEXT NOT NULL"}};
}

/// Two columns, as RowWriter::Date writes a date.
Columns Date(const char* name)
{
    return {{name, "REAL"}, {std::string(name) + "_status", "INTEGER NOT NULL"}};
}

/// The id of a record of `table`; deleting that record deletes this row.
Columns Link(const char* name, const char* table)
{
    return {{name, std::string("INTEGER NOT NULL REFERENCES ") + table + "(id) ON DELETE CASCADE"}};
}

Columns Join(std::initializer_list<Columns> parts)
{
    Columns all;
    for (const Columns& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string Definitions(const Columns& columns)
{
    std::string list;
    for (const ColumnSpec& column : columns)
        list += ", " + column.name + " " + column.type;
    return list;
}

} // namespace

const TableSpec& CalendarTable()
{
    static const TableSpec tableSpec{
        "calendar",
        true,
        Join({Int("calendar_type"), Int("deleted_mark"), Text("summary"), Text("description"), Text("color"),
              Text("location"), Date("start_time"), Date("end_time"), Date("due_date"), Int("all_day"),
              Int("completed"), Int("priority"), Int("alarm_type"), Int("alarm_minutes"), Date("alarm_time")}),
        {},
        {{"calendar_by_profile", "profile, calendar_type"}},
    };
    return tableSpec;
}

// The order of the children is the order of RecordRows::children of a contact.
const TableSpec& ContactTable()
{
    static const TableSpec tableSpec{
        "contact",
        true,
        Join({Text("first_name"), Text("last_name"), Text("job_title")}),
        {
            {"contact_organization", "contact_id",
             Join({Int("type"), Text("company"), Text("department"), Text("title")})},
            {"contact_telephone", "contact_id", Join({Int("type"), Text("number")})},
            {"contact_email", "contact_id", Join({Int("type"), Text("address")})},
            {"contact_url", "contact_id", Join({Int("type"), Text("url")})},
            {"contact_address", "contact_id",
             Join({Int("type"), Text("street"), Text("city"), Text("state"), Text("zip"), Text("country")})},
            {"contact_comment", "contact_id", Text("text")},
            {"contact_event", "contact_id", Join({Int("kind"), Date("date")})},
        },
        {{"contact_by_profile", "profile"}},
    };
    return tableSpec;
}

const TableSpec& ContactGroupTable()
{
    static const TableSpec tableSpec{
        "contact_group", true, Text("name"), {}, {{"contact_group_by_profile", "profile"}}};
    return tableSpec;
}

const TableSpec& ContactGroupPairTable()
{
    static const TableSpec tableSpec{
        "contact_group_pair",
        false,
        Join({Link("contact_id", "contact"), Link("group_id", "contact_group")}),
        {},
        {{"contact_group_pair_by_contact", "contact_id"}, {"contact_group_pair_by_group", "group_id"}},
        true,
    };
    return tableSpec;
}

const TableSpec& MessageTable()
{
    static const TableSpec tableSpec{
        "message",
        true,
        Join({Int("box"), Int("kind"), Text("content"), Date("message_time")}),
        {{"message_number", "message_id", Join({Int("party_type"), Text("number")})}},
        {{"message_by_profile", "profile"}},
    };
    return tableSpec;
}

const TableSpec& EmailTable()
{
    static const TableSpec tableSpec{
        "email",
        true,
        Join({Int("box"), Int("kind"), Text("title"), Text("content"), Date("message_time")}),
        {{"email_address", "email_id", Join({Int("party_type"), Text("address")})}},
        {{"email_by_profile", "profile"}},
    };
    return tableSpec;
}

namespace {

/// The store's own migrations, oldest first. A change to the tables above
/// adds one here that takes the stores of the previous version to it (the
/// schema test checks that a store of version 1 ends as a fresh one).
/// Stores of version 1 may have their child tables with or without rowid.
const std::vector<Migration> kMigrations = {
    // Version 2: the history of imports, so that an import can be undone.
    // An import's entry says what it was; its ranges name the records it
    // added, table by table: each save of an import gives its new records
    // consecutive ids (WriteSession), so one row per table and save names
    // them all, where a row per record would have doubled an import's
    // writes. A record of an import that a later save changed is named in
    // import_change, so that undoing the import can say so first.
    {{"CREATE TABLE import_history (id INTEGER PRIMARY KEY AUTOINCREMENT, time TEXT NOT NULL, "
      "file TEXT NOT NULL, type TEXT NOT NULL, profile INTEGER NOT NULL, mapping TEXT NOT NULL, "
      "records_added INTEGER NOT NULL, groups_created INTEGER NOT NULL, undone TEXT)",
      "CREATE TABLE import_range (import_id INTEGER NOT NULL REFERENCES import_history(id), "
      "tbl TEXT NOT NULL, first_id INTEGER NOT NULL, last_id INTEGER NOT NULL, "
      "PRIMARY KEY (tbl, first_id)) WITHOUT ROWID",
      "CREATE INDEX import_range_by_import ON import_range(import_id)",
      "CREATE TABLE import_change (import_id INTEGER NOT NULL REFERENCES import_history(id), "
      "tbl TEXT NOT NULL, record_id INTEGER NOT NULL, PRIMARY KEY (import_id, tbl, record_id)) WITHOUT ROWID"}},
};

std::mutex g_versionsMutex;
std::shared_ptr<const SchemaVersions> g_testVersions;

} // namespace

std::shared_ptr<const SchemaVersions> CurrentSchemaVersions()
{
    static const auto own = std::make_shared<const SchemaVersions>(SchemaVersions{kMigrations});
    std::lock_guard lock(g_versionsMutex);
    return g_testVersions ? g_testVersions : own;
}

void SetMigrationsForTesting(std::optional<std::vector<Migration>> migrations)
{
    std::lock_guard lock(g_versionsMutex);
    g_testVersions = migrations ? std::make_shared<const SchemaVersions>(SchemaVersions{std::move(*migrations)})
                                : nullptr;
}

const std::vector<const TableSpec*>& SchemaTables()
{
    static const std::vector<const TableSpec*> tables = {
        &CalendarTable(),         &ContactTable(), &ContactGroupTable(),
        &ContactGroupPairTable(), &MessageTable(), &EmailTable(),
    };
    return tables;
}

std::vector<std::string> SchemaStatements()
{
    std::vector<std::string> statements;
    for (const TableSpec* tableSpec : SchemaTables()) {
        const std::string table = tableSpec->table;
        statements.push_back("CREATE TABLE " + table + " (id INTEGER PRIMARY KEY AUTOINCREMENT" +
                             (tableSpec->hasProfile ? ", profile INTEGER NOT NULL" : "") +
                             Definitions(tableSpec->columns) + ")");
        for (const IndexSpec& index : tableSpec->indexes)
            statements.push_back(std::string("CREATE INDEX ") + index.name + " ON " + table + "(" + index.columns +
                                 ")");
        for (const ChildSpec& child : tableSpec->children) {
            const std::string owner = child.ownerColumn;
            statements.push_back("CREATE TABLE " + std::string(child.table) + " (" + owner + " " +
                                 Link(child.ownerColumn, tableSpec->table)[0].type + ", seq INTEGER NOT NULL" +
                                 Definitions(child.columns) + ", PRIMARY KEY (" + owner + ", seq)) WITHOUT ROWID");
        }
    }
    return statements;
}

std::vector<std::string> VersionStatements(const SchemaVersions& versions, std::int64_t version)
{
    std::vector<std::string> statements = SchemaStatements();
    for (std::int64_t step = 1; step < version && step <= static_cast<std::int64_t>(versions.migrations.size()); ++step)
        for (const std::string& sql : versions.migrations[static_cast<std::size_t>(step - 1)].statements)
            statements.push_back(sql);
    return statements;
}

} // namespace varno::store
