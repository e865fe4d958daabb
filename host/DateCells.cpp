// Date cells checked before the library reads them.
//
// Every reading here is the one the library makes or would make: the same
// locale-aware parser (varno::ParseLocaleDateTime) on the same text, joined
// with the time column exactly where the library joins it. Dates are OLE
// dates (days since 30 December 1899, years 100 to 9999, proleptic Gregorian).
// The text handed in place of a cell is the library's own export form, which
// its parser reads year first in every locale.
//
// Where the "no date" markers come from:
// - "0/0/00": the English address-book export of a desktop mail program
//   writes it for an empty birthday or anniversary; "0.0.00" is taken to be
//   its German form (by analogy, not seen in a source). Other spellings of a
//   date of zeros ("00.00.0000", "00/00/0000", "0000-00-00") name no day
//   either; "0000-00-00" and "0000-00-00 00:00:00" are the zero date of MySQL
//   and MariaDB databases, which their exports carry.
// - 1 January 4501: the date the desktop mail program's object model and the
//   handheld suite's (DATE_NONE, day 949998) give every date that is not set,
//   which scripts that export through them write out.
// - "None": what exports written in Python produce for a missing value.
// - "/  /" (an export of a church-membership program), an em dash (a web
//   inventory's CSV) and a lone "-": placeholders with no number in them.
#include "host/DateCells.h"

#include "platform/DateParser.h"

#include <optional>

