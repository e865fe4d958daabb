// Text tables for a terminal: widths in terminal columns (Korean and other
// wide characters take two), cells kept to one line and cut to fit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varno::cli {

/// The width of standard output in columns: $COLUMNS when it is a number of
/// at least 20, else the terminal's width when standard output is one, else
/// 80.
[[nodiscard]] int OutputWidth();

/// The columns a terminal gives UTF-8 text: 2 for East Asian wide and
/// full-width characters, 0 for combining marks, 1 for the rest.
[[nodiscard]] size_t DisplayWidth(std::string_view utf8);

/// How cells are drawn: the marks differ on a terminal that is not UTF-8.
struct TableMarks {
    std::string_view cut;        ///< ends a cell that was cut: "…"
    std::string_view lineBreak;  ///< a line break in a cell: "⏎"
};
[[nodiscard]] TableMarks MarksFor(unsigned terminalCodePage);

/// `text` on one line: each line break (CR LF, CR or LF) as the mark, other
/// control characters as a space.
[[nodiscard]] std::string OneLine(std::string_view utf8, const TableMarks& marks);

/// `text` (one line) cut to at most `width` columns, ending in the cut mark
/// when something was left out.
[[nodiscard]] std::string Cut(std::string_view utf8, size_t width, const TableMarks& marks);

/// Lays out `rows` (the first one is the heading; every row has the same
/// number of cells, each on one line) in `width` columns: two spaces between
/// columns, long cells cut. When the columns do not fit side by side they
/// are split into blocks, one under the other, each repeating the first
/// column (the row's key) and separated by an empty line.
[[nodiscard]] std::string Table(const std::vector<std::vector<std::string>>& rows, size_t width,
                                const TableMarks& marks);

} // namespace varno::cli
