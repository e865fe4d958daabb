#include "host/ReadPlan.h"

#include "host/DateCells.h"
#include "host/Layouts_p.h"
#include "host/PhoneCells.h"
#include "platform/DateParser.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace varno::host {

namespace {

using Kind = CellReport::Kind;

/// One column the library reads for one field, as the mapping pairs them.
struct Direct {
    CString fieldName;    ///< as the library is handed it
    int field = -1;       ///< the converter's column it fills; -1 for a name the converter lacks
    int column = -1;      ///< in the file's header
    int next = -1;        ///< the column whose time a date joins, or -1
    CSVCellKind kind = CSVCellKind::Text;
    /// One of several columns of its field: how they are read together.
    enum class Collect {
        None,    ///< the only column of its field
        Entries, ///< each filled one an entry of its own, in the added columns
        Join,    ///< joined into the first (a street's lines)
        First,   ///< the first filled one, in the first column
    } collect = Collect::None;
    bool primary = true; ///< the first column of its field
};

/// "Phone 1 - Type", "Phone 1 - Value": a numbered group of columns.
struct TypedGroup {
    std::u16string kind; ///< "Phone", "E-mail", "Address", "Website", "Event", "Organization"
    int number = 0;
    int type = -1;                        ///< the "- Type" or "- Label" column
    std::map<std::u16string, int> parts;  ///< "Value", "Street", "City", ... -> column
};

/// What one row becomes: cells of the file's columns replaced, and values
/// for the added columns, by the converter's column they fill.
struct Produced {
    std::vector<std::pair<int, CString>> replaced;
    std::map<int, std::vector<CString>> added;
    bool changed = false;
};

CString Trimmed(CString text)
{
    text.Trim();
    return text;
}

/// "Mobile" and "* Mobile" are the same type; the mark says the entry is
/// the first of its kind.
std::u16string TypeWord(const CString& cell)
{
    CString word = Trimmed(cell);
    if (word.Left(2) == CString(u"* "))
        word = Trimmed(word.Mid(2));
    else if (word == CString(u"*"))
        word = CString();
    return detail::Normalised(word.str());
}

/// Splits `text` at any of `separators`, each piece trimmed, empty ones left out.
std::vector<CString> Pieces(const CString& text, const std::vector<std::u16string_view>& separators)
{
    std::vector<CString> pieces;
    std::u16string_view rest(text.str());
    for (;;) {
        size_t at = std::u16string_view::npos, length = 0;
        for (std::u16string_view separator : separators) {
            const size_t found = rest.find(separator);
            if (found < at)
                at = found, length = separator.size();
        }
        CString piece = Trimmed(CString(rest.substr(0, at)));
        if (!piece.IsEmpty())
            pieces.push_back(std::move(piece));
        if (at == std::u16string_view::npos)
            return pieces;
        rest.remove_prefix(at + length);
    }
}

/// The text a date of `fields` is handed on as: the library's own format,
/// which it reads the same in every locale.
CString IsoDate(int year, int month, int day)
{
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return CString::FromUtf8(text);
}

std::optional<int> WholeNumber(const CString& cell)
{
    const CString text = Trimmed(cell);
    if (text.IsEmpty() || text.GetLength() > 4)
        return std::nullopt;
    int value = 0;
    for (char16_t c : text.str()) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return value;
}

} // namespace

struct ReadPlan::Impl {
    const RecordType& type;
    const CSVLayout& layout;
    Header header;
    const detail::HostLayout* host;
    Options options;

    std::vector<Direct> directs;
    std::vector<std::vector<const detail::ValueWord*>> words; ///< by direct
    int groups = -1;                                   ///< the direct of the group names
    std::vector<std::u16string_view> groupSeparators;
    bool programGroups = false;
    int display = -1, firstName = -1, lastName = -1;   ///< a column, and directs
    std::array<int, 3> birth{-1, -1, -1};              ///< year, month, day columns
    std::vector<TypedGroup> typed;
    int allDay = -1, end = -1;                         ///< directs of a split calendar layout
    bool active = false;                               ///< any cell may change

    std::vector<int> mostAdded;                        ///< by converter column: added columns it needs
    std::vector<bool> read;                            ///< by header column
    std::vector<long long> unread;                     ///< non-empty cells of columns nothing reads
    std::vector<CString> blank;                        ///< by header column: a word that says nothing there
    std::vector<CellReport> reports;
    std::map<std::pair<int, int>, size_t> reportAt;    ///< (kind, column) -> reports index
    bool changed = false, forced = false;
    mutable std::optional<Mapping> libraryMapping;
    mutable std::vector<std::pair<int, int>> addedColumns; ///< (converter column, n-th) of each added column

    Impl(const RecordType& t, const Header& h, const detail::HostLayout* l, Options o)
        : type(t), layout(t.layout()), header(h), host(l), options(std::move(o))
    {
    }

