// Telephone cells checked before the library reads them.
//
// The work is done on the cell's own text, so that what the library is
// handed stays the number as its writer typed it, less what would change it:
// digit-free words in brackets go first, then the other letter runs are
// either keypad letters of a vanity number or words; then "(0)" after the
// country code, then the extension. libphonenumber decides what it knows
// best: whether a country dials its trunk zero from abroad (Italy does),
// where an extension starts, whether letters make a number. It is asked only
// about cells that hold more than digits and "+-()./ ".
#include "host/PhoneCells.h"

#include <phonenumbers/phonenumberutil.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace varno::host {
namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

const PhoneNumberUtil& Util()
{
    return *PhoneNumberUtil::GetInstance();
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == 0xA0 || c == 0x3000; }

bool IsLetter(char16_t c)
{
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    return !U16_IS_SURROGATE(c) && (u_isalpha(c) || (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0);
}

bool IsDialLetter(char16_t c) { return c == u'p' || c == u'P' || c == u'w' || c == u'W'; }

bool HasDigit(std::u16string_view text) { return std::any_of(text.begin(), text.end(), IsDigit); }

std::string Utf8(std::u16string_view text) { return CString(text).ToUtf8(); }

// "+CC (0)" or "00CC (0)" at the start: the span of "(0)", or nothing.
std::optional<std::pair<size_t, size_t>> TrunkZero(std::u16string_view text)
{
    size_t i = 0;
    auto blanks = [&] {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
    };
    blanks();
    if (i < text.size() && text[i] == u'+')
        ++i;
    else if (text.substr(i, 2) == u"00")
        i += 2;
    else
        return std::nullopt;
    blanks();
    const size_t code = i;
    while (i < text.size() && IsDigit(text[i]) && i - code < 4)
        ++i;
    if (i == code || i - code > 3)
        return std::nullopt;
    blanks();
    const size_t open = i;
    if (i >= text.size() || text[i++] != u'(')
        return std::nullopt;
    blanks();
    if (i >= text.size() || text[i++] != u'0')
        return std::nullopt;
    blanks();
    if (i >= text.size() || text[i++] != u')')
        return std::nullopt;
    return std::make_pair(open, i);
}

// Digits, spaces and "+-()./" only, and no trunk zero to drop: nothing to do.
bool IsPlain(std::u16string_view text)
{
    bool digit = false, bracket = false;
    for (char16_t c : text) {
        if (IsDigit(c))
            digit = true;
        else if (c == u'(')
            bracket = true;
        else if (c != u' ' && c != u'+' && c != u'-' && c != u')' && c != u'.' && c != u'/')
            return false;
    }
    return digit && !(bracket && TrunkZero(text));
}

// Removes "(...)" and "[...]" groups that hold a letter and no digit.
bool DropBracketedWords(std::u16string& text)
{
    bool dropped = false;
    for (size_t open = 0; (open = text.find_first_of(u"([", open)) != std::u16string::npos;) {
        const size_t close = text.find(text[open] == u'(' ? u')' : u']', open + 1);
        if (close == std::u16string::npos)
            break;
        const std::u16string_view inside = std::u16string_view(text).substr(open + 1, close - open - 1);
        if (!HasDigit(inside) && std::any_of(inside.begin(), inside.end(), IsLetter)) {
            text.erase(open, close - open + 1);
            dropped = true;
        } else {
            open = close + 1;
        }
    }
    return dropped;
}

enum class RunKind { Marker, Dial, Other };

struct Run {
    size_t begin, end;
    RunKind kind;
};

// Words that mark an extension when digits follow them.
bool IsMarkerWord(std::u16string_view word)
{
    static constexpr std::array<std::u16string_view, 7> markers{u"x", u"ext", u"extn", u"extension", u"anexo", u"int",
                                                               u"доб"};
    std::u16string folded(word);
    for (char16_t& c : folded)
        c = static_cast<char16_t>(u_tolower(c));
    return std::find(markers.begin(), markers.end(), folded) != markers.end();
}

std::vector<Run> LetterRuns(std::u16string_view text)
{
    std::vector<Run> runs;
    for (size_t i = 0; i < text.size();) {
        if (!IsLetter(text[i])) {
            ++i;
            continue;
        }
        Run run{i, i, RunKind::Other};
        while (run.end < text.size() && IsLetter(text[run.end]))
            ++run.end;
        const std::u16string_view word = text.substr(run.begin, run.end - run.begin);
        const char16_t before = run.begin > 0 ? text[run.begin - 1] : u'\0';
        size_t after = run.end;
        while (after < text.size() && (IsBlank(text[after]) || std::u16string_view(u".:=-,").find(text[after]) !=
                                                                   std::u16string_view::npos))
            ++after;
        const bool digitAfter = run.end < text.size() && IsDigit(text[run.end]);
        if (std::all_of(word.begin(), word.end(), IsDialLetter) &&
            (IsDigit(before) || before == u'#' || before == u'*' || digitAfter))
            run.kind = RunKind::Dial;
        else if (after < text.size() && IsDigit(text[after]) && IsMarkerWord(word))
            run.kind = RunKind::Marker;
        runs.push_back(run);
        i = run.end;
    }
    return runs;
}

std::optional<PhoneNumber> Parse(std::u16string_view text, const std::string& region)
{
    PhoneNumber number;
    if (Util().Parse(Utf8(text), region, &number) != PhoneNumberUtil::NO_PARSING_ERROR)
        return std::nullopt;
    return number;
}

// Whether the "(0)" at `zero` goes. A country whose numbers keep the zero
// from abroad (Italy) has libphonenumber read it as part of the national
// number; the zero stays then, unless only the number without it is valid
// ("+1 (0) 212 555 0147"). "00" is read as "+" whatever the region dials. A
// number libphonenumber cannot read keeps its zero: its country is unknown.
bool DropsTrunkZero(std::u16string_view text, std::pair<size_t, size_t> zero, const std::string& region)
{
    size_t start = 0;
    while (IsBlank(text[start]))
        ++start;
    const bool doubleZero = text.substr(start, 2) == u"00";
    std::u16string with(text);
    if (doubleZero) {
        with[start] = u'+';
        with.erase(start + 1, 1);
    }
    std::u16string without(with);
    without.erase(zero.first - (doubleZero ? 1 : 0), zero.second - zero.first);
    const std::optional<PhoneNumber> kept = Parse(with, region);
    if (!kept)
        return false;
    if (!kept->italian_leading_zero())
        return true;
    const std::optional<PhoneNumber> dropped = Parse(without, region);
    return dropped && Util().IsValidNumber(*dropped) && !Util().IsValidNumber(*kept);
}

// Letters that are a vanity number: libphonenumber takes the number (the
// text before any extension) for an alpha number, and the letters either
// stand glued to it in capitals ("1-800-FLOWERS") or make, as keypad digits,
// a valid number.
bool IsVanity(std::u16string_view text, const std::vector<Run>& others, const std::string& region)
{
    for (const Run& run : others)
        for (size_t i = run.begin; i < run.end; ++i)
            if (text[i] >= 0x80)
                return false;
    while (!text.empty() && IsBlank(text.back())) // a blank at the end makes it no alpha number
        text.remove_suffix(1);
    if (!Util().IsAlphaNumber(Utf8(text)))
        return false;
    const bool glued = std::all_of(others.begin(), others.end(), [&](const Run& run) {
        const char16_t before = run.begin > 0 ? text[run.begin - 1] : u'\0';
        const bool capitals = std::all_of(text.begin() + static_cast<std::ptrdiff_t>(run.begin),
                                          text.begin() + static_cast<std::ptrdiff_t>(run.end),
                                          [](char16_t c) { return c >= u'A' && c <= u'Z'; });
        return capitals && (IsDigit(before) || before == u'-' || before == u'.');
    });
    if (glued)
        return true;
    std::string keypad = Utf8(text);
    Util().ConvertAlphaCharactersInNumber(&keypad);
    PhoneNumber number;
    return Util().Parse(keypad, region, &number) == PhoneNumberUtil::NO_PARSING_ERROR && Util().IsValidNumber(number);
}

// The letters of the runs as keypad digits, in place.
void ToKeypad(std::u16string& text, const std::vector<Run>& runs)
{
    for (const Run& run : runs) {
        std::string letters = Utf8(std::u16string_view(text).substr(run.begin, run.end - run.begin));
        Util().ConvertAlphaCharactersInNumber(&letters);
        const CString digits = CString::FromUtf8(letters);
        text.replace(run.begin, run.end - run.begin, digits.str()); // one digit per ASCII letter
    }
}

void Erase(std::u16string& text, const std::vector<Run>& runs)
{
    for (auto run = runs.rbegin(); run != runs.rend(); ++run)
        text.erase(run->begin, run->end - run->begin);
}

// Splits "main x89" into "main" and "89" when libphonenumber finds that
// extension at the end of the text; writes "main" "p" "89".
bool MoveExtension(std::u16string& text, const std::string& region)
{
    const std::optional<PhoneNumber> number = Parse(text, region);
    if (!number || !number->has_extension() || number->extension().empty())
        return false;
    const std::u16string extension = CString::FromUtf8(number->extension()).str();
    size_t end = text.size();
    while (end > 0 && !IsDigit(text[end - 1]))
        --end;
    size_t begin = end;
    while (begin > 0 && IsDigit(text[begin - 1]))
        --begin;
    if (std::u16string_view(text).substr(begin, end - begin) != extension)
        return false;
    size_t mainEnd = begin;
    while (mainEnd > 0 && !IsDigit(text[mainEnd - 1]))
        --mainEnd;
    if (mainEnd == 0 || mainEnd == begin)
        return false;
    text = text.substr(0, mainEnd) + u'p' + extension;
    return true;
}

// After words went: no blanks or separators left at the ends.
void Tidy(std::u16string& text)
{
    auto keepsFront = [](char16_t c) { return IsDigit(c) || c == u'+' || c == u'(' || c == u'*' || c == u'#'; };
    auto keepsBack = [](char16_t c) { return IsDigit(c) || c == u')' || c == u'*' || c == u'#' || IsDialLetter(c); };
    size_t first = 0, last = text.size();
    while (first < last && !keepsFront(text[first]))
        ++first;
    while (last > first && !keepsBack(text[last - 1]))
        --last;
    text = text.substr(first, last - first);
    // Two blanks where a word stood between them become one.
    for (size_t i = 1; i < text.size();)
        if (IsBlank(text[i]) && IsBlank(text[i - 1]))
            text.erase(i, 1);
        else
            ++i;
}

} // namespace

