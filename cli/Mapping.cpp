#include "cli/Mapping.h"

#include <algorithm>

namespace varno::cli {

namespace {

/// The position of the first header name equal to `name` ignoring case, as
/// the library matches columns; -1 when there is none.
int FindColumn(const CStringArray& header, std::u16string_view name)
{
    for (int i = 0; i < header.GetSize(); ++i)
        if (header[i].CompareNoCase(name) == 0)
            return i;
    return -1;
}

bool Matches(const ForeignLayout& layout, const CStringArray& header)
{
    // The library looks at a layout only when there are more than three
    // columns; the signature is compared exactly.
    if (header.GetSize() < 4 || header.GetSize() < static_cast<int>(layout.signature.size()))
        return false;
    for (size_t i = 0; i < layout.signature.size(); ++i)
        if (header[static_cast<int>(i)].Compare(layout.signature[i]) != 0)
            return false;
    return true;
}

std::string Quoted(const CString& text)
{
    std::string quoted = "\"";
    quoted += text.ToUtf8();
    quoted += '"';
    return quoted;
}

} // namespace

std::optional<std::pair<std::string, std::string>> SplitMapPair(std::string_view argument)
{
    const size_t equals = argument.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return std::pair{std::string(argument.substr(0, equals)), std::string(argument.substr(equals + 1))};
}

Mapping MappingFromPairs(const std::vector<std::string>& pairs)
{
    Mapping mapping;
    mapping.given = true;
    for (const std::string& argument : pairs) {
        // The command line has already rejected arguments without "=".
        if (auto pair = SplitMapPair(argument)) {
            mapping.fieldNames.AddTail(CString::FromUtf8(pair->first));
            mapping.fileColumns.AddTail(CString::FromUtf8(pair->second));
        }
    }
    return mapping;
}

Mapping AutoMapping(const RecordType& type, const CStringArray& header)
{
    Mapping mapping;
    std::vector<std::u16string_view> mapped;
    auto add = [&](std::u16string_view field, const CString& column) {
        mapping.fieldNames.AddTail(CString(field));
        mapping.fileColumns.AddTail(column);
        mapped.push_back(field);
    };
    for (const ForeignLayout& layout : type.layouts) {
        if (!Matches(layout, header))
            continue;
        mapping.layout = std::string(layout.description);
        for (const auto& [field, column] : layout.mapping)
            if (FindColumn(header, column) >= 0)
                add(field, CString(column));
        break;
    }
    for (std::u16string_view field : type.fields) {
        if (std::find(mapped.begin(), mapped.end(), field) != mapped.end())
            continue;
        int column = FindColumn(header, field);
        for (auto alias = type.aliases.begin(); column < 0 && alias != type.aliases.end(); ++alias)
            if (alias->first == field)
                column = FindColumn(header, alias->second);
        if (column >= 0)
            add(field, header[column]);
    }
    return mapping;
}

std::string DescribeMapping(const Mapping& mapping)
{
    if (mapping.fieldNames.IsEmpty())
        return "no field of the file is mapped";
    std::string text;
    auto column = mapping.fileColumns.begin();
    for (const CString& field : mapping.fieldNames) {
        if (!text.empty())
            text += ", ";
        text += field.ToUtf8() + " <- ";
        text += column != mapping.fileColumns.end() ? Quoted(*column++) : std::string("(no column)");
    }
    return text;
}

std::vector<std::string> FileWarnings(std::string_view firstBytes, const CStringArray& header, const Mapping* mapping)
{
    std::vector<std::string> warnings;
    if (firstBytes.substr(0, 3) == "\xEF\xBB\xBF")
        warnings.push_back("the file starts with a UTF-8 byte-order mark, which stays in front of the first column "
                           "name, so that column matches no field; save the file without the mark (or as UTF-16)");
    if (header.GetSize() == 1 && header[0].Find(u';') >= 0)
        warnings.push_back("the header reads as a single column containing \";\": columns are separated by commas "
                           "or tabs, not by semicolons");
    if (mapping && mapping->given)
        for (const CString& column : mapping->fileColumns)
            if (FindColumn(header, column) < 0)
                warnings.push_back("--map column " + Quoted(column) + " is not in the header; its field stays empty");
    return warnings;
}

} // namespace varno::cli
