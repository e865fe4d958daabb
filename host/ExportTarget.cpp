#include "host/ExportTarget_p.h"

#include "host/Session.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace varno::host {

namespace {

[[noreturn]] void Refuse(const std::string& message)
{
    throw Error(Error::Kind::Refused, message);
}

} // namespace

std::string WriteProblem(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT: return "disk full: free some space and try again";
    case EFBIG: return "file too large: the size limit for files (ulimit -f) was reached";
    case EACCES:
    case EPERM: return "permission denied";
    case EROFS: return "read-only: the disk is mounted read-only";
    case ENOENT: return "the folder does not exist";
    default: return error ? std::strerror(error) : "the library could not write it";
    }
}

ExportTarget::ExportTarget(const std::string& shown, const std::string& nativeName) : m_shown(shown)
{
    std::string native = nativeName;
    struct stat st {};
    if (::lstat(native.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(native.c_str(), nullptr)) {
            native = real; // write the file the link points to, keep the link
            std::free(real);
        }
    }
    const fs::path nativePath(native);
    const std::string folderName = nativePath.has_parent_path() ? nativePath.parent_path().string() : ".";
    m_base = nativePath.filename().string();
    m_folder = Descriptor(::open(folderName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (m_folder.Get() < 0) {
        const std::string folder = fs::path(shown).has_parent_path() ? fs::path(shown).parent_path().string() : ".";
        if (errno == ENOENT)
            Refuse("cannot write " + shown + ": the folder " + folder + " does not exist");
        if (errno == ENOTDIR)
            Refuse("cannot write " + shown + ": " + folder + " is not a folder");
        Refuse("cannot write " + shown + ": " + WriteProblem(errno));
    }
    if (m_base.empty())
        Refuse("cannot write " + shown + ": it is a folder");
    if (::fstatat(m_folder.Get(), m_base.c_str(), &st, 0) == 0) {
        if (S_ISDIR(st.st_mode))
            Refuse("cannot write " + shown + ": it is a folder");
        m_mode = st.st_mode & 07777;
        // The lock that the library's writer would have respected.
        m_target = Descriptor(::openat(m_folder.Get(), m_base.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
        if (m_target.Get() >= 0 && ::flock(m_target.Get(), LOCK_EX | LOCK_NB) != 0)
            Refuse("cannot write " + shown + ": another program has it open and locked; close it there and try again");
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        m_mode = 0666 & ~mask;
    }
}

ExportTarget::~ExportTarget()
{
    Discard();
}

void ExportTarget::MakeTemporary()
{
    if (m_folder.Get() < 0) {
        const char* tmp = std::getenv("TMPDIR");
        m_temporary = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnocsv-XXXXXX.csv";
    } else {
        m_temporary = m_folder.ProcPath() + "/.varnocsv-XXXXXX.csv";
    }
    const int made = ::mkstemps(m_temporary.data(), 4);
    if (made < 0) {
        const int error = errno;
        m_temporary.clear();
        Refuse("cannot write " + m_shown + ": " + WriteProblem(error));
    }
    ::close(made);
}

void ExportTarget::Commit()
{
    const std::string base = fs::path(m_temporary).filename().string();
    ::fchmodat(m_folder.Get(), base.c_str(), m_mode, 0);
    if (::renameat(m_folder.Get(), base.c_str(), m_folder.Get(), m_base.c_str()) != 0) {
        const int error = errno;
        Discard();
        Refuse("cannot write " + m_shown + ": " + WriteProblem(error));
    }
    m_temporary.clear();
}

void ExportTarget::Discard() noexcept
{
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

} // namespace varno::host
