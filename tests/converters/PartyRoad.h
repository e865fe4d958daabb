// Shared by the text-message and e-mail tests: a real store in a temporary
// folder, the time zone fixed at UTC+9 without daylight saving, code page
// 949 and the Korean locale, and the import and round trip through CSVMng.
#pragma once

#include "manager/CSVMng.h"
#include "platform/Locale.h"
#include "store/Store.h"
#include "tests/support/TestSupport.h"

#include <string>
#include <vector>

namespace varno::test {

/// One CSV record of quoted values, as export writes it, without line end.
inline std::string CsvRecord(const std::vector<std::string>& cells)
{
    std::string line;
    for (const std::string& cell : cells) {
        line += line.empty() ? "\"" : ",\"";
        for (char c : cell)
            line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    return line;
}

/// A UTC value for the store.
inline COleDateTimeNull Utc(int y, int mo, int d, int h, int mi) { return COleDateTime(y, mo, d, h, mi, 0); }

class PartyRoad : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        SetStorePath(PathOf("store.db"));
        SetUserLocale("ko_KR");
    }
    void TearDown() override
    {
        SetUserLocale(m_locale);
        SetStorePath(CString());
        TempDirTest::TearDown();
    }

    /// Imports `file` into `profile`, field k read from column k (`fields`
    /// when no columns are given); the count. Fails the test unless the
    /// import succeeds.
    long Import(unsigned long type, const std::string& file, CStringList fields, CStringList columns = {},
                int profile = 1)
    {
        if (columns.IsEmpty())
            columns = fields;
        long count = -99;
        EXPECT_EQ(manager.Import(type, count, profile, PathOf(file), fields, columns, 0, false), CSVERR_SUCCESS);
        return count;
    }

    /// Exports profile 1 of the store holding `rows` records, imports the
    /// file into a fresh store with every field of the layout mapped to its
    /// own column, and exports again: the two files must be byte-identical.
    void ExpectStableRoundTrip(unsigned long type, long rows)
    {
        ASSERT_EQ(manager.Export(type, 1, PathOf("first.csv")), rows);
        SetStorePath(PathOf("fresh.db"));
        CStringList fields, columns;
        for (const CSVColumn& column : CSVMng::GetLayout(type)->columns) {
            fields.AddTail(CString(column.fieldName));
            columns.AddTail(CString(column.exportName));
        }
        EXPECT_EQ(Import(type, "first.csv", fields, columns), rows);
        ASSERT_EQ(manager.Export(type, 1, PathOf("second.csv")), rows);
        EXPECT_EQ(ReadBytes("second.csv"), ReadBytes("first.csv"));
    }

    TimeZoneGuard zone{"KST-9"};
    CodePageGuard codePage{949};
    std::string m_locale = GetUserLocale();
    CSVMng manager;
};

} // namespace varno::test
