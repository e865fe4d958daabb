// vCard 2.1, 3.0 and 4.0 to and from the contact's own CSV layout.
//
// Why a codec of our own rather than a packaged library: no single packaged
// library reads all three versions (belcard reads 4.0 only; vformat reads
// 2.1 and 3.0 but leaves CHARSET conversion, 4.0's parameters and the
// slotting by TYPE to its caller), and either would still need this file's
// mapping onto the layout's slots. The grammar that remains is small (line
// folding, quoted-printable, parameters, escapes), so reading it here keeps
// one set of rules, one set of refusals with line numbers and no further
// dependency; CHARSET conversion is ICU's.
//
// Reading. Lines end in CRLF, LF or CR. A line starting with a space or tab
// continues the one before (3.0/4.0 folding, also seen in 2.1 files); a
// quoted-printable value ending in "=" continues on the next line (2.1's
// soft line break). Logical lines are bounded by kVCardLineLimit. In 2.1 a
// bare parameter word is a TYPE ("TEL;CELL;HOME:") or an ENCODING; values
// are decoded from quoted-printable, then from their CHARSET (ICU; without
// one, UTF-8 when they are, else the code page in use), then unescaped. A
// 3.0 or 4.0 vCard must be UTF-8.
//
// Counting walks the same logical lines with the same checks of the file's
// structure, but reads no value into a row: a vCard is only read whole where
// its values could be refused (bytes that are not UTF-8, a CHARSET,
// quoted-printable), so a count is the number of rows a read hands over, or
// the same refusal.
//
// Slots. The layout holds two telephones of each kind (work, home, mobile,
// fax, other), one e-mail and one web address of each of work, home and
// other, one postal address of each of those, a birthday, an anniversary,
// one note and (through the host's splitting of group cells) every
// category. Entries with PREF come first within their kind. An entry whose
// kind's slots are taken goes to a free "other" slot, and is said; one
// that finds none is not stored, and is said.
//
// Dates. 19850412, 1985-04-12 and either with a time give the layout's
// "YYYY-MM-DD hh:mm". A date without a year (--0412, --04-12) is not
// stored and is said: the store holds dates with a year, and inventing one
// would store what the file did not say.
#include "host/VCard.h"

#include "host/Registry.h"
#include "host/Session.h"
#include "host/ContentLine_p.h"
#include "host/Ascii_p.h"
#include "host/Utf8_p.h"

#include "platform/CString.h"
#include "platform/CodePage.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

namespace varno::host {

namespace {

using namespace detail;

[[noreturn]] void Refuse(const std::string& message)
{
    throw Error(Error::Kind::Refused, message);
}

/// Quoted-printable: =XX is a byte; an "=" that starts no such pair stays.
std::string DecodeQuotedPrintable(std::string_view text)
{
    auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

/// One property of a vCard: "item1.TEL;TYPE=cell,pref:+1 555".
struct Property {
    std::string name;                                         ///< upper case, group left out
    std::vector<std::pair<std::string, std::string>> params;  ///< name upper case, each value of a list apart
    std::string value;                                        ///< as in the file, after unfolding
    int64_t line = 0;

    [[nodiscard]] bool Has(std::string_view param, std::string_view value = {}) const
    {
        return std::any_of(params.begin(), params.end(), [&](const auto& p) {
            return p.first == param && (value.empty() || EqualNoCase(p.second, value));
        });
    }
    [[nodiscard]] std::string Param(std::string_view param) const
    {
        for (const auto& p : params)
            if (p.first == param)
                return p.second;
        return {};
    }
};

/// Splits at `separator` outside double quotes.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view text, char separator)
{
    std::vector<std::string_view> pieces;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == separator && !quoted) {
            pieces.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::string_view Unquoted(std::string_view text)
{
    text = Trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

/// The name of a property from the part of its line before the colon: up
/// to the first ";" outside quotes, trimmed, without its group ("item1.").
std::string_view PropertyName(std::string_view head)
{
    size_t end = head.find(';');
    if (head.substr(0, end).find('"') != std::string_view::npos) {
        bool quoted = false;
        for (end = 0; end < head.size() && (head[end] != ';' || quoted); ++end)
            if (head[end] == '"')
                quoted = !quoted;
    }
    std::string_view name = Trim(head.substr(0, end));
    if (const size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1); // a group: "item1.EMAIL"
    return name;
}

/// The offset of a logical line's first ":" outside double quotes, which
/// ends its name and parameters; npos when it has none.
size_t PropertyColon(std::string_view line)
{
    // Most lines hold no quote before their colon: two searches then answer.
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || line.substr(0, colon).find('"') == std::string_view::npos)
        return colon;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            return i;
    }
    return std::string_view::npos;
}

/// The property of a logical line; false when it has no ":".
bool ParseProperty(std::string_view line, Property& out)
{
    const size_t colon = PropertyColon(line);
    if (colon == std::string_view::npos)
        return false;
    const std::vector<std::string_view> parts = SplitOutsideQuotes(line.substr(0, colon), ';');
    const std::string_view name = PropertyName(line.substr(0, colon));
    out.name = Upper(name);
    out.params.clear();
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string_view param = Trim(parts[i]);
        if (param.empty())
            continue;
        const size_t equals = param.find('=');
        if (equals == std::string_view::npos) {
            // 2.1: a bare word is a type or an encoding.
            const std::string word = Upper(param);
            const bool encoding = word == "QUOTED-PRINTABLE" || word == "BASE64" || word == "8BIT" || word == "7BIT";
            out.params.emplace_back(encoding ? "ENCODING" : "TYPE", word);
            continue;
        }
        const std::string pname = Upper(Trim(param.substr(0, equals)));
        for (std::string_view value : SplitOutsideQuotes(param.substr(equals + 1), ','))
            out.params.emplace_back(pname, std::string(Unquoted(value)));
    }
    out.value = std::string(line.substr(colon + 1));
    return true;
}

/// Splits a value at unescaped `separator` and unescapes each piece.
std::vector<std::string> SplitValue(std::string_view value, char separator, bool v21)
{
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            if (next == ';' || next == ',' || (!v21 && next == '\\'))
                pieces.back() += next;
            else if (!v21 && (next == 'n' || next == 'N'))
                pieces.back() += "\r\n"; // the store's line break, as 2.1's =0D=0A gives
            else
                pieces.back().append({c, next});
        } else if (c == separator) {
            pieces.emplace_back();
        } else {
            pieces.back() += c;
        }
    }
    return pieces;
}

