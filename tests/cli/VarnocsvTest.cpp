// End-to-end tests of the varnocsv binary, run as a user would with a store and
// files in a temporary folder. The child gets only the environment set here
// (TZ, locale, HOME, XDG_DATA_HOME), so no run can touch the user's own store.
#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <map>
#include <regex>

namespace varno::test {
namespace {

using Args = std::vector<std::string>;

struct RunResult {
    int exit = -1;
    std::string out, err, command;
};

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
    RunResult Raw(Args args) const
    {
        args.insert(args.begin(), VARNOCSV_PATH);
        Args env;
        for (const auto& [name, value] : m_env)
            env.push_back(name + "=" + value);
        std::vector<char*> argv, envp;
        for (std::string& s : args)
            argv.push_back(s.data());
        for (std::string& s : env)
            envp.push_back(s.data());
        argv.push_back(nullptr), envp.push_back(nullptr);
        const std::string out = Path(".out"), err = Path(".err");
        posix_spawn_file_actions_t io;
        posix_spawn_file_actions_init(&io);
        posix_spawn_file_actions_addopen(&io, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&io, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&io, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t child = 0;
        int status = -1;
        if (posix_spawn(&child, argv[0], &io, nullptr, argv.data(), envp.data()) == 0)
            waitpid(child, &status, 0);
        posix_spawn_file_actions_destroy(&io);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err), ::testing::PrintToString(args)};
    }
    /// Runs varnocsv with a fixed code page and locale on the test's store
    /// (the default store when `store` is empty).
    RunResult Run(const Args& args, const std::string& store = "store.db", const std::string& codePage = "65001") const
    {
        Args all{"--codepage", codePage, "--locale", "en_US"};
        if (!store.empty())
            all.insert(all.end(), {"--store", Path(store)});
        all.insert(all.end(), args.begin(), args.end());
        return Raw(all);
    }
    RunResult Ok(const Args& args, const std::string& store = "store.db", const std::string& codePage = "65001") const
    {
        RunResult r = Run(args, store, codePage);
        EXPECT_EQ(r.exit, 0) << r.command << "\n" << r.err;
        return r;
    }
    static void ExpectFailure(const RunResult& r, int exit, const std::string& says)
    {
        EXPECT_EQ(r.exit, exit) << r.command;
        EXPECT_EQ(r.out, "") << r.command;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.command << "\n" << r.err;
    }
    std::string Path(std::string_view name) const { return (m_dir / name).string(); }

    std::map<std::string, std::string> m_env;
};

TEST_F(VarnocsvTest, BadCommandLinesExitTwoWithUsage)
{
    const std::string file = Path("in.csv");
    const struct {
        Args args;
        std::string says;
    } rows[] = {
        {{}, "no command given"},
        {{"frob"}, "unknown command \"frob\""},
        {{"count", "memos", file}, "unknown type \"memos\""},
        {{"export", "0", file}, "unknown type \"0\""},
        {{"export", "7", file}, "unknown type \"7\""},
        {{"list", "Memo"}, "unknown type \"Memo\""},
        {{"count", "memo"}, "FILE is required"},
        {{"list"}, "TYPE is required"},
        {{"fields", file, file}, file},
        {{"--bogus", "list", "memo"}, "--bogus"},
        {{"--profile", "abc", "list", "memo"}, "abc"},
        {{"--codepage", "1250", "list", "memo"}, "1250"},
        {{"count", "memo", file, "--map", "memo"}, "\"memo\" is not FIELD=COLUMN"},
        {{"export", "memo", ""}, "the file name is empty"},
        {{"import", "memo", file, "--option", "x"}, "--option"},
    };
    for (const auto& row : rows) {
        const RunResult r = Raw(row.args);
        ExpectFailure(r, 2, row.says);
        EXPECT_NE(r.err.find("Usage:"), std::string::npos) << r.command;
    }
    EXPECT_FALSE(Exists("xdg")) << "a rejected command line must not touch the store";
    for (const std::string command : {"", "export", "count", "import", "fields", "list"}) {
        const RunResult r = Raw(command.empty() ? Args{"--help"} : Args{command, "--help"});
        EXPECT_EQ(r.exit, 0) << command;
        EXPECT_EQ(r.err, "") << command;
        EXPECT_NE(r.out.find("Usage: varnocsv " + command), std::string::npos) << r.out;
    }
}

