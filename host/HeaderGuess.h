// Whether a file's first record is a header or already data. The library
// always takes the first record as the header, so a file without one loses
// its first record to it and maps no column; a host that sees the signs
// can say so instead.
#pragma once

#include "host/varnohost_export.h"
#include "platform/CStringArray.h"

#include <string>
#include <vector>

namespace varno::host {

struct HeaderGuess {
    bool looksLikeData = false;
    /// Why, one line per sign, naming the cells ("\"2012-01-31\" is a date,
    /// as are the cells below it"), in column order, then the cells that
    /// stand in more than one column; empty when the record does not look
    /// like data.
    std::vector<std::string> reasons;
};

/// Whether `header`, the first record of a file, looks like data rather
/// than column names, judged with the next records, `rows` (a few are
/// enough; they may be none), as the library's reader splits them.
///
/// Cells are read after trimming white space and dropping quote marks and
/// a byte-order mark; a cell that holds a list (parts joined by ";" or
/// " ::: ") takes the shape of its parts when they all have the same one.
/// Signs of data: a header cell that is a date (2012-01-31, 1/31/2012,
/// 31.1.2012, 2012년 1월 31일, with or without a time), a time (9:00 AM),
/// a number, a telephone number (five digits or more with + ( ) - . / and
/// spaces, an extension "x89"), an e-mail address or a web address; it
/// counts twice when every non-empty cell below it in its column has the
/// same shape (numbers and telephone numbers count as one shape). A
/// header cell that is the same as another counts once more, but only
/// beside another sign. Signs of a header: a cell that is text over a
/// column whose cells below are all of one of those shapes, and a cell
/// that is a name some record type reads (a field, export or alias name,
/// a column of a layout the library recognises), compared ignoring case.
/// The record looks like data when the signs of data outweigh those of a
/// header; never when half or more of its non-empty cells are such names.
/// A record of text alone (a headerless memo file: "Buy milk","yellow")
/// shows no sign either way and is taken for a header.
[[nodiscard]] VARNO_HOST_EXPORT HeaderGuess GuessHeader(const CStringArray& header,
                                                        const std::vector<CStringArray>& rows);

} // namespace varno::host