/// The contact layout's columns by name.
class Columns {
public:
    Columns()
    {
        const RecordType* type = FindRecordType("contact");
        for (const CSVColumn& column : type->layout().columns)
            m_names.push_back(CString(column.exportName).ToUtf8());
        for (size_t i = 0; i < m_names.size(); ++i)
            m_index.emplace(m_names[i], i);
    }
    [[nodiscard]] size_t Size() const { return m_names.size(); }
    [[nodiscard]] size_t operator[](std::string_view name) const
    {
        const auto at = m_index.find(name);
        return at == m_index.end() ? m_names.size() : at->second; // Size() when the layout has no such column
    }

private:
    std::vector<std::string> m_names;
    std::unordered_map<std::string_view, size_t> m_index; ///< into m_names, which no longer changes
};

const Columns& ContactColumns()
{
    static const Columns columns;
    return columns;
}

/// What a file held that the layout could not, counted per kind. Beyond
/// kVCardNoteKinds kinds (a file of invented property names) the rest are counted
/// together, so that what is said stays short.
class Losses {
public:
    void Add(const std::string& what, int64_t line)
    {
        if (const auto at = m_index.find(what); at != m_index.end()) {
            ++m_items[at->second].count;
        } else if (m_items.size() < kVCardNoteKinds) {
            m_index.emplace(what, m_items.size());
            m_items.push_back({what, 1, line});
        } else {
            if (m_more.count++ == 0)
                m_more.line = line;
        }
    }
    void Say(const std::string& shown, const NoteSink& note) const
    {
        if (!note)
            return;
        auto say = [&](const Item& item) {
            note(shown + ": " + item.what + " (" + std::to_string(item.count) + (item.count == 1 ? " value" : " values") +
                 ", the first on line " + std::to_string(item.line) + ")");
        };
        for (const Item& item : m_items)
            say(item);
        if (m_more.count > 0)
            say({"more of further kinds not read or not stored", m_more.count, m_more.line});
    }

private:
    struct Item {
        std::string what;
        long long count;
        int64_t line;
    };
    std::vector<Item> m_items;
    std::unordered_map<std::string, size_t> m_index;
    Item m_more{{}, 0, 0};
};

/// "YYYY-MM-DD hh:mm" of a vCard date, or why not.
std::optional<std::string> ReadDate(std::string_view text, std::string& why)
{
    text = Trim(text);
    auto digits = [&](size_t at, size_t n) {
        if (at + n > text.size())
            return -1;
        int value = 0;
        for (size_t i = at; i < at + n; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return -1;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    if (text.substr(0, 2) == "--") {
        why = "without a year";
        return std::nullopt;
    }
    why = "that is not a date";
    const int year = digits(0, 4);
    const bool dashed = text.size() > 4 && text[4] == '-';
    const int month = digits(dashed ? 5 : 4, 2);
    const int day = digits(dashed ? 8 : 6, 2);
    const size_t end = dashed ? 10 : 8;
    if (year < 0 || month < 0 || (dashed && text.size() > 7 && text[7] != '-'))
        return std::nullopt;
    if (day < 0) {
        if (text.size() == (dashed ? 7u : 6u) && month >= 1 && month <= 12)
            why = "without a day";
        return std::nullopt;
    }
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 100 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1] ||
        (month == 2 && day == 29 && !leap))
        return std::nullopt;
    int hour = 0, minute = 0;
    if (text.size() > end) {
        if (text[end] != 'T' && text[end] != 't')
            return std::nullopt;
        const size_t t = end + 1;
        hour = digits(t, 2);
        const bool colon = text.size() > t + 2 && text[t + 2] == ':';
        minute = text.size() > t + 2 ? digits(colon ? t + 3 : t + 2, 2) : 0;
        if (hour < 0 || hour > 23 || minute < 0 || minute > 59)
            return std::nullopt;
    }
    char out[32];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d", year, month, day, hour, minute);
    return std::string(out);
}

/// What a property gives the contact.
enum class Gives { Skip, N, FN, ORG, TITLE, NOTE, BDAY, ANNIVERSARY, CATEGORIES, TEL, EMAIL, URL, ADR, Other };

const std::unordered_map<std::string_view, Gives> kProperties = {
    {"VERSION", Gives::Skip}, {"PRODID", Gives::Skip}, {"REV", Gives::Skip}, {"UID", Gives::Skip},
    {"KIND", Gives::Skip}, {"CLIENTPIDMAP", Gives::Skip}, {"N", Gives::N}, {"FN", Gives::FN}, {"ORG", Gives::ORG},
    {"TITLE", Gives::TITLE}, {"NOTE", Gives::NOTE}, {"BDAY", Gives::BDAY}, {"ANNIVERSARY", Gives::ANNIVERSARY},
    {"X-ANNIVERSARY", Gives::ANNIVERSARY}, {"X-MS-ANNIVERSARY", Gives::ANNIVERSARY},
    {"X-EVOLUTION-ANNIVERSARY", Gives::ANNIVERSARY}, {"CATEGORIES", Gives::CATEGORIES}, {"TEL", Gives::TEL},
    {"EMAIL", Gives::EMAIL}, {"URL", Gives::URL}, {"ADR", Gives::ADR}};

/// Reads the properties of one vCard into a contact row.
class CardReader {
public:
    CardReader(const std::string& shown, Losses& losses) : m_shown(shown), m_losses(losses) {}

