// The calendar road through CSVMng on a real SQLite store: export, the field
// walk with its neighbouring columns, the year limit, the alarm labels, the
// three foreign layouts, eight-digit dates, and round trips (one across
// Seoul's summer time of 1988). The zone is UTC+9 without daylight saving
// unless a test says otherwise, the locale ko_KR, the clock fixed, the code
// page UTF-8.
#include "converters/CSVCalendar.h"
#include "tests/converters/Road.h"

namespace varno::test {
namespace {

std::string Alarm(const CCalendar& entry)
{
    COleDateTime when;
    switch (entry.GetAlarmType()) {
    case ALARM_OFF:
        return "off";
    case ALARM_RUNTIME:
        return "run " + std::to_string(entry.GetAlarmRunTime());
    default:
        return "at " + (entry.GetAlarmDateTime(when) ? Utc(when) : std::string("?"));
    }
}

/// "summary|start|end|allday|alarm|description|location", dates in UTC.
std::string Describe(const CCalendar& entry)
{
    return entry.Summary.ToUtf8() + "|" + Utc(entry.StartTime) + "|" + Utc(entry.EndTime) + "|" +
           std::to_string(entry.AllDay) + "|" + Alarm(entry) + "|" + entry.Description.ToUtf8() + "|" +
           entry.Location.ToUtf8();
}

class CalendarRoadTest : public Road {
protected:
    std::vector<std::string> Load(int profile) { return Road::Load(profile, CALTYPE_SCHEDULE, Describe); }

