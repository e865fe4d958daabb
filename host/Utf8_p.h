// Internal: the check of UTF-8 that the readers of vCard and iCalendar
// files share before they hand text on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace varno::host::detail {

/// The offset of the first byte that is not part of well-formed UTF-8 (an
/// illegal lead or continuation byte, a sequence cut short, an overlong
/// form, a surrogate or a value beyond U+10FFFF), or npos.
[[nodiscard]] inline std::size_t FirstNonUtf8Byte(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        // Eight ASCII bytes at a time: most of a calendar or an address
        // book is ASCII.
        if (i + 8 <= text.size()) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes + i, 8);
            if ((word & 0x8080808080808080u) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned c = bytes[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t n = 0;
        unsigned min = 0;
        if ((c & 0xE0) == 0xC0)
            n = 1, min = 0x80;
        else if ((c & 0xF0) == 0xE0)
            n = 2, min = 0x800;
        else if ((c & 0xF8) == 0xF0)
            n = 3, min = 0x10000;
        else
            return i;
        unsigned code = c & (0x3F >> n);
        for (std::size_t k = 1; k <= n; ++k) {
            if (i + k >= text.size() || (bytes[i + k] & 0xC0) != 0x80)
                return i;
            code = code << 6 | (bytes[i + k] & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return i;
        i += n + 1;
    }
    return std::string_view::npos;
}

} // namespace varno::host::detail
