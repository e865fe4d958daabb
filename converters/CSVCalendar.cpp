// Calendar entries: store records of calendar type 1 (CCalendar).
//
// Columns, in order (export name = field name import reads):
//   "summary"       <-> Summary, plain text
//   "start_time"    <-> StartTime, a date in local time
//   "end_time"      <-> EndTime, a date in local time
//   "allday"        <-> AllDay: "1" or "0"; import also takes "TRUE" in any case
//   "alarm_runtime" <-> the alarm: export writes the instant of an alarm at
//                       an instant and nothing for any other alarm; import
//                       also takes the suite's alarm labels ("15분전", ...)
//   "description"   <-> Description, plain text
//   "location"      <-> Location, plain text
// Recurrence and everything else an entry holds stays in the store.
//
// Quirks, kept because files and hosts rely on them:
// - A date is read with the next column's value as its time of day (used
//   only when the date holds no time), so a host maps "start_time" and
//   "end_time" to the date columns of a file that keeps times apart.
// - Dates later than the year 2100, as held in UTC, are moved into 2100 with
//   the same month, day and time; 29 February thereby becomes invalid.
// - Import recognises three layouts of other programs by the first three
//   names of a header of at least four columns (compared exactly):
//   the Korean schedule list ("날 짜", "일정 시작일", "일정 시작시간"), whose
//   entries from 00:00 to 23:59 local time are all-day entries; and the
//   Korean and English split date/time layouts ("제목", "시작 날짜",
//   "시작 시간" / "Subject", "Start Date", "Start Time"), which end an
//   all-day entry at 00:00 of the next day (import moves the end back one
//   day when "allday" is read after "end_time") and keep an alarm's on/off
//   switch in the column before its date. Count recognises none of them.
// Export leaves out entries marked deleted; import always adds new entries.
#include "converters/CSVCalendar.h"

#include "converters/ConverterFlow_p.h"
#include "engine/ColumnTable_p.h"
#include "store/Calendars.h"
#include "store/Store.h"

