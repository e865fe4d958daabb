// The inspector against the reader it describes: fixed cases for what it
// reports, and seeded random files, fed in random pieces, whose header,
// separator and rows must be exactly what ImportFile makes of them.
// Reproduce a random failure with VARNO_INSPECT_SEED=<seed>.
#include "engine/CSVInspect.h"

#include "tests/engine/CodecReference.h"
#include "tests/engine/TestItem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace varno::test {
namespace {

CSVInspection InPieces(std::string_view bytes, unsigned codePage, size_t piece, bool semicolons = false,
                       std::vector<Texts>* records = nullptr)
{
    CSVInspector inspector(codePage, semicolons);
    if (records)
        inspector.OnRecord([records](CStringArray& values, int64_t) { records->push_back(Utf8(values)); });
    for (size_t i = 0; i < bytes.size(); i += piece)
        inspector.Feed(bytes.substr(i, piece));
    return inspector.Finish();
}

TEST(CSVInspect, ReportsWhatTheReaderWouldLose)
{
    const struct Case {
        std::string bytes;
        unsigned codePage;
        bool semicolons;
        Texts header;
        std::string separator;
        int64_t rows, longRows, longLine, shortRows, shortLine, openQuoteLine, nul, bad, badLine;
    } cases[] = {
        {"memo,color\r\nA,red\r\nB,blue\r\n", 65001, false, {"memo", "color"}, ",", 2, 0, 0, 0, 0, 0, -1, -1, 0},
        {"memo,color\n\"a\nb\",x\n\nc,d,e\r\nf\rg,h,i,j\n", 65001, false, {"memo", "color"}, ",", 4, 2, 5, 1, 6, 0,
         -1, -1, 0},
        {"memo,color\r\nA,red\r\n\"B,blue\r\nC,green\r\n", 65001, false, {"memo", "color"}, ",", 2, 0, 0, 1, 3, 3,
         -1, -1, 0},
        {std::string("memo,color\r\nA,red\r\nB\0,blue\r\nC,x\r\n", 30), 65001, false, {"memo", "color"}, ",", 2, 0,
         0, 1, 3, 0, 20, -1, 0},
        {"memo,color\r\nA,red\r\nCaf\xE9,x\r\n", 65001, false, {"memo", "color"}, ",", 2, 0, 0, 0, 0, 0, -1, 22, 3},
        {"memo,color\r\nA,red\r\nCaf\xE9,x\r\n", 1252, false, {"memo", "color"}, ",", 2, 0, 0, 0, 0, 0, -1, -1, 0},
        {"\xEF\xBB\xBFmemo,color\r\nA,B\r\n", 65001, false, {"\xEF\xBB\xBFmemo", "color"}, ",", 1, 0, 0, 0, 0, 0,
         -1, -1, 0},
        {"memo;color\r\nA;red\r\n\"x;y\";z;w\r\n", 65001, true, {"memo", "color"}, ";", 2, 1, 3, 0, 0, 0, -1, -1, 0},
        {"memo;color\r\nA;red\r\n", 65001, false, {"memo;color"}, ",", 1, 0, 0, 0, 0, 0, -1, -1, 0},
        {"\"a,b\";c\r\nx;y\r\n", 65001, true, {"a,b", "c"}, ";", 1, 0, 0, 0, 0, 0, -1, -1, 0},
        {"a,b;c\r\nx;y\r\n", 65001, true, {"a", "b;c"}, ",", 1, 0, 0, 1, 2, 0, -1, -1, 0},
        {"a\tb;c\r\nx\ty\r\n", 65001, true, {"a", "b;c"}, "\t", 1, 0, 0, 0, 0, 0, -1, -1, 0},
        {Utf16LE(u"Memo\tColor\r\n장보기\tpink\r\n") + std::string("\0\0x\0", 4), 949, false, {"Memo", "Color"}, "\t",
         1, 0, 0, 0, 0, 0, 46, -1, 0},
        // A record that ends in an empty cell is whole; one that lacks a cell is short.
        {"memo,color\r\nhello,\r\nB\r\nC,x,\r\n", 65001, false, {"memo", "color"}, ",", 3, 1, 4, 1, 3, 0, -1, -1,
         0},
        {"a,b,\r\n1,2,\r\n3,4\r\n", 65001, false, {"a", "b"}, ",", 2, 0, 0, 1, 3, 0, -1, -1, 0},
        {"", 65001, false, {}, "", 0, 0, 0, 0, 0, 0, -1, -1, 0},
        {"memo", 65001, false, {"memo"}, ",", 0, 0, 0, 0, 0, 0, -1, -1, 0},
    };
    for (const Case& c : cases) {
        for (size_t piece : {size_t(1), size_t(2), size_t(3), size_t(4096)}) {
            const CSVInspection r = InPieces(c.bytes, c.codePage, piece, c.semicolons);
            const std::string where = ::testing::PrintToString(c.bytes) + " in pieces of " + std::to_string(piece);
            EXPECT_EQ(Utf8(r.header), c.header) << where;
            EXPECT_EQ(r.separator.ToUtf8(), c.separator) << where;
            EXPECT_EQ(r.utf16, c.bytes.rfind("\xFF\xFE", 0) == 0) << where;
            EXPECT_EQ((std::vector<int64_t>{r.rows, r.longRows, r.firstLongRowLine, r.shortRows, r.firstShortRowLine,
                                            r.openQuoteLine, r.nulOffset, r.badByteOffset, r.badByteLine}),
                      (std::vector<int64_t>{c.rows, c.longRows, c.longLine, c.shortRows, c.shortLine, c.openQuoteLine,
                                            c.nul, c.bad, c.badLine}))
                << where;
        }
    }
}

// The reader drops a last byte without its pair; the inspector names it,
// wherever the pieces are cut, unless a zero ended the text before it.
TEST(CSVInspect, NamesTheOddLastByteOfUtf16)
{
    const struct { std::string bytes; int64_t odd; } cases[] = {
        {Utf16LE(u"a,b\r\nc,d") + "x", 18}, {Utf16LE(u"a,b\r\nc,d"), -1},
        {Utf16LE(u"a,b\r\n") + std::string("\0\0x", 3), -1}, {"a,b\r\nc,d!", -1}};
    for (const auto& c : cases)
        for (size_t piece : {size_t(1), size_t(3), size_t(4096)})
            EXPECT_EQ(InPieces(c.bytes, 65001, piece).oddByteOffset, c.odd) << ::testing::PrintToString(c.bytes);
}

// Cells as a CSV reader counts them, by the reference, for single records
// long enough to be counted sixteen units at a time and ending anywhere in
// a block.
TEST(CSVInspect, CountsTheCellsOfLongRecordsAsTheReferenceDoes)
{
    std::mt19937 random(20261206u);
    const std::vector<std::string> pieces = {"a", "\"", "\"", ",", ",", "\t", "\xC3\xA9", " "};
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        const int length = std::uniform_int_distribution<int>(1, 90)(random);
        for (int i = 0; i < length; ++i)
            bytes += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(random)];
        const CSVInspection r = InspectCSV(bytes, 65001);
        EXPECT_EQ(r.headerCells, RefCellCount(CString::FromUtf8(bytes), r.separator)) << ::testing::PrintToString(bytes);
    }
}

