// Writing calendar entries and to-do items, given in their own layout, as
// iCalendar through libical (which escapes the texts, ends lines with CR LF
// and folds them at 75 octets).
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
#include <cstdio>
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

} // namespace

ICalendarWriter::ICalendarWriter(const RecordType& type) : m_type(&type)
{
    (void)IsTodoType(type);
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
    QuietLibical();
    const bool todo = IsTodoType(*m_type);
    auto cell = [&](std::u16string_view column) -> std::string_view {
        const int at = ColumnOf(*m_type, column);
        return at >= 0 && static_cast<std::size_t>(at) < row.size() ? std::string_view(row[static_cast<std::size_t>(at)])
                                                                     : std::string_view();
    };
    Component c(icalcomponent_new(todo ? ICAL_VTODO_COMPONENT : ICAL_VEVENT_COMPONENT));
    auto add = [&](icalproperty* p) { icalcomponent_add_property(c.get(), p); };

    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Hash(row, m_type->name)));
    std::string uid(hex);
    uid.append("@varnocsv");
    if (const int earlier = m_uids[uid]++; earlier > 0)
        uid.append("-").append(std::to_string(earlier + 1));
    add(icalproperty_new_uid(uid.c_str()));
    add(icalproperty_new_dtstamp(
        icaltime_from_timet_with_zone(std::time(nullptr), 0, icaltimezone_get_utc_timezone())));

    auto text = [&](std::u16string_view column, icalproperty* (*make)(const char*)) {
        const std::string value(cell(column));
        if (!value.empty())
            add(make(value.c_str()));
    };
    text(u"summary", icalproperty_new_summary);
    const std::string_view start = cell(todo ? u"start_date" : u"start_time");
    const bool allDay = !todo && cell(u"allday") == "1";
    std::optional<icaltimetype> startTime = allDay ? LocalDate(start, 0) : UtcTime(start);
    if (startTime)
        add(icalproperty_new_dtstart(*startTime));
    if (todo) {
        if (const auto due = UtcTime(cell(u"due_date")))
            add(icalproperty_new_due(*due));
    } else {
        const std::string_view end = cell(u"end_time");
        if (const auto endTime = allDay ? LocalDate(end.empty() ? start : end, 1) : UtcTime(end))
            add(icalproperty_new_dtend(*endTime));
    }
    text(u"description", icalproperty_new_description);
    text(u"location", icalproperty_new_location);

    if (todo) {
        int completed = 0;
        const std::string_view done = cell(u"completed");
        std::from_chars(done.data(), done.data() + done.size(), completed);
        add(icalproperty_new_status(completed == 0   ? ICAL_STATUS_NEEDSACTION
                                    : completed == 6 ? ICAL_STATUS_COMPLETED
                                                     : ICAL_STATUS_INPROCESS));
        if (completed == 6)
            add(icalproperty_new_percentcomplete(100));
        else if (completed != 0) {
            icalproperty* kept = icalproperty_new_x(std::to_string(completed).c_str());
            icalproperty_set_x_name(kept, "X-VARNO-COMPLETED");
            add(kept);
        }
        int priority = 0;
        const std::string_view level = cell(u"priority");
        std::from_chars(level.data(), level.data() + level.size(), priority);
        if (priority >= 1 && priority <= 9)
            add(icalproperty_new_priority(priority));
    }

    if (const auto ring = UtcTime(cell(u"alarm_runtime"))) {
        icalcomponent* alarm = icalcomponent_new(ICAL_VALARM_COMPONENT);
        icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
        const std::string summary(cell(u"summary"));
        icalcomponent_add_property(alarm, icalproperty_new_description(summary.empty() ? "Reminder" : summary.c_str()));
        icaltriggertype trigger{icaltime_null_time(), icaldurationtype_null_duration()};
        const long long before = startTime ? static_cast<long long>(icaltime_as_timet(*ring)) -
                                                 static_cast<long long>(icaltime_as_timet(*startTime))
                                           : 0;
        if (startTime && !allDay && before > -(1LL << 30) && before < (1LL << 30))
            trigger.duration = icaldurationtype_from_int(static_cast<int>(before));
        else
            trigger.time = *ring;
        icalproperty* p = icalproperty_new_trigger(trigger);
        if (!icaltime_is_null_time(trigger.time))
            icalproperty_add_parameter(p, icalparameter_new_value(ICAL_VALUE_DATETIME));
        icalcomponent_add_property(alarm, p);
        icalcomponent_add_component(c.get(), alarm);
    }

    char* written = icalcomponent_as_ical_string_r(c.get());
    std::string out = written ? written : "";
    std::free(written);
    return out;
}

} // namespace varno::host
