// E-mails: store records CMsgEmail, each with its parties as an ordered list
// of address entries (CMsgEmailAddress: party type and address text).
//
// Columns, in order:
//   "title"    <-> Title, unchanged
//   "content"  <-> Content, unchanged
//   "sender"   <-> the entries of party type 1
//   "receiver" <-> the entries of party type 0
//   "cc"       <-> the entries of party type 2 (copies)
//   "bcc"      <-> the entries of party type 3 (blind copies)
//   "time"     <-> MessageTime, local "YYYY-MM-DD hh:mm" (UTC in the store)
//
// Known quirks, kept because files written by the suite depend on them:
// - The addresses of one party are joined by ";" as they are, neither
//   quoted nor cleaned. An address that holds ";" itself therefore comes
//   back as two entries, and an empty address adds only its separator
//   (nothing at the start of a list).
// - Entries of party types other than 0 to 3 are written nowhere.
// - Import splits a cell at runs of ";", trims each piece and stops at the
//   first blank one; the pieces are stored as they are.
// - Box and Kind have no column: import sets Box 2 and Kind 4 on every
//   e-mail, whatever the exported one had.
#include "converters/CSVEmail.h"

#include "converters/ConverterFlow_p.h"
#include "converters/PartyList_p.h"
#include "converters/StoredRecords_p.h"
#include "engine/ColumnTable_p.h"
#include "store/MsgEmails.h"

namespace {

using Column = varno::detail::Column<CCSVEmail, CMsgEmail>;
using Store = varno::detail::EmailStore;
using varno::detail::Cell;

// Adds one address entry of party `partyCode` to `mail` for each piece of
// the ";"-separated `addresses`, stopping at the first blank piece.
void parseEmailAddress(CMsgEmail* mail, CString addresses, unsigned long partyCode)
{
    varno::detail::ForEachListPiece(addresses, [&](const CString& piece) {
        CMsgEmailAddress* entry = mail->NewEmailAddress();
        entry->Address = piece;
        entry->PartyType = static_cast<std::uint32_t>(partyCode);
    });
}

// The column of the addresses of one party.
template <std::uint32_t Party>
CString WriteAddresses(CCSVEmail&, const CMsgEmail& mail)
{
    CString list;
    for (int i = 0; i < mail.GetEmailAddressCount(); ++i)
        if (const CMsgEmailAddress& entry = *mail.GetEmailAddressAt(i); entry.PartyType == Party)
            varno::detail::AppendListEntry(list, entry.Address);
    return list;
}

template <std::uint32_t Party>
void ReadAddresses(CCSVEmail&, CMsgEmail& mail, const Cell& cell)
{
    parseEmailAddress(&mail, cell.Value(), Party);
}

const Column kColumns[] = {
    {{u"title", u"title", true},
     [](CCSVEmail&, const CMsgEmail& mail) { return mail.Title; },
     [](CCSVEmail&, CMsgEmail& mail, const Cell& cell) { mail.Title = cell.Value(); }},
    {{u"content", u"content", true},
     [](CCSVEmail&, const CMsgEmail& mail) { return mail.Content; },
     [](CCSVEmail&, CMsgEmail& mail, const Cell& cell) { mail.Content = cell.Value(); }},
    {{u"sender", u"sender", true}, WriteAddresses<1>, ReadAddresses<1>},
    {{u"receiver", u"receiver", true}, WriteAddresses<0>, ReadAddresses<0>},
    {{u"cc", u"cc", true}, WriteAddresses<2>, ReadAddresses<2>},
    {{u"bcc", u"bcc", true}, WriteAddresses<3>, ReadAddresses<3>},
    {{u"time", u"time", false, false, false, varno::CSVCellKind::Date},
     [](CCSVEmail& converter, const CMsgEmail& mail) { return converter.OLEDate2String(mail.MessageTime); },
     [](CCSVEmail& converter, CMsgEmail& mail, const Cell& cell) {
         mail.MessageTime = converter.String2OLEDate(cell.Value(), CString());
     }},
};

} // namespace

std::vector<varno::CSVEntryList> varno::detail::ListEmailParties(const void* record)
{
    const CMsgEmail& mail = *static_cast<const CMsgEmail*>(record);
    // By party type 1, 0, 2, 3: the order of the export columns.
    std::vector<CSVEntryList> lists{{"sender", {}}, {"receiver", {}}, {"cc", {}}, {"bcc", {}}};
    constexpr int kListOfParty[] = {1, 0, 2, 3};
    for (int i = 0; i < mail.GetEmailAddressCount(); ++i)
        if (const CMsgEmailAddress& entry = *mail.GetEmailAddressAt(i); entry.PartyType <= 3)
            lists[kListOfParty[entry.PartyType]].entries.push_back({{"", entry.Address}});
    return lists;
}

CCSVEmail::~CCSVEmail() = default;

const varno::CSVLayout& CCSVEmail::Layout()
{
    static const varno::CSVLayout layout = varno::detail::LayoutOf<CCSVEmail, CMsgEmail>(kColumns);
    return layout;
}

long CCSVEmail::Export(int profile, CString path)
{
    return varno::detail::ExportStored<Store>(*this, profile, path);
}

_en_CSVError CCSVEmail::Count(long& count, int /*profile*/, CString path, CStringList& fieldNames,
                              CStringList& fileColumns, int /*option*/)
{
    return varno::detail::CountStored<Store>(*this, path, fieldNames, fileColumns, count);
}

_en_CSVError CCSVEmail::Import(long& count, int profile, CString path, CStringList& fieldNames,
                               CStringList& fileColumns, int option, bool flag)
{
    return varno::detail::ImportStored<Store>(*this, count, profile, path, fieldNames, fileColumns, option, flag);
}

void CCSVEmail::MakeField()
{
    varno::detail::SetColumnNames<CCSVEmail, CMsgEmail>(*this, kColumns);
}

void CCSVEmail::Make(void* record)
{
    varno::detail::AppendRow<CCSVEmail, CMsgEmail>(*this, *static_cast<CMsgEmail*>(record), kColumns);
}

int CCSVEmail::Array2Item(void* record, int row, CStringList& fieldNames, CArray<int, const int&>& index)
{
    CMsgEmail& mail = *static_cast<CMsgEmail*>(record);
    mail.Kind = 4;
    mail.Box = 2;
    varno::detail::ReadRow<CCSVEmail, CMsgEmail>(*this, mail, row, fieldNames, index, kColumns);
    return 1;
}
