// The column mapping of count and import: which of the converter's fields is
// read from which header column of the file, as the two parallel lists the
// library takes (fieldNames, fileColumns).
#pragma once

#include "cli/Types.h"

#include "platform/CStringArray.h"
#include "platform/CStringList.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varno::cli {

struct Mapping {
    CStringList fieldNames;
    CStringList fileColumns;
    /// Given by --map options (rather than chosen by varnocsv).
    bool given = false;
    /// The recognised foreign layout it came from, for messages; empty when
    /// it was given or chosen by the header's names.
    std::string layout;
};

/// Splits a --map argument at its first "=" into field and column, both kept
/// exactly as given; nullopt when there is no "=".
[[nodiscard]] std::optional<std::pair<std::string, std::string>> SplitMapPair(std::string_view argument);

/// The mapping given by --map pairs, in order and unchanged.
[[nodiscard]] Mapping MappingFromPairs(const std::vector<std::string>& pairs);

/// The mapping varnocsv chooses for a file with this header: a recognised
/// foreign layout's pairs first; then each field still unmapped, in the
/// converter's order, gets the first header column of the same name ignoring
/// letter case, else a column named by one of its aliases. Fields without a
/// column are left out.
[[nodiscard]] Mapping AutoMapping(const RecordType& type, const CStringArray& header);

/// One line for standard error: `memo <- "Memo", color <- "color"`, or
/// "no field of the file is mapped".
[[nodiscard]] std::string DescribeMapping(const Mapping& mapping);

/// Warnings about a file that the library will read, none of which changes
/// what it does: `firstBytes` are the file's first bytes (a UTF-8 byte-order
/// mark spoils the first column name), `header` its column names (one name
/// holding ";" hints at a semicolon-separated file), `mapping` the pairs that
/// will be used (a --map column the header lacks matches nothing).
[[nodiscard]] std::vector<std::string> FileWarnings(std::string_view firstBytes, const CStringArray& header,
                                                    const Mapping* mapping);

} // namespace varno::cli
