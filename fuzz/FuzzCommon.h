// What the file-reading fuzz targets share: a fixed time zone, so that a
// crash reproduces on any machine, the file each input is written to, and
// the mapping they hand the library.
#pragma once

#include "engine/CSVLayout.h"
#include "fuzz/ScratchFile.h"
#include "manager/CSVMng.h"

#include <cstdlib>
#include <ctime>

/// Every target that includes this runs in a zone with summer time, so that
/// the local-time conversions meet its gaps and overlaps.
extern "C" inline int LLVMFuzzerInitialize(int*, char***)
{
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    return 0;
}

/// The ANSI code pages a target picks from with a byte of its input.
inline constexpr unsigned kFuzzCodePages[] = {1252, 949, 65001};

/// The file each input is written to.
inline ScratchFile& InputFile()
{
    static ScratchFile file;
    return file;
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