    int FieldOf(std::u16string_view name) const
    {
        const CString wanted(name);
        for (size_t i = 0; i < layout.columns.size(); ++i)
            if (wanted.CompareNoCase(layout.columns[i].fieldName) == 0)
                return static_cast<int>(i);
        return -1;
    }
    int ColumnNamed(std::u16string_view name) const { return name.empty() ? -1 : header.Find(name, true); }

    void Report(Kind kind, int column, int64_t line, const CString& value, const CString& result)
    {
        const auto key = std::pair(static_cast<int>(kind), column);
        auto [at, added] = reportAt.try_emplace(key, reports.size());
        if (added) {
            CellReport report;
            report.kind = kind;
            report.column = column >= 0 ? header.Matched(column).ToUtf8() : std::string();
            report.firstLine = line;
            report.firstValue = value.ToUtf8();
            report.firstResult = result.ToUtf8();
            reports.push_back(std::move(report));
        }
        ++reports[at->second].count;
    }

    void Build(const Mapping& mapping);
    void Produce(const CStringArray& row, int64_t line, Produced& out, bool report);
    /// The several columns of the field of directs[primary].
    void Collect(size_t primary, const CStringArray& row, int64_t line, Produced& out, bool report);
    void CheckCell(const Direct& direct, const CStringArray& row, int64_t line, Produced& out, bool report);
    /// What the library is to be handed for a cell of `kind` (nullopt: the
    /// cell as it is), said as found in `column` on `line` when `report`.
    std::optional<CString> CheckValue(CSVCellKind kind, const CString& value, const CString& time, bool joinsTime,
                                      int column, int64_t line, bool report);
    void ReadTyped(const CStringArray& row, int64_t line, Produced& out, bool report);
    /// The cell, or an empty one beyond the row.
    static const CString& Cell(const CStringArray& row, int column)
    {
        static const CString none;
        return column >= 0 && column < row.GetSize() ? row[column] : none;
    }
};