// Every command in turn on one store, as people and as scripts read it.
TEST_F(VarnocsvTest, EveryCommandHumanAndJson)
{
    const std::string in = Path("in.csv");
    const std::string mapping = "varnocsv: mapping: memo <- \"memo\", color <- \"color\"\n";
    const struct {
        Args args;
        std::string out, err;
    } rows[] = {
        {{"fields", in}, "1\tmemo\n2\tcolor\n", ""},
        {{"--json", "fields", in}, R"({"path":")" + in + R"(","fields":["memo","color"]})" "\n", ""},
        {{"count", "memo", in}, in + " holds 2 memos\n", mapping},
        {{"--json", "count", "memo", in}, R"({"type":"memo","path":")" + in + R"(","count":2})" "\n", mapping},
        {{"import", "4", in}, "saved 2 memos from " + in + " to profile 1 of " + Path("store.db") + "\n", mapping},
        {{"list", "memo"},
         "N  memo=\"Buy milk\"  color=\"yellow\"\nN  memo=\"Call Ann\"  color=\"red\"\n2 memos in profile 1\n", ""},
        {{"--json", "list", "memo"},
         R"({"type":"memo","records":[{"id":N,"memo":"Buy milk","color":"yellow","deleted":false},)"
         R"({"id":N,"memo":"Call Ann","color":"red","deleted":false}]})" "\n", ""},
        {{"export", "memo", Path("out")}, "exported 2 memos to " + Path("out.csv") + "\n", ""},
        {{"--json", "export", "4", Path("out.txt")},
         R"({"type":"memo","path":")" + Path("out.txt.csv") + R"(","written":2})" "\n", ""},
        {{"--json", "import", "memo", in, "--option", "0", "--flag"},
         R"({"type":"memo","path":")" + in + R"(","saved":2})" "\n", mapping},
    };
    const std::regex id(R"((^|"id":)\d+(?=  memo=|,"memo"))", std::regex::multiline);
    for (const auto& row : rows) {
        const RunResult r = Ok(row.args);
        EXPECT_EQ(std::regex_replace(r.out, id, "$1N"), row.out) << r.command;
        EXPECT_EQ(r.err, row.err) << r.command;
    }
    EXPECT_EQ(ReadBytes("out.csv"), kTwoMemos);
}

// Each failure exits 1 with one message naming the file and what went wrong,
// and leaves files and the store as they were.
TEST_F(VarnocsvTest, FailuresExitOneAndSaySo)
{
    WriteBytes("empty.csv", "");
    const std::string garbage(8192, '#'), notes = Path("notes.txt"), in = Path("in.csv");
    const std::string missing = Path("missing.csv"), empty = Path("empty.csv");
    WriteBytes("notes.txt", garbage);
    Ok({"import", "memo", in});
    const struct {
        Args args;
        std::string says;
        bool onNotes = false; // run on notes.txt as the store
    } rows[] = {
        {{"export", "contact", Path("out.csv")}, "contact is not supported yet"},
        {{"count", "2", in}, "calendar is not supported yet"},
        {{"import", "todo", in}, "todo is not supported yet"},
        {{"list", "5"}, "message is not supported yet"},
        {{"--json", "import", "6", in}, "email is not supported yet"},
        {{"--json", "count", "memo", missing}, "cannot open " + missing + ": no such file"},
        {{"import", "memo", missing}, "cannot open " + missing + ": no such file"},
        {{"fields", missing}, "cannot open " + missing + ": no such file"},
        {{"count", "memo", empty}, empty + " holds no data rows"},
        {{"--json", "import", "memo", empty}, empty + " holds no data rows"},
        {{"count", "memo", m_dir.string()}, "cannot open " + m_dir.string() + ": it is a folder"},
        {{"--json", "export", "memo", Path("nowhere/out.csv")},
         "cannot write " + Path("nowhere/out.csv") + ": the folder " + Path("nowhere") + " does not exist"},
        {{"export", "memo", Path("out.csv")}, "cannot read the store " + notes, true},
        {{"--json", "import", "memo", in},
         "cannot write to the store " + notes + ": it cannot be opened, or it is not a store", true},
        {{"list", "memo"}, "cannot read the store " + notes, true},
    };
    for (const auto& row : rows)
        ExpectFailure(Run(row.args, row.onNotes ? "notes.txt" : "store.db"), 1, "varnocsv: " + row.says + "\n");
    EXPECT_EQ(ReadBytes("notes.txt"), garbage);
    EXPECT_FALSE(Exists("out.csv"));
    EXPECT_FALSE(Exists("nowhere"));
    EXPECT_EQ(Ok({"count", "memo", in}, "notes.txt").out, in + " holds 2 memos\n") << "counting needs no store";
    EXPECT_EQ(Ok({"--json", "fields", empty}).out, R"({"path":")" + empty + R"(","fields":[]})" "\n");
}

