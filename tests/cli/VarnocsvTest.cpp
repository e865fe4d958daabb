// End-to-end tests of the varnocsv binary, run as a user would with a store and
// files in a temporary folder. The child gets only the environment set here
// (TZ, locale, HOME, XDG_DATA_HOME), so no run can touch the user's own store.
// Each table row is one thing a user met, with its outcome: exit code,
// message, store contents, files on disk.
#include "tests/store/StoreTestSupport.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <regex>
#include <thread>

namespace varno::test {
namespace {

using Args = std::vector<std::string>;

struct RunResult {
    int exit = -1;
    std::string out, err, command;
};

/// How the child is started, beyond its arguments.
struct Start {
    std::string in = "/dev/null"; ///< standard input
    std::string out = {};         ///< standard output ("": a file of the test)
    int fd3 = -1;                 ///< handed to the child as descriptor 3
    int fileSizeBlocks = 0;       ///< a file-size limit (ulimit -f), 0: none
    std::function<void(pid_t)> whileRunning = {};
    std::string pasted = {};      ///< words for /bin/sh after the arguments, as a user pastes them
};

/// A file of `count` memos after its header, each "memo N " and `words`.
std::string ManyMemos(int count, const std::string& words = "with some words")
{
    std::string many = "memo,color\r\n";
    for (int i = 0; i < count; ++i)
        many += "memo " + std::to_string(i) + " " + words + ",blue\r\n";
    return many;
}

constexpr std::string_view kTwoMemos = "\"memo\",\"color\"\r\n\"Buy milk\",\"yellow\"\r\n\"Call Ann\",\"red\"\r\n";

class VarnocsvTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        m_env = {{"TZ", "UTC"}, {"LANG", "C.UTF-8"}, {"LC_ALL", "C.UTF-8"}, {"HOME", Path("home")},
                 {"XDG_DATA_HOME", Path("xdg")}};
        WriteBytes("in.csv", kTwoMemos);
    }

    /// Runs varnocsv exactly with `args`; standard output and error go to files.
    RunResult Raw(Args args, const Start& start = {}) const
    {
        args.insert(args.begin(), VARNOCSV_PATH);
        args.insert(args.begin(), m_wrapper.begin(), m_wrapper.end());
        if (!start.pasted.empty())
            args.insert(args.begin(), {"/bin/sh", "-c", "exec \"$0\" \"$@\" " + start.pasted});
        if (start.fileSizeBlocks > 0)
            args.insert(args.begin(), {"/bin/sh", "-c", "ulimit -f " + std::to_string(start.fileSizeBlocks) +
                                                            "; exec \"$0\" \"$@\""});
        Args env;
        for (const auto& [name, value] : m_env)
            env.push_back(name + "=" + value);
        std::vector<char*> argv, envp;
        for (std::string& s : args)
            argv.push_back(s.data());
        for (std::string& s : env)
            envp.push_back(s.data());
        argv.push_back(nullptr), envp.push_back(nullptr);
        const std::string out = start.out.empty() ? Path(".out") : start.out, err = Path(".err");
        posix_spawn_file_actions_t io;
        posix_spawn_file_actions_init(&io);
        posix_spawn_file_actions_addopen(&io, 0, start.in.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&io, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&io, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (start.fd3 >= 0)
            posix_spawn_file_actions_adddup2(&io, start.fd3, 3);
        pid_t child = 0;
        int status = -1;
        if (posix_spawn(&child, argv[0], &io, nullptr, argv.data(), envp.data()) == 0) {
            if (start.whileRunning)
                start.whileRunning(child);
            waitpid(child, &status, 0);
        }
        posix_spawn_file_actions_destroy(&io);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, start.out.empty() ? ReadFile(out) : "", ReadFile(err),
                ::testing::PrintToString(args)};
    }
    /// Runs varnocsv with a fixed code page and locale on the test's store
    /// (the default store when `store` is empty).
    RunResult Run(const Args& args, const std::string& store = "store.db", const std::string& codePage = "65001",
                  const Start& start = {}) const
    {
        Args all{"--codepage", codePage, "--locale", "en_US"};
        if (!store.empty())
            all.insert(all.end(), {"--store", Path(store)});
        all.insert(all.end(), args.begin(), args.end());
        return Raw(all, start);
    }
    RunResult Ok(const Args& args, const std::string& store = "store.db", const std::string& codePage = "65001") const
    {
        RunResult r = Run(args, store, codePage);
        EXPECT_EQ(r.exit, 0) << r.command << "\n" << r.err;
        return r;
    }
    static void Expect(const RunResult& r, int exit, const std::string& says)
    {
        EXPECT_EQ(r.exit, exit) << r.command << "\n" << r.err;
        if (exit != 0) {
            EXPECT_EQ(r.out, "") << r.command;
        }
        EXPECT_NE(r.err.find(says), std::string::npos) << r.command << "\n" << r.err;
    }
    /// The memos of a store as export writes them ("(no store)" when there is none).
    std::string Stored(const std::string& store) const
    {
        if (!Exists(store))
            return "(no store)";
        const RunResult r = Run({"export", "memo", Path(".stored.csv")}, store);
        return r.exit == 0 ? ReadBytes(".stored.csv") : "(export failed: " + r.err + ")";
    }
    /// How many memos a store holds and how long the longest is, "|"-joined
    /// ("(no store)" when there is none).
    std::string Memos(const std::string& store) const
    {
        return Exists(store) ? storetest::SqlRows(Path(store), "SELECT count(*), max(length(description)) FROM calendar "
                                                                "WHERE calendar_type = 3")[0]
                             : "(no store)";
    }
    /// The records of a --json list or preview, without their ids: a
    /// stored record has one, a previewed one none.
    static nlohmann::json Records(const RunResult& r, bool stored)
    {
        nlohmann::json records = nlohmann::json::parse(r.out, nullptr, false)["records"];
        for (auto& record : records) {
            EXPECT_EQ(record["id"].is_null(), !stored) << r.command;
            record.erase("id");
        }
        return records;
    }

