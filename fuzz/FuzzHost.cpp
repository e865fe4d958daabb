// Feeds arbitrary bytes, as a file, through the host's reading: the checks,
// the guesses at code page, UTF-16 form and header, the mapping of other
// programs' layouts and the read plan with its date and telephone readers,
// as a preview of the first records and a count. Nothing reaches a store:
// neither opens one. A refusal is an outcome; any other failure traps.
//
// Input: byte 0 picks the record type (byte % the number of types), the
// ANSI code page (byte / that number % 3) and the locale of dates (byte / 32
// % 3: en_US, de_DE, ko_KR); byte 1 bit 0 reads the file as having no header
// and bit 1 asks for --strict; the rest is the file.
#include "fuzz/FuzzCommon.h"
#include "host/Session.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    static const char* const locales[] = {"en_US", "de_DE", "ko_KR"};
    const auto types = varno::host::RecordTypes();
    const varno::host::RecordType& type = types[data[0] % types.size()];
    SetACP(kFuzzCodePages[data[0] / types.size() % 3]);
    varno::SetUserLocale(locales[data[0] / 32 % 3]);
    varno::host::ReadRequest request{InputFile().Path(), {}, (data[1] & 2) != 0, (data[1] & 1) != 0};
    data += 2, size -= 2;

    if (!InputFile().Write(data, size))
        return 0;
    const RemoveAtEnd removed{InputFile()};
    varno::host::Session session({1, 65001, [](const std::string&) {}});
    try {
        const varno::host::Preview preview = session.MakePreview(type, request, 3);
        if (preview.rows < static_cast<long long>(preview.records.size()))
            __builtin_trap();
    } catch (const varno::host::Error&) {
    }
    try {
        if (session.Count(type, request) < 0)
            __builtin_trap();
    } catch (const varno::host::Error&) {
    }
    return 0;
}
