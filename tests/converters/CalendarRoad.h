// Shared by the to-do and calendar tests: a real store in a temporary folder,
// a fixed zone (UTC+9, no daylight saving), locale (ko_KR), clock and code
// page (UTF-8, so test files are written as they read here), files written
// from lines, the mapping a host makes from a converter's layout, and
// records described as text with their dates in UTC.
#pragma once

#include "engine/CSVLayout.h"
#include "manager/CSVMng.h"
#include "platform/COleDateTime.h"
#include "store/Calendars.h"
#include "store/Store.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <string>
#include <vector>

namespace varno::test {

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

class CalendarRoad : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        SetStorePath(PathOf("store.db"));
    }
    void TearDown() override
    {
        SetStorePath(CString());
        TempDirTest::TearDown();
    }

    /// Writes `lines` joined by CR LF (UTF-8, read in the fixed code page).
    void WriteLines(std::string_view name, const std::vector<std::string>& lines) const
    {
        std::string bytes;
        for (const std::string& line : lines)
            bytes += line + "\r\n";
        WriteBytes(name, bytes);
    }

    /// Imports `file` as `type` into `profile` (success expected) and gives
    /// the store's save result.
    long Import(unsigned long type, std::string_view file, CStringList fields, CStringList columns, int profile)
    {
        long count = -99;
        EXPECT_EQ(manager.Import(type, count, profile, PathOf(file), fields, columns, -1, false), CSVERR_SUCCESS)
            << file;
        return count;
    }

    /// The stored records of `profile` and calendar type, as `describe`
    /// gives them.
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

    TimeZoneGuard zone{"KST-9"};
    UserLocaleGuard locale{"ko_KR"};
    FixedNowGuard now{1590969600}; // what an unreadable date becomes: 2020-06-01 00:00 UTC
    CodePageGuard codePage{65001};
    CSVMng manager;
};

} // namespace varno::test
