// The fields of a record type as a person looking for a --map needs them:
// what each holds, how its cells are read, and the header names and
// layouts of other programs that fill it with no --map. The fields and the
// layouts come from the record types' own tables and the host's tables of
// other programs' files; only the words about each field live here.
#pragma once

#include "host/Registry.h"
#include "host/varnohost_export.h"

#include <string>
#include <vector>

namespace varno::host {

struct FieldGuide {
    std::string field;  ///< the name --map takes ("FIRST_NAME", "start_time")
    std::string column; ///< the column export writes for it, where that differs from `field`
    std::string about;  ///< what it holds
    std::string format; ///< how a cell of it is read ("" for text taken as it is)
    bool principal = false;
    /// Header names that fill it with no --map, in any letter case (spaces,
    /// "-", "_" and "." do not count for the names of a spreadsheet).
    std::vector<std::string> headers;
    /// Layouts of other programs that fill it, each as "the layout: \"Column\"".
    std::vector<std::string> layouts;
};

/// Every field of `type`, in the order of its columns. `locale` (an ICU
/// name, "" for the user's locale) gives the example of a date.
[[nodiscard]] VARNO_HOST_EXPORT std::vector<FieldGuide> DescribeFields(const RecordType& type,
                                                                       const std::string& locale = {});

} // namespace varno::host
