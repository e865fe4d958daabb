// Writing calendar entries and to-do items, given in their own layout, as
// iCalendar. The lines are written here rather than through a libical
// component, which would cost four times the CSV export for the tree and
// its serialisation, and the little libical did for them (escaping a TEXT
// value, writing a DURATION and a UTC time) is done here too, exactly as
// libical writes it (the tests hold each against libical's), without its
// allocation per call. Each line is built in place at the end of the
// output; it is ended with CR LF and folded at 75 octets, never inside a
// UTF-8 sequence.
//
// Times go out in UTC (the own layout's local time through Local2Utc, as the
// import stores it), all-day entries as dates from their first day to the
// day after their last. An alarm becomes a VALARM that displays the
// summary: for a timed entry a TRIGGER relative to its start, which every
// calendar program reads; for an all-day entry, whose start is a date and
// so moves with the reader's zone, the instant itself. The relative
// TRIGGER is the difference of the two UTC times on the proleptic Gregorian
// calendar (no leap seconds), as a calendar program computes it. To-dos:
// completion 0 is NEEDS-ACTION, 6 COMPLETED (with PERCENT-COMPLETE:100),
// any other number IN-PROCESS with the number kept in X-VARNO-COMPLETED for
// our reader; priorities 1 to 9 go out as they are, 0 (none) as no PRIORITY.
//
// The UID is a hash of the row, so exporting the same record again gives
// the same UID and a calendar program updates the entry instead of
// doubling it.
#include "host/ICalendar.h"

#include "host/ContentLine_p.h"
#include "host/ICalendar_p.h"
#include "host/Session.h"
#include "store/Store.h"

#include <algorithm>
#include <charconv>
#include <ctime>

namespace varno::host {

namespace {


/// The fields of a date cell of the own layout ("YYYY-MM-DD HH:MM[:SS]")
/// that COleDateTime takes; nothing for any other text.
std::optional<COleDateTime::Fields> ParseLocalFields(std::string_view cell)
{
    // Fixed widths: "YYYY-MM-DD HH:MM", then ":SS" or nothing.
    if (cell.size() != 16 && cell.size() != 19)
        return std::nullopt;
    const char* shape = "dddd-dd-dd dd:dd:dd";
    for (std::size_t i = 0; i < cell.size(); ++i)
        if ((shape[i] == 'd') != (cell[i] >= '0' && cell[i] <= '9') || (shape[i] != 'd' && cell[i] != shape[i]))
            return std::nullopt;
    auto number = [&](std::size_t at, std::size_t digits) {
        int value = 0;
        for (std::size_t i = at; i < at + digits; ++i)
            value = value * 10 + (cell[i] - '0');
        return value;
    };
    const COleDateTime::Fields f{number(0, 4),  number(5, 2),  number(8, 2),
                                 number(11, 2), number(14, 2), cell.size() == 19 ? number(17, 2) : 0};
    // The values COleDateTime takes: years 100 to 9999, days the month has.
    if (f.year < 100 || f.year > 9999 || f.month < 1 || f.month > 12 || f.day < 1 ||
        f.day > DaysInMonth(f.year, f.month) || f.hour > 23 || f.minute > 59 || f.second > 59)
        return std::nullopt;
    return f;
}

} // namespace

namespace detail {

void QuietLibical()
{
    icalerror_set_errors_are_fatal(0);
    icalerror_clear_errno();
}

bool IsTodoType(const RecordType& type)
{
    if (type.name == "todo")
        return true;
    if (type.name != "calendar")
        throw Error(Error::Kind::Usage,
                    "iCalendar files hold calendar entries and to-do items, not " + std::string(type.plural));
    return false;
}

int ColumnOf(const RecordType& type, std::u16string_view exportName)
{
    const auto& columns = type.layout().columns;
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].exportName == exportName)
            return static_cast<int>(i);
    return -1;
}

std::optional<std::int64_t> SecondsOf(const COleDateTime& value)
{
    const auto f = value.GetStatus() == COleDateTime::valid ? value.GetFields() : std::nullopt;
    if (!f)
        return std::nullopt;
    return SecondsFromCivil(f->year, f->month, f->day, f->hour, f->minute, f->second);
}

COleDateTime UtcOf(std::int64_t seconds)
{
    if (!InStore(seconds)) {
        COleDateTime invalid;
        invalid.SetStatus(COleDateTime::invalid);
        return invalid;
    }
    const COleDateTime::Fields f = CivilFromSeconds(seconds);
    return COleDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second);
}

