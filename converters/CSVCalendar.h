// CCSVCalendar: calendar entries between the data store and CSV files.
#pragma once

#include "engine/CSVItem.h"
#include "engine/CSVLayout.h"

class CCalendar;

class VARNO_CSV_EXPORT CCSVCalendar : public CCSVItem {
public:
    CCSVCalendar() = default;
    ~CCSVCalendar() override;

    long Export(int profile, CString path) override;
    /// Recognises the schedule-list layout (m_bDateLayout) or a split
    /// date/time layout, Korean or English (m_bSubjectLayout), by the first
    /// three header names when the header has at least four; then, as Count,
    /// and saves.
    _en_CSVError Import(long& count, int profile, CString path, CStringList& fieldNames, CStringList& fileColumns,
                        int option, bool flag) override;
    /// Reads every row as the converter's own layout: it recognises no
    /// foreign layout.
    _en_CSVError Count(long& count, int profile, CString path, CStringList& fieldNames, CStringList& fileColumns,
                       int option) override;
    void MakeField() override;
    void Make(void* record) override;
    int Array2Item(void* record, int row, CStringList& fieldNames, CArray<int, const int&>& index) override;

    /// 1 for "1" (exactly) and for "TRUE" in any letter case; 0 for every
    /// other text, the empty one included.
    [[nodiscard]] int ConvertAllday(CString text);
    /// Sets `record`'s alarm from a file value. An alarm label of the suite
    /// (compared exactly, in every layout) switches the alarm off ("",
    /// "알람설정없음") or sets a lead time ("정시알림" 0 minutes, "5분전",
    /// "15분전", "30분전", "1시간전", "1일전", "3일전", "1주일전"). Any other
    /// value: in a split date/time layout `previous` (the on/off column)
    /// decides: "True" in any case sets the alarm to the date `value` with
    /// the time `next`, "False" in any case switches it off, anything else
    /// leaves the alarm alone; in any other layout the alarm is set to the
    /// date `value` alone.
    void ConvertAlarm(CCalendar* record, CString value, CString next, CString previous);

    /// The calendar layout and the three foreign layouts import recognises,
    /// for hosts.
    [[nodiscard]] static const varno::CSVLayout& Layout();
};
