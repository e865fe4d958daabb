// Text messages: store records CMessage, each with its parties as an ordered
// list of number entries (CMessageNumber: party type and number text).
//
// Columns, in order:
//   "mailbox"  <-> Box: 1, 2, 3 or 4 as a decimal; any other box is written
//                  as "2", and a cell whose leading integer (read as _wtoi
//                  reads it: blanks and a sign allowed, no digits give 0) is
//                  not 1 to 4 is read as 2
//   "time"     <-> MessageTime, local "YYYY-MM-DD hh:mm" (UTC in the store)
//   "content"  <-> Content, unchanged
//   "sender"   <-> the entries of party type 1
//   "receiver" <-> the entries of party types 0, 2 and 3; read back as 0
//
// Known quirks, kept because files written by the suite depend on them:
// - Every number is written between quote characters inside its cell
//   ("111" becomes """111""" in the file), and the entries are joined by
//   ";". An empty number adds only its separator, and only when the list
//   already holds something, so empty numbers are not kept by a round trip.
// - Entries of party types other than 0 to 3 are written nowhere.
// - Import cleans every number down to its dial characters (which also
//   drops the quote characters of export), splits at runs of ";" and stops
//   at the first blank piece. The emptiness test comes before the cleaning:
//   a piece of letters only still gives an entry, with an empty number.
// - Import sets Kind to 1 on every message; Kind has no column.
#include "converters/CSVMessage.h"

#include "converters/ConverterFlow_p.h"
#include "converters/PartyList_p.h"
#include "converters/StoredRecords_p.h"
#include "engine/ColumnTable_p.h"
#include "platform/Numbers.h"
#include "store/Messages.h"

namespace {

using Column = varno::detail::Column<CCSVMessage, CMessage>;
using Store = varno::detail::MessageStore;
using varno::detail::Cell;

constexpr std::uint32_t kSender = 1;
constexpr std::uint32_t kReceiver = 0; // the party type import gives every receiver

bool IsSender(std::uint32_t party) { return party == kSender; }
bool IsReceiver(std::uint32_t party) { return party == 0 || party == 2 || party == 3; }

bool IsValidBox(long long box) { return box >= 1 && box <= 4; }

// The numbers of the entries whose party `belongs` picks, in entry order.
CString NumberList(CCSVMessage& converter, const CMessage& message, bool (*belongs)(std::uint32_t))
{
    CString list;
    for (int i = 0; i < message.GetNumberCount(); ++i) {
        const CMessageNumber& entry = *message.GetNumberAt(i);
        if (belongs(entry.PartyType))
            varno::detail::AppendListEntry(list, converter.data2Excel(entry.Number));
    }
    return list;
}

const Column kColumns[] = {
    {{u"mailbox", u"mailbox"},
     [](CCSVMessage&, const CMessage& message) {
         CString text(u"2");
         if (IsValidBox(message.Box))
             text.Format("%u", static_cast<unsigned>(message.Box));
         return text;
     },
     [](CCSVMessage&, CMessage& message, const Cell& cell) {
         const int box = varno::ReadLeadingInt(cell.Value().str());
         message.Box = IsValidBox(box) ? static_cast<std::uint32_t>(box) : 2;
     }},
    {{u"time", u"time", false, false, false, varno::CSVCellKind::Date},
     [](CCSVMessage& converter, const CMessage& message) { return converter.OLEDate2String(message.MessageTime); },
     [](CCSVMessage& converter, CMessage& message, const Cell& cell) {
         message.MessageTime = converter.String2OLEDate(cell.Value(), CString());
     }},
    {{u"content", u"content", true},
     [](CCSVMessage&, const CMessage& message) { return message.Content; },
     [](CCSVMessage&, CMessage& message, const Cell& cell) { message.Content = cell.Value(); }},
    {{u"sender", u"sender", true},
     [](CCSVMessage& converter, const CMessage& message) { return NumberList(converter, message, IsSender); },
     [](CCSVMessage& converter, CMessage& message, const Cell& cell) {
         converter.parseNunmber(&message, cell.Value(), kSender);
     }},
    {{u"receiver", u"receiver", true},
     [](CCSVMessage& converter, const CMessage& message) { return NumberList(converter, message, IsReceiver); },
     [](CCSVMessage& converter, CMessage& message, const Cell& cell) {
         converter.parseNunmber(&message, cell.Value(), kReceiver);
     }},
};

// The host's collection, when it is a message collection holding nothing
// but messages; otherwise nullptr. A foreign object in it would leave a
// record that Make cannot read, so the whole collection is refused.
CMessages* HostMessagesToWrite(CObArray* records)
{
    auto* messages = dynamic_cast<CMessages*>(records);
    for (int i = 0; messages && i < messages->GetCount(); ++i)
        if (!messages->GetAt(i))
            return nullptr;
    return messages;
}

} // namespace

