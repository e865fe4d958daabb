// End-to-end tests of the varnocsv binary: each test runs it as a user would,
// with a store and files in a temporary folder, and checks exit codes,
// standard output (human and JSON), messages and the files left behind.
// The child's time zone, locale and code page are fixed, and HOME and
// XDG_DATA_HOME point into the temporary folder, so no run can touch the
// user's own store.
#include "tests/support/TestSupport.h"

#include "store/Calendars.h"
#include "store/Store.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>

extern char** environ;

namespace varno::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

struct RunResult {
    int exit = -1;
    std::string out;
    std::string err;
};

/// Runs varnocsv with `args`; `env` overrides (nullopt: unsets) variables.
RunResult RunVarnocsv(const std::vector<std::string>& args,
                      const std::map<std::string, std::optional<std::string>>& env)
{
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        const size_t equals = entry.find('=');
        if (equals != std::string::npos)
            vars[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
    for (const auto& [name, value] : env) {
        if (value)
            vars[name] = *value;
        else
            vars.erase(name);
    }
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : vars)
        envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings{VARNOCSV_PATH};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : argStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        close(outPipe[0]), close(outPipe[1]), close(errPipe[0]), close(errPipe[1]);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    RunResult result;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int openPipes = 2;
    while (openPipes > 0 && poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --openPipes;
            }
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::string Join(const std::vector<std::string>& args)
{
    std::string text;
    for (const std::string& a : args)
        text += " " + a;
    return text;
}

class VarnocsvTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        m_env = {{"TZ", "UTC"},
                 {"LANG", "C.UTF-8"},
                 {"LC_ALL", "C.UTF-8"},
                 {"HOME", (m_dir / "home").string()},
                 {"XDG_DATA_HOME", (m_dir / "xdg").string()}};
    }

    /// Runs varnocsv exactly with `args`.
    RunResult Raw(const std::vector<std::string>& args) const { return RunVarnocsv(args, m_env); }
    /// Runs varnocsv on the test's store with a fixed code page and locale.
    RunResult Run(const std::vector<std::string>& args, const std::string& store = "store.db",
                  const std::string& codePage = "65001") const
    {
        std::vector<std::string> all{"--store", Path(store), "--codepage", codePage, "--locale", "en_US"};
        all.insert(all.end(), args.begin(), args.end());
        return Raw(all);
    }
    /// As Run, expecting success.
    RunResult Ok(const std::vector<std::string>& args, const std::string& store = "store.db",
                 const std::string& codePage = "65001") const
    {
        RunResult r = Run(args, store, codePage);
        EXPECT_EQ(r.exit, 0) << Join(args) << "\n" << r.err;
        return r;
    }
    std::string Path(std::string_view name) const { return (m_dir / name).string(); }
    std::string Example(std::string_view name) const { return std::string(VARNO_SOURCE_DIR "/examples/") += name; }

    std::map<std::string, std::optional<std::string>> m_env;
};

constexpr std::string_view kTwoMemos = "\"memo\",\"color\"\r\n\"Buy milk\",\"yellow\"\r\n\"Call Ann\",\"red\"\r\n";

TEST_F(VarnocsvTest, BadCommandLinesExitTwoWithUsage)
{
    WriteBytes("m.csv", kTwoMemos);
    const std::string file = Path("m.csv");
    const struct {
        std::vector<std::string> args;
        std::string says;
    } rows[] = {
        {{}, "no command given"},
        {{"--profile", "2"}, "no command given"},
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
        EXPECT_EQ(r.exit, 2) << Join(row.args);
        EXPECT_EQ(r.out, "") << Join(row.args);
        EXPECT_NE(r.err.find(row.says), std::string::npos) << Join(row.args) << "\n" << r.err;
        EXPECT_NE(r.err.find("Usage:"), std::string::npos) << Join(row.args);
    }
    EXPECT_FALSE(Exists("xdg")) << "a rejected command line must not touch the store";
}

TEST_F(VarnocsvTest, HelpOnEveryCommand)
{
    for (const std::string command : {"", "export", "count", "import", "fields", "list"}) {
        std::vector<std::string> args;
        if (!command.empty())
            args.push_back(command);
        args.push_back("--help");
        const RunResult r = Raw(args);
        EXPECT_EQ(r.exit, 0) << command;
        EXPECT_EQ(r.err, "") << command;
        EXPECT_NE(r.out.find("Usage: varnocsv " + command), std::string::npos) << r.out;
    }
}

