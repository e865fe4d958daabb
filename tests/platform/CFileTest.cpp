// CFile: failure causes of opening, and the writer-excluding sharing mode
// between two openings (reading and writing are exercised by the CSV files).
#include "platform/CFile.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

class CFileTest : public varno::test::TempDirTest {};

TEST_F(CFileTest, OpeningFailsWithACause)
{
    for (const auto& [path, flags, cause] :
         {std::tuple{PathOf("missing.csv"), unsigned(CFile::modeRead), CFileException::fileNotFound},
          {PathOf("no/dir.csv"), CFile::modeCreate | CFile::modeWrite, CFileException::fileNotFound},
          {PathOf(""), CFile::modeRead, CFileException::badPath}}) {
        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(path, flags, &error)) << path.ToUtf8();
        EXPECT_EQ(error.m_cause, cause) << path.ToUtf8();
    }
}

TEST_F(CFileTest, DenyingWritingKeepsWritersOutButNotReaders)
{
    constexpr unsigned kRead = CFile::modeRead | CFile::shareDenyWrite;
    constexpr unsigned kCreate = CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite;
    WriteBytes("held.csv", "original");
    const CString path = PathOf("held.csv");
    CFile reader, second, writer;
    ASSERT_TRUE(reader.Open(path, kRead));
    EXPECT_TRUE(second.Open(path, kRead)); // readers side by side
    CFileException error;
    EXPECT_FALSE(writer.Open(path, CFile::modeCreate | CFile::modeWrite, &error));
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(ReadBytes("held.csv"), "original"); // not truncated by the refused opening
    second.Close();
    CFile moved(std::move(reader)); // the lock travels with the handle
    EXPECT_FALSE(writer.Open(path, kCreate));
    moved.Close();
    ASSERT_TRUE(writer.Open(path, kCreate));
    EXPECT_EQ(ReadBytes("held.csv"), ""); // created anew
    EXPECT_FALSE(reader.Open(path, kRead)); // a writer that denies writing keeps readers out too
}

} // namespace
