// The words for each cause of a store failure.
#include "host/StoreFailureText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>

namespace {

using varno::host::DescribeStoreFailure;

TEST(StoreFailureTextTest, EveryCauseHasItsOwnWordsAndOnlyAnUnclassifiedOneQuotesSqlite)
{
    std::set<std::string> seen;
    for (int c = 0; c <= static_cast<int>(StoreCause::Other); ++c) {
        const StoreFailure failure{static_cast<StoreCause>(c), 1, 0, "detail"};
        const std::string text = DescribeStoreFailure(failure);
        EXPECT_TRUE(seen.insert(text).second) << "cause " << c << " shares its words: " << text;
        EXPECT_EQ(text.find("SQLite says"), c == static_cast<int>(StoreCause::Other) ? 0 : std::string::npos)
            << text;
    }
}

TEST(StoreFailureTextTest, CausesSayWhatHappenedAndWhatToDo)
{
    const struct {
        StoreFailure failure;
        const char* says;
    } cases[] = {
        {{StoreCause::DiskFull, 13, ENOSPC, "database or disk is full"},
         "disk full: free some space on its disk and try again"},
        {{StoreCause::FileTooLarge, 778, EFBIG, "disk I/O error"},
         "file too large: the size limit for files (ulimit -f) was reached; raise it and try again"},
        {{StoreCause::Permission, 14, EACCES, "unable to open database file"},
         "permission denied: you may not open it (or its folder); check its permissions"},
        {{StoreCause::CannotOpen, 14, ENOENT, "unable to open database file"},
         "it cannot be opened: No such file or directory"},
        {{StoreCause::CannotOpen, 14, 0, "unable to open database file"}, "it cannot be opened"},
        {{StoreCause::IO, 266, EIO, "disk I/O error"},
         "it could not be read or written (disk I/O error: Input/output error); check its disk"},
        {{StoreCause::NewerSchema, 0, 0, "schema version 3; this program reads versions up to 1"},
         "a store of a newer version (schema version 3; this program reads versions up to 1): use a newer varnocsv"},
        {{StoreCause::Other, 1, 0, "no such table: calendar"}, "SQLite says: no such table: calendar"},
        {{StoreCause::Other, 0, 0, "a record's values do not fit"}, "a record's values do not fit"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DescribeStoreFailure(c.failure), c.says);
}

} // namespace
