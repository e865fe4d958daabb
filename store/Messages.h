// CMessages: the text messages of a profile.
#pragma once

#include "store/Message.h"
#include "store/RecordCollection.h"

class VARNO_DATA_EXPORT CMessages : public CRecordCollection {
public:
    CMessages() = default;
    ~CMessages() override;

    /// Message i; nullptr for an object of another class. Throws
    /// std::out_of_range for an index out of range.
    [[nodiscard]] CMessage* GetAt(int i) const;
    CMessage* operator[](int i) const { return GetAt(i); }

    /// Appends a new message with a provisional MessageId and returns it; it
    /// counts at once.
    CMessage* AddNew();

    /// Appends the messages of `profile` with their number entries, in store
    /// order (by id). Returns the number appended, or STOREERR_OPEN (nothing
    /// appended).
    long OpenFromDB(int profile);

    /// Writes the messages that are new, changed, or stored under another
    /// profile, into `profile`, in one transaction; new messages get their
    /// ids. Returns the number of messages written, or a StoreError with
    /// nothing written and every id as it was.
    long SaveToDB(int profile);

    /// Begins a save in batches (SaveBatch, EndSave) with SaveToDB's
    /// argument: 0, or a StoreError when the store cannot be opened.
    long BeginSave(int profile);
};