    void Read(const std::vector<Property>& properties, int version, LayoutRow& row)
    {
        m_version = version;
        m_row = &row;
        row.assign(m_columns.Size(), std::string());
        m_telephones.clear();
        m_nets.clear();
        m_addresses.clear();
        std::string formatted;
        bool named = false;
        std::vector<std::string> categories;
        for (const Property& p : properties) {
            const std::string& n = p.name;
            const auto known = kProperties.find(n);
            const Gives what = known == kProperties.end() ? Gives::Other : known->second;
            if (what == Gives::Skip)
                continue; // about the file, not the contact
            if (what == Gives::N) {
                const std::vector<std::string> parts = Structured(p, ';');
                if (named) {
                    m_losses.Add("a second N not stored", p.line);
                    continue;
                }
                named = !Trim(parts[0]).empty() || (parts.size() > 1 && !Trim(parts[1]).empty());
                Put("LAST_NAME", parts.size() > 0 ? parts[0] : std::string());
                std::string given = parts.size() > 1 ? parts[1] : std::string();
                if (parts.size() > 2 && !Trim(parts[2]).empty()) // middle names go with the given ones
                    given += (given.empty() ? "" : " ") + parts[2];
                Put("FIRST_NAME", given);
                if ((parts.size() > 3 && !Trim(parts[3]).empty()) || (parts.size() > 4 && !Trim(parts[4]).empty()))
                    m_losses.Add("N's honorific prefix or suffix not stored", p.line);
            } else if (what == Gives::FN) {
                formatted = Text(p);
            } else if (what == Gives::ORG) {
                const std::vector<std::string> parts = Structured(p, ';');
                if (!Once("COMPANY", parts[0], p, "a second ORG not stored"))
                    continue;
                if (parts.size() > 1)
                    Put("DEPARTMENT", parts[1]);
                if (parts.size() > 2)
                    m_losses.Add("ORG's units beyond the department not stored", p.line);
            } else if (what == Gives::TITLE) {
                (void)Once("JOB_TITLE", Text(p), p, "a second TITLE not stored");
            } else if (what == Gives::NOTE) {
                (void)Once("NOTE", Text(p), p, "a NOTE beyond the first not stored");
            } else if (what == Gives::BDAY) {
                Date("BIRTHDAY", p);
            } else if (what == Gives::ANNIVERSARY) {
                Date("ANNIVERSARY", p);
            } else if (what == Gives::CATEGORIES) {
                for (std::string& name : Structured(p, ','))
                    if (!Trim(name).empty())
                        categories.emplace_back(Trim(name));
            } else if (what == Gives::TEL) {
                std::string value = Text(p);
                if (EqualNoCase(std::string_view(value).substr(0, 4), "tel:")) {
                    // A tel: URI's parameters (";ext=102") are no digits of
                    // the number.
                    value.erase(0, 4);
                    if (const size_t semicolon = value.find(';'); semicolon != std::string::npos) {
                        m_losses.Add("TEL's URI parameters (an extension) not stored", p.line);
                        value.erase(semicolon);
                    }
                }
                m_telephones.push_back({TelephoneKind(p), Rank(p), p.line, value, {}});
            } else if (what == Gives::EMAIL || what == Gives::URL) {
                m_nets.push_back({NetKind(p) + (what == Gives::URL ? 3 : 0), Rank(p), p.line, Text(p), {}});
            } else if (what == Gives::ADR) {
                m_addresses.push_back({NetKind(p), Rank(p), p.line, std::string(), Structured(p, ';')});
            } else {
                m_losses.Add("not read: " + n, p.line);
            }
        }
        if (!named && !formatted.empty()) {
            // "Ana Maria Lima": the last word is the last name.
            const std::string_view whole = Trim(formatted);
            const size_t space = whole.find_last_of(' ');
            Put("FIRST_NAME", std::string(space == std::string_view::npos ? whole : Trim(whole.substr(0, space))));
            Put("LAST_NAME", std::string(space == std::string_view::npos ? std::string_view() : whole.substr(space + 1)));
        }
        PlaceTelephones();
        PlaceNets();
        PlaceAddresses();
        std::string groups;
        for (const std::string& name : categories)
            groups += (groups.empty() ? "" : " ::: ") + name; // the host links each name of the cell
        Put("GROUP_NAME", groups);
    }

private:
    struct Entry {
        int kind;  ///< telephones: work home mobile fax other; e-mail/web: work home other (+3 for web)
        int rank;  ///< PREF first
        int64_t line;
        std::string value;
        std::vector<std::string> parts; ///< an address's
    };

    /// The value decoded to UTF-8: quoted-printable, then its CHARSET.
    std::string Decoded(const Property& p)
    {
        std::string bytes = p.Has("ENCODING", "QUOTED-PRINTABLE") ? DecodeQuotedPrintable(p.value) : p.value;
        if (bytes.find('\0') != std::string::npos) // "=00": the library's reader would end the text there
            Refuse(m_shown + ": line " + std::to_string(p.line) + " holds a NUL in its " + p.name +
                   " value; the file may be damaged");
        const std::string charset = p.Param("CHARSET");
        if (!charset.empty() && !EqualNoCase(charset, "UTF-8") && !EqualNoCase(charset, "UTF8"))
            return FromCharset(bytes, charset, p.line);
        if (const size_t bad = detail::FirstNonUtf8Byte(bytes); bad != std::string::npos) {
            if (m_version != 21 || !charset.empty())
                Refuse(m_shown + ": line " + std::to_string(p.line) + " is not UTF-8 (the byte " + Hex(bytes[bad]) +
                       " in its " + p.name + " value), as " +
                       (charset.empty() ? "a vCard " + std::string(m_version == 40 ? "4.0" : "3.0") + " must be"
                                        : std::string("its CHARSET says")) +
                       "; save the file again as UTF-8");
            // 2.1 without a CHARSET: the code page in use.
            const unsigned codePage = GetACP();
            const std::u16string text = MultiByteToWideChar(codePage, bytes);
            if (codePage == CP_UTF8 || text.find(u'\uFFFD') != std::u16string::npos)
                Refuse(m_shown + ": line " + std::to_string(p.line) + " holds bytes that are not text in code page " +
                       std::to_string(codePage) + " (the byte " + Hex(bytes[bad]) + " in its " + p.name +
                       " value) and names no CHARSET: use --codepage with the code page the file was written in");
            return CString(text).ToUtf8();
        }
        return bytes;
    }

