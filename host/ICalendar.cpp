// Reading iCalendar files (RFC 5545) into rows of the own layout of calendar
// entries or to-do items, through libical.
//
// The text is walked twice, a logical line (the folds joined) at a time:
// the first walk checks the structure (a VCALENDAR around everything,
// every BEGIN closed by its END, no deeper nesting than kMaxDepth, no
// unfolded line longer than kMaxLine) and reads the file's VTIMEZONEs; the
// second hands each VEVENT or VTODO, one at a time, to libical's parser and
// turns it into a row. libical keeps no line numbers and would parse a
// whole calendar into one tree, so the walk is ours, which also bounds what
// libical sees at once to one component; the values themselves (escapes,
// dates, durations, triggers, zones) are libical's to read.
//
// Times become the local time of the process (TZ), which the own layout
// holds and the import turns back into UTC with Local2Utc. A time that
// falls in the hour a clock change repeats cannot be told apart in local
// time: it is written as the other reading would give it and said.
// DURATION is added as exact seconds (a day is 86,400 seconds), also across
// a clock change. All-day entries keep their dates: an entry from DTSTART
// to the exclusive DTEND is stored from 00:00 of its first day to 00:00 of
// its last day, as the store keeps all-day entries.
//
// To-do priorities: iCalendar's 1 (highest) to 9 (lowest) and 0 (none) are
// the numbers the own layout's "priority" column holds, so they go across
// unchanged; the store keeps 1-4 as high, 5 as medium, 6-9 as low.
// Completion: STATUS:COMPLETED, a COMPLETED time or PERCENT-COMPLETE:100 is
// completed (6), anything else open (0); a partial percentage or a
// cancelled to-do is said. X-VARNO-COMPLETED, which our writer adds for a
// completion number other than 0 and 6, takes precedence.
//
// Repeating entries (RRULE, RDATE) are imported once, at DTSTART, their
// first occurrence; the changed occurrences of such entries (components
// with a RECURRENCE-ID) are not imported. Both are said once per file, with
// the lines of the first entries.
#include "host/ICalendar.h"

#include "host/ICalendar_p.h"
#include "host/Utf8_p.h"
#include "host/Session.h"
#include "store/Store.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cctype>
#include <charconv>
#include <cstring>
#include <ctime>
#include <map>
#include <set>

