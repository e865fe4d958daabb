// A file name of the fuzz target's own in the temporary folder. A file is
// there only while one input runs, so nothing is left behind however the
// run ends: libFuzzer leaves through _Exit, which runs no atexit handlers.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

class ScratchFile {
public:
    /// A name no other process holds (mkstemp's), followed by `suffix`.
    explicit ScratchFile(const char* suffix = "")
    {
        char name[] = "/tmp/varno-fuzz-XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd < 0)
            std::abort();
        ::close(fd);
        ::unlink(name);
        m_path = std::string(name) + suffix;
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile() { Remove(); }

    [[nodiscard]] const std::string& Path() const { return m_path; }
    /// Creates the file with `bytes` (never through a file another process
    /// put there meanwhile); false when it cannot.
    [[nodiscard]] bool Write(const uint8_t* bytes, size_t size) const
    {
        Remove();
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0)
            return false;
        bool ok = true;
        for (size_t done = 0; ok && done < size;) {
            const ssize_t n = ::write(fd, bytes + done, size - done);
            ok = n > 0;
            done += ok ? static_cast<size_t>(n) : 0;
        }
        return ::close(fd) == 0 && ok;
    }
    void Remove() const { ::unlink(m_path.c_str()); }

private:
    std::string m_path;
};

/// Removes a scratch file when the input that made it is done.
struct RemoveAtEnd {
    const ScratchFile& file;
    ~RemoveAtEnd() { file.Remove(); }
};
