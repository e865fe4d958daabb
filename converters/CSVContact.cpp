// Contacts: store records of class CContact, with their organisations,
// telephones, e-mails, web addresses, postal addresses, comments, dated
// events and (in memory only) group names. This file holds the column table
// and the mapping of one contact to one row and back; the store and the
// host-held collections are in CSVContactCollections.cpp.
//
// Columns, in order (40):
//   FIRST_NAME LAST_NAME JOB_TITLE          the contact's own texts
//   DEPARTMENT COMPANY                      of the first organisation
//   TEL_WORK1 TEL_WORK2 TEL_HOME1 TEL_HOME2 TEL_MOBILE1 TEL_MOBILE2
//   TEL_FAX1 TEL_FAX2 TEL_OTHER1 TEL_OTHER2 two slots per kind
//   EMAIL_HOME EMAIL_WORK EMAIL_OTHER       one slot per kind
//   URL_WORK URL_HOME URL_OTHER             one slot per kind
//   BIRTHDAY ANNIVERSARY                    local "YYYY-MM-DD hh:mm"
//   ADR_WORK_*, ADR_HOME_*, ADR_OTHER_*     each STREET COUNTRY CITY STATE
//                                           ZIP, in that order
//   NOTE                                    the first comment
//   GROUP_NAME                              the first group name
//
// Type codes: export sorts the entries into columns by their code, import
// gives every column one code.
//   telephone  work 1, home 2, mobile 32 (36 is written as mobile too),
//              fax 8 (9 and 10 are written as fax too), other: any other
//              code is written as other, but other is created as 4
//   e-mail     work 1, home 2, other: any other code, created as 0
//   web        work 1, home 2, other: any other code, created as 0
//   address    work 32, home 16, other 1; an address of any other code is
//              not written at all
//
// Known quirks, kept because the phone suite's files rely on them:
// - A telephone kind's two slots take the first two non-empty numbers of
//   that kind in store order; a third is lost. E-mail and web slots keep the
//   first non-empty one of their kind. A later address of a kind replaces an
//   earlier one whole, empty parts included: the last one wins.
// - Telephone numbers are written between extra double quotes so that a
//   spreadsheet keeps them as text (a leading zero or "+" survives); in the
//   file each number stands between three quotes. Import keeps only digits
//   and "p P w W # * +", which strips those quotes again.
// - Only the first comment and the first group name are written.
// - Import adds an entry for every mapped cell, empty or not: an empty TEL_,
//   EMAIL_, URL_ or NOTE cell adds an empty entry, an empty ADR_ cell
//   creates its address, an empty date adds an event with a null date. Only
//   a date of "00-0-0" (the phone's "no date") and a GROUP_NAME that means
//   "no group" ("그룹없음" or "그룹 없음" exactly, "no group" in any letter
//   case, or empty) add nothing.
// - DEPARTMENT and COMPANY fill the first organisation and create it
//   (type 1) when there is none, so the two columns give one organisation.
// - The same field mapped twice is read twice: two TEL_WORK1 columns add two
//   work numbers, while a second FIRST_NAME overwrites the first.
#include "converters/CSVContact.h"

#include "converters/StoredRecords_p.h"
#include "engine/ColumnTable_p.h"
#include "store/Contact.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

