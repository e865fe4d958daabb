// OLE dates: day counts from 30 December 1899, negative values (the fraction
// counts forward from midnight of the day named by the integer part),
// validity by round trip of the fields, and arithmetic across the epoch.
#include "platform/COleDateTime.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

namespace {

struct Moment {
    int y, mo, d, h, mi, s;
    double days;
    int dayOfWeek; // 1 = Sunday
};

class OleMoment : public ::testing::TestWithParam<Moment> {};

TEST_P(OleMoment, FieldsAndDayCountAgreeBothWays)
{
    const Moment& m = GetParam();
    COleDateTime built;
    EXPECT_EQ(built.SetDateTime(m.y, m.mo, m.d, m.h, m.mi, m.s), 0);
    EXPECT_EQ(built.GetStatus(), COleDateTime::valid);
    EXPECT_NEAR(built.m_dt, m.days, 1e-9);
    COleDateTime read(m.days);
    EXPECT_EQ((std::array{read.GetYear(), read.GetMonth(), read.GetDay(), read.GetHour(), read.GetMinute(),
                          read.GetSecond(), read.GetDayOfWeek()}),
              (std::array{m.y, m.mo, m.d, m.h, m.mi, m.s, m.dayOfWeek}));
}

INSTANTIATE_TEST_SUITE_P(KnownDays, OleMoment, ::testing::Values(
    Moment{1899, 12, 30, 0, 0, 0, 0.0, 7},        Moment{1899, 12, 30, 12, 0, 0, 0.5, 7},
    Moment{1900, 1, 1, 0, 0, 0, 2.0, 2},          Moment{1900, 3, 1, 0, 0, 0, 61.0, 5},  // 1900: no leap year
    Moment{2000, 2, 29, 0, 0, 0, 36585.0, 3},     Moment{2012, 1, 31, 0, 0, 0, 40939.0, 3},
    Moment{2012, 1, 31, 18, 0, 0, 40939.75, 3},   Moment{1899, 12, 29, 0, 0, 0, -1.0, 6},
    Moment{1899, 12, 29, 6, 0, 0, -1.25, 6},      Moment{1899, 12, 29, 18, 0, 0, -1.75, 6},
    Moment{1800, 1, 1, 0, 0, 0, -36522.0, 4},     Moment{100, 1, 1, 0, 0, 0, -657434.0, 6},
    Moment{100, 1, 1, 12, 0, 0, -657434.5, 6},    // the first day's afternoon is in range too
    Moment{9999, 12, 31, 0, 0, 0, 2958465.0, 6},  Moment{9999, 12, 31, 23, 59, 59, 2958465.0 + 86399.0 / 86400, 6}));

struct Fields {
    int y, mo, d, h, mi, s;
};

class OleInvalidFields : public ::testing::TestWithParam<Fields> {};

TEST_P(OleInvalidFields, AreInvalidAndEveryGetterGivesMinusOne)
{
    const Fields& f = GetParam();
    COleDateTime dt(f.y, f.mo, f.d, f.h, f.mi, f.s);
    EXPECT_EQ(dt.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(dt.SetDateTime(f.y, f.mo, f.d, f.h, f.mi, f.s), 1);
    for (int got : {dt.GetYear(), dt.GetMonth(), dt.GetDay(), dt.GetHour(), dt.GetMinute(), dt.GetSecond(),
                    dt.GetDayOfWeek(), dt.GetDayOfYear()})
        EXPECT_EQ(got, -1);
}

INSTANTIATE_TEST_SUITE_P(RoundTripFails, OleInvalidFields, ::testing::Values(
    Fields{2012, 4, 31, 0, 0, 0}, Fields{1900, 2, 29, 0, 0, 0}, Fields{2011, 2, 29, 0, 0, 0},
    Fields{2012, 1, 1, 24, 0, 0}, Fields{2012, 1, 1, 0, 60, 0}, Fields{2012, 1, 1, 0, 0, 60},
    Fields{2012, 1, 1, -1, 0, 0}, Fields{2012, 0, 1, 0, 0, 0},  Fields{2012, 13, 1, 0, 0, 0},
    Fields{2012, 1, 0, 0, 0, 0},  Fields{2012, 1, 32, 0, 0, 0}, Fields{99, 12, 31, 23, 59, 59},
    Fields{10000, 1, 1, 0, 0, 0}));

TEST(COleDateTime, GettersGiveMinusOneForNullAndOutOfRangeValues)
{
    EXPECT_EQ(COleDateTimeNull().GetYear(), -1);
    for (double outside : {-657435.0, -657440.5, 2958466.0, 2958465.9999999, // the last rounds into 10000
                           std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        COleDateTime dt(outside);
        EXPECT_EQ(dt.GetStatus(), COleDateTime::valid) << outside; // as given
        EXPECT_EQ(dt.GetYear(), -1) << outside;
        EXPECT_EQ(dt.GetSecond(), -1) << outside;
    }
    EXPECT_EQ(COleDateTime(-657434.99).GetYear(), 100);
    EXPECT_EQ(COleDateTime(2012, 12, 31, 0, 0, 0).GetDayOfYear(), 366);
    EXPECT_EQ(COleDateTime(-1.25).GetDayOfYear(), 363);
}

struct Rounding {
    double days;
    int y, mo, d, h, mi, s;
};

class OleRounding : public ::testing::TestWithParam<Rounding> {};

TEST_P(OleRounding, FieldsAreReadToTheNearestSecond)
{
    const Rounding& r = GetParam();
    auto f = COleDateTime(r.days).GetFields();
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ((std::array{f->year, f->month, f->day, f->hour, f->minute, f->second}),
              (std::array{r.y, r.mo, r.d, r.h, r.mi, r.s}));
}

INSTANTIATE_TEST_SUITE_P(Seconds, OleRounding, ::testing::Values(
    Rounding{0.5 + 0.4 / 86400, 1899, 12, 30, 12, 0, 0},
    Rounding{0.5 + 0.6 / 86400, 1899, 12, 30, 12, 0, 1},
    Rounding{1.0 - 0.2 / 86400, 1899, 12, 31, 0, 0, 0},   // into the next day
    Rounding{-1.0 - 0.6 / 86400, 1899, 12, 29, 0, 0, 1},  // negative: forward from midnight
    Rounding{-3.0 + 0.2 / 86400, 1899, 12, 29, 0, 0, 0},  // 28th 23:59:59.8 -> 29th
    Rounding{-0.75, 1899, 12, 30, 18, 0, 0}));             // the same moment as +0.75

struct SpanCase {
    double start, span;
    std::optional<double> result; // none: invalid
};

class OleSpan : public ::testing::TestWithParam<SpanCase> {};

TEST_P(OleSpan, AddingWorksOnTheLinearTimeLine)
{
    const SpanCase& c = GetParam();
    for (const COleDateTime& dt :
         {COleDateTime(c.start) + COleDateTimeSpan(c.span), COleDateTime(c.start) - COleDateTimeSpan(-c.span)}) {
        EXPECT_EQ(dt.GetStatus(), c.result ? COleDateTime::valid : COleDateTime::invalid);
        if (c.result) {
            EXPECT_NEAR(dt.m_dt, *c.result, 1e-9);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AcrossTheEpoch, OleSpan, ::testing::Values(
    SpanCase{-1.25, 0.5, -1.75},  // 29th 06:00 + 12 h = 29th 18:00
    SpanCase{-1.25, 1.0, 0.25},   SpanCase{-1.25, 1.5, 0.75},
    SpanCase{0.25, -0.5, -1.75},  // back across the epoch's midnight
    SpanCase{2.0, -3.5, -2.5},    // 28th 12:00
    SpanCase{40939.0, 0.25, 40939.25},
    SpanCase{-657434.0, 0.5, -657434.5},
    SpanCase{-657434.0, -0.5, std::nullopt},
    SpanCase{2958465.5, 1.0, std::nullopt}));

TEST(COleDateTime, DifferencesAreLinearAndInvalidnessSpreads)
{
    EXPECT_NEAR((COleDateTime(-1.25) - COleDateTime(0.25)).GetTotalDays(), -1.0, 1e-12);
    EXPECT_NEAR((COleDateTime(0.5) - COleDateTime(-0.5)).GetTotalDays(), 0.0, 1e-12); // one moment, two values
    EXPECT_NEAR((COleDateTime(40939.0) - COleDateTime(-1.75)).GetTotalDays(), 40939.25, 1e-9);
    EXPECT_NEAR(COleDateTimeSpan(1, 6, 0, 30).GetTotalSeconds(), 86400 + 6 * 3600 + 30, 1e-6);
    COleDateTime bad(2012, 4, 31, 0, 0, 0);
    EXPECT_EQ((bad - COleDateTime(0.0)).GetStatus(), COleDateTimeSpan::invalid);
    EXPECT_EQ((bad + COleDateTimeSpan(1.0)).GetStatus(), COleDateTime::invalid);
}

TEST(COleDateTime, CurrentTimeIsTheFixedInstantInLocalTime)
{
    struct Row {
        const char* tz;
        double expected;
    };
    for (const Row& row : {Row{"UTC0", 40940.0}, Row{"KST-9", 40940.375}, Row{"EST5", 40939.0 + 19.0 / 24}}) {
        varno::test::TimeZoneGuard tz(row.tz);
        COleDateTime::SetFixedNow(1328054400); // 1 February 2012 00:00:00 UTC
        EXPECT_NEAR(COleDateTime::GetCurrentTime().m_dt, row.expected, 1e-9) << row.tz;
        COleDateTime::SetFixedNow(std::nullopt);
    }
}

} // namespace
