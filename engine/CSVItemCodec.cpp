// CCSVItem: the line codec (records, fields, quoting, separators).
#include "engine/CSVCodec_p.h"
#include "engine/CSVItem.h"
#include "platform/CodePage.h"

#include <string>

CString CCSVItem::GetLine(CString& buffer)
{
    const std::u16string& text = buffer.str();
    varno::detail::RecordSpan span = varno::detail::NextRecord(text, 0);
    CString record(text.substr(0, span.end));
    buffer.str().erase(0, span.next);
    return record;
}

int CCSVItem::ReadLine(CString line, CStringArray& values)
{
    varno::detail::SplitRecord(line.str(), m_strSeparator.str(), values);
    return 1;
}

CString CCSVItem::WriteLine(CStringArray& values)
{
    std::u16string out;
    AppendLine(values, out);
    return CString(std::move(out));
}

void CCSVItem::AppendLine(const CStringArray& values, std::u16string& out) const
{
    const int count = values.GetSize();
    if (count == 0)
        return;
    const std::u16string& separator = m_strSeparator.str();
    for (int i = 0; i < count; ++i) {
        out += u'"';
        // Copies the runs between quotes whole and doubles each quote.
        std::u16string_view value = values[i].str();
        for (size_t quote; (quote = value.find(u'"')) != std::u16string_view::npos;) {
            out.append(value.substr(0, quote + 1));
            out += u'"';
            value.remove_prefix(quote + 1);
        }
        out.append(value);
        out += u'"';
        if (i + 1 < count)
            out += separator;
    }
    // A row shorter than the column list is filled up with empty fields.
    for (int missing = m_arrField.GetSize() - count; missing > 0; --missing) {
        out += separator;
        out += u"\"\"";
    }
    out += u"\r\n";
}

int CCSVItem::nextSeparator(CString line)
{
    size_t p = varno::detail::FieldEnd(line.str(), 0, m_strSeparator.str());
    return p == std::u16string::npos ? -1 : static_cast<int>(p);
}

CString CCSVItem::FindSeparator(CString line)
{
    return CString(line.Find(u'\t') >= 0 ? u"\t" : u",");
}

void CCSVItem::SetSeparator(CString separator)
{
    m_strSeparator = std::move(separator);
}

void CCSVItem::SetSeparator(unsigned char ch, int codePage)
{
    if (codePage == 65001) {
        m_strSeparator = CString(static_cast<char16_t>(ch));
        return;
    }
    m_strSeparator = CString(MultiByteToWideChar(CP_ACP, std::string(1, static_cast<char>(ch))));
}
