#include "host/Registry.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace varno::host {

std::span<const RecordType> RecordTypes()
{
    return CSVRecordTypes();
}

const RecordType* FindRecordType(std::string_view word)
{
    unsigned long code = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), code);
    const bool isCode = !word.empty() && error == std::errc() && end == word.data() + word.size();
    auto sameWord = [word](std::string_view name) {
        return word.size() == name.size() && std::equal(word.begin(), word.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == b;
               });
    };
    for (const RecordType& type : RecordTypes())
        if (sameWord(type.name) || (isCode && code == type.code))
            return &type;
    return nullptr;
}

std::string TypeNames(std::string_view between)
{
    std::string names;
    for (const RecordType& type : RecordTypes())
        names += (names.empty() ? "" : std::string(between)) + std::string(type.name);
    return names;
}

std::string TypeCodes()
{
    const auto types = RecordTypes();
    return std::to_string(types.front().code) + " to " + std::to_string(types.back().code);
}

std::string Counted(const RecordType& type, long long n)
{
    return std::to_string(n) + " " + std::string(n == 1 ? type.singular : type.plural);
}

} // namespace varno::host