    std::string FromCharset(const std::string& bytes, const std::string& charset, int64_t line)
    {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<UConverter, void (*)(UConverter*)> converter(ucnv_open(charset.c_str(), &status), ucnv_close);
        if (U_FAILURE(status) || !converter)
            Refuse(m_shown + ": line " + std::to_string(line) + " names CHARSET=" + charset +
                   ", a character set ICU does not know; save the file again as UTF-8");
        ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        std::u16string text(bytes.size() * 2 + 2, u'\0');
        const int32_t n = ucnv_toUChars(converter.get(), text.data(), static_cast<int32_t>(text.size()), bytes.data(),
                                        static_cast<int32_t>(bytes.size()), &status);
        if (U_FAILURE(status))
            Refuse(m_shown + ": line " + std::to_string(line) + " holds bytes that are not text in " + charset +
                   ", its CHARSET; save the file again as UTF-8");
        text.resize(static_cast<size_t>(n));
        return CString(text).ToUtf8();
    }

    static std::string Hex(char c)
    {
        char text[8];
        std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
        return text;
    }

    std::string Text(const Property& p)
    {
        std::string text;
        for (const std::string& piece : SplitValue(Decoded(p), '\0', m_version == 21))
            text += piece;
        return text;
    }
    std::vector<std::string> Structured(const Property& p, char separator)
    {
        return SplitValue(Decoded(p), separator, m_version == 21);
    }

    void Put(std::string_view column, const std::string& value)
    {
        const size_t at = m_columns[column];
        if (at < m_row->size())
            (*m_row)[at] = value;
    }
    /// Puts a value into a column that holds one; a later one is lost.
    bool Once(std::string_view column, const std::string& value, const Property& p, const std::string& lost)
    {
        const size_t at = m_columns[column];
        if (at >= m_row->size())
            return false;
        if (!(*m_row)[at].empty()) {
            m_losses.Add(lost, p.line);
            return false;
        }
        (*m_row)[at] = value;
        return true;
    }

    void Date(std::string_view column, const Property& p)
    {
        std::string why;
        const std::optional<std::string> date = ReadDate(Text(p), why);
        if (!date)
            m_losses.Add(p.name + " " + why + " not stored", p.line);
        else
            (void)Once(column, *date, p, "a second " + p.name + " not stored");
    }

    /// The TYPE words of a property, lower case.
    static std::vector<std::string> Types(const Property& p)
    {
        std::vector<std::string> types;
        // TYPE="work,voice" is a list too.
        for (const auto& [name, value] : p.params)
            if (name == "TYPE")
                for (std::string_view word : SplitOutsideQuotes(value, ','))
                    types.push_back(Lower(Trim(word)));
        return types;
    }
    static int Rank(const Property& p)
    {
        const std::string pref = p.Param("PREF");
        if (!pref.empty())
            return std::clamp(std::atoi(pref.c_str()), 1, 100);
        const std::vector<std::string> types = Types(p);
        return std::find(types.begin(), types.end(), "pref") != types.end() ? 1 : 101;
    }
    static int TelephoneKind(const Property& p)
    {
        const std::vector<std::string> types = Types(p);
        auto has = [&](std::string_view word) { return std::find(types.begin(), types.end(), word) != types.end(); };
        return has("fax") ? 3 : has("cell") ? 2 : has("work") ? 0 : has("home") ? 1 : 4;
    }
    static int NetKind(const Property& p)
    {
        const std::vector<std::string> types = Types(p);
        auto has = [&](std::string_view word) { return std::find(types.begin(), types.end(), word) != types.end(); };
        return has("work") ? 0 : has("home") ? 1 : 2;
    }

    void PlaceTelephones()
    {
        static const char* const kSlots[][2] = {{"TEL_WORK1", "TEL_WORK2"},     {"TEL_HOME1", "TEL_HOME2"},
                                                {"TEL_MOBILE1", "TEL_MOBILE2"}, {"TEL_FAX1", "TEL_FAX2"},
                                                {"TEL_OTHER1", "TEL_OTHER2"}};
        std::stable_sort(m_telephones.begin(), m_telephones.end(),
                         [](const Entry& a, const Entry& b) { return a.rank < b.rank; });
        for (const Entry& entry : m_telephones) {
            if (Trim(entry.value).empty())
                continue;
            if (Free(kSlots[entry.kind][0], entry.value) || Free(kSlots[entry.kind][1], entry.value))
                continue;
            if (Free(kSlots[4][0], entry.value) || Free(kSlots[4][1], entry.value))
                m_losses.Add("TEL stored as an other number, the two slots of its kind being taken", entry.line);
            else
                m_losses.Add("TEL not stored: the layout holds two numbers of each kind and two others", entry.line);
        }
    }
    void PlaceNets()
    {
        static const char* const kSlots[] = {"EMAIL_WORK", "EMAIL_HOME", "EMAIL_OTHER",
                                             "URL_WORK",   "URL_HOME",   "URL_OTHER"};
        std::stable_sort(m_nets.begin(), m_nets.end(), [](const Entry& a, const Entry& b) { return a.rank < b.rank; });
        for (const Entry& entry : m_nets) {
            if (Trim(entry.value).empty() || Free(kSlots[entry.kind], entry.value))
                continue;
            const bool web = entry.kind >= 3;
            const std::string name = web ? "URL" : "EMAIL";
            if (Free(kSlots[web ? 5 : 2], entry.value))
                m_losses.Add(name + " stored as an other one, the slot of its kind being taken", entry.line);
            else
                m_losses.Add(name + " not stored: the layout holds one of each of work, home and other", entry.line);
        }
    }
    void PlaceAddresses()
    {
        static const char* const kSlots[] = {"ADR_WORK_", "ADR_HOME_", "ADR_OTHER_"};
        std::stable_sort(m_addresses.begin(), m_addresses.end(),
                         [](const Entry& a, const Entry& b) { return a.rank < b.rank; });
        std::array<bool, 3> used{};
        for (Entry& entry : m_addresses) {
            std::vector<std::string>& parts = entry.parts;
            parts.resize(7);
            // Post office box, extended address and street: one street.
            std::string street;
            for (size_t i = 0; i < 3; ++i)
                if (!Trim(parts[i]).empty())
                    street += (street.empty() ? "" : ", ") + parts[i];
            if (street.empty() && std::all_of(parts.begin() + 3, parts.end(),
                                              [](const std::string& s) { return Trim(s).empty(); }))
                continue;
            size_t slot = static_cast<size_t>(entry.kind);
            if (used[slot]) {
                if (used[2]) {
                    m_losses.Add("ADR not stored: the layout holds one of each of work, home and other", entry.line);
                    continue;
                }
                m_losses.Add("ADR stored as an other one, the slot of its kind being taken", entry.line);
                slot = 2;
            }
            used[slot] = true;
            const std::string prefix = kSlots[slot];
            Put(prefix + "STREET", street);
            Put(prefix + "CITY", parts[3]);
            Put(prefix + "STATE", parts[4]);
            Put(prefix + "ZIP", parts[5]);
            Put(prefix + "COUNTRY", parts[6]);
        }
    }
    bool Free(std::string_view column, const std::string& value)
    {
        const size_t at = m_columns[column];
        if (at >= m_row->size() || !(*m_row)[at].empty())
            return false;
        (*m_row)[at] = value;
        return true;
    }

