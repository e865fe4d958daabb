// Internal: the field walk shared by every converter's Array2Item.
//
// The k-th name of the host's field list is read from column index[k] of the
// row. A name whose index entry is missing or -1, or whose column lies beyond
// the end of a short row, is skipped; either way k moves on, so every later
// name still pairs with its own index entry.
#pragma once

#include "engine/CSVItem.h"

namespace varno::detail {

/// Calls `assign(name, value, column)` for every name of `fieldNames` that
/// has a value in row `row` of `item`.
template <typename Assign>
void WalkFields(CCSVItem& item, int row, CStringList& fieldNames, CArray<int, const int&>& index, Assign&& assign)
{
    const CStringArray& values = item.m_pValue[static_cast<size_t>(row)];
    int k = 0;
    for (const CString& name : fieldNames) {
        const int column = k < index.GetSize() ? index[k] : -1;
        ++k;
        if (column < 0 || column >= values.GetSize())
            continue;
        assign(name, values[column], column);
    }
}

} // namespace varno::detail
