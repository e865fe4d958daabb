// OLE dates: day counts from 30 December 1899, negative values (the fraction
// counts forward from midnight of the day named by the integer part),
// validity by round trip of the fields, and arithmetic across the epoch.
#include "platform/COleDateTime.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <limits>

namespace {

using Fields = std::array<int, 6>; // year, month, day, hour, minute, second

Fields Read(const COleDateTime& dt)
{
    return {dt.GetYear(), dt.GetMonth(), dt.GetDay(), dt.GetHour(), dt.GetMinute(), dt.GetSecond()};
}

TEST(COleDateTime, FieldsAndDayCountAgreeBothWays)
{
    const struct Case { Fields f; double days; int dayOfWeek; } cases[] = { // dayOfWeek 1 is Sunday
        {{1899, 12, 30, 12, 0, 0}, 0.5, 7},          {{1900, 3, 1, 0, 0, 0}, 61.0, 5}, // 1900: no leap year
        {{2000, 2, 29, 0, 0, 0}, 36585.0, 3},        {{2012, 1, 31, 18, 0, 0}, 40939.75, 3},
        {{1899, 12, 29, 6, 0, 0}, -1.25, 6},         {{1899, 12, 29, 18, 0, 0}, -1.75, 6},
        {{1800, 1, 1, 0, 0, 0}, -36522.0, 4},        {{100, 1, 1, 12, 0, 0}, -657434.5, 6},
        {{9999, 12, 31, 23, 59, 59}, 2958465.0 + 86399.0 / 86400, 6},
    };
    for (const Case& c : cases) {
        auto [y, mo, d, h, mi, s] = c.f;
        COleDateTime built;
        EXPECT_EQ(built.SetDateTime(y, mo, d, h, mi, s), 0) << c.days;
        EXPECT_EQ(built.GetStatus(), COleDateTime::valid) << c.days;
        EXPECT_NEAR(built.m_dt, c.days, 1e-9);
        EXPECT_EQ(Read(COleDateTime(c.days)), c.f) << c.days;
        EXPECT_EQ(COleDateTime(c.days).GetDayOfWeek(), c.dayOfWeek) << c.days;
        // The same moment as seconds since 1970, against the standard calendar.
        using namespace std::chrono;
        const long long seconds =
            sys_days{year{y} / mo / d}.time_since_epoch().count() * 86400LL + h * 3600 + mi * 60 + s;
        EXPECT_EQ(varno::SecondsFromCivil(y, mo, d, h, mi, s), seconds) << c.days;
        const COleDateTime::Fields back = varno::CivilFromSeconds(seconds);
        EXPECT_EQ((Fields{back.year, back.month, back.day, back.hour, back.minute, back.second}), c.f) << c.days;
    }
    EXPECT_EQ(varno::DaysInMonth(1900, 2), 28);
    EXPECT_EQ(varno::DaysInMonth(2000, 2), 29);
    EXPECT_EQ(COleDateTime(2012, 12, 31, 0, 0, 0).GetDayOfYear(), 366);
    EXPECT_EQ(COleDateTime(-1.25).GetDayOfYear(), 363);
}

TEST(COleDateTime, InvalidFieldsAndOutOfRangeValuesGiveMinusOne)
{
    const Fields invalid[] = {{2012, 4, 31, 0, 0, 0}, {1900, 2, 29, 0, 0, 0}, {2012, 1, 1, 24, 0, 0},
                              {2012, 1, 1, 0, 60, 0}, {2012, 1, 1, 0, 0, 60}, {2012, 1, 1, -1, 0, 0},
                              {2012, 13, 1, 0, 0, 0}, {2012, 1, 0, 0, 0, 0},  {99, 12, 31, 23, 59, 59},
                              {10000, 1, 1, 0, 0, 0}};
    for (const Fields& f : invalid) {
        COleDateTime dt(f[0], f[1], f[2], f[3], f[4], f[5]);
        EXPECT_EQ(dt.GetStatus(), COleDateTime::invalid) << f[0] << "-" << f[1] << "-" << f[2] << " " << f[3];
        EXPECT_EQ(dt.SetDateTime(f[0], f[1], f[2], f[3], f[4], f[5]), 1);
        EXPECT_EQ(Read(dt), (Fields{-1, -1, -1, -1, -1, -1}));
        EXPECT_EQ(dt.GetDayOfWeek(), -1);
        EXPECT_EQ(dt.GetDayOfYear(), -1);
    }
    EXPECT_EQ(COleDateTimeNull().GetYear(), -1);
    for (double outside : {-657435.0, 2958466.0, 2958465.9999999, // the last rounds into 10000
                           std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(COleDateTime(outside).GetYear(), -1) << outside;
        EXPECT_EQ(COleDateTime(outside).GetSecond(), -1) << outside;
    }
    EXPECT_EQ(COleDateTime(-657434.99).GetYear(), 100);
}

TEST(COleDateTime, FieldsAreReadToTheNearestSecond)
{
    const std::pair<double, Fields> cases[] = {
        {0.5 + 0.6 / 86400, {1899, 12, 30, 12, 0, 1}},
        {1.0 - 0.2 / 86400, {1899, 12, 31, 0, 0, 0}},  // into the next day
        {-1.0 - 0.6 / 86400, {1899, 12, 29, 0, 0, 1}}, // negative: forward from midnight
        {-3.0 + 0.2 / 86400, {1899, 12, 29, 0, 0, 0}}, // 28th 23:59:59.8 -> 29th
        {-0.75, {1899, 12, 30, 18, 0, 0}},             // the same moment as +0.75
    };
    for (const auto& [days, fields] : cases)
        EXPECT_EQ(Read(COleDateTime(days)), fields) << days;
}

TEST(COleDateTime, ArithmeticWorksOnTheLinearTimeLine)
{
    const struct Case { double start, span; std::optional<double> result; } cases[] = { // no result: invalid
        {-1.25, 0.5, -1.75}, {-1.25, 1.5, 0.75}, {0.25, -0.5, -1.75}, {2.0, -3.5, -2.5}, // across the epoch
        {-657434.0, 0.5, -657434.5}, {-657434.0, -0.5, std::nullopt}, {2958465.5, 1.0, std::nullopt},
    };
    for (const Case& c : cases) {
        for (const COleDateTime& dt :
             {COleDateTime(c.start) + COleDateTimeSpan(c.span), COleDateTime(c.start) - COleDateTimeSpan(-c.span)}) {
            EXPECT_EQ(dt.GetStatus(), c.result ? COleDateTime::valid : COleDateTime::invalid) << c.start;
            EXPECT_NEAR(dt.m_dt, c.result.value_or(dt.m_dt), 1e-9) << c.start;
        }
    }
    EXPECT_NEAR((COleDateTime(-1.25) - COleDateTime(0.25)).GetTotalDays(), -1.0, 1e-12);
    EXPECT_NEAR((COleDateTime(0.5) - COleDateTime(-0.5)).GetTotalDays(), 0.0, 1e-12); // one moment, two values
    EXPECT_NEAR(COleDateTimeSpan(1, 6, 0, 30).GetTotalSeconds(), 86400 + 6 * 3600 + 30, 1e-6);
    COleDateTime bad(2012, 4, 31, 0, 0, 0);
    EXPECT_EQ((bad - COleDateTime(0.0)).GetStatus(), COleDateTimeSpan::invalid);
    EXPECT_EQ((bad + COleDateTimeSpan(1.0)).GetStatus(), COleDateTime::invalid);
}

} // namespace