TEST_F(VarnocsvTest, NothingToExportWritesNoFile)
{
    RunResult r = Ok({"export", "memo", Path("out.csv")});
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("varnocsv: nothing to export: profile 1 of the store " + Path("store.db") + " holds no memos"),
              std::string::npos)
        << r.err;
    r = Ok({"--json", "export", "memo", Path("out")});
    EXPECT_EQ(r.out, R"({"type":"memo","path":")" + Path("out.csv") + R"(","written":0})" "\n");
    EXPECT_FALSE(Exists("out.csv"));
}

TEST_F(VarnocsvTest, ProfilesAreKeptApart)
{
    WriteBytes("two.csv", "memo,color\r\nsecond,blue\r\nthird,green\r\n");
    Ok({"import", "memo", Path("in.csv")});
    Ok({"--profile", "2", "import", "memo", Path("two.csv")});
    Ok({"export", "memo", Path("p1.csv")});
    Ok({"--profile", "2", "export", "memo", Path("p2.csv")});
    EXPECT_EQ(ReadBytes("p1.csv"), kTwoMemos);
    EXPECT_EQ(ReadBytes("p2.csv"), "\"memo\",\"color\"\r\n\"second\",\"blue\"\r\n\"third\",\"green\"\r\n");
    EXPECT_EQ(Ok({"--json", "--profile", "3", "list", "memo"}).out, "{\"type\":\"memo\",\"records\":[]}\n");
}

// Without --map the tool pairs fields with header columns by name; with --map
// the pairs go to the library as given. Each row imports into its own store
// and exports the result.
TEST_F(VarnocsvTest, ColumnsAreMappedByNameOrByMap)
{
    WriteBytes("named.csv", "Text,Farbe,a=b\r\nfrom text,red,from a=b\r\n");
    const struct {
        std::string file;
        Args maps;
        std::string err, exported;
    } rows[] = {
        {"memo,color\r\nA,red\r\n", {}, R"(mapping: memo <- "memo", color <- "color")", "\"A\",\"red\""},
        {"COLOR,MEMO\r\nred,A\r\n", {}, R"(mapping: memo <- "MEMO", color <- "COLOR")", "\"A\",\"red\""},
        {"id\tColor\tMemo\textra\r\n1\tred\tA\tx\r\n", {}, R"(mapping: memo <- "Memo", color <- "Color")",
         "\"A\",\"red\""},
        {"extra,mEmO\r\nx,A\r\n", {}, R"(mapping: memo <- "mEmO")", "\"A\",\"\""},
        {"", {"--map", "color=Farbe", "--map", "memo=Text"}, R"(mapping (--map): color <- "Farbe", memo <- "Text")",
         "\"from text\",\"red\""},
        {"", {"--map", "MEMO=a=b"}, R"(mapping (--map): MEMO <- "a=b")", "\"from a=b\",\"\""},
        {"", {"--map", "memo= Text", "--map", "color=farbe"},
         "warning: --map column \" Text\" is not in the header; its field stays empty\n"
         R"(varnocsv: mapping (--map): memo <- " Text", color <- "farbe")",
         "\"\",\"red\""},
    };
    int n = 0;
    for (const auto& row : rows) {
        const std::string name = "case" + std::to_string(n++);
        if (!row.file.empty())
            WriteBytes(name + ".csv", row.file);
        Args args{"import", "memo", Path(row.file.empty() ? "named.csv" : name + ".csv")};
        args.insert(args.end(), row.maps.begin(), row.maps.end());
        EXPECT_EQ(Ok(args, name + ".db").err, "varnocsv: " + row.err + "\n");
        Ok({"export", "memo", Path(name + "-out.csv")}, name + ".db");
        EXPECT_EQ(ReadBytes(name + "-out.csv"), "\"memo\",\"color\"\r\n" + row.exported + "\r\n") << args[2];
    }
}