void ReadPlan::Impl::Build(const Mapping& mapping)
{
    read.assign(static_cast<size_t>(header.names.GetSize()), false);
    unread.assign(read.size(), 0);
    blank.assign(read.size(), CString());
    if (host)
        for (const detail::ColumnName& word : host->blanks)
            if (const int column = ColumnNamed(word.column); column >= 0)
                blank[static_cast<size_t>(column)] = CString(word.field);
    mostAdded.assign(layout.columns.size(), 0);
    auto markRead = [&](int column) {
        if (column >= 0 && column < static_cast<int>(read.size()))
            read[static_cast<size_t>(column)] = true;
    };

    // The pairs of the mapping, each column as the header spells it.
    auto fileColumn = mapping.fileColumns.begin();
    for (const CString& name : mapping.fieldNames) {
        Direct direct;
        direct.fieldName = name;
        direct.field = FieldOf(name.str());
        for (int i = 0; i < header.names.GetSize(); ++i)
            if (header.names[i].CompareNoCase(*fileColumn) == 0) {
                direct.column = i;
                break;
            }
        ++fileColumn;
        if (direct.field >= 0) {
            const CSVColumn& column = layout.columns[static_cast<size_t>(direct.field)];
            direct.kind = column.kind;
            if (column.readsNext && direct.column >= 0 && direct.column + 1 < header.names.GetSize()) {
                direct.next = direct.column + 1;
                markRead(direct.next);
            }
            if (column.readsPrevious)
                markRead(direct.column - 1);
        }
        markRead(direct.column);
        directs.push_back(direct);
    }

    // Several columns of one field (a layout's many telephones of a kind, a
    // street in lines, or --map pairs): the library would add an entry for
    // each cell, empty or not, or let the last overwrite the first. Filled
    // cells of a field the library makes entries of become entries; a
    // street's lines are joined; of other fields the first filled one counts.
    std::map<int, std::vector<size_t>> ofField;
    for (size_t d = 0; d < directs.size(); ++d)
        if (directs[d].field >= 0 && directs[d].column >= 0)
            ofField[directs[d].field].push_back(d);
    const std::vector<std::u16string_view>& joinedFields = detail::JoinedFields(type);
    for (const auto& [field, members] : ofField) {
        if (members.size() < 2)
            continue;
        const CSVColumn& column = layout.columns[static_cast<size_t>(field)];
        const Direct::Collect collect =
            column.addsEntries ? Direct::Collect::Entries
            : std::find(joinedFields.begin(), joinedFields.end(), column.fieldName) != joinedFields.end()
                ? Direct::Collect::Join
                : Direct::Collect::First;
        for (size_t d : members) {
            directs[d].collect = collect;
            directs[d].primary = d == members.front();
        }
    }

    const std::vector<detail::ValueWord>& valueWords = detail::ValueWords(type);
    words.resize(directs.size());
    for (size_t d = 0; d < directs.size(); ++d) {
        Direct& direct = directs[d];
        for (const detail::ValueWord& word : valueWords)
            if (direct.fieldName.CompareNoCase(word.field) == 0)
                words[d].push_back(&word);
        const std::u16string_view field = direct.field >= 0 ? layout.columns[static_cast<size_t>(direct.field)].fieldName
                                                            : std::u16string_view();
        if (direct.kind == CSVCellKind::GroupName && groups < 0)
            groups = static_cast<int>(d);
        if (field == u"FIRST_NAME" && firstName < 0)
            firstName = static_cast<int>(d);
        if (field == u"LAST_NAME" && lastName < 0)
            lastName = static_cast<int>(d);
        if (type.name == "calendar" && field == u"allday")
            allDay = static_cast<int>(d);
        if (type.name == "calendar" && field == u"end_time")
            end = static_cast<int>(d);
        active = active || direct.collect != Direct::Collect::None || !words[d].empty() ||
                 (direct.kind != CSVCellKind::Text && direct.kind != CSVCellKind::Alarm);
    }
    // Group names: the host or the layout says what joins them; a file of
    // no known layout may join them with any of the usual marks.
    groupSeparators = !options.groupSeparators.empty()           ? options.groupSeparators
                      : host && !host->groupSeparators.empty() ? host->groupSeparators
                                                               : std::vector<std::u16string_view>{u" ::: ", u";", u","};
    programGroups = host && host->programGroups;

    // A split calendar layout ends an all-day entry at 00:00 of the day
    // after it; the library takes that day off again. Files that end such
    // an entry on its own day write no end time.
    const CSVForeignLayout* foreign = nullptr;
    for (const CSVForeignLayout& candidate : layout.foreignLayouts)
        if (!foreign && candidate.Matches(header.names))
            foreign = &candidate;
    if (!(foreign && foreign->flag == &CCSVItem::m_bSubjectLayout && allDay >= 0 && end >= 0 &&
          directs[static_cast<size_t>(end)].next >= 0))
        allDay = end = -1;
    active = active || allDay >= 0;

    if (!mapping.wholeName.IsEmpty()) {
        display = ColumnNamed(mapping.wholeName.str());
        markRead(display);
        active = active || display >= 0;
    }
    if (!host)
        return;
    display = ColumnNamed(host->displayName);
    markRead(display);
    for (size_t i = 0; i < 3; ++i) {
        birth[i] = ColumnNamed(host->birthParts[i]);
        markRead(birth[i]);
    }
    if (birth[0] < 0 || birth[1] < 0 || birth[2] < 0)
        birth = {-1, -1, -1};
    active = active || display >= 0 || birth[0] >= 0;
    if (!host->typedGroups)
        return;
    // "Kind N - Part" columns, grouped by kind and number.
    static const std::u16string_view kKinds[] = {u"E-mail", u"Phone", u"Address", u"Website", u"Event",
                                                 u"Organization"};
    for (int i = 0; i < header.names.GetSize(); ++i) {
        const std::u16string_view name(header.names[i].str());
        const size_t dash = name.find(u" - ");
        if (dash == std::u16string_view::npos)
            continue;
        const std::u16string_view head = name.substr(0, dash), part = name.substr(dash + 3);
        const size_t space = head.rfind(u' ');
        if (space == std::u16string_view::npos)
            continue;
        const std::u16string_view kind = head.substr(0, space), digits = head.substr(space + 1);
        if (std::find(std::begin(kKinds), std::end(kKinds), kind) == std::end(kKinds) || digits.empty() ||
            !std::all_of(digits.begin(), digits.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }))
            continue;
        const int number = std::stoi(std::string(digits.begin(), digits.end()));
        auto group = std::find_if(typed.begin(), typed.end(), [&](const TypedGroup& g) {
            return g.kind == kind && g.number == number;
        });
        if (group == typed.end())
            group = typed.insert(typed.end(), TypedGroup{std::u16string(kind), number, -1, {}});
        if (part == u"Type" || part == u"Label")
            group->type = i;
        else
            group->parts[std::u16string(part)] = i;
    }
    // The parts a contact has a place for are read; an organisation only
    // once, the first.
    for (const TypedGroup& group : typed) {
        static const std::u16string_view kRead[] = {u"Value", u"Street", u"City", u"Region", u"Postal Code",
                                                    u"Country", u"Name", u"Title", u"Department"};
        if (group.kind == u"Organization" && group.number != 1)
            continue;
        markRead(group.type);
        for (const auto& [part, column] : group.parts)
            if (std::find(std::begin(kRead), std::end(kRead), part) != std::end(kRead))
                markRead(column);
    }
    active = active || !typed.empty();
}