    TimeZoneGuard zone{"KST-9"};
    UserLocaleGuard locale{"ko_KR"};
    FixedNowGuard now{1590969600}; // what an unreadable date becomes: 2020-06-01 00:00 UTC
    CodePageGuard codePage{65001};
};

// Dates in local time (UTC+9), an all-day flag as "1" or "0", the instant of
// an alarm at an instant (types 2 and -1) and nothing for any other alarm;
// deleted entries stay behind. What import reads back exports the same.
TEST_F(CalendarRoadTest, ExportWritesOurLayoutAndImportReadsItBack)
{
    Store(1, CALTYPE_SCHEDULE,
          {{.summary = "회의", .description = "3층, \"큰\"\r\n방", .location = "본사", .start = Date(2012, 1, 31, 0, 5),
            .end = Date(2012, 1, 31, 1), .alarmAt = Date(2012, 1, 30, 23, 45)},
           {.summary = "휴가", .start = Date(2012, 2, 1, 15), .end = Date(2012, 2, 2, 15), .allDay = 1, .alarmLead = 15},
           {.summary = "gone", .start = Date(2012, 1, 1), .deleted = 1},
           {.summary = "open end", .start = Date(2012, 3, 1), .allDay = 2},
           {.summary = "all bits", .alarmAt = Date(2012, 3, 1)},
           {.summary = "all bits, no instant"},
           {.summary = "late", .start = Date(2100, 12, 31, 14, 59)}});
    storetest::Sql(m_dir / "store.db",
                   "UPDATE calendar SET alarm_type = -1 WHERE summary IN ('all bits', 'all bits, no instant')");
    EXPECT_EQ(manager.Export(CSVTYPE_CALENDAR, 1, PathOf("out.csv")), 6);
    EXPECT_EQ(ReadBytes("out.csv"),
              "\"summary\",\"start_time\",\"end_time\",\"allday\",\"alarm_runtime\",\"description\",\"location\"\r\n"
              "\"회의\",\"2012-01-31 09:05\",\"2012-01-31 10:00\",\"0\",\"2012-01-31 08:45\",\"3층, \"\"큰\"\"\r\n방\",\"본사\"\r\n"
              "\"휴가\",\"2012-02-02 00:00\",\"2012-02-03 00:00\",\"1\",\"\",\"\",\"\"\r\n"
              "\"open end\",\"2012-03-01 09:00\",\"\",\"0\",\"\",\"\",\"\"\r\n"
              "\"all bits\",\"\",\"\",\"0\",\"2012-03-01 09:00\",\"\",\"\"\r\n"
              "\"all bits, no instant\",\"\",\"\",\"0\",\"\",\"\",\"\"\r\n"
              "\"late\",\"2100-12-31 23:59\",\"\",\"0\",\"\",\"\",\"\"\r\n");
    ExpectStableRoundTrip(CSVTYPE_CALENDAR, 6, " summary start_time");
}

// The store holds UTC and files hold local time by the zone's rules for each
// date: Seoul kept summer time (UTC+10) from 8 May 1988 02:00 to 9 October
// 03:00, when 02:00 to 02:59 came twice. Start, end and alarm go out as local
// text and come back as the same instants, so a second export writes the
// same text; only a time of the repeated hour may come back as its twin.
TEST_F(CalendarRoadTest, RoundTripKeepsInstantsAcrossAHistoricalOffsetChange)
{
    if (!std::filesystem::exists("/usr/share/zoneinfo/Asia/Seoul"))
        GTEST_SKIP() << "no time zone data for Asia/Seoul (Debian's tzdata)";
    TimeZoneGuard seoul("Asia/Seoul");
    const struct {
        COleDateTimeNull utc;
        const char* local;
        COleDateTimeNull twin = {}; // the other instant of a repeated local time
    } rows[] = {
        {Date(1988, 1, 15, 3), "1988-01-15 12:00"},
        {Date(1988, 5, 7, 16, 59), "1988-05-08 01:59"}, // the last minute before summer time
        {Date(1988, 5, 7, 17), "1988-05-08 03:00"},     // the first of it
        {Date(1988, 7, 1, 14), "1988-07-02 00:00"},
        {Date(1988, 10, 8, 15, 59), "1988-10-09 01:59"},
        {Date(1988, 10, 8, 16, 30), "1988-10-09 02:30", Date(1988, 10, 8, 17, 30)}, // summer time
        {Date(1988, 10, 8, 17, 30), "1988-10-09 02:30", Date(1988, 10, 8, 16, 30)}, // standard time
        {Date(1988, 10, 8, 18), "1988-10-09 03:00"},
        {Date(1989, 7, 1, 15), "1989-07-02 00:00"}, // no summer time that year
    };
    std::vector<CalendarRecord> entries;
    std::string expected = "\"summary\",\"start_time\",\"end_time\",\"allday\",\"alarm_runtime\",\"description\","
                           "\"location\"\r\n";
    for (const auto& row : rows) {
        entries.push_back({.summary = row.local, .start = row.utc, .end = row.utc, .alarmAt = row.utc});
        const std::string local = std::string("\"") + row.local + "\"";
        expected += local + "," + local + "," + local + ",\"0\"," + local + ",\"\",\"\"\r\n";
    }
    Store(1, CALTYPE_SCHEDULE, entries);
    const long n = std::ssize(rows);
    ASSERT_EQ(manager.Export(CSVTYPE_CALENDAR, 1, PathOf("first.csv")), n);
    EXPECT_EQ(ReadBytes("first.csv"), expected);
    auto [fields, columns] = MappingFor(CSVTYPE_CALENDAR, PathOf("first.csv"));
    EXPECT_EQ(Import(CSVTYPE_CALENDAR, "first.csv", fields, columns, 2), n);
    const std::vector<std::string> before = Load(1), after = Load(2);
    ASSERT_EQ(std::ssize(after), n);
    for (long i = 0; i < n; ++i) {
        std::string back = after[i]; // a twin counts as the instant itself
        if (const COleDateTimeNull& twin = rows[i].twin; twin.GetStatus() == COleDateTime::valid)
            for (size_t at; (at = back.find(Utc(twin))) != std::string::npos;)
                back.replace(at, Utc(twin).size(), Utc(rows[i].utc));
        EXPECT_EQ(back, before[i]) << "as read back: " << after[i];
    }
    ASSERT_EQ(manager.Export(CSVTYPE_CALENDAR, 2, PathOf("second.csv")), n);
    EXPECT_EQ(ReadBytes("second.csv"), expected);
}

TEST(CSVCalendar, ConvertAlldayTakesOneOrTrueInAnyCase)
{
    const std::pair<const char*, int> rows[] = {{"1", 1}, {"TRUE", 1}, {"true", 1}, {"tRuE", 1}, {"0", 0},
                                                {"", 0},  {" 1", 0},   {"1 ", 0},   {"01", 0},   {"2", 0},
                                                {"yes", 0}, {"TRUE ", 0}, {"False", 0}};
    CCSVCalendar calendar;
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(calendar.ConvertAllday(U8(text)), expected) << '"' << text << '"';
}

// Each group is one file, with the entry each line must become (dates in
// UTC; the file's are local, UTC+9).
TEST_F(CalendarRoadTest, ImportReadsEachFieldByItsRule)
{
    const std::string own = "summary,start_time,end_time,allday,alarm_runtime,description,location";
    const std::string english = "Subject,Start Date,Start Time,End Date,End Time,All day event,Reminder on/off,"
                                "Reminder Date,Reminder Time,Categories";
    const std::string schedule = "날 짜,일정 시작일,일정 시작시간,일정 종료일,일정 종료시간,제 목,알 람,알람 시각,종일";
    const CStringList scheduleFields{u"summary", u"start_time", u"end_time", u"allday", u"alarm_runtime"};
    const CStringList scheduleColumns{u"제 목", u"일정 시작일", u"일정 종료일", u"종일", u"알 람"};
    const Group groups[] = {
        {"own layout", own, {}, {},
         {{"a,2012-01-31 09:00,2012-01-31 10:00,0,2012-01-31 08:45,d,l",
           "a|2012-01-31 00:00|2012-01-31 01:00|0|at 2012-01-30 23:45|d|l"},
          // No end correction, no all-day inference in our own layout.
          {"b,2012-02-02 00:00,2012-02-03 00:00,1,,,", "b|2012-02-01 15:00|2012-02-02 15:00|1|off||"},
          {"c,2012-02-02,2012-02-03,True,15분전,,", "c|2012-02-01 15:00|2012-02-02 15:00|1|run 15||"},
          {"z,2012-01-31 00:00,2012-01-31 23:59,0,,,", "z|2012-01-30 15:00|2012-01-31 14:59|0|off||"},
          // The alarm's neighbours count only in a split layout.
          {"n,,,True,2012-01-31,08:30,", "n|null|null|1|at 2012-01-30 15:00|08:30|"},
          // Years after 2100, as held in UTC, are moved into 2100.
          {"y1,2105-03-01 10:00,2104-03-01 08:00,0,,,", "y1|2100-03-01 01:00|invalid|0|off||"},
          {"y2,2101-01-01 08:00,2101-01-01 09:00,0,,,", "y2|2100-12-31 23:00|2100-01-01 00:00|0|off||"},
          {"y3,2104-02-29 09:00,9999-12-31 23:00,0,,,", "y3|invalid|2100-12-31 14:00|0|off||"},
          {"y4,2100-02-28 12:00,2012-13-45,0,,,", "y4|2100-02-28 03:00|2020-06-01 00:00|0|off||"}}},
        // An eight-digit date reads as the same date with dashes, but with
        // the next column's text as its time whatever that holds: where the
        // dashed date leaves a text without a colon out, the joined text is
        // unreadable and gives the clock's now. Each pair: eight digits,
        // then dashes.
        {"eight-digit dates, own layout", own, {}, {},
         {{"a,20120131,,0,,,", "a|2012-01-30 15:00|null|0|off||"},
          {"a,2012-01-31,,0,,,", "a|2012-01-30 15:00|null|0|off||"},
          {"b,20120131,20120201,0,,,", "b|2020-06-01 00:00|2020-06-01 00:00|0|off||"},
          {"b,2012-01-31,2012-02-01,0,,,", "b|2012-01-30 15:00|2012-01-31 15:00|0|off||"},
          {"c,,20120201,,,,", "c|null|2012-01-31 15:00|0|off||"},
          {"c,,2012-02-01,,,,", "c|null|2012-01-31 15:00|0|off||"}}},
        {"eight-digit dates beside time columns", "summary,start_time,start_clock,end_time,end_clock,allday", {}, {},
         {{"d,20120131,10:30,20120201,오후 3:05,0", "d|2012-01-31 01:30|2012-02-01 06:05|0|off||"},
          {"d,2012-01-31,10:30,2012-02-01,오후 3:05,0", "d|2012-01-31 01:30|2012-02-01 06:05|0|off||"},
          {"e,20120131,,20120201,,0", "e|2012-01-30 15:00|2012-01-31 15:00|0|off||"},
          {"e,2012-01-31,,2012-02-01,,0", "e|2012-01-30 15:00|2012-01-31 15:00|0|off||"},
          {"f,20120131,10,20120201,noon,0", "f|2020-06-01 00:00|2020-06-01 00:00|0|off||"},
          {"f,2012-01-31,10,2012-02-01,noon,0", "f|2012-01-30 15:00|2012-01-31 15:00|0|off||"}}},
        {"English split layout", english, {}, {},
         {{"Meeting,1/31/2012,9:00:00 AM,1/31/2012,10:00:00 AM,False,True,1/31/2012,8:45:00 AM,x",
           "Meeting|2012-01-31 00:00|2012-01-31 01:00|0|at 2012-01-30 23:45||"},
          {"Holiday,2012-02-02,00:00,2012-02-03,00:00,True,False,2012-02-01,18:00,x",
           "Holiday|2012-02-01 15:00|2012-02-01 15:00|1|off||"},
          {"Trip,2012-02-02,00:00,2012-02-04,00:00,TRUE,TRUE,2012-02-01,18:00,x",
           "Trip|2012-02-01 15:00|2012-02-02 15:00|1|at 2012-02-01 09:00||"},
          {"Day,2012-01-31,00:00,2012-01-31,23:59,False,,,,x", "Day|2012-01-30 15:00|2012-01-31 14:59|0|off||"},
          // The correction takes exactly 1.0 off the day count, whatever the
          // end holds: 0.5 becomes -0.5, the same moment before the epoch.
          {"Noon,,,0.5,,true,,,,x", "Noon|null|1899-12-30 12:00|1|off||"},
          {"Open,2012-02-02,00:00,,,True,,,,x", "Open|2012-02-01 15:00|null|1|off||"},
          {"Leap,,,2104-02-29,09:00,True,,,,x", "Leap|null|invalid|1|off||"},
          {"Far,,,2104-03-01,09:00,True,,,,x", "Far|null|2100-02-28 00:00|1|off||"},
          {"Label,,,,,False,False,15분전,,x", "Label|null|null|0|run 15||"}}},
        {"Korean split layout",
         "제목,시작 날짜,시작 시간,종료 날짜,종료 시간,하루 종일 이벤트,미리 알림 켜기/끄기,미리 알림 날짜,미리 알림 시간,설명,위치",
         {}, {},
         {{"회의,2012-02-02,오전 12:00:00,2012-02-03,오전 12:00:00,True,True,2012-02-01,오후 6:00:00,메모,본사",
           "회의|2012-02-01 15:00|2012-02-01 15:00|1|at 2012-02-01 09:00|메모|본사"}}},
        // The end correction acts on the end read so far.
        {"allday before end_time", english, {u"allday", u"end_time"}, {u"All day event", u"End Date"},
         {{"x,,,2012-02-03,00:00,True,,,,", "|null|2012-02-02 15:00|1|off||"}}},
        // The switch in the previous column; a first alarm from "Categories"
        // shows which values leave the alarm alone.
        {"on/off column", english, {u"alarm_runtime", u"alarm_runtime"}, {u"Categories", u"Reminder Date"},
         {{"a,,,,,,False,2012-01-31,08:45,5분전", "|null|null|0|off||"},
          {"b,,,,,,FALSE,2012-01-31,08:45,5분전", "|null|null|0|off||"},
          {"c,,,,,,true,2012-01-31,08:45,5분전", "|null|null|0|at 2012-01-30 23:45||"},
          {"d,,,,,,yes,2012-01-31,08:45,5분전", "|null|null|0|run 5||"},
          {"e,,,,,,,2012-01-31,08:45,5분전", "|null|null|0|run 5||"},
          {"f,,,,,,False,1일전,08:45,5분전", "|null|null|0|run 1440||"}}},
        {"alarm in the first column", english, {u"alarm_runtime", u"alarm_runtime"}, {u"Categories", u"Subject"},
         {{"2012-01-31,08:45,,,,,True,,,5분전", "|null|null|0|run 5||"},
          {"1일전,,,,,,,,,5분전", "|null|null|0|run 1440||"}}},
        {"schedule list", schedule, scheduleFields, scheduleColumns,
         {{"2012-01-31,2012-01-31,00:00,2012-01-31,23:59,a,,,", "a|2012-01-30 15:00|2012-01-31 14:59|1|off||"},
          {"2012-01-31,2012-01-31,00:00,2012-01-31,23:58,b,,,", "b|2012-01-30 15:00|2012-01-31 14:58|0|off||"},
          {"2012-01-31,2012-01-31,00:01,2012-01-31,23:59,c,,,", "c|2012-01-30 15:01|2012-01-31 14:59|0|off||"},
          {"2012-01-31,2012-01-31,00:00,2012-02-01,23:59,d,,,0", "d|2012-01-30 15:00|2012-02-01 14:59|1|off||"},
          {"2012-01-31,2012-01-31,09:00,2012-01-31,10:00,e,,,1", "e|2012-01-31 00:00|2012-01-31 01:00|1|off||"},
          {"2012-01-31,2012-01-31,00:00,2012-02-01,00:00,f,,,True", "f|2012-01-30 15:00|2012-01-31 15:00|1|off||"},
          // Local midnight of 29 February 2104 is still 28 February in UTC.
          {"2012-01-31,2104-02-29,00:00,2012-01-31,23:59,g,,,", "g|2100-02-28 15:00|2012-01-31 14:59|1|off||"},
          {"2012-01-31,2104-02-29,09:00,2012-01-31,23:59,g,,,", "g|invalid|2012-01-31 14:59|0|off||"},
          {"2012-01-31,,,,,h,2012-01-31,08:30,", "h|null|null|0|at 2012-01-30 15:00||"},
          {"2012-01-31,,,,,i,15분전,,", "i|null|null|0|run 15||"}}},
    };
    ExpectGroups(CSVTYPE_CALENDAR, CALTYPE_SCHEDULE, groups, Describe);
}

// Every label is compared exactly and acts in every layout; other texts are
// dates, or in a split layout left to the on/off column before them (here
// neither word). A first alarm shows that a value replaces it or leaves it
// alone. The columns around the alarm are read in ImportReadsEachFieldByItsRule.
TEST_F(CalendarRoadTest, EveryAlarmLabelActsInEveryLayout)
{
    const struct {
        const char* value;
        const char* own;   // after a first alarm at 2012-01-31 00:00
        const char* split; // the same, in a split layout
    } rows[] = {
        {"", "off", "off"},
        {"알람설정없음", "off", "off"},
        {"정시알림", "run 0", "run 0"},
        {"5분전", "run 5", "run 5"},
        {"15분전", "run 15", "run 15"},
        {"30분전", "run 30", "run 30"},
        {"1시간전", "run 60", "run 60"},
        {"1일전", "run 1440", "run 1440"},
        {"3일전", "run 4320", "run 4320"},
        {"1주일전", "run 10080", "run 10080"},
        {"15 분전", "at 1900-01-14 00:00", "at 2012-01-31 00:00"}, // a number of days in our layout
        {"15분전 ", "at 1900-01-14 00:00", "at 2012-01-31 00:00"},
        {"1 시간전", "at 1899-12-31 00:00", "at 2012-01-31 00:00"},
        {"알람 설정 없음", "at 2020-06-01 00:00", "at 2012-01-31 00:00"}, // eight characters: as YYYYMMDD, unreadable: now
        {"2012-02-01 07:00", "at 2012-01-31 22:00", "at 2012-01-31 00:00"},
    };
    for (const bool split : {false, true})
        for (const auto& row : rows) {
            CCSVCalendar calendar;
            calendar.m_bSubjectLayout = split;
            CCalendar entry;
            entry.SetAlarmDateTime(Date(2012, 1, 31));
            calendar.ConvertAlarm(&entry, U8(row.value), CString(), U8("on"));
            EXPECT_EQ(Alarm(entry), split ? row.split : row.own) << (split ? "split: " : "own: ") << row.value;
        }
}

// Import looks at the first three names, exactly, and only when there are
// at least four.
TEST_F(CalendarRoadTest, ImportRecognisesTheThreeSignatures)
{
    const struct {
        const char* header;
        bool date, subject;
    } rows[] = {
        {"날 짜,일정 시작일,일정 시작시간,x", true, false},
        {"날 짜,일정 시작일,일정 시작시간", false, false},
        {"날짜,일정 시작일,일정 시작시간,x", false, false},
        {"날 짜 ,일정 시작일,일정 시작시간,x", false, false},
        {"제목,시작 날짜,시작 시간,x", false, true},
        {"제목,시작 날짜,시작 시간", false, false},
        {"제목,시작 날짜,기한,x", false, false},
        {"Subject,Start Date,Start Time,x", false, true},
        {"Subject,Start Date,Start Time", false, false},
        {"Subject,Start Date,Start Time ,x", false, false},
        {"subject,start date,start time,x", false, false},
        {"x,Subject,Start Date,Start Time", false, false},
    };
    CStringList none;
    for (const auto& row : rows) {
        WriteLines("h.csv", {row.header, "1,2,3,4"});
        long count = -1;
        CCSVCalendar importing;
        EXPECT_EQ(importing.Import(count, 1, PathOf("h.csv"), none, none, 0, false), CSVERR_SUCCESS);
        EXPECT_EQ(importing.m_bDateLayout, row.date) << row.header;
        EXPECT_EQ(importing.m_bSubjectLayout, row.subject) << row.header;
    }
}

} // namespace
} // namespace varno::test
