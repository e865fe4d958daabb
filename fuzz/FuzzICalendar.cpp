// Feeds arbitrary bytes through the iCalendar reader as a calendar (byte 0
// even) or a to-do list (odd), and every row it gives back through the
// writer and the reader again. A refusal is an outcome; a row with another
// number of cells than the layout's columns, a written row that the reader
// refuses, or a count that differs from the rows read (or that accepts a
// file whose structure the reader refuses) traps.
#include "fuzz/FuzzCommon.h" // the fixed zone with summer time
#include "host/ICalendar.h"
#include "host/Session.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const varno::host::RecordType& type = *varno::host::FindRecordType(data[0] % 2 ? "todo" : "calendar");
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t columns = type.layout().columns.size();
    varno::host::ICalendarWriter writer(type);
    std::string written = writer.Begin();
    const auto ignore = [](const std::string&) {};
    long long counted = -1;
    try {
        counted = varno::host::CountICalendar(text, "fuzz.ics", type);
    } catch (const varno::host::Error&) {
    }
    long long rows = 0;
    try {
        varno::host::ReadICalendar(
            text, "fuzz.ics", type,
            [&](const varno::host::LayoutRow& row, std::int64_t) {
                if (row.size() != columns)
                    __builtin_trap();
                ++rows;
                written += writer.Write(row);
            },
            ignore);
    } catch (const varno::host::Error&) {
        return 0;
    }
    if (counted != rows)
        __builtin_trap();
    written += writer.End();
    try {
        varno::host::ReadICalendar(written, "written.ics", type, [](const varno::host::LayoutRow&, std::int64_t) {},
                                   ignore);
    } catch (const varno::host::Error&) {
        __builtin_trap();
    }
    return 0;
}
