// CFile: whole-file reading and writing with POSIX calls.
//
// Opening with shareDenyWrite takes an advisory lock (flock): a shared lock
// for reading, an exclusive one for writing, so two openings through CFile
// honour each other the way the framework's sharing modes do (readers side
// by side; a writer alone). A file is created or truncated only after its lock
// is held, so a refused opening leaves the file as it was.
// Open reports failure through its result; a read or write error after a
// successful open throws CFileException.
#pragma once

#include "platform/CString.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

class VARNO_PLATFORM_EXPORT CFileException : public std::exception {
public:
    enum Cause { none = 0, genericException, fileNotFound, badPath, accessDenied, sharingViolation, diskFull, endOfFile };

    CFileException() = default;
    CFileException(Cause cause, int osError, std::string message);
    [[nodiscard]] const char* what() const noexcept override { return m_message.c_str(); }

    Cause m_cause = none;   ///< what went wrong, in the framework's terms
    int m_lOsError = 0;     ///< the errno that reported it
    std::string m_message;
};

class VARNO_PLATFORM_EXPORT CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyWrite = 0x0020,
        modeCreate = 0x1000,
    };

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    CFile(CFile&& other) noexcept;
    CFile& operator=(CFile&& other) noexcept;
    ~CFile();

    /// Opens `path` (UTF-16, stored on disk as UTF-8). Returns false, with the
    /// reason in `error` when given, if the file cannot be opened or locked.
    [[nodiscard]] bool Open(const CString& path, unsigned flags, CFileException* error = nullptr);
    [[nodiscard]] uint64_t GetLength() const;
    /// Reads up to `count` bytes; returns how many were read (0 at the end).
    size_t Read(void* buffer, size_t count);
    /// Writes all `count` bytes.
    void Write(const void* buffer, size_t count);
    /// Closes the file; a closed file may be closed again.
    void Close();
    [[nodiscard]] bool IsOpen() const noexcept { return m_fd >= 0; }

private:
    [[noreturn]] void Throw(const char* what, int error) const;

    int m_fd = -1;
    std::string m_path; ///< for messages
};
