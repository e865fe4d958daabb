// The record types the library converts, one entry each: the one list that
// says which data-type codes have a converter. CSVMng creates its converters
// from it, and hosts read it for everything they show or map: names, the
// column table, the foreign layouts import recognises, how stored records
// are loaded for listing and how a row becomes a record.
//
// Adding a type is one entry here, plus its converter and its store kind.
// The list is constant data; reading it changes nothing.
#pragma once

#include "engine/CSVItem.h"
#include "engine/CSVLayout.h"
#include "manager/varnocsvmgr_export.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varno {

/// Called once per record: the record (of the type's store class, as the
/// converter's Make takes it), its id (0 for a record that is not stored)
/// and whether it is marked deleted.
using RecordVisitor = std::function<void(void* record, std::uint32_t id, bool deleted)>;

/// One list of a record's sub-entries as a listing shows them, beyond the
/// export row: a contact's telephones, a message's receivers.
struct CSVEntryList {
    std::string name; ///< "telephones", "receiver"
    /// Each entry as (key, text) parts; an entry of one part with an empty
    /// key is a plain text.
    std::vector<std::vector<std::pair<std::string, CString>>> entries;
};

struct CSVRecordType {
    unsigned long code;         ///< the data-type code, CSVTYPE_CONTACT ...
    std::string_view name;      ///< one word for command lines and JSON: "contact", "todo"
    std::string_view singular;  ///< in messages: "to-do item"
    std::string_view plural;    ///< "to-do items"
    /// A new converter of the type, which the caller deletes; nullptr when
    /// memory is exhausted.
    CCSVItem* (*create)();
    /// The type's columns and the foreign layouts its import recognises.
    const CSVLayout& (*layout)();
    /// Loads the stored records of `profile` (those marked deleted too) and
    /// hands each to `visit`, a window of them at a time, as export sees
    /// them (a contact with its group names). The load's result: the number
    /// of records, or negative when the store cannot be read (the records
    /// visited until then must be disregarded).
    long (*loadStored)(int profile, const RecordVisitor& visit);
    /// Makes one new record per row of `converter`'s table, filled by its
    /// Array2Item exactly as import fills them (the k-th name of
    /// `fieldNames` from column index[k]), in a collection of the type's
    /// that is never saved, and hands each to `visit` (id 0, not deleted).
    void (*makeRecords)(CCSVItem& converter, CStringList& fieldNames, CArray<int, const int&>& index,
                        const RecordVisitor& visit);
    /// What a listing shows of a record beyond its export row: each list
    /// replaces the export column of its name where there is one and comes
    /// after the columns otherwise. nullptr for a type with nothing more.
    std::vector<CSVEntryList> (*listEntries)(const void* record) = nullptr;
    /// The export columns a listing leaves out because listEntries shows
    /// them whole (a contact's first telephone of each kind); nullptr: none.
    bool (*listedInstead)(std::u16string_view exportName) = nullptr;
};

/// Every type, in code order.
[[nodiscard]] VARNO_CSV_EXPORT std::span<const CSVRecordType> CSVRecordTypes();
/// The type of `code`, or nullptr for a code with no converter.
[[nodiscard]] VARNO_CSV_EXPORT const CSVRecordType* FindCSVRecordType(unsigned long code);

} // namespace varno
