#include "manager/CSVRecordTypes.h"

#include "converters/CSVCalendar.h"
#include "converters/CSVContact.h"
#include "converters/CSVEmail.h"
#include "converters/CSVMemo.h"
#include "converters/CSVMessage.h"
#include "converters/CSVTodo.h"
#include "converters/ConverterFlow_p.h"
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

using Schedule = detail::CalendarStore<CALTYPE_SCHEDULE>;
using Todo = detail::CalendarStore<CALTYPE_TODO>;
using Memo = detail::CalendarStore<CALTYPE_MEMO>;

const CSVRecordType kRecordTypes[] = {
    {CSVTYPE_CONTACT, "contact", "contact", "contacts", Create<CCSVContact>, &CCSVContact::Layout,
     detail::LoadStoredContacts, detail::MakeRecords<CContacts>, detail::ListContactEntries,
     detail::ContactListedInstead},
    {CSVTYPE_CALENDAR, "calendar", "calendar entry", "calendar entries", Create<CCSVCalendar>,
     &CCSVCalendar::Layout, detail::LoadStored<Schedule>, detail::MakeRecords<CCalendars>},
    {CSVTYPE_TODO, "todo", "to-do item", "to-do items", Create<CCSVTodo>, &CCSVTodo::Layout,
     detail::LoadStored<Todo>, detail::MakeRecords<CCalendars>},
    {CSVTYPE_MEMO, "memo", "memo", "memos", Create<CCSVMemo>, &CCSVMemo::Layout, detail::LoadStored<Memo>,
     detail::MakeRecords<CCalendars>},
    {CSVTYPE_MESSAGE, "message", "message", "messages", Create<CCSVMessage>, &CCSVMessage::Layout,
     detail::LoadStored<detail::MessageStore>, detail::MakeRecords<CMessages>, detail::ListMessageParties},
    {CSVTYPE_EMAIL, "email", "e-mail", "e-mails", Create<CCSVEmail>, &CCSVEmail::Layout,
     detail::LoadStored<detail::EmailStore>, detail::MakeRecords<CMsgEmails>, detail::ListEmailParties},
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