std::optional<CString> ReadPlan::Impl::CheckValue(CSVCellKind kind, const CString& value, const CString& time,
                                                   bool joinsTime, int column, int64_t line, bool report)
{
    switch (kind) {
    case CSVCellKind::Date: {
        const DateVerdict verdict = CheckDateCell(value.str(), time.str(), joinsTime, options.locale);
        if (verdict.kind == DateVerdict::Kind::Keep)
            return std::nullopt;
        const Kind found = verdict.kind == DateVerdict::Kind::Replace ? Kind::DateRewritten
                           : verdict.kind == DateVerdict::Kind::NoDate ? Kind::NoDate
                                                                        : Kind::DateUnreadable;
        const CString text = verdict.kind == DateVerdict::Kind::Replace ? verdict.text : CString();
        if (report)
            Report(found, column, line, value, text);
        return text;
    }
    case CSVCellKind::Telephone: {
        if (value.IsEmpty())
            return std::nullopt;
        if (options.region.empty())
            options.region = RegionOfLocale(options.locale);
        const PhoneVerdict verdict = CheckPhoneCell(value.str(), options.region);
        if (verdict.changes == PhoneVerdict::None)
            return std::nullopt;
        for (const auto& [bit, found] : {std::pair(PhoneVerdict::TrunkDropped, Kind::TrunkDropped),
                                         std::pair(PhoneVerdict::Extension, Kind::Extension),
                                         std::pair(PhoneVerdict::Letters, Kind::Letters),
                                         std::pair(PhoneVerdict::Word, Kind::Word),
                                         std::pair(PhoneVerdict::WordsBeside, Kind::WordsBeside)})
            if (report && (verdict.changes & bit))
                Report(found, column, line, value, verdict.text);
        return verdict.text;
    }
    default:
        return std::nullopt;
    }
}

void ReadPlan::Impl::CheckCell(const Direct& direct, const CStringArray& row, int64_t line, Produced& out,
                               bool report)
{
    const std::optional<CString> text = CheckValue(direct.kind, Cell(row, direct.column), Cell(row, direct.next),
                                                   direct.next >= 0, direct.column, line, report);
    if (!text)
        return;
    out.replaced.emplace_back(direct.column, *text);
    out.changed = true;
}

void ReadPlan::Impl::ReadTyped(const CStringArray& row, int64_t line, Produced& out, bool report)
{
    std::array<bool, 3> addressUsed{}; // work, home, other: one address of each kind
    for (const TypedGroup& group : typed) {
        const std::u16string type = TypeWord(Cell(row, group.type));
        auto part = [&](std::u16string_view name) {
            const auto at = group.parts.find(std::u16string(name));
            return at == group.parts.end() ? CString() : Trimmed(Cell(row, at->second));
        };
        auto add = [&](std::u16string_view field, const CString& value) {
            const int f = FieldOf(field);
            if (f < 0 || value.IsEmpty())
                return;
            // Checked as the library would read it from a column of its own.
            const int column = group.parts.count(u"Value") ? group.parts.at(u"Value") : group.type;
            const std::optional<CString> checked = CheckValue(layout.columns[static_cast<size_t>(f)].kind, value,
                                                              CString(), false, column, line, report);
            if (!checked)
                out.added[f].push_back(value);
            else if (!checked->IsEmpty())
                out.added[f].push_back(*checked);
        };
        if (group.kind == u"Organization") {
            if (group.number == 1) {
                add(u"COMPANY", part(u"Name"));
                add(u"JOB_TITLE", part(u"Title"));
                add(u"DEPARTMENT", part(u"Department"));
            }
            continue;
        }
        if (group.kind == u"Address") {
            const bool any = !(part(u"Street") + part(u"City") + part(u"Region") + part(u"Postal Code") +
                               part(u"Country"))
                                  .IsEmpty();
            if (!any)
                continue;
            int slot = type == u"work" ? 0 : type == u"home" ? 1 : 2;
            if (addressUsed[static_cast<size_t>(slot)])
                slot = 2;
            if (addressUsed[static_cast<size_t>(slot)]) {
                if (report)
                    Report(Kind::LeftOut, group.parts.begin()->second, line, part(u"Street"), CString());
                continue;
            }
            addressUsed[static_cast<size_t>(slot)] = true;
            static const std::u16string_view kSlot[] = {u"ADR_WORK_", u"ADR_HOME_", u"ADR_OTHER_"};
            const std::u16string prefix(kSlot[slot]);
            add(prefix + u"STREET", part(u"Street"));
            add(prefix + u"CITY", part(u"City"));
            add(prefix + u"STATE", part(u"Region"));
            add(prefix + u"ZIP", part(u"Postal Code"));
            add(prefix + u"COUNTRY", part(u"Country"));
            continue;
        }
        const auto valueAt = group.parts.find(u"Value");
        if (valueAt == group.parts.end())
            continue;
        // Several values of one type in one cell.
        for (const CString& value : Pieces(Cell(row, valueAt->second), {u" ::: "})) {
            if (group.kind == u"E-mail") {
                add(type == u"work" ? u"EMAIL_WORK" : type == u"home" ? u"EMAIL_HOME" : u"EMAIL_OTHER", value);
            } else if (group.kind == u"Website") {
                add(type == u"work" ? u"URL_WORK" : type == u"home" || type == u"homepage" ? u"URL_HOME" : u"URL_OTHER",
                    value);
            } else if (group.kind == u"Event") {
                if (type == u"anniversary") {
                    add(u"ANNIVERSARY", value);
                } else if (report) {
                    Report(Kind::LeftOut, group.type, line, Cell(row, group.type) + u": " + value, CString());
                }
            } else { // Phone
                const bool fax = type.find(u"fax") != std::u16string::npos;
                const bool mobile = type == u"mobile" || type == u"workmobile" || type == u"cell";
                add(fax ? u"TEL_FAX1" : mobile ? u"TEL_MOBILE1" : type == u"work" ? u"TEL_WORK1"
                                        : type == u"home"                         ? u"TEL_HOME1"
                                                                                  : u"TEL_OTHER1",
                    value);
            }
        }
    }
}

