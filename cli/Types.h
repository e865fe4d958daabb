// The record types varnocsv knows, one entry each: the name and code on the
// command line, the field names the type's converter reads, how a file's
// header is mapped onto them, how the store is probed and how `list` shows
// the stored records. Adding what a type needs (support, a foreign layout,
// a listing) touches its entry in Types.cpp and nothing else.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varno::cli {

/// A file layout of another program that the library recognises by the
/// first three names of its header (compared exactly, case and spaces
/// counting) when the header has at least four columns.
struct ForeignLayout {
    std::string_view description;                       ///< for messages, e.g. "the Korean to-do layout"
    std::vector<std::u16string_view> signature;         ///< the first three header names
    std::vector<std::pair<std::u16string_view, std::u16string_view>> mapping; ///< field <- header column
};

/// What `list` found: the store's load result (negative: the store cannot be
/// read) and one JSON object per record. Keys "id" and "deleted", when
/// present, are shown apart in the human listing.
struct Listing {
    long loadResult = 0;
    nlohmann::ordered_json records = nlohmann::ordered_json::array();
};

struct RecordType {
    std::string_view name;       ///< on the command line and in JSON output
    unsigned long code;          ///< the library's data-type code, 1 to 6
    std::string_view singular;   ///< in messages: "memo", "to-do item", ...
    std::string_view plural;
    /// Whether the library has a converter for this type. A type without one
    /// still goes through the library; its failure is then reported as "not
    /// supported yet".
    bool supported;
    std::vector<std::u16string_view> fields;            ///< the converter's field names, in order
    /// Header columns that also fill a field when no column has its own name.
    std::vector<std::pair<std::u16string_view, std::u16string_view>> aliases; ///< field <- column
    std::vector<ForeignLayout> layouts;
    /// Loads the type's records of `profile` and throws them away: the load
    /// result, negative when the store cannot be read.
    long (*probeStore)(int profile);
    /// The stored records of `profile`; nullptr while `list` does not know
    /// the type.
    Listing (*list)(int profile);

    /// "1 memo", "3 memos".
    [[nodiscard]] std::string Counted(long n) const;
};

/// All six types, in code order.
[[nodiscard]] const std::vector<RecordType>& RecordTypes();
/// The type named `word` (its name, or its code as a decimal number), or
/// nullptr.
[[nodiscard]] const RecordType* FindRecordType(std::string_view word);

} // namespace varno::cli
