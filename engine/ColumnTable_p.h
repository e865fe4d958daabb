// Internal: a converter's column table, and the three operations that read
// it (MakeField, Make and the field walk of Array2Item).
//
// A converter lists its columns once, in export order, each with the name
// export writes, the field name import reads and the two conversions. The
// host's view of the layout (CSVLayout) is made from the same list, so
// names are never written twice.
#pragma once

#include "engine/CSVItem.h"
#include "engine/CSVLayout.h"

#include <span>

namespace varno::detail {

/// A value of an imported row together with its neighbours: some layouts
/// keep a date's time in the next column or an alarm's switch in the
/// previous one.
struct Cell {
    const CStringArray& row;
    int column;

    [[nodiscard]] const CString& Value() const { return row[column]; }
    /// The value of the next column; empty past the end of the row.
    [[nodiscard]] CString Next() const { return column + 1 < row.GetSize() ? row[column + 1] : CString(); }
    /// The value of the previous column; empty before the first one.
    [[nodiscard]] CString Previous() const { return column >= 1 ? row[column - 1] : CString(); }
};

template <class Converter, class Record>
struct Column {
    CSVColumn names;
    /// The export text of the record's field.
    CString (*write)(Converter&, const Record&);
    /// Sets the record's field from an imported cell; nullptr when import
    /// does not read the column.
    void (*read)(Converter&, Record&, const Cell&);
};

template <class Converter, class Record>
using Columns = std::span<const Column<Converter, Record>>;

/// The host's view of a column table.
template <class Converter, class Record>
CSVLayout LayoutOf(Columns<Converter, Record> columns, std::vector<CSVForeignLayout> foreignLayouts = {})
{
    CSVLayout layout;
    for (const auto& column : columns)
        layout.columns.push_back(column.names);
    layout.foreignLayouts = std::move(foreignLayouts);
    return layout;
}

/// MakeField: the export names, in table order.
template <class Converter, class Record>
void SetColumnNames(Converter& converter, Columns<Converter, Record> columns)
{
    CStringArray names;
    for (const auto& column : columns)
        names.Add(CString(column.names.exportName));
    converter.AddField(names);
}

/// Make: one row of export texts, in table order.
template <class Converter, class Record>
void AppendRow(Converter& converter, const Record& record, Columns<Converter, Record> columns)
{
    CStringArray row;
    row.SetSize(static_cast<int>(columns.size()));
    int i = 0;
    for (const auto& column : columns)
        row[i++] = column.write(converter, record);
    converter.TakeValue(std::move(row));
}

/// The field walk of Array2Item. The k-th name of `fieldNames` is read from
/// column index[k] of row `row`; a name whose index entry is missing or -1,
/// or whose column lies beyond the end of a short row, is skipped, and
/// either way k moves on, so later names still pair with their own entries.
/// A name selects the first column of the table whose field name equals it
/// without regard to case; a name that selects none assigns nothing.
template <class Converter, class Record>
void ReadRow(Converter& converter, Record& record, int row, CStringList& fieldNames,
             CArray<int, const int&>& index, Columns<Converter, Record> columns)
{
    const std::vector<int>& selected = converter.SelectColumns(fieldNames, [&](std::u16string_view name) {
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i].read && CString(columns[i].names.fieldName).CompareNoCase(name) == 0)
                return static_cast<int>(i);
        return -1;
    });
    const CStringArray& values = converter.m_pValue[static_cast<std::size_t>(row)];
    const int names = static_cast<int>(selected.size());
    for (int k = 0; k < names; ++k) {
        const int column = k < index.GetSize() ? index[k] : -1;
        if (column < 0 || column >= values.GetSize() || selected[static_cast<std::size_t>(k)] < 0)
            continue;
        columns[static_cast<std::size_t>(selected[static_cast<std::size_t>(k)])].read(converter, record,
                                                                                   Cell{values, column});
    }
}

} // namespace varno::detail
