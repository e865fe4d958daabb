// Internal: the store side of the converters, and the Export, Count and
// Import that the calendar-family, text-message and e-mail converters run
// over it. A store kind says which collection holds a type's records, how
// export and listing load them, which of them export leaves out, and how
// import begins its save; the flow itself is the engine's (RecordFlow_p.h).
// The contact converter adds groups to all three operations and calls the
// engine's flow itself (CSVContactCollections.cpp).
#pragma once

#include "engine/RecordFlow_p.h"
#include "store/Calendars.h"
#include "store/Messages.h"
#include "store/MsgEmails.h"

#include <cstdint>

namespace varno::detail {

/// Calendar entries, to-do items and memos: one collection, told apart by
/// calendar type, with a deleted mark that export honours.
template <int CalendarType>
struct CalendarStore {
    using Collection = CCalendars;
    using Record = CCalendar;
    static long Open(CCalendars& records, int profile) { return records.OpenFromDB(profile, CalendarType, 1); }
    static bool Deleted(const CCalendar& record) { return record.DeletedMark == 1; }
    static std::uint32_t Id(const CCalendar& record) { return record.CalendarId; }
    static long BeginSave(CCalendars& records, int profile, int /*option*/, bool flag)
    {
        return records.BeginSave(profile, flag);
    }
};

/// Text messages and e-mails: one collection each, in which nothing is
/// marked deleted; the save takes no flag.
template <class Records, class OneRecord, std::uint32_t OneRecord::*IdField>
struct MessageKindStore {
    using Collection = Records;
    using Record = OneRecord;
    static long Open(Records& records, int profile) { return records.OpenFromDB(profile); }
    static bool Deleted(const OneRecord&) { return false; }
    static std::uint32_t Id(const OneRecord& record) { return record.*IdField; }
    static long BeginSave(Records& records, int profile, int /*option*/, bool /*flag*/)
    {
        return records.BeginSave(profile);
    }
};
using MessageStore = MessageKindStore<CMessages, CMessage, &CMessage::MessageId>;
using EmailStore = MessageKindStore<CMsgEmails, CMsgEmail, &CMsgEmail::EmailId>;

/// A converter's Export: every record of `profile` but those marked
/// deleted, as ExportRecords writes them.
template <class Store>
long ExportStored(CCSVItem& converter, int profile, const CString& path)
{
    typename Store::Collection records;
    return ExportRecords(
        converter, records, path, [profile](typename Store::Collection& some) { return Store::Open(some, profile); },
        [](const typename Store::Record& record) { return Store::Deleted(record); });
}

/// A converter's Count: CountRecords over the store kind's collection.
template <class Store>
_en_CSVError CountStored(CCSVItem& converter, const CString& path, CStringList& fieldNames,
                         CStringList& fileColumns, long& count)
{
    return CountRecords<typename Store::Collection>(converter, path, fieldNames, fileColumns, count);
}

/// A converter's Import: ImportRecords into `profile`, the save begun with
/// `option` and `flag` as the store kind takes them, after the converter's
/// recognition of foreign layouts (none for a type that knows none).
template <class Store, class Converter>
_en_CSVError ImportStored(Converter& converter, long& count, int profile, const CString& path,
                          CStringList& fieldNames, CStringList& fileColumns, int option, bool flag)
{
    typename Store::Collection records;
    return ImportRecords(
        converter, path, fieldNames, fileColumns, records, count,
        [&](typename Store::Collection& some) { return Store::BeginSave(some, profile, option, flag); },
        [&converter] { (void)Converter::Layout().Recognise(converter); });
}

} // namespace varno::detail