TEST_F(VarnocsvTest, TypesWithoutConverterAreNotSupportedYet)
{
    WriteBytes("m.csv", kTwoMemos);
    const std::pair<std::string, std::string> types[] = {
        {"contact", "contact"}, {"1", "contact"}, {"calendar", "calendar"}, {"2", "calendar"},
        {"todo", "todo"},       {"3", "todo"},    {"message", "message"},   {"5", "message"},
        {"email", "email"},     {"6", "email"},
    };
    for (const auto& [word, name] : types) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"export", word, Path("out.csv")}, {"count", word, Path("m.csv")},
              {"import", word, Path("m.csv")}, {"list", word}}) {
            const RunResult r = Run(args);
            EXPECT_EQ(r.exit, 1) << Join(args);
            EXPECT_EQ(r.out, "") << Join(args);
            EXPECT_NE(r.err.find("varnocsv: " + name + " is not supported yet\n"), std::string::npos)
                << Join(args) << "\n" << r.err;
        }
    }
    EXPECT_FALSE(Exists("out.csv"));
}

TEST_F(VarnocsvTest, TypicalSessionHumanOutput)
{
    WriteBytes("in.csv", kTwoMemos);
    const std::string in = Path("in.csv");
    const std::string store = Path("store.db");

    RunResult r = Ok({"fields", in});
    EXPECT_EQ(r.out, "1\tmemo\n2\tcolor\n");
    r = Ok({"count", "memo", in});
    EXPECT_EQ(r.out, in + " holds 2 memos\n");
    EXPECT_EQ(r.err, "varnocsv: mapping: memo <- \"memo\", color <- \"color\"\n");
    r = Ok({"import", "4", in});
    EXPECT_EQ(r.out, "saved 2 memos from " + in + " to profile 1 of " + store + "\n");
    r = Ok({"list", "memo"});
    EXPECT_NE(r.out.find("  memo=\"Buy milk\"  color=\"yellow\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n2 memos in profile 1\n"), std::string::npos) << r.out;
    r = Ok({"export", "memo", Path("out")});
    EXPECT_EQ(r.out, "exported 2 memos to " + Path("out.csv") + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadBytes("out.csv"), kTwoMemos);
}

TEST_F(VarnocsvTest, JsonOutputOfEveryCommand)
{
    WriteBytes("in.csv", kTwoMemos);
    const std::string in = Path("in.csv");
    auto json = [&](const std::vector<std::string>& args) {
        std::vector<std::string> all{"--json"};
        all.insert(all.end(), args.begin(), args.end());
        const RunResult r = Ok(all);
        try {
            return Json::parse(r.out);  // throws unless stdout is one JSON value
        } catch (const std::exception& e) {
            ADD_FAILURE() << Join(args) << ": " << e.what() << "\n" << r.out;
            return Json();
        }
    };
    EXPECT_EQ(json({"fields", in}), Json({{"path", in}, {"fields", {"memo", "color"}}}));
    EXPECT_EQ(json({"count", "memo", in}), Json({{"type", "memo"}, {"path", in}, {"count", 2}}));
    EXPECT_EQ(json({"import", "memo", in}), Json({{"type", "memo"}, {"path", in}, {"saved", 2}}));
    EXPECT_EQ(json({"export", "4", Path("out.txt")}),
              Json({{"type", "memo"}, {"path", Path("out.txt.csv")}, {"written", 2}}));
    const Json list = json({"list", "memo"});
    ASSERT_EQ(list["records"].size(), 2u) << list.dump();
    EXPECT_EQ(list["type"], "memo");
    for (const Json& record : list["records"])
        EXPECT_GT(record["id"].get<long>(), 0);
    Json second = list["records"][1];
    second.erase("id");
    EXPECT_EQ(second, Json({{"memo", "Call Ann"}, {"color", "red"}, {"deleted", false}}));
    EXPECT_EQ(list.begin().key(), "type");
}

