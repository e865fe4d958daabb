// CCalendars: the calendar-family collection (memos, to-do items, calendar
// entries), loaded and saved by profile.
#pragma once

#include "store/Calendar.h"
#include "store/RecordCollection.h"

class VARNO_DATA_EXPORT CCalendars : public CRecordCollection {
public:
    CCalendars() = default;
    ~CCalendars() override;

    /// Record i; nullptr for an object of another class. Throws
    /// std::out_of_range for an index out of range.
    [[nodiscard]] CCalendar* GetAt(int i) const;
    CCalendar* operator[](int i) const { return GetAt(i); }

    /// Appends a new record (see CCalendar()) with a provisional CalendarId
    /// and returns it; it counts at once.
    CCalendar* AddNew();

    /// Appends the records of `profile` whose CalendarType is `calendarType`,
    /// in store order (by id). `includeDeleted` non-zero loads every such
    /// record; 0 leaves out those whose DeletedMark is 1 (the converters pass
    /// 1 and drop them themselves). Returns the number of records appended,
    /// or STOREERR_OPEN when the store cannot be read (nothing appended).
    long OpenFromDB(int profile, int calendarType, int includeDeleted);

    /// Writes the records that are new, changed since they were loaded or
    /// saved, or stored under another profile, into `profile`, in one
    /// transaction. New records get their ids. `flag` has no effect: every
    /// save writes all of these. Returns the number of records written (0
    /// when nothing changed), or a StoreError with nothing written and every
    /// id as it was.
    long SaveToDB(int profile, bool flag);

    /// Begins a save in batches (SaveBatch, EndSave) with SaveToDB's
    /// arguments: 0, or a StoreError when the store cannot be opened.
    long BeginSave(int profile, bool flag);
};
