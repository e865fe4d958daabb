// iCalendar (RFC 5545) files for calendar entries and to-do items, read and
// written by our own code, with libical for time zones, escaping and
// durations. Both directions go through the type's own CSV
// layout, so that an import of a .ics file takes exactly the path of a CSV
// import and an export re-writes the library's own export.
//
// Reading: VEVENT gives calendar entries, VTODO to-do items; DTSTART, DTEND,
// DUE and DURATION with TZID (a VTIMEZONE of the file or a known zone name),
// in UTC or floating become the local time of the process (TZ), the time
// the own layout holds; all-day dates end on their last day, as the store
// keeps them. What the layout cannot hold (categories, classification,
// attendees, further alarms, the repetitions of a repeating entry) is named
// through the note callback, once per kind and file, with the lines.
#pragma once

#include "host/LayoutRow.h"
#include "host/Registry.h"
#include "host/varnohost_export.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace varno::host {

namespace detail {
class Clock;
}

/// Reads the whole text (UTF-8, an optional byte-order mark) and hands
/// `each` every VEVENT (type calendar) or VTODO (type todo) as a row of
/// `type`'s own layout, with the line its BEGIN is on. What the layout
/// cannot hold, and what cannot be read (a line, a date), is said
/// through `note`, naming `shown` and the lines, and left out. A file
/// it cannot read (no VCALENDAR, a BEGIN never closed, bytes that are not
/// UTF-8, a time zone it does not know, a line too long to read) throws Error(Error::Kind::Refused) naming `shown`, the line, the cause
/// and what to do; the caller then stores nothing. A type other than
/// calendar and todo throws Error(Error::Kind::Usage).
VARNO_HOST_EXPORT void ReadICalendar(std::string_view text, const std::string& shown, const RecordType& type,
                                     const LayoutRowSink& each, const NoteSink& note);

/// How many entries of `type` ReadICalendar would hand over, the file's
/// structure checked as it checks it (the same refusals) but no value read:
/// a file it reads gets this number; one it refuses for a value (a zone it
/// does not know) is counted all the same.
/// `counted`, when given, is called after each entry counted: the text
/// before it is not looked at again.
[[nodiscard]] VARNO_HOST_EXPORT long long CountICalendar(std::string_view text, const std::string& shown,
                                                         const RecordType& type,
                                                         const std::function<void()>& counted = {});

/// Writes calendar entries (VEVENT) or to-do items (VTODO) given in the
/// type's own layout as one VCALENDAR 2.0: CRLF line ends, lines folded at
/// 75 octets, times in UTC, all-day entries as dates with an exclusive end.
class VARNO_HOST_EXPORT ICalendarWriter {
public:
    /// `type` is calendar or todo; any other throws Error(Error::Kind::Usage).
    explicit ICalendarWriter(const RecordType& type);
    ~ICalendarWriter();
    ICalendarWriter(ICalendarWriter&&) noexcept;
    ICalendarWriter& operator=(ICalendarWriter&&) noexcept;
    /// BEGIN:VCALENDAR, VERSION and PRODID.
    [[nodiscard]] std::string Begin() const;
    /// One VEVENT or VTODO. Its UID is derived from the row's cells, so the
    /// same record exported twice keeps its UID; a row equal to one written
    /// before by this writer gets a numbered one. Cells that are empty or
    /// not dates where dates belong leave their property out.
    [[nodiscard]] std::string Write(const LayoutRow& row);
    /// Appends what Write(row) returns to `out`.
    void Write(const LayoutRow& row, std::string& out);
    /// END:VCALENDAR.
    [[nodiscard]] std::string End() const;

private:
    /// How many rows with this hash this writer wrote before (0 for the
    /// first); counts this one for the next call.
    int Earlier(std::uint64_t hash);

    const RecordType* m_type;
    bool m_todo;
    std::vector<int> m_columns; ///< the layout's column of each field written, or -1
    std::string m_stamp;        ///< DTSTAMP: when the writer was made, in UTC
    /// The hashes of the rows written (a row's UID is its hash), by open
    /// addressing with linear probing; 0 marks a free slot, and the hash 0
    /// is kept in m_seenZero. At most half the slots are taken.
    std::vector<std::uint64_t> m_seen;
    std::size_t m_seenCount = 0;
    bool m_seenZero = false;
    std::unordered_map<std::uint64_t, int> m_repeats; ///< hashes written more than once: how often after the first
    std::string m_line;                               ///< a line being folded
    std::unique_ptr<detail::Clock> m_clock;           ///< the local times' instants
};

} // namespace varno::host