    std::map<std::string, std::string> m_env;
    Args m_wrapper; ///< words that run the child, before its path (a limit, another user)
};

TEST_F(VarnocsvTest, BadCommandLinesSayTheOneProblem)
{
    const std::string file = Path("in.csv");
    const struct {
        Args args;
        std::string says;
    } rows[] = {
        {{}, "no command given"},
        {{"frob"}, "unknown command \"frob\""},
        {{"count", "memos", file}, "unknown type \"memos\""},
        {{"export", "7", file}, "unknown type \"7\""},
        {{"count", "memo"}, "FILE is required"},
        {{"fields", file, file}, file},
        {{"--bogus", "list", "memo"}, "--bogus"},
        {{"--profile", "abc", "list", "memo"}, "abc"},
        {{"--profile", "0", "list", "memo"}, "--profile: Value 0 not in range"},
        {{"--profile", "-1", "list", "memo"}, "--profile"},
        {{"--codepage", "utf8x", "list", "memo"}, "utf8x is not a code page: use 65001 (utf-8, utf8), 1252"},
        {{"--locale", "garbage", "list", "memo"}, "garbage is not a locale ICU knows"},
        {{"--store", "", "list", "memo"}, "--store: the store file name is empty"},
        {{"count", "memo", file, "--map", "memo"}, "\"memo\" is not FIELD=COLUMN"},
        {{"count", "memo", file, "--map", "=Text"}, "\"=Text\" is not FIELD=COLUMN"},
        {{"import", "memo", file, "--map", "memo="}, "\"memo=\" is not FIELD=COLUMN"},
        {{"import", "memo", file, "--map", "body=Text"}, "--map body=Text: memo has no field \"body\" (its fields: "
                                                         "memo, color; \"varnocsv fields memo\" says"},
        {{"export", "memo", ""}, "the file name is empty"},
        {{"--json", "export", "memo", "-"}, "--json cannot go with an export to standard output"},
        {{"import", "memo", file, "--option", "x"}, "--option"},
    };
    for (const auto& row : rows) {
        const RunResult r = Raw(row.args);
        Expect(r, 2, row.says);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
        EXPECT_NE(r.err.find("--help\" for more information.\n"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(Exists("xdg")) << "a rejected command line must not touch the store";
    for (const std::string command : {"", "export", "count", "import", "preview", "fields", "list"}) {
        const RunResult r = Raw(command.empty() ? Args{"--help"} : Args{command, "--help"});
        EXPECT_EQ(r.exit, 0) << command;
        EXPECT_EQ(r.err, "") << command;
        EXPECT_NE(r.out.find("Usage: varnocsv " + command), std::string::npos) << r.out;
    }
    EXPECT_NE(Raw({"import", "--help"}).out.find("link the contacts to the groups named in the file"),
              std::string::npos);
    EXPECT_EQ(Raw({"--version"}).out, "varnocsv " VARNO_VERSION "\n");
}

// Every command in turn on one store, as people and as scripts read it.
TEST_F(VarnocsvTest, EveryCommandHumanAndJson)
{
    const std::string in = Path("in.csv");
    const std::string mapping = "varnocsv: mapping: 2 fields from 2 columns (preview names them)\n";
    const struct {
        Args args;
        std::string out, err;
    } rows[] = {
        {{"fields", in}, "1\tmemo\n2\tcolor\n", ""},
        {{"--json", "fields", in}, R"({"path":")" + in + R"(","fields":["memo","color"]})" "\n", ""},
        {{"fields", "4"},
         "the fields of memos (--map FIELD=COLUMN); an import needs memo:\n\n"
         "memo (principal)  the text of the memo\n"
         "  a column named \"memo\", \"Note\", \"Notes\", \"Text\", \"Notiz\" fills it with no --map\n\n"
         "color  the memo's colour, as the suite keeps it\n"
         "  a column named \"color\", \"Colour\", \"Farbe\" fills it with no --map\n",
         ""},
        {{"--json", "fields", "todo"}, "", ""}, // parsed below
        {{"count", "memo", in}, in + " holds 2 memos\n", mapping},
        {{"--json", "count", "Memo", in}, R"({"type":"memo","path":")" + in + R"(","count":2})" "\n", mapping},
        {{"import", "4", in}, "saved 2 memos from " + in + " to profile 1 of " + Path("store.db") + "\n",
         mapping + "varnocsv: created the store " + Path("store.db") + "\n"},
        {{"list", "MEMO"},
         "N  memo=\"Buy milk\"  color=\"yellow\"\nN  memo=\"Call Ann\"  color=\"red\"\n2 memos in profile 1\n", ""},
        {{"--json", "list", "memo"},
         R"({"type":"memo","records":[{"id":N,"memo":"Buy milk","color":"yellow","deleted":false},)"
         R"({"id":N,"memo":"Call Ann","color":"red","deleted":false}]})" "\n", ""},
        {{"export", "memo", Path("out")}, "exported 2 memos to " + Path("out.csv") + "\n", ""},
        {{"--json", "export", "4", Path("out.txt")},
         R"({"type":"memo","path":")" + Path("out.txt.csv") + R"(","written":2,"replaced":0})" "\n", ""},
        {{"--json", "import", "memo", in, "--option", "0", "--flag"},
         R"({"type":"memo","path":")" + in + R"(","saved":2})" "\n",
         mapping + "varnocsv: 2 of the 2 memos in " + in + " are in the store already with the same content (the "
                   "first on line 2): they are stored again; --skip-existing leaves them out\n"},
        {{"--json", "import", "memo", in, "--skip-existing"}, R"({"type":"memo","path":")" + in + R"(","saved":0})" "\n",
         mapping + "varnocsv: 2 of the 2 memos in " + in + " are in the store already with the same content (the "
                   "first on line 2): left out (--skip-existing), so there is nothing to import\n"},
        {{"import", "memo", in, "--skip-existing"},
         "saved 0 memos from " + in + " to profile 1 of " + Path("store.db") + " (2 left out as stored already)\n",
         mapping + "varnocsv: 2 of the 2 memos in " + in + " are in the store already with the same content (the "
                   "first on line 2): left out (--skip-existing), so there is nothing to import\n"},
    };
    const std::regex id(R"((^|"id":)\d+(?=  memo=|,"memo"))", std::regex::multiline);
    for (const auto& row : rows) {
        const RunResult r = Ok(row.args);
        if (row.args == Args{"--json", "fields", "todo"}) {
            const auto fields = nlohmann::json::parse(r.out).at("fields");
            ASSERT_EQ(fields.size(), 6u);
            EXPECT_EQ(fields[1].at("field"), "start_time");
            EXPECT_EQ(fields[1].at("column"), "start_date");
            EXPECT_TRUE(fields[0].at("principal"));
            continue;
        }
        EXPECT_EQ(std::regex_replace(r.out, id, "$1N"), row.out) << r.command;
        EXPECT_EQ(r.err, row.err) << r.command;
    }
    EXPECT_EQ(ReadBytes("out.csv"), kTwoMemos);
}

// The store's upkeep, one command after another on one store: the history
// newest first, undo of the newest and by id, each once, check and backup.
TEST_F(VarnocsvTest, HistoryUndoCheckAndBackup)
{
    WriteBytes("groups.csv", "FIRST_NAME,GROUP_NAME\nAnn,Family\nBob,Work\n");
    const std::string in = Path("in.csv"), groups = Path("groups.csv"), copy = Path("copy.db");
    Ok({"import", "memo", in});
    Ok({"import", "contact", groups});
    const struct {
        Args args;
        int exit;
        std::string says; // in standard output on success, else in standard error
        std::string store = "store.db";
    } rows[] = {
        {{"history"}, 0, "2   T  contact  1        2 (2 groups made)  " + groups + "\n1   T  memo     1        2   "},
        {{"undo"}, 0, "undid import 2 (contact from " + groups + ", T): removed 2 records, 2 links to groups, 2 "
                      "groups\n"},
        {{"undo", "2"}, 1, "varnocsv: import 2 was undone already, at T; nothing was removed\n"},
        {{"--json", "undo"}, 0, R"({"undone":1,"path":")" + in + R"(","type":"memo","records":2,"links":0,)"
                                R"("groups":0,"groupsKept":0})"},
        {{"undo"}, 1, "varnocsv: nothing to undo: the store " + Path("store.db") + " records no import that is "
                      "not undone"},
        {{"undo", "7"}, 1, "records no import 7; \"varnocsv history\" lists the imports"},
        {{"--json", "history"}, 0, R"("type":"memo","profile":1,"mapping":"memo=memo, color=color","records":2,)"
                                   R"("groups":0,"undone":"T"}]})"},
        {{"check"}, 0, "the store " + Path("store.db") + " is sound (schema version 2)\n"},
        {{"backup", copy}, 0, "copied the store " + Path("store.db") + " to " + copy + "\n"},
        {{"--json", "check"}, 0, R"({"path":")" + copy + R"(","sound":true,"version":2,"problems":[]})", "copy.db"},
        {{"history"}, 1, "there is no store at " + Path("none.db"), "none.db"},
        {{"backup", Path("store.db")}, 1, "cannot copy the store " + Path("store.db") + " to " + Path("store.db") +
                                          ": " + Path("store.db") + " is the store itself; the store is unchanged"},
    };
    const std::regex time(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)");
    m_env["COLUMNS"] = "200";
    for (const auto& row : rows) {
        const RunResult r = Run(row.args, row.store);
        EXPECT_EQ(r.exit, row.exit) << r.command << "\n" << r.err;
        const std::string said = std::regex_replace(row.exit == 0 ? r.out : r.err, time, "T");
        EXPECT_NE(said.find(std::regex_replace(row.says, time, "T")), std::string::npos) << r.command << "\n" << said;
    }
    EXPECT_EQ(Memos("store.db"), "0|NULL");
    struct stat st {};
    ASSERT_EQ(::stat(copy.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    storetest::Sql(copy, "CREATE TRIGGER t AFTER INSERT ON calendar BEGIN DELETE FROM contact; END");
    const RunResult damaged = Run({"check"}, "copy.db");
    EXPECT_EQ(damaged.exit, 1);
    EXPECT_EQ(damaged.out, "the store " + copy + " is not sound:\n  trigger \"t\" on table calendar is not ours\n");
}

// Each failure exits 1 with one message naming the file or the store and
// what went wrong, and leaves files and the store as they were.
TEST_F(VarnocsvTest, FailuresExitOneAndSaySo)
{
    WriteBytes("empty.csv", "");
    const std::string garbage(8192, '#'), notes = Path("notes.txt"), in = Path("in.csv");
    const std::string missing = Path("missing.csv"), empty = Path("empty.csv"), none = Path("none.db");
    WriteBytes("notes.txt", garbage);
    Ok({"import", "memo", in});
    const struct {
        Args args;
        std::string says;
        std::string store = "store.db";
    } rows[] = {
        {{"count", "2", in}, in + ": no header column is named after a field of calendar (summary, start_time, "
                             "end_time, allday, alarm_runtime, description, location)"},
        {{"preview", "memo", empty}, empty + " holds no data rows"},
        {{"list", "5"}, "there is no store at " + none + " (import creates one)", "none.db"},
        {{"count", "calendar", missing}, "cannot open " + missing + ": no such file"}, // the file first
        {{"--json", "count", "memo", missing}, "cannot open " + missing + ": no such file"},
        {{"import", "memo", missing}, "cannot open " + missing + ": no such file"},
        {{"fields", missing}, "cannot open " + missing + ": no such file"},
        {{"count", "memo", empty}, empty + " holds no data rows"},
        {{"--json", "import", "memo", empty}, empty + " holds no data rows"},
        {{"count", "memo", m_dir.string()}, "cannot open " + m_dir.string() + ": it is a folder"},
        {{"--json", "export", "memo", Path("nowhere/out.csv")},
         "cannot write " + Path("nowhere/out.csv") + ": the folder " + Path("nowhere") + " does not exist"},
        {{"export", "memo", Path("out.csv")}, "there is no store at " + none, "none.db"},
        {{"export", "memo", Path("out.csv")}, "cannot read the store " + notes + ": not a database (or not a store "
                                              "of ours)", "notes.txt"},
        {{"--json", "import", "memo", in}, "cannot save to the store " + notes + ": not a database", "notes.txt"},
        {{"list", "memo"}, "cannot read the store " + notes + ": not a database", "notes.txt"},
    };
    for (const auto& row : rows)
        Expect(Run(row.args, row.store), 1, "varnocsv: " + row.says);
    EXPECT_EQ(ReadBytes("notes.txt"), garbage);
    EXPECT_FALSE(Exists("out.csv"));
    EXPECT_FALSE(Exists("nowhere"));
    EXPECT_FALSE(Exists("none.db")) << "list and export create no store";
    EXPECT_EQ(Ok({"count", "memo", in}, "notes.txt").out, in + " holds 2 memos\n") << "counting needs no store";
    EXPECT_EQ(Ok({"--json", "fields", empty}).out, R"({"path":")" + empty + R"(","fields":[]})" "\n");
    // A file no field's column is in: an import refuses it, a preview shows
    // its columns with a mapping to start from, and exits 0.
    EXPECT_NE(Ok({"preview", "todo", in}).out.find("an import would refuse it: no header column is named after a "
                                                  "field of todo"),
              std::string::npos);
    // --strict refuses what would be lost, exit 1, nothing stored.
    WriteBytes("dated.csv", "summary,start_time\r\nMeeting,13/13/2013\r\n");
    Expect(Run({"import", "calendar", Path("dated.csv"), "--strict"}, "strict.db"), 1,
           "is not a date that can be read (line 2: \"13/13/2013\")");
    EXPECT_FALSE(Exists("strict.db"));
}

// Characters a code page cannot hold are named, counted and suggested away.
TEST_F(VarnocsvTest, ExportSaysWhatTheCodePageCannotHold)
{
    WriteBytes("mixed.csv", "memo,color\r\n\"Café – €5\",x\r\n한국어,y\r\n");
    Ok({"import", "memo", Path("mixed.csv")});
    const struct {
        std::string codePage;
        std::string says;
        int replaced;
    } rows[] = {
        {"949", "2 characters cannot be written in code page 949 and were written as a similar character or \"?\" "
                "(the first: \"é\", U+00E9); --codepage 65001 writes every character", 2},
        {"1252", "3 characters cannot be written in code page 1252", 3},
        {"65001", "", 0},
    };
    for (const auto& row : rows) {
        const RunResult r = Run({"--json", "export", "memo", Path("out")}, "store.db", row.codePage);
        Expect(r, 0, row.says);
        EXPECT_EQ(r.err.empty(), row.says.empty()) << r.err;
        EXPECT_NE(r.out.find("\"replaced\":" + std::to_string(row.replaced) + "}"), std::string::npos) << r.out;
    }
}

// A failed export leaves the old file whole and no temporary file; a
// finished one keeps its permission bits; every write to standard output is
// checked.
TEST_F(VarnocsvTest, ExportReplacesTheFileOnlyWhenItWorked)
{
    WriteBytes("many.csv", ManyMemos(2000));
    Ok({"import", "memo", Path("many.csv")});
    Ok({"import", "memo", Path("in.csv")}, "two.db");
    WriteBytes("old.csv", "the old file\r\n");
    chmod(Path("old.csv").c_str(), 0640);
    const auto before = FileNames(m_dir);
    Expect(Run({"export", "memo", Path("old.csv")}, "store.db", "65001", {.fileSizeBlocks = 100}), 1,
           "cannot write " + Path("old.csv") + ": file too large: the size limit for files (ulimit -f) was reached; "
           "the file is as it was");
    EXPECT_EQ(ReadBytes("old.csv"), "the old file\r\n");
    EXPECT_EQ(FileNames(m_dir), before) << "no temporary file stays";

    {
        const int held = open(Path("old.csv").c_str(), O_RDONLY);
        ASSERT_EQ(flock(held, LOCK_SH), 0); // as the library's reader holds it
        Expect(Run({"export", "memo", Path("old.csv")}, "two.db"), 1, "another program has it open and locked");
        close(held);
    }
    EXPECT_EQ(ReadBytes("old.csv"), "the old file\r\n");

    Ok({"export", "memo", Path("old.csv")}, "two.db");
    EXPECT_EQ(ReadBytes("old.csv"), kTwoMemos);
    struct stat st {};
    stat(Path("old.csv").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FileNames(m_dir), before);

    EXPECT_EQ(Ok({"export", "memo", "-"}, "two.db").out, kTwoMemos);
    for (const Args& args : {Args{"list", "memo"}, Args{"export", "memo", "-"}, Args{"fields", Path("in.csv")}})
        Expect(Run(args, "two.db", "65001", {.out = "/dev/full"}), 1, "cannot write to standard output: ");
}

// Standard input, named pipes and /dev/fd paths are read once; nothing hangs.
TEST_F(VarnocsvTest, PipesAndStandardInputAreReadOnce)
{
    const std::string in = Path("in.csv");
    EXPECT_EQ(Run({"count", "memo", "-"}, "", "65001", {.in = in}).out, "standard input holds 2 memos\n");
    EXPECT_EQ(Run({"count", "memo", "/dev/stdin"}, "", "65001", {.in = in}).out, "/dev/stdin holds 2 memos\n");
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    ASSERT_EQ(write(pipeEnds[1], kTwoMemos.data(), kTwoMemos.size()), static_cast<ssize_t>(kTwoMemos.size()));
    close(pipeEnds[1]);
    EXPECT_EQ(Run({"fields", "/dev/fd/3"}, "", "65001", {.fd3 = pipeEnds[0]}).out, "1\tmemo\n2\tcolor\n");
    close(pipeEnds[0]);

    const std::string fifo = Path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << kTwoMemos; });
    const RunResult r = Run({"import", "memo", fifo});
    writer.join();
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(Stored("store.db"), kTwoMemos);

    // Ctrl-C while the file is still being read: nothing saved, no store;
    // in a store, nothing recorded either, so undo takes the import before.
    int interrupted = -1;
    const auto interrupt = [&](pid_t child) {
        std::ofstream pipe(fifo, std::ios::binary); // opens once the child has opened it
        pipe << "memo,color\r\n" << std::flush;
        kill(child, SIGINT);
        int status = 0;
        waitpid(child, &status, WNOHANG); // the pipe is closed only after the child ends
        while (kill(child, 0) == 0 && waitpid(child, &status, WNOHANG) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        interrupted = status;
    };
    const RunResult stopped = Run({"import", "memo", fifo}, "stopped.db", "65001", {.whileRunning = interrupt});
    EXPECT_TRUE(WIFEXITED(interrupted) && WEXITSTATUS(interrupted) == 130) << interrupted;
    EXPECT_EQ(stopped.err, "varnocsv: interrupted: nothing was saved\n");
    EXPECT_FALSE(Exists("stopped.db"));
    Run({"import", "memo", fifo}, "store.db", "65001", {.whileRunning = interrupt});
    EXPECT_TRUE(WIFEXITED(interrupted) && WEXITSTATUS(interrupted) == 130) << interrupted;
    EXPECT_NE(Ok({"undo"}).out.find("undid import 1 (memo from " + fifo), std::string::npos);
    Expect(Run({"undo"}), 1, "nothing to undo");
}

// Store failures carry SQLite's reason in words; a failed save changes
// nothing.
TEST_F(VarnocsvTest, StoreFailuresSayWhyAndWhatToDo)
{
    Ok({"import", "memo", Path("in.csv")});
    const std::string before = Stored("store.db");
    WriteBytes("many.csv", ManyMemos(3000));
    const std::string uri = "file:" + Path("store.db") + "?mode=ro";
    Expect(Raw({"--store", uri, "import", "memo", Path("in.csv")}), 1,
           "cannot save to the store " + uri + ": read-only: ");
    Expect(Run({"import", "memo", Path("many.csv")}, "store.db", "65001", {.fileSizeBlocks = 200}), 1,
           ": the disk is probably full, or the size limit for files (ulimit -f, 102400 bytes) was reached; free some "
           "space and try again; nothing was saved");
    EXPECT_EQ(Stored("store.db"), before);

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(Path("store.db").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    Expect(Run({"import", "memo", Path("in.csv")}), 1,
           "busy: another program held the store for 10 seconds (another import?); try again when it has finished");
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(Stored("store.db"), before);
}

// list shows what export writes, with the id, and those marked deleted too.
TEST_F(VarnocsvTest, ListShowsDeletedRecordsThatExportLeavesOut)
{
    Ok({"import", "memo", Path("in.csv")});
    storetest::Sql(Path("store.db"), "UPDATE calendar SET deleted_mark = 1 WHERE description = 'Call Ann'");
    EXPECT_EQ(Ok({"list", "memo"}).out, "1  memo=\"Buy milk\"  color=\"yellow\"\n2  memo=\"Call Ann\"  "
                                        "color=\"red\"  (deleted)\n2 memos in profile 1, 1 marked deleted\n");
    EXPECT_EQ(Stored("store.db"), "\"memo\",\"color\"\r\n\"Buy milk\",\"yellow\"\r\n");
}

// A listing larger than what it keeps in memory (a megabyte; the rest
// waits in a temporary file) comes out whole and in order, as JSON and as
// text.
TEST_F(VarnocsvTest, ListingsLargerThanMemoryComeOutWholeAndInOrder)
{
    const int memos = 12000;
    WriteBytes("many.csv", ManyMemos(memos, std::string(90, 'x')));
    Ok({"import", "memo", Path("many.csv")});
    const nlohmann::json records = nlohmann::json::parse(Ok({"--json", "list", "memo"}).out)["records"];
    ASSERT_EQ(records.size(), static_cast<size_t>(memos));
    for (int i : {0, 6000, memos - 1})
        EXPECT_EQ(records[static_cast<size_t>(i)]["memo"], "memo " + std::to_string(i) + " " + std::string(90, 'x'));
    const std::string text = Ok({"list", "memo"}).out;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), memos + 1);
    EXPECT_NE(text.find("\n12000  memo=\"memo 11999 "), std::string::npos);
    EXPECT_TRUE(text.ends_with("\n12000 memos in profile 1\n"));
}

// The default store is created only by import, in the folders it needs, and
// said so once; profiles are kept apart, and an empty one exports no file.
TEST_F(VarnocsvTest, DefaultStoreAndProfiles)
{
    const std::string defaultStore = Path("xdg/varno/store.db");
    Ok({"count", "memo", Path("in.csv")}, "");
    Ok({"fields", Path("in.csv")}, "");
    Expect(Run({"list", "memo"}, ""), 1, "there is no store at " + defaultStore);
    EXPECT_FALSE(Exists("xdg"));
    EXPECT_EQ(Ok({"--profile", "2", "import", "memo", Path("in.csv")}, "").err,
              "varnocsv: mapping: 2 fields from 2 columns (preview names them)\nvarnocsv: created the store " + defaultStore +
                  "\n");
    EXPECT_EQ(Ok({"--profile", "2", "import", "memo", Path("in.csv")}, "").err.find("created"), std::string::npos);
    RunResult r = Ok({"export", "memo", Path("out.csv")}, "");
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("varnocsv: nothing to export: profile 1 of the store " + defaultStore + " holds no memos"),
              std::string::npos)
        << r.err;
    r = Ok({"--json", "export", "memo", Path("out")}, "");
    EXPECT_EQ(r.out, R"({"type":"memo","path":")" + Path("out.csv") + R"(","written":0,"replaced":0})" "\n");
    EXPECT_FALSE(Exists("out.csv"));
    Ok({"--profile", "2", "export", "memo", Path("p2.csv")}, "");
    EXPECT_EQ(ReadBytes("p2.csv"), std::string(kTwoMemos) + std::string(kTwoMemos.substr(16))) << "imported twice";
    Ok({"import", "memo", Path("in.csv")}, "new/folder/store.db");
    EXPECT_TRUE(Exists("new/folder/store.db"));
}

// In an EUC-KR locale (whether or not the system has it) arguments arrive in
// CP949 and output leaves in CP949.
TEST_F(VarnocsvTest, ArgumentsAndOutputFollowTheLocaleCharacterSet)
{
    m_env["LANG"] = m_env["LC_ALL"] = "ko_KR.EUC-KR";
    WriteBytes("k.csv", Utf16LE(u"메모\t색\r\n장보기\tpink\r\n"));
    const std::string memo949 = "\xB8\xDE\xB8\xF0", color949 = "\xBB\xF6"; // 메모, 색
    const RunResult fields = Run({"fields", Path("k.csv")}, "k.db", "949");
    EXPECT_EQ(fields.out, "1\t" + memo949 + "\n2\t" + color949 + "\n");
    const RunResult r = Run({"--verbose", "import", "memo", Path("k.csv"), "--map", "memo=" + memo949, "--map",
                             "color=" + color949},
                            "k.db", "949");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.err.find("memo <- \"" + memo949 + "\""), std::string::npos) << r.err;
    m_env["LANG"] = m_env["LC_ALL"] = "C.UTF-8";
    EXPECT_EQ(Stored("k.db"), "\"memo\",\"color\"\r\n\"장보기\",\"pink\"\r\n");
}

// A preview 60 columns wide: every line but the --map line fits (Korean
// characters take two columns), a long cell is cut and a line break shown;
// the columns nothing reads are named; the --map line, pasted into a shell,
// imports as the preview showed. The preview itself creates no store.
TEST_F(VarnocsvTest, PreviewFitsTheWidthAndNamesUnreadColumns)
{
    m_env["COLUMNS"] = "60";
    WriteBytes("wide.csv", "Note's text,Colour,Extra,Spare\r\n"
                           "\"Water the garden\r\nthen fix the roof, wash the car and call the bank\",red,x,y\r\n"
                           "장보기: 우유와 빵과 계란과 과일을 사야 함,blue,x,y\r\n");
    const Args map{"--map", "memo=Note's text", "--map", "color=Colour"};
    Args args{"preview", "memo", Path("wide.csv")};
    args.insert(args.end(), map.begin(), map.end());
    const RunResult r = Ok(args, "");
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> lines = SplitLines(r.out);
    auto width = [](const std::string& line) {
        size_t columns = 0;
        for (size_t i = 0; i < line.size(); ++i) {
            const auto byte = static_cast<unsigned char>(line[i]);
            columns += (byte & 0xC0) == 0x80 ? 0 : byte == 0xEA || byte == 0xEB || byte == 0xEC || byte == 0xED ? 2 : 1;
        }
        return columns;
    };
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        EXPECT_LE(width(lines[i]), 60u) << lines[i];
    EXPECT_NE(r.out.find("1  Water the garden⏎then fix the roof, wash the car…   red\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2  장보기: 우유와 빵과 계란과 과일을 사야 함"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\ncolumns nothing reads: \"Extra\", \"Spare\"\n"), std::string::npos) << r.out;
    ASSERT_EQ(lines.back(), "--map memo='Note'\\''s text' --map color=Colour");
    EXPECT_FALSE(Exists("xdg"));

    Args json{"--json", "preview", "memo", Path("wide.csv"), "--rows", "1"};
    json.insert(json.end(), map.begin(), map.end());
    const nlohmann::json shown = nlohmann::json::parse(Ok(json, "store.db").out, nullptr, false);
    EXPECT_EQ(shown["unused"], nlohmann::json({"Extra", "Spare"}));
    EXPECT_EQ(shown["mapping"][1], nlohmann::json({{"field", "color"}, {"column", "Colour"}, {"example", "red"}}));
    EXPECT_EQ(shown["records"].size(), 1u);
    EXPECT_FALSE(Exists("store.db"));

    Start pasted;
    pasted.pasted = lines.back();
    EXPECT_EQ(Run({"import", "memo", Path("wide.csv")}, "store.db", "65001", pasted).exit, 0);
    EXPECT_EQ(Stored("store.db"), "\"memo\",\"color\"\r\n\"Water the garden\r\nthen fix the roof, wash the car and call "
                                  "the bank\",\"red\"\r\n\"장보기: 우유와 빵과 계란과 과일을 사야 함\",\"blue\"\r\n");
}

// Every example imports with no --map; what is stored exports, imports into
// a fresh store and exports again byte for byte. The address books are
// pinned to golden files: which column went to which field. A preview shows
// the records that list then shows (ids aside: only a save gives them) and
// creates no store.
TEST_F(VarnocsvTest, EveryExampleImportsAndRoundTrips)
{
    // The Korean split calendar layout has no example: all-day ends and
    // alarm switches read as that layout reads them.
    WriteBytes("calendar-split-ko.txt",
               Utf16LE(u"제목\t시작 날짜\t시작 시간\t종료 날짜\t종료 시간\t하루 종일 이벤트\t미리 알림 켜기/끄기\t"
                       u"미리 알림 날짜\t미리 알림 시간\t설명\t위치\r\n"
                       u"회의\t2012-03-05\t09:00\t2012-03-05\t10:00\tFalse\tTrue\t2012-03-05\t08:30\t주간\t3층\r\n"
                       u"휴가\t2012-03-08\t00:00\t2012-03-09\t00:00\tTrue\tFalse\t2012-03-07\t18:00\t\t\r\n"));
    const struct {
        std::string file, type, codePage;
        int saved;
        std::string golden = {};
    } rows[] = {
        {"memo.csv", "memo", "1252", 4},
        {"memo-utf16.txt", "memo", "65001", 3},
        {"todo-utf16.txt", "todo", "65001", 3},
        {"todo-ko.txt", "todo", "65001", 3},
        {"calendar-utf16.txt", "calendar", "65001", 3},
        {"calendar-english.csv", "calendar", "1252", 4},
        {"calendar-schedule-ko.csv", "calendar", "65001", 4},
        {"contacts.csv", "contact", "65001", 3},
        {"contacts-utf16.txt", "contact", "65001", 3},
        {"addressbook-long.csv", "contact", "65001", 3, "addressbook-long.contacts.csv"},
        {"addressbook-short.csv", "contact", "65001", 3, "addressbook-short.contacts.csv"},
        {"messages.csv", "message", "949", 4},
        {"emails.csv", "email", "65001", 3},
        {"calendar-split-ko.txt", "calendar", "65001", 2},
    };
    int n = 0;
    for (const auto& row : rows) {
        const std::string first = "first" + std::to_string(n), second = "second" + std::to_string(n++);
        const std::string file = Exists(row.file) ? Path(row.file) : VARNO_SOURCE_DIR "/examples/" + row.file;
        const RunResult r = Ok({"--json", "import", row.type, file}, first + ".db", row.codePage);
        EXPECT_NE(r.out.find("\"saved\":" + std::to_string(row.saved) + "}"), std::string::npos) << r.command << r.out;
        const nlohmann::json previewed =
            Records(Ok({"--json", "preview", row.type, file, "--rows", "9"}, "preview.db", row.codePage), false);
        EXPECT_EQ(previewed.size(), static_cast<size_t>(row.saved)) << row.file;
        EXPECT_EQ(previewed, Records(Ok({"--json", "list", row.type}, first + ".db"), true)) << row.file;
        EXPECT_FALSE(Exists("preview.db")) << row.file;
        Ok({"export", row.type, Path(first + ".csv")}, first + ".db");
        if (!row.golden.empty()) {
            EXPECT_TRUE(ReadBytes(first + ".csv") == ReadFile(VARNO_SOURCE_DIR "/tests/cli/golden/" + row.golden))
                << row.file;
        }
        Ok({"import", row.type, Path(first + ".csv")}, second + ".db");
        Ok({"export", row.type, Path(second + ".csv")}, second + ".db");
        EXPECT_TRUE(ReadBytes(first + ".csv") == ReadBytes(second + ".csv")) << row.file;
    }
    // list shows every contact entry that holds text, and the group names:
    // the address book as the session's golden file of it says.
    nlohmann::json golden = nlohmann::json::array();
    for (const std::string& line : SplitLines(ReadFile(VARNO_SOURCE_DIR "/tests/host/golden/addressbook-long.csv.json")))
        golden.push_back(nlohmann::json::parse(line)), golden.back().erase("id");
    EXPECT_EQ(Records(Ok({"--json", "list", "contact"}, "first9.db"), true), golden);
}


namespace hostile {

// AddressSanitizer and ThreadSanitizer reserve their shadow memory up front.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

/// Writes `head`, `count` copies of `fill`, then `tail`, without holding
/// the file in memory.
void WriteLarge(const std::string& path, std::string_view head, std::string_view fill, size_t count,
                std::string_view tail)
{
    std::ofstream file(path, std::ios::binary);
    file << head;
    std::string chunk;
    for (size_t i = 0; i < 4096; ++i)
        chunk += fill;
    for (size_t done = 0; done < count; done += 4096)
        file.write(chunk.data(), static_cast<std::streamsize>(fill.size() * std::min<size_t>(4096, count - done)));
    file << tail;
}

} // namespace hostile

// Files made to hurt the reader: each has one defined outcome. The big ones
// are made at test time. The single field is 200 MB in the release build; the
// sanitizer build, some ten times slower, reads 64 MB of it (some 15 s).
TEST_F(VarnocsvTest, HostileFilesHaveADefinedOutcome)
{
    const size_t field = hostile::kSanitized ? (64u << 20) : (200u << 20);
    const std::string quotes(100001, '"'); // one opens a field, 100,000 more never close it
    std::string wide = "A";
    for (int i = 1; i < 100000; ++i)
        wide += ",c";
    // Small files are held in the row; the single field is written as a
    // stream (an empty `bytes`).
    const std::string in = Path("case.csv");
    const struct {
        std::string name, bytes;
        int exit;
        std::string says;
        std::string memos; ///< stored afterwards, as Memos gives them
    } rows[] = {
        {"single field", "", 0, "mapping: 2 fields from 2 columns", "1|" + std::to_string(field)},
        {"100,000 fields", "memo,color\r\n" + wide + "\r\n", 0,
         "1 row of " + in + " holds more cells than the header's 2 columns", "1|1"},
        {"100,000 unbalanced quotes", "memo,color\r\nA,red\r\n" + quotes + "x\r\nB,blue\r\n", 0,
         "a quote opened in the record on line 3 of " + in + " is never closed", "2|50011"},
        {"only NUL bytes", std::string(4096, '\0'), 1, "holds a NUL byte at offset 0", "(no store)"},
        {"UTF-16LE, a lone trail surrogate first", Utf16LE(u"\xDC00memo,color\r\nA,red\r\n"), 1,
         "is not valid UTF-16: the unpaired surrogate at offset 2 (line 1)", "(no store)"},
        {"UTF-16LE, a lead surrogate last", Utf16LE(u"memo,color\r\nA,red\xD800"), 1,
         "is not valid UTF-16: the unpaired surrogate at offset 36 (line 2)", "(no store)"},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.bytes.empty())
            hostile::WriteLarge(in, "memo,color\r\n\"", "a", field, "\",red\r\n");
        else
            WriteBytes("case.csv", row.bytes);
        const std::string store = "case" + std::to_string(n++) + ".db";
        const RunResult r = Run({"import", "memo", in}, store);
        Expect(r, row.exit, row.says);
        EXPECT_EQ(Memos(store), row.memos) << r.err;
    }
}

