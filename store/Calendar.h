// CCalendar: one record of the calendar family. Memos, to-do items and
// calendar entries share this record and one collection (CCalendars); the
// CalendarType code tells them apart. Dates are held in UTC.
#pragma once

#include "store/RecordState.h"
#include "store/varnodatamgr_export.h"

#include "platform/COleDateTime.h"
#include "platform/CObject.h"
#include "platform/CString.h"

#include <cstdint>

/// Calendar type codes.
enum CalendarTypeCode : unsigned char {
    CALTYPE_SCHEDULE = 1, ///< calendar entry
    CALTYPE_TODO = 2,     ///< to-do item
    CALTYPE_MEMO = 3,     ///< memo
};

/// Alarm types, as GetAlarmType reports them.
enum AlarmTypeCode : int {
    /// Read as an alarm at an instant, like ALARM_DATETIME. The setters never
    /// make it; a record stored with it (all bits set) keeps it.
    ALARM_DATETIME_ALL_BITS = -1,
    ALARM_OFF = 0,      ///< no alarm
    ALARM_RUNTIME = 1,  ///< a lead time in minutes before the start
    ALARM_DATETIME = 2, ///< an alarm at an instant (UTC)
};

class VARNO_DATA_EXPORT CCalendar : public CObject {
public:
    /// A new record: type 0, every text empty, every date null, every number
    /// 0, no alarm.
    CCalendar() = default;
    CCalendar(const CCalendar&) = delete;
    CCalendar& operator=(const CCalendar&) = delete;
    ~CCalendar() override;

    /// The alarm's type (AlarmTypeCode).
    [[nodiscard]] int GetAlarmType() const noexcept { return m_alarmType; }
    /// The instant the alarm rings, in UTC. An alarm at an instant (types 2
    /// and -1) gives that instant when it is valid. A lead-time alarm gives
    /// StartTime minus the lead when StartTime is valid. Returns false, and
    /// leaves `when` alone, for no alarm or when there is no valid instant.
    bool GetAlarmDateTime(COleDateTime& when) const;
    /// The lead time of an ALARM_RUNTIME alarm in minutes; 0 for other types.
    [[nodiscard]] int GetAlarmRunTime() const noexcept { return m_alarmMinutes; }
    /// Switches the alarm off. Always true.
    bool SetAlarmOff() noexcept;
    /// An alarm `minutesBefore` minutes before the start (0: at the start).
    /// A negative lead changes nothing and gives false.
    bool SetAlarmRunTime(int minutesBefore) noexcept;
    /// An alarm at the instant `when` (UTC). A null or invalid instant
    /// switches the alarm off and gives false.
    bool SetAlarmDateTime(COleDateTimeNull when) noexcept;

    std::uint32_t CalendarId = 0;  ///< database key; a provisional id until saved
    unsigned char CalendarType = 0; ///< CalendarTypeCode
    int DeletedMark = 0;           ///< 1: marked deleted (the record stays stored)
    CString Summary;
    CString Description;           ///< the memo text of a memo
    CString Color;                 ///< colour as the suite names it
    CString Location;
    COleDateTimeNull StartTime;    ///< UTC
    COleDateTimeNull EndTime;      ///< UTC; calendar entries
    COleDateTimeNull DueDate;      ///< UTC; to-do items
    int AllDay = 0;                ///< 1: an all-day entry
    int Completed = 0;             ///< to-do status: 0 open, 6 completed
    int Priority = 0;              ///< calendar side: 1 high, 2 medium, 3 low, 0 none

private:
    friend struct varno::store::CalendarKind;

    int m_alarmType = ALARM_OFF;
    int m_alarmMinutes = 0;        ///< lead time of ALARM_RUNTIME
    COleDateTimeNull m_alarmTime;  ///< instant of ALARM_DATETIME (UTC)
    varno::store::RecordState m_state;
};
