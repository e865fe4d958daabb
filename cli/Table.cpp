#include "cli/Table.h"

#include "platform/CString.h"

#include <sys/ioctl.h>
#include <unicode/uchar.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace varno::cli {

namespace {

/// Columns a code point takes.
size_t Width(char32_t c)
{
    const auto category = static_cast<UCharCategory>(u_charType(static_cast<UChar32>(c)));
    if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK || c == 0x200B)
        return 0;
    const int eastAsian = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_EAST_ASIAN_WIDTH);
    return eastAsian == U_EA_WIDE || eastAsian == U_EA_FULLWIDTH ? 2 : 1;
}

/// The UTF-8 sequence at `i` of `text`: its code point and length (a byte
/// that starts no sequence is taken alone, as U+FFFD).
std::pair<char32_t, size_t> CodePointAt(std::string_view text, size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || i + length > text.size())
        return {0xFFFD, 1};
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k)
        c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    return {c, length};
}

std::string Padded(std::string text, size_t width)
{
    const size_t used = DisplayWidth(text);
    if (used < width)
        text.append(width - used, ' ');
    return text;
}

} // namespace

int OutputWidth()
{
    if (const char* columns = std::getenv("COLUMNS"); columns && *columns) {
        int width = 0;
        const char* end = columns + std::strlen(columns);
        if (std::from_chars(columns, end, width).ptr == end && width >= 20)
            return width;
    }
    winsize size {};
    if (::isatty(STDOUT_FILENO) && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col >= 20)
        return size.ws_col;
    return 80;
}

size_t DisplayWidth(std::string_view utf8)
{
    size_t width = 0;
    for (size_t i = 0; i < utf8.size();) {
        const auto [c, length] = CodePointAt(utf8, i);
        width += Width(c);
        i += length;
    }
    return width;
}

TableMarks MarksFor(unsigned terminalCodePage)
{
    // Code pages 1252 and 949 both hold "…" but no sign for a line break;
    // "¶" is in both.
    if (terminalCodePage == 65001)
        return {"…", "⏎"};
    return {"…", "¶"};
}

std::string OneLine(std::string_view utf8, const TableMarks& marks)
{
    std::string line;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\r' || c == '\n') {
            line += marks.lineBreak;
            if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')
                ++i;
        } else {
            line += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
        }
    }
    return line;
}

std::string Cut(std::string_view utf8, size_t width, const TableMarks& marks)
{
    if (DisplayWidth(utf8) <= width)
        return std::string(utf8);
    const size_t room = width - std::min(width, DisplayWidth(marks.cut));
    size_t used = 0, end = 0;
    while (end < utf8.size()) {
        const auto [c, length] = CodePointAt(utf8, end);
        if (used + Width(c) > room)
            break;
        used += Width(c);
        end += length;
    }
    while (end > 0 && utf8[end - 1] == ' ') // "car…" rather than "car …"
        --end;
    return std::string(utf8.substr(0, end)) + std::string(width >= DisplayWidth(marks.cut) ? marks.cut : "");
}

std::string Table(const std::vector<std::vector<std::string>>& rows, size_t width, const TableMarks& marks)
{
    if (rows.empty() || rows.front().empty())
        return {};
    // A column is as wide as its widest cell, but a long one first gets
    // only kNarrow columns; once the columns are shared out into blocks,
    // the room left in each block goes back to the cut ones, in order.
    constexpr size_t kGap = 2, kNarrow = 16;
    const size_t count = rows.front().size();
    std::vector<size_t> natural(count, 0);
    for (const auto& row : rows)
        for (size_t i = 0; i < count && i < row.size(); ++i)
            natural[i] = std::max(natural[i], DisplayWidth(row[i]));
    const size_t key = std::min(natural[0], width / 3);
    const size_t room = width > key + kGap ? width - key - kGap : 1; // for the other columns of a block

    std::vector<std::vector<size_t>> blocks; // column numbers
    std::vector<size_t> widths(count, 0);
    widths[0] = key;
    size_t used = 0;
    for (size_t i = 1; i < count; ++i) {
        widths[i] = std::min({natural[i], kNarrow, room});
        if (blocks.empty() || used + kGap + widths[i] > room) {
            blocks.push_back({});
            used = widths[i];
        } else {
            used += kGap + widths[i];
        }
        blocks.back().push_back(i);
    }
    if (blocks.empty())
        blocks.push_back({});
    std::string text;
    for (size_t b = 0; b < blocks.size(); ++b) {
        const std::vector<size_t>& block = blocks[b];
        size_t spare = room;
        for (size_t n = 0; n < block.size(); ++n)
            spare -= std::min(spare, widths[block[n]] + (n ? kGap : 0));
        for (size_t column : block) {
            const size_t more = std::min(spare, std::min(natural[column], room) - widths[column]);
            widths[column] += more;
            spare -= more;
        }
        if (b > 0)
            text += "\n";
        for (const auto& row : rows) {
            std::string line = Padded(Cut(row[0], key, marks), key);
            for (size_t column : block)
                line += std::string(kGap, ' ') + Padded(Cut(column < row.size() ? row[column] : "", widths[column], marks), widths[column]);
            line.erase(line.find_last_not_of(' ') + 1);
            text += line + "\n";
        }
    }
    return text;
}

} // namespace varno::cli
