// CCSVTodo: to-do items between the data store and CSV files.
#pragma once

#include "engine/CSVItem.h"
#include "engine/CSVLayout.h"

class CCalendar;

class VARNO_CSV_EXPORT CCSVTodo : public CCSVItem {
public:
    CCSVTodo() = default;
    ~CCSVTodo() override;

    long Export(int profile, CString path) override;
    /// Recognises the Korean to-do layout (header "제목", "시작 날짜", "기한"
    /// and at least a fourth column) before the rows are read; then, as Count,
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

    /// Sets `record`'s calendar-side Priority from a file text: "높음" 1,
    /// "중간" 2, "낮음" 3 (compared exactly); any other text is the store's
    /// number, read as _wtoi reads it and turned back with
    /// ConvertPriority_DB2Calendar.
    void ConvertPriority(CCalendar* record, CString text);
    /// Sets `record`'s Completed from a file text. In the Korean to-do layout
    /// (m_bSubjectLayout) "1.000" gives 6 and every other text 0; otherwise
    /// "비완료" gives 0, "완료" 6, and any other text its leading integer as
    /// _wtoi reads it (no digits: 0).
    void ConvertCompleted(CCalendar* record, CString text);

    /// The to-do layout and the Korean to-do layout, for hosts.
    [[nodiscard]] static const varno::CSVLayout& Layout();
};