void ReadPlan::Impl::Collect(size_t primary, const CStringArray& row, int64_t line, Produced& out, bool report)
{
    const Direct& first = directs[primary];
    std::vector<CString> values;
    for (const Direct& direct : directs) {
        if (direct.field != first.field || direct.column < 0)
            continue;
        const CString value = Trimmed(Cell(row, direct.column));
        if (value.IsEmpty())
            continue;
        if (first.collect == Direct::Collect::Entries) {
            // Checked as the library would read it from its own column.
            Produced one;
            CheckCell(direct, row, line, one, report);
            const CString checked = one.replaced.empty() ? value : one.replaced.front().second;
            if (!checked.IsEmpty())
                out.added[direct.field].push_back(checked);
            continue;
        }
        values.push_back(value);
    }
    if (first.collect == Direct::Collect::Entries) {
        out.changed = true; // the columns go to the added ones whatever they hold
        return;
    }
    CString text;
    for (const CString& value : values) {
        if (first.collect == Direct::Collect::First) {
            text = value;
            break;
        }
        text += (text.IsEmpty() ? CString() : CString(u", ")) + value;
    }
    if (text != Cell(row, first.column)) {
        out.replaced.emplace_back(first.column, text);
        out.changed = true;
    }
}

void ReadPlan::Impl::Produce(const CStringArray& row, int64_t line, Produced& out, bool report)
{
    for (size_t d = 0; d < directs.size(); ++d) {
        const Direct& direct = directs[d];
        if (direct.collect != Direct::Collect::None) {
            if (direct.primary)
                Collect(d, row, line, out, report);
            continue;
        }
        if (!words[d].empty()) {
            const CString value = Trimmed(Cell(row, direct.column));
            for (const detail::ValueWord* word : words[d])
                if (value.CompareNoCase(word->word) == 0) {
                    out.replaced.emplace_back(direct.column, CString(word->text));
                    out.changed = true;
                    break;
                }
        }
        CheckCell(direct, row, line, out, report);
    }

    if (groups >= 0) {
        const Direct& direct = directs[static_cast<size_t>(groups)];
        const CString cell = Cell(row, direct.column);
        std::vector<CString> names = Pieces(cell, groupSeparators);
        if (programGroups) {
            const size_t before = names.size();
            std::erase_if(names, [](const CString& name) { return name.Left(2) == CString(u"* "); });
            if (report && names.size() < before)
                Report(Kind::ProgramGroups, direct.column, line, cell, CString());
        }
        const CString first = names.empty() ? CString() : names.front();
        if (first != cell) {
            out.replaced.emplace_back(direct.column, first);
            out.changed = true;
        }
        for (size_t i = 1; i < names.size(); ++i)
            out.added[direct.field].push_back(names[i]);
        if (report && names.size() > 1)
            Report(Kind::GroupsSplit, direct.column, line, cell, CString());
    }

    if (display >= 0) {
        const CString whole = Trimmed(Cell(row, display));
        const CString first = firstName >= 0 ? Cell(row, directs[static_cast<size_t>(firstName)].column) : CString();
        const CString last = lastName >= 0 ? Cell(row, directs[static_cast<size_t>(lastName)].column) : CString();
        if (!whole.IsEmpty() && Trimmed(first).IsEmpty() && Trimmed(last).IsEmpty()) {
            // "Ana Lima": the last word is the last name.
            const int space = whole.ReverseFind(u' ');
            const CString given = space < 0 ? whole : Trimmed(whole.Left(space));
            const CString family = space < 0 ? CString() : whole.Mid(space + 1);
            auto put = [&](int d, std::u16string_view field, const CString& text) {
                if (text.IsEmpty())
                    return;
                if (d >= 0)
                    out.replaced.emplace_back(directs[static_cast<size_t>(d)].column, text);
                else
                    out.added[FieldOf(field)].push_back(text);
                out.changed = true;
            };
            put(firstName, u"FIRST_NAME", given);
            put(lastName, u"LAST_NAME", family);
        }
    }

    if (birth[0] >= 0) {
        const CString y = Trimmed(Cell(row, birth[0])), m = Trimmed(Cell(row, birth[1])), d = Trimmed(Cell(row, birth[2]));
        if (!(y + m + d).IsEmpty()) {
            const auto year = WholeNumber(y), month = WholeNumber(m), day = WholeNumber(d);
            const bool whole = year && month && day && *year >= 100 &&
                               COleDateTime(*year, *month, *day, 0, 0, 0).GetStatus() == COleDateTime::valid;
            if (whole)
                out.added[FieldOf(u"BIRTHDAY")].push_back(IsoDate(*year, *month, *day));
            else if (report)
                Report(Kind::DateIncomplete, birth[2], line,
                       (y.IsEmpty() ? CString(u"?") : y) + u"-" + (m.IsEmpty() ? CString(u"?") : m) + u"-" +
                           (d.IsEmpty() ? CString(u"?") : d),
                       CString());
            out.changed = true;
        }
    }

    if (!typed.empty()) {
        ReadTyped(row, line, out, report);
        out.changed = out.changed || !out.added.empty();
    }

    if (allDay >= 0) {
        const Direct& endDirect = directs[static_cast<size_t>(end)];
        const CString flag = Trimmed(Cell(row, directs[static_cast<size_t>(allDay)].column));
        const CString endDate = Trimmed(Cell(row, endDirect.column));
        const bool allDayEntry = flag == CString(u"1") || flag.CompareNoCase(u"TRUE") == 0;
        if (allDayEntry && !endDate.IsEmpty() && Trimmed(Cell(row, endDirect.next)).IsEmpty()) {
            // The entry ends on its end date: hand the library the day after,
            // which it takes off again.
            if (const auto date = ParseLocaleDateTime(endDate.str(), options.locale)) {
                const COleDateTime next(date->m_dt + 1.0);
                const CString text = IsoDate(next.GetYear(), next.GetMonth(), next.GetDay()) + u" 00:00";
                std::erase_if(out.replaced, [&](const auto& cell) { return cell.first == endDirect.column; });
                out.replaced.emplace_back(endDirect.column, text);
                out.changed = true;
                if (report)
                    Report(Kind::AllDayEnd, endDirect.column, line, endDate, text);
            }
        }
    }
}