namespace {

using Column = varno::detail::Column<CCSVCalendar, CCalendar>;
using Store = varno::detail::CalendarStore<CALTYPE_SCHEDULE>;
using varno::detail::Cell;

// Years after this one, as held in UTC, are stored in it.
constexpr int kLastYear = 2100;

void LimitYear(COleDateTimeNull& date)
{
    if (date.GetStatus() != COleDateTime::valid)
        return;
    const auto fields = date.GetFields();
    if (!fields || fields->year <= kLastYear)
        return;
    // Built from fields, so a day that 2100 lacks (29 February) is invalid.
    date = COleDateTime(kLastYear, fields->month, fields->day, fields->hour, fields->minute, fields->second);
}

COleDateTimeNull ReadDate(CCSVCalendar& calendar, const Cell& cell)
{
    COleDateTimeNull date = calendar.String2OLEDate(cell.Value(), cell.Next());
    LimitYear(date);
    return date;
}

// Only an alarm at an instant has a date to write; GetAlarmDateTime fills a
// variable of our own, and a false answer leaves the field empty.
CString AlarmText(CCSVCalendar& calendar, const CCalendar& entry)
{
    const int type = entry.GetAlarmType();
    if (type != ALARM_DATETIME && type != ALARM_DATETIME_ALL_BITS)
        return CString();
    COleDateTime when;
    if (!entry.GetAlarmDateTime(when))
        return CString();
    return calendar.OLEDate2String(COleDateTimeNull(when));
}

const Column kColumns[] = {
    {{u"summary", u"summary", true},
     [](CCSVCalendar&, const CCalendar& entry) { return entry.Summary; },
     [](CCSVCalendar&, CCalendar& entry, const Cell& cell) { entry.Summary = cell.Value(); }},
    {{u"start_time", u"start_time", true, true, false, varno::CSVCellKind::Date},
     [](CCSVCalendar& calendar, const CCalendar& entry) { return calendar.OLEDate2String(entry.StartTime); },
     [](CCSVCalendar& calendar, CCalendar& entry, const Cell& cell) { entry.StartTime = ReadDate(calendar, cell); }},
    {{u"end_time", u"end_time", false, true, false, varno::CSVCellKind::Date},
     [](CCSVCalendar& calendar, const CCalendar& entry) { return calendar.OLEDate2String(entry.EndTime); },
     [](CCSVCalendar& calendar, CCalendar& entry, const Cell& cell) { entry.EndTime = ReadDate(calendar, cell); }},
    {{u"allday", u"allday"},
     [](CCSVCalendar&, const CCalendar& entry) { return CString(entry.AllDay == 1 ? u"1" : u"0"); },
     [](CCSVCalendar& calendar, CCalendar& entry, const Cell& cell) {
         entry.AllDay = calendar.ConvertAllday(cell.Value());
         // The split layouts end an all-day entry at 00:00 of the next day;
         // we end it on its own day. Exactly one day off the day count, the
         // status as it is: whatever the end holds now, so an end read after
         // this field is not corrected.
         if (calendar.m_bSubjectLayout && entry.AllDay == 1)
             entry.EndTime.m_dt -= 1.0;
     }},
    {{u"alarm_runtime", u"alarm_runtime", false, true, true, varno::CSVCellKind::Alarm},
     AlarmText,
     [](CCSVCalendar& calendar, CCalendar& entry, const Cell& cell) {
         calendar.ConvertAlarm(&entry, cell.Value(), cell.Next(), cell.Previous());
     }},
    {{u"description", u"description"},
     [](CCSVCalendar&, const CCalendar& entry) { return entry.Description; },
     [](CCSVCalendar&, CCalendar& entry, const Cell& cell) { entry.Description = cell.Value(); }},
    {{u"location", u"location"},
     [](CCSVCalendar&, const CCalendar& entry) { return entry.Location; },
     [](CCSVCalendar&, CCalendar& entry, const Cell& cell) { entry.Location = cell.Value(); }},
};

// The three foreign layouts, in the order import tries them. The first three
// names are the signatures; the names after them are what these lists hold
// beyond (a file may have more columns, in any order):
// - the Korean schedule list: "날 짜" (the day the entry is listed under),
//   "일정 시작일", "일정 시작시간", "일정 종료일", "일정 종료시간", "제 목",
//   "내 용", "장 소", "알 람" (an alarm label). Its two-syllable names carry a
//   space between the syllables, as "날 짜" does.
// - the Korean split layout: "제목", "시작 날짜", "시작 시간", "종료 날짜",
//   "종료 시간", "하루 종일 이벤트", "미리 알림 켜기/끄기", "미리 알림 날짜",
//   "미리 알림 시간", "설명", "위치".
// - the English split layout: "Subject", "Start Date", "Start Time",
//   "End Date", "End Time", "All day event", "Reminder on/off",
//   "Reminder Date", "Reminder Time", "Description", "Location".
// The mappings send "start_time" and "end_time" to the date columns (the
// time is read from the next column) and "alarm_runtime" to the alarm's date
// column (its on/off switch is the previous column, its time the next), and
// name "end_time" before "allday", so that the all-day end correction acts
// on the end read from the file.
std::vector<varno::CSVForeignLayout> KnownLayouts()
{
    return {
        {"the Korean schedule-list layout",
          {u"날 짜", u"일정 시작일", u"일정 시작시간"},
          4,
          {{u"summary", u"제 목"},
           {u"start_time", u"일정 시작일"},
           {u"end_time", u"일정 종료일"},
           {u"alarm_runtime", u"알 람"},
           {u"description", u"내 용"},
           {u"location", u"장 소"}},
         &CCSVItem::m_bDateLayout},
        {"the Korean calendar layout",
          {u"제목", u"시작 날짜", u"시작 시간"},
          4,
          {{u"summary", u"제목"},
           {u"start_time", u"시작 날짜"},
           {u"end_time", u"종료 날짜"},
           {u"allday", u"하루 종일 이벤트"},
           {u"alarm_runtime", u"미리 알림 날짜"},
           {u"description", u"설명"},
           {u"location", u"위치"}},
         &CCSVItem::m_bSubjectLayout},
        {"the English calendar layout",
          {u"Subject", u"Start Date", u"Start Time"},
          4,
          {{u"summary", u"Subject"},
           {u"start_time", u"Start Date"},
           {u"end_time", u"End Date"},
           {u"allday", u"All day event"},
           {u"alarm_runtime", u"Reminder Date"},
           {u"description", u"Description"},
           {u"location", u"Location"}},
         &CCSVItem::m_bSubjectLayout},
    };
}

// The schedule list has no all-day column: an entry from 00:00 to 23:59
// local time is an all-day one. A date that is not valid reads -1 and never
// matches; an entry already all-day stays so.
void InferAllDay(CCalendar& entry)
{
    const COleDateTime start = Utc2Local(entry.StartTime), end = Utc2Local(entry.EndTime);
    if (start.GetHour() == 0 && start.GetMinute() == 0 && end.GetHour() == 23 && end.GetMinute() == 59)
        entry.AllDay = 1;
}

struct AlarmLabel {
    std::u16string_view text;
    int minutesBefore; ///< -1: no alarm
};

// The suite's alarm labels, compared exactly (case and spaces count).
constexpr AlarmLabel kAlarmLabels[] = {
    {u"", -1},
    {u"알람설정없음", -1}, // no alarm set
    {u"정시알림", 0},      // at the start time
    {u"5분전", 5},
    {u"15분전", 15},
    {u"30분전", 30},
    {u"1시간전", 60},
    {u"1일전", 1440},
    {u"3일전", 4320},
    {u"1주일전", 10080},
};

} // namespace