    const std::string& m_shown;
    Losses& m_losses;
    const Columns& m_columns = ContactColumns();
    int m_version = 30;
    LayoutRow* m_row = nullptr;
    std::vector<Entry> m_telephones, m_nets, m_addresses;
};

/// The end of the physical line that starts at `from`: the offset of the
/// first CR, LF or NUL, or the text's size. `high` is set when a byte
/// beyond ASCII comes before it.
size_t PhysicalEnd(std::string_view text, size_t from, bool& high)
{
    // Eight bytes at a time: a word without CR, LF or NUL is passed at once.
    // (x - 0x01..) & ~x & 0x80.. is nonzero exactly when x holds a zero
    // byte; a word that holds one is walked byte by byte.
    constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
    auto zeroIn = [](uint64_t x) { return (x - kOnes) & ~x & kHighs; };
    const char* bytes = text.data();
    size_t i = from;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        if ((zeroIn(word) | zeroIn(word ^ (kOnes * '\r')) | zeroIn(word ^ (kOnes * '\n'))) == 0) {
            high = high || (word & kHighs) != 0;
            continue;
        }
        break;
    }
    for (; i < text.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n' || c == '\0')
            return i;
        high = high || static_cast<unsigned char>(c) >= 0x80;
    }
    return i;
}

/// The logical lines of a text, unfolded, each with the line it starts on.
class LineReader {
public:
    /// A whole file: a byte-order mark at its start is left out.
    LineReader(std::string_view text, const std::string& shown) : m_text(text), m_shown(shown)
    {
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF")
            m_text.remove_prefix(3); // a byte-order mark
    }
    /// The part of a file that starts at the beginning of line
    /// `linesBefore` + 1, read again.
    LineReader(std::string_view text, const std::string& shown, int64_t linesBefore)
        : m_text(text), m_shown(shown), m_line(linesBefore)
    {
    }

    /// The next logical line, valid until the next call; false at the end
    /// of the text.
    bool Next(std::string_view& line, int64_t& number)
    {
        std::string_view physical;
        bool high = false;
        size_t start = 0;
        do {
            start = m_at;
            high = false;
            if (!Physical(physical, high))
                return false;
        } while (Trim(physical).empty());
        number = m_line;
        m_start = start;
        m_high = high;
        line = physical;
        bool joined = false; // line is m_joined
        for (;;) {
            const bool softBreak = !line.empty() && line.back() == '=' && QuotedPrintable(line);
            const size_t at = m_at;
            const int64_t atLine = m_line;
            std::string_view more;
            bool moreHigh = false;
            if (!Physical(more, moreHigh))
                break;
            const bool folded = !more.empty() && (more.front() == ' ' || more.front() == '\t');
            if (!softBreak && !folded) {
                m_at = at; // not a continuation: read again next time
                m_line = atLine;
                break;
            }
            if (!joined)
                m_joined.assign(line);
            joined = true;
            if (softBreak) {
                m_joined.pop_back();
                m_joined.append(more);
            } else {
                m_joined.append(more.substr(1));
            }
            m_high = m_high || moreHigh;
            line = m_joined;
            if (line.size() > kVCardLineLimit)
                Refuse(m_shown + ": the line that starts on line " + std::to_string(number) +
                       " goes on, folded, beyond " + std::to_string(kVCardLineLimit >> 20) +
                       " MiB: it is not read; the file may be damaged, or a value in it (a photo?) too large");
        }
        if (line.size() > kVCardLineLimit)
            Refuse(m_shown + ": line " + std::to_string(number) + " is longer than " +
                   std::to_string(kVCardLineLimit >> 20) + " MiB: it is not read; the file may be damaged");
        return true;
    }

    /// The text read (without its byte-order mark).
    [[nodiscard]] std::string_view Text() const { return m_text; }
    /// Where in Text() the last logical line starts.
    [[nodiscard]] size_t Start() const { return m_start; }
    /// Whether the last logical line holds a byte beyond ASCII.
    [[nodiscard]] bool HighBytes() const { return m_high; }

private:
    /// The next physical line. Each line is scanned once: a line looked
    /// at for a continuation and then left is kept for the next call.
    bool Physical(std::string_view& out, bool& high)
    {
        if (m_at >= m_text.size())
            return false;
        if (m_keptAt != m_at) {
            bool keptHigh = false;
            const size_t end = PhysicalEnd(m_text, m_at, keptHigh);
            if (end < m_text.size() && m_text[end] == '\0')
                Refuse(m_shown + ": line " + std::to_string(m_line + 1) +
                       " holds a NUL byte, which no vCard holds; the file may be damaged or not a vCard file");
            size_t next = end;
            if (next < m_text.size() && m_text[next] == '\r')
                ++next;
            if (next < m_text.size() && m_text[next] == '\n')
                ++next;
            m_keptAt = m_at;
            m_kept = m_text.substr(m_at, end - m_at);
            m_keptNext = next;
            m_keptHigh = keptHigh;
        }
        out = m_kept;
        high = m_keptHigh;
        m_at = m_keptNext;
        ++m_line;
        return true;
    }
    /// Whether the line's parameters (before its first ":") say
    /// quoted-printable.
    static bool QuotedPrintable(std::string_view line)
    {
        const std::string head = Upper(line.substr(0, std::min(line.find(':'), size_t{512})));
        return head.find("QUOTED-PRINTABLE") != std::string::npos;
    }

