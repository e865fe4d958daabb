// Internal: the line codec as one forward pass over text held in memory.
//
// The public operations of CCSVItem describe the codec as taking records off
// the front of a string and rescanning a line from its start for each field.
// These functions give exactly the same results with cursors instead, so a
// whole file is split in time linear in its length.
#pragma once

#include "platform/CStringArray.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace varno::detail {

/// Where the record that starts at `pos` ends (`end`, its line break
/// excluded) and where the next one starts (`next`).
struct RecordSpan {
    size_t end;
    size_t next;
};

/// A record ends at the first CR LF, lone CR or lone LF met while the number
/// of double quotes seen in the record is even; otherwise at the end of text.
/// `insideQuotes` resumes a scan that stopped inside a record at `pos` after
/// an odd number of quotes.
RecordSpan NextRecord(std::u16string_view text, size_t pos, bool insideQuotes = false) noexcept;

/// Position in `line` of the separator that ends its first field, or npos.
/// Unquoted field: the first separator. Field that opens with a quote: the
/// first separator before which an odd number of quotes follow the opening
/// one. An empty separator never occurs.
size_t FieldEnd(std::u16string_view line, size_t start, std::u16string_view separator) noexcept;

/// Splits one record into values appended to `values`: no trimming, one
/// leading and one trailing quote dropped, doubled quotes made single, one
/// character skipped after each separator, so a trailing separator gives no
/// empty last field and an empty record gives no values.
void SplitRecord(std::u16string_view record, std::u16string_view separator, CStringArray& values);

/// The number of cells a CSV reader sees in the record: the values
/// SplitRecord would give (without making them), and one more empty cell after a separator that ends the record, which the
/// library's reader does not make into a value ("a,b," has three cells and
/// gives two values).
size_t CountCells(std::u16string_view record, std::u16string_view separator) noexcept;

/// As SplitRecord, but `values` is replaced rather than appended to, and the
/// storage of the values it held is reused: a reader that splits many
/// records into the same rows then rarely allocates.
/// Only the first `keep` fields become values; the rest are counted. Returns
/// the cells a CSV reader sees, as CountCells does.
size_t SplitRecordInPlace(std::u16string_view record, std::u16string_view separator, CStringArray& values,
                          size_t keep = SIZE_MAX);

} // namespace varno::detail
