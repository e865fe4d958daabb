// A literal reference model of the record and field rules of the line codec
// (see CSVCodecTest for the rules it states), shared by the codec tests and
// the codec fuzz target, which compare the engine's single pass against it.
#pragma once

#include "engine/CSVItem.h"

#include <vector>

namespace varno::test {

inline CString RefGetLine(CString& buffer)
{
    int quotes = 0;
    for (int i = 0; i < buffer.GetLength(); ++i) {
        const char16_t c = buffer[i];
        quotes += c == u'"';
        const bool crLf = c == u'\r' && i + 1 < buffer.GetLength() && buffer[i + 1] == u'\n';
        if ((c == u'\r' || c == u'\n') && quotes % 2 == 0) {
            CString record = buffer.Left(i);
            buffer = buffer.Mid(i + (crLf ? 2 : 1));
            return record;
        }
    }
    CString record = buffer;
    buffer.Empty();
    return record;
}

inline int RefNextSeparator(const CString& line, const CString& separator)
{
    if (line.IsEmpty() || line[0] != u'"')
        return line.Find(separator.str());
    for (int p = line.Find(separator.str()); p >= 0; p = line.Find(separator.str(), p + 1)) {
        int quotes = 0;
        for (int i = 1; i <= p - 1; ++i)
            quotes += line[i] == u'"';
        if (quotes % 2 == 1)
            return p;
    }
    return -1;
}

inline void RefReadLine(CString line, const CString& separator, CStringArray& values)
{
    while (!line.IsEmpty()) {
        int p = RefNextSeparator(line, separator);
        if (p < 0)
            p = line.GetLength();
        const CString cut = line.Left(p);
        line = line.Mid(p + 1);
        CString field = cut;
        if (cut.GetLength() > 0 && cut[0] == u'"')
            field = field.Mid(1);
        if (cut.GetLength() > 0 && cut[cut.GetLength() - 1] == u'"')
            field = field.Left(field.GetLength() - 1);
        field.Replace(u"\"\"", u"\"");
        values.Add(field);
    }
}

/// The cells a CSV reader sees in a record: RefReadLine's values, and one
/// more, empty, after a separator that ends the record.
inline int RefCellCount(CString line, const CString& separator)
{
    int cells = 0;
    while (!line.IsEmpty()) {
        const int p = RefNextSeparator(line, separator);
        ++cells;
        if (p < 0)
            break;
        line = line.Mid(p + 1);
        cells += line.IsEmpty();
    }
    return cells;
}

struct RefTable {
    _en_CSVError result;
    CString separator{u","};
    CStringArray fields;
    std::vector<CStringArray> rows;
};

inline RefTable RefImport(CString text)
{
    RefTable t;
    for (bool header = true; !text.IsEmpty();) {
        CString record = RefGetLine(text);
        if (header)
            t.separator = record.Find(u'\t') >= 0 ? CString(u"\t") : CString(u",");
        CStringArray row;
        RefReadLine(record, t.separator, row);
        if (header)
            t.fields = row;
        else if (!row.IsEmpty())
            t.rows.push_back(row);
        header = false;
    }
    t.result = t.rows.empty() ? CSVERR_FAIL : CSVERR_SUCCESS;
    return t;
}

} // namespace varno::test
