// How `list` and `preview` show a record, so that the two always agree: the
// row export would write (dates in local time) under the export column
// names, what the type adds beyond it (a contact's entries and groups, the
// parties of a message), its id and its deleted mark.
#pragma once

#include "cli/Types.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CCSVItem;

namespace varno::cli {

class RecordListing {
public:
    /// `layout` is the type's and must offer `create`.
    RecordListing(const RecordType& type, const CSVLayout& layout);
    ~RecordListing();
    RecordListing(const RecordListing&) = delete;
    RecordListing& operator=(const RecordListing&) = delete;

    /// The record (of the type's store class) as JSON: "id" (null for a
    /// record that is not stored), the export columns, what the type adds,
    /// and "deleted".
    [[nodiscard]] nlohmann::ordered_json Item(void* record, std::optional<std::uint32_t> id, bool deleted);
    /// `list`'s line for an item: `7  memo="Buy milk"  color="yellow"`,
    /// with "  (deleted)" on a record marked deleted.
    [[nodiscard]] static std::string Line(const nlohmann::ordered_json& item);

private:
    const RecordType& m_type;
    std::unique_ptr<CCSVItem> m_converter;
    std::vector<std::string> m_names;
};

/// JSON text on one line; bytes that are not UTF-8 become U+FFFD.
[[nodiscard]] std::string Dumped(const nlohmann::ordered_json& value);

} // namespace varno::cli
