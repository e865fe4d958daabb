// Shared by the text-message and e-mail tests: a real store in a temporary
// folder, the time zone fixed at UTC+9 without daylight saving, code page
// 949 and the Korean locale, and the round trip through CSVMng.
#pragma once

#include "manager/CSVMng.h"
#include "store/Store.h"
#include "tests/support/TestSupport.h"

#include <string>

namespace varno::test {

inline COleDateTimeNull Utc(int y, int mo, int d, int h, int mi) { return COleDateTime(y, mo, d, h, mi, 0); }

class PartyRoad : public TempDirTest {
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

    /// Imports `file` into `profile`, field k read from column k (of the
    /// same name when no columns are given); the count.
    long Import(unsigned long type, const std::string& file, CStringList fields, CStringList columns = {},
                int profile = 1)
    {
        long count = -99;
        if (columns.IsEmpty())
            columns = fields;
        EXPECT_EQ(manager.Import(type, count, profile, PathOf(file), fields, columns, 0, false), CSVERR_SUCCESS);
        return count;
    }

    /// Exports the `rows` records of profile 1, imports the file into a
    /// fresh store with every field of the layout mapped to its own column
    /// and exports again: the files must be byte-identical. On the way, an
    /// empty profile and a store that is no database write no file, and
    /// Count gives the number of rows. The layout's principal fields, those
    /// a host requires one of, must be `principal` (names after a space).
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
        SetStorePath(PathOf("broken.db"));
        EXPECT_EQ(manager.Export(type, 1, PathOf("none.csv")), -1);
        EXPECT_FALSE(Exists("none.csv"));
        long count = -1; // counting needs no store
        EXPECT_EQ(manager.Count(type, count, 1, PathOf("first.csv"), fields, columns, 0), CSVERR_SUCCESS);
        EXPECT_EQ(count, rows);
    }

    TimeZoneGuard zone{"KST-9"};
    CodePageGuard codePage{949};
    UserLocaleGuard locale{"ko_KR"};
    CSVMng manager;
};

} // namespace varno::test
