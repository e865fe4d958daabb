// CFile: whole-file reading and writing, truncation on create, and the
// writer-excluding sharing mode between two openings.
#include "platform/CFile.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class CFileTest : public varno::test::TempDirTest {
protected:
    std::string ReadWhole(const CString& path)
    {
        CFile file;
        EXPECT_TRUE(file.Open(path, CFile::modeRead | CFile::shareDenyWrite));
        std::string bytes(static_cast<size_t>(file.GetLength()), '\0');
        EXPECT_EQ(file.Read(bytes.data(), bytes.size()), bytes.size());
        char extra = 0;
        EXPECT_EQ(file.Read(&extra, 1), 0u); // at the end
        return bytes;
    }
    bool WriteWhole(const CString& path, std::string_view bytes, unsigned share = CFile::shareDenyWrite)
    {
        CFile file;
        if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | share))
            return false;
        file.Write(bytes.data(), bytes.size());
        file.Close();
        return true;
    }
};

TEST_F(CFileTest, WritesAndReadsWholeFilesAndCreateTruncates)
{
    const std::string binary("a\0\xFF\r\n\x80z", 7);
    const CString path = PathOf("한글 이름.csv"); // names are UTF-8 on disk
    ASSERT_TRUE(WriteWhole(path, binary));
    EXPECT_EQ(ReadWhole(path), binary);
    EXPECT_EQ(ReadBytes("한글 이름.csv"), binary);

    ASSERT_TRUE(WriteWhole(path, "ab"));
    EXPECT_EQ(ReadWhole(path), "ab");
    ASSERT_TRUE(WriteWhole(path, ""));
    EXPECT_EQ(ReadBytes("한글 이름.csv"), "");
}

TEST_F(CFileTest, OpeningFailsWithACause)
{
    struct Row {
        CString path;
        unsigned flags;
        CFileException::Cause cause;
    };
    for (const Row& r : {Row{PathOf("missing.csv"), CFile::modeRead, CFileException::fileNotFound},
                         Row{PathOf("no/such/dir.csv"), CFile::modeCreate | CFile::modeWrite, CFileException::fileNotFound},
                         Row{PathOf(""), CFile::modeRead, CFileException::badPath},
                         Row{CString(), CFile::modeRead, CFileException::fileNotFound}}) {
        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(r.path, r.flags, &error)) << r.path.ToUtf8();
        EXPECT_EQ(error.m_cause, r.cause) << r.path.ToUtf8();
        EXPECT_FALSE(file.IsOpen());
    }
}

TEST_F(CFileTest, AReaderThatDeniesWritingKeepsWritersOutButNotReaders)
{
    const CString path = PathOf("held.csv");
    ASSERT_TRUE(WriteWhole(path, "original"));

    CFile reader;
    ASSERT_TRUE(reader.Open(path, CFile::modeRead | CFile::shareDenyWrite));
    for (unsigned share : {static_cast<unsigned>(CFile::shareDenyWrite), 0u}) {
        CFile writer;
        CFileException error;
        EXPECT_FALSE(writer.Open(path, CFile::modeCreate | CFile::modeWrite | share, &error));
        EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
    }
    EXPECT_EQ(ReadBytes("held.csv"), "original"); // not truncated by the refused opening

    EXPECT_EQ(ReadWhole(path), "original"); // a second reader side by side
    CFile moved(std::move(reader));         // the lock travels with the handle
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_FALSE(WriteWhole(path, "changed"));
    moved.Close();
    moved.Close(); // closing twice is harmless
    EXPECT_TRUE(WriteWhole(path, "changed"));
    EXPECT_EQ(ReadWhole(path), "changed");
}

TEST_F(CFileTest, AWriterThatDeniesWritingKeepsOthersOut)
{
    const CString path = PathOf("busy.csv");
    CFile writer;
    ASSERT_TRUE(writer.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite));
    writer.Write("abc", 3);
    CFile other;
    EXPECT_FALSE(other.Open(path, CFile::modeRead | CFile::shareDenyWrite));
    EXPECT_FALSE(other.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite));
    EXPECT_EQ(ReadBytes("busy.csv"), "abc");
}

} // namespace
