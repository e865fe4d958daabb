// Date cells of files that other programs wrote, checked before the library
// reads them.
//
// The library reads a date cell by its shape: text holding "-", "/" or ":"
// goes to the locale-aware parser (with the next column's time joined to it
// when the cell holds no ":" and the time does), and what the parser cannot
// read silently becomes the current time; eight characters without "." are
// read as YYYYMMDD; everything else, the empty cell included, is a number of
// days since 30 December 1899 as atof reads it ("31.01.2012" is 31.01 days,
// "None" is day 0, the empty cell no date). CheckDateCell tells, for one
// cell, whether the library will read it as its writer meant, and if not,
// what to hand the library instead.
#pragma once

#include "platform/CString.h"
#include "host/varnohost_export.h"

#include <string>
#include <string_view>

namespace varno::host {

struct DateVerdict {
    enum class Kind {
        Keep,       ///< hand the cell as it is: the library reads it as meant
        Replace,    ///< hand `text` instead
        NoDate,     ///< a "no date" marker of another program: hand an empty cell
        Unreadable, ///< no date can be read from it: hand an empty cell and say so
    } kind;
    /// Replace: the text to hand the library in place of the cell, which it
    /// reads as the moment meant in every locale (see CheckDateCell); empty
    /// for the other kinds.
    CString text;
};

/// Checks one date cell before the library reads it.
///
/// `value` is the cell; `time` the next column's cell when the field joins it
/// (`joinsTime`: calendar start and end), else ignored; `locale` the ICU
/// locale name the library parses dates in (varno::GetUserLocale()). The
/// readings below are those of varno::ParseLocaleDateTime in `locale`, so the
/// verdict holds for the library when `locale` is the user's locale.
///
/// | cell | verdict |
/// |---|---|
/// | empty | Keep (the library stores no date) |
/// | only white space | NoDate: the library would read it as day 0, 30 December 1899 |
/// | exactly "00-0-0" | Keep: the contact converter takes it as "no date" itself |
/// | a date of zeros: only "0" digits, at least three groups of them, between "/", "-", "." or ":" ("0/0/00", "0.0.00", "00.00.0000", "0000-00-00 00:00:00") | NoDate |
/// | no letter or digit, only "-", "/", ".", ":", dashes and spaces ("-", "/  /", "—") | NoDate |
/// | "None" in any letter case | NoDate |
/// | any text read as 1 January 4501, or the day count 949998 (4501-01-01) | NoDate: the "none" date of desktop and handheld mail programs |
/// | holds "-", "/" or ":" and the parser reads what the library parses (the cell, with `time` joined when the library joins it) | Keep |
/// | ... the joined text fails but the cell alone reads (a time column that is not a time) | Replace by the date at 00:00 |
/// | ... a time alone, no date ("10:30") | Unreadable: the library would store 30 December 1899 |
/// | ... nothing reads ("13/13/2013", "2012-02-30", "--07-22", "n/a") | Unreadable |
/// | eight digits (YYYYMMDD) whose date, with `time` as the library joins it, reads | Keep |
/// | ... the joined text fails but the date alone reads | Replace by the date (at 00:00 when `time` holds ":") |
/// | ... else ("20121345") | Unreadable |
/// | a plain number (digits with at most one ".", a "+" and spaces around allowed) from 3000 to 2958465.99 (18 March 1908 to 31 December 9999) | Keep: a day count as spreadsheets keep dates; it is stored as written, without time-zone conversion, as the library does |
/// | ... the same padded with spaces to eight characters (" 40909  ") | Replace by the number alone: eight characters would be cut as YYYYMMDD |
/// | a plain number outside that range ("1985", "9", "0") | Unreadable: years, days of the month and counts, which the library would store as days in 1900-1908 |
/// | any other text the parser reads, with `time` joined when `time` is not empty, else alone ("31.01.2012", "1.2.1990", "3.7.75", "31. Januar 2012", "Jan 31 2012") | Replace by the moment read |
/// | anything else ("garbage", "unknown", "1.5.") | Unreadable |
///
/// Dotted and other numeric dates are read in the order of `locale`:
/// "01.02.2012" is 1 February 2012 in de_DE, en_GB and fr_FR but 2 January
/// 2012 in en_US; a first number above 12 is the day in every locale
/// ("31.01.2012" is 31 January everywhere). Two-digit years are 1930-2029.
///
/// The Replace text is "YYYY-MM-DD", or "YYYY-MM-DD hh:mm" (24-hour, ":ss"
/// added when the seconds are not 0) when the moment has a time of day or
/// when the library would otherwise join `time` to it (a field that joins a
/// time column holding ":"); the library reads this form as the same local
/// moment in every locale and, holding ":", joins no time to it.
///
/// Pure: no state of its own, safe from any thread (the parser keeps each
/// locale's data once for the process). A cell in the export form
/// ("2012-01-31 09:05") or a plain day count is decided without the parser.
[[nodiscard]] VARNO_HOST_EXPORT DateVerdict CheckDateCell(std::u16string_view value, std::u16string_view time,
                                                          bool joinsTime, const std::string& locale);

} // namespace varno::host
