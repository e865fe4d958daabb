// CContacts: the contacts of a profile.
#pragma once

#include "store/Contact.h"
#include "store/RecordCollection.h"

class VARNO_DATA_EXPORT CContacts : public CRecordCollection {
public:
    CContacts() = default;
    ~CContacts() override;

    /// Contact i; nullptr for an object of another class. Throws
    /// std::out_of_range for an index out of range.
    [[nodiscard]] CContact* GetAt(int i) const;
    CContact* operator[](int i) const { return GetAt(i); }

    /// Appends a new contact with a provisional ContactId and returns it; it
    /// counts at once.
    CContact* AddNew();

    /// Appends the contacts of `profile` with every sub-entry, in store order
    /// (by id). `groupId` 0 loads them all; another value loads only the
    /// contacts linked to that group. Group names are not loaded (see
    /// CContact). Returns the number appended, or STOREERR_OPEN when the
    /// store cannot be read (nothing appended).
    long OpenFromDB(int profile, int groupId);

    /// Writes the contacts that are new, changed since they were loaded or
    /// saved, or stored under another profile, into `profile`, sub-entries
    /// included, in one transaction. New contacts get their ids. `option`
    /// and `flag` have no effect on the store: the converters hand on the
    /// host's import option (whose -1 asks the converter, not the store, to
    /// link groups) and flag. Returns the number of contacts written (0 when
    /// nothing changed), or a StoreError with nothing written and every id
    /// as it was.
    long SaveToDB(int profile, int option, bool flag);

    /// Begins a save in batches (SaveBatch, EndSave) with SaveToDB's
    /// arguments: 0, or a StoreError when the store cannot be opened.
    long BeginSave(int profile, int option, bool flag);
};
