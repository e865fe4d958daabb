// CCSVItem: date and time text.
//
// Epoch and range are those of the OLE date (platform/COleDateTime.h): days
// since 30 December 1899, years 100 to 9999, proleptic Gregorian calendar.
// Store records hold UTC and files hold local time; the store's Local2Utc and
// Utc2Local convert with the C library's idea of local time (TZ decides).
// Export writes "YYYY-MM-DD hh:mm" and drops the seconds. Import picks a
// parser by the shape of the text: the locale-aware one for texts with "-",
// "/" or ":", a YYYYMMDD reading for eight characters, and a plain number of
// days for everything else. The locale-aware path never fails: what it
// cannot read becomes the current time, as the suite has always done.
#include "engine/CSVItem.h"

#include "platform/CodePage.h"
#include "platform/Numbers.h"
#include "store/Store.h"

namespace {

// The current local time, turned into UTC: what an unreadable date becomes.
COleDateTimeNull NowInUtc()
{
    return Local2Utc(COleDateTime::GetCurrentTime());
}

int Number(const CString& text)
{
    return varno::ReadLeadingInt(text.str());
}

} // namespace

CString CCSVItem::OLEDate2String(COleDateTimeNull dt)
{
    if (dt.GetStatus() != COleDateTime::valid)
        return CString();
    const COleDateTime local = Utc2Local(dt);
    CString text;
    text.Format("%04d-%02d-%02d %02d:%02d", local.GetYear(), local.GetMonth(), local.GetDay(), local.GetHour(),
                local.GetMinute());
    return text;
}

COleDateTimeNull CCSVItem::String2OLEDate(CString date, CString time)
{
    if (date.Find(u'-') >= 0 || date.Find(u'/') >= 0 || date.Find(u':') >= 0) {
        // A date that holds its own time, or a time column without a colon,
        // leaves the time column out.
        if (date.Find(u':') < 0 && time.Find(u':') >= 0)
            return String2NEWOLEDate(date, time);
        return String2NEWOLEDate(date, CString());
    }
    if (date.Find(u'.') < 0 && date.GetLength() == 8)
        return String2NEWOLEDate(dateFormatChange(date), time);
    return String2OLEDate_Double(date);
}

COleDateTimeNull CCSVItem::String2NEWOLEDate(CString date, CString time)
{
    COleDateTime parsed;
    if (parsed.ParseDateTime(date + u' ' + time, LOCALE_NOUSEROVERRIDE, LANG_USER_DEFAULT))
        return Local2Utc(parsed);
    return NowInUtc();
}

COleDateTimeNull CCSVItem::String2OLEDate_Double(CString number)
{
    if (number.IsEmpty())
        return COleDateTimeNull();
    return COleDateTime(varno::ReadLeadingDouble(WideCharToMultiByte(CP_ACP, number.str())));
}

CString CCSVItem::dateFormatChange(CString date)
{
    if (date.GetLength() != 8)
        return date;
    return date.Left(4) + u'-' + date.Mid(4, 2) + u'-' + date.Mid(6, 2);
}

COleDateTimeNull CCSVItem::String2OLEDate_MonthDayYear(CString date, CString time)
{
    const int firstDash = date.Find(u'-');
    if (firstDash < 0)
        return NowInUtc();
    const CString month = date.Left(firstDash);
    const CString rest = date.Mid(firstDash + 1);
    const int secondDash = rest.Find(u'-');
    if (secondDash < 0)
        return NowInUtc();
    const int year = Number(rest.Mid(secondDash + 1)), monthNumber = Number(month);
    const int day = Number(rest.Left(secondDash));
    const COleDateTime midnight(year, monthNumber, day, 0, 0, 0);

    const int firstColon = time.Find(u':');
    if (firstColon < 0)
        return Local2Utc(midnight);
    const CString afterHour = time.Mid(firstColon + 1);
    const int secondColon = afterHour.Find(u':');
    if (secondColon < 0)
        return Local2Utc(midnight);
    return Local2Utc(COleDateTime(year, monthNumber, day, Number(time.Left(firstColon)),
                                  Number(afterHour.Left(secondColon)), Number(afterHour.Mid(secondColon + 1))));
}

COleDateTimeNull CCSVItem::String2OLEDate_YearMonthDayHourMinute(CString text)
{
    // Cut in order at "-", "-", " " and ":"; every piece must be there.
    CString pieces[5];
    CString rest = text;
    const char16_t cuts[] = {u'-', u'-', u' ', u':'};
    for (int i = 0; i < 4; ++i) {
        const int at = rest.Find(cuts[i]);
        if (at < 0)
            return NowInUtc();
        pieces[i] = rest.Left(at);
        rest = rest.Mid(at + 1);
    }
    pieces[4] = rest;
    return Local2Utc(COleDateTime(Number(pieces[0]), Number(pieces[1]), Number(pieces[2]), Number(pieces[3]),
                                  Number(pieces[4]), 0));
}
