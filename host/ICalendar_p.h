// What the iCalendar reader and writer share: libical handles owned by
// unique_ptr, the columns of the own layouts they know, and the date cells
// of the own layout ("2026-03-04 09:00" in local time) as UTC instants.
#pragma once

#include "host/Registry.h"
#include "platform/COleDateTime.h"

#include <libical/ical.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace varno::host::detail {

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;
struct ZoneFree {
    void operator()(icaltimezone* zone) const { icaltimezone_free(zone, 1); }
};
using Zone = std::unique_ptr<icaltimezone, ZoneFree>;

/// libical's errors as results, never an abort; called before each use.
void QuietLibical();

/// Whether `type` is the calendar (VEVENT) or the to-do type (VTODO); any
/// other throws Error(Error::Kind::Usage).
[[nodiscard]] bool IsTodoType(const RecordType& type);
/// The index of the column `exportName` in `type`'s layout, or -1.
[[nodiscard]] int ColumnOf(const RecordType& type, std::u16string_view exportName);

/// Seconds since 1970 (UTC) of a valid UTC value; nothing for another.
[[nodiscard]] std::optional<std::int64_t> SecondsOf(const COleDateTime& utc);
/// The UTC value of seconds since 1970; invalid out of the range.
[[nodiscard]] COleDateTime UtcOf(std::int64_t seconds);
/// A local time as the own layout writes it: "2026-03-04 09:00", with
/// ":SS" when the seconds are not 0 (import reads both); "" when invalid.
[[nodiscard]] std::string LocalCell(const COleDateTime& local);
/// A date cell of the own layout ("YYYY-MM-DD HH:MM[:SS]") as local time;
/// nothing for any other text.
[[nodiscard]] std::optional<COleDateTime> ParseLocalCell(std::string_view cell);

} // namespace varno::host::detail
