// Writing calendar entries and to-do items, given in their own layout, as
// iCalendar. The lines are written here rather than through a libical
// component, which would cost four times the CSV export for the tree and
// its serialisation: libical escapes the texts and formats durations, the
// writer ends lines with CR LF and folds them at 75 octets, never inside a
// UTF-8 sequence.
//
// Times go out in UTC (the own layout's local time through Local2Utc, as the
// import stores it), all-day entries as dates from their first day to the
// day after their last. An alarm becomes a VALARM that displays the
// summary: for a timed entry a TRIGGER relative to its start, which every
// calendar program reads; for an all-day entry, whose start is a date and
// so moves with the reader's zone, the instant itself. To-dos: completion 0
// is NEEDS-ACTION, 6 COMPLETED (with PERCENT-COMPLETE:100), any other number
// IN-PROCESS with the number kept in X-VARNO-COMPLETED for our reader;
// priorities 1 to 9 go out as they are, 0 (none) as no PRIORITY.
//
// The UID is a hash of the row, so exporting the same record again gives
// the same UID and a calendar program updates the entry instead of
// doubling it.
#include "host/ICalendar.h"

#include "host/ICalendar_p.h"
#include "host/Session.h"
#include "store/Store.h"

#include <charconv>
#include <cstring>
#include <cstdlib>
#include <ctime>

namespace varno::host {

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

std::optional<std::int64_t> SecondsOf(const COleDateTime& utc)
{
    if (utc.GetStatus() != COleDateTime::valid)
        return std::nullopt;
    const auto fields = utc.GetFields();
    if (!fields)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = fields->year - 1900, tm.tm_mon = fields->month - 1, tm.tm_mday = fields->day;
    tm.tm_hour = fields->hour, tm.tm_min = fields->minute, tm.tm_sec = fields->second;
    return static_cast<std::int64_t>(timegm(&tm));
}

COleDateTime UtcOf(std::int64_t seconds)
{
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!gmtime_r(&t, &tm)) {
        COleDateTime invalid;
        invalid.SetStatus(COleDateTime::invalid);
        return invalid;
    }
    return COleDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
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
    // Fixed widths: "YYYY-MM-DD HH:MM", then ":SS" or nothing.
    if (cell.size() != 16 && cell.size() != 19)
        return std::nullopt;
    const char* shape = "dddd-dd-dd dd:dd:dd";
    int fields[6] = {0, 0, 0, 0, 0, 0};
    const std::size_t starts[6] = {0, 5, 8, 11, 14, 17}, widths[6] = {4, 2, 2, 2, 2, 2};
    for (std::size_t i = 0; i < cell.size(); ++i)
        if ((shape[i] == 'd') != (cell[i] >= '0' && cell[i] <= '9') || (shape[i] != 'd' && cell[i] != shape[i]))
            return std::nullopt;
    for (std::size_t k = 0; k < 6 && starts[k] < cell.size(); ++k)
        std::from_chars(cell.data() + starts[k], cell.data() + starts[k] + widths[k], fields[k]);
    COleDateTime local(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]);
    if (local.GetStatus() != COleDateTime::valid)
        return std::nullopt;
    return local;
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

/// The UTC instant of a date cell, as import would store it.
std::optional<icaltimetype> UtcTime(std::string_view cell)
{
    const std::optional<COleDateTime> local = ParseLocalCell(cell);
    if (!local)
        return std::nullopt;
    const std::optional<std::int64_t> seconds = SecondsOf(Local2Utc(*local));
    if (!seconds)
        return std::nullopt;
    return icaltime_from_timet_with_zone(static_cast<time_t>(*seconds), 0, icaltimezone_get_utc_timezone());
}

/// The local date of a date cell, `days` later, as a DATE value.
std::optional<icaltimetype> LocalDate(std::string_view cell, int days)
{
    const std::optional<COleDateTime> local = ParseLocalCell(cell);
    if (!local)
        return std::nullopt;
    const auto f = COleDateTime(local->m_dt + days).GetFields();
    if (!f)
        return std::nullopt;
    icaltimetype date = icaltime_null_date();
    date.year = f->year, date.month = f->month, date.day = f->day;
    return date;
}

/// A TEXT value escaped by libical (backslash, semicolon, comma, line
/// breaks; it drops backspace, form feed and CR).
std::string Escaped(std::string_view value)
{
    // Most texts hold none of the octets libical changes, and its encoder
    // allocates a buffer for each call.
    if (value.find_first_of(std::string_view("\b\n\f\r,;\\", 7)) == std::string_view::npos)
        return std::string(value);
    const std::string plain(value);
    // Each octet becomes at most two, plus the terminating NUL.
    std::string escaped(2 * plain.size() + 1, '\0');
    QuietLibical();
    if (!icalvalue_encode_ical_string(plain.c_str(), escaped.data(), static_cast<int>(escaped.size())))
        throw std::bad_alloc(); // cannot happen with room for every octet doubled
    escaped.resize(std::strlen(escaped.c_str()));
    return escaped;
}

/// A DATE ("20260304") or UTC DATE-TIME ("20260304T090000Z") value.
std::string Stamp(const icaltimetype& t)
{
    // By hand rather than with snprintf: this runs for every time of every row.
    std::string text = icaltime_is_date(t) ? "00000000" : "00000000T000000Z";
    auto put = [&](std::size_t at, int value, int digits) {
        for (int k = digits - 1; k >= 0; --k, value /= 10)
            text[at + static_cast<std::size_t>(k)] = static_cast<char>('0' + value % 10);
    };
    put(0, t.year, 4), put(4, t.month, 2), put(6, t.day, 2);
    if (!icaltime_is_date(t))
        put(9, t.hour, 2), put(11, t.minute, 2), put(13, t.second, 2);
    return text;
}

