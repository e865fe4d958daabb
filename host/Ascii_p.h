// Internal: the letter case and blanks of the names, parameters and words
// of vCard and iCalendar files, which are ASCII: case is folded without the
// C locale's tables, and only spaces and tabs are blanks.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace varno::host::detail {

[[nodiscard]] constexpr char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
[[nodiscard]] constexpr char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

/// Whether `a` and `b` are the same but for the case of ASCII letters.
[[nodiscard]] inline bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

[[nodiscard]] inline std::string Upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = UpperAscii(c);
    return out;
}

[[nodiscard]] inline std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

/// `text` without the spaces and tabs at either end.
[[nodiscard]] inline std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace varno::host::detail
