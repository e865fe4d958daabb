#include "engine/CSVCodec_p.h"

#include "engine/CSVScan_p.h"

namespace varno::detail {

RecordSpan NextRecord(std::u16string_view text, size_t pos, bool insideQuotes) noexcept
{
    const size_t n = text.size();
    // insideQuotes: an odd number of quotes seen so far. The record ends at
    // the first line break outside quotes (a CR inside them may take its
    // LF along; that LF is inside them too).
    auto ending = [&](size_t i) -> RecordSpan {
        const bool crlf = text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n';
        return {i, i + (crlf ? 2 : 1)};
    };
#if defined(__SSE2__)
    // Sixteen units a step: a block without a line break only flips the
    // parity by its number of quotes; in one with breaks, the quotes before
    // each break tell whether it stands inside quotes.
    for (; pos + 16 <= n; pos += 16) {
        const Block16 block(text.data() + pos);
        const unsigned quotes = block.Mask(u'"', u'"');
        for (unsigned breaks = block.Mask(u'\r', u'\n'); breaks != 0; breaks &= breaks - 1) {
            const unsigned at = static_cast<unsigned>(__builtin_ctz(breaks));
            const bool inside = insideQuotes ^ (__builtin_parity(quotes & ((1u << at) - 1)) != 0);
            if (!inside)
                return ending(pos + at);
        }
        insideQuotes ^= __builtin_parity(quotes) != 0;
    }
#endif
    // One at a time: only quotes and line breaks matter, and the scan leaps
    // to the next of them.
    for (size_t i = FindFirstOf(text.data(), pos, n, u'"', u'\r', u'\n'); i < n;
         i = FindFirstOf(text.data(), i + 1, n, u'"', u'\r', u'\n')) {
        const char16_t c = text[i];
        if (c == u'"')
            insideQuotes = !insideQuotes;
        else if (!insideQuotes)
            return ending(i);
    }
    return {n, n};
}

size_t FieldEnd(std::u16string_view line, size_t start, std::u16string_view separator) noexcept
{
    if (separator.empty())
        return std::u16string_view::npos;
    const char16_t first = separator[0];
    const char16_t* text = line.data();
    const size_t n = line.size();
    auto separatorAt = [&](size_t i) { return separator.size() == 1 || line.substr(i, separator.size()) == separator; };
    if (start >= n || line[start] != u'"') {
        for (size_t i = FindFirstOf(text, start, n, first, first, first); i < n;
             i = FindFirstOf(text, i + 1, n, first, first, first))
            if (separatorAt(i))
                return i;
        return std::u16string_view::npos;
    }
    bool oddQuotes = false; // quotes after the opening one, before position i
    for (size_t i = FindFirstOf(text, start + 1, n, u'"', first, first); i < n;
         i = FindFirstOf(text, i + 1, n, u'"', first, first)) {
        if (text[i] == u'"')
            oddQuotes = !oddQuotes;
        else if (oddQuotes && separatorAt(i))
            return i;
    }
    return std::u16string_view::npos;
}

namespace {

// Calls `take(field)` for every field of `record` as cut, quotes and all:
// one character is skipped after each separator, so a trailing separator
// gives no empty last field and an empty record gives none.
template <class Take>
void ForEachField(std::u16string_view record, std::u16string_view separator, Take&& take)
{
    size_t pos = 0;
    while (pos < record.size()) {
        size_t end = FieldEnd(record, pos, separator);
        if (end == std::u16string_view::npos)
            end = record.size();
        take(record.substr(pos, end - pos));
        pos = end + 1;
    }
}

// The value of a field as cut: the opening and the closing quote dropped
// independently (so a field of one quote becomes empty), then every pair of
// quotes made one.
void Unquote(std::u16string_view field, std::u16string& value)
{
    size_t b = 0, e = field.size();
    if (e > 0 && field[0] == u'"')
        b = 1;
    if (!field.empty() && field.back() == u'"')
        --e;
    value.clear();
    if (b >= e)
        return;
    std::u16string_view inner = field.substr(b, e - b);
    for (size_t quote; (quote = FindFirstOf(inner.data(), 0, inner.size(), u'"', u'"', u'"')) < inner.size();) {
        value.append(inner.substr(0, quote + 1));
        const bool doubled = quote + 1 < inner.size() && inner[quote + 1] == u'"';
        inner.remove_prefix(quote + (doubled ? 2 : 1));
    }
    value.append(inner);
}

} // namespace

void SplitRecord(std::u16string_view record, std::u16string_view separator, CStringArray& values)
{
    ForEachField(record, separator, [&](std::u16string_view field) {
        std::u16string value;
        Unquote(field, value);
        values.Add(CString(std::move(value)));
    });
}

namespace {

/// CountCells for a separator of one unit other than the quote: FieldEnd's
/// rules as one walk over the quotes and separators of the record, sixteen
/// units a step, instead of a search per field. In a field that opens with
/// a quote, a separator ends it after an odd number of further quotes; in
/// any other field, the first separator ends it.
size_t CountCellsOneUnit(const char16_t* text, size_t n, char16_t separator) noexcept
{
    if (n == 0)
        return 0;
    size_t cells = 1;
    bool quoted = text[0] == u'"';
    bool oddQuotes = false;     // in a quoted field: quotes after the opening one
    size_t from = quoted ? 1 : 0; // quotes and separators before this are not looked at
    bool done = false;
    // Takes the quote or separator at i; false when the record has ended.
    auto take = [&](size_t i, bool quote) {
        if (i < from)
            return true;
        if (quote) {
            oddQuotes = oddQuotes != quoted;
            return true;
        }
        if (quoted && !oddQuotes)
            return true;
        ++cells; // the separator at i starts the next cell, empty when it ends the record
        if (i + 1 >= n) {
            done = true;
            return false;
        }
        quoted = text[i + 1] == u'"';
        oddQuotes = false;
        from = i + 1 + (quoted ? 1 : 0);
        return true;
    };
    size_t base = 0;
#if defined(__SSE2__)
    for (; base + 16 <= n; base += 16) {
        const Block16 block(text + base);
        const unsigned quotes = block.Mask(u'"', u'"');
        for (unsigned events = quotes | block.Mask(separator, separator); events != 0; events &= events - 1) {
            const unsigned at = static_cast<unsigned>(__builtin_ctz(events));
            if (!take(base + at, ((quotes >> at) & 1) != 0))
                return cells;
        }
    }
#endif
    for (size_t i = base; i < n && !done; ++i)
        if (text[i] == u'"' || text[i] == separator)
            take(i, text[i] == u'"');
    return cells;
}

} // namespace

size_t CountCells(std::u16string_view record, std::u16string_view separator) noexcept
{
    if (separator.size() == 1 && separator[0] != u'"')
        return CountCellsOneUnit(record.data(), record.size(), separator[0]);
    size_t count = 0, pos = 0;
    while (pos < record.size()) {
        const size_t end = FieldEnd(record, pos, separator);
        ++count;
        if (end == std::u16string_view::npos)
            return count;
        pos = end + 1;
    }
    // The last field ended at a separator at the very end of the record.
    return count + (count > 0 ? 1 : 0);
}

size_t SplitRecordInPlace(std::u16string_view record, std::u16string_view separator, CStringArray& values,
                          size_t keep)
{
    int n = 0;
    size_t cells = 0;
    size_t end = 0; // where the last field ended
    ForEachField(record, separator, [&](std::u16string_view field) {
        if (cells++ < keep) {
            if (n == values.GetSize())
                values.Add(CString());
            Unquote(field, values[n++].str());
        }
        end = static_cast<size_t>(field.data() - record.data()) + field.size();
    });
    if (n < values.GetSize())
        values.SetSize(n);
    // A last field ended by a separator at the very end of the record.
    return cells + (cells > 0 && end < record.size() ? 1 : 0);
}

} // namespace varno::detail
