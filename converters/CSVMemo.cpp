// Memos: store records of calendar type 3 (CCalendar).
//
// Columns, in order:  "memo"  <-> Description (the memo text)
//                     "color" <-> Color (the colour as the store keeps it)
// Both travel as plain text, unchanged both ways. Export leaves out memos
// marked deleted; import always adds new memos and never merges with stored
// ones, so importing a file twice stores its memos twice.
#include "converters/CSVMemo.h"

#include "converters/ConverterFlow_p.h"
#include "engine/ColumnTable_p.h"
#include "store/Calendars.h"

namespace {

using Column = varno::detail::Column<CCSVMemo, CCalendar>;
using Store = varno::detail::CalendarStore<CALTYPE_MEMO>;

const Column kColumns[] = {
    {{u"memo", u"memo", true},
     [](CCSVMemo&, const CCalendar& memo) { return memo.Description; },
     [](CCSVMemo&, CCalendar& memo, const varno::detail::Cell& cell) { memo.Description = cell.Value(); }},
    {{u"color", u"color"},
     [](CCSVMemo&, const CCalendar& memo) { return memo.Color; },
     [](CCSVMemo&, CCalendar& memo, const varno::detail::Cell& cell) { memo.Color = cell.Value(); }},
};

} // namespace

CCSVMemo::~CCSVMemo() = default;

const varno::CSVLayout& CCSVMemo::Layout()
{
    static const varno::CSVLayout layout = varno::detail::LayoutOf<CCSVMemo, CCalendar>(kColumns);
    return layout;
}

long CCSVMemo::Export(int profile, CString path)
{
    return varno::detail::ExportStored<Store>(*this, profile, path);
}

_en_CSVError CCSVMemo::Count(long& count, int /*profile*/, CString path, CStringList& fieldNames,
                             CStringList& fileColumns, int /*option*/)
{
    return varno::detail::CountStored<Store>(*this, path, fieldNames, fileColumns, count);
}

_en_CSVError CCSVMemo::Import(long& count, int profile, CString path, CStringList& fieldNames,
                              CStringList& fileColumns, int option, bool flag)
{
    return varno::detail::ImportStored<Store>(*this, count, profile, path, fieldNames, fileColumns, option, flag);
}

void CCSVMemo::MakeField()
{
    varno::detail::SetColumnNames<CCSVMemo, CCalendar>(*this, kColumns);
}

void CCSVMemo::Make(void* record)
{
    varno::detail::AppendRow<CCSVMemo, CCalendar>(*this, *static_cast<CCalendar*>(record), kColumns);
}

int CCSVMemo::Array2Item(void* record, int row, CStringList& fieldNames, CArray<int, const int&>& index)
{
    CCalendar& memo = *static_cast<CCalendar*>(record);
    memo.CalendarType = CALTYPE_MEMO;
    varno::detail::ReadRow<CCSVMemo, CCalendar>(*this, memo, row, fieldNames, index, kColumns);
    return 1;
}
