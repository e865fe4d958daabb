#include "host/Input.h"

#include "host/ExportTarget_p.h"
#include "host/Utf16.h"

#include "engine/CSVItem.h"
#include "platform/CodePage.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
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
        if (n == 0)
            errno = EIO; // a write that takes nothing and says nothing
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

/// Appends UTF-16LE bytes of records, written as export writes records.
/// Reads the bytes of `input` from the start, `piece` bytes at a time, into
/// `feed`.
bool ReadAllOf(const Input& input, const std::function<void(std::string_view)>& feed, std::string& problem,
               size_t piece = kPiece)
{
    std::vector<char> buffer(piece);
    for (off_t offset = 0;;) {
        const ssize_t n = ReadPiece(input.bytes.Get(), true, buffer, offset);
        if (n < 0) {
            problem = "cannot read " + input.name + ": " + std::strerror(errno);
            return false;
        }
        if (n == 0)
            return true;
        feed(std::string_view(buffer.data(), static_cast<size_t>(n)));
        offset += n;
    }
}

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

std::optional<Input> OpenInput(const std::string& name, const std::string& nativeName, std::string& problem)
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
    if (S_ISREG(st.st_mode)) {
        // The library's reader takes the same shared lock; a writer that
        // holds the file locked would make it fail.
        if (::flock(source.Get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            problem = "cannot open " + name + ": another program is writing it; try again when it has finished";
            return std::nullopt;
        }
        input.bytes = std::move(source);
        return input;
    }
    if (!S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode) && !S_ISSOCK(st.st_mode)) {
        problem = "cannot read " + name + ": it is not a file, a pipe or a terminal";
        return std::nullopt;
    }
    // A stream is read once, into memory that can be read again.
    input.bytes = Descriptor(::memfd_create("varnocsv-input", 0));
    if (input.bytes.Get() < 0) {
        problem = "cannot read " + name + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::vector<char> buffer(kPiece);
    for (;;) {
        const ssize_t n = ReadPiece(source.Get(), false, buffer, 0);
        if (n < 0) {
            problem = "cannot read " + name + ": " + std::strerror(errno);
            return std::nullopt;
        }
        if (n == 0)
            return input;
        if (!WriteAll(input.bytes.Get(), std::string_view(buffer.data(), static_cast<size_t>(n)))) {
            problem = "cannot read " + name + ": no memory to hold it: " + std::strerror(errno);
            return std::nullopt;
        }
    }
}

bool InspectInput(Input& input, unsigned codePage, bool semicolons, const RecordSink& sink, std::string& problem)
{
    CSVInspector inspector(codePage, semicolons);
    if (sink)
        inspector.OnRecord([&](CStringArray& values, int64_t line) {
            if (!sink(values, line))
                inspector.StopRecords();
        });
    bool first = true;
    const bool read = ReadAllOf(input, [&](std::string_view piece) {
        if (first)
            input.utf8Mark = piece.substr(0, 3) == "\xEF\xBB\xBF";
        first = false;
        inspector.Feed(piece);
    }, problem);
    input.inspection = inspector.Finish();
    return read;
}

bool ForEachDataRecord(const Input& input, unsigned codePage, bool semicolons, bool firstRecordIsData,
                       const std::function<void(const CStringArray& row, int64_t line)>& each, std::string& problem,
                       size_t piece)
{
    bool atHeader = !firstRecordIsData;
    CSVInspector inspector(codePage, semicolons);
    inspector.OnRecord([&](CStringArray& values, int64_t line) {
        if (atHeader)
            atHeader = false;
        else
            each(values, line);
    });
    if (!ReadAllOf(input, [&](std::string_view bytes) { inspector.Feed(bytes); }, problem, piece ? piece : kPiece))
        return false;
    (void)inspector.Finish();
    return true;
}

LayoutFileWriter::LayoutFileWriter(const RecordType& type, int fd) : m_item(type.create()), m_fd(fd)
{
    if (!m_item)
        throw std::bad_alloc();
    m_item->SetSeparator(CString(u","));
    m_bytes = "\xFF\xFE";
}

LayoutFileWriter::~LayoutFileWriter() = default;

int64_t LayoutFileWriter::Add(CStringArray& values)
{
    const CString line = m_item->WriteLine(values);
    Append(line.str());
    return std::count(line.str().begin(), line.str().end(), u'\n');
}

void LayoutFileWriter::AddBlankLine()
{
    Append(u"\r\n");
}

void LayoutFileWriter::Append(std::u16string_view units)
{
    if constexpr (std::endian::native == std::endian::little) {
        m_bytes.append(reinterpret_cast<const char*>(units.data()), units.size() * 2);
    } else {
        for (char16_t c : units) {
            m_bytes.push_back(static_cast<char>(c & 0xFF));
            m_bytes.push_back(static_cast<char>(c >> 8));
        }
    }
    if (m_bytes.size() >= kPiece)
        (void)Flush();
}

