// CMsgEmails: the e-mails of a profile.
#pragma once

#include "store/MsgEmail.h"
#include "store/RecordCollection.h"

class VARNO_DATA_EXPORT CMsgEmails : public CRecordCollection {
public:
    CMsgEmails() = default;
    ~CMsgEmails() override;

    /// E-mail i; nullptr for an object of another class. Throws
    /// std::out_of_range for an index out of range.
    [[nodiscard]] CMsgEmail* GetAt(int i) const;
    CMsgEmail* operator[](int i) const { return GetAt(i); }

    /// Appends a new e-mail with a provisional EmailId and returns it; it
    /// counts at once.
    CMsgEmail* AddNew();

    /// Appends the e-mails of `profile` with their address entries, in store
    /// order (by id). Returns the number appended, or STOREERR_OPEN (nothing
    /// appended).
    long OpenFromDB(int profile);

    /// Writes the e-mails that are new, changed, or stored under another
    /// profile, into `profile`, in one transaction; new e-mails get their
    /// ids. Returns the number of e-mails written, or a StoreError with
    /// nothing written and every id as it was.
    long SaveToDB(int profile);

    /// Begins a save in batches (SaveBatch, EndSave) with SaveToDB's
    /// argument: 0, or a StoreError when the store cannot be opened.
    long BeginSave(int profile);
};