namespace {

using varno::detail::Cell;

// One contact as the column table sees it. During the field walk of import
// it also holds the address of each kind the walk has created: the first
// ADR_ cell of a kind creates it, the others fill it, and it gets its type
// code when the walk is over.
struct ContactRow {
    CContact& contact;
    std::array<CPostalAddress*, 3> addresses{}; // work, home, other
};

using Column = varno::detail::Column<CCSVContact, ContactRow>;

enum Kind { Work, Home, Mobile, Fax, Other };

// The column kind of a telephone on export.
constexpr Kind TelephoneKind(std::uint32_t code)
{
    switch (code) {
    case 1: return Work;
    case 2: return Home;
    case 32: case 36: return Mobile;
    case 8: case 9: case 10: return Fax;
    default: return Other;
    }
}

// How a listing names an entry's kind.
constexpr const char* kKindWords[] = {"work", "home", "mobile", "fax", "other"}; // by Kind

// The code a TEL_ column gives on import.
constexpr std::uint32_t kTelephoneCodes[] = {1, 2, 32, 8, 4}; // by Kind

// E-mail and web addresses: work 1, home 2, anything else other; other is
// created as 0.
constexpr Kind NetKind(std::uint32_t code) { return code == 1 ? Work : code == 2 ? Home : Other; }
constexpr std::uint32_t NetCode(Kind kind) { return kind == Work ? 1 : kind == Home ? 2 : 0; }

// Address codes of the walk's three slots.
constexpr std::uint32_t kAddressCodes[] = {32, 16, 1}; // work, home, other

constexpr bool kPrincipal = true;

template <CString CContact::*field>
constexpr Column Text(std::u16string_view name, bool principal = false)
{
    return {{name, name, principal}, [](CCSVContact&, const ContactRow& r) { return r.contact.*field; },
            [](CCSVContact&, ContactRow& r, const Cell& cell) { r.contact.*field = cell.Value(); }};
}

// DEPARTMENT and COMPANY: the first organisation, created with type 1 and
// the other part empty when the contact has none.
template <CString COrganization::*part>
constexpr Column Organization(std::u16string_view name, bool principal = false)
{
    return {{name, name, principal},
            [](CCSVContact&, const ContactRow& r) {
                return r.contact.GetOrganizationCount() > 0 ? r.contact.GetOrganization(0)->*part : CString();
            },
            [](CCSVContact&, ContactRow& r, const Cell& cell) {
                if (r.contact.GetOrganizationCount() == 0)
                    r.contact.NewOrganization(CString(), CString(), CString(), 1);
                r.contact.GetOrganization(0)->*part = cell.Value();
            }};
}

// Export fills a kind's first slot with its first number and the second
// slot with the next, testing the slot's text: a number that is empty
// leaves the slot free. So slot n holds the n-th non-empty number.
template <Kind kind, int slot>
constexpr Column Telephone(std::u16string_view name)
{
    return {{name, name, kPrincipal, false, false, varno::CSVCellKind::Telephone, true},
            [](CCSVContact& converter, const ContactRow& r) {
                for (int i = 0, seen = 0; i < r.contact.GetTelephoneCount(); ++i) {
                    const CTelephoneNumber& t = *r.contact.GetTelephone(i);
                    if (TelephoneKind(t.GetType()) == kind && !t.GetNumber().IsEmpty() && seen++ == slot)
                        return converter.data2Excel(t.GetNumber());
                }
                return CString();
            },
            [](CCSVContact& converter, ContactRow& r, const Cell& cell) {
                CString number = cell.Value();
                converter.RemoveCharFromString_NumberType(number);
                CTelephoneNumber* t = r.contact.NewTelephone();
                t->SetType(kTelephoneCodes[kind]);
                t->SetNumber(number);
            }};
}

// The first non-empty e-mail of its kind.
template <Kind kind>
constexpr Column Email(std::u16string_view name)
{
    return {{name, name, kPrincipal, false, false, varno::CSVCellKind::Text, true},
            [](CCSVContact&, const ContactRow& r) {
                for (int i = 0; i < r.contact.GetEmailCount(); ++i)
                    if (const CEmail& e = *r.contact.GetEmail(i);
                        NetKind(e.GetType()) == kind && !e.GetEmail().IsEmpty())
                        return e.GetEmail();
                return CString();
            },
            [](CCSVContact&, ContactRow& r, const Cell& cell) {
                CEmail* e = r.contact.NewEmail();
                e->SetEmail(cell.Value());
                e->SetType(NetCode(kind));
            }};
}

// The first non-empty web address of its kind.
template <Kind kind>
constexpr Column Url(std::u16string_view name)
{
    return {{name, name, false, false, false, varno::CSVCellKind::Text, true},
            [](CCSVContact&, const ContactRow& r) {
                for (int i = 0; i < r.contact.GetURLCount(); ++i)
                    if (const CURL& u = *r.contact.GetURL(i); NetKind(u.GetType()) == kind && !u.GetURL().IsEmpty())
                        return u.GetURL();
                return CString();
            },
            [](CCSVContact&, ContactRow& r, const Cell& cell) {
                CURL* u = r.contact.NewURL();
                u->SetURL(cell.Value());
                u->SetType(NetCode(kind));
            }};
}

// Birthday and anniversary. Export reads the first event of the kind into a
// holder that stays null without one (written empty); import adds an event
// for every cell but "00-0-0", an empty cell giving a null date.
template <bool (CContact::*get)(int&, COleDateTimeNull&) const, std::uint32_t eventKind>
constexpr Column Date(std::u16string_view name)
{
    return {{name, name, false, false, false, varno::CSVCellKind::Date, true},
            [](CCSVContact& converter, const ContactRow& r) {
                int index = 0;
                COleDateTimeNull date;
                (r.contact.*get)(index, date);
                return converter.OLEDate2String(date);
            },
            [](CCSVContact& converter, ContactRow& r, const Cell& cell) {
                if (cell.Value() != u"00-0-0")
                    r.contact.NewContactEvent(converter.String2OLEDate(cell.Value(), CString()), eventKind);
            }};
}

// One part of the address of a kind (slot: 0 work, 1 home, 2 other). Export
// takes the last address of the kind's code.
template <int slot, CString CPostalAddress::*part>
constexpr Column Address(std::u16string_view name)
{
    return {{name, name},
            [](CCSVContact&, const ContactRow& r) {
                for (int i = r.contact.GetAddressCount() - 1; i >= 0; --i)
                    if (const CPostalAddress& a = *r.contact.GetAddress(i); a.GetType() == kAddressCodes[slot])
                        return a.*part;
                return CString();
            },
            [](CCSVContact&, ContactRow& r, const Cell& cell) {
                CPostalAddress*& address = r.addresses[slot];
                if (!address)
                    address = r.contact.NewAddress();
                address->*part = cell.Value();
            }};
}

// What phones and users write for "no group": the Korean words exactly as
// the phone writes them (with and without the space), the English words in
// any letter case, and nothing at all.
bool MeansNoGroup(const CString& name)
{
    return name.IsEmpty() || name == u"그룹없음" || name == u"그룹 없음" || name.CompareNoCase(u"no group") == 0;
}

constexpr Column kColumns[] = {
    Text<&CContact::FirstName>(u"FIRST_NAME", kPrincipal),
    Text<&CContact::LastName>(u"LAST_NAME", kPrincipal),
    Text<&CContact::JobTitle>(u"JOB_TITLE"),
    Organization<&COrganization::Department>(u"DEPARTMENT"),
    Organization<&COrganization::Company>(u"COMPANY", kPrincipal),
    Telephone<Work, 0>(u"TEL_WORK1"),
    Telephone<Work, 1>(u"TEL_WORK2"),
    Telephone<Home, 0>(u"TEL_HOME1"),
    Telephone<Home, 1>(u"TEL_HOME2"),
    Telephone<Mobile, 0>(u"TEL_MOBILE1"),
    Telephone<Mobile, 1>(u"TEL_MOBILE2"),
    Telephone<Fax, 0>(u"TEL_FAX1"),
    Telephone<Fax, 1>(u"TEL_FAX2"),
    Telephone<Other, 0>(u"TEL_OTHER1"),
    Telephone<Other, 1>(u"TEL_OTHER2"),
    Email<Home>(u"EMAIL_HOME"),
    Email<Work>(u"EMAIL_WORK"),
    Email<Other>(u"EMAIL_OTHER"),
    Url<Work>(u"URL_WORK"),
    Url<Home>(u"URL_HOME"),
    Url<Other>(u"URL_OTHER"),
    Date<&CContact::GetBirthDate, CONTACT_EVENT_BIRTHDAY>(u"BIRTHDAY"),
    Date<&CContact::GetAnniversary, CONTACT_EVENT_ANNIVERSARY>(u"ANNIVERSARY"),
    Address<0, &CPostalAddress::Street>(u"ADR_WORK_STREET"),
    Address<0, &CPostalAddress::Country>(u"ADR_WORK_COUNTRY"),
    Address<0, &CPostalAddress::City>(u"ADR_WORK_CITY"),
    Address<0, &CPostalAddress::State>(u"ADR_WORK_STATE"),
    Address<0, &CPostalAddress::Zip>(u"ADR_WORK_ZIP"),
    Address<1, &CPostalAddress::Street>(u"ADR_HOME_STREET"),
    Address<1, &CPostalAddress::Country>(u"ADR_HOME_COUNTRY"),
    Address<1, &CPostalAddress::City>(u"ADR_HOME_CITY"),
    Address<1, &CPostalAddress::State>(u"ADR_HOME_STATE"),
    Address<1, &CPostalAddress::Zip>(u"ADR_HOME_ZIP"),
    Address<2, &CPostalAddress::Street>(u"ADR_OTHER_STREET"),
    Address<2, &CPostalAddress::Country>(u"ADR_OTHER_COUNTRY"),
    Address<2, &CPostalAddress::City>(u"ADR_OTHER_CITY"),
    Address<2, &CPostalAddress::State>(u"ADR_OTHER_STATE"),
    Address<2, &CPostalAddress::Zip>(u"ADR_OTHER_ZIP"),
    {{u"NOTE", u"NOTE", false, false, false, varno::CSVCellKind::Text, true},
     [](CCSVContact&, const ContactRow& r) {
         return r.contact.GetCommentCount() > 0 ? r.contact.GetComment(0) : CString();
     },
     [](CCSVContact&, ContactRow& r, const Cell& cell) { r.contact.NewComment(cell.Value()); }},
    {{u"GROUP_NAME", u"GROUP_NAME", false, false, false, varno::CSVCellKind::GroupName, true},
     [](CCSVContact&, const ContactRow& r) {
         CString name;
         if (r.contact.GetGroupCount() > 0)
             r.contact.GetGroup(0, name);
         return name;
     },
     [](CCSVContact&, ContactRow& r, const Cell& cell) {
         if (!MeansNoGroup(cell.Value()))
             r.contact.NewGroup(cell.Value());
     }},
};
static_assert(std::size(kColumns) == 40);

} // namespace

