#include "host/Mapping.h"

#include "host/Layouts_p.h"

#include <algorithm>

namespace varno::host {

namespace {

CString Trimmed(CString text)
{
    while (!text.IsEmpty() && text[0] == u' ')
        text = text.Mid(1);
    while (!text.IsEmpty() && text[text.GetLength() - 1] == u' ')
        text = text.Left(text.GetLength() - 1);
    return text;
}

bool SameField(const CString& a, std::u16string_view b)
{
    return a.CompareNoCase(b) == 0;
}

} // namespace

std::string Quoted(const CString& text)
{
    // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) about
    // "\"" + std::string.
    std::string quoted = "\"";
    quoted += text.ToUtf8();
    quoted += '"';
    return quoted;
}

std::string ShellWord(std::string_view text)
{
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::string_view("_-./:,+@%").find(c) != std::string_view::npos;
    });
    if (plain)
        return std::string(text);
    std::string word = "'";
    for (char c : text)
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

CString Header::Matched(int i) const
{
    const CString& name = names[i];
    if (i == 0 && !mark.IsEmpty() && name.Left(mark.GetLength()) == mark)
        return name.Mid(mark.GetLength());
    return name;
}

int Header::Find(std::u16string_view name, bool trim) const
{
    for (int i = 0; i < names.GetSize(); ++i) {
        const CString matched = trim ? Trimmed(Matched(i)) : Matched(i);
        if (matched.CompareNoCase(name) == 0)
            return i;
    }
    return -1;
}

std::string Header::List() const
{
    std::string list;
    for (int i = 0; i < names.GetSize(); ++i)
        list += (i ? ", " : "") + Quoted(Matched(i));
    return list;
}

std::optional<std::pair<std::string, std::string>> SplitMapPair(std::string_view argument)
{
    const size_t equals = argument.find('=');
    if (equals == std::string_view::npos || equals == 0 || equals + 1 == argument.size())
        return std::nullopt;
    return std::pair{std::string(argument.substr(0, equals)), std::string(argument.substr(equals + 1))};
}

std::string CheckMapFields(const RecordType& type, const std::vector<std::string>& maps)
{
    const CSVLayout& layout = type.layout();
    for (const std::string& argument : maps) {
        const auto pair = SplitMapPair(argument);
        if (!pair)
            continue;
        const CString field = CString::FromUtf8(pair->first);
        const bool known = std::any_of(layout.columns.begin(), layout.columns.end(),
                                       [&](const CSVColumn& column) { return SameField(field, column.fieldName); });
        if (!known) {
            std::string fields;
            for (const CSVColumn& column : layout.columns)
                fields += (fields.empty() ? "" : ", ") + CString(column.fieldName).ToUtf8();
            return "--map " + argument + ": " + std::string(type.name) + " has no field \"" + pair->first +
                   "\" (its fields: " + fields + "; \"varnocsv fields " + std::string(type.name) +
                   "\" says what each holds)";
        }
    }
    return {};
}

Mapping MappingFromPairs(const std::vector<std::string>& pairs, const Header& header, std::string& problem)
{
    Mapping mapping;
    mapping.given = true;
    for (const std::string& argument : pairs) {
        const auto pair = SplitMapPair(argument); // the command line has refused any other
        if (!pair)
            continue;
        const CString column = CString::FromUtf8(pair->second);
        const int found = header.Find(column.str(), false);
        if (found < 0) {
            problem = "--map column " + Quoted(column) + " is not in the header; its columns are " + header.List();
            return mapping;
        }
        mapping.fieldNames.AddTail(CString::FromUtf8(pair->first));
        mapping.fileColumns.AddTail(header.names[found]);
    }
    return mapping;
}