PhoneVerdict CheckPhoneCell(std::u16string_view value, const std::string& knownRegion)
{
    if (std::all_of(value.begin(), value.end(), IsBlank) || IsPlain(value))
        return {PhoneVerdict::None, CString(value)};
    if (!HasDigit(value))
        return {PhoneVerdict::Word, {}};
    const std::string region = Util().GetCountryCodeForRegion(knownRegion) != 0 ? knownRegion : "US";

    unsigned changes = PhoneVerdict::None;
    std::u16string text(value);
    if (DropBracketedWords(text))
        changes |= PhoneVerdict::WordsBeside;

    // Letters of the number itself (before any extension marker) may spell
    // it; letters after it are words.
    const std::vector<Run> runs = LetterRuns(text);
    size_t main = text.size();
    for (const Run& run : runs)
        if (run.kind == RunKind::Marker)
            main = std::min(main, run.begin);
    std::vector<Run> spelling, words;
    for (const Run& run : runs)
        if (run.kind == RunKind::Other)
            (run.begin < main ? spelling : words).push_back(run);
    if (!spelling.empty() && IsVanity(std::u16string_view(text).substr(0, main), spelling, region)) {
        ToKeypad(text, spelling);
        changes |= PhoneVerdict::Letters;
    } else {
        words.insert(words.begin(), spelling.begin(), spelling.end());
    }
    if (!words.empty()) {
        Erase(text, words);
        changes |= PhoneVerdict::WordsBeside;
    }

    if (const auto zero = TrunkZero(text); zero && DropsTrunkZero(text, *zero, region)) {
        text.erase(zero->first, zero->second - zero->first);
        changes |= PhoneVerdict::TrunkDropped;
    }

    const bool markers =
        std::any_of(runs.begin(), runs.end(), [](const Run& run) { return run.kind == RunKind::Marker; });
    if ((markers || text.find_first_of(u"#,;~") != std::u16string::npos) && MoveExtension(text, region)) {
        changes |= PhoneVerdict::Extension;
    } else if (markers) {
        // Marker words that mark nothing are words too.
        std::vector<Run> left;
        for (const Run& run : LetterRuns(text))
            if (run.kind == RunKind::Marker)
                left.push_back(run);
        Erase(text, left);
        changes |= PhoneVerdict::WordsBeside;
    }

    if (changes == PhoneVerdict::None)
        return {PhoneVerdict::None, CString(value)};
    Tidy(text);
    return {changes, CString(std::move(text))};
}

std::string RegionOfLocale(const std::string& locale)
{
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    std::replace(name.begin(), name.end(), '-', '_');
    std::string region;
    if (!name.empty() && name != "C" && name != "POSIX") {
        icu::Locale parsed(name.c_str());
        region = parsed.getCountry();
        if (region.empty() && !parsed.isBogus()) {
            UErrorCode status = U_ZERO_ERROR;
            parsed.addLikelySubtags(status);
            if (U_SUCCESS(status))
                region = parsed.getCountry();
        }
    }
    if (region.empty() || Util().GetCountryCodeForRegion(region) == 0)
        return "US";
    return region;
}

} // namespace varno::host
