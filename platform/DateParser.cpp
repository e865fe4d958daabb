// The locale-aware date parser.
//
// Epoch, range and calendar are those of COleDateTime: days since
// 30 December 1899 00:00, years 100 to 9999 of the proleptic Gregorian
// calendar, whole seconds. A time written alone lands on day 0.
//
// Two-digit years: a year written with one or two digits is taken in the
// window 1930 to 2029 (00-29 give 2000-2029, 30-99 give 1930-1999), the
// platform default of the suite; a year written with three or four digits is
// taken as written, so "0012" is year 12 and out of range.
//
// The parser is a small hand-made one rather than ICU's pattern parsing,
// which is strict about the exact pattern of one style. It cuts the text into
// numbers, words and single punctuation marks, then decides what each number
// is: hour:minute[:second] where colons join them, the year where the
// number cannot be a day (three or four digits, or above 31), and otherwise
// by the order of the locale's short date pattern. ICU supplies, once per
// locale, that order, the month names and abbreviations (format and
// stand-alone), the AM/PM words, and the letters that some languages write
// after a year, month or day number (Korean 년/월/일, Japanese 年/月/日), read
// from the long date pattern.
#include "platform/DateParser.h"

#include <unicode/datefmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace varno {
namespace {

enum Field : int { kYear, kMonth, kDay, kNoField };

// What a token is; words are all but numbers.
enum class Kind { Number, Month, Am, Pm, Suffix };

struct Word {
    std::u16string folded; // case-folded, without a trailing "."
    Kind kind;
    int value;             // the month (1 to 12), or the Field a suffix marks
};

struct LocaleData {
    std::array<Field, 3> order{kYear, kMonth, kDay}; // of the short date pattern
    std::vector<Word> words;                         // longest first
};

constexpr size_t kMaxWord = 32; // longer month names or AM/PM words are not read

// Code units are folded one by one: dates hold no characters whose folding
// changes length, and the input needs no copy. ASCII, by far the most common,
// is decided here without asking ICU.
char16_t Fold(char16_t c)
{
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
    return U16_IS_SURROGATE(c) ? c : static_cast<char16_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT));
}

bool IsLetter(char16_t c)
{
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    return !U16_IS_SURROGATE(c) && (u_isalpha(c) || (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0);
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsSpace(char16_t c)
{
    if (c < 0x80)
        return c == u' ' || (c >= u'\t' && c <= u'\r');
    return !U16_IS_SURROGATE(c) && u_isUWhiteSpace(c);
}

bool IsPunctuation(char16_t c) { return std::u16string_view(u"/-.,:").find(c) != std::u16string_view::npos; }

std::u16string_view View(const icu::UnicodeString& text)
{
    return {text.getBuffer(), static_cast<size_t>(text.length())};
}

// The first locale's word wins: a later word with the same text (an English
// fallback, a stand-alone form equal to the format form) is dropped. Words
// that do not start with a letter, like Korean month names "1월", can never
// match; their letters come in as suffixes instead.
void AddWord(LocaleData& data, std::u16string_view text, Kind kind, int value)
{
    std::u16string folded(text);
    for (char16_t& c : folded)
        c = Fold(c);
    if (!folded.empty() && folded.back() == u'.')
        folded.pop_back();
    if (folded.empty() || folded.size() > kMaxWord || !IsLetter(folded.front()))
        return;
    for (const Word& w : data.words)
        if (w.folded == folded)
            return;
    data.words.push_back({std::move(folded), kind, value});
}

void AddMonths(LocaleData& data, const icu::DateFormatSymbols& symbols)
{
    using Symbols = icu::DateFormatSymbols;
    for (auto context : {Symbols::FORMAT, Symbols::STANDALONE})
        for (auto width : {Symbols::WIDE, Symbols::ABBREVIATED}) {
            int32_t count = 0;
            const icu::UnicodeString* months = symbols.getMonths(count, context, width);
            for (int32_t i = 0; months && i < count && i < 12; ++i)
                AddWord(data, View(months[i]), Kind::Month, i + 1);
        }
}

std::u16string PatternOf(icu::DateFormat::EStyle style, const icu::Locale& locale)
{
    std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateInstance(style, locale));
    icu::UnicodeString pattern;
    if (auto* simple = dynamic_cast<icu::SimpleDateFormat*>(format.get()))
        simple->toPattern(pattern);
    return std::u16string(View(pattern));
}

Field FieldOfPatternLetter(char16_t c)
{
    switch (c) {
    case u'y': case u'Y': case u'u': return kYear;
    case u'M': case u'L': return kMonth;
    case u'd': return kDay;
    default: return kNoField;
    }
}

// Walks a date pattern and calls `visit(field, literal)` for each field with
// the literal text that follows it up to the next field ('quoted' text
// unquoted, '' an apostrophe).
template <typename Visit>
void WalkPattern(std::u16string_view pattern, Visit visit)
{
    auto isPatternLetter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    std::optional<Field> field; // none before the first field
    std::u16string literal;
    bool quoted = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        if (c == u'\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == u'\'')
                literal += pattern[++i];
            else
                quoted = !quoted;
        } else if (!quoted && isPatternLetter(c)) {
            if (field)
                visit(*field, literal);
            field = FieldOfPatternLetter(c);
            literal.clear();
            while (i + 1 < pattern.size() && pattern[i + 1] == c)
                ++i;
        } else {
            literal += c;
        }
    }
    if (field)
        visit(*field, literal);
}

