// The to-do road through CSVMng on a real SQLite store: export, the field
// walk with its words and the Korean to-do layout, and round trips. The zone
// is UTC+9 without daylight saving, the locale ko_KR, the clock fixed, the
// code page UTF-8.
#include "converters/CSVTodo.h"
#include "tests/converters/Road.h"

namespace varno::test {
namespace {

/// "summary|start|due|description|completed|priority", dates in UTC.
std::string Describe(const CCalendar& item)
{
    return item.Summary.ToUtf8() + "|" + Utc(item.StartTime) + "|" + Utc(item.DueDate) + "|" +
           item.Description.ToUtf8() + "|" + std::to_string(item.Completed) + "|" + std::to_string(item.Priority);
}

class TodoRoad : public Road {
protected:
    std::vector<std::string> Load(int profile) { return Road::Load(profile, CALTYPE_TODO, Describe); }

    TimeZoneGuard zone{"KST-9"};
    UserLocaleGuard locale{"ko_KR"};
    FixedNowGuard now{1590969600}; // what an unreadable date becomes: 2020-06-01 00:00 UTC
    CodePageGuard codePage{65001};
};

// Completion is written as stored, priority on the store's scale (1, 5, 9;
// 0 for none or for a value the calendar side does not have), dates in local
// time (UTC+9), a missing date as an empty field; deleted items stay behind.
// What import reads back exports the same.
TEST_F(TodoRoad, ExportWritesOurLayoutAndImportReadsItBack)
{
    Store(1, CALTYPE_TODO, {{.summary = "보고서", .description = "a, \"b\"\r\n줄", .start = Date(2012, 1, 31, 0, 5),
                             .due = Date(2012, 2, 1, 14, 30), .completed = 6, .priority = 1},
                            {.summary = "gone", .start = Date(2012, 1, 1), .completed = 6, .priority = 1, .deleted = 1},
                            {.summary = "call", .completed = 3, .priority = 2},
                            {.summary = "read", .due = Date(2099, 12, 31, 15), .priority = 3},
                            {.summary = "walk", .completed = -1, .priority = 7}});
    EXPECT_EQ(manager.Export(CSVTYPE_TODO, 1, PathOf("out.csv")), 4);
    EXPECT_EQ(ReadBytes("out.csv"), "\"summary\",\"start_date\",\"due_date\",\"description\",\"completed\",\"priority\"\r\n"
                                    "\"보고서\",\"2012-01-31 09:05\",\"2012-02-01 23:30\",\"a, \"\"b\"\"\r\n줄\",\"6\",\"1\"\r\n"
                                    "\"call\",\"\",\"\",\"\",\"3\",\"5\"\r\n"
                                    "\"read\",\"\",\"2100-01-01 00:00\",\"\",\"0\",\"9\"\r\n"
                                    "\"walk\",\"\",\"\",\"\",\"-1\",\"0\"\r\n");
    ExpectStableRoundTrip(CSVTYPE_TODO, 4, " summary");
}

// Each group is one file, with the item each line must become (dates in
// UTC; the file's are local, UTC+9).
TEST_F(TodoRoad, ImportReadsEachFieldByItsRule)
{
    const std::string own = "summary,start_date,due_date,description,completed,priority";
    const CStringList ownFields{u"summary", u"start_time", u"due_date", u"description", u"completed", u"priority"};
    const CStringList ownColumns{u"summary", u"start_date", u"due_date", u"description", u"completed", u"priority"};
    const CStringList splitFields{u"summary", u"completed", u"priority"};
    const CStringList splitColumns{u"제목", u"완료", u"우선 순위"};
    const Group groups[] = {
        {"own layout", own, ownFields, ownColumns,
         {{"a,2012-01-31 09:00,20120201,x,완료,높음", "a|2012-01-31 00:00|2012-01-31 15:00|x|6|1"},
          {"b,,,,비완료,중간", "b|null|null||0|2"},
          {"c,,,,3,낮음", "c|null|null||3|3"},
          {"d,,,,-1,2", "d|null|null||-1|1"},
          {"e,,,, 7 done,5", "e|null|null||7|2"},
          {"f,,,,+6,9", "f|null|null||6|3"},
          {"g,,,,done,x", "g|null|null||0|0"},
          {"h,,,,1.000,10", "h|null|null||1|0"},       // a ratio only counts in the Korean layout
          {"i,,,,완료 ,높음 ", "i|null|null||0|0"},      // words are compared exactly
          {"j,,,,,-1", "j|null|null||0|0"},
          {"k,2012-13-45,not a date,,,", "k|2020-06-01 00:00|1899-12-30 00:00||0|0"}}},
        {"\"start_date\" is written, but only \"start_time\" is read", own,
         {u"summary", u"start_date", u"due_date"}, {u"summary", u"start_date", u"due_date"},
         {{"a,2012-01-31 09:00,2012-02-01 09:00,x,6,1", "a|null|2012-02-01 00:00||0|0"}}},
        {"a to-do date never takes its time from the next column", "summary,start,time,due", {u"start_time", u"due_date"},
         {u"start", u"due"},
         {{"a,2012-01-31,10:30,20120201", "|2012-01-30 15:00|2012-01-31 15:00||0|0"}}},
        {"the Korean to-do layout", "제목,시작 날짜,기한,완료,우선 순위", splitFields, splitColumns,
         {{"a,,,1.000,높음", "a|null|null||6|1"},
          {"b,,,완료,중간", "b|null|null||0|2"},
          {"c,,,6,5", "c|null|null||0|2"},
          {"d,,,1,낮음", "d|null|null||0|3"},
          {"e,,,1.0,", "e|null|null||0|0"},
          {",,,,", "|null|null||0|0"},
          {"f", "f|null|null||0|0"}}},
        // Not the Korean to-do layout: three columns, a trailing space, the
        // calendar's third name, another order.
        {"three columns", "제목,시작 날짜,기한", {u"completed"}, {u"기한"},
         {{"a,,1.000", "|null|null||1|0"}, {"b,,완료", "|null|null||6|0"}}},
        {"a space", "제목 ,시작 날짜,기한,완료", {u"completed"}, {u"완료"}, {{"a,,,1.000", "|null|null||1|0"}}},
        {"third name", "제목,시작 날짜,시작 시간,완료", {u"completed"}, {u"완료"}, {{"a,,,완료", "|null|null||6|0"}}},
        {"order", "시작 날짜,제목,기한,완료", {u"completed"}, {u"완료"}, {{"a,,,1.000", "|null|null||1|0"}}},
    };
    ExpectGroups(CSVTYPE_TODO, CALTYPE_TODO, groups, Describe);
}

} // namespace
} // namespace varno::test
