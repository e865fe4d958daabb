// Feeds arbitrary bytes, as a file, through the CSV reader and the count of
// one of the six converters, each column mapped to the converter's field of
// the same position, so that every converter's row reading (Array2Item) and
// its date, number and party parsing see hostile cells. Nothing reaches a
// store: a count never opens it.
//
// Input: byte 0 picks the converter (byte % the number of record types) and
// the ANSI code page (byte / that number % 3: 1252, 949 or 65001), so
// Western, Korean and UTF-8 decoding are all exercised; the rest is the file.
#include "fuzz/FuzzCommon.h"
#include "fuzz/ScratchFile.h"
#include "manager/CSVMng.h"
#include "manager/CSVRecordTypes.h"
#include "platform/CodePage.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const auto types = varno::CSVRecordTypes();
    const varno::CSVRecordType& type = types[data[0] % types.size()];
    SetACP(kFuzzCodePages[data[0] / types.size() % 3]);
    ++data, --size;

    if (!InputFile().Write(data, size))
        return 0;
    const RemoveAtEnd removed{InputFile()};
    const CString path = CString::FromUtf8(InputFile().Path());

    // The plain file reader: every row it keeps lies in the table.
    const std::unique_ptr<CCSVItem> reader(type.create());
    CStringList none;
    if (reader->ImportFile(path, none, none) == CSVERR_SUCCESS &&
        reader->GetValueCount() > reader->m_nBufferSize)
        __builtin_trap();

    CStringList fields, columns;
    MapByPosition(type.layout(), path, fields, columns);
    CSVMng manager;
    long count = -1;
    if (manager.Count(type.code, count, 1, path, fields, columns, -1) == CSVERR_SUCCESS && count < 0)
        __builtin_trap();
    return 0;
}
