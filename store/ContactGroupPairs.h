// CContactGroupPairs: contact-to-group links, of every profile.
#pragma once

#include "store/ContactGroupPair.h"
#include "store/RecordCollection.h"

class VARNO_DATA_EXPORT CContactGroupPairs : public CRecordCollection {
public:
    CContactGroupPairs() = default;
    ~CContactGroupPairs() override;

    /// Link i; nullptr for an object of another class. Throws
    /// std::out_of_range for an index out of range.
    [[nodiscard]] CContactGroupPair* GetAt(int i) const;
    CContactGroupPair* operator[](int i) const { return GetAt(i); }

    /// Appends a new link (both ids 0) with a provisional PairId and returns
    /// it; it counts at once.
    CContactGroupPair* AddNew();

    /// Appends every stored link, in store order (by id). Returns the number
    /// appended, or STOREERR_OPEN (nothing appended).
    long OpenFromDB();

    /// Writes the links that are new or changed, in one transaction; new
    /// links get their PairId. A link must join a stored contact and a stored
    /// group: one that does not (a provisional or unknown id) fails the whole
    /// save. The same contact and group may be linked more than once. Returns
    /// the number of links written, or a StoreError with nothing written and
    /// every id as it was.
    long SaveToDB();
};