std::vector<varno::CSVEntryList> varno::detail::ListMessageParties(const void* record)
{
    const CMessage& message = *static_cast<const CMessage*>(record);
    std::vector<CSVEntryList> lists{{"sender", {}}, {"receiver", {}}};
    for (int i = 0; i < message.GetNumberCount(); ++i) {
        const CMessageNumber& entry = *message.GetNumberAt(i);
        if (IsSender(entry.PartyType) || IsReceiver(entry.PartyType))
            lists[IsSender(entry.PartyType) ? 0 : 1].entries.push_back({{"", entry.Number}});
    }
    return lists;
}

CCSVMessage::~CCSVMessage() = default;

const varno::CSVLayout& CCSVMessage::Layout()
{
    static const varno::CSVLayout layout = varno::detail::LayoutOf<CCSVMessage, CMessage>(kColumns);
    return layout;
}

long CCSVMessage::Export(int profile, CString path)
{
    return varno::detail::ExportStored<Store>(*this, profile, path);
}

_en_CSVError CCSVMessage::Count(long& count, int /*profile*/, CString path, CStringList& fieldNames,
                                CStringList& fileColumns, int /*option*/)
{
    return varno::detail::CountStored<Store>(*this, path, fieldNames, fileColumns, count);
}

_en_CSVError CCSVMessage::Import(long& count, int profile, CString path, CStringList& fieldNames,
                                 CStringList& fileColumns, int option, bool flag)
{
    return varno::detail::ImportStored<Store>(*this, count, profile, path, fieldNames, fileColumns, option, flag);
}

long CCSVMessage::ExportFromPC(int /*profile*/, CString path, CObArray* messages)
{
    const CMessages* records = HostMessagesToWrite(messages);
    if (!records)
        return -1;
    return varno::detail::WriteRecords(*this, *records, path);
}

_en_CSVError CCSVMessage::ImportToPC(long& count, int /*profile*/, CString path, CStringList& fieldNames,
                                     CStringList& fileColumns, CObArray* messages)
{
    auto* records = dynamic_cast<CMessages*>(messages);
    if (!records)
        return CSVERR_FAIL;
    // The count starts once the file has been read, so a file that cannot
    // be read leaves it as the host had it; it then follows the records
    // made, which stay with the host.
    const int before = records->GetCount();
    return varno::detail::ReadRecords(
        *this, path, fieldNames, fileColumns, *records, [&count] { count = 0; },
        [&count, before](CMessages& all) { count = all.GetCount() - before; });
}

void CCSVMessage::MakeField()
{
    varno::detail::SetColumnNames<CCSVMessage, CMessage>(*this, kColumns);
}

void CCSVMessage::Make(void* record)
{
    varno::detail::AppendRow<CCSVMessage, CMessage>(*this, *static_cast<CMessage*>(record), kColumns);
}

int CCSVMessage::Array2Item(void* record, int row, CStringList& fieldNames, CArray<int, const int&>& index)
{
    CMessage& message = *static_cast<CMessage*>(record);
    message.Kind = 1;
    varno::detail::ReadRow<CCSVMessage, CMessage>(*this, message, row, fieldNames, index, kColumns);
    return 1;
}

void CCSVMessage::parseNunmber(CMessage* message, CString text, unsigned long partyCode)
{
    varno::detail::ForEachListPiece(text, [&](CString& piece) {
        CMessageNumber* entry = message->NewNumber();
        RemoveCharFromString_NumberType(piece);
        entry->Number = piece;
        entry->PartyType = static_cast<std::uint32_t>(partyCode);
    });
}

void CCSVMessage::RemoveCharFromString_NumberType(CString& text)
{
    // Every character that is not a dial character is overwritten with "$"
    // and all of them go in one pass; "$" is no dial character, so one in
    // the text goes too.
    for (char16_t& ch : text.str()) {
        const bool dial = (ch >= u'0' && ch <= u'9') || ch == u'p' || ch == u'P' || ch == u'w' || ch == u'W' ||
                          ch == u'#' || ch == u'*' || ch == u'+';
        if (!dial)
            ch = u'$';
    }
    text.Remove(u'$');
}

CString CCSVMessage::data2Excel(CString text)
{
    if (text.IsEmpty())
        return text;
    return u"\"" + text + u'"';
}