Mapping AutoMapping(const RecordType& type, const Header& header)
{
    const CSVLayout& layout = type.layout();
    Mapping mapping;
    std::vector<std::u16string_view> mapped;
    std::vector<bool> taken(static_cast<size_t>(header.names.GetSize()), false);
    auto add = [&](std::u16string_view field, int column) {
        mapping.fieldNames.AddTail(CString(field));
        mapping.fileColumns.AddTail(header.names[column]);
        mapped.push_back(field);
        taken[static_cast<size_t>(column)] = true;
    };
    bool known = false;
    for (const CSVForeignLayout& foreign : layout.foreignLayouts) {
        // As the library recognises it: on the names as the file spells them.
        if (!foreign.Matches(header.names))
            continue;
        mapping.layout = std::string(foreign.description);
        for (const auto& [field, column] : foreign.mapping)
            if (const int found = header.Find(column, false); found >= 0)
                add(field, found);
        known = true;
        break;
    }
    if (!known) {
        if (const detail::HostLayout* host = detail::RecogniseHostLayout(type, header)) {
            mapping.layout = std::string(host->description);
            mapping.hostLayout = host;
            for (const detail::ColumnName& name : host->columns)
                if (const int found = header.Find(name.column, true); found >= 0 && !taken[static_cast<size_t>(found)])
                    add(name.field, found);
            if (const int found = header.Find(host->groups, true); !host->groups.empty() && found >= 0)
                add(u"GROUP_NAME", found);
            return mapping; // the layout's own columns, no guesses beside them
        }
    }
    // A column named like the field, its export name, or a word for it.
    std::vector<std::u16string> normalised;
    for (int i = 0; i < header.names.GetSize(); ++i)
        normalised.push_back(detail::Normalised(header.Matched(i).str()));
    const std::vector<detail::ColumnName>& words = detail::Synonyms(type);
    for (const CSVColumn& column : layout.columns) {
        if (std::find(mapped.begin(), mapped.end(), column.fieldName) != mapped.end())
            continue;
        int found = header.Find(column.fieldName, true);
        if (found < 0)
            found = header.Find(column.exportName, true);
        for (const detail::ColumnName& word : words) {
            if (found >= 0)
                break;
            if (word.field != column.fieldName)
                continue;
            const std::u16string wanted = detail::Normalised(word.column);
            for (size_t i = 0; found < 0 && i < normalised.size(); ++i)
                if (!taken[i] && normalised[i] == wanted)
                    found = static_cast<int>(i);
        }
        if (found >= 0 && !taken[static_cast<size_t>(found)])
            add(column.fieldName, found);
    }
    // Then the column names of the layouts the host knows, for a file that
    // takes some of a program's columns but not enough of them to be
    // recognised as its layout (a program exporting a subset of a desktop
    // mail program's address book: "Home Street", "Home City"). Whole-name
    // columns are left to the rule below.
    const std::vector<std::u16string_view>& names = detail::WholeNameWords(type);
    for (const detail::HostLayout& host : detail::HostLayouts()) {
        if (host.type != type.name)
            continue;
        for (const detail::ColumnName& name : host.columns) {
            if (std::find(mapped.begin(), mapped.end(), name.field) != mapped.end())
                continue;
            const std::u16string wanted = detail::Normalised(name.column);
            if (std::find(names.begin(), names.end(), wanted) != names.end())
                continue;
            for (size_t i = 0; i < normalised.size(); ++i) {
                if (!taken[i] && normalised[i] == wanted) {
                    add(name.field, static_cast<int>(i));
                    break;
                }
            }
        }
    }
    // A column of whole names: beside a first name it holds the last one;
    // alone, the names are taken from it.
    for (size_t i = 0; i < normalised.size() && !names.empty(); ++i) {
        if (taken[i] || std::find(names.begin(), names.end(), normalised[i]) == names.end())
            continue;
        const bool first = std::find(mapped.begin(), mapped.end(), names.front()) != mapped.end();
        const bool last = std::find(mapped.begin(), mapped.end(), names[1]) != mapped.end();
        if (first && !last && normalised[i] == u"name")
            add(names[1], static_cast<int>(i));
        else if (!first && !last)
            mapping.wholeName = header.names[static_cast<int>(i)];
        break;
    }
    return mapping;
}

std::string CheckFilled(const RecordType& type, const Mapping& mapping)
{
    const CSVLayout& layout = type.layout();
    std::string fields, principal;
    for (const CSVColumn& column : layout.columns) {
        fields += (fields.empty() ? "" : ", ") + CString(column.fieldName).ToUtf8();
        if (column.principal)
            principal += (principal.empty() ? "" : " or ") + CString(column.fieldName).ToUtf8();
    }
    if (!mapping.wholeName.IsEmpty())
        return {}; // the names come from it
    if (mapping.fieldNames.IsEmpty())
        return "no header column is named after a field of " + std::string(type.name) + " (" + fields +
               "); map columns with --map FIELD=COLUMN (\"varnocsv fields " + std::string(type.name) +
               "\" lists the fields and the column names each takes)";
    for (const CString& field : mapping.fieldNames)
        for (const CSVColumn& column : layout.columns)
            if (column.principal && SameField(field, column.fieldName))
                return {};
    if (principal.empty())
        return {};
    return "nothing would fill " + principal + ", so every " + std::string(type.singular) +
           " would be stored without it; map a column to it with --map " + principal.substr(0, principal.find(' ')) +
           "=COLUMN (\"varnocsv fields " + std::string(type.name) + "\" lists the fields)";
}

std::string DescribeMapping(const Mapping& mapping, const CString& mark)
{
    std::string text;
    auto column = mapping.fileColumns.begin();
    for (const CString& field : mapping.fieldNames) {
        if (!text.empty())
            text += ", ";
        const CString& name = *column++;
        const bool marked = !mark.IsEmpty() && name.Left(mark.GetLength()) == mark;
        text += field.ToUtf8() + " <- " + Quoted(marked ? name.Mid(mark.GetLength()) : name);
    }
    return text;
}

} // namespace varno::host
