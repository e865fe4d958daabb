// How the host hands a file's rows to the library. The library reads each
// cell by its own rules: dates that it cannot read become the moment of the
// import, a number loses every letter, one cell gives one group. A plan
// stands between those rules and the file: it reads every mapped cell
// first, and where the library would misread it, hands the library a text
// it reads as meant, or an empty cell, and says so. For layouts that keep
// one thing in several columns or several things in one (a birthday in
// three columns, telephones in numbered columns with a type beside them,
// several groups in one cell), it adds the columns the library needs.
//
// The rows change in place: the file's own columns stay where they are,
// under their own names (so the library still recognises the layouts it
// knows), and the added columns come after them. A plan is made from the
// header, sees every row once (Observe), and then, when anything is to
// change, turns each row into the row the library is handed (Adapt).
#pragma once

#include "host/Mapping.h"
#include "host/Registry.h"
#include "host/varnohost_export.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace varno::host {

namespace detail {
struct HostLayout;
}

/// What a plan did to, or found in, the cells of one column.
struct CellReport {
    enum class Kind {
        NoDate,         ///< a "no date" marker, handed on as no date
        DateRewritten,  ///< a date the library would misread, handed on as YYYY-MM-DD
        DateUnreadable, ///< a text that is no date, left empty
        DateIncomplete, ///< year, month and day columns that make no whole date, left empty
        AllDayEnd,      ///< an all-day entry that ends on its end date, handed on as ending the day after
        TrunkDropped,   ///< the "(0)" after a country code, left out
        Extension,      ///< an extension, kept after a pause ("p")
        Letters,        ///< letters of a number, as the digits of their keys
        Word,           ///< a word instead of a number, left empty
        WordsBeside,    ///< words beside a number, left out
        GroupsSplit,    ///< several group names in one cell, each linked
        ProgramGroups,  ///< group names that are the program's own, left out
        LeftOut,        ///< values a contact has no place for
    };
    Kind kind = Kind::NoDate;
    std::string column;        ///< as the header spells it
    long long count = 0;
    long long firstLine = 0;
    std::string firstValue;    ///< the first such cell
    std::string firstResult;   ///< what the library was handed for it ("" for nothing)

    /// Whether something the file holds is lost or changed in a way the
    /// person should check: these are warnings, and `--strict` refuses them.
    [[nodiscard]] VARNO_HOST_EXPORT bool Loses() const;
    /// One sentence for `file`: how many, what, where the first is and what
    /// became of it.
    [[nodiscard]] VARNO_HOST_EXPORT std::string Describe(const std::string& file) const;
};

/// A column of the file that holds data that nothing reads.
struct UnreadColumn {
    std::string name;
    long long values = 0; ///< non-empty cells
};

/// Where a field's values come from, in words, for a preview.
struct FieldSource {
    std::string field;
    std::vector<std::string> columns; ///< as the header spells them
    std::string how;                  ///< "" for a plain column, else "by the type in \"Phone 1 - Type\"", ...
    bool extra = false;               ///< read by a rule of the layout beyond the mapping's pairs
    std::vector<std::string> ruleColumns; ///< the columns of `columns` read by such a rule
};

class VARNO_HOST_EXPORT ReadPlan {
public:
    struct Options {
        std::string locale; ///< dates are read as people write them there
        /// Telephone numbers without a country code are of this country
        /// ("DE"); empty: the locale's (RegionOfLocale), found at the first
        /// number, so that a file without numbers never loads the
        /// numbering plans.
        std::string region;
        /// What joins several group names in one cell; empty: what the
        /// host layout says, else " ::: ", ";" or ",".
        std::vector<std::u16string_view> groupSeparators{};
    };
    /// `mapping`: given or chosen; `layout`: the host layout it came from,
    /// whose rules the plan adds (nullptr: none).
    ReadPlan(const RecordType& type, const Header& header, const Mapping& mapping,
             const detail::HostLayout* layout, Options options);
    ~ReadPlan();
    ReadPlan(ReadPlan&&) noexcept;
    ReadPlan& operator=(ReadPlan&&) noexcept;

    /// Whether Observe needs to see the rows: a cell may change, or a
    /// column nothing reads is to be counted. When not, every row would be
    /// handed on as it is.
    [[nodiscard]] bool WantsRows() const;
    /// Sees one data row (the library's split) and the line it starts on.
    void Observe(const CStringArray& row, int64_t line);
    /// The file is to be handed on rewritten even if no cell changes.
    void ForceRewrite();
    /// Whether the library must be handed other rows than the file's (after
    /// every row was observed).
    [[nodiscard]] bool NeedsRewrite() const;

    /// The header the library is handed: the file's, and the added columns.
    [[nodiscard]] CStringArray LibraryHeader() const;
    /// The mapping the library is handed, onto LibraryHeader().
    [[nodiscard]] const Mapping& LibraryMapping() const;
    /// The row the library is handed for `row`.
    void Adapt(const CStringArray& row, CStringArray& out) const;

    /// What was done and found, in the order first met.
    [[nodiscard]] std::vector<CellReport> Reports() const;
    /// The columns that hold data but that nothing reads, in file order.
    [[nodiscard]] std::vector<UnreadColumn> Unread() const;
    /// Whether the file's column `column` is read (for a field, or as the
    /// time or switch beside one).
    [[nodiscard]] bool Reads(int column) const;
    /// Where each field's values come from, in the type's column order.
    [[nodiscard]] std::vector<FieldSource> Sources() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace varno::host