CCSVCalendar::~CCSVCalendar() = default;

const varno::CSVLayout& CCSVCalendar::Layout()
{
    static const varno::CSVLayout layout = varno::detail::LayoutOf<CCSVCalendar, CCalendar>(
        kColumns, KnownLayouts());
    return layout;
}

long CCSVCalendar::Export(int profile, CString path)
{
    return varno::detail::ExportStored<Store>(*this, profile, path);
}

_en_CSVError CCSVCalendar::Count(long& count, int /*profile*/, CString path, CStringList& fieldNames,
                                 CStringList& fileColumns, int /*option*/)
{
    return varno::detail::CountStored<Store>(*this, path, fieldNames, fileColumns, count);
}

_en_CSVError CCSVCalendar::Import(long& count, int profile, CString path, CStringList& fieldNames,
                                  CStringList& fileColumns, int option, bool flag)
{
    return varno::detail::ImportStored<Store>(*this, count, profile, path, fieldNames, fileColumns, option, flag);
}

void CCSVCalendar::MakeField()
{
    varno::detail::SetColumnNames<CCSVCalendar, CCalendar>(*this, kColumns);
}

void CCSVCalendar::Make(void* record)
{
    varno::detail::AppendRow<CCSVCalendar, CCalendar>(*this, *static_cast<CCalendar*>(record), kColumns);
}

int CCSVCalendar::Array2Item(void* record, int row, CStringList& fieldNames, CArray<int, const int&>& index)
{
    CCalendar& entry = *static_cast<CCalendar*>(record);
    entry.CalendarType = CALTYPE_SCHEDULE;
    varno::detail::ReadRow<CCSVCalendar, CCalendar>(*this, entry, row, fieldNames, index, kColumns);
    // After the whole row, whichever order the fields came in.
    if (m_bDateLayout)
        InferAllDay(entry);
    return 1;
}

int CCSVCalendar::ConvertAllday(CString text)
{
    return text == u"1" || text.CompareNoCase(u"TRUE") == 0 ? 1 : 0;
}

void CCSVCalendar::ConvertAlarm(CCalendar* record, CString value, CString next, CString previous)
{
    // A label means the same in every layout, so labels come first.
    for (const AlarmLabel& label : kAlarmLabels) {
        if (std::u16string_view(value) != label.text)
            continue;
        if (label.minutesBefore < 0)
            record->SetAlarmOff();
        else
            record->SetAlarmRunTime(label.minutesBefore);
        return;
    }
    if (!m_bSubjectLayout) {
        record->SetAlarmDateTime(String2OLEDate(value, CString()));
        return;
    }
    // The split layouts keep the alarm's switch in the column before its
    // date and its time in the column after; a switch that is neither word
    // leaves the alarm as it is.
    if (previous.CompareNoCase(u"True") == 0)
        record->SetAlarmDateTime(String2OLEDate(value, next));
    else if (previous.CompareNoCase(u"False") == 0)
        record->SetAlarmOff();
}