std::unique_ptr<LocaleData> Load(const std::string& name)
{
    auto data = std::make_unique<LocaleData>();
    icu::Locale locale(name.c_str());
    UErrorCode status = U_ZERO_ERROR;
    // Dates are built on the Gregorian calendar whatever the locale's default.
    locale.setKeywordValue("calendar", "gregorian", status);

    std::array<Field, 3> order{};
    size_t found = 0;
    WalkPattern(PatternOf(icu::DateFormat::kShort, locale), [&](Field field, const std::u16string&) {
        const auto seen = order.begin() + static_cast<std::ptrdiff_t>(found);
        if (field != kNoField && found < 3 && std::find(order.begin(), seen, field) == seen)
            order[found++] = field;
    });
    if (found == 3)
        data->order = order;

    // "y년 M월 d일": letters written right after a field mark that field.
    WalkPattern(PatternOf(icu::DateFormat::kLong, locale), [&](Field field, const std::u16string& literal) {
        size_t end = 0;
        while (end < literal.size() && IsLetter(literal[end]))
            ++end;
        if (field != kNoField && end > 0)
            AddWord(*data, std::u16string_view(literal).substr(0, end), Kind::Suffix, field);
    });

    status = U_ZERO_ERROR;
    icu::DateFormatSymbols symbols(locale, status);
    if (U_SUCCESS(status)) {
        AddMonths(*data, symbols);
        int32_t count = 0;
        const icu::UnicodeString* amPm = symbols.getAmPmStrings(count);
        for (int32_t i = 0; amPm && i < count && i < 2; ++i)
            AddWord(*data, View(amPm[i]), i == 0 ? Kind::Am : Kind::Pm, 0);
    }
    // English month names and AM/PM markers are read in every locale.
    status = U_ZERO_ERROR;
    icu::DateFormatSymbols english(icu::Locale::getEnglish(), status);
    if (U_SUCCESS(status))
        AddMonths(*data, english);
    for (const char16_t* am : {u"am", u"a.m"})
        AddWord(*data, am, Kind::Am, 0);
    for (const char16_t* pm : {u"pm", u"p.m"})
        AddWord(*data, pm, Kind::Pm, 0);

    // Longest first: the first whole word that matches is then the longest
    // (a word may hold stops and spaces, as "a.m" does).
    std::stable_sort(data->words.begin(), data->words.end(),
                     [](const Word& a, const Word& b) { return a.folded.size() > b.folded.size(); });
    return data;
}

// ICU's lookups take far longer than a parse, so each locale is loaded once
// and kept for the life of the process. Entries are never removed, so a
// reference stays good after the lock is released.
const LocaleData& DataFor(const std::string& name)
{
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<LocaleData>> cache;
    std::lock_guard lock(mutex);
    std::unique_ptr<LocaleData>& slot = cache[name];
    if (!slot)
        slot = Load(name);
    return *slot;
}

struct Token {
    Kind kind = Kind::Number;
    int value = 0;          // the number, or the month of a month name
    int digits = 0;         // how many digits the number was written with
    Field tag = kNoField;   // the field a suffix after the number names
    char16_t mark = 0;      // the punctuation mark before the token, 0 for none
    bool spaced = false;    // white space before the token
};

