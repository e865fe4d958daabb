#include "platform/CString.h"

#include "platform/Utf_p.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>

namespace {

bool IsSpace(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r') || (c > 0x7F && u_isUWhiteSpace(c));
}

// Reads one code point at `i` and advances; an unpaired surrogate is read as itself.
UChar32 NextCodePoint(std::u16string_view s, size_t& i)
{
    UChar32 c = s[i++];
    if (U16_IS_LEAD(c) && i < s.size() && U16_IS_TRAIL(s[i]))
        c = U16_GET_SUPPLEMENTARY(c, s[i++]);
    return c;
}

} // namespace

CString CString::FromUtf8(std::string_view utf8)
{
    CString out;
    if (utf8.empty())
        return out;
    out.m_str.resize(utf8.size());
    size_t written = 0;
    if (varno::detail::Utf8ToUtf16Prefix(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(),
                                         out.m_str.data(), written) == utf8.size()) {
        out.m_str.resize(written);
        return out;
    }
    // Not well formed: ICU substitutes what it cannot read.
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.m_str.data()), static_cast<int32_t>(out.m_str.size()), &length,
                         utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    out.m_str.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
    return out;
}

std::string CString::ToUtf8() const
{
    std::string out;
    if (m_str.empty() || varno::detail::AppendUtf8(m_str, out))
        return out;
    // An unpaired surrogate: ICU substitutes it.
    out.resize(m_str.size() * 3);
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                       reinterpret_cast<const UChar*>(m_str.data()), static_cast<int32_t>(m_str.size()), 0xFFFD,
                       nullptr, &status);
    out.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
    return out;
}

int CString::Find(char16_t ch, int start) const noexcept
{
    if (start < 0 || start >= GetLength())
        return -1;
    size_t p = m_str.find(ch, static_cast<size_t>(start));
    return p == std::u16string::npos ? -1 : static_cast<int>(p);
}

int CString::Find(std::u16string_view sub, int start) const noexcept
{
    if (start < 0 || start > GetLength())
        return -1;
    size_t p = m_str.find(sub, static_cast<size_t>(start));
    return p == std::u16string::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(char16_t ch) const noexcept
{
    size_t p = m_str.rfind(ch);
    return p == std::u16string::npos ? -1 : static_cast<int>(p);
}

CString CString::Left(int count) const
{
    count = std::clamp(count, 0, GetLength());
    return CString(m_str.substr(0, static_cast<size_t>(count)));
}

CString CString::Right(int count) const
{
    count = std::clamp(count, 0, GetLength());
    return CString(m_str.substr(m_str.size() - static_cast<size_t>(count)));
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const
{
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

int CString::Compare(std::u16string_view other) const noexcept
{
    int r = std::u16string_view(m_str).compare(other);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CString::CompareNoCase(std::u16string_view other) const
{
    std::u16string_view a(m_str);
    size_t i = 0, j = 0;
    while (i < a.size() && j < other.size()) {
        char16_t ca = a[i], cb = other[j];
        if (ca < 0x80 && cb < 0x80) { // ASCII fast path
            ++i, ++j;
            if (ca >= u'A' && ca <= u'Z') ca += 32;
            if (cb >= u'A' && cb <= u'Z') cb += 32;
            if (ca != cb)
                return ca < cb ? -1 : 1;
            continue;
        }
        UChar32 fa = u_foldCase(NextCodePoint(a, i), U_FOLD_CASE_DEFAULT);
        UChar32 fb = u_foldCase(NextCodePoint(other, j), U_FOLD_CASE_DEFAULT);
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    return j < other.size() ? -1 : 0;
}

CString& CString::Trim()
{
    return TrimRight().TrimLeft();
}

CString& CString::TrimLeft()
{
    size_t i = 0;
    while (i < m_str.size() && IsSpace(m_str[i]))
        ++i;
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimRight()
{
    size_t n = m_str.size();
    while (n > 0 && IsSpace(m_str[n - 1]))
        --n;
    m_str.resize(n);
    return *this;
}

int CString::Replace(std::u16string_view from, std::u16string_view to)
{
    if (from.empty())
        return 0;
    size_t p = m_str.find(from);
    if (p == std::u16string::npos)
        return 0;
    std::u16string out;
    out.reserve(m_str.size());
    size_t last = 0;
    int count = 0;
    for (; p != std::u16string::npos; p = m_str.find(from, last)) {
        out.append(m_str, last, p - last);
        out.append(to);
        last = p + from.size();
        ++count;
    }
    out.append(m_str, last, std::u16string::npos);
    m_str = std::move(out);
    return count;
}

int CString::Remove(char16_t ch)
{
    auto end = std::remove(m_str.begin(), m_str.end(), ch);
    int count = static_cast<int>(m_str.end() - end);
    m_str.erase(end, m_str.end());
    return count;
}

CString& CString::MakeUpper()
{
    for (auto& c : m_str)
        if (!U16_IS_SURROGATE(c))
            c = static_cast<char16_t>(u_toupper(c));
    return *this;
}

CString& CString::MakeLower()
{
    for (auto& c : m_str)
        if (!U16_IS_SURROGATE(c))
            c = static_cast<char16_t>(u_tolower(c));
    return *this;
}

CString CString::Tokenize(std::u16string_view delimiters, int& start) const
{
    if (start < 0 || start >= GetLength()) {
        start = -1;
        return CString();
    }
    const size_t first = m_str.find_first_not_of(delimiters, static_cast<size_t>(start));
    if (first == std::u16string::npos) {
        start = -1;
        return CString();
    }
    size_t end = m_str.find_first_of(delimiters, first);
    if (end == std::u16string::npos)
        end = m_str.size();
    // Past the one delimiter that ends the token; after a token that ends
    // the text this lies past the end, and the next call gives -1.
    start = static_cast<int>(end + 1);
    return CString(m_str.substr(first, end - first));
}

void CString::AssignAscii(std::string_view ascii)
{
    m_str.assign(ascii.begin(), ascii.end());
}