TEST_F(VarnocsvTest, FileProblemsAreNamed)
{
    WriteBytes("empty.csv", "");
    WriteBytes("header.csv", "\"memo\",\"color\"\r\n\r\n\r\n");
    const struct {
        std::string file;
        std::string says;
    } rows[] = {
        {Path("missing.csv"), "cannot open " + Path("missing.csv") + ": no such file"},
        {Path("empty.csv"), Path("empty.csv") + " holds no data rows"},
        {Path("header.csv"), Path("header.csv") + " holds no data rows"},
        {m_dir.string(), "cannot open " + m_dir.string() + ": it is a folder"},
    };
    for (const auto& row : rows) {
        for (const std::string command : {"count", "import"}) {
            const RunResult r = Run({"--json", command, "memo", row.file});
            EXPECT_EQ(r.exit, 1) << command << " " << row.file;
            EXPECT_EQ(r.out, "") << command << " " << row.file;
            EXPECT_NE(r.err.find("varnocsv: " + row.says + "\n"), std::string::npos) << r.err;
        }
    }
    RunResult r = Run({"fields", Path("missing.csv")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "varnocsv: cannot open " + Path("missing.csv") + ": no such file\n");
    r = Ok({"--json", "fields", Path("empty.csv")});
    EXPECT_EQ(r.out, "{\"path\":\"" + Path("empty.csv") + "\",\"fields\":[]}\n");
}

TEST_F(VarnocsvTest, StoreThatIsNotADatabaseIsLeftUnchanged)
{
    WriteBytes("in.csv", kTwoMemos);
    std::string garbage;
    for (int i = 0; i < 200; ++i)
        garbage += "this is not a database, line " + std::to_string(i) + "\n";
    WriteBytes("notes.txt", garbage);
    const std::string store = Path("notes.txt");
    const struct {
        std::vector<std::string> args;
        std::string says;
    } rows[] = {
        {{"export", "memo", Path("out.csv")}, "cannot read the store " + store},
        {{"import", "memo", Path("in.csv")}, "cannot write to the store " + store},
        {{"list", "memo"}, "cannot read the store " + store},
    };
    for (const auto& row : rows) {
        const RunResult r = Run(row.args, "notes.txt");
        EXPECT_EQ(r.exit, 1) << Join(row.args);
        EXPECT_EQ(r.out, "") << Join(row.args);
        EXPECT_NE(r.err.find("varnocsv: " + row.says), std::string::npos) << r.err;
        EXPECT_EQ(ReadBytes("notes.txt"), garbage) << Join(row.args);
    }
    EXPECT_FALSE(Exists("out.csv"));
    // Counting reads only the file.
    EXPECT_EQ(Ok({"count", "memo", Path("in.csv")}, "notes.txt").out, Path("in.csv") + " holds 2 memos\n");
}

TEST_F(VarnocsvTest, ExportIntoMissingFolderSaysSo)
{
    WriteBytes("in.csv", kTwoMemos);
    Ok({"import", "memo", Path("in.csv")});
    const RunResult r = Run({"--json", "export", "memo", Path("nowhere/out.csv")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "varnocsv: cannot write " + Path("nowhere/out.csv") + ": the folder " + Path("nowhere") +
                         " does not exist\n");
    EXPECT_FALSE(Exists("nowhere"));
}

TEST_F(VarnocsvTest, NothingToExportWritesNoFile)
{
    RunResult r = Ok({"export", "memo", Path("out.csv")});
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("varnocsv: nothing to export: profile 1 of the store " + Path("store.db") +
                         " holds no memos"),
              std::string::npos)
        << r.err;
    r = Ok({"--json", "export", "memo", Path("out")});
    EXPECT_EQ(r.out, "{\"type\":\"memo\",\"path\":\"" + Path("out.csv") + "\",\"written\":0}\n");
    EXPECT_FALSE(Exists("out.csv"));
}

TEST_F(VarnocsvTest, MemosMarkedDeletedAreListedButNotExported)
{
    SetStorePath(U8(Path("store.db")));
    CCalendars memos;
    for (const auto& [text, mark] : {std::pair{"kept", 0}, std::pair{"gone", 1}}) {
        CCalendar* memo = memos.AddNew();
        memo->CalendarType = CALTYPE_MEMO;
        memo->Description = U8(text);
        memo->DeletedMark = mark;
    }
    const long saved = memos.SaveToDB(1, false);
    SetStorePath(CString());
    ASSERT_EQ(saved, 2);

    RunResult r = Ok({"list", "memo"});
    EXPECT_NE(r.out.find("  memo=\"kept\"  color=\"\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  memo=\"gone\"  color=\"\"  (deleted)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n2 memos in profile 1, 1 marked deleted\n"), std::string::npos) << r.out;
    r = Ok({"--json", "list", "memo"});
    EXPECT_NE(r.out.find(R"("memo":"gone","color":"","deleted":true})"), std::string::npos) << r.out;
    Ok({"export", "memo", Path("out.csv")});
    EXPECT_EQ(ReadBytes("out.csv"), "\"memo\",\"color\"\r\n\"kept\",\"\"\r\n");
}

TEST_F(VarnocsvTest, ProfilesAreKeptApart)
{
    WriteBytes("one.csv", "memo,color\r\nfirst,red\r\n");
    WriteBytes("two.csv", "memo,color\r\nsecond,blue\r\nthird,green\r\n");
    Ok({"import", "memo", Path("one.csv")});
    Ok({"--profile", "2", "import", "memo", Path("two.csv")});
    Ok({"export", "memo", Path("p1.csv")});
    Ok({"--profile", "2", "export", "memo", Path("p2.csv")});
    EXPECT_EQ(ReadBytes("p1.csv"), "\"memo\",\"color\"\r\n\"first\",\"red\"\r\n");
    EXPECT_EQ(ReadBytes("p2.csv"), "\"memo\",\"color\"\r\n\"second\",\"blue\"\r\n\"third\",\"green\"\r\n");
    const RunResult r = Ok({"--json", "--profile", "3", "list", "memo"});
    EXPECT_EQ(r.out, "{\"type\":\"memo\",\"records\":[]}\n");
}

TEST_F(VarnocsvTest, AutoMappingFindsMemoColumnsInAnyOrderAndCase)
{
    const struct {
        std::string file;
        std::string mapping;
        std::string exported;
    } rows[] = {
        {"memo,color\r\nA,red\r\n", R"(memo <- "memo", color <- "color")", "\"A\",\"red\""},
        {"COLOR,MEMO\r\nred,A\r\n", R"(memo <- "MEMO", color <- "COLOR")", "\"A\",\"red\""},
        {"id\tColor\tMemo\textra\r\n1\tred\tA\tx\r\n", R"(memo <- "Memo", color <- "Color")", "\"A\",\"red\""},
        {"extra,mEmO\r\nx,A\r\n", R"(memo <- "mEmO")", "\"A\",\"\""},
    };
    int n = 0;
    for (const auto& row : rows) {
        const std::string name = "auto" + std::to_string(n++);
        WriteBytes(name + ".csv", row.file);
        const RunResult r = Ok({"import", "memo", Path(name + ".csv")}, name + ".db");
        EXPECT_EQ(r.err, "varnocsv: mapping: " + row.mapping + "\n") << row.file;
        Ok({"export", "memo", Path(name + "-out.csv")}, name + ".db");
        EXPECT_EQ(ReadBytes(name + "-out.csv"), "\"memo\",\"color\"\r\n" + row.exported + "\r\n") << row.file;
    }
}

TEST_F(VarnocsvTest, MapPairsArePassedInOrderAndUnchanged)
{
    WriteBytes("in.csv", "Text,Farbe,a=b\r\nfrom text,red,from a=b\r\n");
    const struct {
        std::vector<std::string> maps;
        std::string mapping;
        std::string exported;
        std::string warning;
    } rows[] = {
        {{"--map", "color=Farbe", "--map", "memo=Text"}, R"(color <- "Farbe", memo <- "Text")",
         "\"from text\",\"red\"", ""},
        {{"--map", "MEMO=a=b"}, R"(MEMO <- "a=b")", "\"from a=b\",\"\"", ""},
        {{"--map", "memo= Text", "--map", "color=farbe"}, R"(memo <- " Text", color <- "farbe")", "\"\",\"red\"",
         "varnocsv: warning: --map column \" Text\" is not in the header; its field stays empty\n"},
    };
    int n = 0;
    for (const auto& row : rows) {
        const std::string store = "map" + std::to_string(n++) + ".db";
        std::vector<std::string> args{"import", "memo", Path("in.csv")};
        args.insert(args.end(), row.maps.begin(), row.maps.end());
        const RunResult r = Ok(args, store);
        EXPECT_EQ(r.err, row.warning + "varnocsv: mapping (--map): " + row.mapping + "\n");
        Ok({"export", "memo", Path("out.csv")}, store);
        EXPECT_EQ(ReadBytes("out.csv"), "\"memo\",\"color\"\r\n" + row.exported + "\r\n") << Join(row.maps);
    }
}

TEST_F(VarnocsvTest, WarningsLeaveTheResultAlone)
{
    const struct {
        std::string bytes;
        std::string warning;
    } rows[] = {
        {"\xEF\xBB\xBFmemo,color\r\nA,red\r\nB,blue\r\n", "UTF-8 byte-order mark"},
        {"memo;color\r\nA;red\r\nB;blue\r\n", "single column containing \";\""},
    };
    for (const auto& row : rows) {
        WriteBytes("w.csv", row.bytes);
        RunResult r = Ok({"count", "memo", Path("w.csv")});
        EXPECT_EQ(r.out, Path("w.csv") + " holds 2 memos\n");
        EXPECT_NE(r.err.find("varnocsv: warning: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(row.warning), std::string::npos) << r.err;
        r = Ok({"fields", Path("w.csv")});
        EXPECT_NE(r.err.find(row.warning), std::string::npos) << r.err;
    }
    // A clean file warns about nothing.
    WriteBytes("w.csv", kTwoMemos);
    EXPECT_EQ(Ok({"fields", Path("w.csv")}).err, "");
}

TEST_F(VarnocsvTest, ForeignLayoutsAndAliasesAreMapped)
{
    const struct {
        std::string type;
        std::string header;
        std::string said;
    } rows[] = {
        {"todo", "제목,시작 날짜,기한,완료",
         R"(mapping (the Korean to-do layout): summary <- "제목", start_time <- "시작 날짜", due_date <- "기한")"},
        {"todo", "Summary,start_date,due_date",
         R"(mapping: summary <- "Summary", start_time <- "start_date", due_date <- "due_date")"},
        {"calendar", "Subject,Start Date,Start Time,End Date",
         R"(mapping (the English calendar layout): summary <- "Subject", start_time <- "Start Date")"},
        {"calendar", "제목,시작 날짜,시작 시간,종료 날짜",
         R"(mapping (the Korean calendar layout): summary <- "제목", start_time <- "시작 날짜")"},
        // A layout needs a fourth column, as the library's recognition does.
        {"calendar", "Subject,Start Date,Start Time",
         "warning: no header column is named after a field of calendar (summary, start_time, end_time, allday, "
         "alarm_runtime, description, location); map columns with --map FIELD=COLUMN"},
    };
    for (const auto& row : rows) {
        WriteBytes("f.csv", row.header + "\r\nx,y,z,w\r\n");
        const RunResult r = Run({"count", row.type, Path("f.csv")});
        EXPECT_EQ(r.err, "varnocsv: " + row.said + "\nvarnocsv: " + row.type + " is not supported yet\n");
    }
}

TEST_F(VarnocsvTest, ExamplesImportAndExportThroughTheirCodePages)
{
    RunResult r = Ok({"--json", "import", "memo", Example("memo.csv")}, "store.db", "1252");
    EXPECT_EQ(r.out, "{\"type\":\"memo\",\"path\":\"" + Example("memo.csv") + "\",\"saved\":4}\n");
    Ok({"export", "memo", Path("ansi.csv")}, "store.db", "1252");
    EXPECT_EQ(ReadBytes("ansi.csv"), ReadBytes(Example("memo.csv"))) << "the own layout round-trips byte for byte";

    r = Ok({"import", "memo", Example("memo-utf16.txt")}, "korean.db", "949");
    EXPECT_EQ(r.err, "varnocsv: mapping: memo <- \"Memo\", color <- \"Color\"\n");
    Ok({"export", "memo", Path("utf8.csv")}, "korean.db", "65001");
    EXPECT_EQ(ReadBytes("utf8.csv"), "\"memo\",\"color\"\r\n\"장보기: 우유, 빵, 계란\",\"pink\"\r\n"
                                     "\"오후 3시 팀 회의\",\"green\"\r\n\"엄마 생신 선물 사기\",\"blue\"\r\n");
}

TEST_F(VarnocsvTest, OptionAndFlagAreAccepted)
{
    WriteBytes("in.csv", kTwoMemos);
    const RunResult r = Ok({"--json", "import", "memo", Path("in.csv"), "--option", "0", "--flag"});
    EXPECT_EQ(r.out, "{\"type\":\"memo\",\"path\":\"" + Path("in.csv") + "\",\"saved\":2}\n");
}

TEST_F(VarnocsvTest, DefaultStoreIsCreatedOnlyByCommandsThatUseIt)
{
    WriteBytes("in.csv", kTwoMemos);
    const std::vector<std::string> globals{"--codepage", "65001", "--locale", "en_US"};
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), globals.begin(), globals.end());
        const RunResult r = Raw(args);
        EXPECT_EQ(r.exit, 0) << Join(args) << "\n" << r.err;
        return r;
    };
    run({"count", "memo", Path("in.csv")});
    run({"fields", Path("in.csv")});
    EXPECT_FALSE(Exists("xdg/varno"));
    run({"import", "memo", Path("in.csv")});
    EXPECT_TRUE(Exists("xdg/varno/store.db"));

    m_env["XDG_DATA_HOME"] = std::nullopt;
    EXPECT_EQ(run({"list", "memo"}).out, "0 memos in profile 1\n");
    EXPECT_TRUE(Exists("home/.local/share/varno/store.db"));

    // A store named with --store gets its folder too.
    run({"--store", Path("new/folder/store.db"), "list", "memo"});
    EXPECT_TRUE(Exists("new/folder/store.db"));
}

} // namespace
} // namespace varno::test