constexpr size_t kMaxTokens = 12; // "Jan 31, 2012 10:30:15 PM" has 7
constexpr size_t kMaxDigits = 4;

struct Tokens {
    std::array<Token, kMaxTokens> at;
    size_t size = 0;
};

// The longest word of the locale at `at`. The text is folded once, as far as
// the longest word reaches.
const Word* MatchWord(std::u16string_view text, size_t at, const LocaleData& data)
{
    std::array<char16_t, kMaxWord> folded;
    const size_t reach = std::min(kMaxWord, text.size() - at);
    for (size_t k = 0; k < reach; ++k)
        folded[k] = Fold(text[at + k]);
    const std::u16string_view window(folded.data(), reach);
    for (const Word& word : data.words) {
        const size_t end = at + word.folded.size();
        // Whole words only: "mart" is not "mar" and a "t".
        if (window.starts_with(word.folded) && (end == text.size() || !IsLetter(text[end])))
            return &word;
    }
    return nullptr;
}

// Cuts the text into numbers and words. Between two tokens there may be
// white space and at most one punctuation mark; before the first only white
// space, after the last also a full stop ("2012. 1. 31."). A suffix word is
// folded into the number before it.
bool Tokenize(std::u16string_view text, const LocaleData& data, Tokens& tokens)
{
    char16_t mark = 0;
    bool spaced = false;
    size_t i = 0;
    while (i < text.size()) {
        const char16_t c = text[i];
        if (IsSpace(c)) {
            spaced = true;
            ++i;
            continue;
        }
        if (IsPunctuation(c)) {
            if (mark != 0)
                return false;
            mark = c;
            ++i;
            continue;
        }
        Token token;
        if (IsDigit(c)) {
            for (; i < text.size() && IsDigit(text[i]); ++i) {
                if (++token.digits > static_cast<int>(kMaxDigits))
                    return false;
                token.value = token.value * 10 + (text[i] - u'0');
            }
        } else if (IsLetter(c)) {
            const Word* word = MatchWord(text, i, data);
            if (!word)
                return false;
            i += word->folded.size();
            if (word->kind == Kind::Suffix) {
                if (tokens.size == 0 || mark != 0)
                    return false;
                Token& number = tokens.at[tokens.size - 1];
                if (number.kind != Kind::Number || number.tag != kNoField)
                    return false;
                number.tag = static_cast<Field>(word->value);
                spaced = false;
                continue;
            }
            token.kind = word->kind;
            token.value = word->value;
        } else {
            return false;
        }
        if (tokens.size == kMaxTokens)
            return false;
        token.mark = mark;
        token.spaced = spaced;
        tokens.at[tokens.size++] = token;
        mark = 0;
        spaced = false;
    }
    return tokens.size > 0 && tokens.at[0].mark == 0 && (mark == 0 || mark == u'.');
}

struct Clock {
    int hour = 0, minute = 0, second = 0;
};

// Finds the time: hour:minute[:second], or a bare hour right before an AM/PM
// word ("3 PM"). Marks the tokens it takes in `used`. Fails on a colon
// anywhere else, on two times or two AM/PM words, on a marker without a time,
// and on a 12-hour clock past 12.
bool ReadTime(const Tokens& tokens, std::array<bool, kMaxTokens>& used, Clock& clock, bool& hasTime)
{
    size_t first = 0, parts = 0; // the hour's token and how many numbers follow it
    for (size_t i = 0; i < tokens.size; ++i) {
        const Token& t = tokens.at[i];
        if (t.mark != u':')
            continue;
        if (i == 0 || t.spaced || t.kind != Kind::Number || tokens.at[i - 1].kind != Kind::Number)
            return false;
        if (parts == 0) {
            first = i - 1;
            parts = 2;
        } else if (parts == 2 && i == first + 2) {
            parts = 3;
        } else {
            return false;
        }
    }
    size_t marker = kMaxTokens;
    for (size_t i = 0; i < tokens.size; ++i) {
        if (tokens.at[i].kind != Kind::Am && tokens.at[i].kind != Kind::Pm)
            continue;
        if (marker != kMaxTokens)
            return false;
        marker = i;
        used[i] = true;
    }
    if (parts == 0 && marker != kMaxTokens && marker > 0 && tokens.at[marker].mark == 0 &&
        tokens.at[marker - 1].kind == Kind::Number) {
        first = marker - 1;
        parts = 1;
    }
    hasTime = parts > 0;
    if (!hasTime)
        return marker == kMaxTokens;

    int values[3] = {0, 0, 0};
    for (size_t k = 0; k < parts; ++k) {
        const Token& t = tokens.at[first + k];
        if (t.tag != kNoField || t.digits > 2)
            return false;
        values[k] = t.value;
        used[first + k] = true;
    }
    clock = {values[0], values[1], values[2]};
    if (marker != kMaxTokens) {
        if (clock.hour > 12)
            return false;
        if (tokens.at[marker].kind == Kind::Am)
            clock.hour = clock.hour == 12 ? 0 : clock.hour;
        else
            clock.hour = clock.hour == 12 ? 12 : clock.hour + 12;
    }
    return true;
}

