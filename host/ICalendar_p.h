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
#include <unordered_map>

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

/// Seconds since 1970 of a valid value, read as UTC, by the calendar's
/// arithmetic (as COleDateTime counts, without leap seconds, whatever the
/// zone); nothing for an invalid value.
[[nodiscard]] std::optional<std::int64_t> SecondsOf(const COleDateTime& value);
/// The value of such seconds; invalid outside years 100 to 9999.
[[nodiscard]] COleDateTime UtcOf(std::int64_t seconds);
/// A local time as the own layout writes it: "2026-03-04 09:00", with
/// ":SS" when the seconds are not 0 (import reads both); "" when invalid.
[[nodiscard]] std::string LocalCell(const COleDateTime& local);
/// A date cell of the own layout ("YYYY-MM-DD HH:MM[:SS]") as local time;
/// nothing for any other text.
[[nodiscard]] std::optional<COleDateTime> ParseLocalCell(std::string_view cell);

constexpr std::int64_t kDay = 86400;

/// `a` divided by `b` (> 0), rounded down.
[[nodiscard]] constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - (a % b != 0 && a < 0);
}
/// Whether the fields name a time of years 100 to 9999 (the store's), with
/// no second 60.
[[nodiscard]] bool ValidCivil(int year, int month, int day, int hour, int minute, int second);
/// Whether seconds since 1970 (SecondsFromCivil) fall in years 100 to 9999.
[[nodiscard]] bool InStore(std::int64_t seconds);

/// The local time of the process (TZ) of an instant, and the instant of a
/// local time, as Utc2Local and Local2Utc give them, found once per day
/// rather than through the C library for every time: a UTC day with the
/// same offset from the start of the day before to the end of the day
/// after has no clock change near it (two that undo each other within
/// three days would pass for none; no zone has had them), so each of its
/// times converts by adding (or subtracting) that offset, and no local time
/// of it is shown twice. Times near a change, and zones whose times are not
/// their offsets from UTC ("right/" zones count leap seconds), go through
/// Utc2Local and Local2Utc themselves. One per reading or writing: it
/// holds TZ as it was when made.
class Clock {
public:
    Clock();
    /// The offset of every instant near `utc`, or nothing near a change.
    [[nodiscard]] std::optional<std::int64_t> Steady(std::int64_t utc);
    /// The wall value of an instant; nothing out of the C library's range.
    [[nodiscard]] std::optional<std::int64_t> Wall(std::int64_t utc);
    /// The instant of a wall value, as Local2Utc gives it.
    [[nodiscard]] std::optional<std::int64_t> Utc(std::int64_t wall);

private:
    std::unordered_map<std::int64_t, std::optional<std::int64_t>> m_days;
};

} // namespace varno::host::detail
