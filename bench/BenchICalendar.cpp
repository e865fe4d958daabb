// Speed of the iCalendar reader and writer on generated calendars (built in
// memory, nothing kept): N events of a desktop calendar's export, with a
// VTIMEZONE, times in that zone, in UTC and floating, all-day entries,
// alarms, folded descriptions, Korean text and a repeating entry in ten.
//   varno_bench --benchmark_filter=ICalendar
#include "host/ICalendar.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

std::string Calendar(long events)
{
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\n"
                       "BEGIN:VTIMEZONE\r\nTZID:Berlin\r\nBEGIN:STANDARD\r\nDTSTART:16011028T030000\r\n"
                       "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\n"
                       "END:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:16010325T020000\r\n"
                       "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=3\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\n"
                       "END:DAYLIGHT\r\nEND:VTIMEZONE\r\n";
    char line[256];
    for (long i = 0; i < events; ++i) {
        const int month = static_cast<int>(i % 12) + 1, day = static_cast<int>(i % 28) + 1;
        const int hour = static_cast<int>(i % 10) + 8;
        text += "BEGIN:VEVENT\r\n";
        std::snprintf(line, sizeof line, "UID:%ld@bench.example\r\nDTSTAMP:20260101T000000Z\r\n", i);
        text += line;
        switch (i % 4) {
        case 0:
            std::snprintf(line, sizeof line,
                          "DTSTART;TZID=Berlin:2026%02d%02dT%02d0000\r\nDTEND;TZID=Berlin:2026%02d%02dT%02d3000\r\n",
                          month, day, hour, month, day, hour);
            break;
        case 1:
            std::snprintf(line, sizeof line, "DTSTART:2026%02d%02dT%02d0000Z\r\nDURATION:PT45M\r\n", month, day, hour);
            break;
        case 2:
            std::snprintf(line, sizeof line, "DTSTART;VALUE=DATE:2026%02d%02d\r\nDTEND;VALUE=DATE:2026%02d%02d\r\n",
                          month, day, month, day + 1);
            break;
        default:
            std::snprintf(line, sizeof line, "DTSTART:2026%02d%02dT%02d1500\r\nDTEND:2026%02d%02dT%02d4500\r\n", month,
                          day, hour, month, day, hour);
            break;
        }
        text += line;
        std::snprintf(line, sizeof line, "SUMMARY:Meeting %ld with 김민준\\, Zoë\r\n", i);
        text += line;
        text += "DESCRIPTION:Agenda: budget\\, review\\nnext steps for the quarter and the plan\r\n"
                " ning of the offsite in spring\r\nLOCATION:Room 4.12\r\n";
        if (i % 10 == 0)
            text += "RRULE:FREQ=WEEKLY;COUNT=10\r\n";
        if (i % 3 == 0)
            text += "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n";
        text += "END:VEVENT\r\n";
    }
    return text + "END:VCALENDAR\r\n";
}

void SetZone()
{
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    tzset();
}

void BM_ReadICalendar(benchmark::State& state)
{
    SetZone();
    const std::string text = Calendar(state.range(0));
    const auto& type = *varno::host::FindRecordType("calendar");
    long rows = 0;
    for (auto _ : state) {
        varno::host::ReadICalendar(
            text, "bench.ics", type, [&](const varno::host::LayoutRow&, std::int64_t) { ++rows; },
            [](const std::string&) {});
    }
    state.SetItemsProcessed(rows);
    state.SetBytesProcessed(static_cast<std::int64_t>(text.size()) * state.iterations());
}
BENCHMARK(BM_ReadICalendar)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_WriteICalendar(benchmark::State& state)
{
    SetZone();
    const varno::host::LayoutRow row = {"Meeting with 김민준, Zoë", "2026-03-04 09:00", "2026-03-04 10:30", "0",
                                        "2026-03-04 08:45", "Agenda: budget, review\nnext steps", "Room 4.12"};
    const auto& type = *varno::host::FindRecordType("calendar");
    for (auto _ : state) {
        varno::host::ICalendarWriter writer(type);
        for (long i = 0; i < state.range(0); ++i)
            benchmark::DoNotOptimize(writer.Write(row));
    }
    state.SetItemsProcessed(state.range(0) * state.iterations());
}
BENCHMARK(BM_WriteICalendar)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