ReadPlan::ReadPlan(const RecordType& type, const Header& header, const Mapping& mapping,
                   const detail::HostLayout* layout, Options options)
    : m_impl(std::make_unique<Impl>(type, header, layout, std::move(options)))
{
    m_impl->Build(mapping);
}

ReadPlan::~ReadPlan() = default;
ReadPlan::ReadPlan(ReadPlan&&) noexcept = default;
ReadPlan& ReadPlan::operator=(ReadPlan&&) noexcept = default;

bool ReadPlan::WantsRows() const
{
    return m_impl->active || std::find(m_impl->read.begin(), m_impl->read.end(), false) != m_impl->read.end();
}

bool ReadPlan::Reads(int column) const
{
    return column >= 0 && column < static_cast<int>(m_impl->read.size()) && m_impl->read[static_cast<size_t>(column)];
}

void ReadPlan::Observe(const CStringArray& row, int64_t line)
{
    Impl& d = *m_impl;
    const int columns = std::min(row.GetSize(), static_cast<int>(d.read.size()));
    for (int i = 0; i < columns; ++i)
        if (!d.read[static_cast<size_t>(i)] && !row[i].IsEmpty() && row[i] != d.blank[static_cast<size_t>(i)])
            ++d.unread[static_cast<size_t>(i)];
    if (!d.active)
        return;
    Produced produced;
    d.Produce(row, line, produced, true);
    d.changed = d.changed || produced.changed;
    for (const auto& [field, values] : produced.added)
        d.mostAdded[static_cast<size_t>(field)] =
            std::max(d.mostAdded[static_cast<size_t>(field)], static_cast<int>(values.size()));
}

void ReadPlan::ForceRewrite()
{
    m_impl->forced = true;
}

bool ReadPlan::NeedsRewrite() const
{
    return m_impl->changed || m_impl->forced;
}

