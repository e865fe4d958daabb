// The locale-aware date parser: the library's own export format in every
// locale, numeric dates in the locale's order, month names, AM/PM words,
// Korean year/month/day letters, two-digit years, and what it refuses.
#include "platform/DateParser.h"

#include "platform/CString.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>

namespace varno::test {
namespace {

using Fields = std::array<int, 6>; // year, month, day, hour, minute, second
constexpr std::nullopt_t kRejected = std::nullopt;

struct Case {
    const char* locale;
    const char* text;
    std::optional<Fields> expected;
};

const Case kCases[] = {
    // The export format, with seconds, a date alone and the empty time column.
    {"en_US", "2012-01-31 09:05", Fields{2012, 1, 31, 9, 5, 0}},
    {"en_GB", "2012-01-31 09:05:07", Fields{2012, 1, 31, 9, 5, 7}},
    {"de_DE", "2012-01-31", Fields{2012, 1, 31, 0, 0, 0}},
    {"ko_KR", "2012-01-31 ", Fields{2012, 1, 31, 0, 0, 0}},
    {"ko_KR", "  2012-01-31 09:05 ", Fields{2012, 1, 31, 9, 5, 0}},
    {"xx_NOT_A_LOCALE@@", "2012-01-31 09:05", Fields{2012, 1, 31, 9, 5, 0}}, // ICU's fallback, no crash
    {"", "2012-01-31 23:59:59", Fields{2012, 1, 31, 23, 59, 59}},
    // Slashes in the locale's order; a year written first wins everywhere.
    {"en_US", "1/31/2012", Fields{2012, 1, 31, 0, 0, 0}},
    {"en_US", "01/02/2012", Fields{2012, 1, 2, 0, 0, 0}},
    {"en_GB", "01/02/2012", Fields{2012, 2, 1, 0, 0, 0}},
    {"de_DE", "31/01/2012", Fields{2012, 1, 31, 0, 0, 0}},
    {"ko_KR", "2012/01/31", Fields{2012, 1, 31, 0, 0, 0}},
    {"en_US", "2012/01/31 10:30", Fields{2012, 1, 31, 10, 30, 0}},
    {"en_GB", "1/31/2012", Fields{2012, 1, 31, 0, 0, 0}},  // only one reading exists
    {"en_US", "31/1/2012", Fields{2012, 1, 31, 0, 0, 0}},
    {"en_US", "45/1/31", Fields{1945, 1, 31, 0, 0, 0}},    // above 31: the year, first
    // Two-digit years: 00-29 are 20xx, 30-99 are 19xx; three or four digits as written.
    {"en_US", "12/01/31", Fields{1931, 12, 1, 0, 0, 0}},
    {"ko_KR", "12/01/31", Fields{2012, 1, 31, 0, 0, 0}},
    {"de_DE", "31.01.29", Fields{2029, 1, 31, 0, 0, 0}},
    {"de_DE", "31.01.30", Fields{1930, 1, 31, 0, 0, 0}},
    {"en_GB", "1/2/0", Fields{2000, 2, 1, 0, 0, 0}},
    {"en_US", "0100-01-01", Fields{100, 1, 1, 0, 0, 0}},
    {"en_US", "0099-12-31", kRejected},
    {"en_US", "9999-12-31 23:59:59", Fields{9999, 12, 31, 23, 59, 59}},
    // Dotted dates, with and without a time.
    {"de_DE", "31.01.2012 10:30", Fields{2012, 1, 31, 10, 30, 0}},
    {"de_DE", "31.01.2012", Fields{2012, 1, 31, 0, 0, 0}},
    {"ko_KR", "2012. 1. 31. 10:30", Fields{2012, 1, 31, 10, 30, 0}},
    {"ko_KR", "2012. 1. 31.", Fields{2012, 1, 31, 0, 0, 0}},
    // Times alone land on day 0; AM/PM in the locale's words or in English.
    {"en_US", "10:30", Fields{1899, 12, 30, 10, 30, 0}},
    {"de_DE", "10:30:15", Fields{1899, 12, 30, 10, 30, 15}},
    {"en_US", "12:00 AM", Fields{1899, 12, 30, 0, 0, 0}},
    {"en_US", "12:00 PM", Fields{1899, 12, 30, 12, 0, 0}},
    {"en_GB", "12:05 a.m.", Fields{1899, 12, 30, 0, 5, 0}},
    {"en_GB", "3:05pm", Fields{1899, 12, 30, 15, 5, 0}},
    {"de_DE", "3:05 PM", Fields{1899, 12, 30, 15, 5, 0}},
    {"ko_KR", "3:05 pm", Fields{1899, 12, 30, 15, 5, 0}},
    {"ko_KR", "오후 3:05", Fields{1899, 12, 30, 15, 5, 0}},
    {"ko_KR", "3:05 오후", Fields{1899, 12, 30, 15, 5, 0}},
    {"ko_KR", "오전 12:30", Fields{1899, 12, 30, 0, 30, 0}},
    {"ko_KR", "2012. 1. 31. 오후 3:05", Fields{2012, 1, 31, 15, 5, 0}},
    {"en_US", "1/31/2012 3 PM", Fields{2012, 1, 31, 15, 0, 0}},
    {"en_US", "10:30 1/31/2012", Fields{2012, 1, 31, 10, 30, 0}},
    // Month names and abbreviations, in any case.
    {"en_GB", "31 January 2012", Fields{2012, 1, 31, 0, 0, 0}},
    {"en_US", "Jan 31, 2012", Fields{2012, 1, 31, 0, 0, 0}},
    {"en_US", "JANUARY 31 2012", Fields{2012, 1, 31, 0, 0, 0}},
    {"en_GB", "31 Jan 2012 10:30 PM", Fields{2012, 1, 31, 22, 30, 0}},
    {"en_GB", "30 sept 2012", Fields{2012, 9, 30, 0, 0, 0}},
    {"en_US", "31 Jan 12", Fields{2012, 1, 31, 0, 0, 0}},
    {"ko_KR", "31 Jan 12", Fields{1931, 1, 12, 0, 0, 0}},        // the locale puts the year first
    {"de_DE", "31. Januar 2012", Fields{2012, 1, 31, 0, 0, 0}},
    {"de_DE", "1. MÄRZ 2012 10:30", Fields{2012, 3, 1, 10, 30, 0}},
    {"de_DE", "31. Jan. 2012", Fields{2012, 1, 31, 0, 0, 0}},
    {"de_DE", "1. Juni 2012", Fields{2012, 6, 1, 0, 0, 0}},
    {"de_DE", "1 May 2012", Fields{2012, 5, 1, 0, 0, 0}},        // English names in every locale
    {"ko_KR", "2012년 1월 31일", Fields{2012, 1, 31, 0, 0, 0}},
    {"ko_KR", "2012년1월31일 오후 10:30", Fields{2012, 1, 31, 22, 30, 0}},
    {"ko_KR", "1월 31일 2012", Fields{2012, 1, 31, 0, 0, 0}},
    // Refused: empty text, unknown words and characters, fields out of range.
    {"en_US", "", kRejected},
    {"en_US", "   ", kRejected},
    {"en_US", "2012-13-45", kRejected},
    {"en_US", "2012-13-01", kRejected}, // no day-month swap with the year first
    {"en_GB", "31 April 2012", kRejected},
    {"en_US", "2/29/2011", kRejected},
    {"de_DE", "31.04.2012", kRejected},
    {"en_US", "25:00", kRejected},
    {"en_US", "10:60", kRejected},
    {"en_US", "13:00 PM", kRejected},
    {"ko_KR", "오후 13:05", kRejected},
    {"en_US", "2012-01-31 noon", kRejected},
    {"en_US", "Mart 3, 2012", kRejected},
    {"de_DE", "31.01.2012 10:30 Uhr", kRejected},
    {"ko_KR", "2012년 13월 1일", kRejected},
    {"en_US", "2012-01-31T09:05", kRejected},
    {"en_US", "1/2/3/4", kRejected},
    {"en_US", "2012-01", kRejected},
    {"en_US", "Jan 2012", kRejected},
    {"en_US", "2012--1--1", kRejected},
    {"en_US", "-2012-01-31", kRejected},
    {"en_US", "2012-01-31 10:30 11:00", kRejected},
    {"en_US", "10:30:15:20", kRejected},
    {"en_US", "10 : 30", kRejected},
    {"en_US", "2012-01-31 10:", kRejected},
    {"en_US", "10:30 AM PM", kRejected},
    {"en_US", "2012-01-31 PM", kRejected},
    {"en_US", "Jan Feb 1 2012", kRejected},
    {"en_US", "2012-01-31 100:30", kRejected},
    {"en_US", "20120-01-31", kRejected},
    {"en_US", "2012/2012/1", kRejected},
    {"en_US", "2012-01-31 #", kRejected},
    {"ko_KR", "2012년 2013년 1월", kRejected},
};

TEST(DateParser, ReadsWhatPeopleWriteInTheirLocale)
{
    for (const Case& c : kCases) {
        const CString text = U8(c.text);
        const std::optional<COleDateTime> parsed = ParseLocaleDateTime(text.str(), c.locale);
        const std::string where = std::string(c.locale) + " \"" + c.text + "\"";
        if (!c.expected) {
            EXPECT_FALSE(parsed) << where << " gave " << (parsed ? parsed->m_dt : 0.0);
            continue;
        }
        ASSERT_TRUE(parsed) << where;
        const auto f = parsed->GetFields();
        ASSERT_TRUE(f) << where;
        EXPECT_EQ((Fields{f->year, f->month, f->day, f->hour, f->minute, f->second}), *c.expected) << where;
    }
}

TEST(DateParser, ParseDateTimeReadsTheUserLocaleAndMarksFailures)
{
    const struct { const char* locale; const char* text; std::optional<double> days; } cases[] = {
        {"de_DE", "01.02.2012 12:00", 40940.5}, // 1 February
        {"en_US", "01.02.2012 12:00", 40910.5}, // 2 January
        {"en_US", "31.02.2012", std::nullopt},
    };
    for (const auto& c : cases) {
        UserLocaleGuard locale(c.locale);
        COleDateTime dt(12345.0);
        EXPECT_EQ(dt.ParseDateTime(U8(c.text), LOCALE_NOUSEROVERRIDE, LANG_USER_DEFAULT), c.days.has_value())
            << c.text;
        EXPECT_EQ(dt.GetStatus(), c.days ? COleDateTime::valid : COleDateTime::invalid) << c.text;
        EXPECT_DOUBLE_EQ(dt.m_dt, c.days.value_or(0.0)) << c.text;
    }
}

} // namespace
} // namespace varno::test
