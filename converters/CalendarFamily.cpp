#include "converters/CalendarFamily.h"

#include "platform/Progress.h"

namespace varno::detail {

long ExportCalendarFamily(CCSVItem& converter, int profile, unsigned char calendarType, const CString& path)
{
    CCalendars records;
    if (records.OpenFromDB(profile, calendarType, 1) < 0)
        return -1;
    // Backwards, so that a removal never shifts a record still to be seen.
    for (int i = records.GetCount() - 1; i >= 0; --i)
        if (records.GetAt(i)->DeletedMark == 1)
            records.Delete(i);
    if (records.GetCount() == 0)
        return 0;
    converter.MakeField();
    for (int i = 0; i < records.GetCount(); ++i)
        converter.Make(records.GetAt(i));
    return converter.ExportFile(path);
}

_en_CSVError ReadCalendarFamily(CCSVItem& converter, const CString& path, CStringList& fieldNames,
                                CStringList& fileColumns, CCalendars& records,
                                const std::function<void()>& recognise)
{
    _en_CSVError result = converter.ImportFile(path, fieldNames, fileColumns);
    if (result != CSVERR_SUCCESS)
        return result;
    CArray<int, const int&> index;
    converter.MakeIndexFileField(index, fileColumns);
    if (recognise)
        recognise();
    const int rows = converter.m_nValueCount;
    for (int row = 0; row < rows; ++row) {
        converter.Array2Item(records.AddNew(), row, fieldNames, index);
        if ((row + 1) % varno::kProgressEvery == 0 || row + 1 == rows)
            varno::ReportProgress(varno::ProgressStage::Records, row + 1, rows);
    }
    return CSVERR_SUCCESS;
}

} // namespace varno::detail
