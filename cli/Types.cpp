#include "cli/Types.h"

#include "manager/CSVMng.h"
#include "store/Calendars.h"
#include "store/Contacts.h"
#include "store/Messages.h"
#include "store/MsgEmails.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace varno::cli {

namespace {

long LoadCalendars(int profile, int calendarType, const RecordVisitor& visit)
{
    CCalendars records;
    const long result = records.OpenFromDB(profile, calendarType, 1);
    for (int i = 0; result >= 0 && i < records.GetCount(); ++i)
        visit(records.GetAt(i), records.GetAt(i)->CalendarId, records.GetAt(i)->DeletedMark == 1);
    return result;
}

/// Loads a collection whose records have no deleted mark.
template <class Collection, class Record, class... Profile>
long LoadAll(std::uint32_t Record::*id, const RecordVisitor& visit, Profile... profile)
{
    Collection records;
    const long result = records.OpenFromDB(profile...);
    for (int i = 0; result >= 0 && i < records.GetCount(); ++i)
        visit(records.GetAt(i), records.GetAt(i)->*id, false);
    return result;
}

std::vector<RecordType> MakeRecordTypes()
{
    std::vector<RecordType> types;
    types.push_back({
        .name = "contact",
        .code = CSVTYPE_CONTACT,
        .singular = "contact",
        .plural = "contacts",
        .aliases = {},
        .load = [](int profile, const RecordVisitor& visit) {
            return LoadAll<CContacts>(&CContact::ContactId, visit, profile, 0);
        },
    });
    types.push_back({
        .name = "calendar",
        .code = CSVTYPE_CALENDAR,
        .singular = "calendar entry",
        .plural = "calendar entries",
        .aliases = {},
        .load = [](int profile, const RecordVisitor& visit) { return LoadCalendars(profile, CALTYPE_SCHEDULE, visit); },
    });
    types.push_back({
        .name = "todo",
        .code = CSVTYPE_TODO,
        .singular = "to-do item",
        .plural = "to-do items",
        .aliases = {},
        .load = [](int profile, const RecordVisitor& visit) { return LoadCalendars(profile, CALTYPE_TODO, visit); },
    });
    types.push_back({
        .name = "memo",
        .code = CSVTYPE_MEMO,
        .singular = "memo",
        .plural = "memos",
        .aliases = {},
        .load = [](int profile, const RecordVisitor& visit) { return LoadCalendars(profile, CALTYPE_MEMO, visit); },
    });
    types.push_back({
        .name = "message",
        .code = CSVTYPE_MESSAGE,
        .singular = "message",
        .plural = "messages",
        .aliases = {},
        .load = [](int profile, const RecordVisitor& visit) {
            return LoadAll<CMessages>(&CMessage::MessageId, visit, profile);
        },
    });
    types.push_back({
        .name = "email",
        .code = CSVTYPE_EMAIL,
        .singular = "e-mail",
        .plural = "e-mails",
        .aliases = {},
        .load = [](int profile, const RecordVisitor& visit) {
            return LoadAll<CMsgEmails>(&CMsgEmail::EmailId, visit, profile);
        },
    });
    return types;
}

} // namespace

const CSVLayout* RecordType::Layout() const
{
    return CSVMng::GetLayout(code);
}

std::string RecordType::Counted(long long n) const
{
    return std::to_string(n) + " " + std::string(n == 1 ? singular : plural);
}

const std::vector<RecordType>& RecordTypes()
{
    static const std::vector<RecordType> types = MakeRecordTypes();
    return types;
}

const RecordType* FindRecordType(std::string_view word)
{
    unsigned long code = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), code);
    const bool isCode = !word.empty() && error == std::errc() && end == word.data() + word.size();
    auto sameWord = [word](std::string_view name) {
        return word.size() == name.size() && std::equal(word.begin(), word.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == b;
               });
    };
    for (const RecordType& type : RecordTypes())
        if (sameWord(type.name) || (isCode && code == type.code))
            return &type;
    return nullptr;
}

} // namespace varno::cli
