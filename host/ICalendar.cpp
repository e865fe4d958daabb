// Reading iCalendar files (RFC 5545) into rows of the own layout of calendar
// entries or to-do items.
//
// The walk over the file is ours: a logical line (the folds joined) at a
// time, checking the structure (a VCALENDAR around everything, every BEGIN
// closed by its END, no deeper nesting than kMaxDepth, no unfolded line
// longer than kMaxLine) and reading the properties of each VEVENT or VTODO
// as it goes: texts with their escapes, dates and times, durations, alarm
// triggers, numbers. libical reads what needs its knowledge: the file's
// VTIMEZONEs, the zone names it knows, and the conversion of a time in
// such a zone to UTC. Handing every entry to libical's parser instead cost
// three times the whole CSV import of the same records, most of it building
// and freeing the tree of each entry; it also keeps no line numbers.
//
// The file is walked once, front to back, a line at a time (its UTF-8
// checked as it goes), so that the pages of a large file can be let go of
// as the reading moves on. VTIMEZONEs are read where they stand; an entry
// whose TZID is not defined above it sets off one more walk that reads every
// VTIMEZONE of the file, since a zone may be defined further down.
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
//
// Values are read as leniently as they can be without guessing: a date
// where a time is expected and the other way round, any letter case in
// names, parameters in quotes. A value that cannot be read is left empty
// and said, with the line of its entry.
#include "host/ICalendar.h"

#include "host/Ascii_p.h"
#include "host/ICalendar_p.h"
#include "host/Utf8_p.h"
#include "host/Session.h"
#include "store/Store.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <map>
#include <set>

namespace varno::host {
namespace {

using namespace detail;

constexpr std::size_t kMaxLine = 256 * 1024; ///< octets of one unfolded line
constexpr std::size_t kMaxDepth = 8;          ///< components inside each other
constexpr std::size_t kLinesNamed = 5;        ///< lines a note lists
constexpr std::size_t kCheckedAhead = 64 * 1024; ///< octets checked for UTF-8 at a time

/// The offset of the first byte that is not part of well-formed UTF-8 or
/// is a NUL, or npos.
std::size_t FirstBadByte(std::string_view text)
{
    return std::min(detail::FirstNonUtf8Byte(text), text.find('\0'));
}

/// One logical line.
struct Line {
    std::string_view text;   ///< once unfolded, without its line break; at most kMaxLine + 1 octets of it
    std::size_t length = 0;  ///< octets once unfolded
    std::int64_t number = 0; ///< of its first physical line
    std::size_t begin = 0, end = 0; ///< where it lies in the file, its line breaks included

    [[nodiscard]] std::string_view Name() const { return text.substr(0, text.find_first_of(";:")); }
    /// The value of a short line (BEGIN:X), upper case.
    [[nodiscard]] std::string Value() const
    {
        const std::size_t colon = text.find(':');
        return colon == std::string_view::npos ? std::string() : Upper(Trim(text.substr(colon + 1)));
    }
};

/// The logical lines of a text, in order. A line without folds is a view
/// of the file; a folded one is joined in a buffer of the reader's.
class Lines {
public:
    explicit Lines(std::string_view text) : m_text(text) {}

