// The words about each field of each record type. The fields themselves,
// their kinds and the layouts that fill them come from the tables they are
// declared in; a test holds this table to the record types' columns, so a
// field without words, or words for a field that is gone, fails the build's
// tests rather than a person's search.
#include "host/FieldGuide.h"

#include "host/Layouts_p.h"
#include "platform/CString.h"
#include "platform/Locale.h"

#include <unicode/udat.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <map>
#include <memory>

namespace varno::host {

namespace {

struct About {
    std::string_view type;
    std::u16string_view field;
    std::string_view about;
};

// One line per field, in the order of the columns.
constexpr About kAbout[] = {
    {"contact", u"FIRST_NAME", "the first (given) name"},
    {"contact", u"LAST_NAME", "the last (family) name"},
    {"contact", u"JOB_TITLE", "the job title"},
    {"contact", u"DEPARTMENT", "the department of the first organisation"},
    {"contact", u"COMPANY", "the company of the first organisation"},
    {"contact", u"TEL_WORK1", "a work telephone number (the first of two slots)"},
    {"contact", u"TEL_WORK2", "a work telephone number (the second slot)"},
    {"contact", u"TEL_HOME1", "a home telephone number (the first of two slots)"},
    {"contact", u"TEL_HOME2", "a home telephone number (the second slot)"},
    {"contact", u"TEL_MOBILE1", "a mobile telephone number (the first of two slots)"},
    {"contact", u"TEL_MOBILE2", "a mobile telephone number (the second slot)"},
    {"contact", u"TEL_FAX1", "a fax number (the first of two slots)"},
    {"contact", u"TEL_FAX2", "a fax number (the second slot)"},
    {"contact", u"TEL_OTHER1", "another telephone number (the first of two slots)"},
    {"contact", u"TEL_OTHER2", "another telephone number (the second slot)"},
    {"contact", u"EMAIL_HOME", "the home e-mail address"},
    {"contact", u"EMAIL_WORK", "the work e-mail address"},
    {"contact", u"EMAIL_OTHER", "another e-mail address"},
    {"contact", u"URL_WORK", "the work web address"},
    {"contact", u"URL_HOME", "the home web address"},
    {"contact", u"URL_OTHER", "another web address"},
    {"contact", u"BIRTHDAY", "the birthday"},
    {"contact", u"ANNIVERSARY", "the anniversary"},
    {"contact", u"ADR_WORK_STREET", "the street of the work address"},
    {"contact", u"ADR_WORK_COUNTRY", "the country of the work address"},
    {"contact", u"ADR_WORK_CITY", "the city of the work address"},
    {"contact", u"ADR_WORK_STATE", "the state or region of the work address"},
    {"contact", u"ADR_WORK_ZIP", "the postal code of the work address"},
    {"contact", u"ADR_HOME_STREET", "the street of the home address"},
    {"contact", u"ADR_HOME_COUNTRY", "the country of the home address"},
    {"contact", u"ADR_HOME_CITY", "the city of the home address"},
    {"contact", u"ADR_HOME_STATE", "the state or region of the home address"},
    {"contact", u"ADR_HOME_ZIP", "the postal code of the home address"},
    {"contact", u"ADR_OTHER_STREET", "the street of another address"},
    {"contact", u"ADR_OTHER_COUNTRY", "the country of another address"},
    {"contact", u"ADR_OTHER_CITY", "the city of another address"},
    {"contact", u"ADR_OTHER_STATE", "the state or region of another address"},
    {"contact", u"ADR_OTHER_ZIP", "the postal code of another address"},
    {"contact", u"NOTE", "a note (each mapped column adds one)"},
    {"contact", u"GROUP_NAME", "the groups the contact belongs to (each is created when the store lacks it)"},
    {"calendar", u"summary", "the title of the entry"},
    {"calendar", u"start_time", "when the entry starts"},
    {"calendar", u"end_time", "when the entry ends"},
    {"calendar", u"allday", "whether it lasts all day: 1 or TRUE, else 0"},
    {"calendar", u"alarm_runtime", "when the alarm rings, or one of the suite's alarm words (\"15분전\", ...)"},
    {"calendar", u"description", "the notes of the entry"},
    {"calendar", u"location", "where it takes place"},
    {"todo", u"summary", "the title of the to-do item"},
    {"todo", u"start_time", "when work on it starts (export writes the column \"start_date\")"},
    {"todo", u"due_date", "when it is due"},
    {"todo", u"description", "the notes of the item"},
    {"todo", u"completed", "whether it is done: 0 open, 6 completed (also the suite's words \"완료\" and \"비완료\")"},
    {"todo", u"priority", "its priority: 1 high, 5 normal, 9 low (also the suite's words \"높음\", \"중간\", \"낮음\")"},
    {"memo", u"memo", "the text of the memo"},
    {"memo", u"color", "the memo's colour, as the suite keeps it"},
    {"message", u"mailbox", "the box: 1, 2, 3 or 4 (anything else is 2)"},
    {"message", u"time", "when it was sent or received"},
    {"message", u"content", "the text of the message"},
    {"message", u"sender", "the sender's number"},
    {"message", u"receiver", "the receivers' numbers, separated by \";\""},
    {"email", u"title", "the subject"},
    {"email", u"content", "the text of the e-mail"},
    {"email", u"sender", "the sender's address"},
    {"email", u"receiver", "the receivers' addresses, separated by \";\""},
    {"email", u"cc", "the addresses of copies, separated by \";\""},
    {"email", u"bcc", "the addresses of blind copies, separated by \";\""},
    {"email", u"time", "when it was sent or received"},
};

bool SameName(std::u16string_view a, std::u16string_view b)
{
    return CString(a).CompareNoCase(CString(b)) == 0;
}

std::string Utf8(std::u16string_view text)
{
    return CString(text).ToUtf8();
}

/// "3/4/26, 2:30 PM": 4 March 2026 at 14:30 in the locale's short form.
std::string DateExample(const std::string& locale)
{
    UErrorCode status = U_ZERO_ERROR;
    const UChar zone[] = u"UTC";
    std::unique_ptr<UDateFormat, decltype(&udat_close)> format(
        udat_open(UDAT_SHORT, UDAT_SHORT, locale.c_str(), zone, -1, nullptr, 0, &status), &udat_close);
    if (U_FAILURE(status))
        return {};
    UChar text[64];
    const int32_t length = udat_format(format.get(), 1772634600000.0, text, 64, nullptr, &status); // 2026-03-04 14:30 UTC
    if (U_FAILURE(status) || length >= 64)
        return {};
    return CString(std::u16string_view(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(length))).ToUtf8();
}

std::string FormatOf(const RecordType& type, const CSVColumn& column, const std::string& locale)
{
    std::string text;
    switch (column.kind) {
    case CSVCellKind::Date: {
        const std::string example = DateExample(locale.empty() ? GetUserLocale() : locale);
        text = "a date and time: as export writes it (\"2026-03-04 14:30\"), or in the locale's order" +
               (example.empty() ? std::string() : " (\"" + example + "\" in " +
                                                      (locale.empty() ? GetUserLocale() : locale) + ")") +
               ", or a day count; \"None\" and dates of zeros stay empty, a date that cannot be read is left "
               "empty and named";
        break;
    }
    case CSVCellKind::Telephone:
        text = "a telephone number: digits, \"+\", \"*\", \"#\" and pauses (\"p\", \"w\") are kept; a \"(0)\" after "
               "a country code is dropped, letters are keyed as digits, an extension follows a \"p\"";
        break;
    case CSVCellKind::GroupName:
        text = "group names: several in one cell (\";\", \",\" or \" ::: \" between them) link the contact to "
               "each; \"no group\" links none";
        break;
    case CSVCellKind::Alarm:
        text = "a date and time as for start_time, or an alarm word of the suite";
        break;
    case CSVCellKind::Text: break;
    }
    // Other programs' words for a value, grouped by the number they give.
    std::vector<std::pair<std::string, std::string>> byValue;
    for (const detail::ValueWord& word : detail::ValueWords(type)) {
        if (!SameName(word.field, column.fieldName))
            continue;
        const std::string value = Utf8(word.text);
        auto group = std::find_if(byValue.begin(), byValue.end(), [&](const auto& g) { return g.first == value; });
        if (group == byValue.end())
            group = byValue.insert(byValue.end(), {value, {}});
        group->second += (group->second.empty() ? "" : ", ") + Utf8(word.word);
    }
    for (const auto& [value, words] : byValue)
        text += (text.empty() ? "" : "; ") + value + " also from " + words;
    return text;
}

/// The columns of other programs' typed groups ("Phone 1 - Type" beside
/// "Phone 1 - Value") that fill a field, as the read plan sorts them.
std::string TypedColumn(std::u16string_view field)
{
    const std::string name = Utf8(field);
    auto starts = [&](std::string_view head) { return name.rfind(head, 0) == 0; };
    if (starts("TEL_") && name.back() == '1')
        return "\"Phone N - Value\" by its type";
    if (starts("EMAIL_"))
        return "\"E-mail N - Value\" by its type";
    if (starts("URL_"))
        return "\"Website N - Value\" by its type";
    if (name == "ANNIVERSARY")
        return "\"Event N - Value\" of type anniversary";
    if (starts("ADR_")) {
        static const std::pair<std::string_view, std::string_view> kParts[] = {
            {"_STREET", "Street"}, {"_CITY", "City"}, {"_STATE", "Region"}, {"_ZIP", "Postal Code"},
            {"_COUNTRY", "Country"}};
        for (const auto& [suffix, part] : kParts)
            if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                return "\"Address N - " + std::string(part) + "\" by its type";
    }
    if (name == "COMPANY")
        return "\"Organization 1 - Name\"";
    if (name == "JOB_TITLE")
        return "\"Organization 1 - Title\"";
    if (name == "DEPARTMENT")
        return "\"Organization 1 - Department\"";
    return {};
}

void AddOnce(std::vector<std::string>& list, std::string item)
{
    if (std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(std::move(item));
}

} // namespace

std::vector<FieldGuide> DescribeFields(const RecordType& type, const std::string& locale)
{
    const CSVLayout& layout = type.layout();
    std::vector<FieldGuide> guides;
    for (const CSVColumn& column : layout.columns) {
        FieldGuide guide;
        guide.field = Utf8(column.fieldName);
        if (column.exportName != column.fieldName)
            guide.column = Utf8(column.exportName);
        for (const About& about : kAbout)
            if (about.type == type.name && about.field == column.fieldName)
                guide.about = about.about;
        guide.format = FormatOf(type, column, locale);
        guide.principal = column.principal;

        // The auto-mapping takes a column named as the field or as its
        // export column, then the words people use for it.
        guide.headers.push_back(guide.field);
        if (!guide.column.empty())
            guide.headers.push_back(guide.column);
        for (const detail::ColumnName& word : detail::Synonyms(type))
            if (SameName(word.field, column.fieldName))
                AddOnce(guide.headers, Utf8(word.column));

        for (const CSVForeignLayout& foreign : layout.foreignLayouts)
            for (const auto& [field, from] : foreign.mapping)
                if (SameName(field, column.fieldName))
                    AddOnce(guide.layouts, std::string(foreign.description) + ": \"" + Utf8(from) + "\"");
        for (const detail::HostLayout& host : detail::HostLayouts()) {
            if (host.type != type.name)
                continue;
            std::string from;
            for (const detail::ColumnName& named : host.columns)
                if (SameName(named.field, column.fieldName))
                    from += (from.empty() ? "\"" : ", \"") + Utf8(named.column) + "\"";
            if (column.kind == CSVCellKind::GroupName && !host.groups.empty())
                from += (from.empty() ? "\"" : ", \"") + Utf8(host.groups) + "\"";
            if (!host.displayName.empty() && (guide.field == "FIRST_NAME" || guide.field == "LAST_NAME"))
                from += (from.empty() ? "\"" : ", \"") + Utf8(host.displayName) + "\" (a whole name)";
            if (guide.field == "BIRTHDAY" && !host.birthParts[0].empty())
                from += (from.empty() ? "" : ", ") + ("\"" + Utf8(host.birthParts[0]) + "\", \"" +
                                                      Utf8(host.birthParts[1]) + "\", \"" + Utf8(host.birthParts[2]) +
                                                      "\" (year, month, day)");
            if (host.typedGroups)
                if (const std::string typed = TypedColumn(column.fieldName); !typed.empty())
                    from += (from.empty() ? "" : ", ") + typed;
            if (!from.empty())
                AddOnce(guide.layouts, std::string(host.description) + ": " + from);
        }
        guides.push_back(std::move(guide));
    }
    return guides;
}

} // namespace varno::host
