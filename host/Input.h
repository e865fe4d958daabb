// Reading an input file once: it is opened once and checked as it is read,
// and the library is handed /proc/self/fd/N of the descriptor that holds the
// same bytes, so that it reads what was checked and a pipe is never opened
// twice. Messages always name the user's file.
#pragma once

#include "engine/CSVInspect.h"
#include "host/Registry.h"
#include "host/varnohost_export.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace varno::host {

/// An open descriptor, closed when it goes.
class VARNO_HOST_EXPORT Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(Descriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor();
    [[nodiscard]] int Get() const { return m_fd; }
    [[nodiscard]] std::string ProcPath() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd = -1;
};

struct Input {
    std::string name;          ///< as the user named it ("-": standard input), UTF-8
    Descriptor bytes;          ///< the file, or a copy of what a stream gave
    Descriptor rewritten;      ///< the records re-separated with commas (see OpenInput)
    CSVInspection inspection;
    bool utf8Mark = false;     ///< the bytes start with EF BB BF
    /// The values of the first data records, as the library's reader splits
    /// them (see OpenInput's `keepRows`).
    std::vector<CStringArray> firstRows;

    /// The path the library reads.
    [[nodiscard]] std::string LibraryPath() const
    {
        return rewritten.Get() >= 0 ? rewritten.ProcPath() : bytes.ProcPath();
    }
};

/// Opens the file the user named `name` (for messages; its path on disk is
/// `nativeName`, "-" for standard input) and reads it once through the
/// inspector, in the code page `codePage`. A regular file is read in place
/// under a shared lock (the library's reader honours it); a pipe, FIFO or
/// terminal is copied into memory as it is read. With `semicolons` a header
/// with no tab or comma but a ";" is read with ";" as its separator; with
/// `rewriteWith` too, such a file also gets `rewritten`: the same records
/// written with commas, as UTF-16LE with its mark, by that layout's
/// converter. The first `keepRows` non-blank data records are kept in
/// `firstRows`. nullopt, with the reason in `problem`, when the file cannot
/// be read.
[[nodiscard]] VARNO_HOST_EXPORT std::optional<Input> OpenInput(const std::string& name,
                                                               const std::string& nativeName, unsigned codePage,
                                                               bool semicolons, const RecordType* rewriteWith,
                                                               std::string& problem, size_t keepRows = 0);

/// The first of 65001, 949 and 1252, other than `codePage`, in which the
/// bytes of `input` (up to the end of its text) decode cleanly; nullopt
/// when none does.
[[nodiscard]] VARNO_HOST_EXPORT std::optional<unsigned> CodePageThatDecodes(const Input& input, unsigned codePage);

} // namespace varno::host
