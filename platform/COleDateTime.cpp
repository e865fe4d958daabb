// OLE date arithmetic. Calendar conversions use the days-from-civil algorithm
// on the proleptic Gregorian calendar; the day count is shifted so that
// 30 December 1899 is day 0.
#include "platform/COleDateTime.h"

#include "platform/CString.h"
#include "platform/DateParser.h"
#include "platform/Locale.h"

#include <cmath>

namespace {

constexpr double kMinDate = -657434.0;  // 1 January 100, 00:00
constexpr double kMaxDate = 2958466.0;  // 1 January 10000, 00:00 (exclusive)
constexpr long long kSecondsPerDay = 86400;

// Days from 1 January 1970 (civil) for the epoch shift.
long long DaysFrom1970(long long y, unsigned m, unsigned d) noexcept
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFrom1970(long long z, int& year, int& month, int& day) noexcept
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

const long long kEpochFrom1970 = DaysFrom1970(1899, 12, 30);

// Whether `dt` names a moment of years 100 to 9999. Before the epoch the
// fraction counts forward from the midnight of the day named by the integer
// part, so the times of 1 January 100 are -657434.0 down to (not including)
// -657435.0: a plain `dt >= kMinDate` would reject every one of them but
// midnight. Also rejects NaN.
bool InRange(double dt) noexcept
{
    return dt > kMinDate - 1.0 && dt < kMaxDate;
}

// Splits a day count into a calendar day index and seconds of the day,
// rounding to the nearest second.
bool Split(double dt, long long& dayIndex, long long& seconds) noexcept
{
    if (!InRange(dt))
        return false;
    double whole = std::trunc(dt);
    double fraction = std::fabs(dt - whole);
    dayIndex = static_cast<long long>(whole);
    seconds = std::llround(fraction * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++dayIndex;
    }
    return true;
}

std::optional<COleDateTime::Fields> FieldsOf(double dt) noexcept
{
    long long dayIndex = 0, seconds = 0;
    if (!Split(dt, dayIndex, seconds))
        return std::nullopt;
    COleDateTime::Fields f{};
    CivilFrom1970(dayIndex + kEpochFrom1970, f.year, f.month, f.day);
    f.hour = static_cast<int>(seconds / 3600);
    f.minute = static_cast<int>(seconds / 60 % 60);
    f.second = static_cast<int>(seconds % 60);
    if (f.year < 100 || f.year > 9999) // rounding up past 31 December 9999
        return std::nullopt;
    return f;
}

std::optional<std::time_t> g_fixedNow;

} // namespace

namespace varno {

long long DaysFromCivil(long long year, unsigned month, unsigned day) noexcept
{
    return DaysFrom1970(year, month, day) - kEpochFrom1970;
}

int DaysInMonth(int year, int month) noexcept
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

long long SecondsFromCivil(int year, int month, int day, int hour, int minute, int second) noexcept
{
    return DaysFrom1970(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * kSecondsPerDay +
           hour * 3600LL + minute * 60LL + second;
}

COleDateTime::Fields CivilFromSeconds(long long seconds) noexcept
{
    const long long days = (seconds >= 0 ? seconds : seconds - (kSecondsPerDay - 1)) / kSecondsPerDay;
    const long long time = seconds - days * kSecondsPerDay;
    COleDateTime::Fields f{};
    CivilFrom1970(days, f.year, f.month, f.day);
    f.hour = static_cast<int>(time / 3600);
    f.minute = static_cast<int>(time / 60 % 60);
    f.second = static_cast<int>(time % 60);
    return f;
}

double OleToLinear(double dt) noexcept
{
    if (dt >= 0.0)
        return dt;
    double whole = std::ceil(dt);      // the day, toward zero
    return whole + (whole - dt);       // plus the time of day
}

double LinearToOle(double linear) noexcept
{
    if (linear >= 0.0)
        return linear;
    double whole = std::floor(linear); // the day
    return whole - (linear - whole);   // with the time of day counted away from zero
}

} // namespace varno

COleDateTimeSpan::COleDateTimeSpan(long days, int hours, int minutes, int seconds)
    : m_span(static_cast<double>(days) + (hours * 3600.0 + minutes * 60.0 + seconds) / kSecondsPerDay)
{
}

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second)
{
    SetDateTime(year, month, day, hour, minute, second);
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second)
{
    bool ok = year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour >= 0 &&
              hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
    if (ok) {
        long long dayIndex = varno::DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
        double fraction = (hour * 3600.0 + minute * 60.0 + second) / kSecondsPerDay;
        m_dt = dayIndex >= 0 ? static_cast<double>(dayIndex) + fraction : static_cast<double>(dayIndex) - fraction;
        // The round trip rejects days that the month does not have (31 April,
        // 29 February of a common year).
        auto back = FieldsOf(m_dt);
        ok = back && back->year == year && back->month == month && back->day == day && back->hour == hour &&
             back->minute == minute && back->second == second;
    }
    m_status = ok ? valid : invalid;
    return ok ? 0 : 1;
}