std::string LocalCell(const COleDateTime& local)
{
    const auto f = local.GetStatus() == COleDateTime::valid ? local.GetFields() : std::nullopt;
    if (!f)
        return {};
    // "YYYY-MM-DD HH:MM:SS" by hand: this runs for every date of every entry.
    std::string text = "0000-00-00 00:00:00";
    auto put = [&](std::size_t at, int value, int digits) {
        for (int k = digits - 1; k >= 0; --k, value /= 10)
            text[at + static_cast<std::size_t>(k)] = static_cast<char>('0' + value % 10);
    };
    put(0, f->year, 4), put(5, f->month, 2), put(8, f->day, 2), put(11, f->hour, 2), put(14, f->minute, 2);
    if (f->second == 0)
        text.resize(16);
    else
        put(17, f->second, 2);
    return text;
}

std::optional<COleDateTime> ParseLocalCell(std::string_view cell)
{
    const std::optional<COleDateTime::Fields> f = ParseLocalFields(cell);
    if (!f)
        return std::nullopt;
    COleDateTime local(f->year, f->month, f->day, f->hour, f->minute, f->second);
    if (local.GetStatus() != COleDateTime::valid)
        return std::nullopt;
    return local;
}

bool ValidCivil(int year, int month, int day, int hour, int minute, int second)
{
    return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 &&
           second >= 0 && second <= 59;
}

bool InStore(std::int64_t seconds)
{
    static const std::int64_t first = SecondsFromCivil(100, 1, 1, 0, 0, 0), last = SecondsFromCivil(10000, 1, 1, 0, 0, 0);
    return seconds >= first && seconds < last;
}

Clock::Clock() { tzset(); }

std::optional<std::int64_t> Clock::Steady(std::int64_t utc)
{
    constexpr std::size_t kDaysKept = 1 << 16;
    const std::int64_t day = FloorDiv(utc, kDay);
    if (m_days.size() > kDaysKept)
        m_days.clear();
    auto [it, added] = m_days.try_emplace(day);
    if (!added)
        return it->second;
    for (const std::int64_t at : {(day - 1) * kDay, (day + 2) * kDay}) {
        const auto t = static_cast<std::time_t>(at);
        std::tm local{};
        if (!localtime_r(&t, &local) || (it->second && *it->second != local.tm_gmtoff) ||
            SecondsFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                           local.tm_sec) != at + local.tm_gmtoff)
            return it->second = std::nullopt;
        it->second = local.tm_gmtoff;
    }
    return it->second;
}

std::optional<std::int64_t> Clock::Wall(std::int64_t utc)
{
    if (const std::optional<std::int64_t> offset = Steady(utc))
        return utc + *offset;
    return SecondsOf(Utc2Local(UtcOf(utc)));
}

std::optional<std::int64_t> Clock::Utc(std::int64_t wall)
{
    // The offset found near the wall value read as an instant holds for a
    // day around it, and so for the instant meant, at most 14 hours off.
    if (const std::optional<std::int64_t> offset = Steady(wall))
        return wall - *offset;
    return SecondsOf(Local2Utc(UtcOf(wall)));
}

} // namespace detail

namespace {

using namespace detail;

/// 64-bit FNV-1a.
std::uint64_t Hash(const LayoutRow& row, std::string_view kind)
{
    std::uint64_t hash = 1469598103934665603ULL;
    auto add = [&](std::string_view text) {
        for (const char c : text)
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
        hash = (hash ^ 0x1F) * 1099511628211ULL; // between cells
    };
    add(kind);
    for (const std::string& cell : row)
        add(cell);
    return hash;
}

/// A time as written: a DATE or a UTC DATE-TIME.
struct Moment {
    COleDateTime::Fields f;
    bool date;
    /// Seconds since 1970 on the proleptic Gregorian calendar, without leap
    /// seconds: for the distance between two moments.
    [[nodiscard]] std::int64_t Seconds() const
    {
        return SecondsFromCivil(f.year, f.month, f.day, f.hour, f.minute, f.second);
    }
};

/// The UTC instant of a date cell, as import would store it.
std::optional<Moment> UtcTime(std::string_view cell, Clock& clock)
{
    const std::optional<COleDateTime::Fields> local = ParseLocalFields(cell);
    if (!local)
        return std::nullopt;
    const std::optional<std::int64_t> utc = clock.Utc(
        SecondsFromCivil(local->year, local->month, local->day, local->hour, local->minute, local->second));
    if (!utc || !InStore(*utc))
        return std::nullopt;
    return Moment{CivilFromSeconds(*utc), false};
}

/// The local date of a date cell, `later` (0 or 1) days later, as a DATE;
/// nothing for a cell that is not a date and for a day beyond the years
/// the store holds.
std::optional<Moment> LocalDate(std::string_view cell, bool later)
{
    std::optional<COleDateTime::Fields> f = ParseLocalFields(cell);
    if (!f)
        return std::nullopt;
    f->hour = f->minute = f->second = 0;
    if (later && ++f->day > DaysInMonth(f->year, f->month)) {
        f->day = 1;
        if (++f->month > 12) {
            f->month = 1;
            if (++f->year > 9999)
                return std::nullopt;
        }
    }
    return Moment{*f, true};
}

/// Appends a DATE ("20260304") or UTC DATE-TIME ("20260304T090000Z") value.
void AppendStamp(std::string& out, const Moment& t)
{
    char text[16];
    auto put = [&](std::size_t at, int value, int digits) {
        for (int k = digits - 1; k >= 0; --k, value /= 10)
            text[at + static_cast<std::size_t>(k)] = static_cast<char>('0' + value % 10);
    };
    put(0, t.f.year, 4), put(4, t.f.month, 2), put(6, t.f.day, 2);
    if (!t.date) {
        text[8] = 'T', text[15] = 'Z';
        put(9, t.f.hour, 2), put(11, t.f.minute, 2), put(13, t.f.second, 2);
    }
    out.append(text, t.date ? 8 : 16);
}

/// Appends a TEXT value escaped as libical escapes it: backslash,
/// semicolon and comma get a backslash, a line feed becomes "\n", and
/// backspace, form feed and carriage return are dropped (so CR LF is one
/// "\n"); every other octet stays.
void AppendText(std::string& out, std::string_view value)
{
    std::size_t plain = 0; // the start of the octets not yet appended
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '\\' && c != ';' && c != ',' && c != '\n' && c != '\r' && c != '\b' && c != '\f')
            continue;
        out.append(value.substr(plain, i - plain));
        plain = i + 1;
        if (c == '\n')
            out.append("\\n");
        else if (c != '\r' && c != '\b' && c != '\f')
            out.append({'\\', c});
    }
    out.append(value.substr(plain));
}

