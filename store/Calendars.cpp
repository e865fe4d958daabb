#include "store/Calendars.h"

#include "store/Database_p.h"
#include "store/Schema_p.h"

namespace varno::store {

// Field order: the columns of CalendarTable().
struct CalendarKind {
    static const TableSpec& Table() { return CalendarTable(); }

    static RecordRows ToRows(const CCalendar& r)
    {
        RecordRows rows;
        RowWriter(rows.fields)
            .Int(r.CalendarType)
            .Int(r.DeletedMark)
            .Text(r.Summary)
            .Text(r.Description)
            .Text(r.Color)
            .Text(r.Location)
            .Date(r.StartTime)
            .Date(r.EndTime)
            .Date(r.DueDate)
            .Int(r.AllDay)
            .Int(r.Completed)
            .Int(r.Priority)
            .Int(r.m_alarmType)
            .Int(r.m_alarmMinutes)
            .Date(r.m_alarmTime);
        return rows;
    }

    static void FromRows(CCalendar& r, const RecordRows& rows)
    {
        RowReader in(rows.fields);
        r.CalendarType = static_cast<unsigned char>(in.Int());
        r.DeletedMark = static_cast<int>(in.Int());
        r.Summary = in.Text();
        r.Description = in.Text();
        r.Color = in.Text();
        r.Location = in.Text();
        r.StartTime = in.Date();
        r.EndTime = in.Date();
        r.DueDate = in.Date();
        r.AllDay = static_cast<int>(in.Int());
        r.Completed = static_cast<int>(in.Int());
        r.Priority = static_cast<int>(in.Int());
        r.m_alarmType = static_cast<int>(in.Int());
        r.m_alarmMinutes = static_cast<int>(in.Int());
        r.m_alarmTime = in.Date();
    }

    static void SetId(CCalendar& r, std::uint32_t id) { r.CalendarId = id; }
    static RecordState& State(CCalendar& r) { return r.m_state; }
};

} // namespace varno::store

using namespace varno::store;

CCalendars::~CCalendars() = default;

CCalendar* CCalendars::GetAt(int i) const
{
    return TypedAt<CCalendar>(i);
}

CCalendar* CCalendars::AddNew()
{
    return AppendNew(&CCalendar::CalendarId);
}

long CCalendars::OpenFromDB(int profile, int calendarType, int includeDeleted)
{
    const Filter filter{"profile = ?1 AND calendar_type = ?2 AND (?3 <> 0 OR deleted_mark <> 1)",
                        {profile, calendarType, includeDeleted}};
    return LoadCollection<CCalendar, CalendarKind>(*this, filter, profile);
}

long CCalendars::SaveToDB(int profile, bool /*flag: no effect, see the header*/)
{
    return SaveCollection<CCalendar, CalendarKind>(*this, profile);
}

long CCalendars::BeginSave(int profile, bool /*flag*/)
{
    return BeginBatches(std::make_unique<BatchWriterOf<CCalendar, CalendarKind>>(profile));
}