/// Appends the content line `head` + `value`, folded so that no line holds
/// more than 75 octets (a continuation begins with a space), never inside
/// a UTF-8 sequence, and ended by CR LF.
void AddLine(std::string& out, std::string_view head, std::string_view value)
{
    constexpr std::size_t kFold = 75;
    std::string line;
    line.reserve(head.size() + value.size());
    line.append(head).append(value);
    std::string_view rest = line;
    std::size_t room = kFold;
    while (rest.size() > room) {
        std::size_t cut = room;
        while (cut > 1 && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(rest.substr(0, cut)).append("\r\n ");
        rest.remove_prefix(cut);
        room = kFold - 1;
    }
    out.append(rest).append("\r\n");
}

} // namespace

ICalendarWriter::ICalendarWriter(const RecordType& type) : m_type(&type), m_todo(IsTodoType(type))
{
    for (const std::u16string_view column : {u"summary", u"description", u"location", u"start_time", u"start_date",
                                              u"end_time", u"due_date", u"allday", u"alarm_runtime", u"completed",
                                              u"priority"})
        m_columns.push_back(ColumnOf(type, column));
    m_stamp = Stamp(icaltime_from_timet_with_zone(std::time(nullptr), 0, icaltimezone_get_utc_timezone()));
}

std::string ICalendarWriter::Begin() const
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Varno//varnocsv//EN\r\n";
}

std::string ICalendarWriter::End() const
{
    return "END:VCALENDAR\r\n";
}

std::string ICalendarWriter::Write(const LayoutRow& row)
{
    // The columns in the order the constructor looked them up.
    enum { Summary, Description, Location, StartTime, StartDate, EndTime, DueDate, AllDay, Alarm, Completed, Priority };
    auto cell = [&](int which) -> std::string_view {
        const int at = m_columns[static_cast<std::size_t>(which)];
        return at >= 0 && static_cast<std::size_t>(at) < row.size() ? std::string_view(row[static_cast<std::size_t>(at)])
                                                                     : std::string_view();
    };
    std::string out;
    out.reserve(512);
    out += m_todo ? "BEGIN:VTODO\r\n" : "BEGIN:VEVENT\r\n";

    std::string uid(16, '0');
    std::uint64_t hash = Hash(row, m_type->name);
    for (std::size_t k = 16; k-- > 0; hash >>= 4)
        uid[k] = "0123456789abcdef"[hash & 0xF];
    uid.append("@varnocsv");
    if (const int earlier = m_uids[uid]++; earlier > 0)
        uid.append("-").append(std::to_string(earlier + 1));
    AddLine(out, "UID:", Escaped(uid));
    AddLine(out, "DTSTAMP:", m_stamp);

    auto text = [&](const char* name, std::string_view value) {
        if (!value.empty())
            AddLine(out, name, Escaped(value));
    };
    text("SUMMARY:", cell(Summary));
    const std::string_view start = cell(m_todo ? StartDate : StartTime);
    const bool allDay = !m_todo && cell(AllDay) == "1";
    const std::optional<icaltimetype> startTime = allDay ? LocalDate(start, 0) : UtcTime(start);
    auto time = [&](const char* name, const icaltimetype& t) {
        AddLine(out, std::string(name) + (icaltime_is_date(t) ? ";VALUE=DATE:" : ":"), Stamp(t));
    };
    if (startTime)
        time("DTSTART", *startTime);
    if (m_todo) {
        if (const auto due = UtcTime(cell(DueDate)))
            time("DUE", *due);
    } else {
        const std::string_view end = cell(EndTime);
        if (const auto endTime = allDay ? LocalDate(end.empty() ? start : end, 1) : UtcTime(end))
            time("DTEND", *endTime);
    }
    text("DESCRIPTION:", cell(Description));
    text("LOCATION:", cell(Location));

    if (m_todo) {
        int completed = 0;
        const std::string_view done = cell(Completed);
        std::from_chars(done.data(), done.data() + done.size(), completed);
        AddLine(out, "STATUS:", completed == 0 ? "NEEDS-ACTION" : completed == 6 ? "COMPLETED" : "IN-PROCESS");
        if (completed == 6)
            AddLine(out, "PERCENT-COMPLETE:", "100");
        else if (completed != 0)
            AddLine(out, "X-VARNO-COMPLETED:", std::to_string(completed));
        int priority = 0;
        const std::string_view level = cell(Priority);
        std::from_chars(level.data(), level.data() + level.size(), priority);
        if (priority >= 1 && priority <= 9)
            AddLine(out, "PRIORITY:", std::to_string(priority));
    }

    if (const auto ring = UtcTime(cell(Alarm))) {
        out += "BEGIN:VALARM\r\nACTION:DISPLAY\r\n";
        const std::string_view summary = cell(Summary);
        AddLine(out, "DESCRIPTION:", summary.empty() ? std::string("Reminder") : Escaped(summary));
        const long long before = startTime ? static_cast<long long>(icaltime_as_timet(*ring)) -
                                                 static_cast<long long>(icaltime_as_timet(*startTime))
                                           : 0;
        if (startTime && !allDay && before > -(1LL << 30) && before < (1LL << 30)) {
            char* duration = icaldurationtype_as_ical_string_r(icaldurationtype_from_int(static_cast<int>(before)));
            AddLine(out, "TRIGGER:", duration ? duration : "PT0S");
            std::free(duration);
        } else {
            AddLine(out, "TRIGGER;VALUE=DATE-TIME:", Stamp(*ring));
        }
        out += "END:VALARM\r\n";
    }
    out += m_todo ? "END:VTODO\r\n" : "END:VEVENT\r\n";
    return out;
}

} // namespace varno::host
