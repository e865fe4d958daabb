// The guess weighs the shape of each header cell against the cells below
// it. Column names are words ("Birthday", "TEL_WORK1", "E-mail 2 Address",
// "일정 시작일"); a first record that is data holds dates, numbers,
// telephone numbers and addresses in the same columns as the records after
// it. Only shapes that column names never take count as signs of data, so
// that names with digits in them ("Web Page 2") stay names.
#include "host/HeaderGuess.h"

#include "host/Layouts_p.h"

#include "host/Registry.h"

#include <array>
#include <string_view>

namespace varno::host {

namespace {

enum class Shape { Empty, Text, Number, Phone, Date, Time, Email, Url };

/// Numbers and telephone numbers are one shape when a column is compared
/// with its header cell (a column of postcodes holds both "10117" and
/// "411 19").
Shape Family(Shape shape)
{
    return shape == Shape::Phone ? Shape::Number : shape;
}

const char* Describe(Shape shape)
{
    switch (shape) {
    case Shape::Number: return "a number";
    case Shape::Phone: return "a telephone number";
    case Shape::Date: return "a date";
    case Shape::Time: return "a time";
    case Shape::Email: return "an e-mail address";
    case Shape::Url: return "a web address";
    default: return "text";
    }
}

const char* DescribeColumn(Shape shape)
{
    switch (Family(shape)) {
    case Shape::Number: return "numbers";
    case Shape::Date: return "dates";
    case Shape::Time: return "times";
    case Shape::Email: return "e-mail addresses";
    case Shape::Url: return "web addresses";
    default: return "text";
    }
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool IsSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u00A0';
}

/// The number of digits at `i`, which moves past them.
size_t Digits(std::u16string_view s, size_t& i)
{
    const size_t start = i;
    while (i < s.size() && IsDigit(s[i]))
        ++i;
    return i - start;
}

bool Take(std::u16string_view s, size_t& i, char16_t c)
{
    if (i < s.size() && s[i] == c) {
        ++i;
        return true;
    }
    return false;
}

void SkipSpaces(std::u16string_view s, size_t& i)
{
    while (i < s.size() && IsSpace(s[i]))
        ++i;
}

bool StartsWithNoCase(std::u16string_view s, std::u16string_view prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char16_t c = s[i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

/// 9:00, 09:05:30, 9:00 AM, 4:15 p.m., 오후 4:15.
bool IsTime(std::u16string_view s)
{
    size_t i = 0;
    if (s.starts_with(u"오전") || s.starts_with(u"오후")) {
        i = 2;
        SkipSpaces(s, i);
    }
    const size_t hours = Digits(s, i);
    if (hours < 1 || hours > 2 || !Take(s, i, u':') || Digits(s, i) != 2)
        return false;
    if (Take(s, i, u':') && Digits(s, i) != 2)
        return false;
    if (Take(s, i, u'.') && Digits(s, i) == 0)
        return false;
    SkipSpaces(s, i);
    const std::u16string_view rest = s.substr(i);
    for (std::u16string_view mark : {u"am", u"pm", u"a.m.", u"p.m."})
        if (rest.size() == mark.size() && StartsWithNoCase(rest, mark))
            return true;
    return rest.empty();
}

/// 2012-01-31, 2012/1/31, 1/31/2012, 31.1.2012, 3.7.75, 0.0.00, --07-22,
/// 2012년 1월 31일, each with or without a time after a space or a "T".
bool IsDate(std::u16string_view s)
{
    size_t i = 0;
    if (s.starts_with(u"--")) { // a day without a year
        i = 2;
        const size_t month = Digits(s, i);
        if (month < 1 || month > 2 || !Take(s, i, u'-'))
            return false;
        const size_t day = Digits(s, i);
        if (day < 1 || day > 2)
            return false;
    } else {
        const size_t first = Digits(s, i);
        if (first == 4 && Take(s, i, u'년')) {
            SkipSpaces(s, i);
            const size_t month = Digits(s, i);
            if (month < 1 || month > 2 || !Take(s, i, u'월'))
                return false;
            SkipSpaces(s, i);
            const size_t day = Digits(s, i);
            if (day < 1 || day > 2 || !Take(s, i, u'일'))
                return false;
        } else {
            if (i >= s.size() || (s[i] != u'-' && s[i] != u'/' && s[i] != u'.'))
                return false;
            const char16_t separator = s[i++];
            const size_t second = Digits(s, i);
            if (second < 1 || second > 2 || !Take(s, i, separator))
                return false;
            const size_t third = Digits(s, i);
            const bool yearFirst = first == 4 && third >= 1 && third <= 2;
            const bool yearLast = first >= 1 && first <= 2 && (third == 2 || third == 4);
            if (!yearFirst && !yearLast)
                return false;
        }
    }
    if (i == s.size())
        return true;
    if (!IsSpace(s[i]) && s[i] != u'T')
        return false;
    ++i;
    SkipSpaces(s, i);
    return IsTime(s.substr(i));
}

/// 1988, -3, 0.500, 1,000.25, 75%.
bool IsNumber(std::u16string_view s)
{
    size_t i = 0;
    if (!Take(s, i, u'+'))
        (void)Take(s, i, u'-');
    if (Digits(s, i) == 0)
        return false;
    while (i < s.size() && (s[i] == u'.' || s[i] == u',')) {
        ++i;
        if (Digits(s, i) == 0)
            return false;
    }
    (void)Take(s, i, u'%');
    return i == s.size();
}

/// Five digits or more, starting with a digit, "+" or "(", with the
/// characters people write between them (and the pause, wait, star and
/// hash of a dialling string), and perhaps an extension: "+1 212-555-0147
/// x89", "(11) 2345-6789", "+49 (0)30 1234567", "123p45#".
bool IsPhone(std::u16string_view s)
{
    if (s.empty() || (!IsDigit(s[0]) && s[0] != u'+' && s[0] != u'('))
        return false;
    size_t digits = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (IsDigit(c)) {
            ++digits;
        } else if ((c == u'x' || c == u'X' || StartsWithNoCase(s.substr(i), u"ext")) && digits >= 5) {
            i += (c == u'x' || c == u'X') ? 1 : 3;
            (void)Take(s, i, u'.');
            SkipSpaces(s, i);
            return Digits(s, i) > 0 && i == s.size();
        } else if (!IsSpace(c) && std::u16string_view(u"+-()./*#pPwW").find(c) == std::u16string_view::npos) {
            return false;
        }
    }
    return digits >= 5;
}

bool IsEmail(std::u16string_view s)
{
    const size_t at = s.find(u'@');
    if (at == 0 || at == std::u16string_view::npos || s.find(u'@', at + 1) != std::u16string_view::npos)
        return false;
    for (char16_t c : s)
        if (IsSpace(c))
            return false;
    const std::u16string_view domain = s.substr(at + 1);
    const size_t dot = domain.find(u'.');
    return dot != std::u16string_view::npos && dot > 0 && dot + 1 < domain.size();
}

bool IsUrl(std::u16string_view s)
{
    for (char16_t c : s)
        if (IsSpace(c))
            return false;
    for (std::u16string_view scheme : {u"http://", u"https://", u"ftp://", u"www.", u"mailto:"})
        if (s.size() > scheme.size() && StartsWithNoCase(s, scheme))
            return true;
    return false;
}

Shape ShapeOfPart(std::u16string_view s)
{
    if (s.empty())
        return Shape::Empty;
    if (IsEmail(s))
        return Shape::Email;
    if (IsUrl(s))
        return Shape::Url;
    if (IsDate(s))
        return Shape::Date;
    if (IsTime(s))
        return Shape::Time;
    if (IsNumber(s))
        return Shape::Number;
    if (IsPhone(s))
        return Shape::Phone;
    return Shape::Text;
}

/// The cell as it is compared: without white space around it, quote marks
/// and a byte-order mark.
CString Clean(const CString& cell)
{
    CString clean = cell;
    clean.Remove(u'"');
    clean.Remove(u'\uFEFF');
    clean.Trim();
    return clean;
}

/// The shape of a cleaned cell; a list (parts joined by ";" or " ::: ")
/// has the shape its parts share, else it is text.
Shape ShapeOf(const CString& clean)
{
    const std::u16string_view cell = clean;
    if (cell.find(u';') == std::u16string_view::npos && cell.find(u":::") == std::u16string_view::npos)
        return ShapeOfPart(cell);
    CString list = clean;
    list.Replace(u":::", u";");
    std::u16string_view rest = list;
    Shape shared = Shape::Empty;
    for (;;) {
        const size_t end = rest.find(u';');
        std::u16string_view part = rest.substr(0, end);
        while (!part.empty() && IsSpace(part.front()))
            part.remove_prefix(1);
        while (!part.empty() && IsSpace(part.back()))
            part.remove_suffix(1);
        const Shape shape = ShapeOfPart(part);
        if (shape == Shape::Text || (shape != Shape::Empty && shared != Shape::Empty && Family(shape) != Family(shared)))
            return Shape::Text;
        if (shape != Shape::Empty)
            shared = shape;
        if (end == std::u16string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return shared == Shape::Empty ? Shape::Text : shared;
}

/// Whether a record type reads a column of this name.
bool IsKnownName(const CString& clean)
{
    auto same = [&clean](std::u16string_view name) { return clean.CompareNoCase(name) == 0; };
    for (const RecordType& type : RecordTypes()) {
        const CSVLayout& layout = type.layout();
        for (const CSVColumn& column : layout.columns)
            if (same(column.exportName) || same(column.fieldName))
                return true;
        const std::u16string normalised = detail::Normalised(clean.str());
        for (const detail::ColumnName& word : detail::Synonyms(type))
            if (detail::Normalised(word.column) == normalised)
                return true;
        for (const CSVForeignLayout& foreign : layout.foreignLayouts) {
            for (std::u16string_view name : foreign.signature)
                if (same(name))
                    return true;
            for (const auto& [field, column] : foreign.mapping)
                if (same(column))
                    return true;
        }
    }
    for (const detail::HostLayout& layout : detail::HostLayouts())
        for (const detail::ColumnName& name : layout.columns)
            if (same(name.column))
                return true;
    return false;
}

/// The cell in quotes for a reason, cut short when it is long, followed by
/// `says`. (Built by appending: g++ 12 warns falsely of overlapping copies
/// in the chain of + that would say the same.)
std::string Reason(const CString& clean, std::string_view says)
{
    constexpr int kLongest = 40;
    std::string reason = "\"";
    reason += (clean.GetLength() <= kLongest ? clean : clean.Left(kLongest)).ToUtf8();
    reason += clean.GetLength() <= kLongest ? "\"" : "…\"";
    reason += says;
    return reason;
}

} // namespace

HeaderGuess GuessHeader(const CStringArray& header, const std::vector<CStringArray>& rows)
{
    std::vector<std::string> reasons;
    int data = 0;
    int names = 0;
    int known = 0;
    int filled = 0;
    std::vector<CString> cells;
    for (int i = 0; i < header.GetSize(); ++i) {
        const CString cell = Clean(header[i]);
        cells.push_back(cell);
        if (cell.IsEmpty())
            continue;
        ++filled;
        if (IsKnownName(cell)) {
            ++known;
            ++names;
            continue;
        }
        // The shape the column's cells below share, if they share one.
        Shape column = Shape::Empty;
        bool shared = true;
        for (const CStringArray& row : rows) {
            if (i >= row.GetSize())
                continue;
            const Shape below = ShapeOf(Clean(row[i]));
            if (below == Shape::Empty)
                continue;
            if (below == Shape::Text || (column != Shape::Empty && Family(below) != Family(column)))
                shared = false;
            column = below;
        }
        const bool columnHasShape = shared && column != Shape::Empty;
        const Shape shape = ShapeOf(cell);
        if (shape == Shape::Text) {
            names += columnHasShape; // a name over a column of dates, numbers ...
        } else if (columnHasShape && Family(column) == Family(shape)) {
            data += 2;
            reasons.push_back(Reason(cell, std::string(" is ") + Describe(shape) + ", as are the cells below it"));
        } else {
            data += 1;
            std::string says = std::string(" is ") + Describe(shape);
            if (columnHasShape)
                says.append(" over ").append(DescribeColumn(column));
            reasons.push_back(Reason(cell, says));
        }
    }
    if (data > 0) {
        for (size_t i = 0; i < cells.size(); ++i) {
            if (cells[i].IsEmpty())
                continue;
            bool first = true;
            int times = 1;
            for (size_t j = 0; j < cells.size(); ++j) {
                if (j == i || cells[j].Compare(cells[i]) != 0)
                    continue;
                first = first && j > i;
                ++times;
            }
            if (times > 1 && first) {
                ++data;
                reasons.push_back(Reason(cells[i], " stands in " + std::to_string(times) + " columns"));
            }
        }
    }
    HeaderGuess guess;
    guess.looksLikeData = data > names && known * 2 < filled;
    if (guess.looksLikeData)
        guess.reasons = std::move(reasons);
    return guess;
}

} // namespace varno::host
