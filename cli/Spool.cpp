#include "cli/Spool.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/mman.h>
#include <unistd.h>

namespace varno::cli {

namespace {

constexpr std::size_t kInMemory = 1 << 20;

} // namespace

TextSpool::~TextSpool()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool TextSpool::Append(std::string_view piece)
{
    if (m_failed)
        return false;
    m_buffer += piece;
    return m_buffer.size() < kInMemory || Spill();
}

bool TextSpool::Spill()
{
    if (m_fd < 0) {
        std::error_code error;
        const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
        m_fd = error ? -1 : ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (m_fd < 0) // no temporary folder that takes unnamed files: memory the kernel may swap
            m_fd = ::memfd_create("varnocsv-listing", MFD_CLOEXEC);
        if (m_fd < 0)
            return m_failed = true, false;
    }
    for (std::string_view left = m_buffer; !left.empty();) {
        const ssize_t n = ::write(m_fd, left.data(), left.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return m_failed = true, false;
        left.remove_prefix(static_cast<std::size_t>(n));
    }
    m_spilled.push_back(m_buffer.size());
    m_buffer.clear();
    return true;
}

bool TextSpool::ReadBack(std::size_t size, std::string& run)
{
    run.resize(size);
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::pread(m_fd, run.data() + done, size - done, static_cast<off_t>(m_readAt));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO; // the file is shorter than what was written to it
            return false;
        }
        done += static_cast<std::size_t>(n);
        m_readAt += n;
    }
    return true;
}

} // namespace varno::cli