namespace varno::host {
namespace {

using namespace detail;

constexpr std::size_t kMaxLine = 256 * 1024; ///< octets of one unfolded line
constexpr std::size_t kMaxDepth = 8;          ///< components inside each other
constexpr std::size_t kHead = 64;             ///< octets of a line kept for its name
constexpr std::size_t kLinesNamed = 5;        ///< lines a note lists

std::string Upper(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper) // ASCII only, as iCalendar's names are; runs for every line
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

/// A name libical gives, which is null for kinds it has no name for.
std::string Named(const char* name)
{
    return name ? name : "(a component or property libical has no name for)";
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

/// The offset of the first byte that is not part of well-formed UTF-8 or
/// is a NUL, or npos.
std::size_t FirstBadByte(std::string_view text)
{
    return std::min(detail::FirstNonUtf8Byte(text), text.find('\0'));
}

/// One logical line: its physical lines, folds and line breaks included.
struct Line {
    std::size_t begin = 0, end = 0;
    std::int64_t number = 0; ///< of its first physical line
    std::size_t length = 0;  ///< octets once unfolded, without line breaks
    std::array<char, kHead> buffer{};
    std::size_t kept = 0; ///< octets of buffer in use: the first ones once unfolded

    [[nodiscard]] std::string_view Head() const { return {buffer.data(), kept}; }
    [[nodiscard]] std::string Name() const { return Upper(Head().substr(0, Head().find_first_of(";:"))); }
    /// The value of a short line (BEGIN:X, VERSION:X), upper case.
    [[nodiscard]] std::string Value() const
    {
        const std::size_t colon = Head().find(':');
        return colon == std::string_view::npos ? std::string() : Upper(Trim(Head().substr(colon + 1)));
    }
};

/// The logical lines of a text, in order.
class Lines {
public:
    explicit Lines(std::string_view text) : m_text(text) {}

    bool Next(Line& line)
    {
        if (m_at >= m_text.size())
            return false;
        line.begin = line.end = m_at;
        line.number = m_number;
        line.length = line.kept = 0;
        bool first = true;
        do {
            std::size_t end = m_text.find('\n', m_at);
            const std::size_t next = end == std::string_view::npos ? m_text.size() : end + 1;
            end = end == std::string_view::npos ? m_text.size() : end;
            if (end > m_at && m_text[end - 1] == '\r')
                --end;
            // A fold: the line break and the one space or tab after it.
            const std::size_t from = first ? m_at : m_at + 1;
            const std::string_view content = m_text.substr(from, end - from);
            const std::size_t more = std::min(content.size(), kHead - line.kept);
            std::copy_n(content.data(), more, line.buffer.data() + line.kept);
            line.kept += more;
            line.length += content.size();
            m_at = next, ++m_number, first = false;
        } while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t'));
        line.end = m_at;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
    std::int64_t m_number = 1;
};

/// One component directly inside a VCALENDAR, as the walk found it.
struct Found {
    std::string kind; ///< "VEVENT", upper case
    std::size_t begin = 0, end = 0;
    std::int64_t line = 0;
    std::vector<Line> dropped; ///< lines longer than kMaxLine, left out
    /// The lines of an entry that libical is not given: the longer ones, and
    /// the properties the reader takes nothing from (their names in unread).
    std::vector<std::pair<std::size_t, std::size_t>> holes;
    std::vector<std::string> unread;
};

/// Per-entry faults and what was left out, gathered over a file and said
/// once per kind with the lines of the first entries.
class Tally {
public:
    void Add(const std::string& what, std::int64_t line)
    {
        auto [it, added] = m_index.try_emplace(what, m_items.size());
        if (added)
            m_items.push_back({what, 0, {}});
        Item& item = m_items[it->second];
        ++item.count;
        if (item.lines.size() < kLinesNamed)
            item.lines.push_back(line);
    }
    void Say(const std::string& shown, const NoteSink& note) const
    {
        for (const Item& item : m_items) {
            std::string lines = item.count == 1 ? "line " : "lines ";
            for (std::size_t i = 0; i < item.lines.size(); ++i)
                lines += (i ? ", " : "") + std::to_string(item.lines[i]);
            if (item.count > static_cast<long long>(item.lines.size()))
                lines += " and " + std::to_string(item.count - static_cast<long long>(item.lines.size())) + " more";
            note(shown + ", " + lines + ": " + item.what);
        }
    }

private:
    struct Item {
        std::string what;
        long long count;
        std::vector<std::int64_t> lines;
    };
    std::map<std::string, std::size_t> m_index;
    std::vector<Item> m_items;
};

/// The properties the reader takes from a component of the type; a line of
/// one of them that is too long, or that libical cannot read, refuses the
/// file rather than losing the value.
const std::set<std::string, std::less<>>& ReadProperties()
{
    static const std::set<std::string, std::less<>> names = {
        "BEGIN",   "END",      "SUMMARY", "DESCRIPTION", "LOCATION",         "DTSTART",   "DTEND",
        "DUE",     "DURATION", "TRIGGER", "PRIORITY",    "PERCENT-COMPLETE", "COMPLETED", "STATUS",
        "TZID",    "TZOFFSETFROM", "TZOFFSETTO", "RRULE", "RDATE", "RECURRENCE-ID"};
    return names;
}

/// The properties of an entry that libical is given to read; the lines of
/// any other property are only counted, which saves libical's parser half
/// its work on a typical calendar program's export.
bool Handed(std::string_view name)
{
    static const std::set<std::string, std::less<>> names = {
        "BEGIN",    "END",    "SUMMARY",          "DESCRIPTION", "LOCATION", "DTSTART",       "DTEND",
        "DUE",      "DURATION", "STATUS",         "PERCENT-COMPLETE", "COMPLETED", "PRIORITY", "RRULE",
        "RDATE",    "RECURRENCE-ID", "X-VARNO-COMPLETED"};
    return names.count(name) != 0;
}

/// Checks the structure of the whole text and hands `found` each
/// component directly inside a VCALENDAR; with `sparing`, the lines of an
/// entry (VEVENT, VTODO) that no column reads are left out of it.
template <class Visit>
void Walk(std::string_view text, const std::string& shown, bool sparing, Visit&& found)
{
    auto refuse = [&](std::int64_t line, const std::string& cause, const std::string& todo) {
        throw Error(Error::Kind::Refused, shown + ", line " + std::to_string(line) + ": " + cause + "; " + todo);
    };
    struct Open {
        std::string kind;
        std::int64_t line;
    };
    std::vector<Open> open;
    Found current;
    long calendars = 0;
    Lines lines(text);
    for (Line line; lines.Next(line);) {
        if (line.length == 0)
            continue; // blank lines are tolerated between and inside components
        const std::string name = line.Name();
        if (line.length > kMaxLine) {
            if (open.empty() || ReadProperties().count(name))
                refuse(line.number,
                       "a line of " + std::to_string(line.length) + " octets once unfolded (" + name +
                           "), more than the " + std::to_string(kMaxLine / 1024) + " KiB read",
                       "shorten that value");
            // A property of the calendar itself is never read anyway.
            if (open.size() >= 2) {
                current.dropped.push_back(line);
                current.holes.emplace_back(line.begin, line.end);
            }
            continue;
        }
        if (sparing && open.size() == 2 && (current.kind == "VEVENT" || current.kind == "VTODO") && !Handed(name)) {
            current.holes.emplace_back(line.begin, line.end);
            current.unread.push_back(name);
            continue;
        }
        if (name == "BEGIN") {
            const std::string kind = line.Value();
            if (open.empty() && kind != "VCALENDAR")
                refuse(line.number, "BEGIN:" + kind + " outside a calendar: this is not an iCalendar file",
                       "import a file that begins with BEGIN:VCALENDAR");
            if (open.size() >= kMaxDepth)
                refuse(line.number, "components nested more than " + std::to_string(kMaxDepth) + " deep",
                       "check the file's BEGIN and END lines");
            open.push_back({kind, line.number});
            if (open.size() == 2)
                current = Found{kind, line.begin, 0, line.number, {}, {}, {}};
        } else if (name == "END") {
            const std::string kind = line.Value();
            if (open.empty())
                refuse(line.number, "END:" + kind + " with no BEGIN before it", "check the file's BEGIN and END lines");
            if (open.back().kind != kind)
                refuse(line.number,
                       "END:" + kind + " does not close BEGIN:" + open.back().kind + " of line " +
                           std::to_string(open.back().line),
                       "check the file's BEGIN and END lines");
            open.pop_back();
            if (open.size() == 1) {
                current.end = line.end;
                found(current);
            } else if (open.empty()) {
                ++calendars;
            }
        } else if (open.empty()) {
            refuse(line.number, "text outside BEGIN:VCALENDAR and END:VCALENDAR: this is not an iCalendar file",
                   "import a file that begins with BEGIN:VCALENDAR");
        } else if (open.size() == 1 && name == "VERSION" && line.Value() != "2.0") {
            refuse(line.number, "VERSION:" + line.Value() + " (vCalendar 1.0 is not read, only iCalendar 2.0)",
                   "export the calendar as iCalendar 2.0");
        }
    }
    if (!open.empty())
        refuse(open.back().line, "BEGIN:" + open.back().kind + " is never closed (the file may be cut short)",
               "import the whole file");
    if (calendars == 0)
        refuse(1, "no BEGIN:VCALENDAR: this is not an iCalendar file", "import a calendar saved as .ics");
}

/// A set of property kinds: a bit each, as a tree set of them cost as much
/// as reading the entry's values.
class Kinds {
public:
    Kinds(std::initializer_list<icalproperty_kind> kinds)
    {
        for (const icalproperty_kind kind : kinds)
            (void)insert(kind);
    }
    /// Adds `kind`; whether it was not in the set before.
    bool insert(icalproperty_kind kind)
    {
        const std::size_t at = Index(kind);
        const bool added = !m_bits.test(at);
        m_bits.set(at);
        return added;
    }
    [[nodiscard]] bool count(icalproperty_kind kind) const { return m_bits.test(Index(kind)); }

private:
    // libical's kinds run from ICAL_ANY_PROPERTY (0) to ICAL_NO_PROPERTY.
    static std::size_t Index(icalproperty_kind kind)
    {
        const auto at = static_cast<std::size_t>(kind);
        return at < kSize ? at : kSize - 1;
    }
    static constexpr std::size_t kSize = static_cast<std::size_t>(ICAL_NO_PROPERTY) + 1;
    std::bitset<kSize> m_bits;
};

/// A time as the own layout holds it.
struct Moment {
    COleDateTime local;   ///< what the cell says
    std::int64_t utc = 0; ///< the instant import stores for it
    bool date = false;    ///< a DATE value, no time of day
};

class Reader {
public:
    Reader(const std::string& shown, const RecordType& type) : m_shown(shown), m_type(type), m_todo(IsTodoType(type))
    {
        const auto& columns = type.layout().columns;
        // Each column's role, found once rather than by name for every entry.
        static const std::pair<std::u16string_view, Role> roles[] = {
            {u"summary", Role::Summary},         {u"description", Role::Description}, {u"location", Role::Location},
            {u"start_time", Role::Start},        {u"start_date", Role::Start},        {u"end_time", Role::End},
            {u"due_date", Role::Due},            {u"allday", Role::AllDay},           {u"alarm_runtime", Role::Alarm},
            {u"completed", Role::Completed},     {u"priority", Role::Priority}};
        for (const auto& column : columns) {
            Role role = Role::None;
            for (const auto& [name, which] : roles)
                if (column.exportName == name)
                    role = which;
            m_columns.push_back(role);
        }
    }

    void Read(std::string_view text, const LayoutRowSink& each, const NoteSink& note)
    {
        const std::size_t bad = FirstBadByte(text);
        if (bad != std::string_view::npos) {
            const auto line = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(bad), '\n') + 1;
            throw Error(Error::Kind::Refused,
                        m_shown + ", line " + std::to_string(line) + ": " +
                            (text[bad] == '\0' ? std::string("a NUL byte")
                                               : "bytes that are not UTF-8 (iCalendar files are UTF-8)") +
                            "; save the file as UTF-8 and import it again");
        }
        Walk(text, m_shown, false, [&](const Found& found) {
            if (found.kind == "VTIMEZONE")
                AddZone(Parse(text, found), found.line);
        });
        Walk(text, m_shown, true, [&](const Found& found) {
            for (const Line& line : found.dropped)
                m_tally.Add("a line of more than " + std::to_string(kMaxLine / 1024) + " KiB (" + line.Name() +
                                ") is left out",
                            line.number);
            if (found.kind == Wanted())
                Entry(Parse(text, found).get(), found, each);
            else if (found.kind != "VTIMEZONE")
                ++m_others[found.kind];
        });
        Say(note);
    }

private:
    [[nodiscard]] std::string Wanted() const { return m_todo ? "VTODO" : "VEVENT"; }

    [[noreturn]] void Refuse(std::int64_t line, const std::string& cause, const std::string& todo) const
    {
        throw Error(Error::Kind::Refused, m_shown + ", line " + std::to_string(line) + ": " + cause + "; " + todo);
    }

    Component Parse(std::string_view text, const Found& found)
    {
        std::string chunk;
        chunk.reserve(found.end - found.begin);
        std::size_t at = found.begin;
        for (const auto& [begin, end] : found.holes) {
            chunk.append(text.substr(at, begin - at));
            at = end;
        }
        chunk.append(text.substr(at, found.end - at));
        QuietLibical();
        Component component(icalparser_parse_string(chunk.c_str()));
        // libical's own reading of the BEGIN line may differ from ours
        // ("BEGIN;X=1:VTODO"): then it is not the component we walked.
        if (!component || icalcomponent_isa(component.get()) != icalcomponent_string_to_kind(found.kind.c_str()))
            Refuse(found.line, "libical cannot read this " + found.kind, "check the lines from here to its END");
        CheckErrors(component.get(), found.line);
        return component;
    }

    /// libical reports what it cannot read as X-LIC-ERROR properties in
    /// place of the lines, which it leaves out: said, as the CSV import says
    /// a cell nobody can read.
    void CheckErrors(icalcomponent* component, std::int64_t line)
    {
        for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY); p;
             p = icalcomponent_get_next_property(component, ICAL_XLICERROR_PROPERTY)) {
            const char* text = icalproperty_get_xlicerror(p);
            m_tally.Add("libical cannot read a line, left out: " + std::string(text ? text : ""), line);
        }
        for (icalcomponent* c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); c;
             c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
            CheckErrors(c, line);
    }

