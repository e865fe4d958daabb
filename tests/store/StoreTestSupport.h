// Shared helpers of the store tests: a temporary store, a fixed time zone,
// direct SQL on the store file, and date comparisons.
#pragma once

#include "store/Store.h"
#include "tests/support/TestSupport.h"

#include "platform/COleDateTime.h"
#include "platform/CString.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <time.h>

namespace storetest {

inline CString U(const char* utf8)
{
    return CString::FromUtf8(utf8);
}

using varno::test::ReadFile;

/// Runs constant SQL on a database file outside the store's code; fails the
/// test when SQLite refuses it.
inline void Sql(const std::filesystem::path& file, const char* sql)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open(file.c_str(), &db);
    char* error = nullptr;
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK)
        ADD_FAILURE() << sql << ": " << (error ? error : sqlite3_errmsg(db));
    sqlite3_free(error);
    sqlite3_close(db);
}

/// The first column of the first row of `sql` as text ("" when none).
inline std::string SqlText(const std::filesystem::path& file, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    std::string result;
    if (sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0))
        result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

/// A store in a fresh temporary folder, removed afterwards; the store path
/// goes back to the default.
class TempStore : public varno::test::TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        m_file = m_dir / "store.db";
        SetStorePath(CString::FromUtf8(m_file.string()));
    }
    void TearDown() override
    {
        SetStorePath(CString());
        TempDirTest::TearDown();
    }

    std::filesystem::path m_file;
};

using ScopedTimeZone = varno::test::TimeZoneGuard;

inline COleDateTimeNull Date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return COleDateTimeNull(COleDateTime(y, mo, d, h, mi, s));
}

inline COleDateTimeNull WithStatus(double days, COleDateTime::DateTimeStatus status)
{
    COleDateTimeNull date;
    date.m_dt = days;
    date.m_status = status;
    return date;
}

/// Same status and same day count (NaN counts as equal to NaN).
inline ::testing::AssertionResult SameDate(const COleDateTime& expected, const COleDateTime& actual)
{
    bool sameDay = expected.m_dt == actual.m_dt || (std::isnan(expected.m_dt) && std::isnan(actual.m_dt));
    if (sameDay && expected.m_status == actual.m_status)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected " << expected.m_dt << " status " << expected.m_status
                                         << ", got " << actual.m_dt << " status " << actual.m_status;
}

/// Texts that a store must keep exactly as they are.
inline CString Tricky()
{
    return U("it's \"quoted\"; DROP TABLE contact; -- 홍길동 ' OR 1=1; SELECT * FROM calendar");
}

} // namespace storetest
