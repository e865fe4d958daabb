// iCalendar files of other programs and of RFC 5545 read into rows of the
// own layout, the moments those rows stand for as the library's import reads
// them in three locales and two zones, hostile files refused, and rows
// written and read back unchanged.
#include "converters/CSVCalendar.h"
#include "host/ICalendar.h"
#include "host/Session.h"
#include "tests/host/HostTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <libical/ical.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>

namespace varno::test {
namespace {

using host::LayoutRow;

const host::RecordType& Type(std::string_view name) { return *host::FindRecordType(name); }

struct Read {
    std::vector<LayoutRow> rows;
    std::vector<std::int64_t> lines;
    std::string notes, error;
};

Read ReadText(const std::string& text, std::string_view type)
{
    Read read;
    try {
        host::ReadICalendar(
            text, "cal.ics", Type(type),
            [&](const LayoutRow& row, std::int64_t line) { read.rows.push_back(row), read.lines.push_back(line); },
            [&](const std::string& note) { read.notes += note + "\n"; });
    } catch (const host::Error& error) {
        read.error = error.what();
    }
    return read;
}

/// Lines joined with CR LF, as calendar programs write them.
std::string Ics(std::initializer_list<std::string_view> lines)
{
    std::string text;
    for (std::string_view line : lines)
        text.append(line).append("\r\n");
    return text;
}

constexpr const char* kNewYork = "EST5EDT,M3.2.0,M11.1.0";
constexpr const char* kSeoul = "KST-9";

struct FileCase {
    const char* what;
    const char* type;
    std::string text;
    std::vector<LayoutRow> rows; // in New York
    std::vector<std::int64_t> lines;
    std::vector<const char*> notes;
};

const std::vector<FileCase>& Files()
{
    static const std::vector<FileCase> files = {
        {"a desktop calendar's export with its own zone definition", "calendar",
         Ics({"BEGIN:VCALENDAR", "PRODID:-//Example Corp.//Desktop Calendar 16.0//EN", "VERSION:2.0",
              "METHOD:PUBLISH", "BEGIN:VTIMEZONE", "TZID:W. Europe Standard Time", "BEGIN:STANDARD",
              "DTSTART:16011028T030000", "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10", "TZOFFSETFROM:+0200",
              "TZOFFSETTO:+0100", "END:STANDARD", "BEGIN:DAYLIGHT", "DTSTART:16010325T020000",
              "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=3", "TZOFFSETFROM:+0100", "TZOFFSETTO:+0200", "END:DAYLIGHT",
              "END:VTIMEZONE", "BEGIN:VEVENT", "UID:040000008200E00074C5B7101A82E008", "SUMMARY:Budget review",
              "DTSTART;TZID=\"W. Europe Standard Time\":20260304T090000",
              "DTEND;TZID=\"W. Europe Standard Time\":20260304T103000", "DESCRIPTION:Q1 numbers\\, \"draft\" ver",
              " sion\\nsecond line", "LOCATION:Raum 4.12", "X-MICROSOFT-CDO-BUSYSTATUS:BUSY", "BEGIN:VALARM",
              "TRIGGER:-PT15M", "ACTION:DISPLAY", "DESCRIPTION:Reminder", "END:VALARM", "END:VEVENT",
              "BEGIN:VEVENT", "UID:2", "SUMMARY:Sommerfest bei Jürgen", "DTSTART;TZID=W. Europe Standard Time:",
              " 20260715T140000", "DURATION:PT3H", "END:VEVENT", "END:VCALENDAR"}),
         {{"Budget review", "2026-03-04 03:00", "2026-03-04 04:30", "0", "2026-03-04 02:45",
           "Q1 numbers, \"draft\" version\nsecond line", "Raum 4.12"},
          {"Sommerfest bei Jürgen", "2026-07-15 08:00", "2026-07-15 11:00", "0", "", "", ""}},
         {20, 35},
         {"no place for them (in how many entries): X-MICROSOFT-CDO-BUSYSTATUS (1)"}},
        {"a web calendar's export in UTC, a repeating entry and another program's to-do", "calendar",
         Ics({"BEGIN:VCALENDAR", "PRODID:-//Web Calendar//EN", "VERSION:2.0", "X-WR-TIMEZONE:Asia/Seoul",
              "BEGIN:VEVENT", "DTSTART:20260304T140000Z", "DTEND:20260304T150000Z", "RRULE:FREQ=WEEKLY;COUNT=4",
              "DTSTAMP:20260101T000000Z", "UID:abc123@web.example", "CLASS:PRIVATE", "SUMMARY:박지은 1:1",
              "CATEGORIES:Work", "TRANSP:OPAQUE", "BEGIN:VALARM", "ACTION:EMAIL", "TRIGGER;RELATED=END:PT5M",
              "END:VALARM", "BEGIN:VALARM", "ACTION:DISPLAY", "TRIGGER:-P1D", "END:VALARM", "END:VEVENT",
              "BEGIN:VEVENT", "UID:abc123@web.example", "RECURRENCE-ID:20260311T140000Z",
              "DTSTART:20260311T150000Z", "SUMMARY:moved", "END:VEVENT", "BEGIN:VTODO", "SUMMARY:x", "END:VTODO",
              "END:VCALENDAR"}),
         {{"박지은 1:1", "2026-03-04 09:00", "2026-03-04 10:00", "0", "2026-03-04 10:05", "", ""}},
         {5},
         {"cal.ics: not imported, as they are not calendar entries: 1 VTODO",
          "cal.ics, line 5: a repeating entry: only its first occurrence (DTSTART) is imported",
          "cal.ics, line 24: a changed occurrence of a repeating entry (RECURRENCE-ID) is not imported",
          "CATEGORIES (1), CLASS (1), TRANSP (1), VALARM (1)"}},
        {"all-day entries: several days, one day without an end, in a zone named but not defined", "calendar",
         Ics({"BEGIN:VCALENDAR", "VERSION:2.0", "BEGIN:VEVENT", "SUMMARY:Team offsite",
              "DTSTART;VALUE=DATE:20260513", "DTEND;VALUE=DATE:20260516", "BEGIN:VALARM",
              "TRIGGER;VALUE=DATE-TIME:20260512T180000Z", "ACTION:DISPLAY", "END:VALARM", "END:VEVENT",
              "BEGIN:VEVENT", "SUMMARY:Public holiday", "DTSTART;VALUE=DATE:20261225", "END:VEVENT",
              "BEGIN:VEVENT", "SUMMARY:Call Seoul", "DTSTART;TZID=Asia/Seoul:20260105T090000", "END:VEVENT",
              "END:VCALENDAR"}),
         {{"Team offsite", "2026-05-13 00:00", "2026-05-15 00:00", "1", "2026-05-12 14:00", "", ""},
          {"Public holiday", "2026-12-25 00:00", "2026-12-25 00:00", "1", "", "", ""},
          {"Call Seoul", "2026-01-04 19:00", "2026-01-04 19:00", "0", "", "", ""}},
         {3, 12, 16},
         {}},
        {"a time in the hour the clock change repeats, which local time cannot tell apart", "calendar",
         Ics({"BEGIN:VCALENDAR", "VERSION:2.0", "BEGIN:VEVENT", "SUMMARY:Late", "DTSTART:20261101T053000Z",
              "DTEND:20261101T063000Z", "END:VEVENT", "END:VCALENDAR"}),
         {{"Late", "2026-11-01 01:30", "2026-11-01 01:30", "0", "", "", ""}},
         {3},
         // Local2Utc reads a repeated 01:30 as the later instant, standard time.
         {"cal.ics, line 3: DTSTART falls in the hour the clock change repeats; the layout holds local time, which "
          "import stores as the later of its two instants (2026-11-01 05:30 UTC, held as 2026-11-01 01:30, stored as "
          "2026-11-01 06:30 UTC)"}},
        {"a to-do list's export", "todo",
         Ics({"BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//Tasks App//EN", "BEGIN:VTODO", "UID:t1",
              "SUMMARY:Steuererklärung abgeben", "DTSTART:20260401T080000Z", "DUE;TZID=Asia/Seoul:20260430T180000",
              "PRIORITY:1", "STATUS:COMPLETED", "COMPLETED:20260420T100000Z", "END:VTODO", "BEGIN:VTODO",
              "UID:t2", "SUMMARY:Reifen wechseln", "DUE;VALUE=DATE:20261015", "PRIORITY:7",
              "PERCENT-COMPLETE:40", "DESCRIPTION:Winterreifen im Keller", "END:VTODO", "BEGIN:VTODO", "UID:t3",
              "SUMMARY:Call Min-jun", "PRIORITY:5", "PERCENT-COMPLETE:100", "LOCATION:Office", "END:VTODO",
              "BEGIN:VEVENT", "SUMMARY:y", "END:VEVENT", "END:VCALENDAR"}),
         {{"Steuererklärung abgeben", "2026-04-01 04:00", "2026-04-30 05:00", "", "6", "1"},
          {"Reifen wechseln", "", "2026-10-15 00:00", "Winterreifen im Keller", "0", "7"},
          {"Call Min-jun", "", "", "", "6", "5"}},
         {4, 13, 21},
         {"cal.ics: not imported, as they are not to-do items: 1 VEVENT",
          "cal.ics, line 13: partly done (PERCENT-COMPLETE): stored as open", "LOCATION (1)"}},
        // RFC 5545, 3.6.1, 3.6.2 and 4: a private review, a yearly
        // anniversary, the tax-return to-do, and the project review in New
        // York with its time zone and an alarm relative to the end.
        {"the examples of RFC 5545", "calendar",
         Ics({"BEGIN:VCALENDAR", "PRODID:-//xyz Corp//NONSGML PDA Calendar Version 1.0//EN", "VERSION:2.0",
              "BEGIN:VTIMEZONE", "TZID:America/New_York", "BEGIN:STANDARD", "DTSTART:19981025T020000",
              "TZOFFSETFROM:-0400", "TZOFFSETTO:-0500", "TZNAME:EST", "END:STANDARD", "BEGIN:DAYLIGHT",
              "DTSTART:19990404T020000", "TZOFFSETFROM:-0500", "TZOFFSETTO:-0400", "TZNAME:EDT", "END:DAYLIGHT",
              "END:VTIMEZONE", "BEGIN:VEVENT", "UID:19970901T130000Z-123401@example.com",
              "DTSTAMP:19970901T130000Z", "DTSTART:19970903T163000Z", "DTEND:19970903T190000Z",
              "SUMMARY:Annual Employee Review", "CLASS:PRIVATE", "CATEGORIES:BUSINESS,HUMAN RESOURCES",
              "END:VEVENT", "BEGIN:VEVENT", "UID:19970901T130000Z-123403@example.com", "DTSTAMP:19970901T130000Z",
              "DTSTART;VALUE=DATE:19971102", "SUMMARY:Our Blissful Anniversary", "TRANSP:TRANSPARENT",
              "CLASS:CONFIDENTIAL", "CATEGORIES:ANNIVERSARY,PERSONAL,SPECIAL OCCASION", "RRULE:FREQ=YEARLY",
              "END:VEVENT", "BEGIN:VTODO", "UID:20070313T123432Z-456553@example.com", "DTSTAMP:20070313T123432Z",
              "DUE;VALUE=DATE:20070501", "SUMMARY:Submit Quebec Income Tax Return for 2006",
              "CLASS:CONFIDENTIAL", "CATEGORIES:FAMILY,FINANCE", "STATUS:NEEDS-ACTION", "END:VTODO",
              "BEGIN:VEVENT", "DTSTAMP:19980309T231000Z", "UID:guid-1.example.com", "ORGANIZER:mailto:mrbig@example.com",
              "ATTENDEE;RSVP=TRUE;ROLE=REQ-PARTICIPANT;CUTYPE=GROUP:", " mailto:employee-A@example.com",
              "DESCRIPTION:Project XYZ Review Meeting", "CATEGORIES:MEETING", "CLASS:PUBLIC",
              "CREATED:19980309T130000Z", "SUMMARY:XYZ Project Review",
              "DTSTART;TZID=America/New_York:19980312T083000", "DTEND;TZID=America/New_York:19980312T093000",
              "LOCATION:1CP Conference Room 4350", "BEGIN:VALARM", "ACTION:AUDIO", "TRIGGER;RELATED=END:-PT5M",
              "END:VALARM", "END:VEVENT", "END:VCALENDAR"}),
         {{"Annual Employee Review", "1997-09-03 12:30", "1997-09-03 15:00", "0", "", "", ""},
          {"Our Blissful Anniversary", "1997-11-02 00:00", "1997-11-02 00:00", "1", "", "", ""},
          {"XYZ Project Review", "1998-03-12 08:30", "1998-03-12 09:30", "0", "1998-03-12 09:25",
           "Project XYZ Review Meeting", "1CP Conference Room 4350"}},
         {19, 28, 47},
         {"ATTENDEE (1), CATEGORIES (3), CLASS (3), ORGANIZER (1), TRANSP (1)", "1 VTODO"}},
        {"the file's own definition of a zone libical also knows, below the entry that uses it", "calendar",
         Ics({"BEGIN:VCALENDAR", "VERSION:2.0", "BEGIN:VEVENT", "DTSTART;TZID=Asia/Seoul:20260105T090000",
              "END:VEVENT", "BEGIN:VTIMEZONE", "TZID:Asia/Seoul", "BEGIN:STANDARD", "DTSTART:19700101T000000",
              "TZOFFSETFROM:+0300", "TZOFFSETTO:+0300", "END:STANDARD", "END:VTIMEZONE", "END:VCALENDAR"}),
         {{"", "2026-01-05 01:00", "2026-01-05 01:00", "0", "", "", ""}},
         {3},
         {}},
    };
    return files;
}

TEST(ICalendarTest, FilesOfOtherProgramsGiveTheRowsMeant)
{
    const TimeZoneGuard zone(kNewYork);
    for (const FileCase& file : Files()) {
        SCOPED_TRACE(file.what);
        const Read read = ReadText(file.text, file.type);
        ASSERT_EQ(read.error, "");
        EXPECT_EQ(read.rows, file.rows);
        EXPECT_EQ(read.lines, file.lines);
        for (const char* note : file.notes)
            EXPECT_NE(read.notes.find(note), std::string::npos) << note << "\nin\n" << read.notes;
    }
}

// The cells stand for the same instants wherever they are read: each date
// cell, read by the library's own date reader in the locale and zone of the
// reading, gives the UTC instant the file meant.
TEST(ICalendarTest, CellsStoreTheMomentMeantInEveryLocaleAndZone)
{
    const std::string text = Files()[0].text + Files()[1].text;
    struct Meant {
        std::size_t row, column;
        std::array<int, 6> utc;
    };
    const Meant meant[] = {{0, 1, {2026, 3, 4, 8, 0, 0}},   {0, 2, {2026, 3, 4, 9, 30, 0}},
                           {0, 4, {2026, 3, 4, 7, 45, 0}},  {1, 1, {2026, 7, 15, 12, 0, 0}},
                           {1, 2, {2026, 7, 15, 15, 0, 0}}, {2, 1, {2026, 3, 4, 14, 0, 0}}};
    for (const char* tz : {kNewYork, kSeoul}) {
        const TimeZoneGuard zone(tz);
        const Read read = ReadText(text, "calendar");
        ASSERT_EQ(read.rows.size(), 3u) << read.error;
        for (const char* locale : {"en_US", "de_DE", "ko_KR"}) {
            const UserLocaleGuard guard(locale);
            CCSVCalendar calendar;
            for (const Meant& m : meant) {
                const std::string& cell = read.rows[m.row][m.column];
                const COleDateTime stored = calendar.String2OLEDate(U8(cell), CString());
                const auto [y, mo, d, h, mi, s] = m.utc;
                EXPECT_EQ(stored, COleDateTime(y, mo, d, h, mi, s)) << tz << " " << locale << " " << cell;
            }
        }
    }
}

struct HostileCase {
    std::string text;
    const char* error; // how the refusal begins
};

/// Files the reader refuses as calendar entries.
const std::vector<HostileCase>& HostileFiles()
{
    static const std::vector<HostileCase> cases = [] {
        const std::string head = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\n";
        const std::string tail = "END:VEVENT\r\nEND:VCALENDAR\r\n";
        std::string folded = "SUMMARY:x", far = head;
        for (int i = 0; i < 6000; ++i)
            folded += "\r\n " + std::string(60, 'a');
        for (int i = 0; i < 1000; ++i) // 100 KiB: past the first block checked
            far += "COMMENT:" + std::string(98, 'a') + "\r\n";
        return std::vector<HostileCase>{
            {"", "cal.ics, line 1: no BEGIN:VCALENDAR"},
            {"Subject,Start Date\r\nx,y\r\n", "cal.ics, line 1: text outside BEGIN:VCALENDAR"},
            {"BEGIN:VCARD\r\nEND:VCARD\r\n", "cal.ics, line 1: BEGIN:VCARD outside a calendar"},
            {head + "SUMMARY:cut short\r\n", "cal.ics, line 3: BEGIN:VEVENT is never closed"},
            {head + "END:VTODO\r\nEND:VCALENDAR\r\n", "cal.ics, line 4: END:VTODO does not close BEGIN:VEVENT of line 3"},
            {head + "SUMMARY:M\xFCller\r\n" + tail, "cal.ics, line 4: bytes that are not UTF-8"},
            {head + std::string("SUMMARY:a\0b\r\n", 14) + tail, "cal.ics, line 4: a NUL byte"},
            {far + "DESCRIPTION:a\r\n b\r\nSUMMARY:M\xFCller\r\n" + tail, "cal.ics, line 1006: bytes that are not UTF-8"},
            {head + folded + "\r\n" + tail, "cal.ics, line 4: a line of 360009 octets once unfolded (SUMMARY)"},
            {head + "DTSTART;TZID=Mars/Olympus:20260101T100000\r\n" + tail,
             "cal.ics, line 3: the time zone \"Mars/Olympus\" is neither defined in the file"},
            {"BEGIN:VCALENDAR\r\nVERSION:1.0\r\nEND:VCALENDAR\r\n", "cal.ics, line 2: VERSION:1.0"},
            {"BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN;X=1:VEVENT\r\n" + tail, "cal.ics, line 3: \"BEGIN;X=1:VEVENT\" is not a BEGIN:NAME or END:NAME line"},
            {head + "BEGIN:A\r\nBEGIN:B\r\nBEGIN:C\r\nBEGIN:D\r\nBEGIN:E\r\nBEGIN:F\r\nBEGIN:G\r\n",
             "cal.ics, line 10: components nested more than 8 deep"},
            // A zone rule libical would expand hour by hour from 1601 at every
            // conversion (seconds per time for 500 bytes): refused at once.
            {"BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTIMEZONE\r\nTZID:Z\r\nBEGIN:STANDARD\r\n"
             "DTSTART:16011028T030000\r\nRRULE:FREQ=HOURLY;BYMONTH=10\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\n"
             "END:STANDARD\r\nEND:VTIMEZONE\r\nBEGIN:VEVENT\r\nDTSTART;TZID=Z:20260304T090000\r\n" + tail,
             "cal.ics, line 3: the time zone \"Z\" has a rule that changes its offset more often than once a year"},
        };
    }();
    return cases;
}

TEST(ICalendarTest, HostileFilesAreRefusedNamingFileLineAndCause)
{
    for (const HostileCase& c : HostileFiles()) {
        const Read read = ReadText(c.text, "calendar");
        EXPECT_EQ(read.error.rfind(c.error, 0), 0u) << c.error << "\ngot: " << read.error;
    }
    // A bad value in every entry is one note, with the first of them.
    const Read many = ReadText(Ics({"BEGIN:VCALENDAR", "VERSION:2.0", "BEGIN:VEVENT", "DTSTART:soon", "END:VEVENT",
                                    "BEGIN:VEVENT", "DTSTART:later", "END:VEVENT", "END:VCALENDAR"}),
                               "calendar");
    EXPECT_NE(many.notes.find("cal.ics, lines 3, 6: DTSTART is not a date or time iCalendar writes: left empty (the "
                              "first: \"soon\")\n"),
              std::string::npos)
        << many.notes;
    EXPECT_EQ(many.notes.find("later"), std::string::npos) << many.notes;
}

// The values as other programs write them, each in an entry of its own:
// the row it gives (in New York) and what is said of it.
TEST(ICalendarTest, ValuesAreReadInTheFormsProgramsWriteThem)
{
    const TimeZoneGuard zone(kNewYork);
    std::string attach = "ATTACH;ENCODING=BASE64;VALUE=BINARY:";
    for (int i = 0; i < 6000; ++i)
        attach += std::string(60, 'A') + "\r\n ";
    const struct {
        const char* type;
        std::vector<std::string_view> lines;
        LayoutRow row;
        std::vector<const char*> notes; // none: nothing is said
    } cases[] = {
        {"calendar", {"summary:lower case", "dtstart;tzid=Asia/Seoul:20260105T090000", "dtend;value=date-time:20260105T150000z"},
         {"lower case", "2026-01-04 19:00", "2026-01-05 10:00", "0", "", "", ""}, {}},
        {"calendar", {"SUMMARY;LANGUAGE=en:q", "DTSTART;X-A=\"a:b;c\";TZID=\"Asia/Seoul\":20260105T090000"},
         {"q", "2026-01-04 19:00", "2026-01-04 19:00", "0", "", "", ""}, {}},
        {"calendar", {"SUMMARY:a\\,b\\;c\\\\d\\Ne\\x end\\", "DTSTART:20260304T100000Z", "DURATION:P1W"},
         {"a,b;c\\d\nex end\\", "2026-03-04 05:00", "2026-03-11 06:00", "0", "", "", ""}, {}},
        {"calendar", {"SUMMARY:s", "DTSTART:20260304T100000Z", "DURATION:P1DT1H30M15S", "BEGIN:VALARM",
                      "ACTION:DISPLAY", "TRIGGER;RELATED=END:-P1DT2H", "END:VALARM"},
         {"s", "2026-03-04 05:00", "2026-03-05 06:30:15", "0", "2026-03-04 04:30:15", "", ""}, {}},
        {"calendar", {"SUMMARY:s", "DTSTART:20260304T100000Z", "BEGIN:VALARM", "TRIGGER:20260304T090000Z",
                      "END:VALARM", "BEGIN:VALARM", "TRIGGER:-PT1H", "END:VALARM"},
         {"s", "2026-03-04 05:00", "2026-03-04 05:00", "0", "2026-03-04 04:00", "", ""}, {"VALARM (1)"}},
        {"calendar", {"SUMMARY:first", "SUMMARY:second", "DTSTART:20260304", "DURATION:P2D"},
         {"first", "2026-03-04 00:00", "2026-03-05 00:00", "1", "", "", ""}, {"a second SUMMARY (1)"}},
        {"calendar", {"SUMMARY:s", "JUNK LINE", "DTSTART:20260304T10:00:00Z"},
         {"s", "", "", "0", "", "", ""}, {"a line that is not NAME:VALUE is left out (\"JUNK LINE\")"}},
        {"calendar", {"SUMMARY:s", "DTSTART:20260304T100000Z", "DURATION:one hour"},
         {"s", "2026-03-04 05:00", "2026-03-04 05:00", "0", "", "", ""}, {"a DURATION that cannot be read"}},
        {"calendar", {"DTSTART:20260304T100000Z", "BEGIN:VALARM", "TRIGGER:soon", "END:VALARM"},
         {"", "2026-03-04 05:00", "2026-03-04 05:00", "0", "", "", ""}, {"an alarm's TRIGGER that cannot be read"}},
        {"todo", {"SUMMARY:t", "status:completed", "PRIORITY:high", "DUE:20260401T120000Z"},
         {"t", "", "2026-04-01 08:00", "", "6", "0"}, {"a PRIORITY that is not a number from 0 to 9"}},
        {"todo", {"SUMMARY:t", "PERCENT-COMPLETE:half", "PRIORITY:+3", "X-VARNO-COMPLETED:3", "BEGIN:VALARM",
                  "TRIGGER:-PT1H", "END:VALARM"},
         {"t", "", "", "", "3", "3"}, {"VALARM (1)"}},
        // What costs only a value the layout does not hold is read, and said.
        {"calendar", {"SUMMARY:kept", "DTEND:garbage", "DTSTART:20261301T000000", attach},
         {"kept", "", "", "0", "", "", ""},
         {"line 7: a line of more than 256 KiB (ATTACH) is left out",
          "line 3: DTEND is not a date or time iCalendar writes: left empty (\"garbage\")",
          "line 3: DTSTART is not a date the store holds: left empty"}},
    };
    for (const auto& c : cases) {
        const std::string kind = std::string(c.type) == "todo" ? "VTODO" : "VEVENT";
        std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:" + kind + "\r\n";
        for (std::string_view line : c.lines)
            text.append(line).append("\r\n");
        text += "END:" + kind + "\r\nEND:VCALENDAR\r\n";
        SCOPED_TRACE(text.substr(0, 300));
        const Read read = ReadText(text, c.type);
        ASSERT_EQ(read.error, "");
        ASSERT_EQ(read.rows.size(), 1u);
        EXPECT_EQ(read.rows[0], c.row);
        for (const char* note : c.notes)
            EXPECT_NE(read.notes.find(note), std::string::npos) << note << "\nin\n" << read.notes;
        if (c.notes.empty()) {
            EXPECT_EQ(read.notes, "");
        }
    }
}

// Every twenty minutes through the days around both clock changes of a
// year: each time becomes the local time Utc2Local gives, whether the
// reader converts it by the day's offset or through the C library.
TEST(ICalendarTest, TimesAroundClockChangesBecomeTheLocalTimesOfTheZone)
{
    const TimeZoneGuard zone(kNewYork);
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    std::vector<std::string> meant;
    for (const COleDateTime first : {COleDateTime(2026, 3, 6, 0, 0, 0), COleDateTime(2026, 10, 30, 0, 0, 0)}) {
        for (int step = 0; step < 4 * 72; ++step) {
            const COleDateTime utc(first.m_dt + step / 72.0);
            const auto u = *utc.GetFields();
            char stamp[32], cell[32];
            std::snprintf(stamp, sizeof stamp, "%04d%02d%02dT%02d%02d%02dZ", u.year, u.month, u.day, u.hour, u.minute,
                          u.second);
            text += "BEGIN:VEVENT\r\nDTSTART:" + std::string(stamp) + "\r\nEND:VEVENT\r\n";
            const auto l = *Utc2Local(utc).GetFields();
            std::snprintf(cell, sizeof cell, "%04d-%02d-%02d %02d:%02d", l.year, l.month, l.day, l.hour, l.minute);
            meant.emplace_back(cell);
        }
    }
    const Read read = ReadText(text + "END:VCALENDAR\r\n", "calendar");
    ASSERT_EQ(read.rows.size(), meant.size()) << read.error;
    for (std::size_t i = 0; i < meant.size(); ++i)
        EXPECT_EQ(read.rows[i][1], meant[i]) << i;
}

// A count gives the entries the reading hands over, or refuses as the
// reading refuses (but for a time zone): every file above, as either type.
TEST(ICalendarTest, CountGivesTheEntriesTheReadingHandsOver)
{
    const TimeZoneGuard zone(kNewYork);
    std::vector<std::string> files;
    for (const FileCase& file : Files())
        files.push_back(file.text);
    for (const HostileCase& hostile : HostileFiles())
        files.push_back(hostile.text);
    for (const std::string& text : files)
        for (const char* type : {"calendar", "todo"}) {
            SCOPED_TRACE(type + (": " + text.substr(0, 300)));
            const Read read = ReadText(text, type);
            long long counted = -1, calls = 0;
            std::string error;
            try {
                counted = host::CountICalendar(text, "cal.ics", Type(type), [&] { ++calls; });
            } catch (const host::Error& e) {
                error = e.what();
            }
            // A file refused for a value (a time zone) is counted all the same.
            const bool zone = read.error.find(": the time zone \"") != std::string::npos;
            EXPECT_EQ(error, zone ? "" : read.error);
            if (read.error.empty()) {
                EXPECT_EQ(counted, static_cast<long long>(read.rows.size()));
                EXPECT_EQ(calls, counted);
            }
        }
}

/// libical's TEXT encoding of `text`: the writer's oracle.
std::string LibicalText(const std::string& text)
{
    std::string encoded(2 * text.size() + 1, '\0');
    icalerror_set_errors_are_fatal(0);
    EXPECT_EQ(icalvalue_encode_ical_string(text.c_str(), encoded.data(), static_cast<int>(encoded.size())), 1);
    encoded.resize(std::strlen(encoded.c_str()));
    return encoded;
}

/// libical's DURATION value of `seconds`.
std::string LibicalDuration(int seconds)
{
    char* text = icaldurationtype_as_ical_string_r(icaldurationtype_from_int(seconds));
    std::string duration = text;
    std::free(text);
    return duration;
}

/// libical's UTC DATE-TIME value of seconds since 1970.
std::string LibicalUtc(std::int64_t seconds)
{
    char* text = icaltime_as_ical_string_r(
        icaltime_from_timet_with_zone(static_cast<time_t>(seconds), 0, icaltimezone_get_utc_timezone()));
    std::string time = text;
    std::free(text);
    return time;
}

/// A cell of the own layout for seconds since 1970, in UTC.
std::string CellOf(std::int64_t seconds)
{
    const auto t = static_cast<time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char cell[80];
    std::snprintf(cell, sizeof cell, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return cell;
}

/// The written lines unfolded, each with the line break before it, so that
/// "\nNAME:value\n" finds one whole line; a fold inside a UTF-8 sequence, a
/// line beyond 75 octets or a line break other than CR LF fails the test.
std::string Unfolded(const std::string& written)
{
    std::string unfolded;
    for (std::size_t at = 0, end; (end = written.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string_view line(written.data() + at, end - at);
        EXPECT_LE(line.size(), 75u) << line;
        EXPECT_EQ(line.find_first_of("\r\n"), std::string_view::npos) << "a line break other than CR LF: " << line;
        if (!line.empty() && line.front() == ' ') {
            EXPECT_TRUE(line.size() >= 2 && (static_cast<unsigned char>(line[1]) & 0xC0) != 0x80)
                << "a fold inside a character: " << line;
            unfolded.append(line.substr(1));
        } else {
            unfolded.append("\n").append(line);
        }
    }
    return unfolded + "\n";
}

// The writer's own text escapes, durations and UTC times against libical's
// for the same values: texts with every octet libical changes and long
// texts of two-, three- and four-octet characters folded at each offset;
// alarms at offsets from a second to years either side of the start (the
// relative TRIGGER ends at 2^30 seconds); start times over the years the
// store holds.
TEST(ICalendarTest, TextsDurationsAndTimesAreWrittenAsLibicalWritesThem)
{
    const TimeZoneGuard zone("UTC0");
    std::vector<std::string> texts = {
        "plain", "a;b,c\\d", "one\ntwo", "cr\r\nlf", "lone\rcr", "\r", "\n\n", "bell\b form\f end", "tab\tx",
        "\\n is not a break", ";;;,,,\\\\\\", "end\\", "\x01\x7f", "quote \" colon :", "naïve 한국어 😀",
        "bad \xC3( utf-8 \xFF", std::string(74, 'x'), std::string(75, 'x'), std::string(76, ',')};
    for (const char* unit : {"é", "한", "😀", "\\,", "a\r\n"})
        for (std::size_t offset = 0; offset < 4; ++offset) {
            std::string text(offset, '.');
            for (int i = 0; i < 40; ++i)
                text += unit;
            texts.push_back(text);
        }
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        host::ICalendarWriter writer(Type("calendar"));
        const std::string unfolded = Unfolded(writer.Write({text, "2026-03-04 09:00", "", "0", "", text, ""}));
        EXPECT_NE(unfolded.find("\nSUMMARY:" + LibicalText(text) + "\n"), std::string::npos) << unfolded;
        EXPECT_NE(unfolded.find("\nDESCRIPTION:" + LibicalText(text) + "\n"), std::string::npos) << unfolded;
    }

    const std::int64_t start = 1780315200; // 2026-06-01 12:00 UTC
    std::vector<std::int64_t> offsets = {0,       1,        -1,      59,       -60,       3600,      -1800,
                                         86400,   -86400,   90061,   -90061,   604800,    -604800,   1209600,
                                         604801,  -691200,  -1 << 30, 1 << 30, -(1 << 30) + 1, (1 << 30) - 1};
    std::mt19937_64 random(5545);
    for (int i = 0; i < 300; ++i)
        offsets.push_back(static_cast<std::int64_t>(random() % (1u << 31)) - (1 << 30));
    for (const std::int64_t offset : offsets) {
        SCOPED_TRACE(offset);
        host::ICalendarWriter writer(Type("calendar"));
        const std::string unfolded =
            Unfolded(writer.Write({"x", CellOf(start), "", "0", CellOf(start + offset), "", ""}));
        const bool relative = offset > -(1 << 30) && offset < (1 << 30);
        EXPECT_NE(unfolded.find(relative ? "\nTRIGGER:" + LibicalDuration(static_cast<int>(offset)) + "\n"
                                         : "\nTRIGGER;VALUE=DATE-TIME:" + LibicalUtc(start + offset) + "\n"),
                  std::string::npos)
            << unfolded;
    }

    // 0100-01-01 to 9999-12-31, and midnight and the last second of a day.
    std::vector<std::int64_t> moments = {-59011459200, 253402300799, 0, 951782399, 4107542400};
    for (int i = 0; i < 2000; ++i)
        moments.push_back(-59011459200 + static_cast<std::int64_t>(random() % 312413760000u));
    for (const std::int64_t moment : moments) {
        SCOPED_TRACE(moment);
        host::ICalendarWriter writer(Type("todo"));
        const std::string unfolded = Unfolded(writer.Write({"x", CellOf(moment), "", "", "0", "0"}));
        EXPECT_NE(unfolded.find("\nDTSTART:" + LibicalUtc(moment) + "\n"), std::string::npos) << unfolded;
    }
}

// Alarms and dates at the ends of the range the store holds, and the UIDs
// of rows written again. (Regression: an alarm before 1902 was written as
// PT0S, or as a duration from the wrong year, from libical's seconds.)
TEST(ICalendarTest, AlarmsAndDatesAtTheEndsOfTheStoresRange)
{
    const TimeZoneGuard zone("UTC0");
    const struct {
        LayoutRow row;
        std::vector<std::string> lines, absent;
    } cases[] = {
        {{"old", "1850-06-01 10:00", "1850-06-01 11:00", "0", "1850-06-01 09:30", "", ""},
         {"DTSTART:18500601T100000Z", "DTEND:18500601T110000Z", "TRIGGER:-PT30M"}, {}},
        {{"edge", "1901-12-31 23:00", "1902-01-01 01:00", "0", "1901-12-31 22:00", "", ""},
         {"TRIGGER:-PT1H"}, {}},
        {{"far", "1950-06-01 10:00", "", "0", "1901-06-01 09:30", "", ""},
         {"TRIGGER;VALUE=DATE-TIME:19010601T093000Z"}, {"DTEND"}},
        {{"first", "0100-01-01 03:00", "0100-01-01 05:00", "0", "0100-01-01 02:00", "", ""},
         {"DTSTART:01000101T030000Z", "TRIGGER:-PT1H"}, {}},
        {{"leap", "2100-03-01 12:00", "", "0", "2100-02-28 12:00", "", ""}, {"TRIGGER:-P1D"}, {}},
        {{"", "2026-06-01 12:00", "", "0", "2026-06-01 12:00:30", "", ""},
         {"DESCRIPTION:Reminder", "TRIGGER:PT30S"}, {"SUMMARY"}},
        {{"day", "1899-12-29 00:00", "", "1", "1899-12-28 18:00", "", ""},
         {"DTSTART;VALUE=DATE:18991229", "DTEND;VALUE=DATE:18991230",
          "TRIGGER;VALUE=DATE-TIME:18991228T180000Z"}, {}},
        {{"days", "2026-02-27 00:00", "2026-02-28 00:00", "1", "", "", ""},
         {"DTSTART;VALUE=DATE:20260227", "DTEND;VALUE=DATE:20260301"}, {"VALARM"}},
        {{"last", "9999-12-31 00:00", "9999-12-31 00:00", "1", "", "", ""},
         {"DTSTART;VALUE=DATE:99991231"}, {"DTEND"}},
        {{"bad", "2026-02-29 10:00", "2026-13-01 10:00", "0", "2026-02-30 09:00", "", ""},
         {"SUMMARY:bad"}, {"DTSTART", "DTEND", "VALARM"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row[0]);
        host::ICalendarWriter writer(Type("calendar"));
        const std::string unfolded = Unfolded(writer.Write(c.row));
        for (const std::string& line : c.lines)
            EXPECT_NE(unfolded.find("\n" + line + "\n"), std::string::npos) << line << " in" << unfolded;
        for (const std::string& name : c.absent)
            EXPECT_EQ(unfolded.find("\n" + name), std::string::npos) << name << " in" << unfolded;
    }

    // A row written again gets a numbered UID, another row its own; another
    // writer (another export) gives the row its first UID again.
    auto uid = [](host::ICalendarWriter& writer, const LayoutRow& row) {
        const std::string unfolded = Unfolded(writer.Write(row));
        const std::size_t at = unfolded.find("\nUID:") + 1;
        return unfolded.substr(at, unfolded.find('\n', at) - at);
    };
    host::ICalendarWriter writer(Type("todo")), again(Type("todo"));
    const LayoutRow row = {"again", "", "", "", "0", "0"}, other = {"other", "", "", "", "0", "0"};
    const std::string first = uid(writer, row);
    EXPECT_NE(uid(writer, other), first);
    EXPECT_EQ(uid(writer, row), first + "-2");
    EXPECT_EQ(uid(writer, row), first + "-3");
    EXPECT_EQ(uid(again, row), first);
}

TEST(ICalendarTest, OnlyCalendarAndTodoHaveICalendarFiles)
{
    EXPECT_THROW((void)host::ICalendarWriter(Type("contact")), host::Error);
    EXPECT_THROW(host::ReadICalendar("", "cal.ics", Type("memo"), {}, {}), host::Error);
}

// Through a session: CSV -> store -> iCalendar -> store -> CSV keeps every
// field the calendar and to-do layouts keep, in a zone with summer time and
// in one east of UTC: texts to escape and to fold, all-day entries of one
// day and of several, the same entry twice, the repeated hour of a clock
// change, to-do items done, partly done and open.
class ICalendarSessionTest : public SessionTest {};

TEST_F(ICalendarSessionTest, RoundTripThroughICalendarKeepsEveryFieldOfTheLayouts)
{
    const std::string day = "Day off,2026-12-25 00:00,2026-12-25 00:00,1,,,\r\n";
    const struct {
        const char* type;
        std::string csv;
        int records;
    } rows[] = {
        {"calendar",
         "summary,start_time,end_time,allday,alarm_runtime,description,location\r\n"
         "Review,2026-03-07 23:30,2026-03-08 03:15,0,2026-03-07 23:00,\"Numbers, \"\"draft\"\"; q1 \\ v2\",Room 4\r\n"
         "Holiday,2026-07-03 00:00,2026-07-05 00:00,1,2026-07-02 18:00,,\"Schloss, Krün\"\r\n"
         "Call,2026-11-01 01:30,2026-11-01 01:45,0,,\"Line one\nline two\",\r\n" +
             day + day + std::string(200, 'x') + " 한국어 텍스트 " + std::string(100, 'y') + ",2026-11-01 12:00,2026-11-01 12:00,0,,,\r\n",
         6},
        {"todo",
         "summary,start_date,due_date,description,completed,priority\r\n"
         "Taxes,2026-04-01 09:00,2026-04-15 17:00,Forms,0,1\r\n"
         "Garden,,2026-05-01 00:00,,6,5\r\n"
         "Read,2026-01-02 08:00,,,3,9\r\n"
         "None,,,,0,0\r\n",
         4},
    };
    for (const char* tz : {kNewYork, kSeoul})
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(row.type) + " in " + tz);
            const TimeZoneGuard zone(tz);
            const host::RecordType& type = Type(row.type);
            WriteBytes("in.csv", row.csv);
            SetStorePath(PathOf(std::string("first-") + row.type + tz + ".db"));
            host::ReadRequest request;
            request.file = Path("in.csv");
            ASSERT_EQ(Session().Import(type, request, -1, false), row.records) << m_notes;
            ASSERT_EQ(Session().Export(type, {Path("first.csv"), {}, {}}).written, row.records);
            ASSERT_EQ(Session().Export(type, {Path("out.ics"), {}, {}}).written, row.records);
            SetStorePath(PathOf(std::string("second-") + row.type + tz + ".db"));
            request.file = Path("out.ics");
            EXPECT_EQ(Session().Import(type, request, -1, false), row.records) << m_notes;
            ASSERT_EQ(Session().Export(type, {Path("second.csv"), {}, {}}).written, row.records);
            EXPECT_EQ(SplitLines(ReadBytes("second.csv")), SplitLines(ReadBytes("first.csv"))) << ReadBytes("out.ics");
        }
}

} // namespace
} // namespace varno::test
