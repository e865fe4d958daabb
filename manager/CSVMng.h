// CSVMng: the entry facade a host uses to move one kind of record between the
// data store and a CSV file.
//
// Every operation creates the converter of the requested data type, calls one
// operation on it, destroys it and returns its result unchanged. The facade
// holds no state; no separator, column list or row outlives a call. All work
// runs on the caller's thread: the facade starts no thread. Its converters
// read, count and write a window of rows at a time, so memory stays bounded
// whatever the size of the file. A host that wants the windows' work
// overlapped on threads uses CSVPipelinedMng (manager/CSVPipelinedMng.h)
// for Export, Count and Import instead.
#pragma once

#include "engine/CSVItem.h"
#include "engine/CSVLayout.h"
#include "manager/varnocsvmgr_export.h"
#include "platform/CObArray.h"

/// Data-type codes; the operations take them as plain unsigned longs.
enum _en_CSVDataType {
    CSVTYPE_CONTACT = 1,
    CSVTYPE_CALENDAR = 2,
    CSVTYPE_TODO = 3,
    CSVTYPE_MEMO = 4,
    CSVTYPE_MESSAGE = 5,
    CSVTYPE_EMAIL = 6,
};

class VARNO_CSV_EXPORT CSVMng {
public:
    /// The two separator bytes a host passes to CCSVItem::SetSeparator.
    static constexpr unsigned char Comma = 0x2C;
    static constexpr unsigned char Tab = 0x09;

    /// 0 for an empty path (left unchanged); otherwise 1, with ".csv"
    /// appended unless the path already ends in ".csv" in any letter case.
    int CheckValidFilePath(CString& path);
    /// Writes every stored record of `type` to `path` (".csv" appended where
    /// missing): rows written, 0 for nothing to export, -1 for an empty path,
    /// an unknown type or a failure.
    long Export(unsigned long type, int profile, CString path);
    /// Reports in `count` how many records `path` holds, saving nothing.
    /// CSVERR_FAIL for an unknown type (count untouched).
    _en_CSVError Count(unsigned long type, long& count, int profile, CString path, CStringList& fieldNames,
                       CStringList& fileColumns, int option);
    /// Adds the records of `path` to the store; `count` receives the store's
    /// save result. CSVERR_FAIL for an unknown type (count untouched).
    _en_CSVError Import(unsigned long type, long& count, int profile, CString path, CStringList& fieldNames,
                        CStringList& fileColumns, int option, bool flag);
    /// Writes host-held contacts (type 1) or text messages (type 5) to `path`
    /// unchanged; -1 for every other type.
    long ExportFromPC(unsigned long type, int profile, CString path, CObArray* records, CObArray* groups,
                      CObArray* groupLinks);
    /// Fills `fields` with the column names of the file's header line:
    /// CSVERR_SUCCESS or CSVERR_FILEOPEN.
    _en_CSVError GetField(CString path, CStringArray& fields);

    /// The file layout of `type`'s converter (its columns and the foreign
    /// layouts its import recognises), for hosts that map columns or show
    /// records; nullptr for a type that has no converter, exactly the types
    /// for which the operations above give their no-converter result.
    [[nodiscard]] static const varno::CSVLayout* GetLayout(unsigned long type);
};
