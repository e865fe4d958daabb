// CCSVItem: the in-memory table and the column mapping of import.
#include "engine/CSVItem.h"

#include "engine/ExportSpool_p.h"
#include "engine/RecordReader_p.h"
#include "engine/RowPrefetch_p.h"

#include <algorithm>
#include <climits>
#include <utility>

CCSVItem::CCSVItem() : CCSVItem(1)
{
}

// A capacity below 1 is raised to 1, so that doubling always grows.
CCSVItem::CCSVItem(int nBufferSize)
    : m_strSeparator(u","), m_pValue(new CStringArray[static_cast<size_t>(std::max(nBufferSize, 1))]),
      m_nBufferSize(std::max(nBufferSize, 1))
{
}

CCSVItem::~CCSVItem()
{
    StopPrefetch();
}

void CCSVItem::AddField(CStringArray& names)
{
    m_arrField = names;
}

void CCSVItem::AddValue(CStringArray& row)
{
    TakeValue(CStringArray(row));
}

void CCSVItem::TakeValue(CStringArray&& row)
{
    if (m_nValueCount >= m_nBufferSize)
        SetBufferSize(m_nBufferSize > INT_MAX / 2 ? INT_MAX : 2 * m_nBufferSize);
    m_pValue[static_cast<size_t>(m_nValueCount)] = std::move(row);
    ++m_nValueCount;
}

int CCSVItem::GetFieldCount()
{
    return m_arrField.GetSize();
}

int CCSVItem::GetValueCount()
{
    return m_nValueCount;
}

void CCSVItem::SetBufferSize(int nSize)
{
    if (nSize <= 0 || nSize < m_nValueCount || nSize == m_nBufferSize)
        return;
    std::unique_ptr<CStringArray[]> grown(new CStringArray[static_cast<size_t>(nSize)]);
    std::move(m_pValue.get(), m_pValue.get() + m_nValueCount, grown.get());
    m_pValue = std::move(grown);
    m_nBufferSize = nSize;
}

int CCSVItem::MakeIndexFileField(CArray<int, const int&>& index, CStringList& fileColumns)
{
    for (const CString& name : fileColumns) {
        int found = -1;
        for (int i = 0; i < m_arrField.GetSize(); ++i) {
            if (m_arrField[i].CompareNoCase(name) == 0) {
                found = i;
                break;
            }
        }
        index.Add(found);
    }
    return 1;
}
