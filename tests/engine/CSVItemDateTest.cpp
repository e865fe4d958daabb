// CCSVItem's date text: the export format in local time on both sides of a
// clock change, the import dispatcher's choice of parser by the shape of the
// text, the cut of an eight-character date, and the two fixed-layout
// parsers. The export format is read back in every locale by DateParserTest,
// across clock changes by StoreTimeTest and CalendarRoadTest.
#include "tests/engine/TestItem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace varno::test {
namespace {

using Fields = std::array<int, 6>; // year, month, day, hour, minute, second

// What a parse gives: a valid UTC value with these fields, or a status.
struct Expect {
    COleDateTime::DateTimeStatus status;
    Fields fields;
};
constexpr Expect Utc(int y, int mo, int d, int h, int mi, int s = 0)
{
    return {COleDateTime::valid, {y, mo, d, h, mi, s}};
}
constexpr Expect kNull{COleDateTime::null, {}};
constexpr Expect kInvalid{COleDateTime::invalid, {}};
// The clock is fixed at 2020-06-15 12:34:56 UTC; unreadable text gives that.
constexpr std::time_t kNowSeconds = 1592224496;
constexpr Expect kNow = Utc(2020, 6, 15, 12, 34, 56);

void ExpectValue(const COleDateTimeNull& got, const Expect& expected, const std::string& where)
{
    EXPECT_EQ(got.GetStatus(), expected.status) << where;
    if (expected.status != COleDateTime::valid || got.GetStatus() != COleDateTime::valid)
        return;
    EXPECT_EQ((Fields{got.GetYear(), got.GetMonth(), got.GetDay(), got.GetHour(), got.GetMinute(), got.GetSecond()}),
              expected.fields)
        << where;
}

COleDateTimeNull UtcValue(int y, int mo, int d, int h, int mi, int s)
{
    return COleDateTime(y, mo, d, h, mi, s);
}

TEST(CSVItemDate, ExportWritesLocalTimeWithoutSeconds)
{
    const struct { const char* tz; COleDateTimeNull utc; const char* text; } cases[] = {
        {"KST-9", UtcValue(2012, 1, 31, 0, 0, 0), "2012-01-31 09:00"},
        {"KST-9", UtcValue(2012, 1, 31, 20, 5, 59), "2012-02-01 05:05"},    // next local day; seconds dropped
        {"KST-9", UtcValue(1899, 12, 30, 0, 0, 0), "1899-12-30 09:00"},
        {"KST-9", COleDateTimeNull(), ""},
        {"KST-9", UtcValue(2012, 4, 31, 0, 0, 0), ""},                      // invalid
        {"CET-1CEST,M3.5.0,M10.5.0/3", UtcValue(2012, 3, 25, 0, 59, 0), "2012-03-25 01:59"}, // before spring
        {"CET-1CEST,M3.5.0,M10.5.0/3", UtcValue(2012, 3, 25, 1, 0, 0), "2012-03-25 03:00"},  // after
        {"CET-1CEST,M3.5.0,M10.5.0/3", UtcValue(2012, 10, 28, 0, 30, 0), "2012-10-28 02:30"}, // before autumn
        {"CET-1CEST,M3.5.0,M10.5.0/3", UtcValue(2012, 10, 28, 1, 30, 0), "2012-10-28 02:30"}, // after
        {"CET-1CEST,M3.5.0,M10.5.0/3", UtcValue(2012, 7, 1, 22, 0, 0), "2012-07-02 00:00"},
    };
    TestItem item;
    for (const auto& c : cases) {
        TimeZoneGuard tz(c.tz);
        EXPECT_EQ(item.OLEDate2String(c.utc).ToUtf8(), c.text) << c.tz << " " << c.utc.m_dt;
    }
}

TEST(CSVItemDate, ImportPicksTheParserByTheShapeOfTheDate)
{
    TimeZoneGuard tz("KST-9"); // local 10:30 is 01:30 UTC
    FixedNowGuard now(kNowSeconds);
    const struct { const char* locale; const char* date; const char* time; Expect expected; } cases[] = {
        {"en_US", "2012-01-31", "10:30", Utc(2012, 1, 31, 1, 30)},         // joined
        {"en_US", "2012-01-31 10:30", "11:00", Utc(2012, 1, 31, 1, 30)},   // date holds a time
        {"en_US", "2012/01/31", "10", Utc(2012, 1, 30, 15, 0)},            // time without a colon
        {"en_US", "2012-01-31", "", Utc(2012, 1, 30, 15, 0)},
        {"en_US", "1/31/2012", "10:30 PM", Utc(2012, 1, 31, 13, 30)},
        {"de_DE", "01/02/2012", "10:30", Utc(2012, 2, 1, 1, 30)},          // day first
        {"ko_KR", "2012-01-31", "오후 3:05", Utc(2012, 1, 31, 6, 5)},
        {"en_US", "10:30", "11:00", Utc(1899, 12, 30, 1, 30)},             // a time alone: day 0
        {"en_US", "20120131", "10:30", Utc(2012, 1, 31, 1, 30)},           // eight digits
        {"en_US", "20120131", "", Utc(2012, 1, 30, 15, 0)},
        {"en_US", "2012013", "10:30", Utc(7408, 9, 13, 0, 0)},             // seven: a number of days
        {"en_US", "40939.5", "10:30", Utc(2012, 1, 31, 12, 0)},            // days, no zone conversion
        {"de_DE", "31.01.2012", "10:30", Utc(1900, 1, 30, 0, 14, 24)},     // dots: 31.01 days
        {"de_DE", "31.01.12", "10:30", Utc(1900, 1, 30, 0, 14, 24)},       // eight, but with dots
        {"en_US", "abc", "", Utc(1899, 12, 30, 0, 0)},                     // no digits: 0 days
        {"en_US", "", "10:30", kNull},
        {"en_US", "", "", kNull},
        {"en_US", "2012-13-45", "", kNow},
        {"en_US", "abcdefgh", "10:30", kNow},                              // "abcd-ef-gh 10:30"
        {"en_US", "12345678", "", kNow},
        {"en_US", "2012-01-31", "noon:", kNow},
    };
    TestItem item;
    for (const auto& c : cases) {
        UserLocaleGuard locale(c.locale);
        ExpectValue(item.String2OLEDate(U8(c.date), U8(c.time)), c.expected,
                    std::string(c.locale) + " \"" + c.date + "\" \"" + c.time + "\"");
    }
}

// Any eight characters (UTF-16 units) are cut 4-2-2 with dashes; every
// other length comes back as it was.
TEST(CSVItemDate, DateFormatChangeCutsEightCharactersIntoYearMonthDay)
{
    const std::pair<const char*, const char*> cases[] = {
        {"20120131", "2012-01-31"}, {"abcdefgh", "abcd-ef-gh"}, {"2012-1-1", "2012--1--1"},
        {"31.01.12", "31.0-1.-12"}, {"        ", "    -  -  "}, {"이천십이년일월", "이천십이년일월"},
        {"이천십이년일월삼", "이천십이-년일-월삼"}, {"", ""}, {"2012013", "2012013"}, {"201201311", "201201311"},
        {"2012/01/31", "2012/01/31"},
    };
    TestItem item;
    for (const auto& [date, expected] : cases)
        EXPECT_EQ(item.dateFormatChange(U8(date)).ToUtf8(), expected) << '"' << date << '"';
}

TEST(CSVItemDate, FixedLayoutParsersNeedTheirSeparators)
{
    TimeZoneGuard tz("KST-9");
    FixedNowGuard now(kNowSeconds);
    const struct { const char* date; const char* time; Expect expected; } monthDayYear[] = {
        {"1-31-2012", "10:30:15", Utc(2012, 1, 31, 1, 30, 15)},
        {" +1- 31-2012x", "10:30:15pm", Utc(2012, 1, 31, 1, 30, 15)}, // each part as _wtoi reads it
        {"1/31/2012", "10:30:15", kNow},                             // no "-"
        {"1-31", "10:30:15", kNow},                                  // one "-"
        {"1-31-2012", "10", Utc(2012, 1, 30, 15, 0)},                // no ":": midnight
        {"1-31-2012", "10:30", Utc(2012, 1, 30, 15, 0)},             // one ":": midnight
        {"13-31-2012", "", kInvalid},
        {"1-31-12", "10:30:15", kInvalid},                           // no two-digit years here
        {"2-30-2012", "", kInvalid},
        {"1-31-2012", "24:00:00", kInvalid},
    };
    TestItem item;
    for (const auto& c : monthDayYear)
        ExpectValue(item.String2OLEDate_MonthDayYear(U8(c.date), U8(c.time)), c.expected,
                    std::string(c.date) + " " + c.time);

    const std::pair<const char*, Expect> yearMonthDayHourMinute[] = {
        {"2012-01-31 10:30", Utc(2012, 1, 31, 1, 30)},
        {"2012-01-31 10:30:45", Utc(2012, 1, 31, 1, 30)},  // the minute is "30:45"
        {"2012-01-31", kNow},                             // no space
        {"2012-01-31 10", kNow},                          // no ":"
        {"2012/01/31 10:30", kNow},
        {"2012-13-31 10:30", kInvalid},
        {"12-01-31 10:30", kInvalid},
        {"2012-01-31 25:00", kInvalid},
    };
    for (const auto& [text, expected] : yearMonthDayHourMinute)
        ExpectValue(item.String2OLEDate_YearMonthDayHourMinute(U8(text)), expected, text);
}

} // namespace
} // namespace varno::test
