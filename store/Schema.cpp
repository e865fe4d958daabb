// Schema version 1. Every record kind has a main table keyed by an
// AUTOINCREMENT id (so an id is never given twice, even after a delete) and,
// except the contact-group links, a profile. Sub-entries live in child tables
// keyed by (owner, seq), seq being the entry's position; they are stored
// WITHOUT ROWID, clustered on that key, so adding an entry writes one b-tree
// instead of a table and its key index (a contact import saves about a tenth
// of its time). Stores made before that keep rowid child tables: the columns,
// keys and statements are the same, so both read and write alike. A date takes two
// columns: the day count as a REAL (NULL for a NaN day) and the status
// (0 valid, 1 invalid, 2 null). Texts are UTF-8; type codes are the
// unsigned 32-bit values of the records.
//
// The column lists of the TableSpecs below must follow the CREATE TABLE
// statements; the collections write and read values in that order.
#include "store/Schema_p.h"

namespace varno::store {

const std::vector<const char*>& SchemaStatements()
{
    static const std::vector<const char*> statements = {
        R"(CREATE TABLE calendar (
             id INTEGER PRIMARY KEY AUTOINCREMENT,
             profile INTEGER NOT NULL,
             calendar_type INTEGER NOT NULL,
             deleted_mark INTEGER NOT NULL,
             summary TEXT NOT NULL,
             description TEXT NOT NULL,
             color TEXT NOT NULL,
             location TEXT NOT NULL,
             start_time REAL, start_time_status INTEGER NOT NULL,
             end_time REAL, end_time_status INTEGER NOT NULL,
             due_date REAL, due_date_status INTEGER NOT NULL,
             all_day INTEGER NOT NULL,
             completed INTEGER NOT NULL,
             priority INTEGER NOT NULL,
             alarm_type INTEGER NOT NULL,
             alarm_minutes INTEGER NOT NULL,
             alarm_time REAL, alarm_time_status INTEGER NOT NULL))",
        "CREATE INDEX calendar_by_profile ON calendar(profile, calendar_type)",

        R"(CREATE TABLE contact (
             id INTEGER PRIMARY KEY AUTOINCREMENT,
             profile INTEGER NOT NULL,
             first_name TEXT NOT NULL,
             last_name TEXT NOT NULL,
             job_title TEXT NOT NULL))",
        "CREATE INDEX contact_by_profile ON contact(profile)",
        R"(CREATE TABLE contact_organization (
             contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
             seq INTEGER NOT NULL,
             type INTEGER NOT NULL,
             company TEXT NOT NULL,
             department TEXT NOT NULL,
             title TEXT NOT NULL,
             PRIMARY KEY (contact_id, seq)) WITHOUT ROWID)",
        R"(CREATE TABLE contact_telephone (
             contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
             seq INTEGER NOT NULL,
             type INTEGER NOT NULL,
             number TEXT NOT NULL,
             PRIMARY KEY (contact_id, seq)) WITHOUT ROWID)",
        R"(CREATE TABLE contact_email (
             contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
             seq INTEGER NOT NULL,
             type INTEGER NOT NULL,
             address TEXT NOT NULL,
             PRIMARY KEY (contact_id, seq)) WITHOUT ROWID)",
        R"(CREATE TABLE contact_url (
             contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
             seq INTEGER NOT NULL,
             type INTEGER NOT NULL,
             url TEXT NOT NULL,
             PRIMARY KEY (contact_id, seq)) WITHOUT ROWID)",
        R"(CREATE TABLE contact_address (
             contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
             seq INTEGER NOT NULL,
             type INTEGER NOT NULL,
             street TEXT NOT NULL,
             city TEXT NOT NULL,
             state TEXT NOT NULL,
             zip TEXT NOT NULL,
             country TEXT NOT NULL,
             PRIMARY KEY (contact_id, seq)) WITHOUT ROWID)",
        R"(CREATE TABLE contact_comment (
             contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
             seq INTEGER NOT NULL,
             text TEXT NOT NULL,
             PRIMARY KEY (contact_id, seq)) WITHOUT ROWID)",
        R"(CREATE TABLE contact_event (
             contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
             seq INTEGER NOT NULL,
             kind INTEGER NOT NULL,
             date REAL, date_status INTEGER NOT NULL,
             PRIMARY KEY (contact_id, seq)) WITHOUT ROWID)",

        R"(CREATE TABLE contact_group (
             id INTEGER PRIMARY KEY AUTOINCREMENT,
             profile INTEGER NOT NULL,
             name TEXT NOT NULL))",
        "CREATE INDEX contact_group_by_profile ON contact_group(profile)",
        R"(CREATE TABLE contact_group_pair (
             id INTEGER PRIMARY KEY AUTOINCREMENT,
             contact_id INTEGER NOT NULL REFERENCES contact(id) ON DELETE CASCADE,
             group_id INTEGER NOT NULL REFERENCES contact_group(id) ON DELETE CASCADE))",
        "CREATE INDEX contact_group_pair_by_contact ON contact_group_pair(contact_id)",
        "CREATE INDEX contact_group_pair_by_group ON contact_group_pair(group_id)",

        R"(CREATE TABLE message (
             id INTEGER PRIMARY KEY AUTOINCREMENT,
             profile INTEGER NOT NULL,
             box INTEGER NOT NULL,
             kind INTEGER NOT NULL,
             content TEXT NOT NULL,
             message_time REAL, message_time_status INTEGER NOT NULL))",
        "CREATE INDEX message_by_profile ON message(profile)",
        R"(CREATE TABLE message_number (
             message_id INTEGER NOT NULL REFERENCES message(id) ON DELETE CASCADE,
             seq INTEGER NOT NULL,
             party_type INTEGER NOT NULL,
             number TEXT NOT NULL,
             PRIMARY KEY (message_id, seq)) WITHOUT ROWID)",

        R"(CREATE TABLE email (
             id INTEGER PRIMARY KEY AUTOINCREMENT,
             profile INTEGER NOT NULL,
             box INTEGER NOT NULL,
             kind INTEGER NOT NULL,
             title TEXT NOT NULL,
             content TEXT NOT NULL,
             message_time REAL, message_time_status INTEGER NOT NULL))",
        "CREATE INDEX email_by_profile ON email(profile)",
        R"(CREATE TABLE email_address (
             email_id INTEGER NOT NULL REFERENCES email(id) ON DELETE CASCADE,
             seq INTEGER NOT NULL,
             party_type INTEGER NOT NULL,
             address TEXT NOT NULL,
             PRIMARY KEY (email_id, seq)) WITHOUT ROWID)",
    };
    return statements;
}