    std::string_view m_text;
    const std::string& m_shown;
    size_t m_at = 0;
    int64_t m_line = 0;
    size_t m_start = 0;
    bool m_high = false;
    std::string m_joined; ///< a logical line of several physical ones
    size_t m_keptAt = std::string_view::npos;
    std::string_view m_kept;
    size_t m_keptNext = 0;
    bool m_keptHigh = false;
};

/// At most 40 bytes of a line for a message, quoted: a UTF-8 sequence cut
/// at the end is left out, control characters and bytes of text that is
/// not UTF-8 are shown as "?".
std::string Excerpt(std::string_view line)
{
    size_t size = std::min(line.size(), size_t{40});
    while (size > 0 && size < line.size() && (static_cast<unsigned char>(line[size]) & 0xC0) == 0x80)
        --size;
    std::string text(line.substr(0, size));
    const bool utf8 = detail::FirstNonUtf8Byte(text) == std::string::npos;
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || (!utf8 && static_cast<unsigned char>(c) >= 0x80))
            c = '?';
    return "\"" + text + (size < line.size() ? "...\"" : "\"");
}

bool IsLine(std::string_view line, std::string_view what)
{
    return EqualNoCase(Trim(line), what);
}

/// Whether `text` holds `word` (upper case) in any letter case.
bool ContainsNoCase(std::string_view text, std::string_view word)
{
    for (size_t i = 0; i + word.size() <= text.size(); ++i)
        if (UpperAscii(text[i]) == word[0] && EqualNoCase(text.substr(i, word.size()), word))
            return true;
    return false;
}

/// 21, 30 or 40 for the value of VERSION; refuses any other.
int CardVersion(std::string_view value, const std::string& at, int64_t line)
{
    const std::string_view v = Trim(value);
    if (v == "2.1" || v == "3.0" || v == "4.0")
        return v[0] == '2' ? 21 : v[0] == '3' ? 30 : 40;
    Refuse(at + std::to_string(line) + ": VERSION " + Excerpt(v) +
           " is not a vCard version this reads (2.1, 3.0, 4.0)");
}

/// The walk through a file's vCards that reading and counting share, so
/// that both refuse the same files at the same line: every line outside a
/// vCard is BEGIN:VCARD, every vCard ends before the next begins and before
/// the file does, and there is one at least. `Card` is handed each vCard's
/// BEGIN (OnBegin(lines, line)), each of its properties (OnProperty(line,
/// colon, number, whether the line holds a byte beyond ASCII)) and its END
/// (OnEnd(begin), false to stop there). The number of vCards.
template <class Card>
long long WalkVCards(LineReader& lines, const std::string& shown, Card& card)
{
    std::string_view line;
    int64_t number = 0, begin = 0;
    bool inside = false;
    long long cards = 0;
    const std::string at = shown + ": line ";
    while (lines.Next(line, number)) {
        const std::string_view trimmed = Trim(line);
        const bool isBegin = trimmed.size() >= 6 && EqualNoCase(trimmed.substr(0, 6), "BEGIN:");
        const bool isEnd = trimmed.size() >= 4 && EqualNoCase(trimmed.substr(0, 4), "END:");
        if (!inside) {
            if (IsLine(trimmed, "BEGIN:VCARD")) {
                inside = true;
                begin = number;
                card.OnBegin(lines, number);
                continue;
            }
            if (IsLine(trimmed, "END:VCARD"))
                Refuse(at + std::to_string(number) + " ends a vCard that no BEGIN:VCARD started; "
                                                     "the file may be damaged or cut");
            Refuse(at + std::to_string(number) + " is not part of a vCard (" + Excerpt(trimmed) +
                   "): a vCard file holds BEGIN:VCARD ... END:VCARD only; is it a vCard file?");
        }
        if (isBegin)
            Refuse(at + std::to_string(number) + " begins " + Excerpt(trimmed.substr(6)) +
                   " inside the vCard that begins on line " + std::to_string(begin) +
                   ": a vCard inside another is not read; the file may be damaged");
        if (isEnd && !IsLine(trimmed, "END:VCARD"))
            Refuse(at + std::to_string(number) + " ends " + Excerpt(trimmed.substr(4)) +
                   " inside the vCard that begins on line " + std::to_string(begin) + "; the file may be damaged");
        if (isEnd) {
            inside = false;
            ++cards;
            if (!card.OnEnd(begin))
                return cards;
            continue;
        }
        const size_t colon = PropertyColon(line);
        if (colon == std::string_view::npos)
            Refuse(at + std::to_string(number) + " is not a property (NAME:value) of the vCard that begins on line " +
                   std::to_string(begin) + "; the file may be damaged");
        card.OnProperty(line, colon, number, lines.HighBytes());
    }
    if (inside)
        Refuse(shown + ": the vCard that begins on line " + std::to_string(begin) +
               " has no END:VCARD; the file may be cut off: save it again from the program that wrote it");
    if (cards == 0)
        Refuse(shown + " holds no vCard (BEGIN:VCARD ... END:VCARD)");
    return cards;
}

/// Reads each vCard into a row for `each`.
class ReadingCards {
public:
    /// `oneCard`: stop after the first vCard.
    ReadingCards(const std::string& shown, LayoutRowSink each, bool oneCard)
        : m_at(shown + ": line "), m_each(std::move(each)), m_reader(shown, m_losses), m_oneCard(oneCard)
    {
    }
    void OnBegin(const LineReader&, int64_t) { m_properties.clear(); }
    void OnProperty(std::string_view line, size_t, int64_t number, bool)
    {
        Property property;
        (void)ParseProperty(line, property); // the walk has found its colon
        property.line = number;
        m_properties.push_back(std::move(property));
    }
    bool OnEnd(int64_t begin)
    {
        int version = 0;
        for (const Property& p : m_properties)
            if (p.name == "VERSION" && version == 0)
                version = CardVersion(p.value, m_at, p.line);
        if (version != 21)
            for (const Property& p : m_properties)
                if (!p.Has("CHARSET") && detail::FirstNonUtf8Byte(p.value) != std::string::npos)
                    Refuse(m_at + std::to_string(p.line) + " is not UTF-8 (in its " + p.name + " value), as a vCard " +
                           (version == 40 ? "4.0" : "3.0") + " must be; save the file again as UTF-8");
        m_reader.Read(m_properties, version ? version : 30, m_row);
        if (m_each)
            m_each(m_row, begin);
        return !m_oneCard;
    }
    [[nodiscard]] const Losses& Lost() const { return m_losses; }

private:
    const std::string m_at;
    const LayoutRowSink m_each;
    Losses m_losses;
    CardReader m_reader; ///< holds m_losses
    std::vector<Property> m_properties;
    LayoutRow m_row;
    bool m_oneCard;
};

