#include "engine/CSVCodec_p.h"

namespace varno::detail {

RecordSpan NextRecord(std::u16string_view text, size_t pos, bool insideQuotes) noexcept
{
    const size_t n = text.size();
    // insideQuotes: an odd number of quotes seen so far
    for (size_t i = pos; i < n; ++i) {
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
    if (start >= line.size() || line[start] != u'"')
        return line.find(separator, start);
    const char16_t first = separator[0];
    bool oddQuotes = false; // quotes after the opening one, before position i
    for (size_t i = start + 1; i < line.size(); ++i) {
        if (line[i] == first && oddQuotes && line.substr(i, separator.size()) == separator)
            return i;
        if (line[i] == u'"')
            oddQuotes = !oddQuotes;
    }
    return std::u16string_view::npos;
}

void SplitRecord(std::u16string_view record, std::u16string_view separator, CStringArray& values)
{
    size_t pos = 0;
    while (pos < record.size()) {
        size_t end = FieldEnd(record, pos, separator);
        if (end == std::u16string_view::npos)
            end = record.size();
        std::u16string_view field = record.substr(pos, end - pos);
        pos = end + 1; // the separator is skipped as one character
        // The opening and the closing quote are dropped independently, so a
        // field of one quote becomes empty.
        size_t b = 0, e = field.size();
        if (e > 0 && field[0] == u'"')
            b = 1;
        if (!field.empty() && field.back() == u'"')
            --e;
        std::u16string value;
        if (b < e) {
            std::u16string_view inner = field.substr(b, e - b);
            value.reserve(inner.size());
            for (size_t i = 0; i < inner.size(); ++i) {
                value += inner[i];
                if (inner[i] == u'"' && i + 1 < inner.size() && inner[i + 1] == u'"')
                    ++i;
            }
        }
        values.Add(CString(std::move(value)));
    }
}

} // namespace varno::detail
