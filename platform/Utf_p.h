// Internal: UTF-8 and UTF-16 conversions for the common case, without ICU.
//
// ICU spends some twenty instructions on each character; text is mostly
// ASCII and well formed. These functions convert the well-formed part and
// tell the caller where they stopped, so that ICU still judges (and
// substitutes) everything that is not well formed, exactly as before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace varno::detail {

/// The length of the well-formed UTF-8 sequence at `p` (as ICU's UTF-8
/// converter accepts it: no overlong forms, no surrogates, nothing above
/// U+10FFFF) and its code point; 0 when there is none, or when the sequence
/// is cut off after `available` bytes.
inline size_t Utf8Sequence(const unsigned char* p, size_t available, char32_t& codePoint)
{
    const unsigned char lead = p[0];
    size_t length;
    char32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, min = 0x800, codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (p[k] & 0x3F);
    }
    if (codePoint < min || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

/// Converts the well-formed UTF-8 at the start of `in` (`n` bytes) into
/// `out`, which has room for `n` units; returns how many bytes were taken
/// and sets `written`. Stops before the first byte that does not start a
/// well-formed, complete sequence.
inline size_t Utf8ToUtf16Prefix(const unsigned char* in, size_t n, char16_t* out, size_t& written)
{
    size_t i = 0;
    char16_t* target = out;
    for (;;) {
        while (i + 8 <= n) { // eight ASCII bytes at a time while there are
            std::uint64_t word;
            std::memcpy(&word, in + i, 8);
            if (word & 0x8080808080808080ull)
                break;
            for (int k = 0; k < 8; ++k)
                target[k] = in[i + k];
            target += 8, i += 8;
        }
        if (i < n && in[i] < 0x80) {
            *target++ = in[i++];
            continue;
        }
        char32_t c;
        const size_t length = i < n ? Utf8Sequence(in + i, n - i, c) : 0;
        if (length == 0)
            break;
        if (c < 0x10000) {
            *target++ = static_cast<char16_t>(c);
        } else {
            *target++ = static_cast<char16_t>(0xD7C0 + (c >> 10));
            *target++ = static_cast<char16_t>(0xDC00 | (c & 0x3FF));
        }
        i += length;
    }
    written = static_cast<size_t>(target - out);
    return i;
}

/// Appends the UTF-8 form of `text` to `out` when `text` holds no unpaired
/// surrogate; otherwise appends nothing and returns false.
inline bool AppendUtf8(std::u16string_view text, std::string& out)
{
    const size_t start = out.size();
    out.resize(start + text.size() * 3);
    char* target = out.data() + start;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const char32_t c = text[i];
        if (c < 0x80) {
            *target++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *target++ = static_cast<char>(0xC0 | (c >> 6));
            *target++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0xD800 || c > 0xDFFF) {
            *target++ = static_cast<char>(0xE0 | (c >> 12));
            *target++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *target++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            const char32_t full = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
            *target++ = static_cast<char>(0xF0 | (full >> 18));
            *target++ = static_cast<char>(0x80 | ((full >> 12) & 0x3F));
            *target++ = static_cast<char>(0x80 | ((full >> 6) & 0x3F));
            *target++ = static_cast<char>(0x80 | (full & 0x3F));
        } else {
            out.resize(start);
            return false;
        }
    }
    out.resize(static_cast<size_t>(target - out.data()));
    return true;
}

} // namespace varno::detail
