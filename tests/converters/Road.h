// Shared by the converter tests: the road through CSVMng on a real store in a
// temporary folder (storetest::TempStore). Files written from lines, imports
// through the facade, the mapping a host makes from a converter's layout,
// calendar-type records stored, loaded and described, dates as UTC text, and the
// export-import-export round trip. Each suite fixes its own zone, locale,
// clock and code page with the guards of TestSupport.h.
#pragma once

#include "engine/CSVLayout.h"
#include "manager/CSVMng.h"
#include "tests/store/StoreTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <tuple>
#include <vector>

namespace varno::test {

using storetest::Date;

/// A date as "YYYY-MM-DD hh:mm" of its fields as held (UTC for a record),
/// or "null" / "invalid".
inline std::string Utc(const COleDateTime& date)
{
    if (date.GetStatus() == COleDateTime::null)
        return "null";
    const auto f = date.GetFields();
    if (date.GetStatus() != COleDateTime::valid || !f)
        return "invalid";
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", f->year, f->month, f->day, f->hour, f->minute);
    return text;
}

/// The names of a list, in UTF-8.
inline std::vector<std::string> Names(const CStringList& list)
{
    std::vector<std::string> names;
    for (const CString& name : list)
        names.push_back(name.ToUtf8());
    return names;
}

/// The host's mapping for a file with `header`: the pairs of the first
/// foreign layout the header matches, for the columns it has; otherwise each
/// own column found by its export name (as the header names it).
inline std::pair<CStringList, CStringList> HostMapping(const CSVLayout& layout, const CStringArray& header)
{
    auto has = [&](std::u16string_view column) {
        for (const CString& name : header)
            if (name.CompareNoCase(column) == 0)
                return true;
        return false;
    };
    std::pair<CStringList, CStringList> mapping;
    for (const CSVForeignLayout& foreign : layout.foreignLayouts) {
        if (!foreign.Matches(header))
            continue;
        for (const auto& [field, column] : foreign.mapping)
            if (has(column)) {
                mapping.first.AddTail(CString(field));
                mapping.second.AddTail(CString(column));
            }
        return mapping;
    }
    for (const CSVColumn& column : layout.columns)
        if (has(column.exportName)) {
            mapping.first.AddTail(CString(column.fieldName));
            mapping.second.AddTail(CString(column.exportName));
        }
    return mapping;
}

class Road : public storetest::TempStore {
protected:
    /// Writes `lines` joined by CR LF.
    void WriteLines(std::string_view name, const std::vector<std::string>& lines) const
    {
        std::string bytes;
        for (const std::string& line : lines)
            bytes += line + "\r\n";
        WriteBytes(name, bytes);
    }

    /// A memo, to-do item or calendar entry; its alarm at `alarmAt` when that
    /// is valid, else `alarmLead` minutes ahead when that is not negative.
    struct CalendarRecord {
        const char *summary = "", *description = "", *color = "", *location = "";
        COleDateTimeNull start = {}, end = {}, due = {}, alarmAt = {};
        int allDay = 0, completed = 0, priority = 0, alarmLead = -1, deleted = 0;
    };
    /// Saves `records` as records of calendar type `type` into `profile`.
    void Store(int profile, unsigned char type, const std::vector<CalendarRecord>& records)
    {
        CCalendars saved;
        for (const CalendarRecord& e : records) {
            CCalendar& r = *saved.AddNew();
            r.CalendarType = type;
            std::tie(r.Summary, r.Description, r.Color, r.Location) =
                std::tuple(U8(e.summary), U8(e.description), U8(e.color), U8(e.location));
            std::tie(r.StartTime, r.EndTime, r.DueDate) = std::tuple(e.start, e.end, e.due);
            std::tie(r.AllDay, r.Completed, r.Priority, r.DeletedMark) =
                std::tuple(e.allDay, e.completed, e.priority, e.deleted);
            if (e.alarmAt.GetStatus() == COleDateTime::valid)
                r.SetAlarmDateTime(e.alarmAt);
            else if (e.alarmLead >= 0)
                r.SetAlarmRunTime(e.alarmLead);
        }
        ASSERT_EQ(saved.SaveToDB(profile, false), std::ssize(records));
    }

    /// Imports `file` as `type` into `profile` (success expected), field k
    /// read from column k (of the same name when no columns are given);
    /// gives the store's save result.
    long Import(unsigned long type, std::string_view file, CStringList fields, CStringList columns = {},
                int profile = 1, int option = -1)
    {
        long count = -99;
        if (columns.IsEmpty())
            columns = fields;
        EXPECT_EQ(manager.Import(type, count, profile, PathOf(file), fields, columns, option, false), CSVERR_SUCCESS)
            << file;
        return count;
    }

    /// The host's mapping for the header of the file at `path`.
    std::pair<CStringList, CStringList> MappingFor(unsigned long type, const CString& path)
    {
        CStringArray header;
        EXPECT_EQ(manager.GetField(path, header), CSVERR_SUCCESS) << path.ToUtf8();
        return HostMapping(*CSVMng::GetLayout(type), header);
    }

