// CString: the UTF-16 text type of the whole library.
//
// One std::u16string with value semantics. Positions and lengths count UTF-16
// code units, as the framework this type stands in for does. Only the
// operations that the library, its hosts and its tests use are offered.
#pragma once

#include "platform/varnoplatform_export.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

class VARNO_PLATFORM_EXPORT CString {
public:
    CString() = default;
    CString(const char16_t* text) : m_str(text ? text : u"") {}
    CString(std::u16string_view text) : m_str(text) {}
    CString(std::u16string text) : m_str(std::move(text)) {}
    CString(const char16_t* text, int length) : m_str(text, length > 0 ? length : 0) {}
    CString(char16_t ch, int repeat = 1) : m_str(repeat > 0 ? repeat : 0, ch) {}

    /// Text from UTF-8 bytes (ill-formed sequences become U+FFFD).
    [[nodiscard]] static CString FromUtf8(std::string_view utf8);
    /// The text as UTF-8 (unpaired surrogates become U+FFFD).
    [[nodiscard]] std::string ToUtf8() const;

    [[nodiscard]] int GetLength() const noexcept { return static_cast<int>(m_str.size()); }
    [[nodiscard]] bool IsEmpty() const noexcept { return m_str.empty(); }
    void Empty() noexcept { m_str.clear(); }
    [[nodiscard]] char16_t GetAt(int i) const { return m_str.at(static_cast<size_t>(i)); }
    [[nodiscard]] char16_t operator[](int i) const { return GetAt(i); }

    /// Position of the first occurrence at or after `start`, or -1.
    [[nodiscard]] int Find(char16_t ch, int start = 0) const noexcept;
    [[nodiscard]] int Find(std::u16string_view sub, int start = 0) const noexcept;
    [[nodiscard]] int ReverseFind(char16_t ch) const noexcept;

    /// Substrings; counts are clamped to the text, as the framework does.
    [[nodiscard]] CString Left(int count) const;
    [[nodiscard]] CString Right(int count) const;
    [[nodiscard]] CString Mid(int first) const;
    [[nodiscard]] CString Mid(int first, int count) const;

    /// Ordinal comparison of code units: <0, 0, >0.
    [[nodiscard]] int Compare(std::u16string_view other) const noexcept;
    /// Comparison after Unicode simple case folding of both texts: <0, 0, >0.
    [[nodiscard]] int CompareNoCase(std::u16string_view other) const;

    /// Removes white space (Unicode White_Space) at both ends / one end.
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();
    /// Replaces every non-overlapping occurrence, left to right; returns the count.
    int Replace(std::u16string_view from, std::u16string_view to);
    /// Removes every occurrence of `ch`; returns the count.
    int Remove(char16_t ch);
    /// Changes every letter to upper / lower case in place (one UTF-16 unit
    /// for one, as the framework does) and returns this string.
    CString& MakeUpper();
    CString& MakeLower();
    /// The next token at or after `start`, as the framework's Tokenize: any
    /// run of characters of `delimiters` separates tokens, so leading and
    /// repeated delimiters give no empty token. `start` moves past the
    /// delimiter that ends the token. When no token is left the result is
    /// empty and `start` becomes -1; a negative `start` gives that at once
    /// (the framework would throw). No delimiters: the rest is one token.
    [[nodiscard]] CString Tokenize(std::u16string_view delimiters, int& start) const;

    /// printf-style formatting of numbers into this string. The format must be
    /// ASCII and take only numeric arguments ("%d", "%u", "%04d", "%.3f" ...).
    template <typename... Args>
    void Format(const char* format, Args... args)
    {
        char buffer[256];
        int n = std::snprintf(buffer, sizeof buffer, format, args...);
        if (n < 0)
            n = 0;
        if (static_cast<size_t>(n) >= sizeof buffer) {
            std::string big(static_cast<size_t>(n) + 1, '\0');
            std::snprintf(big.data(), big.size(), format, args...);
            big.resize(static_cast<size_t>(n));
            AssignAscii(big);
            return;
        }
        AssignAscii(std::string_view(buffer, static_cast<size_t>(n)));
    }

    CString& operator+=(const CString& other) { m_str += other.m_str; return *this; }
    CString& operator+=(std::u16string_view other) { m_str += other; return *this; }
    CString& operator+=(const char16_t* other) { m_str += other; return *this; }
    CString& operator+=(char16_t ch) { m_str += ch; return *this; }

    friend CString operator+(CString a, const CString& b) { a += b; return a; }
    friend CString operator+(CString a, const char16_t* b) { a += b; return a; }
    friend CString operator+(CString a, char16_t b) { a += b; return a; }
    friend CString operator+(const char16_t* a, const CString& b) { return CString(a) += b; }

    friend bool operator==(const CString& a, const CString& b) noexcept { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char16_t* b) noexcept { return a.m_str == b; }
    friend bool operator<(const CString& a, const CString& b) noexcept { return a.m_str < b.m_str; }

    [[nodiscard]] const std::u16string& str() const noexcept { return m_str; }
    [[nodiscard]] std::u16string& str() noexcept { return m_str; }
    [[nodiscard]] const char16_t* c_str() const noexcept { return m_str.c_str(); }
    operator std::u16string_view() const noexcept { return m_str; }

private:
    void AssignAscii(std::string_view ascii);

    std::u16string m_str;
};
