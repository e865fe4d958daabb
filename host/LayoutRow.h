// One record in a record type's own layout, as the codecs of other file
// formats (vCard, iCalendar) hand it to the import and take it from the
// export: a cell for each column of type.layout, in order, UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace varno::host {

/// The cells of one record, written so that importing them as a file in the
/// type's own layout stores the record meant (dates as the library's own
/// export writes them, or a form its import reads as the same moment in any
/// locale).
using LayoutRow = std::vector<std::string>;
/// Receives each record read, with the line of the file it begins on.
using LayoutRowSink = std::function<void(const LayoutRow& row, std::int64_t line)>;
/// Receives each note, without a line break.
using NoteSink = std::function<void(const std::string& message)>;

} // namespace varno::host
