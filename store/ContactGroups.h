// CContactGroups: the contact groups of a profile.
#pragma once

#include "store/ContactGroup.h"
#include "store/RecordCollection.h"

class VARNO_DATA_EXPORT CContactGroups : public CRecordCollection {
public:
    CContactGroups() = default;
    ~CContactGroups() override;

    /// Group i; nullptr for an object of another class. Throws
    /// std::out_of_range for an index out of range.
    [[nodiscard]] CContactGroup* GetAt(int i) const;
    CContactGroup* operator[](int i) const { return GetAt(i); }

    /// Appends a new group (empty name) with a provisional GroupId and
    /// returns it; it counts at once.
    CContactGroup* AddNew();

    /// Appends the groups of `profile` in store order (by id). Returns the
    /// number appended, or STOREERR_OPEN (nothing appended).
    long OpenFromDB(int profile);

    /// Writes the groups that are new, changed, or stored under another
    /// profile, into `profile`, in one transaction; new groups get their ids.
    /// `flag` has no effect. Returns the number of groups written, or a
    /// StoreError with nothing written and every id as it was.
    long SaveToDB(int profile, bool flag);
};
