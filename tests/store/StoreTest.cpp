// The store as a whole: time zones, priorities, where the file lives, what a
// new store looks like, stores that cannot be used, and two processes at once.
#include "store/Calendars.h"
#include "store/ContactGroupPairs.h"
#include "store/ContactGroups.h"
#include "store/Contacts.h"
#include "store/Messages.h"
#include "store/MsgEmails.h"

#include "StoreTestSupport.h"

#include <climits>
#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace storetest;

namespace {

/// Sets or unsets an environment variable for its lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(StoreTimeTest, LocalAndUtcConvertBothWaysToTheSecond)
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
        {"UTC0", Date(2000, 1, 1, 0, 0, 0), Date(2000, 1, 1, 0, 0, 0)},
    };
    for (const Case& c : cases) {
        ScopedTimeZone zone(c.tz);
        EXPECT_TRUE(SameDate(c.utc, Local2Utc(c.local))) << c.tz;
        EXPECT_TRUE(SameDate(c.local, Utc2Local(c.utc))) << c.tz;
    }
}

TEST(StoreTimeTest, NullAndInvalidValuesPassThrough)
{
    ScopedTimeZone zone("KST-9");
    for (const COleDateTime& value : {COleDateTime(WithStatus(7.5, COleDateTime::null)),
                                      COleDateTime(WithStatus(40000.25, COleDateTime::invalid))}) {
        EXPECT_TRUE(SameDate(value, Local2Utc(value)));
        EXPECT_TRUE(SameDate(value, Utc2Local(value)));
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

TEST_F(StoreFileTest, PathIsTheHostsOrTheDefault)
{
    EXPECT_EQ(GetStorePath().ToUtf8(), m_file.string());
    SetStorePath(CString());
    struct Case {
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/data/xdg", "/home/u", "/data/xdg/varno/store.db"},
        {"relative/xdg", "/home/u", "/home/u/.local/share/varno/store.db"},
        {nullptr, "/home/v", "/home/v/.local/share/varno/store.db"},
    };
    for (const Case& c : cases) {
        ScopedEnv xdg("XDG_DATA_HOME", c.xdg), home("HOME", c.home);
        EXPECT_EQ(GetStorePath().ToUtf8(), c.expected);
    }
}

TEST_F(StoreFileTest, TheDefaultFolderIsCreatedOnFirstUse)
{
    const std::filesystem::path data = m_dir / "no" / "such" / "folder";
    ScopedEnv xdg("XDG_DATA_HOME", data.c_str());
    SetStorePath(CString());
    CMessages messages;
    messages.AddNew();
    EXPECT_EQ(messages.SaveToDB(1), 1);
    EXPECT_TRUE(std::filesystem::is_regular_file(data / "varno" / "store.db"));
}

TEST_F(StoreFileTest, ANewStoreIsCreatedVersionedAndInWalMode)
{
    CCalendars calendars;
    EXPECT_EQ(calendars.OpenFromDB(1, CALTYPE_MEMO, 1), 0);
    ASSERT_TRUE(std::filesystem::exists(m_file));
    EXPECT_EQ(SqlText(m_file, "PRAGMA user_version"), "1");
    EXPECT_EQ(SqlText(m_file, "PRAGMA journal_mode"), "wal");
}

/// One load and one save of each collection, with one new record to save.
std::vector<std::pair<const char*, std::function<long()>>> EveryLoadAndSave()
{
    return {
        {"calendar load", [] { CCalendars c; return c.OpenFromDB(1, CALTYPE_MEMO, 1); }},
        {"calendar save", [] { CCalendars c; c.AddNew(); return c.SaveToDB(1, true); }},
        {"contact load", [] { CContacts c; return c.OpenFromDB(1, 0); }},
        {"contact save", [] { CContacts c; c.AddNew(); return c.SaveToDB(1, 0, true); }},
        {"group load", [] { CContactGroups c; return c.OpenFromDB(1); }},
        {"group save", [] { CContactGroups c; c.AddNew(); return c.SaveToDB(1, true); }},
        {"link load", [] { CContactGroupPairs c; return c.OpenFromDB(); }},
        {"link save", [] { CContactGroupPairs c; return c.SaveToDB(); }},
        {"message load", [] { CMessages c; return c.OpenFromDB(1); }},
        {"message save", [] { CMessages c; c.AddNew(); return c.SaveToDB(1); }},
        {"e-mail load", [] { CMsgEmails c; return c.OpenFromDB(1); }},
        {"e-mail save", [] { CMsgEmails c; c.AddNew(); return c.SaveToDB(1); }},
    };
}

TEST_F(StoreFileTest, AFileThatIsNotOurStoreIsRefusedAndLeftAlone)
{
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> make;
    };
    const Case cases[] = {
        {"text file",
         [](const std::filesystem::path& file) {
             std::ofstream(file, std::ios::binary) << std::string(300, 'x') << "\nnot a database\n";
         }},
        {"database of another program",
         [](const std::filesystem::path& file) { Sql(file, "CREATE TABLE notes (x); INSERT INTO notes VALUES ('keep')"); }},
        {"store of a newer version",
         [](const std::filesystem::path& file) {
             SetStorePath(CString::FromUtf8(file.string()));
             CMessages messages;
             messages.AddNew();
             ASSERT_EQ(messages.SaveToDB(1), 1);
             Sql(file, "PRAGMA user_version = 99");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = m_dir / (std::string(c.name) + ".db");
        c.make(file);
        SetStorePath(CString::FromUtf8(file.string()));
        const std::string bytes = ReadFile(file);
        for (const auto& [what, call] : EveryLoadAndSave())
            EXPECT_LT(call(), 0) << what;
        EXPECT_EQ(ReadFile(file), bytes);
        EXPECT_FALSE(std::filesystem::exists(file.string() + "-wal"));
    }
}

TEST_F(StoreFileTest, AStoreThatCannotBeOpenedFailsEveryCall)
{
    SetStorePath(CString::FromUtf8((m_dir / "missing folder" / "store.db").string()));
    for (const auto& [what, call] : EveryLoadAndSave())
        EXPECT_EQ(call(), STOREERR_OPEN) << what;
    EXPECT_FALSE(std::filesystem::exists(m_dir / "missing folder"));
}

TEST_F(StoreFileTest, AReadOnlyStoreLoadsButWritesNothing)
{
    CCalendars saved;
    saved.AddNew()->Summary = U("stored");
    ASSERT_EQ(saved.SaveToDB(1, true), 1);
    const std::string bytes = ReadFile(m_file);

    SetStorePath(CString::FromUtf8("file:" + m_file.string() + "?mode=ro"));
    CCalendars calendars;
    ASSERT_EQ(calendars.OpenFromDB(1, 0, 1), 1);
    calendars[0]->Summary = U("changed");
    calendars.AddNew()->Summary = U("new");
    const std::uint32_t newId = calendars[1]->CalendarId;
    EXPECT_EQ(calendars.SaveToDB(1, true), STOREERR_WRITE);
    EXPECT_EQ(calendars[1]->CalendarId, newId);
    EXPECT_EQ(ReadFile(m_file), bytes);

    SetStorePath(CString::FromUtf8(m_file.string()));
    CCalendars reloaded;
    ASSERT_EQ(reloaded.OpenFromDB(1, 0, 1), 1);
    EXPECT_EQ(reloaded[0]->Summary.ToUtf8(), "stored");
}

TEST_F(StoreFileTest, TwoProcessesSavingAtOnceBothSucceed)
{
    constexpr int kSaves = 25;
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            // Both start on a store file that does not exist yet.
            close(start[1]);
            char go;
            if (read(start[0], &go, 1) != 1)
                _exit(2);
            for (int i = 0; i < kSaves; ++i) {
                CContacts contacts;
                CContact* contact = contacts.AddNew();
                contact->FirstName = CString::FromUtf8("child " + std::to_string(child));
                contact->LastName = CString::FromUtf8(std::to_string(i));
                contact->NewTelephone()->SetNumber(U("010"));
                contact->NewTelephone()->SetNumber(U("011"));
                CContacts check;
                const long saved = contacts.SaveToDB(1, 0, true);
                const long loaded = check.OpenFromDB(1, 0);
                if (saved != 1 || loaded < i + 1) {
                    std::fprintf(stderr, "child %d, save %d: saved %ld, loaded %ld\n", child, i, saved, loaded);
                    _exit(1);
                }
            }
            _exit(0);
        }
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
        int& expected = next[name.back() - '0'];
        EXPECT_EQ(contacts[i]->LastName.ToUtf8(), std::to_string(expected++)) << "each child's saves in order";
        EXPECT_EQ(contacts[i]->GetTelephoneCount(), 2);
    }
    EXPECT_EQ(next[0], kSaves);
    EXPECT_EQ(next[1], kSaves);
}

} // namespace