    void AddZone(Component component, std::int64_t line)
    {
        icalproperty* tzid = icalcomponent_get_first_property(component.get(), ICAL_TZID_PROPERTY);
        const char* name = tzid ? icalproperty_get_tzid(tzid) : nullptr;
        if (!name)
            Refuse(line, "a VTIMEZONE without TZID", "give the time zone its TZID");
        if (m_zones.count(name))
            return; // the first definition holds
        CheckZoneRules(component.get(), name, line);
        Zone zone(icaltimezone_new());
        if (!zone || !icaltimezone_set_component(zone.get(), component.get()))
            Refuse(line, "libical cannot read the time zone \"" + std::string(name) + "\"", "check its definition");
        (void)component.release(); // the zone owns it now
        m_zones.emplace(icaltimezone_get_tzid(zone.get()), std::move(zone));
    }

    /// libical expands a zone's rules from their first DTSTART on, each
    /// time a time is converted: a rule that repeats hourly from 1601 made
    /// a file of 500 bytes take seconds per time. No zone changes its offset
    /// more than a few times a year, so a rule must repeat yearly, with at
    /// most one month and one weekday and no hours, minutes or seconds
    /// (the week after the 7th: up to seven days of the month).
    void CheckZoneRules(icalcomponent* zone, const char* name, std::int64_t line)
    {
        auto count = [](const short* values, int size) {
            int n = 0;
            while (n < size && values[n] != ICAL_RECURRENCE_ARRAY_MAX)
                ++n;
            return n;
        };
        for (icalcomponent* rule = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT); rule;
             rule = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT)) {
            for (icalproperty* p = icalcomponent_get_first_property(rule, ICAL_RRULE_PROPERTY); p;
                 p = icalcomponent_get_next_property(rule, ICAL_RRULE_PROPERTY)) {
                icalrecurrencetype r = icalproperty_get_rrule(p);
                const bool sound = r.freq == ICAL_YEARLY_RECURRENCE && count(r.by_hour, ICAL_BY_HOUR_SIZE) == 0 &&
                                   count(r.by_minute, ICAL_BY_MINUTE_SIZE) == 0 &&
                                   count(r.by_second, ICAL_BY_SECOND_SIZE) == 0 &&
                                   count(r.by_month, ICAL_BY_MONTH_SIZE) <= 1 &&
                                   count(r.by_day, ICAL_BY_DAY_SIZE) <= 1 &&
                                   count(r.by_month_day, ICAL_BY_MONTHDAY_SIZE) <= 7 &&
                                   count(r.by_year_day, ICAL_BY_YEARDAY_SIZE) <= 1 &&
                                   count(r.by_week_no, ICAL_BY_WEEKNO_SIZE) == 0 &&
                                   count(r.by_set_pos, ICAL_BY_SETPOS_SIZE) <= 1;
                if (!sound) {
                    const char* text = icalrecurrencetype_as_string(&r);
                    Refuse(line, "the time zone \"" + std::string(name) + "\" has a rule that changes its offset " +
                                     "more often than once a year (" + std::string(text ? text : "RRULE") + ")",
                           "correct the VTIMEZONE, or export the calendar again from its program");
                }
            }
        }
    }

    icaltimezone* ZoneNamed(const std::string& tzid, std::int64_t line)
    {
        if (auto it = m_zones.find(tzid); it != m_zones.end())
            return it->second.get();
        // libical's own zones are looked up once per file and name.
        if (auto it = m_builtin.find(tzid); it != m_builtin.end())
            return it->second;
        icaltimezone* zone = icaltimezone_get_builtin_timezone(tzid.c_str());
        if (!zone)
            zone = icaltimezone_get_builtin_timezone_from_tzid(tzid.c_str());
        if (zone)
            return m_builtin.emplace(tzid, zone).first->second;
        Refuse(line,
               "the time zone \"" + tzid + "\" is neither defined in the file (VTIMEZONE) nor a zone libical knows",
               "export the calendar again with its time zones, or name a zone such as Europe/Berlin in its TZID");
    }

    /// The moment of a DATE or DATE-TIME value; nothing, and said, for one
    /// that the store cannot hold.
    std::optional<Moment> Read(icaltimetype t, icalproperty* property, std::int64_t line, const char* what)
    {
        if (icaltime_is_null_time(t))
            return std::nullopt;
        // libical reads month 13 or hour 25 and would carry them over.
        if (!icaltime_is_valid_time(t) ||
            COleDateTime(t.year, t.month, t.day, t.hour, t.minute, t.second).GetStatus() != COleDateTime::valid) {
            m_tally.Add(std::string(what) + " is not a date the store holds: left empty", line);
            return std::nullopt;
        }
        Moment moment;
        moment.date = icaltime_is_date(t) != 0;
        const char* tzid = nullptr;
        if (icalparameter* p = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER))
            tzid = icalparameter_get_tzid(p);
        COleDateTime utc;
        if (moment.date || (!icaltime_is_utc(t) && !tzid)) {
            // Dates and floating times are local times wherever they are read.
            moment.local = COleDateTime(t.year, t.month, t.day, moment.date ? 0 : t.hour, moment.date ? 0 : t.minute,
                                        moment.date ? 0 : t.second);
            utc = Local2Utc(moment.local);
        } else {
            if (tzid && !icaltime_is_utc(t)) {
                icaltime_set_timezone(&t, ZoneNamed(tzid, line));
                t = icaltime_convert_to_zone(t, icaltimezone_get_utc_timezone());
            }
            utc = COleDateTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
            moment.local = Utc2Local(utc);
            const std::optional<std::int64_t> back = SecondsOf(Local2Utc(moment.local)), meant = SecondsOf(utc);
            if (back && meant && *back != *meant)
                m_tally.Add(std::string(what) + " (" + LocalCell(utc) +
                                " UTC) falls in the hour the clock change repeats; the layout holds local time, " +
                                LocalCell(moment.local) + ", which import stores as " + LocalCell(UtcOf(*back)) +
                                " UTC",
                            line);
        }
        const std::optional<std::int64_t> seconds = SecondsOf(utc);
        if (moment.local.GetStatus() != COleDateTime::valid || !moment.local.GetFields() || !seconds) {
            m_tally.Add(std::string(what) + " lies outside the dates the store holds: left empty", line);
            return std::nullopt;
        }
        moment.utc = *seconds;
        return moment;
    }

    std::optional<Moment> ReadProperty(icalcomponent* c, icalproperty_kind kind, std::int64_t line, const char* what)
    {
        icalproperty* p = icalcomponent_get_first_property(c, kind);
        if (!p || !icalproperty_get_value(p))
            return std::nullopt;
        return Read(icalvalue_get_datetimedate(icalproperty_get_value(p)), p, line, what);
    }

    /// `base` moved by `seconds`, as a local time.
    std::optional<Moment> Moved(const Moment& base, std::int64_t seconds)
    {
        const COleDateTime local = Utc2Local(UtcOf(base.utc + seconds));
        if (local.GetStatus() != COleDateTime::valid || !local.GetFields())
            return std::nullopt;
        return Moment{local, base.utc + seconds, false};
    }

    /// A date `days` after an all-day moment's date.
    static std::optional<Moment> DaysAfter(const Moment& date, std::int64_t days)
    {
        Moment moved = date;
        moved.local = COleDateTime(date.local.m_dt + static_cast<double>(days));
        const auto seconds = SecondsOf(Local2Utc(moved.local));
        if (!seconds || !moved.local.GetFields())
            return std::nullopt;
        moved.utc = *seconds;
        return moved;
    }

    static std::int64_t DaysOf(const icaldurationtype& d)
    {
        const std::int64_t days = static_cast<std::int64_t>(d.days) + 7 * static_cast<std::int64_t>(d.weeks);
        return d.is_neg ? -days : days;
    }

    void Entry(icalcomponent* c, const Found& found, const LayoutRowSink& each)
    {
        const std::int64_t line = found.line;
        if (icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY)) {
            m_tally.Add("a changed occurrence of a repeating entry (RECURRENCE-ID) is not imported", line);
            return;
        }
        if (icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY) ||
            icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY))
            m_tally.Add("a repeating entry: only its first occurrence (DTSTART) is imported", line);

        Kinds used = {ICAL_UID_PROPERTY,     ICAL_DTSTAMP_PROPERTY,  ICAL_CREATED_PROPERTY,
                                            ICAL_LASTMODIFIED_PROPERTY, ICAL_SEQUENCE_PROPERTY, ICAL_RRULE_PROPERTY,
                                            ICAL_RDATE_PROPERTY,   ICAL_EXDATE_PROPERTY,   ICAL_XLICERROR_PROPERTY};
        LayoutRow row(m_columns.size());
        // A property's value as text, unescaped by libical; "" without one.
        auto text = [&](icalproperty_kind kind) {
            used.insert(kind);
            icalproperty* p = icalcomponent_get_first_property(c, kind);
            icalvalue* v = p ? icalproperty_get_value(p) : nullptr;
            if (!v)
                return std::string();
            const char* value = icalvalue_isa(v) == ICAL_TEXT_VALUE ? icalvalue_get_text(v)
                                                                    : icalproperty_get_value_as_string(p);
            return std::string(value ? value : "");
        };

        used.insert(ICAL_DTSTART_PROPERTY);
        const std::optional<Moment> start = ReadProperty(c, ICAL_DTSTART_PROPERTY, line, "DTSTART");
        std::optional<Moment> end;
        if (icalproperty* duration = icalcomponent_get_first_property(c, ICAL_DURATION_PROPERTY);
            duration && start && !icalcomponent_get_first_property(c, m_todo ? ICAL_DUE_PROPERTY : ICAL_DTEND_PROPERTY)) {
            const icaldurationtype d = icalproperty_get_duration(duration);
            end = start->date ? DaysAfter(*start, DaysOf(d)) : Moved(*start, icaldurationtype_as_int(d));
            used.insert(ICAL_DURATION_PROPERTY);
        }

        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            const Role column = m_columns[i];
            std::string& cell = row[i];
            if (column == Role::Summary) {
                cell = text(ICAL_SUMMARY_PROPERTY);
            } else if (column == Role::Description) {
                cell = text(ICAL_DESCRIPTION_PROPERTY);
            } else if (column == Role::Location) {
                cell = text(ICAL_LOCATION_PROPERTY);
            } else if (column == Role::Start) {
                cell = start ? LocalCell(start->local) : std::string();
            } else if (column == Role::End) {
                used.insert(ICAL_DTEND_PROPERTY);
                if (!end)
                    end = ReadProperty(c, ICAL_DTEND_PROPERTY, line, "DTEND");
                cell = LocalCell(AllDayEnd(start, end).local);
            } else if (column == Role::Due) {
                used.insert(ICAL_DUE_PROPERTY);
                if (!end)
                    end = ReadProperty(c, ICAL_DUE_PROPERTY, line, "DUE");
                cell = end ? LocalCell(end->local) : std::string();
            } else if (column == Role::AllDay) {
                cell = start && start->date ? "1" : "0";
            } else if (column == Role::Alarm) {
                cell = Alarm(c, start, end, line);
            } else if (column == Role::Completed) {
                cell = Completion(c, line, used);
            } else if (column == Role::Priority) {
                cell = Priority(c, line, used);
            }
        }
        // A to-do without a start is common (only a due date); an entry
        // without one, or a start that cannot be read, is worth saying.
        if (!start && (!m_todo || icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY)))
            m_tally.Add(std::string(m_todo ? "a to-do" : "an entry") + " without a start (DTSTART) that can be read: "
                        "stored with no start",
                        line);
        NotStored(c, used, found.unread);
        each(row, line);
    }

    /// The end of a calendar entry as the store keeps it: an all-day entry
    /// ends at 00:00 of its last day (iCalendar's end is the day after), an
    /// entry with no end ends at its start (or on its own day).
    Moment AllDayEnd(const std::optional<Moment>& start, const std::optional<Moment>& end)
    {
        if (!start) {
            Moment none;
            none.local.SetStatus(COleDateTime::invalid);
            return end ? *end : none;
        }
        if (!end)
            return *start;
        if (start->date && end->date) {
            const std::optional<Moment> last = DaysAfter(*end, -1);
            return last && last->local.m_dt > start->local.m_dt ? *last : *start;
        }
        return *end;
    }

    std::string Alarm(icalcomponent* c, const std::optional<Moment>& start, const std::optional<Moment>& end,
                      std::int64_t line)
    {
        icalcomponent* alarm = icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT);
        if (!alarm)
            return {};
        icalproperty* trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
        if (!trigger) {
            m_tally.Add("an alarm without TRIGGER is left out", line);
            return {};
        }
        const icaltriggertype when = icalproperty_get_trigger(trigger);
        std::optional<Moment> ring;
        if (!icaltime_is_null_time(when.time)) {
            ring = Read(when.time, trigger, line, "an alarm's TRIGGER");
        } else {
            icalparameter* related = icalproperty_get_first_parameter(trigger, ICAL_RELATED_PARAMETER);
            const bool fromEnd = related && icalparameter_get_related(related) == ICAL_RELATED_END;
            const std::optional<Moment>& base = fromEnd ? (end ? end : start) : start;
            if (base)
                ring = Moved(*base, icaldurationtype_as_int(when.duration));
            else
                m_tally.Add("an alarm relative to a start or end the entry lacks is left out", line);
        }
        return ring ? LocalCell(ring->local) : std::string();
    }

    std::string Completion(icalcomponent* c, std::int64_t line, Kinds& used)
    {
        used.insert(ICAL_STATUS_PROPERTY);
        used.insert(ICAL_PERCENTCOMPLETE_PROPERTY);
        used.insert(ICAL_COMPLETED_PROPERTY);
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
            const char* name = icalproperty_get_x_name(p);
            const char* value = icalproperty_get_x(p);
            int number = 0;
            if (name && value && Upper(name) == "X-VARNO-COMPLETED" &&
                std::from_chars(value, value + std::strlen(value), number).ec == std::errc())
                return std::to_string(number);
        }
        const icalproperty_status status = icalcomponent_get_status(c);
        icalproperty* percent = icalcomponent_get_first_property(c, ICAL_PERCENTCOMPLETE_PROPERTY);
        const int share = percent ? icalproperty_get_percentcomplete(percent) : 0;
        if (status == ICAL_STATUS_COMPLETED || share >= 100 ||
            icalcomponent_get_first_property(c, ICAL_COMPLETED_PROPERTY))
            return "6";
        if (share > 0)
            m_tally.Add("partly done (PERCENT-COMPLETE): stored as open", line);
        if (status == ICAL_STATUS_CANCELLED)
            m_tally.Add("cancelled (STATUS:CANCELLED): stored as open", line);
        return "0";
    }

    std::string Priority(icalcomponent* c, std::int64_t line, Kinds& used)
    {
        used.insert(ICAL_PRIORITY_PROPERTY);
        icalproperty* p = icalcomponent_get_first_property(c, ICAL_PRIORITY_PROPERTY);
        const int priority = p ? icalproperty_get_priority(p) : 0;
        if (priority < 0 || priority > 9) {
            m_tally.Add("a PRIORITY outside 0 to 9: stored as none", line);
            return "0";
        }
        return std::to_string(priority);
    }

    /// Counts every property and component the row does not hold.
    void NotStored(icalcomponent* c, const Kinds& used, const std::vector<std::string>& unread)
    {
        // libical splits a list (CATEGORIES:A,B) into one property per
        // value: an entry counts once per name.
        // The file's bookkeeping, not the entry's content, is not counted.
        static const std::set<std::string, std::less<>> bookkeeping = {"UID", "DTSTAMP", "CREATED", "LAST-MODIFIED",
                                                                       "SEQUENCE", "EXDATE"};
        std::set<std::string> names;
        for (const std::string& name : unread)
            if (!bookkeeping.count(name))
                names.insert(name);
        Kinds seen{};
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_ANY_PROPERTY)) {
            const icalproperty_kind kind = icalproperty_isa(p);
            if (kind == ICAL_X_PROPERTY) {
                const char* name = icalproperty_get_x_name(p);
                if (!name || Upper(name) != "X-VARNO-COMPLETED")
                    names.insert(name ? Upper(name) : "X-");
            } else if (!used.count(kind)) {
                names.insert(Named(icalproperty_kind_to_string(kind)));
            } else if (!seen.insert(kind)) {
                names.insert("a second " + Named(icalproperty_kind_to_string(kind)));
            }
        }
        bool firstAlarm = !m_todo;
        for (icalcomponent* sub = icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT); sub;
             sub = icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT)) {
            if (icalcomponent_isa(sub) == ICAL_VALARM_COMPONENT && firstAlarm)
                firstAlarm = false;
            else
                names.insert(Named(icalcomponent_kind_to_string(icalcomponent_isa(sub))));
        }
        for (const std::string& name : names)
            ++m_notStored[name];
    }

    void Say(const NoteSink& note) const
    {
        if (!m_others.empty()) {
            std::string kinds;
            for (const auto& [kind, count] : m_others)
                kinds += (kinds.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
            // The other kind of the two the file may hold is imported as its own type.
            const bool otherKind = m_others.count(m_todo ? "VEVENT" : "VTODO") > 0;
            note(m_shown + ": not imported, as they are not " + std::string(m_type.plural) + ": " + kinds +
                 (otherKind ? m_todo ? " (import the file as calendar entries for those)"
                                     : " (import the file as to-do items for those)"
                            : ""));
        }
        m_tally.Say(m_shown, note);
        if (!m_notStored.empty()) {
            std::string names;
            for (const auto& [name, count] : m_notStored)
                names += (names.empty() ? "" : ", ") + name + " (" + std::to_string(count) + ")";
            note(m_shown + ": not stored, as the " + std::string(m_type.name) +
                 " layout has no place for them (in how many entries): " + names);
        }
    }

    const std::string& m_shown;
    const RecordType& m_type;
    bool m_todo;
    enum class Role { None, Summary, Description, Location, Start, End, Due, AllDay, Alarm, Completed, Priority };
    std::vector<Role> m_columns; ///< what each column of the layout holds
    std::map<std::string, Zone, std::less<>> m_zones;
    std::map<std::string, icaltimezone*, std::less<>> m_builtin; ///< libical's zones, owned by libical
    std::map<std::string, long long> m_others;
    std::map<std::string, long long> m_notStored;
    Tally m_tally;
};

} // namespace

void ReadICalendar(std::string_view text, const std::string& shown, const RecordType& type,
                   const LayoutRowSink& each, const NoteSink& note)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    Reader(shown, type).Read(text, each, note);
}

} // namespace varno::host
