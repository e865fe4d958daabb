// CSVMng: the path check of Export and the results of the facade itself
// (empty path, data types without a converter). Header reading is
// CSVFileTest's; the converter tests read headers through the facade.
#include "manager/CSVMng.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

namespace varno::test {
namespace {

TEST(CSVMng, CheckValidFilePathAppendsTheExtensionWhereItIsMissing)
{
    const std::tuple<const char*, int, const char*> cases[] = {
        {"", 0, ""},           {"/tmp/A.CSV", 1, "/tmp/A.CSV"}, {"b.CsV", 1, "b.CsV"},
        {".csv", 1, ".csv"},   {"a.txt", 1, "a.txt.csv"},
        {"csv", 1, "csv.csv"},                                   // shorter than four: never matches
        {"x.csv ", 1, "x.csv .csv"},                             // no trimming
        {"메모.ＣＳＶ", 1, "메모.ＣＳＶ.csv"},
    };
    for (const auto& [given, result, after] : cases) {
        CSVMng mng;
        CString path = U8(given);
        EXPECT_EQ(mng.CheckValidFilePath(path), result) << given;
        EXPECT_EQ(path.ToUtf8(), after);
    }
}

TEST(CSVMng, TypesWithoutAConverterGiveTheNoConverterResult)
{
    CSVMng mng;
    CStringList fieldNames{u"memo"}, fileColumns{u"memo"};
    EXPECT_EQ(mng.Export(CSVTYPE_MEMO, 0, CString()), -1); // empty path, before the type is looked at
    CStringArray names{u"stale"}; // the header is read whatever the type; here the file's absence shows
    EXPECT_EQ(mng.GetField(u"/nonexistent-dir/in.csv", names), CSVERR_FILEOPEN);
    for (unsigned long type : {0ul, 7ul, 0xFFFFFFFFul}) {
        long count = 12345;
        EXPECT_EQ(mng.Export(type, 0, u"/nonexistent-dir/out.csv"), -1) << type;
        EXPECT_EQ(mng.Count(type, count, 0, u"in.csv", fieldNames, fileColumns, 0), CSVERR_FAIL) << type;
        EXPECT_EQ(mng.Import(type, count, 0, u"in.csv", fieldNames, fileColumns, -1, true), CSVERR_FAIL) << type;
        EXPECT_EQ(count, 12345) << type;
    }
    // Only contacts and text messages are exported from host-held records.
    for (unsigned long type : {0ul, 2ul, 3ul, 4ul, 6ul, 7ul})
        EXPECT_EQ(mng.ExportFromPC(type, 0, u"out.csv", nullptr, nullptr, nullptr), -1) << type;
}

} // namespace
} // namespace varno::test
