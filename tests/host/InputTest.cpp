// The files the host makes for the library to read: an unnamed file in
// $TMPDIR (else /tmp), or one in memory, with the reason said, where that
// folder takes none; and a writer that keeps the cause of its first failed
// write. That the library reads them back through their /proc path, and
// what an import says of them, VCardSessionTest holds.
#include "host/Input.h"
#include "host/Registry.h"
#include "tests/support/TestSupport.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

namespace varno::test {
namespace {

std::string Target(const host::Descriptor& fd)
{
    std::error_code error;
    return std::filesystem::read_symlink(fd.ProcPath(), error).string();
}

class ScratchFileTest : public TempDirTest {};

TEST_F(ScratchFileTest, GoesUnnamedToTmpdirElseTmpOrToMemoryWithTheReason)
{
    WriteBytes("file", "x");
    const std::string dir = m_dir.string();
    const struct {
        std::optional<std::string> tmpdir;
        std::string folder, notOnDisk; // folder "": in memory
    } rows[] = {
        {std::nullopt, "/tmp", ""},
        {"", "/tmp", ""},
        {dir, dir, ""},
        {dir + "/nope", "", dir + "/nope (TMPDIR): no such folder"},
        {dir + "/file", "", dir + "/file (TMPDIR): not a folder"},
        {dir + "/file/below", "", dir + "/file/below (TMPDIR): not a folder"},
    };
    for (const auto& row : rows) {
        EnvGuard tmpdir("TMPDIR", row.tmpdir);
        host::ScratchPlace place;
        const host::Descriptor fd = host::OpenScratchFile(place);
        ASSERT_GE(fd.Get(), 0) << std::strerror(errno);
        EXPECT_EQ(place.folder, row.folder) << row.tmpdir.value_or("(unset)");
        EXPECT_EQ(place.notOnDisk, row.notOnDisk);
        const std::string target = Target(fd);
        if (row.folder.empty())
            EXPECT_EQ(target.substr(0, 7), "/memfd:") << target;
        else
            EXPECT_EQ(target.substr(0, row.folder.size() + 1), row.folder + "/") << target;
    }
    // Nothing was left in the folder, not even while the file was open.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"file"});
}

TEST(LayoutFileWriterTest, KeepsTheCauseOfTheFirstFailedWrite)
{
    const struct {
        const char* file;
        int error;
    } rows[] = {{"/dev/full", ENOSPC}, {"/dev/null", 0}};
    for (const auto& row : rows) {
        const host::Descriptor fd(::open(row.file, O_WRONLY | O_CLOEXEC));
        if (fd.Get() < 0)
            GTEST_SKIP() << row.file << ": " << std::strerror(errno);
        host::LayoutFileWriter writer(*host::FindRecordType("memo"), fd.Get());
        CStringArray cells;
        cells.Add(CString(std::u16string(700000, u'x'))); // beyond a piece: written at once
        cells.Add(CString(u"1"));
        EXPECT_EQ(writer.Add(cells), 1);
        EXPECT_EQ(writer.Error(), row.error) << row.file;
        errno = 0;
        EXPECT_EQ(writer.Flush(), row.error == 0) << row.file;
        EXPECT_EQ(writer.Error(), row.error) << row.file;
    }
}

} // namespace
} // namespace varno::test
