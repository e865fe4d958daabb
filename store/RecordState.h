// What a record remembers of the store: the database row it came from or was
// last saved to, the profile of that row, and a digest of what was written,
// so that a save writes only new and changed records. Only the store's own
// code reads or writes it.
#pragma once

#include <cstdint>

namespace varno::store {

struct RecordState {
    std::int64_t key = 0;  ///< database key; 0 for a record that was never stored
    int profile = 0;       ///< profile of the stored row (unused for contact-group links)
    std::uint64_t digest = 0; ///< a 64-bit hash of the stored field values (0: none, so a save writes it)
};

// Each record kind's persistence (its rows and its state) is a friend of
// the record class.
struct CalendarKind;
struct ContactKind;
struct ContactGroupKind;
struct ContactGroupPairKind;
struct MessageKind;
struct EmailKind;

} // namespace varno::store
