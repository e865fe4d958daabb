#include "cli/Types.h"

#include "engine/CSVItem.h"
#include "manager/CSVMng.h"
#include "store/Calendars.h"
#include "store/ContactGroupPairs.h"
#include "store/ContactGroups.h"
#include "store/Contacts.h"
#include "store/Messages.h"
#include "store/MsgEmails.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <unordered_map>

namespace varno::cli {

namespace {

// Loads hand their records over a window at a time and free them once
// visited, so that listing a large store does not hold all of it.
constexpr int kLoadWindow = 2048;

long LoadCalendars(int profile, int calendarType, const RecordVisitor& visit)
{
    CCalendars records;
    records.SetLoadWindow(kLoadWindow, [&] {
        for (int i = 0; i < records.GetCount(); ++i)
            visit(records.GetAt(i), records.GetAt(i)->CalendarId, records.GetAt(i)->DeletedMark == 1);
        records.RemoveAll();
    });
    return records.OpenFromDB(profile, calendarType, 1);
}

/// Loads a collection whose records have no deleted mark.
template <class Collection, class Record, class... Profile>
long LoadAll(std::uint32_t Record::*id, const RecordVisitor& visit, Profile... profile)
{
    Collection records;
    records.SetLoadWindow(kLoadWindow, [&] {
        for (int i = 0; i < records.GetCount(); ++i)
            visit(records.GetAt(i), records.GetAt(i)->*id, false);
        records.RemoveAll();
    });
    return records.OpenFromDB(profile...);
}

template <class Collection>
void MakeRecords(CCSVItem& converter, CStringList& fieldNames, CArray<int, const int&>& index,
                 const RecordVisitor& visit)
{
    Collection records;
    for (int row = 0; row < converter.m_nValueCount; ++row)
        converter.Array2Item(records.AddNew(), row, fieldNames, index);
    for (int i = 0; i < records.GetCount(); ++i)
        visit(records.GetAt(i), 0, false);
}

// Address-book headers and the contact fields they fill. Left out: name
// parts the contact has no field for (title, middle name, suffix, nickname,
// display name, which would overwrite the first name), second and third
// street lines (they would overwrite the street), telephone kinds beyond
// two per kind (every mapped telephone column adds an entry to every
// contact, empty or not), and the short layout's birthday in three columns
// (the library reads one date cell).
const std::vector<std::pair<std::u16string_view, std::u16string_view>> kAddressBookColumns = {
    {u"FIRST_NAME", u"First Name"},
    {u"LAST_NAME", u"Last Name"},
    {u"JOB_TITLE", u"Job Title"},
    {u"DEPARTMENT", u"Department"},
    {u"COMPANY", u"Company"},
    {u"COMPANY", u"Organization"},
    {u"TEL_WORK1", u"Business Phone"},
    {u"TEL_WORK1", u"Work Phone"},
    {u"TEL_WORK2", u"Business Phone 2"},
    {u"TEL_HOME1", u"Home Phone"},
    {u"TEL_HOME2", u"Home Phone 2"},
    {u"TEL_MOBILE1", u"Mobile Phone"},
    {u"TEL_MOBILE1", u"Mobile Number"},
    {u"TEL_FAX1", u"Business Fax"},
    {u"TEL_FAX1", u"Fax Number"},
    {u"TEL_FAX2", u"Home Fax"},
    {u"TEL_OTHER1", u"Other Phone"},
    {u"EMAIL_HOME", u"E-mail Address"},
    {u"EMAIL_HOME", u"Primary Email"},
    {u"EMAIL_WORK", u"E-mail 2 Address"},
    {u"EMAIL_WORK", u"Secondary Email"},
    {u"EMAIL_OTHER", u"E-mail 3 Address"},
    {u"URL_WORK", u"Web Page"},
    {u"URL_WORK", u"Web Page 1"},
    {u"URL_HOME", u"Web Page 2"},
    {u"BIRTHDAY", u"Birthday"},
    {u"ANNIVERSARY", u"Anniversary"},
    {u"ADR_WORK_STREET", u"Business Street"},
    {u"ADR_WORK_STREET", u"Work Address"},
    {u"ADR_WORK_COUNTRY", u"Business Country/Region"},
    {u"ADR_WORK_COUNTRY", u"Work Country"},
    {u"ADR_WORK_CITY", u"Business City"},
    {u"ADR_WORK_CITY", u"Work City"},
    {u"ADR_WORK_STATE", u"Business State"},
    {u"ADR_WORK_STATE", u"Work State"},
    {u"ADR_WORK_ZIP", u"Business Postal Code"},
    {u"ADR_WORK_ZIP", u"Work ZipCode"},
    {u"ADR_HOME_STREET", u"Home Street"},
    {u"ADR_HOME_STREET", u"Home Address"},
    {u"ADR_HOME_COUNTRY", u"Home Country/Region"},
    {u"ADR_HOME_COUNTRY", u"Home Country"},
    {u"ADR_HOME_CITY", u"Home City"},
    {u"ADR_HOME_STATE", u"Home State"},
    {u"ADR_HOME_ZIP", u"Home Postal Code"},
    {u"ADR_HOME_ZIP", u"Home ZipCode"},
    {u"ADR_OTHER_STREET", u"Other Street"},
    {u"ADR_OTHER_COUNTRY", u"Other Country/Region"},
    {u"ADR_OTHER_CITY", u"Other City"},
    {u"ADR_OTHER_STATE", u"Other State"},
    {u"ADR_OTHER_ZIP", u"Other Postal Code"},
    {u"NOTE", u"Notes"},
    {u"GROUP_NAME", u"Categories"},
};

// Contacts: the store keeps group membership as links, so the names are
// attached as export attaches them (in link order; a link to no group
// gives an empty name) before the contacts are shown.
long LoadContacts(int profile, const RecordVisitor& visit)
{
    CContactGroups groups;
    CContactGroupPairs links;
    (void)groups.OpenFromDB(profile);
    (void)links.OpenFromDB();
    std::unordered_map<std::uint32_t, CString> names;
    for (int i = groups.GetCount() - 1; i >= 0; --i) // the first group of an id wins
        names[groups.GetAt(i)->GroupId] = groups.GetAt(i)->GroupName;
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> groupsOf; // in link order
    for (int i = 0; i < links.GetCount(); ++i)
        groupsOf[links.GetAt(i)->ContactId].push_back(links.GetAt(i)->GroupId);
    links.RemoveAll();
    CContacts contacts;
    contacts.SetLoadWindow(kLoadWindow, [&] {
        for (int i = 0; i < contacts.GetCount(); ++i) {
            CContact& contact = *contacts.GetAt(i);
            if (const auto found = groupsOf.find(contact.ContactId); found != groupsOf.end())
                for (std::uint32_t group : found->second)
                    contact.NewGroup(names[group]);
            visit(&contact, contact.ContactId, false);
        }
        contacts.RemoveAll();
    });
    return contacts.OpenFromDB(profile, 0);
}

std::string Kind(std::uint32_t code, std::initializer_list<std::pair<std::uint32_t, const char*>> names,
                 const char* otherwise)
{
    for (const auto& [known, name] : names)
        if (code == known)
            return name;
    return otherwise ? otherwise : std::to_string(code);
}

// The export row shows the first entries of each kind only; the listing
// shows every entry that holds text, in store order, as arrays.
void ListContactEntries(void* record, nlohmann::ordered_json& shown)
{
    const CContact& contact = *static_cast<const CContact*>(record);
    for (auto item = shown.begin(); item != shown.end();) {
        const std::string& key = item.key();
        const bool entry = key.rfind("TEL_", 0) == 0 || key.rfind("EMAIL_", 0) == 0 || key.rfind("URL_", 0) == 0 ||
                           key.rfind("ADR_", 0) == 0 || key == "NOTE" || key == "GROUP_NAME";
        item = entry ? shown.erase(item) : std::next(item);
    }
    auto& telephones = shown["telephones"] = nlohmann::ordered_json::array();
    for (int i = 0; i < contact.GetTelephoneCount(); ++i)
        if (const CTelephoneNumber* t = contact.GetTelephone(i); !t->GetNumber().IsEmpty())
            telephones.push_back({{"type", Kind(t->GetType(), {{1, "work"}, {2, "home"}, {32, "mobile"}, {36, "mobile"},
                                                               {8, "fax"}, {9, "fax"}, {10, "fax"}}, "other")},
                                  {"number", t->GetNumber().ToUtf8()}});
    auto& emails = shown["emails"] = nlohmann::ordered_json::array();
    for (int i = 0; i < contact.GetEmailCount(); ++i)
        if (const CEmail* e = contact.GetEmail(i); !e->GetEmail().IsEmpty())
            emails.push_back({{"type", Kind(e->GetType(), {{1, "work"}, {2, "home"}}, "other")},
                              {"address", e->GetEmail().ToUtf8()}});
    auto& urls = shown["urls"] = nlohmann::ordered_json::array();
    for (int i = 0; i < contact.GetURLCount(); ++i)
        if (const CURL* u = contact.GetURL(i); !u->GetURL().IsEmpty())
            urls.push_back({{"type", Kind(u->GetType(), {{1, "work"}, {2, "home"}}, "other")},
                            {"url", u->GetURL().ToUtf8()}});
    auto& addresses = shown["addresses"] = nlohmann::ordered_json::array();
    for (int i = 0; i < contact.GetAddressCount(); ++i) {
        const CPostalAddress& a = *contact.GetAddress(i);
        if ((a.Street + a.City + a.State + a.Zip + a.Country).IsEmpty())
            continue;
        addresses.push_back({{"type", Kind(a.GetType(), {{32, "work"}, {16, "home"}, {1, "other"}}, nullptr)},
                             {"street", a.Street.ToUtf8()}, {"city", a.City.ToUtf8()}, {"state", a.State.ToUtf8()},
                             {"zip", a.Zip.ToUtf8()}, {"country", a.Country.ToUtf8()}});
    }
    auto& notes = shown["notes"] = nlohmann::ordered_json::array();
    for (int i = 0; i < contact.GetCommentCount(); ++i)
        if (const CString note = contact.GetComment(i); !note.IsEmpty())
            notes.push_back(note.ToUtf8());
    auto& groups = shown["groups"] = nlohmann::ordered_json::array();
    CString group;
    for (int i = 0; contact.GetGroup(i, group); ++i)
        groups.push_back(group.ToUtf8());
}

// Parties of a message or an e-mail, without the quote characters that
// export puts around each number for spreadsheets: the parties of each
// column's kinds, in entry order, as an array under the column's name.
template <class Record, class Entry>
void ListParties(const Record& record, int count, Entry* (Record::*at)(int) const noexcept,
                 CString Entry::*text, std::initializer_list<std::pair<const char*, std::vector<std::uint32_t>>> columns,
                 nlohmann::ordered_json& shown)
{
    for (const auto& [column, kinds] : columns) {
        auto& list = shown[column] = nlohmann::ordered_json::array();
        for (int i = 0; i < count; ++i) {
            const Entry& entry = *(record.*at)(i);
            if (std::find(kinds.begin(), kinds.end(), entry.PartyType) != kinds.end())
                list.push_back((entry.*text).ToUtf8());
        }
    }
}

void ListMessageParties(void* record, nlohmann::ordered_json& shown)
{
    const CMessage& message = *static_cast<const CMessage*>(record);
    ListParties(message, message.GetNumberCount(), &CMessage::GetNumberAt, &CMessageNumber::Number,
                {{"sender", {1}}, {"receiver", {0, 2, 3}}}, shown);
}

void ListEmailParties(void* record, nlohmann::ordered_json& shown)
{
    const CMsgEmail& email = *static_cast<const CMsgEmail*>(record);
    ListParties(email, email.GetEmailAddressCount(), &CMsgEmail::GetEmailAddressAt, &CMsgEmailAddress::Address,
                {{"sender", {1}}, {"receiver", {0}}, {"cc", {2}}, {"bcc", {3}}}, shown);
}

std::vector<RecordType> MakeRecordTypes()
{
    std::vector<RecordType> types;
    types.push_back({
        .name = "contact",
        .code = CSVTYPE_CONTACT,
        .singular = "contact",
        .plural = "contacts",
        // The address books that desktop mail programs export, in their long
        // and their short English layouts (the README has the table).
        .aliases = kAddressBookColumns,
        .load = LoadContacts,
        .make = MakeRecords<CContacts>,
        .addToListing = ListContactEntries,
    });
    types.push_back({
        .name = "calendar",
        .code = CSVTYPE_CALENDAR,
        .singular = "calendar entry",
        .plural = "calendar entries",
        .aliases = {},
        .load = [](int profile, const RecordVisitor& visit) { return LoadCalendars(profile, CALTYPE_SCHEDULE, visit); },
        .make = MakeRecords<CCalendars>,
    });
    types.push_back({
        .name = "todo",
        .code = CSVTYPE_TODO,
        .singular = "to-do item",
        .plural = "to-do items",
        .aliases = {},
        .load = [](int profile, const RecordVisitor& visit) { return LoadCalendars(profile, CALTYPE_TODO, visit); },
        .make = MakeRecords<CCalendars>,
    });
    types.push_back({
        .name = "memo",
        .code = CSVTYPE_MEMO,
        .singular = "memo",
        .plural = "memos",
        .aliases = {},
        .load = [](int profile, const RecordVisitor& visit) { return LoadCalendars(profile, CALTYPE_MEMO, visit); },
        .make = MakeRecords<CCalendars>,
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
        .make = MakeRecords<CMessages>,
        .addToListing = ListMessageParties,
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
        .make = MakeRecords<CMsgEmails>,
        .addToListing = ListEmailParties,
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
