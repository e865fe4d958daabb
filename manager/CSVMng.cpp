#include "manager/CSVMng.h"

#include "converters/CSVContact.h"
#include "converters/CSVMessage.h"
#include "manager/CSVRecordTypes.h"
#include "manager/Facade_p.h"
#include "store/History.h"

#include <memory>
#include <new>
#include <utility>

namespace {

// The rows a converter created by the facade holds at once: its import,
// count or export then needs memory for a window of rows, not for the whole
// file. Pipelined, two windows are in work at a time (one read or loaded
// while the one before is made into records or rows, and saved or written),
// so a window stays small: 4,096 rows took 77 MB at the peak of a
// 100,000-contact import where 2,048 take 55 MB.
constexpr int kRowWindow = 2048;

} // namespace

namespace varno::detail {

std::unique_ptr<CCSVItem> Facade::Create(unsigned long type) const
{
    // The record-type list is the one place that says which data types
    // have a converter; a type it does not hold selects none.
    const CSVRecordType* entry = FindCSVRecordType(type);
    std::unique_ptr<CCSVItem> converter(entry ? entry->create() : nullptr);
    if (converter)
        converter->SetRowWindow(kRowWindow, pipelined);
    return converter;
}

long Facade::Export(unsigned long type, int profile, CString path) const
{
    if (CSVMng().CheckValidFilePath(path) == 0)
        return -1;
    std::unique_ptr<CCSVItem> converter = Create(type);
    if (!converter)
        return -1;
    return converter->Export(profile, std::move(path));
}

_en_CSVError Facade::Count(unsigned long type, long& count, int profile, CString path, CStringList& fieldNames,
                           CStringList& fileColumns, int option) const
{
    std::unique_ptr<CCSVItem> converter = Create(type);
    if (!converter)
        return CSVERR_FAIL;
    return converter->Count(count, profile, std::move(path), fieldNames, fileColumns, option);
}

_en_CSVError Facade::Import(unsigned long type, long& count, int profile, CString path, CStringList& fieldNames,
                            CStringList& fileColumns, int option, bool flag) const
{
    std::unique_ptr<CCSVItem> converter = Create(type);
    if (!converter)
        return CSVERR_FAIL;
    // The import is recorded in the store's history by its own saves, each
    // in its transaction: the facade cannot see those transactions (a
    // contact import saves its contacts, then each new group, then the
    // links), so it names the import for the store to record. A host that
    // recorded it already under its own name for the file keeps that.
    const varno::CSVRecordType* entry = varno::FindCSVRecordType(type);
    const varno::store::ImportRecording recording({path.ToUtf8(),
                                                   entry ? std::string(entry->name) : std::to_string(type), profile,
                                                   varno::store::MappingText(fieldNames, fileColumns)});
    return converter->Import(count, profile, std::move(path), fieldNames, fileColumns, option, flag);
}

} // namespace varno::detail

const varno::CSVLayout* CSVMng::GetLayout(unsigned long type)
{
    const varno::CSVRecordType* entry = varno::FindCSVRecordType(type);
    return entry ? &entry->layout() : nullptr;
}

int CSVMng::CheckValidFilePath(CString& path)
{
    if (path.IsEmpty())
        return 0;
    if (path.GetLength() < 4 || path.Right(4).CompareNoCase(u".csv") != 0)
        path += u".csv";
    return 1;
}

long CSVMng::Export(unsigned long type, int profile, CString path)
{
    return varno::detail::Facade{}.Export(type, profile, std::move(path));
}

_en_CSVError CSVMng::Count(unsigned long type, long& count, int profile, CString path, CStringList& fieldNames,
                           CStringList& fileColumns, int option)
{
    return varno::detail::Facade{}.Count(type, count, profile, std::move(path), fieldNames, fileColumns, option);
}

_en_CSVError CSVMng::Import(unsigned long type, long& count, int profile, CString path, CStringList& fieldNames,
                            CStringList& fileColumns, int option, bool flag)
{
    return varno::detail::Facade{}.Import(type, count, profile, std::move(path), fieldNames, fileColumns, option,
                                          flag);
}

long CSVMng::ExportFromPC(unsigned long type, int profile, CString path, CObArray* records, CObArray* groups,
                          CObArray* groupLinks)
{
    // Only the contact and text-message converters export host-held
    // records; every other type, valid for Export or not, gets -1. The path
    // goes to the converter as given.
    if (type == CSVTYPE_CONTACT) {
        const std::unique_ptr<CCSVItem> converter = varno::detail::Facade{}.Create(type);
        auto* contacts = dynamic_cast<CCSVContact*>(converter.get());
        return contacts ? contacts->ExportFromPC(profile, path, records, groups, groupLinks) : -1;
    }
    if (type == CSVTYPE_MESSAGE) {
        const std::unique_ptr<CCSVItem> converter = varno::detail::Facade{}.Create(type);
        auto* messages = dynamic_cast<CCSVMessage*>(converter.get());
        return messages ? messages->ExportFromPC(profile, path, records) : -1;
    }
    return -1;
}

_en_CSVError CSVMng::GetField(CString path, CStringArray& fields)
{
    // Only the base operation is called, so any converter serves.
    std::unique_ptr<CCSVItem> converter(new (std::nothrow) CCSVContact());
    if (!converter)
        return CSVERR_FAIL;
    return converter->GetField(path, fields);
}
