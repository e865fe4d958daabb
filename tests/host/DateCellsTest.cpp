// Date cells of other programs' files: the verdict on each kind of cell, and
// what the library itself then stores, in five locales, for every cell the
// host keeps or replaces.
#include "converters/CSVMemo.h"
#include "host/DateCells.h"
#include "store/Store.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace varno::test {
namespace {

using host::CheckDateCell;
using Kind = host::DateVerdict::Kind;

const char* KindName(Kind kind)
{
    switch (kind) {
    case Kind::Keep: return "Keep";
    case Kind::Replace: return "Replace";
    case Kind::NoDate: return "NoDate";
    case Kind::Unreadable: return "Unreadable";
    }
    return "?";
}

struct VerdictRow {
    const char* locale;
    const char* value;
    const char* time;
    bool joinsTime;
    Kind kind;
    const char* text;           // what Replace hands the library
    std::array<int, 6> meant{}; // the local moment meant in every locale, where the row has one
};

constexpr VerdictRow kVerdicts[] = {
    // Empty, and what programs write for "no date".
    {"en_US", "", "", false, Kind::Keep, ""},
    {"en_US", "", "10:30", true, Kind::Keep, ""},
    {"en_US", "  \t", "", false, Kind::NoDate, ""},        // the library would read day 0
    {"en_US", "00-0-0", "", false, Kind::Keep, ""},        // the contact converter's own "no date"
    {"en_US", " 00-0-0", "", false, Kind::NoDate, ""},     // ... which it matches only exactly
    {"en_US", "0/0/00", "", false, Kind::NoDate, ""},
    {"de_DE", "0.0.00", "", false, Kind::NoDate, ""},
    {"de_DE", "00.00.00", "", false, Kind::NoDate, ""},
    {"en_US", "0/0/0000", "", false, Kind::NoDate, ""},
    {"en_US", "00/00/0000", "", false, Kind::NoDate, ""},
    {"de_DE", "00.00.0000", "", false, Kind::NoDate, ""},
    {"en_US", "0000-00-00", "", false, Kind::NoDate, ""},
    {"en_US", "00-00-00", "", false, Kind::NoDate, ""},
    {"en_US", "0000-00-00 00:00:00", "", false, Kind::NoDate, ""},
    {"en_US", "0/0/00", "12:00:00 AM", true, Kind::NoDate, ""},
    {"en_US", "-", "", false, Kind::NoDate, ""},
    {"en_US", "/  /", "", false, Kind::NoDate, ""},
    {"en_US", "\u2014", "", false, Kind::NoDate, ""},
    {"en_US", "None", "", false, Kind::NoDate, ""},
    {"en_US", "NONE ", "", false, Kind::NoDate, ""},
    {"en_US", "1/1/4501", "", false, Kind::NoDate, ""},
    {"de_DE", "01.01.4501", "", false, Kind::NoDate, ""},
    {"en_US", "4501-01-01", "", false, Kind::NoDate, ""},
    {"en_US", "4501-01-01 00:00", "", false, Kind::NoDate, ""},
    {"en_US", "45010101", "", false, Kind::NoDate, ""},
    {"en_US", "949998", "", false, Kind::NoDate, ""},
    {"en_US", "0", "", false, Kind::Unreadable, ""},       // one group of zeros is no marker
    // Texts the library parses: kept when the parser reads what it parses.
    {"en_US", "2012-01-31 09:05", "", false, Kind::Keep, "", {2012, 1, 31, 9, 5, 0}},
    {"en_US", "2012-01-31 09:05:07", "", false, Kind::Keep, ""},
    {"en_US", "2012-02-29", "", false, Kind::Keep, ""},
    {"en_US", "2012-01-31", "10:30", true, Kind::Keep, "", {2012, 1, 31, 10, 30, 0}},
    {"en_US", "2012-01-31", "9:30:15", true, Kind::Keep, ""},
    {"en_US", "1/31/2012", "10:30 PM", true, Kind::Keep, ""},
    {"en_US", "2012-01-31", "noon", true, Kind::Keep, ""},  // a time without ":" is not joined
    {"en_US", "2012-01-31 10:30", "11:00", true, Kind::Keep, ""},
    {"en_GB", "31/01/2012", "", false, Kind::Keep, ""},
    {"de_DE", "31.01.2012 10:30", "", false, Kind::Keep, ""},
    {"ko_KR", "2012/1/31", "오후 3:00", true, Kind::Keep, ""},
    // ... a time column that is no time: the date alone, with a time that
    // keeps the column out.
    {"en_US", "2012-01-31", "25:00", true, Kind::Replace, "2012-01-31 00:00", {2012, 1, 31, 0, 0, 0}},
    {"en_US", "1/31/2012", "10:30 xyz", true, Kind::Replace, "2012-01-31 00:00"},
    {"en_US", "2012-01-31", "25:00", false, Kind::Keep, ""},  // no join, no harm
    // ... and nothing read.
    {"en_US", "13/13/2013", "", false, Kind::Unreadable, ""},
    {"en_US", "2012-02-30", "", false, Kind::Unreadable, ""},
    {"en_US", "2011-02-29", "", false, Kind::Unreadable, ""},
    {"en_US", "2012-04-31 10:00", "", false, Kind::Unreadable, ""},
    {"en_US", "2012-01-31 24:00", "", false, Kind::Unreadable, ""},
    {"en_US", "0099-01-01", "", false, Kind::Unreadable, ""},
    {"en_US", "garbage/x", "", false, Kind::Unreadable, ""},
    {"en_US", "n/a", "", false, Kind::Unreadable, ""},
    {"en_US", "--07-22", "", false, Kind::Unreadable, ""},   // a birthday without its year
    {"en_US", "10:30", "", false, Kind::Unreadable, ""},     // a time alone would be 30 December 1899
    {"en_US", "2012-01-31", "10:61", true, Kind::Replace, "2012-01-31 00:00"},
    // Eight characters without ".": YYYYMMDD to the library.
    {"en_US", "20120131", "", false, Kind::Keep, ""},
    {"en_US", "20120131", "10:30", true, Kind::Keep, "", {2012, 1, 31, 10, 30, 0}},
    {"en_US", "20120131", "10:3x", true, Kind::Replace, "2012-01-31 00:00", {2012, 1, 31, 0, 0, 0}},
    {"en_US", "20120131", "later", true, Kind::Replace, "2012-01-31", {2012, 1, 31, 0, 0, 0}},
    {"en_US", "20121345", "", false, Kind::Unreadable, ""},
    {"en_US", "Jan 2012", "", false, Kind::Unreadable, ""},   // the library would read 20 January 2012
    {"en_US", "1 Jan 12", "", false, Kind::Replace, "2012-01-01"},
    {"en_US", " 40909  ", "", false, Kind::Replace, "40909"}, // a day count the library would cut as YYYYMMDD
    // Day counts.
    {"en_US", "40909", "", false, Kind::Keep, ""},
    {"en_US", "40909.5", "10:30", true, Kind::Keep, ""},
    {"en_US", " +40909", "", false, Kind::Keep, ""},
    {"en_US", " +40909 ", "", false, Kind::Replace, "+40909"},
    {"en_US", "3000", "", false, Kind::Keep, ""},
    {"en_US", "2958465.5", "", false, Kind::Keep, ""},
    {"en_US", "2958466", "", false, Kind::Unreadable, ""},
    {"en_US", "2999", "", false, Kind::Unreadable, ""},
    {"en_US", "1985", "", false, Kind::Unreadable, ""},      // a year: the library would store 1905
    {"de_DE", "9", "", false, Kind::Unreadable, ""},         // a day of the month
    {"en_US", "40909,5", "", false, Kind::Unreadable, ""},
    // Other texts: what the parser reads, in the locale's order.
    {"de_DE", "31.01.2012", "", false, Kind::Replace, "2012-01-31", {2012, 1, 31, 0, 0, 0}},
    {"en_US", "31.01.2012", "", false, Kind::Replace, "2012-01-31"},
    {"de_DE", "01.02.2012", "", false, Kind::Replace, "2012-02-01"},
    {"fr_FR", "01.02.2012", "", false, Kind::Replace, "2012-02-01"},
    {"en_US", "01.02.2012", "", false, Kind::Replace, "2012-01-02"},
    {"de_DE", "1.2.1990", "", false, Kind::Replace, "1990-02-01"},
    {"de_DE", "15.3.1968", "", false, Kind::Replace, "1968-03-15", {1968, 3, 15, 0, 0, 0}},
    {"de_DE", "3.7.75", "", false, Kind::Replace, "1975-07-03"},
    {"en_US", "3.7.75", "", false, Kind::Replace, "1975-03-07"},
    {"de_DE", "03.07.1975", "", false, Kind::Replace, "1975-07-03"},
    {"de_DE", "31. Januar 2012", "", false, Kind::Replace, "2012-01-31"},
    {"en_US", "Jan 31 2012", "", false, Kind::Replace, "2012-01-31", {2012, 1, 31, 0, 0, 0}},
    {"en_US", "Jan 31 2012 3 PM", "", false, Kind::Replace, "2012-01-31 15:00"},
    {"ko_KR", "2012. 1. 31.", "", false, Kind::Replace, "2012-01-31"},
    {"ko_KR", "2012년 1월 31일", "", false, Kind::Replace, "2012-01-31"},
    {"en_US", "30.12.1899", "", false, Kind::Replace, "1899-12-30"}, // day 0 written as a date
    {"de_DE", "31.01.2012", "10:30", true, Kind::Replace, "2012-01-31 10:30", {2012, 1, 31, 10, 30, 0}},
    {"de_DE", "31.01.2012", "10:30:15", true, Kind::Replace, "2012-01-31 10:30:15", {2012, 1, 31, 10, 30, 15}},
    {"de_DE", "31.01.2012", "0:00", true, Kind::Replace, "2012-01-31 00:00", {2012, 1, 31, 0, 0, 0}},
    {"de_DE", "31.01.2012", "25:00", true, Kind::Replace, "2012-01-31 00:00", {2012, 1, 31, 0, 0, 0}},
    {"de_DE", "31.01.2012", "spät", true, Kind::Replace, "2012-01-31"},
    {"de_DE", "31.01.2012", "10:30", false, Kind::Replace, "2012-01-31", {2012, 1, 31, 0, 0, 0}},
    {"en_US", "Jan 31 2012", "3 PM", true, Kind::Replace, "2012-01-31 15:00", {2012, 1, 31, 15, 0, 0}},
    {"en_US", "garbage", "", false, Kind::Unreadable, ""},
    {"en_US", "unknown", "10:30", true, Kind::Unreadable, ""},
    {"en_US", "3 PM", "", false, Kind::Unreadable, ""},
    {"en_US", "31. Januar 2012", "", false, Kind::Unreadable, ""}, // German month names are read in German
    // Moments at the edges: the last second of a day and of the range, the
    // hour the clock skips, the first year.
    {"de_DE", "15.07.2012", "23:59:59", true, Kind::Replace, "2012-07-15 23:59:59", {2012, 7, 15, 23, 59, 59}},
    {"de_DE", "31.12.1999 23:59:59", "", false, Kind::Keep, "", {1999, 12, 31, 23, 59, 59}},
    {"de_DE", "25.3.2012", "2:30", true, Kind::Replace, "2012-03-25 02:30", {2012, 3, 25, 2, 30, 0}},
    {"en_US", "31 Dec 9999 11:59:59 PM", "", false, Kind::Keep, "", {9999, 12, 31, 23, 59, 59}},
    {"de_DE", "31.12.100", "", false, Kind::Replace, "0100-12-31", {100, 12, 31, 0, 0, 0}},
};

TEST(DateCells, VerdictOnEachKindOfCell)
{
    for (const VerdictRow& row : kVerdicts) {
        const host::DateVerdict verdict =
            CheckDateCell(U8(row.value).str(), U8(row.time).str(), row.joinsTime, row.locale);
        const std::string where = std::string(row.locale) + " \"" + row.value + "\" \"" + row.time + "\"";
        EXPECT_STREQ(KindName(verdict.kind), KindName(row.kind)) << where;
        EXPECT_EQ(verdict.text.ToUtf8(), row.text) << where;
    }
}

// The rows with a moment meant, in every locale: the library, handed what
// the host hands it, must store exactly that moment (in UTC).
TEST(DateCells, LibraryStoresTheMomentMeantInEveryLocale)
{
    const TimeZoneGuard zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const FixedNowGuard now(1592224496); // 2020-06-15 12:34:56 UTC: what the library stores for text it cannot read
    CCSVMemo library;
    for (const char* locale : {"en_US", "de_DE", "ko_KR", "en_GB", "fr_FR"}) {
        const UserLocaleGuard user(locale);
        for (const VerdictRow& row : kVerdicts) {
            if (row.meant[0] == 0)
                continue;
            const std::string where = std::string(locale) + " \"" + row.value + "\" \"" + row.time + "\"";
            const host::DateVerdict verdict = CheckDateCell(U8(row.value).str(), U8(row.time).str(), row.joinsTime,
                                                            locale);
            ASSERT_TRUE(verdict.kind == Kind::Keep || verdict.kind == Kind::Replace) << where;
            const CString handed = verdict.kind == Kind::Replace ? verdict.text : U8(row.value);
            const COleDateTimeNull stored = library.String2OLEDate(handed, row.joinsTime ? U8(row.time) : CString());
            const auto& f = row.meant;
            const COleDateTime meant = Local2Utc(COleDateTime(f[0], f[1], f[2], f[3], f[4], f[5]));
            ASSERT_EQ(meant.GetStatus(), COleDateTime::valid) << where;
            EXPECT_EQ(stored.GetStatus(), COleDateTime::valid) << where;
            EXPECT_EQ(static_cast<double>(stored), static_cast<double>(meant))
                << where << ": handed \"" << handed.ToUtf8() << "\", stored "
                << library.OLEDate2String(stored).ToUtf8();
        }
    }
}

} // namespace
} // namespace varno::test
