// Memos: store records of calendar type 3 (CCalendar).
//
// Columns, in order:  "memo"  <-> Description (the memo text)
//                     "color" <-> Color (the colour as the store keeps it)
// Both travel as plain text, unchanged both ways. Export leaves out memos
// marked deleted; import always adds new memos and never merges with stored
// ones, so importing a file twice stores its memos twice.
#include "converters/CSVMemo.h"

#include "converters/CalendarFamily.h"
#include "engine/FieldWalk.h"

CCSVMemo::~CCSVMemo() = default;

long CCSVMemo::Export(int profile, CString path)
{
    return varno::detail::ExportCalendarFamily(*this, profile, varno::detail::kMemo, path);
}

_en_CSVError CCSVMemo::Count(long& count, int /*profile*/, CString path, CStringList& fieldNames,
                             CStringList& fileColumns, int /*option*/)
{
    CCalendars records;
    _en_CSVError result = varno::detail::ReadCalendarFamily(*this, path, fieldNames, fileColumns, records);
    if (result == CSVERR_SUCCESS)
        count = records.GetCount();
    return result;
}

_en_CSVError CCSVMemo::Import(long& count, int profile, CString path, CStringList& fieldNames,
                              CStringList& fileColumns, int /*option*/, bool flag)
{
    CCalendars records;
    _en_CSVError result = varno::detail::ReadCalendarFamily(*this, path, fieldNames, fileColumns, records);
    if (result == CSVERR_SUCCESS)
        count = records.SaveToDB(profile, flag);
    return result;
}

void CCSVMemo::MakeField()
{
    CStringArray names{u"memo", u"color"};
    AddField(names);
}

void CCSVMemo::Make(void* record)
{
    const CCalendar& memo = *static_cast<CCalendar*>(record);
    CStringArray row{memo.Description, memo.Color};
    AddValue(row);
}

int CCSVMemo::Array2Item(void* record, int row, CStringList& fieldNames, CArray<int, const int&>& index)
{
    CCalendar& memo = *static_cast<CCalendar*>(record);
    memo.CalendarType = varno::detail::kMemo;
    varno::detail::WalkFields(*this, row, fieldNames, index, [&](const CString& name, const CString& value, int) {
        if (name.CompareNoCase(u"memo") == 0)
            memo.Description = value;
        else if (name.CompareNoCase(u"color") == 0)
            memo.Color = value;
    });
    return 1;
}
