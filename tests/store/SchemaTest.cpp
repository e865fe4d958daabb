// The schema as stores hold it: a fresh store has the layout of version 1
// plus its migrations, every kind writes each field into the column named
// for it, and an older store is migrated, once and step by step.
#include "StoreTestSupport.h"

#include "store/Schema_p.h"

#include <map>
#include <sstream>
#include <tuple>

using namespace storetest;
using namespace varno::store;

namespace {

class SchemaTest : public TempStore {};

/// The schema of a database, one line per table and index, with its SQL's
/// white space made uniform.
Lines Layout(const std::filesystem::path& file)
{
    Lines layout = SqlRows(file, "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name");
    for (std::string& line : layout) {
        std::string flat;
        for (char c : line) {
            const bool space = c == ' ' || c == '\n' || c == '\t';
            if (space && (flat.empty() || flat.back() == ' ' || flat.back() == '('))
                continue;
            if ((c == ')' || c == ',') && !flat.empty() && flat.back() == ' ')
                flat.pop_back();
            flat += space ? ' ' : c;
        }
        line = flat;
    }
    return layout;
}

std::filesystem::path GoldenVersion1()
{
    return std::filesystem::path(VARNO_SOURCE_DIR) / "tests/store/golden/store-v1.sql";
}

/// Saves a record of each kind into profile 1 of the store `file` (the
/// store path), with a value of its own in (nearly) every field; the group
/// linked is 2, the contact 1.
void SaveOneOfEachKind(const std::filesystem::path& file)
{
    CCalendars calendars;
    CCalendar* r = calendars.AddNew();
    r->CalendarType = 2;
    r->DeletedMark = 1;
    std::tie(r->Summary, r->Description, r->Color, r->Location) = std::tuple(U8("S"), U8("D"), U8("C"), U8("L"));
    std::tie(r->StartTime, r->EndTime, r->DueDate) =
        std::tuple(WithStatus(1.5, COleDateTime::valid), WithStatus(2.5, COleDateTime::invalid),
                   WithStatus(3.5, COleDateTime::null));
    std::tie(r->AllDay, r->Completed, r->Priority) = std::tuple(11, 12, 13);
    r->SetAlarmRunTime(14);
    ASSERT_EQ(calendars.SaveToDB(1, true), 1);

    CContacts contacts;
    CContact* c = contacts.AddNew();
    Fill(*c, {"F", {{22, "T"}}, {{23, "E"}}, {{24, "U"}}, {{25, "a"}}, {"N"}});
    std::tie(c->LastName, c->JobTitle) = std::tuple(U8("La"), U8("J"));
    c->NewOrganization(U8("Co"), U8("De"), U8("Ti"), 21);
    c->NewContactEvent(WithStatus(4.5, COleDateTime::invalid), 26);
    ASSERT_EQ(contacts.SaveToDB(1, 0, true), 1);

    CContactGroups groups;
    groups.AddNew()->GroupName = U8("G0");
    groups.AddNew()->GroupName = U8("G");
    ASSERT_EQ(groups.SaveToDB(1, true), 2);
    Sql(file, "DELETE FROM contact_group WHERE name = 'G0'"); // one row a table; group 2 is not contact 1
    CContactGroupPairs pairs;
    CContactGroupPair* pair = pairs.AddNew();
    std::tie(pair->ContactId, pair->GroupId) = std::tuple(contacts[0]->ContactId, groups[1]->GroupId);
    ASSERT_EQ(pairs.SaveToDB(), 1);

    CMessages messages;
    Add(messages, {{31, "M", WithStatus(5.5, COleDateTime::valid), {{33, "P"}}}});
    messages[0]->Kind = 32;
    ASSERT_EQ(messages.SaveToDB(1), 1);
    CMsgEmails emails;
    Add(emails, {{"Et", "Ec", WithStatus(6.5, COleDateTime::invalid), {{43, "A"}}}});
    std::tie(emails[0]->Box, emails[0]->Kind) = std::tuple(41u, 42u);
    ASSERT_EQ(emails.SaveToDB(1), 1);
}

TEST_F(SchemaTest, AFreshStoreHasTheLayoutOfVersion1AfterItsMigrations)
{
    // A store of version 1 as first released, opened (and so migrated) by
    // the store, must end as a store the store makes itself.
    const std::filesystem::path old = m_dir / "old.db";
    SqlRows(old, ReadFile(GoldenVersion1()).c_str());
    SetStorePath(U8(old.string()));
    CContacts loaded;
    ASSERT_EQ(loaded.OpenFromDB(1, 0), 0) << GetLastStoreFailure().message;

    SetStorePath(U8(m_file.string()));
    ASSERT_EQ(loaded.OpenFromDB(1, 0), 0);
    EXPECT_EQ(Layout(old), Layout(m_file));
    EXPECT_EQ(Layout(m_file).size(), 27u)
        << "six kinds: 15 tables, 7 indexes and AUTOINCREMENT's sequence; the history: 3 tables, 1 index";
    EXPECT_EQ(Sql(old, "PRAGMA user_version"), Sql(m_file, "PRAGMA user_version"));
    EXPECT_EQ(Sql(m_file, "PRAGMA application_id"), std::to_string(kApplicationId));
}

/// The store migrates with its own migrations and then `more` for the
/// guard's lifetime.
class MigrationsGuard {
public:
    explicit MigrationsGuard(std::vector<Migration> more)
    {
        std::vector<Migration> migrations = CurrentSchemaVersions()->migrations;
        migrations.insert(migrations.end(), more.begin(), more.end());
        SetMigrationsForTesting(std::move(migrations));
    }
    ~MigrationsGuard() { SetMigrationsForTesting(std::nullopt); }
    MigrationsGuard(const MigrationsGuard&) = delete;
    MigrationsGuard& operator=(const MigrationsGuard&) = delete;
};

// A store of version 1 as first released, with records of each kind (so
// migrated to the current version), meets a program that knows two more.
TEST_F(SchemaTest, AnOlderStoreIsMigratedStepByStepOnceAndKeepsEveryRecord)
{
    SqlRows(m_file, ReadFile(GoldenVersion1()).c_str());
    SaveOneOfEachKind(m_file);
    const Lines before = Everything(1);
    ASSERT_EQ(before.size(), 28u) << "six kinds, the contact with each of its entries";
    const std::string bytes = ReadFile(m_file);
    {
        // A step that fails midway is undone whole, its version with it.
        MigrationsGuard failing({{{"UPDATE contact SET first_name = 'changed'", "CREATE TABLE half (x)",
                                   "INSERT INTO nowhere VALUES (1)"}}});
        CContacts contacts;
        EXPECT_EQ(contacts.OpenFromDB(1, 0), STOREERR_OPEN);
        EXPECT_EQ(GetLastStoreFailure().cause, StoreCause::Other);
        EXPECT_EQ(GetLastStoreFailure().message, "no such table: nowhere");
        EXPECT_EQ(ReadFile(m_file), bytes);
        EXPECT_FALSE(std::filesystem::exists(m_file.string() + "-wal"));
    }
    // Each step notes the version it found; the second finds the first's.
    const char* note = "INSERT INTO steps SELECT user_version FROM pragma_user_version";
    MigrationsGuard twoSteps({{{"CREATE TABLE steps (found INTEGER)", note,
                                "ALTER TABLE contact ADD COLUMN nickname TEXT NOT NULL DEFAULT ''"}},
                              {{note}}});
    EXPECT_EQ(Everything(1), before);
    CContacts contacts;
    ASSERT_EQ(contacts.OpenFromDB(1, 0), 1);
    contacts[0]->FirstName = U8("after");
    contacts.AddNew()->FirstName = U8("new");
    EXPECT_EQ(contacts.SaveToDB(1, 0, true), 2) << "saves work on the migrated store";
    const std::int64_t current = CurrentSchemaVersions()->Version() - 2;
    EXPECT_EQ(SqlRows(m_file, "SELECT found FROM steps"), (Lines{std::to_string(current), std::to_string(current + 1)}))
        << "each step once, in order";
    EXPECT_EQ(SqlRows(m_file, "PRAGMA user_version; PRAGMA application_id"),
              (Lines{std::to_string(current + 2), std::to_string(kApplicationId)}));
}

// A record of each kind, saved, then read back column by column by name: a
// kind whose rows do not follow its declared columns puts a value under
// another column's name, which a round trip through the same code cannot
// see.
TEST_F(SchemaTest, EveryKindWritesEachFieldIntoTheColumnNamedForIt)
{
    SaveOneOfEachKind(m_file);

    const std::pair<const char*, const char*> tables[] = {
        {"calendar", "calendar_type=2 deleted_mark=1 summary='S' description='D' color='C' location='L' "
                     "start_time=1.5 start_time_status=0 end_time=2.5 end_time_status=1 due_date=3.5 "
                     "due_date_status=2 all_day=11 completed=12 priority=13 alarm_type=1 alarm_minutes=14 "
                     "alarm_time=0.0 alarm_time_status=2"},
        {"contact", "first_name='F' last_name='La' job_title='J'"},
        {"contact_organization", "type=21 company='Co' department='De' title='Ti'"},
        {"contact_telephone", "type=22 number='T'"},
        {"contact_email", "type=23 address='E'"},
        {"contact_url", "type=24 url='U'"},
        {"contact_address", "type=25 street='as' city='ac' state='at' zip='az' country='an'"},
        {"contact_comment", "text='N'"},
        {"contact_event", "kind=26 date=4.5 date_status=1"},
        {"contact_group", "name='G'"},
        {"contact_group_pair", "contact_id=1 group_id=2"},
        {"message", "box=31 kind=32 content='M' message_time=5.5 message_time_status=0"},
        {"message_number", "party_type=33 number='P'"},
        {"email", "box=41 kind=42 title='Et' content='Ec' message_time=6.5 message_time_status=1"},
        {"email_address", "party_type=43 address='A'"},
    };
    for (const auto& [table, expected] : tables) {
        SCOPED_TRACE(table);
        std::map<std::string, std::string> columns; // each value as SQL's quote() gives it
        std::istringstream words(expected);
        for (std::string word; words >> word;)
            columns[word.substr(0, word.find('='))] = word.substr(word.find('=') + 1);
        const std::string names = "SELECT name FROM pragma_table_info('" + std::string(table) +
                                  "') WHERE pk = 0 AND name <> 'profile'"; // not the keys
        for (const std::string& name : SqlRows(m_file, names.c_str())) {
            ASSERT_TRUE(columns.count(name)) << "column " << name << " is not checked";
            const std::string value = "SELECT quote(" + name + ") FROM " + table;
            EXPECT_EQ(Sql(m_file, value.c_str()), columns[name]) << name;
            columns.erase(name);
        }
        EXPECT_TRUE(columns.empty()) << columns.size() << " columns expected but not in the table";
    }
}

} // namespace
