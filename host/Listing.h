// How a host shows a record, so that `list` and `preview` always agree: the
// row export would write (dates in local time) under the export column
// names, what the type adds beyond it (a contact's entries and groups, the
// parties of a message), its id and its deleted mark.
#pragma once

#include "host/Registry.h"
#include "host/varnohost_export.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CCSVItem;

namespace varno::host {

/// One value of a listed record: a text (an export cell), or a list of
/// entries, each a plain text or (key, text) parts.
struct ListedValue {
    struct Entry {
        std::string text;                                       ///< a plain entry
        std::vector<std::pair<std::string, std::string>> parts; ///< or its parts, when there are any
    };
    bool isList = false;
    std::string text;           ///< when not a list
    std::vector<Entry> entries; ///< when a list

    /// The value on one line: the text, or the entries joined by "; " with
    /// the non-empty parts of each joined by spaces.
    [[nodiscard]] VARNO_HOST_EXPORT std::string Flat() const;
    /// Whether it shows nothing: an empty text or an empty list.
    [[nodiscard]] bool Empty() const { return isList ? entries.empty() : text.empty(); }
};

struct ListedRecord {
    std::optional<std::uint32_t> id; ///< none for a record that is not stored
    std::vector<std::pair<std::string, ListedValue>> fields; ///< in export order, then the type's lists
    bool deleted = false;

    /// As `list --json` gives it: {"id":..,<fields>..,"deleted":..}, on one
    /// line; bytes that are not UTF-8 become U+FFFD.
    [[nodiscard]] VARNO_HOST_EXPORT std::string Json() const;
    /// `list`'s line: `7  memo="Buy milk"  color="yellow"`, each value as
    /// JSON, "-" for no id, "  (deleted)" on a record marked deleted; ends
    /// in a line break.
    [[nodiscard]] VARNO_HOST_EXPORT std::string Line() const;
};

class VARNO_HOST_EXPORT RecordListing {
public:
    explicit RecordListing(const RecordType& type);
    ~RecordListing();
    RecordListing(const RecordListing&) = delete;
    RecordListing& operator=(const RecordListing&) = delete;

    /// The record (of the type's store class) as it is listed.
    [[nodiscard]] ListedRecord Item(void* record, std::optional<std::uint32_t> id, bool deleted);

private:
    const RecordType& m_type;
    std::unique_ptr<CCSVItem> m_converter;
    std::vector<std::string> m_names;
};

/// A text as one JSON string ("a\"b"); bytes that are not UTF-8 become U+FFFD.
[[nodiscard]] VARNO_HOST_EXPORT std::string JsonText(const std::string& text);

} // namespace varno::host
