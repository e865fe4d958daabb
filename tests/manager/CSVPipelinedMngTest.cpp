// CSVMng and CSVPipelinedMng on files of several row windows (2,048 rows
// each): CSVMng does every step on the caller's thread, the pipelined
// manager spreads them over threads of its own, and both give the same
// counts, stored records, exported bytes, store failures and conversion
// losses. The zone is UTC, the locale en_US.
#include "manager/CSVPipelinedMng.h"
#include "platform/Progress.h"
#include "tests/converters/Road.h"

#include <sys/resource.h>

#include <algorithm>
#include <memory>
#include <thread>

namespace varno::test {
namespace {

using Cells = std::vector<std::string>;

/// One record: every value quoted, inner quotes doubled, joined by `separator`.
std::string Record(const Cells& cells, const std::string& separator = ",")
{
    std::string line;
    for (const std::string& cell : cells) {
        line += (line.empty() ? "\"" : separator + "\"");
        for (char c : cell)
            line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    return line + "\r\n";
}

/// A header and `rows` records made by `row`.
std::string File(const Cells& header, Cells (*row)(int), int rows, const std::string& separator = ",")
{
    std::string text = Record(header, separator);
    for (int i = 0; i < rows; ++i)
        text += Record(row(i), separator);
    return text;
}

std::string N(int i) { return std::to_string(i); }

// Rows of every type, in the type's own layout (the calendar in the English
// split layout, which import recognises): line breaks, quotes, commas,
// characters outside code page 949, words the converters translate.
Cells MemoRow(int i)
{
    static const char* const colors[] = {"red", "green, light", "blue"};
    return {"memo " + N(i) + (i % 7 == 0 ? "\r\nsecond \"line\", Zoë" : " café"), colors[i % 3]};
}
Cells TodoRow(int i)
{
    static const char* const done[] = {"완료", "0", "6"}, *const priority[] = {"높음", "5", "낮음"};
    return {"task " + N(i), "2012-01-05 09:30", "2012-02-" + N(1 + i % 28) + " 18:00", "note " + N(i), done[i % 3],
            priority[i % 3]};
}
Cells CalendarRow(int i)
{
    const std::string day = "1/" + N(1 + i % 28) + "/2012";
    return {"Meeting " + N(i), day, "9:00 AM", day, "10:30 AM", i % 5 == 0 ? "True" : "False",
            i % 2 ? "True" : "False", day, "8:45 AM", "desc " + N(i), "Room " + N(i % 9)};
}
Cells ContactRow(int i)
{
    static const char* const groups[] = {"Family", "family", "no group", "Friends"};
    return {"First " + N(i), "Last", "010-" + N(i), "+82 2 " + N(i), "p" + N(i) + "@x.example", "1980-03-04",
            "note, " + N(i), groups[i % 4]};
}
Cells MessageRow(int i)
{
    return {N(1 + i % 5), "2012-03-04 05:06", "text " + N(i) + " é", "\"010" + N(i) + "\"", "111;222"};
}
Cells EmailRow(int i)
{
    return {"title " + N(i), "body\r\nline " + N(i), "a@x", "b@x;c@x", "", i % 2 ? "d@x" : "", "2012-03-04 05:06"};
}

// 2.5 windows of rows.
constexpr int kRows = 5000;

class PipelineTest : public Road {
protected:
    /// Threads of the process now.
    static int Threads() { return static_cast<int>(FileNames("/proc/self/task").size()); }

    /// Microseconds of CPU used by the process's threads other than this
    /// one, ended ones included (the process's time less this thread's).
    static long long OtherThreadsCpu()
    {
        rusage all{}, self{};
        getrusage(RUSAGE_SELF, &all);
        getrusage(RUSAGE_THREAD, &self);
        auto us = [](const rusage& r) {
            return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000000LL + r.ru_utime.tv_usec + r.ru_stime.tv_usec;
        };
        return us(all) - us(self);
    }

    /// What one call did off the calling thread: its result; at each
    /// progress report, how many threads the process had and whether the
    /// report came from another thread; and the CPU time other threads used.
    struct Seen {
        long result = -7;
        long long otherCpu = -OtherThreadsCpu();
        int before = Threads(), most = before, reports = 0, fromOthers = 0;
        std::thread::id caller = std::this_thread::get_id();

        static void Report(void* context, ProgressStage, long long, long long)
        {
            auto& seen = *static_cast<Seen*>(context);
            ++seen.reports;
            seen.most = std::max(seen.most, Threads());
            seen.fromOthers += std::this_thread::get_id() != seen.caller;
        }
    };

    /// Counts memos.csv, imports it into `profile` and exports that profile
    /// with `Manager`, each call watched.
    template <class Manager>
    std::vector<Seen> Watch(int profile)
    {
        CStringList fields{u"memo", u"color"};
        std::vector<Seen> seen;
        for (int step = 0; step < 3; ++step) {
            Seen& s = seen.emplace_back();
            SetProgressSink(&Seen::Report, &s);
            const std::unique_ptr<Seen, void (*)(Seen*)> unset(&s, [](Seen*) { SetProgressSink(nullptr, nullptr); });
            Manager manager;
            if (step == 0)
                EXPECT_EQ(manager.Count(CSVTYPE_MEMO, s.result, 1, PathOf("memos.csv"), fields, fields, -1),
                          CSVERR_SUCCESS);
            else if (step == 1)
                EXPECT_EQ(manager.Import(CSVTYPE_MEMO, s.result, profile, PathOf("memos.csv"), fields, fields, -1, false),
                          CSVERR_SUCCESS);
            else
                s.result = manager.Export(CSVTYPE_MEMO, profile, PathOf("out.csv"));
            s.otherCpu += OtherThreadsCpu();
        }
        return seen;
    }

    struct Outcome {
        _en_CSVError counted, imported;
        long count = -7, saved = -7, exported;
        int failure;             // the store failure an import leaves on the caller's thread
        std::string bytes;       // of the exported file
        ConversionLosses losses; // of the export, on the caller's thread
        std::vector<std::string> stored; // every record of the profile, with its id
    };

    /// Count, import and export of `file` with `Manager`, in a fresh store
    /// `store` (made "not a database" when asked, or broken by `breakSql`
    /// once it exists).
    template <class Manager>
    Outcome Run(unsigned long type, const std::string& file, const std::string& store, const char* breakSql,
                bool notADatabase)
    {
        Manager run;
        Outcome o;
        SetStorePath(PathOf("clean.db")); // a load that works: no failure on this thread
        EXPECT_GE(CCalendars().OpenFromDB(1, 1, 1), 0);
        if (notADatabase)
            WriteBytes(store + ".db", "not a database");
        SetStorePath(PathOf(store + ".db"));
        if (breakSql) {
            EXPECT_EQ(CCalendars().OpenFromDB(1, 1, 1), 0); // makes the store
            storetest::Sql(m_dir / (store + ".db"), breakSql);
        }
        auto [fields, columns] = Exists(file) ? MappingFor(type, PathOf(file))
                                              : std::pair<CStringList, CStringList>{{u"memo"}, {u"memo"}};
        o.counted = run.Count(type, o.count, 1, PathOf(file), fields, columns, -1);
        o.imported = run.Import(type, o.saved, 1, PathOf(file), fields, columns, -1, true);
        o.failure = static_cast<int>(GetLastStoreFailure().cause) * 1000 + GetLastStoreFailure().sqliteCode;
        ResetConversionLosses();
        o.exported = run.Export(type, 1, PathOf(store + "-out"));
        o.losses = GetConversionLosses();
        o.bytes = ReadBytes(store + "-out.csv");
        o.stored = storetest::Everything(1);
        return o;
    }

    TimeZoneGuard utc{"UTC0"};
    UserLocaleGuard english{"en_US"};
};

// The facade does a windowed count, import and export without a thread of
// its own: every progress report comes from the caller's thread, the
// process has no more threads then than before, and no other thread uses
// CPU meanwhile. The pipelined manager, asked to, does use other threads:
// a count reads ahead on them, an import saves there, and an export makes
// its rows there (and reports from there).
TEST_F(PipelineTest, OnlyThePipelinedManagerStartsThreads)
{
    // Ten windows, with enough text that reading ahead takes well over a
    // millisecond.
    WriteBytes("memos.csv", File({"memo", "color"}, [](int i) -> Cells {
        return {"memo " + N(i) + std::string(200, 'x'), "c"};
    }, 20000));
    const std::vector<Seen> plain = Watch<CSVMng>(1), piped = Watch<CSVPipelinedMng>(2);
    const char* const steps[] = {"count", "import", "export"};
    for (int step = 0; step < 3; ++step) {
        SCOPED_TRACE(steps[step]);
        EXPECT_EQ(plain[step].result, 20000);
        EXPECT_EQ(piped[step].result, 20000);
        EXPECT_GT(plain[step].reports, 2);
        EXPECT_EQ(plain[step].fromOthers, 0);
        EXPECT_EQ(plain[step].most, plain[step].before);
        EXPECT_LT(plain[step].otherCpu, 1000) << "microseconds of CPU on other threads";
        EXPECT_GE(piped[step].otherCpu, 1000) << "microseconds of CPU on other threads";
    }
    EXPECT_GT(piped[2].fromOthers, 0);
    EXPECT_GT(piped[2].most, piped[2].before);
}

// The same count, import and export of every type through both managers,
// from files of several windows: the same results, stored records (ids
// included) and exported bytes. Among them a save that the store refuses
// in the second window (nothing is stored; the caller's thread learns the
// cause), a store that is not a database, characters that code page 949
// cannot write (counted on the caller's thread), a UTF-16 file with tabs,
// and a file that is not there.
TEST_F(PipelineTest, BothManagersGiveTheSameResults)
{
    const Cells memo{"memo", "color"};
    const struct {
        const char* name;
        unsigned long type;
        Cells header;
        Cells (*row)(int);
        unsigned codePage = 65001;
        bool utf16 = false;
        const char* breakSql = nullptr;
        bool notADatabase = false;
        long saved = kRows, exported = kRows; // as CSVMng gives them
        _en_CSVError read = CSVERR_SUCCESS;
    } cases[] = {
        {"memo, UTF-16 with tabs, code page 949", CSVTYPE_MEMO, memo, MemoRow, 949, true},
        {"to-do", CSVTYPE_TODO, {"summary", "start_date", "due_date", "description", "completed", "priority"},
         TodoRow},
        {"calendar, English layout", CSVTYPE_CALENDAR,
         {"Subject", "Start Date", "Start Time", "End Date", "End Time", "All day event", "Reminder on/off",
          "Reminder Date", "Reminder Time", "Description", "Location"},
         CalendarRow},
        {"contact, groups linked", CSVTYPE_CONTACT,
         {"FIRST_NAME", "LAST_NAME", "TEL_MOBILE1", "TEL_WORK1", "EMAIL_HOME", "BIRTHDAY", "NOTE", "GROUP_NAME"},
         ContactRow},
        {"message", CSVTYPE_MESSAGE, {"mailbox", "time", "content", "sender", "receiver"}, MessageRow},
        {"e-mail", CSVTYPE_EMAIL, {"title", "content", "sender", "receiver", "cc", "bcc", "time"}, EmailRow},
        {"memo, the save refused in the second window", CSVTYPE_MEMO, memo, MemoRow, 65001, false,
         "INSERT INTO sqlite_sequence VALUES ('calendar', 2147483647 - 3000)", // no id left for row 3000
         false, STOREERR_WRITE, 0},
        {"memo, not a database", CSVTYPE_MEMO, memo, MemoRow, 65001, false, nullptr, true, STOREERR_OPEN, -1},
        {"memo, no file", CSVTYPE_MEMO, memo, nullptr, 65001, false, nullptr, false, -7, 0, CSVERR_FILEOPEN},
    };
    for (int n = 0; const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = "in" + N(++n) + ".csv";
        if (c.row)
            WriteBytes(file, c.utf16 ? Utf16LE(CString::FromUtf8(File(c.header, c.row, kRows, "\t")).str())
                                     : File(c.header, c.row, kRows));
        CodePageGuard codePage(c.codePage);
        const Outcome plain = Run<CSVMng>(c.type, file, "plain" + N(n), c.breakSql, c.notADatabase);
        const Outcome piped = Run<CSVPipelinedMng>(c.type, file, "piped" + N(n), c.breakSql, c.notADatabase);

        for (const Outcome* o : {&plain, &piped}) {
            SCOPED_TRACE(o == &plain ? "CSVMng" : "CSVPipelinedMng");
            EXPECT_EQ(o->counted, c.read);
            EXPECT_EQ(o->count, c.read == CSVERR_SUCCESS ? kRows : -7);
            EXPECT_EQ(o->imported, c.read);
            EXPECT_EQ(o->saved, c.saved);
            EXPECT_EQ(o->exported, c.exported);
            EXPECT_EQ(std::ranges::any_of(o->stored, [](const std::string& line) { return line.starts_with("id "); }),
                      c.exported > 0);
            EXPECT_EQ(o->losses.count > 0, c.codePage == 949);
            EXPECT_EQ(o->failure != 0, c.read == CSVERR_SUCCESS && c.saved < 0);
        }
        EXPECT_EQ(piped.failure, plain.failure);
        EXPECT_TRUE(piped.bytes == plain.bytes) << "the exported files differ";
        EXPECT_EQ(piped.losses.count, plain.losses.count);
        EXPECT_EQ(piped.losses.first, plain.losses.first);
        EXPECT_TRUE(piped.stored == plain.stored) << "the stored records differ";
    }
}

} // namespace
} // namespace varno::test
