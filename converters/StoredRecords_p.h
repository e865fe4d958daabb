// Internal: what the record-type list needs of each converter beyond its
// file operations: stored records loaded a window at a time as export sees
// them, records made from a converter's rows as import makes them, and the
// sub-entries a listing shows whole.
#pragma once

#include "manager/CSVRecordTypes.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace varno::detail {

/// Records a load hands over at a time: a listing of a large store holds a
/// window of them, not all.
constexpr int kStoredWindow = 2048;

/// Loads the records of `profile` as the store kind's export loads them
/// (ConverterFlow_p.h), a window at a time, handing each to `visit` with
/// its id and deleted mark, and frees each window once visited.
template <class Store>
long LoadStored(int profile, const RecordVisitor& visit)
{
    typename Store::Collection records;
    records.SetLoadWindow(kStoredWindow, [&] {
        for (int i = 0; i < records.GetCount(); ++i)
            visit(records.GetAt(i), Store::Id(*records.GetAt(i)), Store::Deleted(*records.GetAt(i)));
        records.RemoveAll();
    });
    return Store::Open(records, profile);
}

/// One new record of `Collection` per row of the converter's table, filled
/// by Array2Item, handed to `visit` once all are made; none is saved.
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

/// Contacts of `profile` with their group names attached as export attaches
/// them (CSVContactCollections.cpp).
long LoadStoredContacts(int profile, const RecordVisitor& visit);
/// Every telephone, e-mail, web and postal address, note and group of a
/// contact that holds text, in store order (CSVContact.cpp).
std::vector<CSVEntryList> ListContactEntries(const void* contact);
/// The contact columns that ListContactEntries shows whole.
bool ContactListedInstead(std::u16string_view exportName);
/// A text message's senders and receivers (CSVMessage.cpp), and an e-mail's
/// senders, receivers, copies and blind copies (CSVEmail.cpp), without the
/// quote characters export puts around numbers.
std::vector<CSVEntryList> ListMessageParties(const void* message);
std::vector<CSVEntryList> ListEmailParties(const void* email);

} // namespace varno::detail
