#include "engine/ExportSpool_p.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/mman.h>
#include <unistd.h>

namespace varno::detail {

namespace {

// An unnamed file in the temporary folder, gone when closed; -1 if none
// can be made.
int OpenTemporaryFile()
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (!error) {
        const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0)
            return fd;
    }
    return ::memfd_create("varno-export", MFD_CLOEXEC);
}

[[noreturn]] void Throw(const char* what, int error)
{
    throw CFileException(error == ENOSPC || error == EDQUOT ? CFileException::diskFull
                                                            : CFileException::genericException,
                         error, std::string(what) + ": " + std::strerror(error));
}

} // namespace

ExportSpool::ExportSpool() : m_fd(OpenTemporaryFile())
{
}

ExportSpool::~ExportSpool()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void ExportSpool::Write(std::string_view bytes)
{
    if (m_fd < 0) {
        m_memory += bytes;
        return;
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Throw("cannot write the export's temporary file", errno);
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

void ExportSpool::CopyTo(CFile& file)
{
    if (m_fd < 0) {
        file.Write(m_memory.data(), m_memory.size());
        return;
    }
    std::string buffer(1 << 20, '\0');
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(m_fd, buffer.data(), buffer.size(), offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Throw("cannot read the export's temporary file", errno);
        }
        if (n == 0)
            return;
        file.Write(buffer.data(), static_cast<size_t>(n));
        offset += n;
    }
}

} // namespace varno::detail
