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
    const int count = values.GetSize();
    if (count == 0)
        return CString();
    std::u16string out;
    for (int i = 0; i < count; ++i) {
        out += u'"';
        for (char16_t c : values[i].str()) {
            if (c == u'"')
                out += u'"';
            out += c;
        }
        out += u'"';
        if (i + 1 < count)
            out += m_strSeparator.str();
    }
    // A row shorter than the column list is filled up with empty fields.
    for (int missing = GetFieldCount() - count; missing > 0; --missing) {
        out += m_strSeparator.str();
        out += u"\"\"";
    }
    out += u"\r\n";
    return CString(std::move(out));
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