const TableSpec& CalendarTable()
{
    static const TableSpec tableSpec{
        "calendar",
        true,
        {"calendar_type", "deleted_mark", "summary", "description", "color", "location", "start_time",
         "start_time_status", "end_time", "end_time_status", "due_date", "due_date_status", "all_day", "completed",
         "priority", "alarm_type", "alarm_minutes", "alarm_time", "alarm_time_status"},
        {},
    };
    return tableSpec;
}

// The order of the children is the order of RecordRows::children of a contact.
const TableSpec& ContactTable()
{
    static const TableSpec tableSpec{
        "contact",
        true,
        {"first_name", "last_name", "job_title"},
        {
            {"contact_organization", "contact_id", {"type", "company", "department", "title"}},
            {"contact_telephone", "contact_id", {"type", "number"}},
            {"contact_email", "contact_id", {"type", "address"}},
            {"contact_url", "contact_id", {"type", "url"}},
            {"contact_address", "contact_id", {"type", "street", "city", "state", "zip", "country"}},
            {"contact_comment", "contact_id", {"text"}},
            {"contact_event", "contact_id", {"kind", "date", "date_status"}},
        },
    };
    return tableSpec;
}

const TableSpec& ContactGroupTable()
{
    static const TableSpec tableSpec{"contact_group", true, {"name"}, {}};
    return tableSpec;
}

const TableSpec& ContactGroupPairTable()
{
    static const TableSpec tableSpec{"contact_group_pair", false, {"contact_id", "group_id"}, {}, true};
    return tableSpec;
}

const TableSpec& MessageTable()
{
    static const TableSpec tableSpec{
        "message",
        true,
        {"box", "kind", "content", "message_time", "message_time_status"},
        {{"message_number", "message_id", {"party_type", "number"}}},
    };
    return tableSpec;
}

const TableSpec& EmailTable()
{
    static const TableSpec tableSpec{
        "email",
        true,
        {"box", "kind", "title", "content", "message_time", "message_time_status"},
        {{"email_address", "email_id", {"party_type", "address"}}},
    };
    return tableSpec;
}

} // namespace varno::store
