#include "platform/Numbers.h"

#include <climits>
#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace varno {

namespace {

bool IsCSpace(char16_t c) noexcept
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// The "C" locale, so that the decimal point is "." whatever the process's
// locale says; made once and never freed.
locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

} // namespace

int ReadLeadingInt(std::u16string_view text) noexcept
{
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > static_cast<long long>(INT_MAX) + 1) // saturated; more digits change nothing
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        return value > static_cast<long long>(INT_MAX) ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

double ReadLeadingDouble(std::string_view bytes)
{
    // strtod_l needs a terminated string; it stops at the first character
    // that does not fit, as atof does.
    const std::string text(bytes.substr(0, bytes.find('\0')));
    return strtod_l(text.c_str(), nullptr, CLocale());
}

} // namespace varno