    /// The stored records of `profile` and calendar type, deleted ones too,
    /// as `describe` gives them.
    template <class Describe>
    std::vector<std::string> Load(int profile, int calendarType, Describe describe)
    {
        CCalendars records;
        EXPECT_GE(records.OpenFromDB(profile, calendarType, 1), 0);
        std::vector<std::string> out;
        for (int i = 0; i < records.GetCount(); ++i)
            out.push_back(describe(*records.GetAt(i)));
        return out;
    }

    /// One file: a header, the host's lists (none: the mapping the host
    /// makes from the layout), and data lines with the record each must
    /// become, as a test's description gives it.
    struct Group {
        const char* what;
        std::string header;
        CStringList fields, columns;
        std::vector<std::pair<std::string, std::string>> rows; // line, record
    };

    /// Writes each group's file, counts it (every layout is read as ours:
    /// one record per line) and imports it into a profile of its own; the
    /// records stored of `calendarType`, as `describe` gives them, must be
    /// those of the group's rows.
    template <class Describe>
    void ExpectGroups(unsigned long type, int calendarType, std::span<const Group> groups, Describe describe)
    {
        for (int profile = 1; const Group& group : groups) {
            std::vector<std::string> lines{group.header};
            for (const auto& row : group.rows)
                lines.push_back(row.first);
            WriteLines("in.csv", lines);
            auto [fields, columns] = group.fields.IsEmpty() ? MappingFor(type, PathOf("in.csv"))
                                                            : std::pair{group.fields, group.columns};
            long counted = -1;
            EXPECT_EQ(manager.Count(type, counted, 0, PathOf("in.csv"), fields, columns, 0), CSVERR_SUCCESS);
            EXPECT_EQ(counted, std::ssize(group.rows)) << group.what;
            EXPECT_EQ(Import(type, "in.csv", fields, columns, profile), counted);
            const std::vector<std::string> stored = Load(profile++, calendarType, describe);
            ASSERT_EQ(stored.size(), group.rows.size()) << group.what;
            for (size_t i = 0; i < stored.size(); ++i)
                EXPECT_EQ(stored[i], group.rows[i].second) << group.what << ": " << group.rows[i].first;
        }
    }

    /// Exports the `rows` records of profile 1, imports the file into a
    /// fresh store with every field of the layout mapped to its own column
    /// and exports again: the files must be byte-identical. On the way, an
    /// empty profile and a store that is no database (a file of other bytes,
    /// a folder) write no file; then, the store still no database, Count
    /// gives the number of rows (it needs no store), and a file that cannot
    /// be read fails Count and Import alike, leaving the count and the store
    /// file as they were.
    /// The layout's principal fields, those a host requires one of, must be
    /// `principal` (names after a space).
    void ExpectStableRoundTrip(unsigned long type, long rows, const std::string& principal)
    {
        EXPECT_EQ(manager.Export(type, 2, PathOf("none.csv")), 0);
        ASSERT_EQ(manager.Export(type, 1, PathOf("first.csv")), rows);
        SetStorePath(PathOf("fresh.db"));
        CStringList fields, columns;
        std::string principals;
        for (const CSVColumn& column : CSVMng::GetLayout(type)->columns) {
            fields.AddTail(CString(column.fieldName));
            columns.AddTail(CString(column.exportName));
            if (column.principal)
                principals.append(1, ' ').append(CString(column.fieldName).ToUtf8());
        }
        EXPECT_EQ(principals, principal);
        EXPECT_EQ(Import(type, "first.csv", fields, columns), rows);
        ASSERT_EQ(manager.Export(type, 1, PathOf("second.csv")), rows);
        EXPECT_EQ(ReadBytes("second.csv"), ReadBytes("first.csv"));
        WriteBytes("broken.db", "not a database");
        std::filesystem::create_directory(m_dir / "folder.db");
        for (const char* store : {"folder.db", "broken.db"}) {
            SetStorePath(PathOf(store));
            EXPECT_EQ(manager.Export(type, 1, PathOf("none.csv")), -1) << store;
            EXPECT_FALSE(Exists("none.csv")) << store;
        }
        WriteBytes("header-only.csv", ReadBytes("first.csv").substr(0, ReadBytes("first.csv").find('\n') + 1));
        const std::tuple<const char*, _en_CSVError, long> files[] = {{"first.csv", CSVERR_SUCCESS, rows},
            {"missing.csv", CSVERR_FILEOPEN, 42}, {"header-only.csv", CSVERR_FAIL, 42}, {"", CSVERR_FAIL, 42}};
        for (const auto& [file, result, counted] : files) {
            const CString path = *file ? PathOf(file) : CString();
            long count = 42;
            EXPECT_EQ(manager.Count(type, count, 1, path, fields, columns, 0), result) << file;
            EXPECT_EQ(count, counted) << file;
            if (result != CSVERR_SUCCESS) {
                EXPECT_EQ(manager.Import(type, count, 1, path, fields, columns, -1, false), result) << file;
                EXPECT_EQ(count, 42) << file;
            }
        }
        EXPECT_EQ(ReadBytes("broken.db"), "not a database");
        EXPECT_TRUE(std::filesystem::is_empty(m_dir / "folder.db"));
    }

    CSVMng manager;
};

} // namespace varno::test
