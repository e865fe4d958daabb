// Internal: the export, count and import flow shared by the memo, to-do and
// calendar converters. The three kinds live in one store collection,
// CCalendars, told apart by a calendar type code.
#pragma once

#include "engine/CSVItem.h"
#include "store/Calendars.h"

#include <functional>

namespace varno::detail {

/// Store calendar type codes.
enum CalendarTypeCode : unsigned char { kCalendarEntry = 1, kTodoItem = 2, kMemo = 3 };

/// Opens the profile's records of `calendarType`, leaves out those marked
/// deleted (in the collection only; the store keeps them), and writes the
/// rest with the converter's MakeField/Make: -1 when the store cannot be
/// read, 0 (no file) when nothing is left, else ExportFile's result.
long ExportCalendarFamily(CCSVItem& converter, int profile, unsigned char calendarType, const CString& path);

/// Reads `path` and makes one record per data row in `records` (AddNew, then
/// the converter's Array2Item). `recognise` runs after the column index is
/// built and before the records are made. Returns ImportFile's result.
_en_CSVError ReadCalendarFamily(CCSVItem& converter, const CString& path, CStringList& fieldNames,
                                CStringList& fileColumns, CCalendars& records,
                                const std::function<void()>& recognise = {});

} // namespace varno::detail