/// Counts the vCards without reading them into rows. A vCard that the
/// reader could refuse for its values (bytes that are not UTF-8, a
/// CHARSET, quoted-printable) is read as the reader reads it, and refused
/// where it is; of every other vCard, only the version is checked, the one
/// refusal left to a vCard whose values are UTF-8 without CHARSET or
/// quoted-printable.
class CountingCards {
public:
    CountingCards(const std::string& shown, const std::function<void()>& counted)
        : m_shown(shown), m_at(shown + ": line "), m_counted(counted)
    {
    }
    void OnBegin(const LineReader& lines, int64_t line)
    {
        m_text = lines.Text().substr(lines.Start());
        m_linesBefore = line - 1;
        m_version.clear();
        m_versionLine = 0;
        m_readAgain = false;
    }
    void OnProperty(std::string_view line, size_t colon, int64_t number, bool high)
    {
        if (m_readAgain)
            return;
        const std::string_view head = line.substr(0, colon);
        if ((high && detail::FirstNonUtf8Byte(line.substr(colon + 1)) != std::string_view::npos) ||
            ContainsNoCase(head, "QUOTED-PRINTABLE") || ContainsNoCase(head, "CHARSET")) {
            m_readAgain = true;
            return;
        }
        if (m_versionLine == 0 && EqualNoCase(PropertyName(head), "VERSION")) {
            m_versionLine = number;
            m_version = line.substr(colon + 1); // refused, if at all, at the END as the reader does
        }
    }
    bool OnEnd(int64_t)
    {
        if (m_readAgain) {
            LineReader lines(m_text, m_shown, m_linesBefore);
            if (!m_again)
                m_again.emplace(m_shown, LayoutRowSink(), true);
            (void)WalkVCards(lines, m_shown, *m_again);
        } else if (m_versionLine > 0) {
            (void)CardVersion(m_version, m_at, m_versionLine);
        }
        if (m_counted)
            m_counted();
        return true;
    }

private:
    const std::string& m_shown;
    const std::string m_at;
    const std::function<void()>& m_counted;
    std::string_view m_text; ///< from the vCard's BEGIN on
    int64_t m_linesBefore = 0;
    std::string m_version;
    int64_t m_versionLine = 0;
    bool m_readAgain = false;
    std::optional<ReadingCards> m_again;
};

} // namespace

void ReadVCards(std::string_view text, const std::string& shown, const LayoutRowSink& each, const NoteSink& note)
{
    LineReader lines(text, shown);
    ReadingCards cards(shown, each, false);
    (void)WalkVCards(lines, shown, cards);
    cards.Lost().Say(shown, note);
}

long long CountVCards(std::string_view text, const std::string& shown, const std::function<void()>& counted)
{
    LineReader lines(text, shown);
    CountingCards cards(shown, counted);
    return WalkVCards(lines, shown, cards);
}

// ---------------------------------------------------------------------------
// Writing. Each line is appended to the output as it is made and folded
// there when it is longer than 75 octets; no text is copied for it.

namespace {

/// Appends a text value escaped: a backslash, and a comma and a semicolon
/// unless not `separators`, get a backslash; CR LF, CR and LF each become
/// "\n". (A URL's commas and semicolons are its own; its backslashes and
/// line breaks are escaped, as the reader reads every value's escapes.)
void AppendEscaped(std::string& out, std::string_view text, bool separators = true)
{
    size_t plain = 0; // the start of the octets not yet appended
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n' && c != '\\' && (!separators || (c != ',' && c != ';')))
            continue;
        out.append(text.substr(plain, i - plain));
        plain = i + 1;
        if (c == '\r' || c == '\n') {
            out.append("\\n");
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                plain = ++i + 1;
        } else {
            out.append({'\\', c});
        }
    }
    out.append(text.substr(plain));
}

/// The layout's columns the writer reads, in the order of kWritten.
enum Written : size_t {
    FirstName, LastName, Company, Department, JobTitle,
    TelWork1, TelWork2, TelHome1, TelHome2, TelMobile1, TelMobile2, TelFax1, TelFax2, TelOther1, TelOther2,
    EmailWork, EmailHome, EmailOther, UrlWork, UrlHome, UrlOther, Birthday, Anniversary,
    AdrWork, AdrHome = AdrWork + 5, AdrOther = AdrHome + 5, Note = AdrOther + 5, GroupName, kWrittenCount
};

/// The index in the contact layout of each column in Written, or the
/// layout's size for one it lacks.
const std::array<size_t, kWrittenCount>& WrittenColumns()
{
    static const std::array<size_t, kWrittenCount> columns = [] {
        const Columns& all = ContactColumns();
        const char* names[] = {
            "FIRST_NAME", "LAST_NAME", "COMPANY", "DEPARTMENT", "JOB_TITLE", "TEL_WORK1", "TEL_WORK2", "TEL_HOME1",
            "TEL_HOME2", "TEL_MOBILE1", "TEL_MOBILE2", "TEL_FAX1", "TEL_FAX2", "TEL_OTHER1", "TEL_OTHER2",
            "EMAIL_WORK", "EMAIL_HOME", "EMAIL_OTHER", "URL_WORK", "URL_HOME", "URL_OTHER", "BIRTHDAY",
            "ANNIVERSARY", "ADR_WORK_STREET", "ADR_WORK_CITY", "ADR_WORK_STATE", "ADR_WORK_ZIP",
            "ADR_WORK_COUNTRY", "ADR_HOME_STREET", "ADR_HOME_CITY", "ADR_HOME_STATE", "ADR_HOME_ZIP",
            "ADR_HOME_COUNTRY", "ADR_OTHER_STREET", "ADR_OTHER_CITY", "ADR_OTHER_STATE", "ADR_OTHER_ZIP",
            "ADR_OTHER_COUNTRY", "NOTE", "GROUP_NAME"};
        static_assert(std::size(names) == kWrittenCount);
        std::array<size_t, kWrittenCount> at{};
        for (size_t i = 0; i < kWrittenCount; ++i)
            at[i] = all[names[i]];
        return at;
    }();
    return columns;
}

} // namespace

