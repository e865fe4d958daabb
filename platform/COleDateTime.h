// OLE Automation dates.
//
// Epoch: day 0 is 30 December 1899, 00:00. A value is a double counting days
// from the epoch, the fraction being the time of day. Before the epoch the
// value is negative and the fraction still counts forward from midnight:
// -1.25 is 29 December 1899, 06:00 (day -1, a quarter of a day). So -0.5 and
// 0.5 name the same moment, and arithmetic works on the "linear" value
// (-1.25 becomes -0.75) before it is turned back.
// Range: years 100 to 9999 of the proleptic Gregorian calendar, that is
// the days -657434 (1 January 100) to 2958465 (31 December 9999); as values,
// everything above -657435.0 (exclusive; the times of 1 January 100 lie
// between it and -657434.0) and below 2958466.0 (1 January 10000).
// Fields are read to the nearest second.
#pragma once

#include "platform/varnoplatform_export.h"

#include <ctime>
#include <optional>

class CString;

/// Flags and locale of ParseDateTime, as the framework names them. The
/// parser always reads the user's locale without personal overrides, which
/// is what these two ask for.
constexpr unsigned long LOCALE_NOUSEROVERRIDE = 0x80000000ul;
constexpr unsigned long LANG_USER_DEFAULT = 0x0400ul;

class VARNO_PLATFORM_EXPORT COleDateTimeSpan {
public:
    enum DateTimeSpanStatus { valid = 0, invalid = 1, null = 2 };

    COleDateTimeSpan() = default;
    explicit COleDateTimeSpan(double days) : m_span(days) {}
    COleDateTimeSpan(long days, int hours, int minutes, int seconds);

    [[nodiscard]] double GetTotalDays() const noexcept { return m_span; }
    [[nodiscard]] double GetTotalSeconds() const noexcept { return m_span * 86400.0; }
    [[nodiscard]] DateTimeSpanStatus GetStatus() const noexcept { return m_status; }

    double m_span = 0.0;             ///< length in days
    DateTimeSpanStatus m_status = valid;
};

class VARNO_PLATFORM_EXPORT COleDateTime {
public:
    enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

    /// 0.0 (30 December 1899 00:00), valid.
    COleDateTime() = default;
    /// The given day count, valid (as the framework does; getters of a value
    /// outside the range still give -1).
    COleDateTime(double days) : m_dt(days) {}
    /// From fields; invalid unless they name an existing moment in range.
    COleDateTime(int year, int month, int day, int hour, int minute, int second);

    /// Sets the value from fields. Valid only when converting the fields to a
    /// day count and back gives every field unchanged (so 31 April, hour 24
    /// or year 99 are invalid). Returns 0 when valid, 1 when not.
    int SetDateTime(int year, int month, int day, int hour, int minute, int second);
    int SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }

    /// Reads `text` as a date and time written in the user's locale
    /// (varno::GetUserLocale; see platform/DateParser.h for what is read).
    /// On success the value is set, the status is valid and the result true.
    /// On failure the value becomes 0.0 with status invalid and the result is
    /// false. `flags` and `lcid` are accepted for the framework's sake; every
    /// call reads the user's locale without overrides.
    bool ParseDateTime(const CString& text, unsigned long flags = 0, unsigned long lcid = LANG_USER_DEFAULT);

    [[nodiscard]] DateTimeStatus GetStatus() const noexcept { return m_status; }
    void SetStatus(DateTimeStatus status) noexcept { m_status = status; }

    /// Field getters: -1 when the value is not valid or lies outside the range.
    [[nodiscard]] int GetYear() const;
    [[nodiscard]] int GetMonth() const;
    [[nodiscard]] int GetDay() const;
    [[nodiscard]] int GetHour() const;
    [[nodiscard]] int GetMinute() const;
    [[nodiscard]] int GetSecond() const;
    /// 1 = Sunday ... 7 = Saturday; -1 when not valid.
    [[nodiscard]] int GetDayOfWeek() const;
    /// 1 ... 366; -1 when not valid.
    [[nodiscard]] int GetDayOfYear() const;

    struct Fields {
        int year, month, day, hour, minute, second;
    };
    /// All fields at once; nothing when the value is not valid or out of range.
    [[nodiscard]] std::optional<Fields> GetFields() const;

    /// The current local time of the computer, to the second.
    [[nodiscard]] static COleDateTime GetCurrentTime();
    /// Test seam: fixes what GetCurrentTime reports (as a UTC instant turned
    /// into local time); nothing restores the real clock.
    static void SetFixedNow(std::optional<std::time_t> utcSeconds);

    operator double() const noexcept { return m_dt; }

    COleDateTime operator+(const COleDateTimeSpan& span) const;
    COleDateTime operator-(const COleDateTimeSpan& span) const;
    COleDateTime& operator+=(const COleDateTimeSpan& span) { return *this = *this + span; }
    COleDateTime& operator-=(const COleDateTimeSpan& span) { return *this = *this - span; }
    COleDateTimeSpan operator-(const COleDateTime& other) const;

    friend bool operator==(const COleDateTime& a, const COleDateTime& b) noexcept
    {
        return a.m_status == b.m_status && a.m_dt == b.m_dt;
    }

    double m_dt = 0.0;               ///< days since 30 December 1899 00:00 (OLE layout)
    DateTimeStatus m_status = valid;
};

/// A date that may be missing: the same value and status, but a default-made
/// one is null (0.0, status null). Store records hold their dates in this type.
class VARNO_PLATFORM_EXPORT COleDateTimeNull : public COleDateTime {
public:
    COleDateTimeNull() { m_status = null; }
    COleDateTimeNull(const COleDateTime& other) : COleDateTime(other) {}
    COleDateTimeNull& operator=(const COleDateTime& other)
    {
        COleDateTime::operator=(other);
        return *this;
    }
    [[nodiscard]] bool IsNull() const noexcept { return m_status == null; }
};

namespace varno {
/// Days from 30 December 1899 to the given date of the proleptic Gregorian
/// calendar (month and day need not be normalised).
VARNO_PLATFORM_EXPORT long long DaysFromCivil(long long year, unsigned month, unsigned day) noexcept;
/// The days of `month` (1 to 12) in `year` of the Gregorian calendar.
VARNO_PLATFORM_EXPORT int DaysInMonth(int year, int month) noexcept;
/// Seconds from 1 January 1970, 00:00 to the given date and time of the
/// proleptic Gregorian calendar, counting every day as 86,400 seconds: the
/// scale of UTC without leap seconds, whatever the zone.
VARNO_PLATFORM_EXPORT long long SecondsFromCivil(int year, int month, int day, int hour, int minute,
                                                 int second) noexcept;
/// The date and time of such seconds.
VARNO_PLATFORM_EXPORT COleDateTime::Fields CivilFromSeconds(long long seconds) noexcept;
/// OLE day count to the linear scale used for arithmetic, and back.
VARNO_PLATFORM_EXPORT double OleToLinear(double dt) noexcept;
VARNO_PLATFORM_EXPORT double LinearToOle(double linear) noexcept;
} // namespace varno
