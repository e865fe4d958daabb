#include "host/Registry.h"

#include "manager/CSVMng.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace varno::host {

namespace {

// Address-book headers and the contact fields they fill. Left out: name
// parts the contact has no field for (title, middle name, suffix, nickname,
// display name, which would overwrite the first name), second and third
// street lines (they would overwrite the street), telephone kinds beyond
// two per kind (every mapped telephone column adds an entry to every
// contact, empty or not), and the short layout's birthday in three columns
// (the library reads one date cell).
constexpr HeaderAlias kAddressBookColumns[] = {
    {u"FIRST_NAME", u"First Name"},
    {u"LAST_NAME", u"Last Name"},
    {u"JOB_TITLE", u"Job Title"},
    {u"DEPARTMENT", u"Department"},
    {u"COMPANY", u"Company"},
    {u"COMPANY", u"Organization"},
    {u"TEL_WORK1", u"Business Phone"},
    {u"TEL_WORK1", u"Work Phone"},
    {u"TEL_WORK2", u"Business Phone 2"},
    {u"TEL_HOME1", u"Home Phone"},
    {u"TEL_HOME2", u"Home Phone 2"},
    {u"TEL_MOBILE1", u"Mobile Phone"},
    {u"TEL_MOBILE1", u"Mobile Number"},
    {u"TEL_FAX1", u"Business Fax"},
    {u"TEL_FAX1", u"Fax Number"},
    {u"TEL_FAX2", u"Home Fax"},
    {u"TEL_OTHER1", u"Other Phone"},
    {u"EMAIL_HOME", u"E-mail Address"},
    {u"EMAIL_HOME", u"Primary Email"},
    {u"EMAIL_WORK", u"E-mail 2 Address"},
    {u"EMAIL_WORK", u"Secondary Email"},
    {u"EMAIL_OTHER", u"E-mail 3 Address"},
    {u"URL_WORK", u"Web Page"},
    {u"URL_WORK", u"Web Page 1"},
    {u"URL_HOME", u"Web Page 2"},
    {u"BIRTHDAY", u"Birthday"},
    {u"ANNIVERSARY", u"Anniversary"},
    {u"ADR_WORK_STREET", u"Business Street"},
    {u"ADR_WORK_STREET", u"Work Address"},
    {u"ADR_WORK_COUNTRY", u"Business Country/Region"},
    {u"ADR_WORK_COUNTRY", u"Work Country"},
    {u"ADR_WORK_CITY", u"Business City"},
    {u"ADR_WORK_CITY", u"Work City"},
    {u"ADR_WORK_STATE", u"Business State"},
    {u"ADR_WORK_STATE", u"Work State"},
    {u"ADR_WORK_ZIP", u"Business Postal Code"},
    {u"ADR_WORK_ZIP", u"Work ZipCode"},
    {u"ADR_HOME_STREET", u"Home Street"},
    {u"ADR_HOME_STREET", u"Home Address"},
    {u"ADR_HOME_COUNTRY", u"Home Country/Region"},
    {u"ADR_HOME_COUNTRY", u"Home Country"},
    {u"ADR_HOME_CITY", u"Home City"},
    {u"ADR_HOME_STATE", u"Home State"},
    {u"ADR_HOME_ZIP", u"Home Postal Code"},
    {u"ADR_HOME_ZIP", u"Home ZipCode"},
    {u"ADR_OTHER_STREET", u"Other Street"},
    {u"ADR_OTHER_COUNTRY", u"Other Country/Region"},
    {u"ADR_OTHER_CITY", u"Other City"},
    {u"ADR_OTHER_STATE", u"Other State"},
    {u"ADR_OTHER_ZIP", u"Other Postal Code"},
    {u"NOTE", u"Notes"},
    {u"GROUP_NAME", u"Categories"},
};

} // namespace

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

std::span<const HeaderAlias> HeaderAliases(const RecordType& type)
{
    // The address books that desktop mail programs export, in their long
    // and their short English layouts (the README has the table).
    if (type.code == CSVTYPE_CONTACT)
        return kAddressBookColumns;
    return {};
}

} // namespace varno::host
