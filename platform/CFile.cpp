#include "platform/CFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

CFileException::Cause CauseOf(int error)
{
    switch (error) {
    case ENOENT: return CFileException::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EISDIR: return CFileException::badPath;
    case EACCES:
    case EPERM:
    case EROFS: return CFileException::accessDenied;
    case EWOULDBLOCK: return CFileException::sharingViolation;
    case ENOSPC:
    case EDQUOT: return CFileException::diskFull;
    default: return CFileException::genericException;
    }
}

} // namespace

CFileException::CFileException(Cause cause, int osError, std::string message)
    : m_cause(cause), m_lOsError(osError), m_message(std::move(message))
{
}

CFile::CFile(CFile&& other) noexcept : m_fd(other.m_fd), m_path(std::move(other.m_path))
{
    other.m_fd = -1;
}

CFile& CFile::operator=(CFile&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

CFile::~CFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CFile::Open(const CString& path, unsigned flags, CFileException* error)
{
    Close();
    m_path = path.ToUtf8();
    auto fail = [&](int err) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        if (error)
            *error = CFileException(CauseOf(err), err, m_path + ": " + std::strerror(err));
        return false;
    };
    // A path with a NUL in it cannot name a file.
    if (m_path.empty() || m_path.find('\0') != std::string::npos)
        return fail(ENOENT);

    const bool write = (flags & (modeWrite | modeReadWrite)) != 0;
    int oflags = O_CLOEXEC | ((flags & modeReadWrite) ? O_RDWR : write ? O_WRONLY : O_RDONLY);
    if (flags & modeCreate)
        oflags |= O_CREAT;
    m_fd = ::open(m_path.c_str(), oflags, 0666);
    if (m_fd < 0)
        return fail(errno);
    struct stat st {};
    if (::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode))
        return fail(EISDIR);
    if (flags & shareDenyWrite) {
        if (::flock(m_fd, (write ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0)
            return fail(errno);
    } else if (write) {
        // A writer that does not deny others must still respect a reader or
        // writer that denies writing.
        if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0)
            return fail(errno);
        ::flock(m_fd, LOCK_UN);
    }
    if ((flags & modeCreate) && ::ftruncate(m_fd, 0) != 0)
        return fail(errno);
    return true;
}

uint64_t CFile::GetLength() const
{
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        Throw("cannot get the length of", errno);
    return static_cast<uint64_t>(st.st_size);
}

size_t CFile::Read(void* buffer, size_t count)
{
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(m_fd, static_cast<char*>(buffer) + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Throw("cannot read", errno);
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

void CFile::Write(const void* buffer, size_t count)
{
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(m_fd, static_cast<const char*>(buffer) + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Throw("cannot write", errno);
        }
        done += static_cast<size_t>(n);
    }
}

void CFile::Close()
{
    if (m_fd >= 0) {
        int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 && errno != EINTR)
            Throw("cannot close", errno);
    }
}

void CFile::Throw(const char* what, int error) const
{
    throw CFileException(CauseOf(error), error, std::string(what) + " " + m_path + ": " + std::strerror(error));
}
