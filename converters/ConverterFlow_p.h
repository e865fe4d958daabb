// Internal: the export and import flow that every converter shares, over
// the store collection of its record type.
//
// Export: the records are written with the converter's MakeField and one
// Make per record, in collection order, and ExportFile. Import and count:
// ImportFile reads the file, MakeIndexFileField turns the host's column
// names into header positions, and every data row becomes one new record of
// the collection (AddNew) filled by the converter's Array2Item. Both call
// the converter through its virtual operations, so one flow serves all.
#pragma once

#include "engine/CSVItem.h"
#include "platform/Progress.h"

namespace varno::detail {

/// No extra step.
struct NoStep {
    void operator()() const noexcept {}
};

/// Removes every record for which `drop(record)` holds, walking from the
/// last index down, so that a removal never shifts a record still to be
/// seen. The store is not touched.
template <class Collection, class Drop>
void DropRecords(Collection& records, Drop&& drop)
{
    for (int i = records.GetCount() - 1; i >= 0; --i)
        if (drop(*records.GetAt(i)))
            records.Delete(i);
}

/// Writes `records` to `path`: 0, with no file written and no column set,
/// when there is none; otherwise ExportFile's result (rows written, or -1).
template <class Collection>
long WriteRecords(CCSVItem& converter, const Collection& records, const CString& path)
{
    const int count = records.GetCount();
    if (count == 0)
        return 0;
    converter.MakeField();
    for (int i = 0; i < count; ++i)
        converter.Make(records.GetAt(i));
    return converter.ExportFile(path);
}

/// Reads `path` and appends one record per data row to `records`, after any
/// it already holds. `recognise` runs once the column index is built and
/// before the first record is made (a converter recognises foreign layouts
/// there); `made` runs after each record is filled (a converter counts the
/// records it adds to a host's collection there). Returns ImportFile's
/// result; on failure nothing is appended and neither step runs.
template <class Collection, class Recognise = NoStep, class Made = NoStep>
_en_CSVError ReadRecords(CCSVItem& converter, const CString& path, CStringList& fieldNames,
                         CStringList& fileColumns, Collection& records, Recognise&& recognise = {},
                         Made&& made = {})
{
    const _en_CSVError result = converter.ImportFile(path, fieldNames, fileColumns);
    if (result != CSVERR_SUCCESS)
        return result;
    CArray<int, const int&> index;
    converter.MakeIndexFileField(index, fileColumns);
    recognise();
    const int rows = converter.m_nValueCount;
    for (int row = 0; row < rows; ++row) {
        converter.Array2Item(records.AddNew(), row, fieldNames, index);
        made();
        if ((row + 1) % kProgressEvery == 0 || row + 1 == rows)
            ReportProgress(ProgressStage::Records, row + 1, rows);
    }
    return CSVERR_SUCCESS;
}

} // namespace varno::detail