namespace varno::host {
namespace {

using Kind = DateVerdict::Kind;

constexpr long kNoneDay = 949998;         // 4501-01-01, the "none" date
constexpr long kFirstDayCount = 3000;     // 1908-03-18: below, a number is rather a year or a day
constexpr long kLastDayCount = 2958465;   // 9999-12-31

bool IsBlank(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool Holds(std::u16string_view text, char16_t c) { return text.find(c) != std::u16string_view::npos; }

std::u16string_view Trim(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Separators of date parts, and the dashes that stand for "nothing".
bool IsDateMark(char16_t c)
{
    return c == u'-' || c == u'/' || c == u'.' || c == u':' || (c >= 0x2010 && c <= 0x2015) || c == 0x2212;
}

// "0/0/00", "00.00.0000", "0000-00-00 00:00:00": zeros only, in three or
// more groups.
bool IsZeroDate(std::u16string_view text)
{
    int groups = 0;
    bool inGroup = false;
    for (char16_t c : text) {
        if (c == u'0') {
            groups += inGroup ? 0 : 1;
            inGroup = true;
        } else if (IsDateMark(c) || IsBlank(c)) {
            inGroup = false;
        } else {
            return false;
        }
    }
    return groups >= 3;
}

// "-", "/  /", "—": marks and spaces with no number.
bool IsPlaceholder(std::u16string_view text)
{
    for (char16_t c : text)
        if (!IsDateMark(c) && !IsBlank(c))
            return false;
    return true;
}

bool IsNoneWord(std::u16string_view text)
{
    constexpr std::u16string_view none = u"none";
    if (text.size() != none.size())
        return false;
    for (size_t i = 0; i < none.size(); ++i)
        if ((text[i] | 0x20) != none[i])
            return false;
    return true;
}

// A plain decimal number, as spreadsheets write day counts: an optional "+",
// digits with at most one ".". Gives its whole part (saturated), or nothing.
std::optional<long> PlainNumber(std::u16string_view text)
{
    if (!text.empty() && text.front() == u'+')
        text.remove_prefix(1);
    long whole = 0;
    bool digits = false, point = false;
    for (char16_t c : text) {
        if (IsDigit(c)) {
            digits = true;
            if (!point && whole <= kLastDayCount)
                whole = whole * 10 + (c - u'0');
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits)
        return std::nullopt;
    return whole;
}

// Reads `count` digits at `at` of `text`; -1 when they are not all digits.
int Digits(std::u16string_view text, size_t at, size_t count)
{
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!IsDigit(text[i]))
            return -1;
        value = value * 10 + (text[i] - u'0');
    }
    return value;
}

// "h:mm", "hh:mm", with ":ss" or not, as a valid time of day.
bool IsPlainTime(std::u16string_view text)
{
    const size_t hourDigits = text.size() >= 2 && text[1] == u':' ? 1 : 2;
    const size_t length = text.size() - hourDigits;
    if (text.size() < hourDigits + 3 || (length != 3 && length != 6) || text[hourDigits] != u':')
        return false;
    const int hour = Digits(text, 0, hourDigits), minute = Digits(text, hourDigits + 1, 2);
    const int second = length == 6 ? (text[hourDigits + 3] == u':' ? Digits(text, hourDigits + 4, 2) : -1) : 0;
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
}

// The library's own export form, "YYYY-MM-DD", "YYYY-MM-DD hh:mm" or
// "YYYY-MM-DD hh:mm:ss", with fields that name a moment: true when the parser
// reads it as written. Whether it is 1 January 4501 comes back in `noneDate`.
bool IsExportForm(std::u16string_view text, bool& noneDate)
{
    if (text.size() != 10 && text.size() != 16 && text.size() != 19)
        return false;
    if (text[4] != u'-' || text[7] != u'-' || (text.size() > 10 && (text[10] != u' ' || !IsPlainTime(text.substr(11)))))
        return false;
    const int year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
    if (year < 100 || month < 1 || month > 12 || day < 1 || day > varno::DaysInMonth(year, month))
        return false;
    noneDate = year == 4501 && month == 1 && day == 1;
    return true;
}

std::optional<COleDateTime> Parse(std::u16string_view text, const std::string& locale)
{
    return varno::ParseLocaleDateTime(text, locale);
}

std::u16string Joined(std::u16string_view date, std::u16string_view time)
{
    std::u16string text(date);
    text += u' ';
    text += time;
    return text;
}

bool IsNoneDate(const COleDateTime& moment)
{
    return moment.GetYear() == 4501 && moment.GetMonth() == 1 && moment.GetDay() == 1;
}

// A reading on day 0 is a time written alone when a date can still be added
// to the text; a date in the text would leave no room for another.
bool IsTimeAlone(const COleDateTime& moment, std::u16string_view text, const std::string& locale)
{
    const double day = moment;
    return day >= 0 && day < 1 && Parse(Joined(text, u"2000-01-01"), locale).has_value();
}

CString ExportText(const COleDateTime& moment, bool withTime)
{
    CString text;
    if (!withTime && moment.GetHour() == 0 && moment.GetMinute() == 0 && moment.GetSecond() == 0)
        text.Format("%04d-%02d-%02d", moment.GetYear(), moment.GetMonth(), moment.GetDay());
    else if (moment.GetSecond() == 0)
        text.Format("%04d-%02d-%02d %02d:%02d", moment.GetYear(), moment.GetMonth(), moment.GetDay(),
                    moment.GetHour(), moment.GetMinute());
    else
        text.Format("%04d-%02d-%02d %02d:%02d:%02d", moment.GetYear(), moment.GetMonth(), moment.GetDay(),
                    moment.GetHour(), moment.GetMinute(), moment.GetSecond());
    return text;
}

// The verdict on a moment read from `text`: kept as the cell, or handed as
// export text (which must hold a time when `keepsTimeOut` says the library
// would otherwise join the time column to it).
DateVerdict Verdict(const COleDateTime& moment, std::u16string_view text, const std::string& locale, bool keep,
                    bool keepsTimeOut)
{
    if (IsNoneDate(moment))
        return {Kind::NoDate, {}};
    if (IsTimeAlone(moment, text, locale))
        return {Kind::Unreadable, {}};
    if (keep)
        return {Kind::Keep, {}};
    return {Kind::Replace, ExportText(moment, keepsTimeOut)};
}

} // namespace

DateVerdict CheckDateCell(std::u16string_view value, std::u16string_view time, bool joinsTime,
                          const std::string& locale)
{
    if (value.empty() || value == u"00-0-0")
        return {Kind::Keep, {}};
    const std::u16string_view cell = Trim(value);
    if (cell.empty() || IsZeroDate(cell) || IsPlaceholder(cell) || IsNoneWord(cell))
        return {Kind::NoDate, {}};
    if (!joinsTime)
        time = {};
    // The library joins a time column holding ":" to a date without one; a
    // replacement must then hold a time itself to keep that column out.
    const bool timeHasColon = Holds(time, u':');

    if (Holds(value, u'-') || Holds(value, u'/') || Holds(value, u':')) {
        const bool joins = !Holds(value, u':') && timeHasColon;
        bool noneDate = false;
        if (IsExportForm(value, noneDate) && (!joins || IsPlainTime(time)))
            return {noneDate ? Kind::NoDate : Kind::Keep, {}};
        const std::u16string read = joins ? Joined(value, time) : Joined(value, {});
        if (auto moment = Parse(read, locale))
            return Verdict(*moment, read, locale, true, false);
        if (joins)
            if (auto moment = Parse(value, locale))
                return Verdict(*moment, value, locale, false, true);
        return {Kind::Unreadable, {}};
    }

    // Eight characters without ".": the library reads YYYYMMDD, joining any
    // time column. Only digits can mean that; other texts of eight
    // characters are read like any other text below.
    const bool eightCharacters = value.size() == 8 && !Holds(value, u'.');
    if (eightCharacters && Digits(value, 0, 8) >= 0) {
        std::u16string date(value.substr(0, 4));
        date += u'-';
        date += value.substr(4, 2);
        date += u'-';
        date += value.substr(6, 2);
        if (auto moment = Parse(Joined(date, time), locale))
            return Verdict(*moment, date, locale, true, false);
        if (!time.empty())
            if (auto moment = Parse(date, locale))
                return Verdict(*moment, date, locale, false, timeHasColon);
        return {Kind::Unreadable, {}};
    }

    // The rest is a day count to the library.
    if (auto whole = PlainNumber(cell)) {
        if (*whole == kNoneDay)
            return {Kind::NoDate, {}};
        if (*whole < kFirstDayCount || *whole > kLastDayCount)
            return {Kind::Unreadable, {}};
        // Eight characters go the YYYYMMDD way; the number alone goes the
        // number way.
        return eightCharacters ? DateVerdict{Kind::Replace, CString(cell)} : DateVerdict{Kind::Keep, {}};
    }
    if (!Trim(time).empty()) {
        const std::u16string read = Joined(value, time);
        if (auto moment = Parse(read, locale))
            return Verdict(*moment, read, locale, false, timeHasColon);
    }
    if (auto moment = Parse(value, locale))
        return Verdict(*moment, value, locale, false, timeHasColon);
    return {Kind::Unreadable, {}};
}

} // namespace varno::host
