// What the file-reading fuzz targets share: a fixed time zone, so that a
// crash reproduces on any machine, and the mapping they hand the library.
#pragma once

#include "engine/CSVLayout.h"
#include "manager/CSVMng.h"

#include <cstdlib>

/// A zone with summer time, so that the local-time conversions meet its
/// gaps and overlaps.
inline void UseFuzzTimeZone()
{
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
}

/// Pairs the k-th field of `layout` with the k-th column of the header of
/// the file at `path`, so that every column the file has is read by some
/// field whatever its name.
inline void MapByPosition(const varno::CSVLayout& layout, const CString& path, CStringList& fields,
                          CStringList& columns)
{
    CSVMng manager;
    CStringArray header;
    (void)manager.GetField(path, header);
    for (size_t i = 0; i < layout.columns.size() && i < static_cast<size_t>(header.GetSize()); ++i) {
        fields.AddTail(CString(layout.columns[i].fieldName));
        columns.AddTail(header[static_cast<int>(i)]);
    }
}
