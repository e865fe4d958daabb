#include "cli/Listing.h"

#include "engine/CSVItem.h"

namespace varno::cli {

std::string Dumped(const nlohmann::ordered_json& value)
{
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

RecordListing::RecordListing(const RecordType& type, const CSVLayout& layout)
    : m_type(type), m_converter(layout.create())
{
    m_converter->MakeField();
    for (const CString& name : m_converter->m_arrField)
        m_names.push_back(name.ToUtf8());
}

RecordListing::~RecordListing() = default;

nlohmann::ordered_json RecordListing::Item(void* record, std::optional<std::uint32_t> id, bool deleted)
{
    m_converter->m_nValueCount = 0; // one row at a time
    m_converter->Make(record);
    const CStringArray& row = m_converter->m_pValue[0];
    nlohmann::ordered_json item;
    item["id"] = id ? nlohmann::ordered_json(*id) : nlohmann::ordered_json(nullptr);
    for (size_t i = 0; i < m_names.size(); ++i)
        item[m_names[i]] = static_cast<int>(i) < row.GetSize() ? row[static_cast<int>(i)].ToUtf8() : std::string();
    if (m_type.addToListing)
        m_type.addToListing(record, item);
    item["deleted"] = deleted;
    return item;
}

std::string RecordListing::Line(const nlohmann::ordered_json& item)
{
    std::string line = item["id"].is_null() ? "-" : Dumped(item["id"]);
    for (const auto& [key, value] : item.items())
        if (key != "id" && key != "deleted")
            line += "  " + key + "=" + Dumped(value);
    return line + (item["deleted"].get<bool>() ? "  (deleted)\n" : "\n");
}

} // namespace varno::cli