bool LayoutFileWriter::Flush()
{
    if (m_error == 0 && !WriteAll(m_fd, m_bytes))
        m_error = errno ? errno : EIO;
    m_bytes.clear();
    return m_error == 0;
}

Descriptor OpenScratchFile(ScratchPlace& place)
{
    // The file goes where the system and the person keep scratch files
    // ($TMPDIR, else /tmp): not beside the input, whose folder may be
    // read-only or shared and which standard input lacks, and not in
    // memory, which a large translation would fill (a memory file is RAM
    // or swap that GNU time does not even show). On disk it is read back
    // through the page cache like any input file. Unnamed (O_TMPFILE), it
    // never appears in the folder and goes with its last descriptor, even
    // when the process is killed; O_EXCL keeps it from being linked there.
    const char* variable = std::getenv("TMPDIR");
    const bool fromVariable = variable && *variable;
    place.folder = fromVariable ? variable : "/tmp";
    place.notOnDisk.clear();
    int fd = ::open(place.folder.c_str(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600);
    int error = errno;
    if (fd < 0 && (error == EOPNOTSUPP || error == EISDIR || error == EINVAL)) {
        // A file system (or a kernel before 3.11) without unnamed files: a
        // named one, 0600, removed from the folder at once.
        std::string path = place.folder + "/varnocsv-XXXXXX";
        fd = ::mkostemp(path.data(), O_CLOEXEC);
        error = errno;
        if (fd >= 0 && ::unlink(path.c_str()) != 0) {
            error = errno;
            ::close(fd);
            fd = -1;
        }
    }
    if (fd >= 0)
        return Descriptor(fd);
    place.notOnDisk = place.folder + (fromVariable ? " (TMPDIR): " : ": ") +
                      (error == ENOENT    ? std::string("no such folder")
                       : error == ENOTDIR ? std::string("not a folder")
                       : error == EACCES || error == EPERM ? std::string("permission denied")
                                                           : std::string(std::strerror(error)));
    place.folder.clear();
    return Descriptor(::memfd_create("varnocsv-scratch", MFD_CLOEXEC));
}

bool RewriteInput(Input& input, unsigned codePage, bool semicolons, const RecordType& type,
                  const CStringArray& header,
                  const std::function<bool(const CStringArray& row, int64_t line, CStringArray& out)>& adapt,
                  bool firstRecordIsData, std::string& problem)
{
    ScratchPlace place;
    input.rewritten = OpenScratchFile(place);
    if (!place.notOnDisk.empty())
        input.notOnDisk = place.notOnDisk;
    if (input.rewritten.Get() < 0) {
        problem = "cannot rewrite " + input.name + " for the library: " + std::strerror(errno);
        return false;
    }
    LayoutFileWriter rewriter(type, input.rewritten.Get());
    CStringArray names = header, out;
    rewriter.Add(names);
    const bool read = ForEachDataRecord(input, codePage, semicolons, firstRecordIsData,
                                        [&](const CStringArray& values, int64_t line) {
                                            if (adapt(values, line, out))
                                                rewriter.Add(out);
                                        },
                                        problem);
    if (!read)
        return false;
    if (!rewriter.Flush()) {
        problem = "cannot rewrite " + input.name + " for the library: writing it to " +
                  (place.folder.empty() ? "memory" : "a temporary file in " + place.folder) +
                  " failed: " + WriteProblem(rewriter.Error()) +
                  (place.folder.empty() ? "" : " (TMPDIR chooses the folder)") + "; nothing was stored";
        return false;
    }
    return true;
}

bool DecodesCleanly(const Input& input, unsigned codePage)
{
    std::vector<char> buffer(kPiece);
    Decoder decoder(codePage);
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
    return decoder.FirstBadByte() < 0;
}

std::optional<unsigned> CodePageThatDecodes(const Input& input, unsigned codePage)
{
    for (unsigned candidate : {65001u, 949u, 1252u})
        if (candidate != codePage && DecodesCleanly(input, candidate))
            return candidate;
    return std::nullopt;
}

std::string ReadHead(const Input& input, size_t size)
{
    std::vector<char> buffer(size);
    const ssize_t n = ReadPiece(input.bytes.Get(), true, buffer, 0);
    return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

bool ConvertUtf16(Input& input, Utf16Form form, std::string& problem)
{
    Descriptor converted(::memfd_create("varnocsv-utf16", 0));
    if (converted.Get() < 0) {
        problem = "cannot read " + input.name + " as UTF-16: " + std::strerror(errno);
        return false;
    }
    Utf16ToLittleEndian little(form);
    bool written = WriteAll(converted.Get(), "\xFF\xFE");
    if (!ReadAllOf(input, [&](std::string_view piece) { written = written && WriteAll(converted.Get(), little.Convert(piece)); },
                   problem))
        return false;
    if (!written || !WriteAll(converted.Get(), little.Finish())) {
        problem = "cannot read " + input.name + " as UTF-16: " + std::strerror(errno);
        return false;
    }
    input.bytes = std::move(converted);
    return true;
}

} // namespace varno::host