/// Appends a DURATION value as libical writes it: whole weeks as "P2W",
/// else days, hours, minutes and seconds, those that are not 0 ("-P1DT2H",
/// "PT30M"); 0 is "PT0S".
void AppendDuration(std::string& out, std::int64_t seconds)
{
    constexpr std::int64_t kDay = 86400, kWeek = 7 * kDay;
    auto part = [&](std::int64_t value, char unit) {
        if (value != 0)
            out.append(std::to_string(value)) += unit;
    };
    if (seconds == 0) {
        out.append("PT0S");
        return;
    }
    if (seconds < 0) {
        out += '-';
        seconds = -seconds;
    }
    out += 'P';
    if (seconds % kWeek == 0) {
        part(seconds / kWeek, 'W');
        return;
    }
    part(seconds / kDay, 'D');
    if (seconds % kDay != 0)
        out += 'T';
    part(seconds % kDay / 3600, 'H'), part(seconds % 3600 / 60, 'M'), part(seconds % 60, 'S');
}

} // namespace

ICalendarWriter::ICalendarWriter(const RecordType& type)
    : m_type(&type), m_todo(IsTodoType(type)), m_clock(std::make_unique<Clock>())
{
    for (const std::u16string_view column : {u"summary", u"description", u"location", u"start_time", u"start_date",
                                              u"end_time", u"due_date", u"allday", u"alarm_runtime", u"completed",
                                              u"priority"})
        m_columns.push_back(ColumnOf(type, column));
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    AppendStamp(m_stamp,
                {{utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec}, false});
}

std::string ICalendarWriter::Begin() const
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Varno//varnocsv//EN\r\n";
}

std::string ICalendarWriter::End() const
{
    return "END:VCALENDAR\r\n";
}

ICalendarWriter::~ICalendarWriter() = default;
ICalendarWriter::ICalendarWriter(ICalendarWriter&&) noexcept = default;
ICalendarWriter& ICalendarWriter::operator=(ICalendarWriter&&) noexcept = default;

int ICalendarWriter::Earlier(std::uint64_t hash)
{
    bool seen = false;
    if (hash == 0) {
        seen = m_seenZero;
        m_seenZero = true;
    } else {
        if (2 * (m_seenCount + 1) > m_seen.size()) {
            std::vector<std::uint64_t> old(std::max<std::size_t>(1024, 2 * m_seen.size()), 0);
            old.swap(m_seen);
            for (const std::uint64_t kept : old)
                if (kept != 0)
                    for (std::size_t at = kept & (m_seen.size() - 1);; at = (at + 1) & (m_seen.size() - 1))
                        if (m_seen[at] == 0) {
                            m_seen[at] = kept;
                            break;
                        }
        }
        std::size_t at = hash & (m_seen.size() - 1);
        while (m_seen[at] != 0 && m_seen[at] != hash)
            at = (at + 1) & (m_seen.size() - 1);
        seen = m_seen[at] == hash;
        if (!seen)
            m_seen[at] = hash, ++m_seenCount;
    }
    return seen ? ++m_repeats[hash] : 0;
}

