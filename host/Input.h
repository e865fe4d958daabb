// Reading an input file: it is opened once, its bytes kept where they can
// be read again from the start (the file itself, or a copy of what a pipe
// gave), read through the inspector with the library's own rules, and,
// where the host changes what the library is to read, rewritten into a file
// the library is handed instead. The library is handed /proc/self/fd/N of
// the descriptor that holds the bytes it reads, so it reads what was
// checked and a pipe is never opened twice. Messages always name the
// user's file.
#pragma once

#include "engine/CSVInspect.h"
#include "engine/CSVItem.h"
#include "host/Registry.h"
#include "host/Utf16.h"
#include "host/varnohost_export.h"

#include <cstdint>
#include <functional>
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
    Descriptor rewritten;      ///< what the library reads instead, when the host rewrote the file
    /// Why a file the host made of it for the library (a translation, a
    /// rewrite) is held in memory rather than on disk (see OpenScratchFile);
    /// empty while each is on disk.
    std::string notOnDisk;
    bool notOnDiskSaid = false; ///< the session has said notOnDisk
    CSVInspection inspection;
    bool utf8Mark = false;     ///< the bytes start with EF BB BF

    /// The path the library reads.
    [[nodiscard]] std::string LibraryPath() const
    {
        return rewritten.Get() >= 0 ? rewritten.ProcPath() : bytes.ProcPath();
    }
};

/// Called for the header and every non-blank data record, with the line it
/// starts on; false stops the calls (the rest is only counted).
using RecordSink = std::function<bool(CStringArray& values, int64_t line)>;

/// Opens the file the user named `name` (for messages; its path on disk is
/// `nativeName`, "-" for standard input). A regular file is read in place
/// under a shared lock (the library's reader honours it); a pipe, FIFO or
/// terminal is copied into memory. nullopt, with the reason in `problem`,
/// when the file cannot be opened or read.
[[nodiscard]] VARNO_HOST_EXPORT std::optional<Input> OpenInput(const std::string& name,
                                                               const std::string& nativeName,
                                                               std::string& problem);

/// Reads the input through the inspector in `codePage` (see CSVInspector
/// for `semicolons`), filling its inspection and utf8Mark, and hands its
/// records to `sink` when there is one. False, with the reason in
/// `problem`, when it cannot be read.
[[nodiscard]] VARNO_HOST_EXPORT bool InspectInput(Input& input, unsigned codePage, bool semicolons,
                                                  const RecordSink& sink, std::string& problem);

/// Reads the input again from the start and hands `each` every data record
/// (the header left out unless `firstRecordIsData`), with its line. The
/// bytes are read `piece` at a time (0: a MiB), which with their decoded
/// text is most of the memory the reading takes.
[[nodiscard]] VARNO_HOST_EXPORT bool ForEachDataRecord(
    const Input& input, unsigned codePage, bool semicolons, bool firstRecordIsData,
    const std::function<void(const CStringArray& row, int64_t line)>& each, std::string& problem, size_t piece = 0);

/// Writes records as the library reads a file the host made for it:
/// UTF-16LE with its mark, separated by commas and quoted as `type`'s
/// converter writes records, into the descriptor `fd`, a piece at a time.
class VARNO_HOST_EXPORT LayoutFileWriter {
public:
    LayoutFileWriter(const RecordType& type, int fd);
    ~LayoutFileWriter();
    LayoutFileWriter(const LayoutFileWriter&) = delete;
    LayoutFileWriter& operator=(const LayoutFileWriter&) = delete;

    /// Writes one record: the number of line breaks its text holds (its
    /// own, at its end, included).
    int64_t Add(CStringArray& values);
    /// Writes an empty line.
    void AddBlankLine();
    /// Writes what is still held; false when a write failed (now or in an
    /// earlier piece), with its cause in Error().
    [[nodiscard]] bool Flush();
    /// The errno of the first write that failed (ENOSPC: the disk is full);
    /// 0 while every write has worked. Nothing is written after a failure.
    [[nodiscard]] int Error() const { return m_error; }

private:
    void Append(std::u16string_view units);

    std::unique_ptr<CCSVItem> m_item;
    int m_fd;
    std::string m_bytes;
    int m_error = 0;
};

/// Where OpenScratchFile put the file.
struct ScratchPlace {
    std::string folder;   ///< the folder on disk, for messages; empty: in memory
    std::string notOnDisk; ///< why not on disk ("/nope (TMPDIR): no such folder"); empty when it is
};

/// An unnamed file for bytes the host makes for the library to read, such
/// as a vCard file translated into CSV: on disk, in $TMPDIR or /tmp when
/// TMPDIR is unset or empty, and gone when its descriptor closes. Where
/// that folder takes no file, a file in memory, with `place` saying why.
/// An invalid descriptor, with errno, when neither can be made.
[[nodiscard]] VARNO_HOST_EXPORT Descriptor OpenScratchFile(ScratchPlace& place);

/// Writes what the library is to read instead of the input, as UTF-16LE
/// with its mark, separated by commas and quoted as `type`'s converter
/// writes records, into a file from OpenScratchFile: `header`, then for
/// every data record of the input the row `adapt` makes of it (a record for
/// which it returns false is left out). False, with the reason in
/// `problem`, when it cannot be written.
[[nodiscard]] VARNO_HOST_EXPORT bool RewriteInput(
    Input& input, unsigned codePage, bool semicolons, const RecordType& type, const CStringArray& header,
    const std::function<bool(const CStringArray& row, int64_t line, CStringArray& out)>& adapt,
    bool firstRecordIsData, std::string& problem);

/// Whether the bytes of `input` (up to the end of its text) decode cleanly
/// in `codePage`.
[[nodiscard]] VARNO_HOST_EXPORT bool DecodesCleanly(const Input& input, unsigned codePage);

/// The first `size` bytes of `input` (fewer when it is shorter).
[[nodiscard]] VARNO_HOST_EXPORT std::string ReadHead(const Input& input, size_t size);

/// Makes `input`'s bytes UTF-16LE with its mark, which the library reads,
/// from UTF-16 in `form` (big-endian, or without a mark). False, with the
/// reason in `problem`, when that fails.
[[nodiscard]] VARNO_HOST_EXPORT bool ConvertUtf16(Input& input, Utf16Form form, std::string& problem);

/// The first of 65001, 949 and 1252, other than `codePage`, in which the
/// bytes of `input` (up to the end of its text) decode cleanly; nullopt
/// when none does.
[[nodiscard]] VARNO_HOST_EXPORT std::optional<unsigned> CodePageThatDecodes(const Input& input, unsigned codePage);

} // namespace varno::host