std::optional<COleDateTime::Fields> COleDateTime::GetFields() const
{
    if (m_status != valid)
        return std::nullopt;
    return FieldsOf(m_dt);
}

int COleDateTime::GetYear() const
{
    auto f = GetFields();
    return f ? f->year : -1;
}

int COleDateTime::GetMonth() const
{
    auto f = GetFields();
    return f ? f->month : -1;
}

int COleDateTime::GetDay() const
{
    auto f = GetFields();
    return f ? f->day : -1;
}

int COleDateTime::GetHour() const
{
    auto f = GetFields();
    return f ? f->hour : -1;
}

int COleDateTime::GetMinute() const
{
    auto f = GetFields();
    return f ? f->minute : -1;
}

int COleDateTime::GetSecond() const
{
    auto f = GetFields();
    return f ? f->second : -1;
}

int COleDateTime::GetDayOfWeek() const
{
    auto f = GetFields();
    if (!f)
        return -1;
    long long z = DaysFrom1970(f->year, static_cast<unsigned>(f->month), static_cast<unsigned>(f->day));
    // 1 January 1970 was a Thursday (5 when Sunday is 1).
    return static_cast<int>(((z % 7 + 7 + 4) % 7) + 1);
}

int COleDateTime::GetDayOfYear() const
{
    auto f = GetFields();
    if (!f)
        return -1;
    return static_cast<int>(DaysFrom1970(f->year, static_cast<unsigned>(f->month), static_cast<unsigned>(f->day)) -
                            DaysFrom1970(f->year, 1, 1) + 1);
}

COleDateTime COleDateTime::GetCurrentTime()
{
    std::time_t now = g_fixedNow ? *g_fixedNow : std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return COleDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                        local.tm_sec > 59 ? 59 : local.tm_sec);
}

void COleDateTime::SetFixedNow(std::optional<std::time_t> utcSeconds)
{
    g_fixedNow = utcSeconds;
}

COleDateTime COleDateTime::operator+(const COleDateTimeSpan& span) const
{
    COleDateTime out(*this);
    if (m_status != valid)
        return out;
    if (span.m_status != COleDateTimeSpan::valid) {
        out.m_status = invalid;
        return out;
    }
    out.m_dt = varno::LinearToOle(varno::OleToLinear(m_dt) + span.m_span);
    if (!InRange(out.m_dt))
        out.m_status = invalid;
    return out;
}

COleDateTime COleDateTime::operator-(const COleDateTimeSpan& span) const
{
    COleDateTimeSpan negative(-span.m_span);
    negative.m_status = span.m_status;
    return *this + negative;
}

COleDateTimeSpan COleDateTime::operator-(const COleDateTime& other) const
{
    COleDateTimeSpan span(varno::OleToLinear(m_dt) - varno::OleToLinear(other.m_dt));
    if (m_status != valid || other.m_status != valid)
        span.m_status = COleDateTimeSpan::invalid;
    return span;
}

bool COleDateTime::ParseDateTime(const CString& text, unsigned long /*flags*/, unsigned long /*lcid*/)
{
    if (auto parsed = varno::ParseLocaleDateTime(text.str(), varno::GetUserLocale())) {
        *this = *parsed;
        return true;
    }
    m_dt = 0.0;
    m_status = invalid;
    return false;
}
