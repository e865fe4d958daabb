// The store as a whole: time zones, priorities, a new store file, files that
// are not a store of ours, saves that fail, and two processes at once.
#include "StoreTestSupport.h"

#include "store/Database_p.h"

#include <cerrno>
#include <climits>
#include <functional>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using namespace storetest;

namespace {

TEST(StoreTimeTest, LocalAndUtcConvertBothWaysAndPassNullAndInvalidThrough)
{
    struct Case {
        const char* tz;
        COleDateTime local, utc;
    };
    const Case cases[] = {
        {"KST-9", Date(2011, 5, 3, 14, 7, 9), Date(2011, 5, 3, 5, 7, 9)},
        {"KST-9", Date(2012, 3, 1, 3, 0, 0), Date(2012, 2, 29, 18, 0, 0)},
        {"KST-9", Date(1850, 6, 1, 10, 0, 0), Date(1850, 6, 1, 1, 0, 0)},
        {"EST5EDT,M3.2.0,M11.1.0", Date(2011, 7, 1, 12, 0, 30), Date(2011, 7, 1, 16, 0, 30)},
        {"EST5EDT,M3.2.0,M11.1.0", Date(2011, 1, 15, 12, 0, 0), Date(2011, 1, 15, 17, 0, 0)},
        {"<+0530>-5:30", Date(2020, 1, 1, 0, 10, 0), Date(2019, 12, 31, 18, 40, 0)},
        {"KST-9", WithStatus(7.5, COleDateTime::null), WithStatus(7.5, COleDateTime::null)},
        {"KST-9", WithStatus(40000.25, COleDateTime::invalid), WithStatus(40000.25, COleDateTime::invalid)},
    };
    for (const Case& c : cases) {
        varno::test::TimeZoneGuard zone(c.tz);
        EXPECT_EQ(DateText(Local2Utc(c.local)), DateText(c.utc)) << c.tz;
        EXPECT_EQ(DateText(Utc2Local(c.utc)), DateText(c.local)) << c.tz;
    }
}

// A local time the clock change shows twice is the later instant, one it
// skips the instant an hour on, whatever was converted before (mktime
// alone would follow the offset of its previous call).
TEST(StoreTimeTest, TimesAroundAClockChangeConvertTheSameWhateverCameBefore)
{
    varno::test::TimeZoneGuard zone("EST5EDT,M3.2.0,M11.1.0");
    const COleDateTime summer = Date(2026, 7, 1, 12, 0, 0), winter = Date(2026, 1, 15, 12, 0, 0);
    for (const COleDateTime& before : {summer, winter, summer}) {
        (void)Local2Utc(before);
        EXPECT_EQ(DateText(Local2Utc(Date(2026, 11, 1, 1, 30, 0))), DateText(Date(2026, 11, 1, 6, 30, 0)));
        (void)Local2Utc(before);
        EXPECT_EQ(DateText(Local2Utc(Date(2026, 3, 8, 2, 30, 0))), DateText(Date(2026, 3, 8, 7, 30, 0)));
    }
}

TEST(StorePriorityTest, TablesInvertEachOtherAndNameWhatUnknownValuesGive)
{
    for (int calendar : {1, 2, 3, 0})
        EXPECT_EQ(ConvertPriority_DB2Calendar(ConvertPriority_Calendar2DB(calendar)), calendar);
    struct Case {
        int calendar;
        unsigned long db;
    };
    for (Case c : {Case{1, 1}, {2, 5}, {3, 9}, {0, 0}, {4, 0}, {-1, 0}, {INT_MAX, 0}})
        EXPECT_EQ(ConvertPriority_Calendar2DB(c.calendar), c.db) << c.calendar;
    for (Case c : {Case{1, 1}, {1, 4}, {2, 5}, {3, 6}, {3, 9}, {0, 0}, {0, 10}, {0, ULONG_MAX}})
        EXPECT_EQ(ConvertPriority_DB2Calendar(c.db), c.calendar) << c.db;
}

class StoreFileTest : public TempStore {};

/// Makes a store with a record in it, then runs `sql` on it.
std::function<void(const std::filesystem::path&)> Changed(const char* sql)
{
    return [sql](const std::filesystem::path& file) {
        SetStorePath(U8(file.string()));
        CContacts stored;
        stored.AddNew()->FirstName = U8("kept");
        ASSERT_EQ(stored.SaveToDB(1, 0, true), 1);
        Sql(file, sql);
    };
}

TEST_F(StoreFileTest, AFileThatIsNotOurStoreIsRefusedByLoadsAndSavesAndLeftAlone)
{
    const std::pair<const char*, std::function<long()>> calls[] = {
        {"calendar load", [] { CCalendars c; return c.OpenFromDB(1, CALTYPE_MEMO, 1); }},
        {"calendar save", [] { CCalendars c; c.AddNew(); return c.SaveToDB(1, true); }},
        {"contact load", [] { CContacts c; return c.OpenFromDB(1, 0); }},
        {"contact save", [] { CContacts c; c.AddNew(); return c.SaveToDB(1, 0, true); }},
        {"link load", [] { CContactGroupPairs c; return c.OpenFromDB(); }},
        {"link save", [] { CContactGroupPairs c; return c.SaveToDB(); }},
        {"message save", [] { CMessages c; c.AddNew(); return c.SaveToDB(1); }},
        {"e-mail load", [] { CMsgEmails c; return c.OpenFromDB(1); }},
    };
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> make;
        StoreCause cause;
        int code; // the failure's primary SQLite code, 0 for a cause the store finds itself
        const char* says = "";
    };
    const Case cases[] = {
        {"text file", [](const auto& file) { std::ofstream(file) << std::string(300, 'x') << "\nnot a database\n"; },
         StoreCause::NotAStore, SQLITE_NOTADB},
        {"database of another program",
         [](const auto& file) { Sql(file, "CREATE TABLE notes (x); INSERT INTO notes VALUES ('keep')"); },
         StoreCause::NotAStore, 0, "not a store of ours"},
        {"database of another program in WAL mode, with its own id and version",
         [](const auto& file) {
             Sql(file, "PRAGMA journal_mode = WAL; PRAGMA application_id = 42; PRAGMA user_version = 7; "
                       "CREATE TABLE calendar (x)");
         },
         StoreCause::NotAStore, 0},
        {"tables named like ours, of version 2, with no id",
         [](const auto& file) { Sql(file, "CREATE TABLE message (id); PRAGMA user_version = 2"); },
         StoreCause::NotAStore, 0},
        {"store of a newer version", Changed("PRAGMA user_version = 3"), // in WAL mode, as every store of ours
         StoreCause::NewerSchema, 0, "schema version 3; this program reads versions up to 2"},
        {"missing folder", nullptr, StoreCause::CannotOpen, SQLITE_CANTOPEN},
        // Stores of ours whose schema someone changed: each difference is
        // named, and nothing runs what was added (the trigger would empty
        // the contacts on the first calendar save).
        {"store with a trigger of someone else's",
         Changed("CREATE TRIGGER x AFTER INSERT ON calendar BEGIN DELETE FROM contact; END"),
         StoreCause::SchemaChanged, 0, "trigger \"x\" on table calendar is not ours"},
        {"store with a view of someone else's", Changed("CREATE VIEW v AS SELECT * FROM contact"),
         StoreCause::SchemaChanged, 0, "view \"v\" is not ours"},
        {"store with an extra table", Changed("CREATE TABLE extra (x)"), StoreCause::SchemaChanged, 0,
         "table \"extra\" is not ours"},
        {"store with a changed column",
         Changed("ALTER TABLE contact DROP COLUMN job_title; ALTER TABLE contact ADD COLUMN job_title TEXT"),
         StoreCause::SchemaChanged, 0, "table contact: column \"job_title\" TEXT is not ours"},
        {"store of version 1 with an index of someone else's",
         [](const auto& file) {
             SqlRows(file, ReadFile(std::filesystem::path(VARNO_SOURCE_DIR) / "tests/store/golden/store-v1.sql").c_str());
             Sql(file, "CREATE INDEX mine ON contact(first_name)");
         },
         StoreCause::SchemaChanged, 0, "table contact: index \"mine\" (first_name BINARY) from c is not ours"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = m_dir / c.name / "store.db";
        SetStorePath(U8(file.string()));
        if (c.make) {
            std::filesystem::create_directory(file.parent_path());
            c.make(file);
        }
        const std::string bytes = ReadFile(file);
        const auto names = c.make ? FileNames(file.parent_path()) : std::set<std::string>();
        for (const auto& [what, call] : calls) {
            EXPECT_EQ(call(), STOREERR_OPEN) << what;
            const StoreFailure failure = GetLastStoreFailure();
            EXPECT_EQ(failure.cause, c.cause) << what << ": " << failure.message;
            EXPECT_EQ(failure.sqliteCode & 0xFF, c.code) << what;
            EXPECT_NE(failure.message.find(c.says), std::string::npos) << failure.message;
        }
        EXPECT_EQ(ReadFile(file), bytes);
        if (c.make)
            EXPECT_EQ(FileNames(file.parent_path()), names) << "no -wal or -shm file left behind";
        else
            EXPECT_FALSE(std::filesystem::exists(file.parent_path()));
    }
}

// A save that fails writes nothing and keeps the ids it gave. The cause is
// SQLite's, with its extended code, or one the store finds itself (an id
// that runs out, a record deleted behind the save's back), with none; once
// the fault is gone the same records are saved.
TEST_F(StoreFileTest, AFailedSaveWritesNothingAndKeepsTheIds)
{
    const struct {
        const char *name, *breakSql; // no SQL: the store is opened read-only
        StoreCause cause;
        int code;
        const char* says = "";
        const char* fixSql = nullptr; // what makes the save work again ("": the store opened writable)
    } cases[] = {
        {"read-only store", nullptr, StoreCause::ReadOnly, SQLITE_READONLY, "", ""},
        {"failure after some rows", // inserts went in before the failing one: "boom" is contact 3's
         "INSERT INTO contact_email (contact_id, seq, type, address) VALUES (3, 0, 0, 'in the way')",
         StoreCause::Constraint, SQLITE_CONSTRAINT_PRIMARYKEY, "", "DELETE FROM contact_email WHERE contact_id = 3"},
        {"ids used up", "UPDATE sqlite_sequence SET seq = 2147483647 WHERE name = 'contact'", StoreCause::OutOfKeys, 0,
         "every id of the table contact up to 2147483647 has been given"},
        {"record deleted since the load", "DELETE FROM contact", StoreCause::RecordGone, 0,
         "of the table contact is no longer in the store"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = m_dir / (std::string(c.name) + ".db");
        SetStorePath(U8(file.string()));
        CContacts before, contacts;
        before.AddNew()->FirstName = U8("stored");
        ASSERT_EQ(before.SaveToDB(1, 0, true), 1);
        ASSERT_EQ(contacts.OpenFromDB(1, 0), 1);
        if (c.breakSql)
            Sql(file, c.breakSql);
        else
            SetStorePath(U8("file:" + file.string() + "?mode=ro"));
        const std::string bytes = ReadFile(file);
        contacts[0]->FirstName = U8("changed");
        contacts.AddNew()->NewEmail()->SetEmail(U8("fine"));
        contacts.AddNew()->NewEmail()->SetEmail(U8("boom"));
        contacts.AddNew()->FirstName = U8("last");
        std::vector<std::uint32_t> ids;
        for (int i = 0; i < contacts.GetCount(); ++i)
            ids.push_back(contacts[i]->ContactId);

        EXPECT_EQ(contacts.SaveToDB(1, 0, true), STOREERR_WRITE);
        const StoreFailure failure = GetLastStoreFailure();
        EXPECT_EQ(failure.cause, c.cause) << failure.message;
        EXPECT_EQ(failure.sqliteCode, c.code);
        EXPECT_NE(failure.message.find(c.says), std::string::npos) << failure.message;
        EXPECT_EQ(ReadFile(file), bytes);
        for (int i = 0; i < contacts.GetCount(); ++i)
            EXPECT_EQ(contacts[i]->ContactId, ids[i]);
        if (!c.fixSql)
            continue;

        SetStorePath(U8(file.string()));
        if (*c.fixSql)
            Sql(file, c.fixSql);
        EXPECT_EQ(contacts.SaveToDB(1, 0, true), 4) << "the failed records are still to be written";
        EXPECT_EQ(GetLastStoreFailure().cause, StoreCause::None) << "a save that works leaves no failure behind";
        CContacts reloaded;
        ASSERT_EQ(reloaded.OpenFromDB(1, 0), 4);
        EXPECT_EQ(reloaded[0]->FirstName.ToUtf8(), "changed");
    }
}

// The errno comes before most codes, as SQLite reports a full disk as an
// I/O error of the call that met it.
TEST(StoreCauseTest, SqliteCodesAndErrnosMapToTheirCause)
{
    const struct {
        int code, systemError;
        StoreCause cause;
    } cases[] = {
        {SQLITE_BUSY, 0, StoreCause::Busy},
        {SQLITE_LOCKED_SHAREDCACHE, 0, StoreCause::Busy},
        {SQLITE_FULL, 0, StoreCause::DiskFull},
        {SQLITE_IOERR_WRITE, ENOSPC, StoreCause::DiskFull},
        {SQLITE_IOERR_FSYNC, EDQUOT, StoreCause::DiskFull},
        {SQLITE_IOERR_WRITE, EFBIG, StoreCause::FileTooLarge},
        {SQLITE_IOERR_WRITE, 0, StoreCause::WriteCutShort},
        {SQLITE_IOERR_TRUNCATE, 0, StoreCause::WriteCutShort},
        {SQLITE_IOERR_WRITE, EIO, StoreCause::IO},
        {SQLITE_IOERR_READ, 0, StoreCause::IO},
        {SQLITE_READONLY_DBMOVED, 0, StoreCause::ReadOnly},
        {SQLITE_PERM, 0, StoreCause::Permission},
        {SQLITE_CANTOPEN, EACCES, StoreCause::Permission},
        {SQLITE_IOERR_READ, EPERM, StoreCause::Permission},
        {SQLITE_CANTOPEN, ENOENT, StoreCause::CannotOpen},
        {SQLITE_NOTADB, 0, StoreCause::NotAStore},
        {SQLITE_CORRUPT_INDEX, 0, StoreCause::Corrupt},
        {SQLITE_CONSTRAINT_FOREIGNKEY, 0, StoreCause::Constraint},
        {SQLITE_TOOBIG, 0, StoreCause::TooBig},
        {SQLITE_NOMEM, 0, StoreCause::OutOfMemory},
        {SQLITE_IOERR_NOMEM, 0, StoreCause::OutOfMemory},
        {SQLITE_ERROR, 0, StoreCause::Other},
        {SQLITE_MISMATCH, 0, StoreCause::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(varno::store::CauseOfSqliteFailure(c.code, c.systemError), c.cause)
            << "code " << c.code << ", errno " << c.systemError;
}

// Both start on a store file that does not exist yet; it is made versioned
// and in WAL mode.
TEST_F(StoreFileTest, TwoProcessesSavingAtOnceBothSucceed)
{
    constexpr int kSaves = 25;
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = fork();
        ASSERT_GE(children[child], 0);
        if (children[child] != 0)
            continue;
        close(start[1]);
        char go;
        if (read(start[0], &go, 1) != 1)
            _exit(2);
        for (int i = 0; i < kSaves; ++i) {
            CContacts contacts, check;
            CContact* contact = contacts.AddNew();
            contact->FirstName = U8("child " + std::to_string(child));
            contact->LastName = U8(std::to_string(i));
            contact->NewTelephone()->SetNumber(U8("010"));
            contact->NewTelephone()->SetNumber(U8("011"));
            const long saved = contacts.SaveToDB(1, 0, true), loaded = check.OpenFromDB(1, 0);
            if (saved != 1 || loaded < i + 1) {
                std::fprintf(stderr, "child %d, save %d: saved %ld, loaded %ld\n", child, i, saved, loaded);
                _exit(1);
            }
        }
        _exit(0);
    }
    close(start[0]);
    ASSERT_EQ(write(start[1], "gg", 2), 2);
    close(start[1]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }

    CContacts contacts;
    ASSERT_EQ(contacts.OpenFromDB(1, 0), 2 * kSaves);
    int next[2] = {0, 0};
    for (int i = 0; i < contacts.GetCount(); ++i) {
        const std::string name = contacts[i]->FirstName.ToUtf8();
        ASSERT_TRUE(name == "child 0" || name == "child 1") << name;
        EXPECT_EQ(contacts[i]->LastName.ToUtf8(), std::to_string(next[name.back() - '0']++)) << "in order";
        EXPECT_EQ(contacts[i]->GetTelephoneCount(), 2);
    }
    EXPECT_EQ(next[0], kSaves);
    EXPECT_EQ(next[1], kSaves);
    EXPECT_EQ(Sql(m_file, "PRAGMA user_version"), "2");
    EXPECT_EQ(Sql(m_file, "PRAGMA journal_mode"), "wal");
}

} // namespace
