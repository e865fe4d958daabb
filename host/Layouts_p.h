// Internal: what the host knows of other programs' files beyond what the
// library recognises: the layouts of address books and contact exports,
// found by the names in their header, and the words people put at the head
// of a column in a spreadsheet of their own. Each is a table; adding a
// layout is one entry in HostLayouts(), adding a word one line in the
// synonyms of its field.
#pragma once

#include "host/Mapping.h"
#include "host/Registry.h"

#include <array>
#include <string_view>
#include <vector>

namespace varno::host::detail {

/// Header columns (as their program spells them) and the field each fills.
struct ColumnName {
    std::u16string_view column;
    std::u16string_view field;
};

/// A layout of another program that the host recognises: every name of
/// `signature` is in the header (compared exactly), and the host maps its
/// columns and reads what the library cannot read from one column.
struct HostLayout {
    std::string_view description{};               ///< for people: "the address book of a desktop mail program, in German"
    std::string_view type{};                      ///< the record type's name
    std::vector<std::u16string_view> signature{};
    std::vector<ColumnName> columns{};            ///< one column, one field; the first name found wins
    /// A column of group names, and what joins several names in it; names
    /// that start with "* " are the program's own groups when
    /// `programGroups`.
    std::u16string_view groups{};
    std::vector<std::u16string_view> groupSeparators{};
    bool programGroups = false;
    /// A whole name, read into the first and last name of a contact whose
    /// own first and last name are empty.
    std::u16string_view displayName{};
    /// A birthday written in three columns: year, month, day.
    std::array<std::u16string_view, 3> birthParts{};
    /// Numbered column groups with a type ("Phone 1 - Type",
    /// "Phone 1 - Value"; "- Label" in the newer layout), several values in
    /// one cell joined by " ::: ".
    bool typedGroups = false;
    /// Columns the program fills with a word that says nothing (a gender
    /// "Unspecified"), and that word: such a cell is not data left unread.
    std::vector<ColumnName> blanks{};
};

/// Every layout the host recognises, in the order they are tried.
[[nodiscard]] const std::vector<HostLayout>& HostLayouts();
/// The first layout of `type` whose signature `header` holds, or nullptr.
[[nodiscard]] const HostLayout* RecogniseHostLayout(const RecordType& type, const Header& header);

/// Words people put at the head of a column for a field, in a file no
/// layout describes; compared as Normalised() compares them.
[[nodiscard]] const std::vector<ColumnName>& Synonyms(const RecordType& type);
/// A header name as synonyms are compared: case folded, and spaces and the
/// marks "-", "_", ".", ":", "/", "(", ")", "'" left out ("E-Mail" and
/// "email" are the same).
[[nodiscard]] std::u16string Normalised(std::u16string_view name);

/// Fields whose several columns in a file are lines of one text, joined
/// with ", " (a street written in two or three lines).
[[nodiscard]] const std::vector<std::u16string_view>& JoinedFields(const RecordType& type);

/// The first-name and last-name fields of `type`, then the normalised words
/// of a column of whole names ("name", "fullname", ...); empty for a type
/// without names.
[[nodiscard]] const std::vector<std::u16string_view>& WholeNameWords(const RecordType& type);

/// Words that stand for a field's value in other programs' files (a to-do's
/// "High" priority), and the text the library reads as meant.
struct ValueWord {
    std::u16string_view field;
    std::u16string_view word; ///< compared without regard to case
    std::u16string_view text;
};
[[nodiscard]] const std::vector<ValueWord>& ValueWords(const RecordType& type);

} // namespace varno::host::detail