// A process that may not have the memory a file needs says so and saves
// nothing. AddressSanitizer reserves terabytes of address space and aborts
// where a limited process would get std::bad_alloc, so only builds without
// it can run this.
TEST_F(VarnocsvTest, TooLittleMemoryIsReportedAndNothingSaved)
{
    if (hostile::kSanitized)
        GTEST_SKIP() << "a memory limit (ulimit -v) cannot be set on a process built with a sanitizer";
    Ok({"import", "memo", Path("in.csv")});
    hostile::WriteLarge(Path("huge.csv"), "memo,color\r\n\"", "a", 64u << 20, "\",red\r\n");
    m_wrapper = {"/bin/sh", "-c", "ulimit -v 300000; exec \"$0\" \"$@\""}; // KiB
    const RunResult r = Run({"import", "memo", Path("huge.csv")});
    m_wrapper.clear();
    Expect(r, 1, "varnocsv: cannot import " + Path("huge.csv") + ": out of memory; nothing was saved; ");
    EXPECT_NE(r.err.find("ulimit -v"), std::string::npos) << r.err;
    EXPECT_EQ(Stored("store.db"), kTwoMemos);
}

// Paths that are not files to read: each refused with its reason, or read
// once as a stream. The permission case runs as nobody when the tests run as
// root, since root reads any file.
TEST_F(VarnocsvTest, PathsThatAreNotReadableFiles)
{
    const std::string fifo = Path("fifo"), socketPath = Path("socket"), locked = Path("locked.csv");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    WriteBytes("locked.csv", kTwoMemos);
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    ASSERT_EQ(::chmod(m_dir.c_str(), 0755), 0);

    // The FIFO's writer goes away without writing.
    std::thread writer([&] { std::ofstream{fifo}; });
    Expect(Run({"import", "memo", fifo}), 1, "varnocsv: " + fifo + " holds no data rows");
    writer.join();
    Expect(Run({"import", "memo", socketPath}), 1,
           "cannot open " + socketPath + ": it is a socket or a device that cannot be read");
    if (::geteuid() == 0) {
        if (::access("/usr/bin/setpriv", X_OK) != 0)
            GTEST_SKIP() << "the tests run as root and setpriv, to run varnocsv as nobody, is missing";
        m_wrapper = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"};
        // A build below a folder that only root may enter (a checkout in a
        // private temporary folder) cannot be run as nobody at all.
        if (const RunResult probe = Run({"--version"}, ""); probe.exit != 0) {
            m_wrapper.clear();
            ::close(listener);
            GTEST_SKIP() << "nobody cannot run this build of varnocsv (its folders are closed to other users): "
                         << probe.err;
        }
    }
    const RunResult r = Run({"count", "memo", locked}, "");
    m_wrapper.clear();
    Expect(r, 1, "varnocsv: cannot open " + locked + ": permission denied");
    EXPECT_FALSE(Exists("store.db"));
    ::close(listener);
}

} // namespace
} // namespace varno::test