    bool Next(Line& line)
    {
        if (m_at >= m_text.size())
            return false;
        line.begin = m_at;
        line.number = m_number;
        std::size_t next = 0;
        std::size_t end = Physical(m_at, next);
        if (!Folded(next)) {
            line.text = m_text.substr(m_at, end - m_at);
            line.length = line.text.size();
            m_at = line.end = next;
            return true;
        }
        m_joined.assign(m_text.substr(m_at, std::min(end - m_at, kMaxLine + 1)));
        line.length = end - m_at;
        for (m_at = next; Folded(m_at); m_at = next) {
            // A fold: the line break and the one space or tab after it.
            end = Physical(m_at, next);
            const std::size_t from = std::min(m_at + 1, end);
            line.length += end - from;
            if (m_joined.size() <= kMaxLine)
                m_joined.append(m_text.substr(from, std::min(end - from, kMaxLine + 1 - m_joined.size())));
        }
        line.text = m_joined;
        line.end = m_at;
        return true;
    }

private:
    /// The end of the content of the physical line at `from`; `next` is
    /// where the following one starts.
    std::size_t Physical(std::size_t from, std::size_t& next)
    {
        ++m_number;
        const void* found = std::memchr(m_text.data() + from, '\n', m_text.size() - from);
        std::size_t end = found ? static_cast<std::size_t>(static_cast<const char*>(found) - m_text.data()) : m_text.size();
        next = found ? end + 1 : end;
        if (end > from && m_text[end - 1] == '\r')
            --end;
        return end;
    }
    [[nodiscard]] bool Folded(std::size_t at) const
    {
        return at < m_text.size() && (m_text[at] == ' ' || m_text[at] == '\t');
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    std::int64_t m_number = 1;
    std::string m_joined;
};

/// A content line taken apart: NAME;PARAMETERS:VALUE.
struct Property {
    std::string_view name, parameters, value; ///< parameters with their first ';', or empty
};

/// Whether `text` is a content line; false for one without a name or a
/// colon after its parameters.
bool Split(std::string_view text, Property& property)
{
    const std::size_t stop = text.find_first_of(";:");
    if (stop == 0 || stop == std::string_view::npos)
        return false;
    property.name = text.substr(0, stop);
    std::size_t colon = stop;
    if (text[stop] == ';') {
        bool quoted = false;
        for (; colon < text.size(); ++colon) {
            if (text[colon] == '"')
                quoted = !quoted;
            else if (text[colon] == ':' && !quoted)
                break;
        }
        if (colon == text.size())
            return false;
    }
    property.parameters = text.substr(stop, colon - stop);
    property.value = text.substr(colon + 1);
    return true;
}

/// The value of parameter `upper` in `parameters` (";TZID=Europe/Berlin",
/// any letter case, without its quotes); nothing when it is absent.
std::optional<std::string_view> Parameter(std::string_view parameters, std::string_view upper)
{
    for (std::size_t at = 0; at < parameters.size();) {
        std::size_t end = at + 1; // parameters[at] is the ';' before one
        for (bool quoted = false; end < parameters.size(); ++end) {
            if (parameters[end] == '"')
                quoted = !quoted;
            else if (parameters[end] == ';' && !quoted)
                break;
        }
        const std::string_view one = parameters.substr(at + 1, end - at - 1);
        if (const std::size_t equals = one.find('=');
            equals != std::string_view::npos && EqualNoCase(Trim(one.substr(0, equals)), upper)) {
            std::string_view value = Trim(one.substr(equals + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            return value;
        }
        at = end;
    }
    return std::nullopt;
}

/// A TEXT value with its escapes read: \\ \; \, and \n or \N for a line
/// break; a backslash before any other character is dropped.
void Unescape(std::string_view value, std::string& text)
{
    text.clear();
    for (std::size_t at = 0;;) {
        const std::size_t slash = value.find('\\', at);
        text.append(value.substr(at, slash - at));
        if (slash == std::string_view::npos || slash + 1 == value.size()) {
            if (slash != std::string_view::npos)
                text.push_back('\\');
            return;
        }
        const char c = value[slash + 1];
        text.push_back(c == 'n' || c == 'N' ? '\n' : c);
        at = slash + 2;
    }
}

/// A DATE ("20260304") or DATE-TIME ("20260304T090000", "...Z") value.
struct Stamp {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool date = false, utc = false;
};

std::optional<Stamp> ParseStamp(std::string_view text)
{
    text = Trim(text);
    auto digits = [&](std::size_t at, std::size_t n, int& out) {
        out = 0;
        for (std::size_t i = at; i < at + n; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    Stamp stamp;
    if (text.size() == 8) {
        stamp.date = true;
        return digits(0, 4, stamp.year) && digits(4, 2, stamp.month) && digits(6, 2, stamp.day)
                   ? std::optional<Stamp>(stamp)
                   : std::nullopt;
    }
    if (text.size() != 15 && !(text.size() == 16 && UpperAscii(text[15]) == 'Z'))
        return std::nullopt;
    stamp.utc = text.size() == 16;
    if (!digits(0, 4, stamp.year) || !digits(4, 2, stamp.month) || !digits(6, 2, stamp.day) ||
        UpperAscii(text[8]) != 'T' || !digits(9, 2, stamp.hour) || !digits(11, 2, stamp.minute) ||
        !digits(13, 2, stamp.second))
        return std::nullopt;
    return stamp;
}

/// A DURATION value: [+-]P then weeks, days, and after T hours, minutes
/// and seconds, each a number and its letter.
struct Span {
    std::int64_t days = 0;    ///< with the weeks, signed
    std::int64_t seconds = 0; ///< all of it, signed, a day being 86,400 seconds
};

std::optional<Span> ParseDuration(std::string_view text)
{
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-'))
        negative = text.front() == '-', text.remove_prefix(1);
    if (text.empty() || UpperAscii(text.front()) != 'P')
        return std::nullopt;
    text.remove_prefix(1);
    std::int64_t weeks = 0, days = 0, hours = 0, minutes = 0, seconds = 0;
    bool time = false, any = false;
    while (!text.empty()) {
        if (UpperAscii(text.front()) == 'T' && !time) {
            time = true, text.remove_prefix(1);
            continue;
        }
        std::int64_t number = 0;
        std::size_t n = 0;
        for (; n < text.size() && n < 10 && text[n] >= '0' && text[n] <= '9'; ++n)
            number = number * 10 + (text[n] - '0');
        if (n == 0 || n == text.size() || (text[n] >= '0' && text[n] <= '9'))
            return std::nullopt;
        const char unit = UpperAscii(text[n]);
        std::int64_t* into = !time && unit == 'W' ? &weeks
                             : !time && unit == 'D' ? &days
                             : time && unit == 'H'  ? &hours
                             : time && unit == 'M'  ? &minutes
                             : time && unit == 'S'  ? &seconds
                                                    : nullptr;
        if (!into)
            return std::nullopt;
        *into += number, any = true;
        text.remove_prefix(n + 1);
    }
    if (!any)
        return std::nullopt;
    const std::int64_t sign = negative ? -1 : 1;
    Span span;
    span.days = sign * (days + 7 * weeks);
    span.seconds = sign * ((days + 7 * weeks) * 86400 + hours * 3600 + minutes * 60 + seconds);
    return span;
}

/// A whole integer; nothing for any other text.
std::optional<int> ParseInteger(std::string_view text)
{
    text = Trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return number;
}

/// Per-entry faults and what was left out, gathered over a file and said
/// once per kind with the lines of the first entries, and what the first
/// of them was where the kind alone does not say it: a file with a bad
/// date in every entry gets one line, not one per entry.
class Tally {
public:
    void Add(const std::string& what, std::int64_t line, const std::string& example = {})
    {
        auto [it, added] = m_index.try_emplace(what, m_items.size());
        if (added)
            m_items.push_back({what, example, 0, {}});
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
                lines.append(i ? ", " : "").append(std::to_string(item.lines[i]));
            if (item.count > static_cast<long long>(item.lines.size()))
                lines.append(" and ")
                    .append(std::to_string(item.count - static_cast<long long>(item.lines.size())))
                    .append(" more");
            note(shown + ", " + lines + ": " + item.what +
                 (item.example.empty() ? std::string() : " (" + std::string(item.count == 1 ? "" : "the first: ") +
                                                             item.example + ")"));
        }
    }

private:
    struct Item {
        std::string what, example;
        long long count;
        std::vector<std::int64_t> lines;
    };
    std::map<std::string, std::size_t> m_index;
    std::vector<Item> m_items;
};

/// The properties the reader knows, by what it does with them.
enum Known : int {
    kSummary,
    kDescription,
    kLocation,
    kStart,
    kEnd,
    kDue,
    kDuration,
    kStatus,
    kPercent,
    kCompleted,
    kPriority,
    kOwnCompleted, ///< X-VARNO-COMPLETED, our writer's
    kRepeat,       ///< RRULE
    kRepeatDate,   ///< RDATE
    kOccurrence,   ///< RECURRENCE-ID
    kBookkeeping,  ///< the file's bookkeeping, not the entry's content: never said
    kOther = -1,
};

constexpr std::pair<std::string_view, Known> kKnownNames[] = {
    {"SUMMARY", kSummary},
    {"DTSTART", kStart},
    {"DTEND", kEnd},
    {"DESCRIPTION", kDescription},
    {"LOCATION", kLocation},
    {"UID", kBookkeeping},
    {"DTSTAMP", kBookkeeping},
    {"DUE", kDue},
    {"DURATION", kDuration},
    {"STATUS", kStatus},
    {"PERCENT-COMPLETE", kPercent},
    {"COMPLETED", kCompleted},
    {"PRIORITY", kPriority},
    {"X-VARNO-COMPLETED", kOwnCompleted},
    {"RRULE", kRepeat},
    {"RDATE", kRepeatDate},
    {"RECURRENCE-ID", kOccurrence},
    {"CREATED", kBookkeeping},
    {"LAST-MODIFIED", kBookkeeping},
    {"SEQUENCE", kBookkeeping},
    {"EXDATE", kBookkeeping},
};
constexpr std::size_t kKnownCount = kBookkeeping;

Known KnownAs(std::string_view name)
{
    for (const auto& [upper, known] : kKnownNames)
        if (EqualNoCase(name, upper))
            return known;
    return kOther;
}

/// The first occurrence of a property in an entry, with how often it came.
struct Value {
    int count = 0;
    std::string text;      ///< as written, escapes and all
    std::string zone;      ///< its TZID parameter
    bool asDate = false;   ///< VALUE=DATE-TIME or DATE: a TRIGGER that is a time
    bool fromEnd = false;  ///< RELATED=END
};

/// A wall value as the own layout writes it: "2026-03-04 09:00", with
/// ":SS" when the seconds are not 0.
std::string WallCell(std::int64_t wall)
{
    const COleDateTime::Fields f = CivilFromSeconds(wall);
    std::string text = "0000-00-00 00:00:00";
    auto put = [&](std::size_t at, int value, int digits) {
        for (int k = digits - 1; k >= 0; --k, value /= 10)
            text[at + static_cast<std::size_t>(k)] = static_cast<char>('0' + value % 10);
    };
    put(0, f.year, 4), put(5, f.month, 2), put(8, f.day, 2), put(11, f.hour, 2), put(14, f.minute, 2);
    if (f.second == 0)
        text.resize(16);
    else
        put(17, f.second, 2);
    return text;
}

/// A time as the own layout holds it.
struct Moment {
    std::int64_t wall = 0; ///< what the cell says, as seconds since 1970 on the scale of UTC
    std::int64_t utc = 0;  ///< the instant import stores for it
    bool date = false;     ///< a DATE value, no time of day
};

class Reader {
public:
    Reader(const std::string& shown, const RecordType& type) : m_shown(shown), m_type(type), m_todo(IsTodoType(type))
    {
        // Each column's role, found once rather than by name for every entry.
        static const std::pair<std::u16string_view, Role> roles[] = {
            {u"summary", Role::Summary},         {u"description", Role::Description}, {u"location", Role::Location},
            {u"start_time", Role::Start},        {u"start_date", Role::Start},        {u"end_time", Role::End},
            {u"due_date", Role::Due},            {u"allday", Role::AllDay},           {u"alarm_runtime", Role::Alarm},
            {u"completed", Role::Completed},     {u"priority", Role::Priority}};
        for (const auto& column : type.layout().columns) {
            Role role = Role::None;
            for (const auto& [name, which] : roles)
                if (column.exportName == name)
                    role = which;
            m_columns.push_back(role);
            auto holds = [&](Known known) { m_held[static_cast<std::size_t>(known)] = true; };
            switch (role) {
            case Role::Summary: holds(kSummary); break;
            case Role::Description: holds(kDescription); break;
            case Role::Location: holds(kLocation); break;
            case Role::End: holds(kEnd); break;
            case Role::Due: holds(kDue); break;
            case Role::Completed: holds(kStatus), holds(kPercent), holds(kCompleted); break;
            case Role::Priority: holds(kPriority); break;
            default: break;
            }
        }
        m_held[kStart] = m_held[kOwnCompleted] = m_held[kRepeat] = m_held[kRepeatDate] = m_held[kOccurrence] = true;
    }

    /// Reads the text, handing each entry of the type to `each`; with no
    /// `each`, only counts them (the structure checked, no value read, but
    /// the changed occurrences of repeating entries left out as the reading
    /// leaves them out).
    long long Read(std::string_view text, const LayoutRowSink* each, const NoteSink& note,
                   const std::function<void()>* counted = nullptr)
    {
        m_text = text;
        m_counted = counted;
        m_each = each;
        m_pass = each ? Pass::Entries : Pass::Count;
        Walk(text);
        if (each)
            Say(note);
        return m_handed;
    }

private:
    enum class Role { None, Summary, Description, Location, Start, End, Due, AllDay, Alarm, Completed, Priority };
    enum class Pass { Zones, Entries, Count };
    struct Open {
        std::string kind;
        std::int64_t line;
        std::size_t begin; ///< where its BEGIN line starts
    };

    [[noreturn]] void Refuse(std::int64_t line, const std::string& cause, const std::string& todo) const
    {
        throw Error(Error::Kind::Refused, m_shown + ", line " + std::to_string(line) + ": " + cause + "; " + todo);
    }

    /// BEGIN and END take no parameters, and name a component: a line
    /// that does not ("BEGIN;X=1:VEVENT") leaves the structure unknown.
    [[noreturn]] void NotAMark(const Line& line) const
    {
        Refuse(line.number, "\"" + std::string(line.text.substr(0, 40)) + "\" is not a BEGIN:NAME or END:NAME line",
               "check the file's BEGIN and END lines");
    }

    /// Checks the structure of the whole text and, in each pass, does its
    /// work with the components directly inside a VCALENDAR: reads the
    /// zones, reads the entries, or counts them.
    void Walk(std::string_view text)
    {
        std::vector<Open> open;
        long calendars = 0;
        bool entry = false; // inside a component of the wanted kind, in the entries pass
        Lines lines(text);
        std::size_t checked = 0; // the text before is UTF-8 with no NUL
        for (Line line; lines.Next(line);) {
            // A block of whole lines at a time, a little ahead of the walk:
            // the file is looked at once, front to back, so that its pages
            // can go as the reading moves on.
            if (line.end > checked) {
                std::size_t to = std::max(line.end, checked + kCheckedAhead);
                const void* next = to < text.size() ? std::memchr(text.data() + to, '\n', text.size() - to) : nullptr;
                to = next ? static_cast<std::size_t>(static_cast<const char*>(next) - text.data()) + 1 : text.size();
                if (const std::size_t bad = FirstBadByte(text.substr(checked, to - checked));
                    bad != std::string_view::npos)
                    NotUtf8(text.substr(line.begin, checked + bad - line.begin), line.number);
                checked = to;
            }
            if (line.length == 0)
                continue; // blank lines are tolerated between and inside components
            const std::string_view name = line.Name();
            if (line.length > kMaxLine) {
                const Known known = KnownAs(name);
                if (open.empty() || EqualNoCase(name, "BEGIN") || EqualNoCase(name, "END") ||
                    (known != kOther && known != kBookkeeping) || (open.size() >= 2 && open[1].kind == "VTIMEZONE"))
                    Refuse(line.number,
                           "a line of " + std::to_string(line.length) + " octets once unfolded (" + Upper(name) +
                               "), more than the " + std::to_string(kMaxLine / 1024) + " KiB read",
                           "shorten that value");
                // A property of the calendar itself is never read anyway.
                if (entry)
                    m_tally.Add("a line of more than " + std::to_string(kMaxLine / 1024) + " KiB (" + Upper(name) +
                                    ") is left out",
                                line.number);
                continue;
            }
            if (EqualNoCase(name, "BEGIN")) {
                std::string kind = line.Value();
                if (name.size() >= line.text.size() || line.text[name.size()] != ':')
                    NotAMark(line);
                if (open.empty() && kind != "VCALENDAR")
                    Refuse(line.number, "BEGIN:" + kind + " outside a calendar: this is not an iCalendar file",
                           "import a file that begins with BEGIN:VCALENDAR");
                if (open.size() >= kMaxDepth)
                    Refuse(line.number, "components nested more than " + std::to_string(kMaxDepth) + " deep",
                           "check the file's BEGIN and END lines");
                if (open.size() == 1 && m_pass != Pass::Zones && kind == Wanted())
                    entry = true, Begin(line.number);
                else if (entry && open.size() == 2)
                    Inner(kind);
                open.push_back({std::move(kind), line.number, line.begin});
            } else if (EqualNoCase(name, "END")) {
                const std::string kind = line.Value();
                if (name.size() >= line.text.size() || line.text[name.size()] != ':')
                    NotAMark(line);
                if (open.empty())
                    Refuse(line.number, "END:" + kind + " with no BEGIN before it",
                           "check the file's BEGIN and END lines");
                if (open.back().kind != kind)
                    Refuse(line.number,
                           "END:" + kind + " does not close BEGIN:" + open.back().kind + " of line " +
                               std::to_string(open.back().line),
                           "check the file's BEGIN and END lines");
                const Open closed = std::move(open.back());
                open.pop_back();
                if (entry && open.size() == 2)
                    m_inAlarm = false;
                if (open.size() == 1)
                    Closed(text, closed, line.end, entry);
                else if (open.empty())
                    ++calendars;
            } else if (open.empty()) {
                Refuse(line.number, "text outside BEGIN:VCALENDAR and END:VCALENDAR: this is not an iCalendar file",
                       "import a file that begins with BEGIN:VCALENDAR");
            } else if (entry) {
                Content(line, open.size());
            } else if (open.size() == 1 && EqualNoCase(name, "VERSION") && line.Value() != "2.0") {
                Refuse(line.number, "VERSION:" + line.Value() + " (vCalendar 1.0 is not read, only iCalendar 2.0)",
                       "export the calendar as iCalendar 2.0");
            }
        }
        if (!open.empty())
            Refuse(open.back().line, "BEGIN:" + open.back().kind + " is never closed (the file may be cut short)",
                   "import the whole file");
        if (calendars == 0)
            Refuse(1, "no BEGIN:VCALENDAR: this is not an iCalendar file", "import a calendar saved as .ics");
    }

    /// Refuses a file for the NUL or byte that is not UTF-8 that `before`
    /// (from the start of line `number`) runs up to.
    [[noreturn]] void NotUtf8(std::string_view before, std::int64_t number) const
    {
        const char bad = *(before.data() + before.size());
        Refuse(number + std::count(before.begin(), before.end(), '\n'),
               bad == '\0' ? std::string("a NUL byte") : "bytes that are not UTF-8 (iCalendar files are UTF-8)",
               "save the file as UTF-8 and import it again");
    }

    [[nodiscard]] std::string_view Wanted() const { return m_todo ? "VTODO" : "VEVENT"; }

    /// A component directly inside the calendar has ended at `end`.
    void Closed(std::string_view text, const Open& component, std::size_t end, bool& entry)
    {
        const bool wanted = component.kind == Wanted();
        if (m_pass == Pass::Count) {
            if (wanted && !Of(kOccurrence)) {
                ++m_handed;
                if (m_counted && *m_counted)
                    (*m_counted)();
            }
            entry = false;
        } else if (component.kind == "VTIMEZONE") {
            // Read where the entries pass meets it, or by the zones pass
            // that an entry's TZID not defined before it sets off.
            if (!m_zonesRead.count(component.begin))
                AddZone(text.substr(component.begin, end - component.begin), component.line, component.begin);
        } else if (m_pass == Pass::Entries) {
            if (wanted)
                End(), entry = false;
            else
                ++m_others[component.kind];
        }
    }

    // The entry being read.

    void Begin(std::int64_t line)
    {
        m_line = line;
        for (Value& value : m_values)
            value.count = 0;
        m_trigger.count = 0;
        m_alarms = 0;
        m_inAlarm = false;
        m_unheld.clear();
    }

    /// A component inside the entry.
    void Inner(const std::string& kind)
    {
        if (kind == "VALARM" && !m_todo && ++m_alarms == 1) {
            m_inAlarm = true;
            return;
        }
        Unheld(kind);
    }

    void Unheld(std::string_view name)
    {
        if (std::find(m_unheld.begin(), m_unheld.end(), name) == m_unheld.end())
            m_unheld.emplace_back(name);
    }

    /// A content line at `depth` (2: the entry's own, 3: one of its components').
    void Content(const Line& line, std::size_t depth)
    {
        if (m_pass == Pass::Count) {
            // Changed occurrences are not imported, so not counted.
            if (depth == 2 && EqualNoCase(line.Name(), "RECURRENCE-ID"))
                ++m_values[kOccurrence].count;
            return;
        }
        Property property;
        const bool split = Split(line.text, property);
        if (depth > 2) {
            // Of what components hold, only the first alarm's trigger is read.
            if (depth == 3 && m_inAlarm && m_trigger.count == 0 && split && EqualNoCase(property.name, "TRIGGER")) {
                m_trigger.count = 1;
                Keep(property, m_trigger);
            }
            return;
        }
        if (!split) {
            m_tally.Add("a line that is not NAME:VALUE is left out", m_line,
                        "\"" + std::string(line.text.substr(0, 40)) + "\"");
            return;
        }
        const Known known = KnownAs(property.name);
        if (known == kBookkeeping)
            return;
        if (known == kOther) {
            Unheld(Upper(property.name));
            return;
        }
        Value& value = m_values[static_cast<std::size_t>(known)];
        if (value.count++ == 0)
            Keep(property, value);
    }

    static void Keep(const Property& property, Value& value)
    {
        value.text.assign(property.value);
        value.zone.clear();
        value.asDate = value.fromEnd = false;
        if (property.parameters.empty())
            return;
        if (const auto zone = Parameter(property.parameters, "TZID"))
            value.zone.assign(*zone);
        if (const auto kind = Parameter(property.parameters, "VALUE"))
            value.asDate = EqualNoCase(*kind, "DATE-TIME") || EqualNoCase(*kind, "DATE");
        if (const auto related = Parameter(property.parameters, "RELATED"))
            value.fromEnd = EqualNoCase(*related, "END");
    }

    [[nodiscard]] const Value* Of(Known known) const
    {
        const Value& value = m_values[static_cast<std::size_t>(known)];
        return value.count ? &value : nullptr;
    }

    /// The entry is complete: its row goes to the caller.
    void End()
    {
        if (Of(kOccurrence)) {
            m_tally.Add("a changed occurrence of a repeating entry (RECURRENCE-ID) is not imported", m_line);
            return;
        }
        if (Of(kRepeat) || Of(kRepeatDate))
            m_tally.Add("a repeating entry: only its first occurrence (DTSTART) is imported", m_line);
        bool durationUsed = false;
        const std::optional<Moment> start = Time(Of(kStart), "DTSTART");
        std::optional<Moment> end;
        if (const Value* duration = Of(kDuration); duration && start && !Of(m_todo ? kDue : kEnd)) {
            durationUsed = true;
            if (const std::optional<Span> span = ParseDuration(duration->text))
                end = start->date ? DaysAfter(*start, span->days) : Moved(*start, span->seconds);
            else
                m_tally.Add("a DURATION that cannot be read: the end is left empty", m_line);
        }

        m_row.resize(m_columns.size());
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            std::string& cell = m_row[i];
            cell.clear();
            switch (m_columns[i]) {
            case Role::Summary: Text(kSummary, cell); break;
            case Role::Description: Text(kDescription, cell); break;
            case Role::Location: Text(kLocation, cell); break;
            case Role::Start: cell = Cell(start); break;
            case Role::End:
                if (!end)
                    end = Time(Of(kEnd), "DTEND");
                cell = Cell(AllDayEnd(start, end));
                break;
            case Role::Due:
                if (!end)
                    end = Time(Of(kDue), "DUE");
                cell = Cell(end);
                break;
            case Role::AllDay: cell = start && start->date ? "1" : "0"; break;
            case Role::Alarm: cell = Alarm(start, end); break;
            case Role::Completed: cell = Completion(); break;
            case Role::Priority: cell = Priority(); break;
            case Role::None: break;
            }
        }
        // A to-do without a start is common (only a due date); an entry
        // without one, or a start that cannot be read, is worth saying.
        if (!start && (!m_todo || Of(kStart)))
            m_tally.Add(std::string(m_todo ? "a to-do" : "an entry") +
                            " without a start (DTSTART) that can be read: stored with no start",
                        m_line);
        NotStored(durationUsed);
        ++m_handed;
        (*m_each)(m_row, m_line);
    }

    void Text(Known known, std::string& cell) const
    {
        if (const Value* value = Of(known))
            Unescape(value->text, cell);
    }

    icaltimezone* ZoneNamed(const std::string& tzid)
    {
        if (auto it = m_zones.find(tzid); it != m_zones.end())
            return it->second.get();
        // A zone may be defined below the entries that use it, and the
        // file's definition comes before libical's own of the same name:
        // the first TZID not defined above reads every VTIMEZONE of the
        // file, once.
        if (!m_allZonesRead) {
            m_allZonesRead = true;
            const Pass pass = m_pass;
            m_pass = Pass::Zones;
            Walk(m_text);
            m_pass = pass;
            if (auto it = m_zones.find(tzid); it != m_zones.end())
                return it->second.get();
        }
        // libical's own zones are looked up once per file and name.
        if (auto it = m_builtin.find(tzid); it != m_builtin.end())
            return it->second;
        QuietLibical();
        icaltimezone* zone = icaltimezone_get_builtin_timezone(tzid.c_str());
        if (!zone)
            zone = icaltimezone_get_builtin_timezone_from_tzid(tzid.c_str());
        if (zone)
            return m_builtin.emplace(tzid, zone).first->second;
        Refuse(m_line,
               "the time zone \"" + tzid + "\" is neither defined in the file (VTIMEZONE) nor a zone libical knows",
               "export the calendar again with its time zones, or name a zone such as Europe/Berlin in its TZID");
    }

    /// The moment of a DATE or DATE-TIME value; nothing, and said, for one
    /// that cannot be read or that the store cannot hold.
    std::optional<Moment> Time(const Value* value, const char* what)
    {
        if (!value)
            return std::nullopt;
        const std::optional<Stamp> t = ParseStamp(value->text);
        if (!t) {
            m_tally.Add(std::string(what) + " is not a date or time iCalendar writes: left empty", m_line,
                        "\"" + std::string(Trim(value->text).substr(0, 40)) + "\"");
            return std::nullopt;
        }
        if (!ValidCivil(t->year, t->month, t->day, t->hour, t->minute, t->second)) {
            m_tally.Add(std::string(what) + " is not a date the store holds: left empty", m_line);
            return std::nullopt;
        }
        const std::int64_t written = SecondsFromCivil(t->year, t->month, t->day, t->hour, t->minute, t->second);
        Moment moment;
        moment.date = t->date;
        std::optional<std::int64_t> wall, utc;
        if (t->date || (!t->utc && value->zone.empty())) {
            // Dates and floating times are local times wherever they are read.
            wall = written;
            utc = m_clock.Utc(written);
        } else {
            utc = written;
            if (!t->utc) {
                icaltimetype local = icaltime_null_time();
                local.year = t->year, local.month = t->month, local.day = t->day;
                local.hour = t->hour, local.minute = t->minute, local.second = t->second;
                icaltime_set_timezone(&local, ZoneNamed(value->zone));
                const icaltimetype u = icaltime_convert_to_zone(local, icaltimezone_get_utc_timezone());
                utc = ValidCivil(u.year, u.month, u.day, u.hour, u.minute, u.second)
                          ? std::optional(SecondsFromCivil(u.year, u.month, u.day, u.hour, u.minute, u.second))
                          : std::nullopt;
            }
            if (!utc) {
            } else if (const std::optional<std::int64_t> offset = m_clock.Steady(*utc)) {
                wall = *utc + *offset;
            } else {
                // Near a clock change: the local time may be one the clock
                // shows twice, which import can only read one way.
                const COleDateTime meant = UtcOf(*utc), local = Utc2Local(meant);
                const std::optional<std::int64_t> back = SecondsOf(Local2Utc(local));
                if (back && *back != *utc)
                    m_tally.Add(std::string(what) + " falls in the hour the clock change repeats; the layout holds "
                                                    "local time, which import stores as the later of its two instants",
                                m_line,
                                LocalCell(meant) + " UTC, held as " + LocalCell(local) + ", stored as " +
                                    LocalCell(UtcOf(*back)) + " UTC");
                wall = SecondsOf(local);
            }
        }
        if (!wall || !utc || !InStore(*wall) || !InStore(*utc)) {
            m_tally.Add(std::string(what) + " lies outside the dates the store holds: left empty", m_line);
            return std::nullopt;
        }
        moment.wall = *wall, moment.utc = *utc;
        return moment;
    }

    /// `base` moved by `seconds`, as a local time.
    std::optional<Moment> Moved(const Moment& base, std::int64_t seconds)
    {
        const std::int64_t utc = base.utc + seconds;
        const std::optional<std::int64_t> wall = InStore(utc) ? m_clock.Wall(utc) : std::nullopt;
        if (!wall || !InStore(*wall))
            return std::nullopt;
        return Moment{*wall, utc, false};
    }

    /// A date `days` after an all-day moment's date.
    std::optional<Moment> DaysAfter(const Moment& date, std::int64_t days)
    {
        Moment moved = date;
        moved.wall = date.wall + days * kDay;
        const std::optional<std::int64_t> utc = InStore(moved.wall) ? m_clock.Utc(moved.wall) : std::nullopt;
        if (!utc || !InStore(*utc))
            return std::nullopt;
        moved.utc = *utc;
        return moved;
    }

    /// The end of a calendar entry as the store keeps it: an all-day entry
    /// ends at 00:00 of its last day (iCalendar's end is the day after), an
    /// entry with no end ends at its start (or on its own day).
    std::optional<Moment> AllDayEnd(const std::optional<Moment>& start, const std::optional<Moment>& end)
    {
        if (!start || !end)
            return start ? start : end;
        if (start->date && end->date) {
            const std::optional<Moment> last = DaysAfter(*end, -1);
            return last && last->wall > start->wall ? last : start;
        }
        return end;
    }

    static std::string Cell(const std::optional<Moment>& moment)
    {
        return moment ? WallCell(moment->wall) : std::string();
    }

    std::string Alarm(const std::optional<Moment>& start, const std::optional<Moment>& end)
    {
        if (m_alarms == 0)
            return {};
        if (m_trigger.count == 0) {
            m_tally.Add("an alarm without TRIGGER is left out", m_line);
            return {};
        }
        std::optional<Moment> ring;
        if (m_trigger.asDate || ParseStamp(m_trigger.text)) {
            ring = Time(&m_trigger, "an alarm's TRIGGER");
        } else if (const std::optional<Span> span = ParseDuration(m_trigger.text)) {
            const std::optional<Moment>& base = m_trigger.fromEnd ? (end ? end : start) : start;
            if (base)
                ring = Moved(*base, span->seconds);
            else
                m_tally.Add("an alarm relative to a start or end the entry lacks is left out", m_line);
        } else {
            m_tally.Add("an alarm's TRIGGER that cannot be read is left out", m_line);
        }
        return Cell(ring);
    }

    std::string Completion()
    {
        if (const Value* own = Of(kOwnCompleted))
            if (const std::optional<int> number = ParseInteger(own->text))
                return std::to_string(*number);
        const Value* status = Of(kStatus);
        const std::string_view word = status ? Trim(status->text) : std::string_view();
        int share = 0;
        if (const Value* percent = Of(kPercent)) {
            const std::optional<int> number = ParseInteger(percent->text);
            if (!number)
                m_tally.Add("a PERCENT-COMPLETE that is not a number is left out", m_line);
            share = number.value_or(0);
        }
        if (EqualNoCase(word, "COMPLETED") || share >= 100 || Of(kCompleted))
            return "6";
        if (share > 0)
            m_tally.Add("partly done (PERCENT-COMPLETE): stored as open", m_line);
        if (EqualNoCase(word, "CANCELLED"))
            m_tally.Add("cancelled (STATUS:CANCELLED): stored as open", m_line);
        return "0";
    }

    std::string Priority()
    {
        const Value* value = Of(kPriority);
        if (!value)
            return "0";
        const std::optional<int> priority = ParseInteger(value->text);
        if (!priority || *priority < 0 || *priority > 9) {
            m_tally.Add("a PRIORITY that is not a number from 0 to 9: stored as none", m_line);
            return "0";
        }
        return std::to_string(*priority);
    }

    /// Counts every property and component the row does not hold, once per
    /// name and entry.
    void NotStored(bool durationUsed)
    {
        for (const auto& [upper, known] : kKnownNames) {
            const Value* value = known == kBookkeeping ? nullptr : Of(known);
            if (!value)
                continue;
            const bool held = m_held[static_cast<std::size_t>(known)] || (known == kDuration && durationUsed);
            if (!held)
                Unheld(upper);
            else if (value->count > 1 && known != kRepeatDate)
                Unheld("a second " + std::string(upper));
        }
        for (const std::string& name : m_unheld)
            ++m_notStored[name];
    }

    void AddZone(std::string_view definition, std::int64_t line, std::size_t at)
    {
        m_zonesRead.insert(at);
        const std::string text(definition);
        QuietLibical();
        Component component(icalparser_parse_string(text.c_str()));
        // libical's own reading of the BEGIN line may differ from ours: then
        // it is not the component we walked.
        if (!component || icalcomponent_isa(component.get()) != ICAL_VTIMEZONE_COMPONENT)
            Refuse(line, "libical cannot read this VTIMEZONE", "check the lines from here to its END");
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

    void Say(const NoteSink& note) const
    {
        if (!m_others.empty()) {
            std::string kinds;
            for (const auto& [kind, count] : m_others)
                kinds.append(kinds.empty() ? "" : ", ").append(std::to_string(count)).append(" ").append(kind);
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
                names.append(names.empty() ? "" : ", ").append(name).append(" (").append(std::to_string(count)).append(")");
            note(m_shown + ": not stored, as the " + std::string(m_type.name) +
                 " layout has no place for them (in how many entries): " + names);
        }
    }

    const std::string& m_shown;
    const RecordType& m_type;
    bool m_todo;
    Clock m_clock;
    std::vector<Role> m_columns;             ///< what each column of the layout holds
    std::array<bool, kKnownCount> m_held{};  ///< the properties the layout has a place for
    Pass m_pass = Pass::Entries;
    std::string_view m_text;     ///< the whole file
    bool m_allZonesRead = false; ///< every VTIMEZONE of the file, not only those above
    const LayoutRowSink* m_each = nullptr;
    const std::function<void()>* m_counted = nullptr;
    long long m_handed = 0;

    // The entry being read.
    std::int64_t m_line = 0; ///< of its BEGIN
    std::array<Value, kKnownCount> m_values;
    Value m_trigger;        ///< the first alarm's
    int m_alarms = 0;       ///< VALARMs so far
    bool m_inAlarm = false; ///< inside the first of them
    std::vector<std::string> m_unheld; ///< what the row does not hold, once each
    LayoutRow m_row;

    std::map<std::string, Zone, std::less<>> m_zones;
    std::set<std::size_t> m_zonesRead; ///< where the VTIMEZONEs read begin
    std::map<std::string, icaltimezone*, std::less<>> m_builtin; ///< libical's zones, owned by libical
    std::map<std::string, long long> m_others;
    std::map<std::string, long long> m_notStored;
    Tally m_tally;
};

std::string_view WithoutMark(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    return text;
}

} // namespace

void ReadICalendar(std::string_view text, const std::string& shown, const RecordType& type,
                   const LayoutRowSink& each, const NoteSink& note)
{
    (void)Reader(shown, type).Read(WithoutMark(text), &each, note);
}

long long CountICalendar(std::string_view text, const std::string& shown, const RecordType& type,
                         const std::function<void()>& counted)
{
    return Reader(shown, type).Read(WithoutMark(text), nullptr, {}, &counted);
}

} // namespace varno::host