std::string ICalendarWriter::Write(const LayoutRow& row)
{
    std::string out;
    Write(row, out);
    return out;
}

void ICalendarWriter::Write(const LayoutRow& row, std::string& out)
{
    // The columns in the order the constructor looked them up.
    enum { Summary, Description, Location, StartTime, StartDate, EndTime, DueDate, AllDay, Alarm, Completed, Priority };
    auto cell = [&](int which) -> std::string_view {
        const int at = m_columns[static_cast<std::size_t>(which)];
        return at >= 0 && static_cast<std::size_t>(at) < row.size() ? std::string_view(row[static_cast<std::size_t>(at)])
                                                                     : std::string_view();
    };
    // A line whose value is a TEXT; left out when the value is empty.
    auto text = [&](std::string_view name, std::string_view value) {
        if (value.empty())
            return;
        const std::size_t start = out.size();
        out.append(name);
        AppendText(out, value);
        EndContentLine(out, start, m_line);
    };
    // The lines below hold at most 40 octets and need no folding.
    auto time = [&](std::string_view name, const Moment& t) {
        out.append(name).append(t.date ? ";VALUE=DATE:" : ":");
        AppendStamp(out, t);
        out.append("\r\n");
    };
    // The times first: while they are worked out, the slot of the row's
    // hash in the table of UIDs (a cache miss in a large table) is fetched.
    std::uint64_t hash = Hash(row, m_type->name);
    if (!m_seen.empty())
        __builtin_prefetch(&m_seen[hash & (m_seen.size() - 1)]);
    const std::string_view start = cell(m_todo ? StartDate : StartTime), end = cell(m_todo ? DueDate : EndTime);
    const bool allDay = !m_todo && cell(AllDay) == "1";
    const std::optional<Moment> startTime = allDay ? LocalDate(start, false) : UtcTime(start, *m_clock);
    const std::optional<Moment> endTime = allDay ? LocalDate(end.empty() ? start : end, true) : UtcTime(end, *m_clock);
    const std::optional<Moment> ring = UtcTime(cell(Alarm), *m_clock);

    out += m_todo ? "BEGIN:VTODO\r\n" : "BEGIN:VEVENT\r\n";
    const int earlier = Earlier(hash);
    char uid[16];
    for (std::size_t k = 16; k-- > 0; hash >>= 4)
        uid[k] = "0123456789abcdef"[hash & 0xF];
    out.append("UID:").append(uid, 16).append("@varnocsv");
    if (earlier > 0)
        out.append("-").append(std::to_string(earlier + 1));
    out.append("\r\nDTSTAMP:").append(m_stamp).append("\r\n");

    text("SUMMARY:", cell(Summary));
    if (startTime)
        time("DTSTART", *startTime);
    if (endTime)
        time(m_todo ? "DUE" : "DTEND", *endTime);
    text("DESCRIPTION:", cell(Description));
    text("LOCATION:", cell(Location));

    if (m_todo) {
        int completed = 0;
        const std::string_view done = cell(Completed);
        std::from_chars(done.data(), done.data() + done.size(), completed);
        out.append(completed == 0   ? "STATUS:NEEDS-ACTION\r\n"
                   : completed == 6 ? "STATUS:COMPLETED\r\nPERCENT-COMPLETE:100\r\n"
                                    : "STATUS:IN-PROCESS\r\n");
        if (completed != 0 && completed != 6)
            out.append("X-VARNO-COMPLETED:").append(std::to_string(completed)).append("\r\n");
        int priority = 0;
        const std::string_view level = cell(Priority);
        std::from_chars(level.data(), level.data() + level.size(), priority);
        if (priority >= 1 && priority <= 9)
            out.append("PRIORITY:").append(1, static_cast<char>('0' + priority)).append("\r\n");
    }

    if (ring) {
        out += "BEGIN:VALARM\r\nACTION:DISPLAY\r\n";
        const std::string_view summary = cell(Summary);
        text("DESCRIPTION:", summary.empty() ? std::string_view("Reminder") : summary);
        const std::int64_t before = startTime ? ring->Seconds() - startTime->Seconds() : 0;
        if (startTime && !allDay && before > -(1LL << 30) && before < (1LL << 30)) {
            out.append("TRIGGER:");
            AppendDuration(out, before);
            out.append("\r\n");
        } else {
            time("TRIGGER;VALUE=DATE-TIME", *ring);
        }
        out += "END:VALARM\r\n";
    }
    out += m_todo ? "END:VTODO\r\n" : "END:VEVENT\r\n";
}

} // namespace varno::host
