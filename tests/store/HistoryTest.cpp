// What keeps a store safe: its files private to their owner, every import
// recorded and undoable, a check that says whether it is sound, and a copy
// consistent while another process saves.
#include "StoreTestSupport.h"

#include "converters/CSVContact.h"
#include "manager/CSVMng.h"
#include "manager/CSVPipelinedMng.h"
#include "store/History.h"
#include "store/Schema_p.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <thread>

using namespace storetest;
using namespace varno::store;
using Outcome = UndoResult::Outcome;

namespace {

unsigned Mode(const std::filesystem::path& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 0777;
}

class UmaskGuard {
public:
    explicit UmaskGuard(mode_t mask) : m_old(::umask(mask)) {}
    ~UmaskGuard() { ::umask(m_old); }
    UmaskGuard(const UmaskGuard&) = delete;
    UmaskGuard& operator=(const UmaskGuard&) = delete;

private:
    mode_t m_old;
};

class HistoryTest : public TempStore {
protected:
    /// Imports `rows` ("memo,color" lines) through the facade from a file
    /// named `name`: the records saved.
    long ImportMemos(const std::string& name, const std::string& rows)
    {
        WriteBytes(name, "memo,color\n" + rows);
        CStringList fields{u"memo", u"color"};
        long count = 0;
        EXPECT_EQ(CSVMng().Import(CSVTYPE_MEMO, count, 1, PathOf(name), fields, fields, -1, false), CSVERR_SUCCESS);
        return count;
    }
    /// Imports contacts ("FIRST_NAME,GROUP_NAME" lines), linking their groups.
    long ImportContacts(const std::string& name, const std::string& rows)
    {
        WriteBytes(name, "FIRST_NAME,GROUP_NAME\n" + rows);
        CStringList fields{u"FIRST_NAME", u"GROUP_NAME"};
        long count = 0;
        EXPECT_EQ(CSVMng().Import(CSVTYPE_CONTACT, count, 1, PathOf(name), fields, fields, -1, false),
                  CSVERR_SUCCESS);
        return count;
    }
    /// Every memo, contact (with its groups) and group, by name.
    std::string Stored() const
    {
        std::string all;
        for (const std::string& row :
             SqlRows(m_file, "SELECT 'memo ' || description FROM calendar UNION ALL "
                             "SELECT 'contact ' || first_name || coalesce((SELECT '>' || group_concat(g.name) FROM "
                             "contact_group_pair AS p JOIN contact_group AS g ON g.id = p.group_id WHERE "
                             "p.contact_id = contact.id), '') FROM contact UNION ALL "
                             "SELECT 'group ' || name FROM contact_group"))
            all += row + "; ";
        return all;
    }
};

// A store varnocsv makes, its default folders, WAL and shared-memory files
// are its owner's alone under any umask; an existing store keeps its mode.
TEST_F(HistoryTest, AStoreAndItsFilesArePrivateToTheirOwner)
{
    for (const mode_t mask : {mode_t{022}, mode_t{077}}) {
        SCOPED_TRACE(mask);
        const std::filesystem::path data = m_dir / ("mask" + std::to_string(mask)) / "data";
        std::filesystem::create_directories(data.parent_path());
        varno::test::EnvGuard xdg("XDG_DATA_HOME", data.string());
        UmaskGuard umask(mask);
        SetStorePath(CString());
        const std::filesystem::path store = data / "varno/store.db";
        // A reader holds the store open, so its -wal and -shm files stay.
        sqlite3* reader = nullptr;
        for (int save = 0; save < 2; ++save) {
            CContacts contacts;
            contacts.AddNew()->FirstName = U8("private");
            ASSERT_EQ(contacts.SaveToDB(1, 0, true), 1) << GetLastStoreFailure().message;
            if (!reader) {
                ASSERT_EQ(sqlite3_open(store.c_str(), &reader), SQLITE_OK);
                ASSERT_EQ(sqlite3_exec(reader, "SELECT count(*) FROM contact", nullptr, nullptr, nullptr), SQLITE_OK);
            }
        }
        EXPECT_EQ(Mode(data), 0700u);
        EXPECT_EQ(Mode(data / "varno"), 0700u);
        for (const char* suffix : {"", "-wal", "-shm"})
            EXPECT_EQ(Mode(store.string() + suffix), 0600u) << suffix;
        sqlite3_close(reader);

        ASSERT_EQ(::chmod(store.c_str(), 0640), 0);
        CContacts more;
        more.AddNew();
        ASSERT_EQ(more.SaveToDB(1, 0, true), 1);
        EXPECT_EQ(Mode(store), 0640u) << "an existing store keeps the mode its owner gave it";
        SetStorePath(U8(m_file.string()));
    }
}

// Imports through the facade, undone newest first one after another:
// each undo removes exactly that import's records, and once all are undone
// there is nothing left; an import undone is not undone twice.
TEST_F(HistoryTest, ImportsAreUndoneOneByOneNewestFirst)
{
    const std::string files[] = {"one.csv", "two.csv", "three.csv"};
    ASSERT_EQ(ImportMemos(files[0], "a,red\n"), 1);
    ASSERT_EQ(ImportMemos(files[1], "b,red\nc,blue\n"), 2);
    ASSERT_EQ(ImportMemos(files[2], "d,red\ne,red\nf,red\n"), 3);
    std::vector<HistoryEntry> history;
    ASSERT_EQ(ReadHistory(history), 3);
    EXPECT_EQ(history[0].import.file, Path(files[2]));
    EXPECT_EQ(history[0].import.type, "memo");
    EXPECT_EQ(history[0].import.mapping, "memo=memo, color=color");
    EXPECT_EQ(history[0].records, 3);
    EXPECT_EQ(history[2].records, 1);

    const char* const left[] = {"memo a; memo b; memo c; ", "memo a; ", ""};
    for (int undo = 0; undo < 3; ++undo) {
        const UndoResult result = UndoImport(std::nullopt, false);
        ASSERT_EQ(result.outcome, Outcome::Undone) << GetLastStoreFailure().message;
        EXPECT_EQ(result.entry.import.file, Path(files[2 - undo]));
        EXPECT_EQ(result.records, 3 - undo);
        EXPECT_EQ(Stored(), left[undo]);
    }
    EXPECT_EQ(UndoImport(std::nullopt, false).outcome, Outcome::NothingToUndo);
    const UndoResult twice = UndoImport(history[1].id, true);
    EXPECT_EQ(twice.outcome, Outcome::AlreadyUndone);
    EXPECT_FALSE(twice.entry.undone.empty());
    EXPECT_EQ(UndoImport(99, false).outcome, Outcome::NoSuchImport);
    ASSERT_EQ(ReadHistory(history), 3);
    EXPECT_FALSE(history[2].undone.empty());

    // An import whose save never commits (Ctrl-C) leaves nothing to undo.
    {
        const ImportRecording recording({"cut.csv", "memo", 1, ""});
        CCalendars calendars;
        calendars.AddNew()->Summary = U8("cut");
        ASSERT_EQ(calendars.BeginSave(1, true), 0);
        ASSERT_EQ(calendars.SaveBatch(), 1);
    } // destroyed before EndSave: rolled back
    EXPECT_EQ(UndoImport(std::nullopt, false).outcome, Outcome::NothingToUndo);
    EXPECT_EQ(ReadHistory(history), 3);
}

// Two imports at once on two threads of one process each record only their
// own records, also where one saves on the workers of the pipelined path.
TEST_F(HistoryTest, ImportsOnTwoThreadsEachRecordTheirOwnRecords)
{
    std::string many;
    for (int i = 0; i < 5000; ++i)
        many.append("m").append(std::to_string(i)).append(",red\n");
    WriteBytes("many.csv", "memo,color\n" + many);
    WriteBytes("few.csv", "memo,color\nx,red\ny,red\nz,red\n");
    long pipelined = 0, plain = 0;
    std::thread first([&] {
        CStringList fields{u"memo", u"color"};
        EXPECT_EQ(CSVPipelinedMng().Import(CSVTYPE_MEMO, pipelined, 1, PathOf("many.csv"), fields, fields, -1, false),
                  CSVERR_SUCCESS);
    });
    std::thread second([&] {
        CStringList fields{u"memo", u"color"};
        EXPECT_EQ(CSVMng().Import(CSVTYPE_MEMO, plain, 1, PathOf("few.csv"), fields, fields, -1, false),
                  CSVERR_SUCCESS);
    });
    first.join();
    second.join();
    ASSERT_EQ(pipelined, 5000);
    ASSERT_EQ(plain, 3);
    std::vector<HistoryEntry> history;
    ASSERT_EQ(ReadHistory(history), 2);
    std::map<std::string, std::int64_t> recorded;
    for (const HistoryEntry& entry : history)
        recorded[std::filesystem::path(entry.import.file).filename()] = entry.records;
    EXPECT_EQ(recorded, (std::map<std::string, std::int64_t>{{"few.csv", 3}, {"many.csv", 5000}}));
    const auto few = std::find_if(history.begin(), history.end(),
                                  [](const HistoryEntry& e) { return e.records == 3; });
    ASSERT_EQ(UndoImport(few->id, false).outcome, Outcome::Undone);
    EXPECT_EQ(Stored().find("memo x;"), std::string::npos);
    EXPECT_NE(Stored().find("memo m4999;"), std::string::npos);
}

// A contact import that created groups: its contacts, links and the groups
// that nothing else uses go; a group that was there before, or that a later
// import's contacts use, stays.
TEST_F(HistoryTest, AContactImportIsUndoneWithItsLinksAndTheGroupsItCreated)
{
    ASSERT_EQ(ImportContacts("before.csv", "Ann,Family\n"), 1);
    ASSERT_EQ(ImportContacts("groups.csv", "Bob,Family\nCy,Work\nDi,Club\n"), 3);
    ASSERT_EQ(ImportContacts("later.csv", "Eve,work\n"), 1);
    std::vector<HistoryEntry> history;
    ASSERT_EQ(ReadHistory(history), 3);
    EXPECT_EQ(history[1].groups, 2) << "Work and Club";

    const UndoResult result = UndoImport(history[1].id, false);
    ASSERT_EQ(result.outcome, Outcome::Undone) << GetLastStoreFailure().message;
    EXPECT_EQ(result.records, 3);
    EXPECT_EQ(result.links, 3);
    EXPECT_EQ(result.groups, 1);
    EXPECT_EQ(result.groupsKept, 1);
    EXPECT_EQ(Stored(), "contact Ann>Family; contact Eve>Work; group Family; group Work; ");
    EXPECT_EQ(Sql(m_file, "PRAGMA foreign_key_check"), "");
}

// A record changed since its import stops the undo, which names it and
// removes nothing; --force removes it all the same.
TEST_F(HistoryTest, ARecordChangedSinceStopsTheUndoUnlessForced)
{
    const struct {
        const char* name;
        void (*change)();
        const char* says;
    } cases[] = {
        {"updated by a host",
         [] {
             CContacts contacts;
             ASSERT_EQ(contacts.OpenFromDB(1, 0), 2);
             contacts[1]->FirstName = U8("renamed");
             ASSERT_EQ(contacts.SaveToDB(1, 0, true), 1);
         },
         "contact 2 was updated since"},
        {"linked by a later import",
         [] {
             CContacts contacts;
             ASSERT_EQ(contacts.OpenFromDB(1, 0), 2);
             contacts[0]->NewGroup(U8("Later"));
             contacts[1]->NewGroup(U8("Later"));
             const ImportRecording recording({"later.csv", "contact", 1, ""});
             CCSVContact().Import_ContactGroup(1, contacts);
         },
         "contact 2 was linked to group 1 since"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = m_dir / (std::string(c.name) + ".db");
        SetStorePath(U8(file.string()));
        m_file = file;
        ASSERT_EQ(ImportContacts("first.csv", "Ann\n"), 1);
        ASSERT_EQ(ImportContacts("second.csv", "Bob\n"), 1);
        std::vector<HistoryEntry> history;
        ASSERT_EQ(ReadHistory(history), 2);
        const std::int64_t second = history[0].id;
        c.change();
        const std::string before = ReadFile(file) + Stored();
        const UndoResult refused = UndoImport(second, false);
        EXPECT_EQ(refused.outcome, Outcome::ChangedSince);
        EXPECT_EQ(refused.changed, std::vector<std::string>{c.says});
        EXPECT_TRUE(ReadFile(file) + Stored() == before) << "nothing removed";
        const UndoResult forced = UndoImport(second, true);
        EXPECT_EQ(forced.outcome, Outcome::Undone);
        EXPECT_EQ(forced.records, 1);
        EXPECT_EQ(Sql(file, "SELECT group_concat(first_name) FROM contact"), "Ann");
    }
}

// The check reads a sound store as sound, and names what is wrong with a
// changed schema and with a copy whose bytes were overwritten.
TEST_F(HistoryTest, CheckFindsASoundStoreSoundAndNamesWhatIsWrong)
{
    ASSERT_EQ(ImportContacts("in.csv", "Ann,Family\nBob,Work\n"), 2);
    CheckResult result;
    ASSERT_TRUE(CheckStore(result)) << GetLastStoreFailure().message;
    EXPECT_TRUE(result.sound);
    EXPECT_EQ(result.version, CurrentSchemaVersions()->Version());
    EXPECT_TRUE(result.problems.empty());

    ASSERT_EQ(BackupStore(Path("copy.db")), 0);
    std::string bytes = ReadBytes("copy.db");
    ASSERT_GT(bytes.size(), 8192u);
    for (std::size_t i = 4096; i < bytes.size(); ++i) // every page but the first, which holds the schema
        bytes[i] = '\xA5';
    WriteBytes("damaged.db", bytes);
    SetStorePath(PathOf("damaged.db"));
    EXPECT_TRUE(!CheckStore(result) || !result.sound);
    EXPECT_FALSE(result.problems.empty());

    SetStorePath(PathOf("copy.db"));
    Sql(m_dir / "copy.db", "CREATE VIEW v AS SELECT 1");
    ASSERT_TRUE(CheckStore(result));
    EXPECT_FALSE(result.sound);
    EXPECT_EQ(result.problems, std::vector<std::string>{"view \"v\" is not ours"});
}

// A copy made while another process imports is one committed state: each
// of the other's saves holds kBatch memos, so a copy holds a multiple.
TEST_F(HistoryTest, ABackupDuringAnImportIsConsistentAndPrivate)
{
    ASSERT_EQ(ImportMemos("first.csv", "a,red\n"), 1);
    constexpr int kBatch = 500, kSaves = 20;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int save = 0; save < kSaves; ++save) {
            CCalendars calendars;
            for (int i = 0; i < kBatch; ++i)
                calendars.AddNew()->Summary = U8("m");
            if (calendars.SaveToDB(1, true) != kBatch)
                _exit(1);
        }
        _exit(0);
    }
    UmaskGuard umask(022);
    for (int copy = 0; copy < 10; ++copy) {
        const std::filesystem::path target = m_dir / ("copy" + std::to_string(copy) + ".db");
        ASSERT_EQ(BackupStore(target.string()), 0) << GetLastStoreFailure().message;
        EXPECT_EQ(Mode(target), 0600u);
        EXPECT_EQ(Sql(target, "PRAGMA integrity_check"), "ok");
        const std::string memos = Sql(target, "SELECT count(*) - 1 FROM calendar");
        EXPECT_EQ(std::stoi(memos) % kBatch, 0) << memos;
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    int copies = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir))
        copies += entry.path().filename().string().starts_with("copy");
    EXPECT_EQ(copies, 10) << "no temporary file left beside them";
}

} // namespace