struct Date {
    int year = 1899, month = 12, day = 30; // day 0 for a time alone
};

// Gives each remaining token a field: a month name and a number with a
// suffix name their own; a number that cannot be a day is the year, and
// written first it makes the order year-month-day; the rest follow the
// locale's order. A numeric date with the year last whose month comes out
// above 12 is read the other way round (31/01/2012 under month-day-year),
// since no other reading exists.
bool ReadDate(const Tokens& tokens, const std::array<bool, kMaxTokens>& used, const LocaleData& data, Date& date,
              bool& hasDate)
{
    std::array<int, 3> value{}, digits{};
    std::array<bool, 3> set{};
    std::array<const Token*, 3> untagged{};
    size_t free = 0;
    for (size_t i = 0; i < tokens.size; ++i) {
        if (used[i])
            continue;
        const Token& t = tokens.at[i];
        const Field field = t.kind == Kind::Month ? kMonth : t.tag;
        if (field == kNoField) {
            if (free == untagged.size())
                return false;
            untagged[free++] = &t;
            continue;
        }
        if (set[field])
            return false;
        set[field] = true;
        value[field] = t.value;
        digits[field] = t.digits;
    }
    hasDate = free > 0 || set[kYear] || set[kMonth] || set[kDay];
    if (!hasDate)
        return true;

    std::array<Field, 3> remaining{};
    size_t open = 0;
    for (Field f : data.order)
        if (!set[f])
            remaining[open++] = f;
    if (free != open)
        return false;

    size_t yearAt = free; // which untagged number is the year, if one must be
    if (!set[kYear])
        for (size_t k = 0; k < free; ++k)
            if (untagged[k]->digits >= 3 || untagged[k]->value > 31) {
                if (yearAt != free)
                    return false;
                yearAt = k;
            }
    std::array<Field, 3> fields = remaining;
    if (yearAt != free) {
        std::array<Field, 3> others{};
        size_t n = 0;
        if (yearAt == 0 && free == 3)
            others = {kMonth, kDay};
        else
            for (size_t k = 0; k < open; ++k)
                if (remaining[k] != kYear)
                    others[n++] = remaining[k];
        n = 0;
        for (size_t k = 0; k < free; ++k)
            fields[k] = k == yearAt ? kYear : others[n++];
    }
    for (size_t k = 0; k < free; ++k) {
        value[fields[k]] = untagged[k]->value;
        digits[fields[k]] = untagged[k]->digits;
    }
    if (free == 3 && fields[2] == kYear && value[kMonth] > 12 && value[kDay] <= 12)
        std::swap(value[kMonth], value[kDay]);

    date.year = value[kYear];
    if (digits[kYear] <= 2)
        date.year += date.year < 30 ? 2000 : 1900;
    date.month = value[kMonth];
    date.day = value[kDay];
    return true;
}

} // namespace

std::optional<COleDateTime> ParseLocaleDateTime(std::u16string_view text, const std::string& locale)
{
    const LocaleData& data = DataFor(locale);
    Tokens tokens;
    if (!Tokenize(text, data, tokens))
        return std::nullopt;
    std::array<bool, kMaxTokens> used{};
    Clock clock;
    Date date;
    bool hasTime = false, hasDate = false;
    if (!ReadTime(tokens, used, clock, hasTime) || !ReadDate(tokens, used, data, date, hasDate) ||
        !(hasTime || hasDate))
        return std::nullopt;
    COleDateTime value(date.year, date.month, date.day, clock.hour, clock.minute, clock.second);
    if (value.GetStatus() != COleDateTime::valid)
        return std::nullopt;
    return value;
}

} // namespace varno