class CSVInspectFile : public TempDirTest {};

TEST_F(CSVInspectFile, AgreesWithTheReaderOnRandomFiles)
{
    const char* seedText = std::getenv("VARNO_INSPECT_SEED");
    const unsigned seed = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 20240611u;
    SCOPED_TRACE("VARNO_INSPECT_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    const std::vector<std::string> pieces = {"a", "b", ",", ",", "\t", "\"", "\"", "\r", "\n", "\r\n", "\xC3\xA9",
                                             "\xED\x95\x9C", ";", " "};
    CodePageGuard acp(65001);
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        const int length = std::uniform_int_distribution<int>(0, 40)(random);
        for (int i = 0; i < length; ++i)
            bytes += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(random)];
        std::vector<Texts> records;
        const CSVInspection r =
            InPieces(bytes, 65001, std::uniform_int_distribution<size_t>(1, 7)(random), false, &records);
        WriteBytes("random.csv", bytes);
        TestItem item;
        CStringList unused;
        const _en_CSVError read = item.ImportFile(PathOf("random.csv"), unused, unused);
        EXPECT_EQ(read == CSVERR_SUCCESS, r.rows > 0) << ::testing::PrintToString(bytes);
        if (bytes.empty())
            continue;
        EXPECT_EQ(Utf8(r.header), Utf8(item.m_arrField)) << ::testing::PrintToString(bytes);
        EXPECT_EQ(r.separator, item.m_strSeparator) << ::testing::PrintToString(bytes);
        // Long and short rows as a CSV reader counts cells, by the reference.
        int64_t longer = 0, shorter = 0;
        CString text = CString::FromUtf8(bytes);
        const CString separator = item.m_strSeparator;
        const int headerCells = RefCellCount(RefGetLine(text), separator);
        // The rows as the reader holds them, without the cells beyond the
        // header's, which the inspector counts and does not hand over.
        std::vector<Texts> expected{Utf8(item.m_arrField)};
        for (Texts row : item.Utf8Rows()) {
            if (row.size() > static_cast<size_t>(headerCells))
                row.resize(static_cast<size_t>(headerCells));
            expected.push_back(row);
        }
        while (!text.IsEmpty()) {
            const int cells = RefCellCount(RefGetLine(text), separator);
            longer += cells > 0 && cells > headerCells;
            shorter += cells > 0 && cells < headerCells;
        }
        EXPECT_EQ(records, expected) << ::testing::PrintToString(bytes);
        EXPECT_EQ(r.longRows, longer) << ::testing::PrintToString(bytes);
        EXPECT_EQ(r.shortRows, shorter) << ::testing::PrintToString(bytes);
    }
}

} // namespace
} // namespace varno::test