CCSVContact::~CCSVContact() = default;

const varno::CSVLayout& CCSVContact::Layout()
{
    static const varno::CSVLayout layout = varno::detail::LayoutOf<CCSVContact, ContactRow>(kColumns);
    return layout;
}

void CCSVContact::MakeField()
{
    varno::detail::SetColumnNames<CCSVContact, ContactRow>(*this, kColumns);
}

void CCSVContact::Make(void* record)
{
    varno::detail::AppendRow<CCSVContact, ContactRow>(*this, ContactRow{*static_cast<CContact*>(record)}, kColumns);
}

int CCSVContact::Array2Item(void* record, int row, CStringList& fieldNames, CArray<int, const int&>& index)
{
    ContactRow walk{*static_cast<CContact*>(record)};
    varno::detail::ReadRow<CCSVContact, ContactRow>(*this, walk, row, fieldNames, index, kColumns);
    for (std::size_t slot = 0; slot < walk.addresses.size(); ++slot)
        if (walk.addresses[slot])
            walk.addresses[slot]->SetType(kAddressCodes[slot]);
    return 1;
}

std::vector<varno::CSVEntryList> varno::detail::ListContactEntries(const void* record)
{
    const CContact& contact = *static_cast<const CContact*>(record);
    using Parts = std::vector<std::pair<std::string, CString>>;
    std::vector<CSVEntryList> lists{{"telephones", {}}, {"emails", {}}, {"urls", {}},
                                    {"addresses", {}},  {"notes", {}},  {"groups", {}}};
    for (int i = 0; i < contact.GetTelephoneCount(); ++i)
        if (const CTelephoneNumber& t = *contact.GetTelephone(i); !t.GetNumber().IsEmpty())
            lists[0].entries.push_back(
                Parts{{"type", CString::FromUtf8(kKindWords[TelephoneKind(t.GetType())])}, {"number", t.GetNumber()}});
    for (int i = 0; i < contact.GetEmailCount(); ++i)
        if (const CEmail& e = *contact.GetEmail(i); !e.GetEmail().IsEmpty())
            lists[1].entries.push_back(
                Parts{{"type", CString::FromUtf8(kKindWords[NetKind(e.GetType())])}, {"address", e.GetEmail()}});
    for (int i = 0; i < contact.GetURLCount(); ++i)
        if (const CURL& u = *contact.GetURL(i); !u.GetURL().IsEmpty())
            lists[2].entries.push_back(
                Parts{{"type", CString::FromUtf8(kKindWords[NetKind(u.GetType())])}, {"url", u.GetURL()}});
    for (int i = 0; i < contact.GetAddressCount(); ++i) {
        const CPostalAddress& a = *contact.GetAddress(i);
        if ((a.Street + a.City + a.State + a.Zip + a.Country).IsEmpty())
            continue;
        // An address of a code export does not write is named by its code.
        const auto slot = std::find(std::begin(kAddressCodes), std::end(kAddressCodes), a.GetType());
        const std::string kind = slot == std::end(kAddressCodes) ? std::to_string(a.GetType())
                                 : slot == kAddressCodes         ? "work"
                                 : slot == kAddressCodes + 1     ? "home"
                                                                 : "other";
        lists[3].entries.push_back(Parts{{"type", CString::FromUtf8(kind)},
                                         {"street", a.Street},
                                         {"city", a.City},
                                         {"state", a.State},
                                         {"zip", a.Zip},
                                         {"country", a.Country}});
    }
    for (int i = 0; i < contact.GetCommentCount(); ++i)
        if (CString note = contact.GetComment(i); !note.IsEmpty())
            lists[4].entries.push_back(Parts{{"", std::move(note)}});
    CString group;
    for (int i = 0; contact.GetGroup(i, group); ++i)
        lists[5].entries.push_back(Parts{{"", group}});
    return lists;
}

bool varno::detail::ContactListedInstead(std::u16string_view name)
{
    for (std::u16string_view prefix : {u"TEL_", u"EMAIL_", u"URL_", u"ADR_"})
        if (name.substr(0, prefix.size()) == prefix)
            return true;
    return name == u"NOTE" || name == u"GROUP_NAME";
}

CString CCSVContact::data2Excel(CString value)
{
    return value.IsEmpty() ? value : CString(u"\"") + value + u'"';
}

void CCSVContact::RemoveCharFromString_NumberType(CString& value)
{
    std::erase_if(value.str(), [](char16_t c) {
        return !(c >= u'0' && c <= u'9') && std::u16string_view(u"pPwW#*+").find(c) == std::u16string_view::npos;
    });
}
