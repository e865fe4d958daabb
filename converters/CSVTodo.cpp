// To-do items: store records of calendar type 2 (CCalendar).
//
// Columns, in order (export name / field name import reads):
//   "summary"                   <-> Summary, plain text
//   "start_date" / "start_time" <-> StartTime, a date in local time
//   "due_date"                  <-> DueDate, a date in local time
//   "description"               <-> Description, plain text
//   "completed"                 <-> Completed: 0 open, 6 completed, any
//                                   other number passed through
//   "priority"                  <-> Priority, written as the store's number
//                                   (ConvertPriority_Calendar2DB: 1, 5, 9)
//
// Quirks, kept because files and hosts rely on them:
// - The start date is written under "start_date" but read only under the
//   field name "start_time"; a host that passes "start_date" gets no start.
// - Dates are read from their own value alone: a to-do never looks at the
//   next column for a time, not even in the Korean to-do layout.
// - Completion and priority also accept the Korean words of the suite's
//   lists ("완료", "비완료"; "높음", "중간", "낮음"), compared exactly.
// - The Korean to-do layout (header "제목", "시작 날짜", "기한", and at least
//   one more column) writes completion as a ratio: only "1.000" is
//   completed there, every other text (the Korean words included) is open.
//   Only Import recognises that layout; Count reads every file as ours.
// Export leaves out items marked deleted; import always adds new items.
#include "converters/CSVTodo.h"

#include "converters/ConverterFlow_p.h"
#include "engine/ColumnTable_p.h"
#include "platform/Numbers.h"
#include "store/Calendars.h"
#include "store/Store.h"

namespace {

using Column = varno::detail::Column<CCSVTodo, CCalendar>;
using Store = varno::detail::CalendarStore<CALTYPE_TODO>;
using varno::detail::Cell;

CString Decimal(int number)
{
    CString text;
    text.Format("%d", number);
    return text;
}

const Column kColumns[] = {
    {{u"summary", u"summary", true},
     [](CCSVTodo&, const CCalendar& item) { return item.Summary; },
     [](CCSVTodo&, CCalendar& item, const Cell& cell) { item.Summary = cell.Value(); }},
    {{u"start_date", u"start_time", false, false, false, varno::CSVCellKind::Date},
     [](CCSVTodo& todo, const CCalendar& item) { return todo.OLEDate2String(item.StartTime); },
     [](CCSVTodo& todo, CCalendar& item, const Cell& cell) {
         item.StartTime = todo.String2OLEDate(cell.Value(), CString());
     }},
    {{u"due_date", u"due_date", false, false, false, varno::CSVCellKind::Date},
     [](CCSVTodo& todo, const CCalendar& item) { return todo.OLEDate2String(item.DueDate); },
     [](CCSVTodo& todo, CCalendar& item, const Cell& cell) {
         item.DueDate = todo.String2OLEDate(cell.Value(), CString());
     }},
    {{u"description", u"description"},
     [](CCSVTodo&, const CCalendar& item) { return item.Description; },
     [](CCSVTodo&, CCalendar& item, const Cell& cell) { item.Description = cell.Value(); }},
    {{u"completed", u"completed"},
     [](CCSVTodo&, const CCalendar& item) { return Decimal(item.Completed); },
     [](CCSVTodo& todo, CCalendar& item, const Cell& cell) { todo.ConvertCompleted(&item, cell.Value()); }},
    {{u"priority", u"priority"},
     [](CCSVTodo&, const CCalendar& item) {
         return Decimal(static_cast<int>(ConvertPriority_Calendar2DB(item.Priority)));
     },
     [](CCSVTodo& todo, CCalendar& item, const Cell& cell) { todo.ConvertPriority(&item, cell.Value()); }},
};

// The Korean to-do layout. Its first three names are the signature; the
// names after them are those of the suite's Korean to-do list: "완료" holds
// the completion ratio ("1.000" when done), "우선 순위" the priority word,
// "메모" the notes. A date there stands in one value, so "start_time" and
// "due_date" go to the date columns themselves.
std::vector<varno::CSVForeignLayout> KnownLayouts()
{
    return {
        {"the Korean to-do layout",
          {u"제목", u"시작 날짜", u"기한"},
          4,
          {{u"summary", u"제목"},
           {u"start_time", u"시작 날짜"},
           {u"due_date", u"기한"},
           {u"description", u"메모"},
           {u"completed", u"완료"},
           {u"priority", u"우선 순위"}},
         &CCSVItem::m_bSubjectLayout},
    };
}

} // namespace

CCSVTodo::~CCSVTodo() = default;

const varno::CSVLayout& CCSVTodo::Layout()
{
    static const varno::CSVLayout layout =
        varno::detail::LayoutOf<CCSVTodo, CCalendar>(kColumns, KnownLayouts());
    return layout;
}

long CCSVTodo::Export(int profile, CString path)
{
    return varno::detail::ExportStored<Store>(*this, profile, path);
}

_en_CSVError CCSVTodo::Count(long& count, int /*profile*/, CString path, CStringList& fieldNames,
                             CStringList& fileColumns, int /*option*/)
{
    return varno::detail::CountStored<Store>(*this, path, fieldNames, fileColumns, count);
}

_en_CSVError CCSVTodo::Import(long& count, int profile, CString path, CStringList& fieldNames,
                              CStringList& fileColumns, int option, bool flag)
{
    return varno::detail::ImportStored<Store>(*this, count, profile, path, fieldNames, fileColumns, option, flag);
}

void CCSVTodo::MakeField()
{
    varno::detail::SetColumnNames<CCSVTodo, CCalendar>(*this, kColumns);
}

void CCSVTodo::Make(void* record)
{
    varno::detail::AppendRow<CCSVTodo, CCalendar>(*this, *static_cast<CCalendar*>(record), kColumns);
}

int CCSVTodo::Array2Item(void* record, int row, CStringList& fieldNames, CArray<int, const int&>& index)
{
    CCalendar& item = *static_cast<CCalendar*>(record);
    item.CalendarType = CALTYPE_TODO;
    varno::detail::ReadRow<CCSVTodo, CCalendar>(*this, item, row, fieldNames, index, kColumns);
    return 1;
}

void CCSVTodo::ConvertPriority(CCalendar* record, CString text)
{
    // The words set the calendar-side value directly; numbers in files are
    // the store's scale.
    if (text == u"높음")
        record->Priority = 1;
    else if (text == u"중간")
        record->Priority = 2;
    else if (text == u"낮음")
        record->Priority = 3;
    else
        record->Priority = ConvertPriority_DB2Calendar(static_cast<unsigned long>(varno::ReadLeadingInt(text)));
}

void CCSVTodo::ConvertCompleted(CCalendar* record, CString text)
{
    if (m_bSubjectLayout)
        record->Completed = text == u"1.000" ? 6 : 0;
    else if (text == u"비완료")
        record->Completed = 0;
    else if (text == u"완료")
        record->Completed = 6;
    else
        record->Completed = varno::ReadLeadingInt(text);
}
