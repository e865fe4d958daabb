// Feeds arbitrary bytes, as a file, through the CSV reader and a memo count.
// The first byte picks the ANSI code page, so Western, Korean and UTF-8
// decoding are all exercised. Nothing reaches a store: a count never opens it.
#include "converters/CSVMemo.h"
#include "manager/CSVMng.h"
#include "platform/CodePage.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string TempPath()
{
    static const std::string path = "/tmp/varno-fuzz-" + std::to_string(::getpid()) + ".csv";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const unsigned codePages[] = {1252, 949, 65001};
    SetACP(codePages[data[0] % 3]);
    ++data, --size;

    const std::string path = TempPath();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    const CString widePath = CString::FromUtf8(path);

    CCSVMemo reader;
    CStringList none;
    if (reader.ImportFile(widePath, none, none) == CSVERR_SUCCESS) {
        // Every row is stored, and the table stays consistent.
        if (reader.GetValueCount() > reader.m_nBufferSize)
            __builtin_trap();
    }

    CSVMng manager;
    CStringArray header;
    (void)manager.GetField(widePath, header);
    CStringList fields{u"memo", u"color"};
    CStringList columns;
    for (int i = 0; i < header.GetSize() && i < 2; ++i)
        columns.AddTail(header[i]);
    long count = -1;
    (void)manager.Count(CSVTYPE_MEMO, count, 1, widePath, fields, columns, -1);
    return 0;
}