const Mapping& ReadPlan::LibraryMapping() const
{
    Impl& d = *m_impl;
    if (d.libraryMapping)
        return *d.libraryMapping;
    Mapping mapping;
    for (const Direct& direct : d.directs) {
        // Of several columns of a field the first holds what the others
        // add, or the added columns hold them all.
        if (direct.collect == Direct::Collect::Entries || !direct.primary)
            continue;
        mapping.fieldNames.AddTail(direct.fieldName);
        mapping.fileColumns.AddTail(direct.column >= 0 ? d.header.names[direct.column] : direct.fieldName);
    }
    // The added columns, by the converter's column order; each named so
    // that no column of the file has its name.
    d.addedColumns.clear();
    for (size_t f = 0; f < d.layout.columns.size(); ++f) {
        for (int n = 0; n < d.mostAdded[f]; ++n) {
            d.addedColumns.emplace_back(static_cast<int>(f), n);
            CString name = CString(u"[") + d.layout.columns[f].fieldName + u" " +
                           CString::FromUtf8(std::to_string(n + 1)) + u"]";
            while (d.header.Find(name.str(), false) >= 0)
                name = CString(u"[") + name + u"]";
            mapping.fieldNames.AddTail(CString(d.layout.columns[f].fieldName));
            mapping.fileColumns.AddTail(name);
        }
    }
    mapping.given = false;
    d.libraryMapping = std::move(mapping);
    return *d.libraryMapping;
}

CStringArray ReadPlan::LibraryHeader() const
{
    const Mapping& mapping = LibraryMapping();
    CStringArray names = m_impl->header.names;
    auto column = mapping.fileColumns.begin();
    const size_t plain = mapping.fileColumns.GetCount() - m_impl->addedColumns.size();
    std::advance(column, static_cast<std::ptrdiff_t>(plain));
    for (; column != mapping.fileColumns.end(); ++column)
        names.Add(*column);
    return names;
}

void ReadPlan::Adapt(const CStringArray& row, CStringArray& out) const
{
    Impl& d = *m_impl;
    (void)LibraryMapping();
    out = row;
    if (!d.active)
        return;
    Produced produced;
    d.Produce(row, 0, produced, false);
    for (const auto& [column, text] : produced.replaced)
        if (column >= 0 && column < out.GetSize())
            out[column] = text;
    if (d.addedColumns.empty())
        return;
    // The added columns stand after the header's: a short row is filled up
    // to it, a long one cut at it (its extra cells were never read).
    out.SetSize(d.header.names.GetSize());
    for (const auto& [field, n] : d.addedColumns) {
        const auto values = produced.added.find(field);
        const bool has = values != produced.added.end() && n < static_cast<int>(values->second.size());
        out.Add(has ? values->second[static_cast<size_t>(n)] : CString());
    }
}

std::vector<CellReport> ReadPlan::Reports() const
{
    return m_impl->reports;
}

std::vector<UnreadColumn> ReadPlan::Unread() const
{
    std::vector<UnreadColumn> columns;
    for (size_t i = 0; i < m_impl->unread.size(); ++i)
        if (m_impl->unread[i] > 0)
            columns.push_back({m_impl->header.Matched(static_cast<int>(i)).ToUtf8(), m_impl->unread[i]});
    return columns;
}

std::vector<FieldSource> ReadPlan::Sources() const
{
    const Impl& d = *m_impl;
    std::vector<FieldSource> sources;
    auto sourceOf = [&](std::u16string_view field) -> FieldSource& {
        const std::string name = CString(field).ToUtf8();
        for (FieldSource& source : sources)
            if (source.field == name)
                return source;
        FieldSource source;
        source.field = name;
        return sources.emplace_back(std::move(source));
    };
    for (const CSVColumn& column : d.layout.columns) {
        FieldSource& source = sourceOf(column.fieldName);
        for (const Direct& direct : d.directs)
            if (direct.field >= 0 && d.layout.columns[static_cast<size_t>(direct.field)].fieldName == column.fieldName &&
                direct.column >= 0)
                source.columns.push_back(d.header.Matched(direct.column).ToUtf8());
    }
    if (d.display >= 0) {
        for (const auto& [field, part] : {std::pair(u"FIRST_NAME", "its first words"),
                                          std::pair(u"LAST_NAME", "its last word")}) {
            FieldSource& source = sourceOf(field);
            source.columns.push_back(d.header.Matched(d.display).ToUtf8());
            source.ruleColumns.push_back(source.columns.back());
            source.how = std::string(part) + ", when the names are empty";
            source.extra = true;
        }
    }
    if (d.birth[0] >= 0) {
        FieldSource& birthday = sourceOf(u"BIRTHDAY");
        for (int column : d.birth) {
            birthday.columns.push_back(d.header.Matched(column).ToUtf8());
            birthday.ruleColumns.push_back(birthday.columns.back());
        }
        birthday.how = "year, month and day";
        birthday.extra = true;
    }
    for (const TypedGroup& group : d.typed) {
        if (group.type < 0)
            continue;
        const std::string by = "each by the type beside it";
        for (const auto& [part, column] : group.parts) {
            std::vector<std::u16string_view> fields;
            if (group.kind == u"Phone" && part == u"Value")
                fields = {u"TEL_WORK1", u"TEL_HOME1", u"TEL_MOBILE1", u"TEL_FAX1", u"TEL_OTHER1"};
            else if (group.kind == u"E-mail" && part == u"Value")
                fields = {u"EMAIL_HOME", u"EMAIL_WORK", u"EMAIL_OTHER"};
            else if (group.kind == u"Website" && part == u"Value")
                fields = {u"URL_WORK", u"URL_HOME", u"URL_OTHER"};
            else if (group.kind == u"Event" && part == u"Value")
                fields = {u"ANNIVERSARY"};
            else if (group.kind == u"Address" && part == u"Street")
                fields = {u"ADR_WORK_STREET", u"ADR_HOME_STREET", u"ADR_OTHER_STREET"};
            else if (group.kind == u"Organization" && group.number == 1)
                fields = {part == u"Name" ? u"COMPANY" : part == u"Title" ? u"JOB_TITLE" : u"DEPARTMENT"};
            for (std::u16string_view field : fields) {
                FieldSource& source = sourceOf(field);
                source.columns.push_back(d.header.Matched(column).ToUtf8());
                source.ruleColumns.push_back(source.columns.back());
                source.extra = true;
                if (group.kind != u"Organization")
                    source.how = by;
            }
        }
    }
    if (d.groups >= 0)
        sourceOf(u"GROUP_NAME").how = "each name";
    return sources;
}

