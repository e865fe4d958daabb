// The record types varnocsv knows, one entry each, holding only what is the
// host's own: the name and code on the command line, the words for messages,
// how `list` loads the stored records and what it adds to a listed record,
// and header aliases of the host. What a type's files hold (field names,
// principal fields, recognised layouts) and whether it is supported at all
// come from the library (CSVMng::GetLayout), so a converter that lands shows
// up here by itself.
#pragma once

#include "engine/CSVLayout.h"
#include "platform/CArray.h"
#include "platform/CStringList.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varno::cli {

/// Called by a type's loader once per stored record: the record (of the
/// type's store class, as the converter's Make takes it), its id and whether
/// it is marked deleted.
using RecordVisitor = std::function<void(void* record, std::uint32_t id, bool deleted)>;

struct RecordType {
    std::string_view name;       ///< on the command line and in JSON output
    unsigned long code;          ///< the library's data-type code, 1 to 6
    std::string_view singular;   ///< in messages: "memo", "to-do item", ...
    std::string_view plural;
    /// Header columns that also fill a field when no column is named after
    /// it (field <- column), beyond what the library describes.
    std::vector<std::pair<std::u16string_view, std::u16string_view>> aliases;
    /// Loads the type's records of `profile` (those marked deleted too) and
    /// hands each to `visit`, a window of them at a time: the load result,
    /// negative when the store cannot be read (the records visited until
    /// then must be disregarded).
    long (*load)(int profile, const RecordVisitor& visit);
    /// Makes one new record per row of `converter`'s table, filled by its
    /// Array2Item exactly as import fills them (the k-th name of
    /// `fieldNames` from column index[k]), in a collection of the type's
    /// that is never saved, and hands each to `visit` (id 0, not deleted).
    void (*make)(CCSVItem& converter, CStringList& fieldNames, CArray<int, const int&>& index,
                 const RecordVisitor& visit);
    /// Adds what a listed record holds beyond its export row (a contact's
    /// sub-entries, say) to `shown`; nullptr when there is nothing.
    void (*addToListing)(void* record, nlohmann::ordered_json& shown) = nullptr;

    /// The library's description of the type's files; nullptr when the
    /// library has no converter for it ("not supported yet").
    [[nodiscard]] const CSVLayout* Layout() const;
    /// "1 memo", "3 memos".
    [[nodiscard]] std::string Counted(long long n) const;
};

/// All six types, in code order.
[[nodiscard]] const std::vector<RecordType>& RecordTypes();
/// The type named `word` (its name in any letter case, or its code as a
/// decimal number), or nullptr.
[[nodiscard]] const RecordType* FindRecordType(std::string_view word);

} // namespace varno::cli
