#include "host/Input.h"

#include "engine/CSVItem.h"
#include "platform/CodePage.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

namespace varno::host {

namespace {

constexpr size_t kPiece = 1 << 20;

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

/// Reads the next piece at `offset` (pread for a file, read for a stream):
/// its size, 0 at the end, -1 with errno on failure.
ssize_t ReadPiece(int fd, bool seekable, std::vector<char>& buffer, off_t offset)
{
    for (;;) {
        const ssize_t n = seekable ? ::pread(fd, buffer.data(), buffer.size(), offset)
                                   : ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

std::string OpenProblem(int error)
{
    switch (error) {
    case ENOENT: return "no such file";
    case EACCES:
    case EPERM: return "permission denied";
    case ENOTDIR: return "a part of the path is not a folder";
    case ENXIO: return "it is a socket or a device that cannot be read";
    default: return std::strerror(error);
    }
}

/// Appends UTF-16LE bytes of a record, written as export writes records.
class Rewriter {
public:
    Rewriter(const RecordType& type, int fd) : m_item(type.create()), m_fd(fd)
    {
        if (!m_item)
            throw std::bad_alloc();
        m_item->SetSeparator(CString(u","));
        m_bytes = "\xFF\xFE";
    }
    ~Rewriter() = default;
    void Add(CStringArray& values)
    {
        const CString line = m_item->WriteLine(values);
        for (char16_t c : line.str()) {
            m_bytes.push_back(static_cast<char>(c & 0xFF));
            m_bytes.push_back(static_cast<char>(c >> 8));
        }
        if (m_bytes.size() >= kPiece)
            Flush();
    }
    bool Flush()
    {
        m_ok = m_ok && WriteAll(m_fd, m_bytes);
        m_bytes.clear();
        return m_ok;
    }

private:
    std::unique_ptr<CCSVItem> m_item;
    int m_fd;
    std::string m_bytes;
    bool m_ok = true;
};

} // namespace

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

Descriptor::~Descriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<Input> OpenInput(const std::string& name, const std::string& nativeName, unsigned codePage,
                               bool semicolons, const RecordType* layout, std::string& problem, size_t keepRows)
{
    Input input;
    input.name = name;
    const bool standardInput = nativeName == "-";
    Descriptor source(standardInput ? ::dup(STDIN_FILENO) : ::open(nativeName.c_str(), O_RDONLY | O_NOCTTY));
    if (source.Get() < 0) {
        problem = "cannot open " + name + ": " + (standardInput ? "it is closed" : OpenProblem(errno));
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(source.Get(), &st) != 0) {
        problem = "cannot open " + name + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (S_ISDIR(st.st_mode)) {
        problem = "cannot open " + name + ": it is a folder";
        return std::nullopt;
    }
    const bool seekable = S_ISREG(st.st_mode);
    if (!seekable && !S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode) && !S_ISSOCK(st.st_mode)) {
        problem = "cannot read " + name + ": it is not a file, a pipe or a terminal";
        return std::nullopt;
    }
    if (seekable) {
        // The library's reader takes the same shared lock; a writer that
        // holds the file locked would make it fail.
        if (::flock(source.Get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            problem = "cannot open " + name + ": another program is writing it; try again when it has finished";
            return std::nullopt;
        }
        input.bytes = std::move(source);
    } else {
        input.bytes = Descriptor(::memfd_create("varnocsv-input", 0));
        if (input.bytes.Get() < 0) {
            problem = "cannot read " + name + ": " + std::strerror(errno);
            return std::nullopt;
        }
    }

    CSVInspector inspector(codePage, semicolons);
    std::unique_ptr<Rewriter> rewriter;
    bool header = true; // the next record is the header
    if (layout || keepRows > 0) {
        inspector.OnRecord([&](CStringArray& values) {
            if (header && layout && inspector.Separator() == CString(u";")) {
                input.rewritten = Descriptor(::memfd_create("varnocsv-rewritten", 0));
                if (input.rewritten.Get() >= 0)
                    rewriter = std::make_unique<Rewriter>(*layout, input.rewritten.Get());
            }
            if (rewriter)
                rewriter->Add(values);
            if (!header && input.firstRows.size() < keepRows)
                input.firstRows.push_back(values);
            else if (!rewriter && input.firstRows.size() >= keepRows)
                inspector.StopRecords(); // a file read as it is: the rest of its rows need only counting
            header = false;
        });
    }
    std::vector<char> buffer(kPiece);
    off_t offset = 0;
    const int from = seekable ? input.bytes.Get() : source.Get();
    for (;;) {
        const ssize_t n = ReadPiece(from, seekable, buffer, offset);
        if (n < 0) {
            problem = "cannot read " + name + ": " + std::strerror(errno);
            return std::nullopt;
        }
        if (n == 0)
            break;
        const std::string_view piece(buffer.data(), static_cast<size_t>(n));
        if (offset == 0)
            input.utf8Mark = piece.substr(0, 3) == "\xEF\xBB\xBF";
        if (!seekable && !WriteAll(input.bytes.Get(), piece)) {
            problem = "cannot read " + name + ": no memory to hold it: " + std::strerror(errno);
            return std::nullopt;
        }
        inspector.Feed(piece);
        offset += n;
    }
    input.inspection = inspector.Finish();
    if (input.rewritten.Get() >= 0 && (!rewriter || !rewriter->Flush())) {
        problem = "cannot re-write " + name + " with commas: " + std::strerror(errno);
        return std::nullopt;
    }
    return input;
}

std::optional<unsigned> CodePageThatDecodes(const Input& input, unsigned codePage)
{
    std::vector<char> buffer(kPiece);
    for (unsigned candidate : {65001u, 949u, 1252u}) {
        if (candidate == codePage)
            continue;
        Decoder decoder(candidate);
        std::u16string text;
        off_t offset = 0;
        const off_t end = input.inspection.nulOffset >= 0 ? input.inspection.nulOffset : -1;
        for (;;) {
            ssize_t n = ReadPiece(input.bytes.Get(), true, buffer, offset);
            if (n <= 0)
                break;
            if (end >= 0 && offset + n > end)
                n = end - offset;
            text.clear();
            decoder.Decode(std::string_view(buffer.data(), static_cast<size_t>(n)), false, text);
            offset += n;
            if (decoder.FirstBadByte() >= 0 || (end >= 0 && offset >= end))
                break;
        }
        text.clear();
        decoder.Decode({}, true, text);
        if (decoder.FirstBadByte() < 0)
            return candidate;
    }
    return std::nullopt;
}

} // namespace varno::host
