#include "store/Calendar.h"

CCalendar::~CCalendar() = default;

bool CCalendar::GetAlarmDateTime(COleDateTime& when) const
{
    switch (m_alarmType) {
    case ALARM_DATETIME:
    case ALARM_DATETIME_ALL_BITS:
        if (m_alarmTime.GetStatus() != COleDateTime::valid)
            return false;
        when = m_alarmTime;
        return true;
    case ALARM_RUNTIME: {
        if (StartTime.GetStatus() != COleDateTime::valid)
            return false;
        COleDateTime ring = StartTime - COleDateTimeSpan(0, 0, m_alarmMinutes, 0);
        if (ring.GetStatus() != COleDateTime::valid)
            return false;
        when = ring;
        return true;
    }
    default:
        return false;
    }
}

bool CCalendar::SetAlarmOff() noexcept
{
    m_alarmType = ALARM_OFF;
    m_alarmMinutes = 0;
    m_alarmTime = COleDateTimeNull();
    return true;
}

bool CCalendar::SetAlarmRunTime(int minutesBefore) noexcept
{
    if (minutesBefore < 0)
        return false;
    m_alarmType = ALARM_RUNTIME;
    m_alarmMinutes = minutesBefore;
    m_alarmTime = COleDateTimeNull();
    return true;
}

bool CCalendar::SetAlarmDateTime(COleDateTimeNull when) noexcept
{
    if (when.GetStatus() != COleDateTime::valid) {
        SetAlarmOff();
        return false;
    }
    m_alarmType = ALARM_DATETIME;
    m_alarmMinutes = 0;
    m_alarmTime = when;
    return true;
}
