// The column mapping of count and import: which of the converter's fields is
// read from which header column of the file, as the two parallel lists the
// library takes (fieldNames, fileColumns), and the checks that keep a
// mapping from storing blank records.
//
// The host matches header names after dropping a UTF-8 byte-order mark from
// the first one, and in its own auto-mapping also after trimming spaces; it
// always hands the library the column name exactly as the file spells it,
// which the library then matches whole, ignoring case only.
#pragma once

#include "host/Registry.h"

#include "platform/CStringArray.h"
#include "platform/CStringList.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varno::host {

/// A file's header as the host sees it.
struct VARNO_HOST_EXPORT Header {
    CStringArray names;  ///< as the file spells them
    /// What the file's UTF-8 byte-order mark decoded to in front of the
    /// first name; empty when there is none.
    CString mark;

    /// Name i without the mark.
    [[nodiscard]] CString Matched(int i) const;
    /// The first column whose name (without the mark) equals `name`
    /// ignoring case, with spaces around the header name trimmed when
    /// `trim`; -1 when there is none.
    [[nodiscard]] int Find(std::u16string_view name, bool trim) const;
    /// `"a", "b"`, the names without the mark, for messages.
    [[nodiscard]] std::string List() const;
};

namespace detail {
struct HostLayout;
}

struct Mapping {
    CStringList fieldNames;
    CStringList fileColumns;
    /// Given by --map options (rather than chosen by varnocsv).
    bool given = false;
    /// The recognised foreign layout it came from, for messages.
    std::string layout;
    /// The layout the host recognised, whose further rules (groups,
    /// numbered columns, a birthday in parts) a ReadPlan adds; nullptr for
    /// none or one the library recognises.
    const detail::HostLayout* hostLayout = nullptr;
    /// A column of whole names ("Name", "Full Name") in a file with no first
    /// and last name columns: a ReadPlan takes the names from it.
    CString wholeName;
};

/// Splits a --map argument at its first "=" into field and column, both kept
/// exactly as given; nullopt when there is no "=" or a side is empty.
[[nodiscard]] VARNO_HOST_EXPORT std::optional<std::pair<std::string, std::string>> SplitMapPair(std::string_view argument);

/// The check of --map fields against the type's fields (the library's field
/// names, in any letter case): the problem, or "" when every field is one of
/// them.
[[nodiscard]] VARNO_HOST_EXPORT std::string CheckMapFields(const RecordType& type,
                                                           const std::vector<std::string>& maps);

/// The mapping given by --map pairs, in order, each column replaced by the
/// header's own spelling of it. A column the header lacks puts the problem
/// into `problem`.
[[nodiscard]] VARNO_HOST_EXPORT Mapping MappingFromPairs(const std::vector<std::string>& pairs, const Header& header,
                                       std::string& problem);

/// The mapping the host chooses: a foreign layout the library recognises,
/// its pairs whose column the header has; else a layout the host
/// recognises, its columns in its order. Then each field still unmapped, in
/// the converter's order, gets the first header column named like the field
/// (ignoring case and spaces around the header name), else like its export
/// name, else like one of the words people use for it (compared without
/// case, spaces and punctuation), each column for one field only. Fields
/// without a column are left out.
[[nodiscard]] VARNO_HOST_EXPORT Mapping AutoMapping(const RecordType& type, const Header& header);

/// Why `mapping` cannot fill the type (no column at all, or none of its
/// principal fields); "" when it can.
[[nodiscard]] VARNO_HOST_EXPORT std::string CheckFilled(const RecordType& type, const Mapping& mapping);

/// One line for standard error: `memo <- "Memo", color <- "color"`, the
/// header's `mark` left out.
[[nodiscard]] VARNO_HOST_EXPORT std::string DescribeMapping(const Mapping& mapping, const CString& mark);

/// `text` as one word for a POSIX shell: unchanged when it holds only
/// letters, digits and `_-./:,+@%`, else in single quotes (a quote in it
/// written as '\'').
[[nodiscard]] VARNO_HOST_EXPORT std::string ShellWord(std::string_view text);

/// `"text"`, in UTF-8.
[[nodiscard]] VARNO_HOST_EXPORT std::string Quoted(const CString& text);

} // namespace varno::host