VCardWriter::VCardWriter(int version) : m_version(version == 4 ? 4 : 3) {}

std::string VCardWriter::Write(const LayoutRow& row)
{
    std::string out;
    Write(row, out);
    return out;
}

void VCardWriter::Write(const LayoutRow& row, std::string& out)
{
    const std::array<size_t, kWrittenCount>& columns = WrittenColumns();
    auto cell = [&](size_t which) -> std::string_view {
        const size_t at = columns[which];
        return at < row.size() ? std::string_view(row[at]) : std::string_view();
    };
    const bool v4 = m_version == 4;
    size_t start = 0; // where the line being made begins in `out`
    auto begin = [&](std::string_view name) { start = out.size(), out.append(name); };
    auto end = [&] { detail::EndContentLine(out, start, m_line); };
    auto type = [&](const char* v3, const char* v4Word) { out.append(";TYPE=").append(v4 ? v4Word : v3); };
    auto escaped = [&](std::string_view text) { AppendEscaped(out, text); };

    out.append(v4 ? "BEGIN:VCARD\r\nVERSION:4.0\r\n" : "BEGIN:VCARD\r\nVERSION:3.0\r\n");
    const std::string_view first = cell(FirstName), last = cell(LastName);
    begin("N:"), escaped(last), out += ';', escaped(first), out.append(";;;"), end();
    begin("FN:");
    if (first.empty() && last.empty()) {
        escaped(cell(Company));
    } else {
        escaped(first);
        if (!first.empty() && !last.empty())
            out += ' ';
        escaped(last);
    }
    end();
    if (!cell(Company).empty() || !cell(Department).empty()) {
        begin("ORG:"), escaped(cell(Company));
        if (!cell(Department).empty())
            out += ';', escaped(cell(Department));
        end();
    }
    if (!cell(JobTitle).empty())
        begin("TITLE:"), escaped(cell(JobTitle)), end();
    static constexpr struct {
        Written column;
        const char *v3, *v4;
    } kTelephones[] = {{TelWork1, "WORK,VOICE", "work,voice"}, {TelWork2, "WORK,VOICE", "work,voice"},
                       {TelHome1, "HOME,VOICE", "home,voice"}, {TelHome2, "HOME,VOICE", "home,voice"},
                       {TelMobile1, "CELL", "cell"},           {TelMobile2, "CELL", "cell"},
                       {TelFax1, "FAX", "fax"},                {TelFax2, "FAX", "fax"},
                       {TelOther1, "VOICE", "voice"},          {TelOther2, "VOICE", "voice"}};
    for (const auto& telephone : kTelephones) {
        std::string_view number = Trim(cell(telephone.column));
        // The export's numbers stand between quotes that keep a
        // spreadsheet from reading them as numbers.
        if (number.size() >= 2 && number.front() == '"' && number.back() == '"')
            number = Trim(number.substr(1, number.size() - 2));
        if (!number.empty())
            begin("TEL"), type(telephone.v3, telephone.v4), out += ':', escaped(number), end();
    }
    // An e-mail address of no kind is INTERNET in 3.0; a URL is not
    // escaped: it holds no separator of its own.
    static constexpr struct {
        Written column;
        const char *name, *v3, *v4;
    } kNets[] = {{EmailWork, "EMAIL", "WORK", "work"}, {EmailHome, "EMAIL", "HOME", "home"},
                 {EmailOther, "EMAIL", "INTERNET", nullptr}, {UrlWork, "URL", "WORK", "work"},
                 {UrlHome, "URL", "HOME", "home"},       {UrlOther, "URL", nullptr, nullptr}};
    for (const auto& net : kNets) {
        const std::string_view value = cell(net.column);
        if (value.empty())
            continue;
        begin(net.name);
        if (v4 ? net.v4 != nullptr : net.v3 != nullptr)
            type(net.v3, net.v4);
        out += ':';
        // A URL's commas and semicolons are its own; a line break written as
        // it is would end the property, and a backslash would start an escape.
        AppendEscaped(out, value, net.column < UrlWork);
        end();
    }
    // 3.0 has no anniversary; programs write it as X-ANNIVERSARY.
    for (const Written column : {Birthday, Anniversary}) {
        const std::string_view value = Trim(cell(column));
        std::string why;
        const std::optional<std::string> date = ReadDate(value.substr(0, 10), why);
        if (value.empty() || !date)
            continue;
        begin(column == Birthday ? "BDAY:" : v4 ? "ANNIVERSARY:" : "X-ANNIVERSARY:");
        if (v4)
            out.append(*date, 0, 4).append(*date, 5, 2).append(*date, 8, 2);
        else
            out.append(*date, 0, 10);
        // A time of day other than midnight is kept.
        if (value.size() >= 16 && value.substr(11, 5) != "00:00") {
            if (v4)
                out.append("T").append(value.substr(11, 2)).append(value.substr(14, 2)).append("00");
            else
                out.append("T").append(value.substr(11, 5)).append(":00");
        }
        end();
    }
    static constexpr struct {
        Written first; // STREET, CITY, STATE, ZIP, COUNTRY follow
        const char *v3, *v4;
    } kAddresses[] = {{AdrWork, "WORK", "work"}, {AdrHome, "HOME", "home"}, {AdrOther, "POSTAL", nullptr}};
    for (const auto& address : kAddresses) {
        const size_t at = address.first;
        if (cell(at).empty() && cell(at + 1).empty() && cell(at + 2).empty() && cell(at + 3).empty() &&
            cell(at + 4).empty())
            continue;
        begin("ADR");
        if (!v4 || address.v4)
            type(address.v3, address.v4);
        out.append(":;;");
        for (size_t part = 0; part < 5; ++part) {
            if (part > 0)
                out += ';';
            escaped(cell(at + part));
        }
        end();
    }
    if (!cell(Note).empty())
        begin("NOTE:"), escaped(cell(Note)), end();
    if (!cell(GroupName).empty())
        begin("CATEGORIES:"), escaped(cell(GroupName)), end();
    out.append("END:VCARD\r\n");
}

} // namespace varno::host