TEST_F(VarnocsvTest, FileWarningsLeaveTheResultAlone)
{
    const std::pair<std::string, std::string> rows[] = {
        {"\xEF\xBB\xBFmemo,color\r\nA,red\r\nB,blue\r\n", "varnocsv: warning: the file starts with a UTF-8 byte-order"},
        {"memo;color\r\nA;red\r\nB;blue\r\n", "varnocsv: warning: the header reads as a single column containing"},
        {std::string(kTwoMemos), ""},
    };
    for (const auto& [bytes, warning] : rows) {
        WriteBytes("w.csv", bytes);
        RunResult r = Ok({"count", "memo", Path("w.csv")});
        EXPECT_EQ(r.out, Path("w.csv") + " holds 2 memos\n");
        EXPECT_EQ(r.err.find(warning), 0u) << r.err;
        r = Ok({"fields", Path("w.csv")});
        EXPECT_EQ(r.err.find(warning), 0u) << r.err;
        EXPECT_EQ(r.err.empty(), warning.empty()) << r.err;
    }
}

TEST_F(VarnocsvTest, ForeignLayoutsAndAliasesAreMapped)
{
    const struct {
        std::string type, header, said;
    } rows[] = {
        {"todo", "제목,시작 날짜,기한,완료",
         R"(mapping (the Korean to-do layout): summary <- "제목", start_time <- "시작 날짜", due_date <- "기한")"},
        {"todo", "Summary,start_date,due_date",
         R"(mapping: summary <- "Summary", start_time <- "start_date", due_date <- "due_date")"},
        {"calendar", "Subject,Start Date,Start Time,End Date",
         R"(mapping (the English calendar layout): summary <- "Subject", start_time <- "Start Date")"},
        {"calendar", "제목,시작 날짜,시작 시간,종료 날짜",
         R"(mapping (the Korean calendar layout): summary <- "제목", start_time <- "시작 날짜")"},
        {"calendar", "Subject,Start Date,Start Time", // a layout needs a fourth column
         "warning: no header column is named after a field of calendar (summary, start_time, end_time, allday, "
         "alarm_runtime, description, location); map columns with --map FIELD=COLUMN"},
    };
    for (const auto& row : rows) {
        WriteBytes("f.csv", row.header + "\r\nx,y,z,w\r\n");
        const RunResult r = Run({"count", row.type, Path("f.csv")});
        EXPECT_EQ(r.err, "varnocsv: " + row.said + "\nvarnocsv: " + row.type + " is not supported yet\n");
    }
}

TEST_F(VarnocsvTest, KoreanExampleImportsUnder949AndExportsAsUtf8)
{
    const std::string utf16 = VARNO_SOURCE_DIR "/examples/memo-utf16.txt";
    EXPECT_EQ(Ok({"import", "memo", utf16}, "korean.db", "949").err,
              "varnocsv: mapping: memo <- \"Memo\", color <- \"Color\"\n");
    Ok({"export", "memo", Path("utf8.csv")}, "korean.db", "65001");
    EXPECT_EQ(ReadBytes("utf8.csv"), "\"memo\",\"color\"\r\n\"장보기: 우유, 빵, 계란\",\"pink\"\r\n"
                                     "\"오후 3시 팀 회의\",\"green\"\r\n\"엄마 생신 선물 사기\",\"blue\"\r\n");
}

TEST_F(VarnocsvTest, DefaultStoreIsCreatedOnlyByCommandsThatUseIt)
{
    Ok({"count", "memo", Path("in.csv")}, "");
    Ok({"fields", Path("in.csv")}, "");
    EXPECT_FALSE(Exists("xdg/varno"));
    Ok({"import", "memo", Path("in.csv")}, "");
    EXPECT_TRUE(Exists("xdg/varno/store.db"));
    m_env.erase("XDG_DATA_HOME");
    EXPECT_EQ(Ok({"list", "memo"}, "").out, "0 memos in profile 1\n");
    EXPECT_TRUE(Exists("home/.local/share/varno/store.db"));
    Ok({"list", "memo"}, "new/folder/store.db");
    EXPECT_TRUE(Exists("new/folder/store.db"));
}

} // namespace
} // namespace varno::test
