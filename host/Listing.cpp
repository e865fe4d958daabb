#include "host/Listing.h"

#include "engine/CSVItem.h"

#include <nlohmann/json.hpp>

#include <new>

namespace varno::host {

namespace {

using Json = nlohmann::ordered_json;

std::string Dumped(const Json& value)
{
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json ToJson(const ListedValue& value)
{
    if (!value.isList)
        return value.text;
    Json list = Json::array();
    for (const ListedValue::Entry& entry : value.entries) {
        if (entry.parts.empty()) {
            list.push_back(entry.text);
            continue;
        }
        Json object = Json::object();
        for (const auto& [key, text] : entry.parts)
            object[key] = text;
        list.push_back(std::move(object));
    }
    return list;
}

} // namespace

std::string JsonText(const std::string& text)
{
    return Dumped(Json(text));
}

std::string ListedValue::Flat() const
{
    if (!isList)
        return text;
    std::string flat;
    for (const Entry& entry : entries) {
        std::string shown = entry.text;
        for (const auto& [key, part] : entry.parts)
            if (!part.empty())
                shown += (shown.empty() ? "" : " ") + part;
        if (!shown.empty())
            flat += (flat.empty() ? "" : "; ") + shown;
    }
    return flat;
}

std::string ListedRecord::Json() const
{
    host::Json item = host::Json::object();
    item["id"] = id ? host::Json(*id) : host::Json(nullptr);
    for (const auto& [name, value] : fields)
        item[name] = ToJson(value);
    item["deleted"] = deleted;
    return Dumped(item);
}

std::string ListedRecord::Line() const
{
    std::string line = id ? std::to_string(*id) : "-";
    for (const auto& [name, value] : fields)
        line += "  " + name + "=" + Dumped(ToJson(value));
    return line + (deleted ? "  (deleted)\n" : "\n");
}

RecordListing::RecordListing(const RecordType& type) : m_type(type), m_converter(type.create())
{
    if (!m_converter)
        throw std::bad_alloc();
    m_converter->MakeField();
    for (const CString& name : m_converter->m_arrField)
        m_names.push_back(name.ToUtf8());
}

RecordListing::~RecordListing() = default;

ListedRecord RecordListing::Item(void* record, std::optional<std::uint32_t> id, bool deleted)
{
    m_converter->m_nValueCount = 0; // one row at a time
    m_converter->Make(record);
    const CStringArray& row = m_converter->m_pValue[0];
    ListedRecord item;
    item.id = id;
    item.deleted = deleted;
    for (size_t i = 0; i < m_names.size(); ++i) {
        if (m_type.listedInstead && m_type.listedInstead(m_converter->m_arrField[static_cast<int>(i)].str()))
            continue;
        ListedValue value;
        value.text = static_cast<int>(i) < row.GetSize() ? row[static_cast<int>(i)].ToUtf8() : std::string();
        item.fields.emplace_back(m_names[i], std::move(value));
    }
    if (!m_type.listEntries)
        return item;
    for (const CSVEntryList& list : m_type.listEntries(record)) {
        ListedValue value;
        value.isList = true;
        for (const auto& parts : list.entries) {
            ListedValue::Entry entry;
            if (parts.size() == 1 && parts.front().first.empty())
                entry.text = parts.front().second.ToUtf8();
            else
                for (const auto& [key, text] : parts)
                    entry.parts.emplace_back(key, text.ToUtf8());
            value.entries.push_back(std::move(entry));
        }
        // A list takes the place of the export column of its name.
        auto at = std::find_if(item.fields.begin(), item.fields.end(),
                               [&](const auto& field) { return field.first == list.name; });
        if (at != item.fields.end())
            at->second = std::move(value);
        else
            item.fields.emplace_back(list.name, std::move(value));
    }
    return item;
}

} // namespace varno::host
