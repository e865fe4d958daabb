#include "manager/CSVRecordTypes.h"

#include "converters/CSVCalendar.h"
#include "converters/CSVContact.h"
#include "converters/CSVEmail.h"
#include "converters/CSVMemo.h"
#include "converters/CSVMessage.h"
#include "converters/CSVTodo.h"
#include "converters/StoredRecords_p.h"
#include "manager/CSVMng.h"
#include "store/Calendars.h"
#include "store/Contacts.h"
#include "store/Messages.h"
#include "store/MsgEmails.h"

#include <new>

namespace varno {

namespace {

template <class Converter>
CCSVItem* Create()
{
    return new (std::nothrow) Converter();
}

/// Records of the calendar family: one store collection, told apart by
/// calendar type, with a deleted mark that export honours and a listing
/// shows.
template <int calendarType>
long LoadCalendars(int profile, const RecordVisitor& visit)
{
    return detail::LoadStored<CCalendars>(
        visit, [](const CCalendar& r) { return r.CalendarId; }, [](const CCalendar& r) { return r.DeletedMark == 1; },
        profile, calendarType, 1);
}

long LoadMessages(int profile, const RecordVisitor& visit)
{
    return detail::LoadStored<CMessages>(
        visit, [](const CMessage& r) { return r.MessageId; }, [](const CMessage&) { return false; }, profile);
}

long LoadEmails(int profile, const RecordVisitor& visit)
{
    return detail::LoadStored<CMsgEmails>(
        visit, [](const CMsgEmail& r) { return r.EmailId; }, [](const CMsgEmail&) { return false; }, profile);
}

const CSVRecordType kRecordTypes[] = {
    {CSVTYPE_CONTACT, "contact", "contact", "contacts", Create<CCSVContact>, &CCSVContact::Layout,
     detail::LoadStoredContacts, detail::MakeRecords<CContacts>, detail::ListContactEntries,
     detail::ContactListedInstead},
    {CSVTYPE_CALENDAR, "calendar", "calendar entry", "calendar entries", Create<CCSVCalendar>,
     &CCSVCalendar::Layout, LoadCalendars<CALTYPE_SCHEDULE>, detail::MakeRecords<CCalendars>},
    {CSVTYPE_TODO, "todo", "to-do item", "to-do items", Create<CCSVTodo>, &CCSVTodo::Layout,
     LoadCalendars<CALTYPE_TODO>, detail::MakeRecords<CCalendars>},
    {CSVTYPE_MEMO, "memo", "memo", "memos", Create<CCSVMemo>, &CCSVMemo::Layout, LoadCalendars<CALTYPE_MEMO>,
     detail::MakeRecords<CCalendars>},
    {CSVTYPE_MESSAGE, "message", "message", "messages", Create<CCSVMessage>, &CCSVMessage::Layout, LoadMessages,
     detail::MakeRecords<CMessages>, detail::ListMessageParties},
    {CSVTYPE_EMAIL, "email", "e-mail", "e-mails", Create<CCSVEmail>, &CCSVEmail::Layout, LoadEmails,
     detail::MakeRecords<CMsgEmails>, detail::ListEmailParties},
};

} // namespace

std::span<const CSVRecordType> CSVRecordTypes()
{
    return kRecordTypes;
}

const CSVRecordType* FindCSVRecordType(unsigned long code)
{
    for (const CSVRecordType& type : kRecordTypes)
        if (type.code == code)
            return &type;
    return nullptr;
}

} // namespace varno