bool CellReport::Loses() const
{
    switch (kind) {
    case Kind::DateUnreadable:
    case Kind::DateIncomplete:
    case Kind::Extension:
    case Kind::Letters:
    case Kind::Word:
    case Kind::WordsBeside:
    case Kind::LeftOut: return true;
    default: return false;
    }
}

std::string CellReport::Describe(const std::string& file) const
{
    const bool one = count == 1;
    const std::string n = std::to_string(count);
    const std::string where = "in column \"" + column + "\" of " + file;
    const std::string first = (one ? " (line " : " (the first on line ") + std::to_string(firstLine) + ": \"" +
                              firstValue + "\"";
    const std::string became = firstResult.empty() ? ")" : ", handed on as \"" + firstResult + "\")";
    switch (kind) {
    case Kind::NoDate:
        return n + (one ? " cell " : " cells ") + where + (one ? " says" : " say") + " \"no date\"" + first +
               "): left empty, no date is stored";
    case Kind::DateRewritten:
        return n + (one ? " date " : " dates ") + where + (one ? " is" : " are") +
               " written in a way the library would misread" + first + became + " and read as the locale reads it";
    case Kind::DateUnreadable:
        return n + (one ? " cell " : " cells ") + where + (one ? " is" : " are") +
               " not a date that can be read" + first + "): left empty, no date is stored";
    case Kind::DateIncomplete:
        return n + (one ? " birthday " : " birthdays ") + "in the columns before \"" + column + "\" of " + file +
               (one ? " is" : " are") + " not a whole date" + first + "): left out";
    case Kind::AllDayEnd:
        return n + (one ? " all-day entry " : " all-day entries ") + where + (one ? " ends" : " end") +
               " on the day its end date names" + first + became;
    case Kind::TrunkDropped:
        return n + (one ? " telephone number " : " telephone numbers ") + where +
               (one ? " has" : " have") + " a \"(0)\" after the country code, which is not dialled from abroad" +
               first + became;
    case Kind::Extension:
        return n + (one ? " telephone number " : " telephone numbers ") + where + (one ? " has" : " have") +
               " an extension, stored after a pause (\"p\")" + first + became;
    case Kind::Letters:
        return n + (one ? " telephone number " : " telephone numbers ") + where + (one ? " is" : " are") +
               " written with letters, stored as the digits of their keys" + first + became;
    case Kind::Word:
        return n + (one ? " cell " : " cells ") + where + (one ? " holds" : " hold") +
               " words instead of a telephone number" + first + "): left empty";
    case Kind::WordsBeside:
        return n + (one ? " telephone number " : " telephone numbers ") + where + (one ? " has" : " have") +
               " words beside it, which were left out" + first + became;
    case Kind::GroupsSplit:
        return n + (one ? " cell " : " cells ") + where + (one ? " names" : " name") +
               " several groups" + first + "): the contact is linked to each";
    case Kind::ProgramGroups:
        return n + (one ? " cell " : " cells ") + where + (one ? " names" : " name") +
               " groups that are the exporting program's own (\"* ...\")" + first + "): those are left out";
    case Kind::LeftOut:
        return n + (one ? " value " : " values ") + where + " had no place in a contact" + first + "): left out";
    }
    return {};
}

} // namespace varno::host
