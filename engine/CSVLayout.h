// What a host can learn about a converter's files without reading its code:
// the columns of its own layout (the name export writes, the field name
// import reads) and the layouts of other programs that its import
// recognises. Each converter describes itself once, in its column table;
// the record-type list (manager/CSVRecordTypes.h) hands the description out
// by data type.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

class CCSVItem;

namespace varno {

/// What a column's cells hold, for hosts that check cells before import
/// reads them (the converter reads each kind by its own rules).
enum class CSVCellKind {
    Text,      ///< taken as it is, or a number or word the converter knows
    Date,      ///< read by String2OLEDate (with the next column's time where readsNext)
    Telephone, ///< cleaned down to its dial characters
    GroupName, ///< the name of one group
    Alarm,     ///< an alarm label of the suite, or a date
};

/// One column of a converter's own layout, in export order.
struct CSVColumn {
    /// The header name export writes.
    std::u16string_view exportName;
    /// The field name import fills from a column (the name a host passes in
    /// fieldNames; compared without regard to case). It differs from the
    /// export name where the converter reads a column under another name.
    std::u16string_view fieldName;
    /// A field that makes an imported record worth having: a host may refuse
    /// a mapping that fills none of a type's principal fields.
    bool principal = false;
    /// Import may also read the column after the mapped one (a date's time
    /// of day, when the date holds none) or the one before it (an alarm's
    /// on/off switch in the split layouts): a host counts them as read.
    bool readsNext = false;
    bool readsPrevious = false;
    CSVCellKind kind = CSVCellKind::Text;
    /// Import adds an entry to the record for every mapped cell of this
    /// field (a contact's telephones, e-mails, notes, groups): a second
    /// column of it adds a second entry, where a second column of any other
    /// field overwrites the first.
    bool addsEntries = false;
};

/// A layout of another program that import recognises by the first names
/// of the file's header, compared exactly (case and spaces count), when the
/// header has at least `minColumns` names.
struct CSVForeignLayout {
    std::string_view description;                       ///< for people: "the English calendar layout"
    std::vector<std::u16string_view> signature;         ///< the first header names
    std::size_t minColumns;
    /// How a host maps such a file: field name <- header column. Where a
    /// converter takes a date's time from the next column, the date column
    /// is the one named here.
    std::vector<std::pair<std::u16string_view, std::u16string_view>> mapping;
    /// The layout flag of the converter base (m_bDateLayout or
    /// m_bSubjectLayout) that import sets when it recognises this layout,
    /// so that a host driving a converter directly (MakeIndexFileField,
    /// Array2Item) reads such a file as import reads it; nullptr for none.
    bool CCSVItem::*flag = nullptr;

    /// Whether a header with these names is in this layout.
    template <class Names>
    [[nodiscard]] bool Matches(const Names& header) const
    {
        if (static_cast<std::size_t>(header.GetSize()) < minColumns ||
            static_cast<std::size_t>(header.GetSize()) < signature.size())
            return false;
        for (std::size_t i = 0; i < signature.size(); ++i)
            if (std::u16string_view(header[static_cast<int>(i)]) != signature[i])
                return false;
        return true;
    }
};

/// A converter's file layout.
struct CSVLayout {
    std::vector<CSVColumn> columns;
    /// In the order import tries them.
    std::vector<CSVForeignLayout> foreignLayouts;

    /// The recognition step of an import, for the converter's import and
    /// for hosts that drive a converter directly: the first foreign layout
    /// whose signature the converter's header (m_arrField) matches sets its
    /// flag on `converter` and is returned; nullptr, with no flag changed,
    /// when none matches.
    template <class Converter>
    const CSVForeignLayout* Recognise(Converter& converter) const
    {
        for (const CSVForeignLayout& foreign : foreignLayouts) {
            if (foreign.Matches(converter.m_arrField)) {
                if (foreign.flag)
                    converter.*(foreign.flag) = true;
                return &foreign;
            }
        }
        return nullptr;
    }
};

} // namespace varno
