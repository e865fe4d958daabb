#include "engine/CSVCodec_p.h"

#include "engine/CSVScan_p.h"

namespace varno::detail {

RecordSpan NextRecord(std::u16string_view text, size_t pos, bool insideQuotes) noexcept
{
    const size_t n = text.size();
    // insideQuotes: an odd number of quotes seen so far. Only quotes and
    // line breaks matter: the scan leaps to the next of them.
    for (size_t i = FindFirstOf(text.data(), pos, n, u'"', u'\r', u'\n'); i < n;
         i = FindFirstOf(text.data(), i + 1, n, u'"', u'\r', u'\n')) {
        const char16_t c = text[i];
        if (c == u'"') {
            insideQuotes = !insideQuotes;
        } else if (c == u'\r') {
            const bool crlf = i + 1 < n && text[i + 1] == u'\n';
            if (!insideQuotes)
                return {i, i + (crlf ? 2 : 1)};
            if (crlf)
                ++i;
        } else if (c == u'\n' && !insideQuotes) {
            return {i, i + 1};
        }
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

size_t CountCells(std::u16string_view record, std::u16string_view separator) noexcept
{
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
