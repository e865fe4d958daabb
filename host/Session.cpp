#include "host/Session.h"

#include "host/Charset.h"
#include "host/ExportTarget_p.h"
#include "host/HeaderGuess.h"
#include "host/Input.h"
#include "host/Mapping.h"
#include "host/PhoneCells.h"
#include "host/ReadPlan.h"
#include "host/StoreFailureText.h"
#include "host/Utf8_p.h"

#include "manager/CSVMng.h"
#include "manager/CSVPipelinedMng.h"
#include "platform/CFile.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"
#include "platform/Utf_p.h"
#include "store/History.h"
#include "store/Store.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unordered_set>

namespace fs = std::filesystem;

namespace varno::host {

namespace {

[[noreturn]] void Refuse(const std::string& message)
{
    throw Error(Error::Kind::Refused, message);
}

std::string CodePoint(char32_t c)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    std::string shown = text;
    if (c >= 0x20 && (c < 0xD800 || c > 0xDFFF)) {
        std::u16string units;
        if (c > 0xFFFF)
            units = {static_cast<char16_t>(0xD7C0 + (c >> 10)), static_cast<char16_t>(0xDC00 | (c & 0x3FF))};
        else
            units = {static_cast<char16_t>(c)};
        shown = "\"" + CString(units).ToUtf8() + "\", " + shown;
    }
    return shown;
}

/// "1 row of f.csv holds" / "3 rows of f.csv hold".
std::string RowsOf(long long rows, const std::string& file)
{
    return std::to_string(rows) + (rows == 1 ? " row of " : " rows of ") + file + (rows == 1 ? " holds" : " hold");
}

/// Records translated between two releases of the pages of the file they
/// come from.
constexpr long long kTranslatedWindow = 2048;

/// Records of a file compared with the store's at a time.
constexpr int kStoredCheckWindow = 2048;

/// A listed record's fields and values as one text, each piece preceded by
/// its length so that no two contents run together: what the listing's
/// JSON says of them, without building the JSON. The id and the deleted
/// mark are not part of it.
std::string ContentText(const ListedRecord& record)
{
    std::string text;
    auto add = [&text](std::string_view piece) {
        const size_t size = piece.size();
        text.append(reinterpret_cast<const char*>(&size), sizeof size);
        text.append(piece);
    };
    for (const auto& [name, value] : record.fields) {
        add(name);
        if (!value.isList) {
            text += 'T';
            add(value.text);
            continue;
        }
        text += 'L';
        for (const ListedValue::Entry& entry : value.entries) {
            // An entry with parts is listed as its parts alone.
            text += entry.parts.empty() ? 't' : 'p';
            if (entry.parts.empty())
                add(entry.text);
            for (const auto& [key, part] : entry.parts) {
                add(key);
                add(part);
            }
        }
        text += 'E';
    }
    return text;
}

/// The bytes a guess at a file's code page looks at.
constexpr size_t kGuessSample = 1 << 20;

/// Rows read beyond the header to tell whether it is one.
constexpr size_t kRowsForHeaderGuess = 5;

/// "#1", "#2", ...: the names of the columns of a file without a header.
Header NumberedHeader(int columns)
{
    Header header;
    for (int i = 1; i <= columns; ++i) {
        CString name(u"#");
        name += CString::FromUtf8(std::to_string(i));
        header.names.Add(name);
    }
    return header;
}

/// What the plan reads beyond the mapping's pairs, for the mapping's note:
/// `, BIRTHDAY <- "Birth Year", "Birth Month", "Birth Day" (year, month and day)`.
std::string DescribeAdded(const ReadPlan& plan)
{
    std::string text;
    for (const FieldSource& source : plan.Sources()) {
        if (!source.extra || source.ruleColumns.empty())
            continue;
        std::string columns;
        for (const std::string& column : source.ruleColumns)
            columns += (columns.empty() ? "" : ", ") + Quoted(CString::FromUtf8(column));
        text += ", " + source.field + " <- " + columns + (source.how.empty() ? "" : " (" + source.how + ")");
    }
    return text;
}

/// Sets the process's code page for a while (0: leaves it alone).
class CodePageWhile {
public:
    explicit CodePageWhile(unsigned codePage) : m_saved(GetACP()), m_set(codePage != 0)
    {
        if (m_set)
            (void)SetACP(codePage);
    }
    ~CodePageWhile()
    {
        if (m_set)
            (void)SetACP(m_saved);
    }
    CodePageWhile(const CodePageWhile&) = delete;
    CodePageWhile& operator=(const CodePageWhile&) = delete;

private:
    unsigned m_saved;
    bool m_set;
};

/// "12 fields from 14 columns": how much of the file a mapping reads.
std::string CountMapping(const ReadPlan& plan)
{
    std::vector<std::string> fields, columns;
    for (const FieldSource& source : plan.Sources()) {
        if (source.columns.empty())
            continue;
        if (std::find(fields.begin(), fields.end(), source.field) == fields.end())
            fields.push_back(source.field);
        for (const std::string& column : source.columns)
            if (std::find(columns.begin(), columns.end(), column) == columns.end())
                columns.push_back(column);
    }
    return std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields") + " from " +
           std::to_string(columns.size()) + (columns.size() == 1 ? " column" : " columns");
}

/// The library's result of a read that did not work, in words.
[[noreturn]] void ReadFailed(_en_CSVError result, const std::string& shown)
{
    Refuse(result == CSVERR_FILEOPEN ? "cannot open " + shown : shown + " holds no data rows");
}

/// Calls `call(manager)` with the facade: its pipelined addition, which
/// starts threads, when the host asked for it.
template <class Call>
auto WithFacade(bool pipelined, Call&& call)
{
    if (pipelined) {
        CSVPipelinedMng manager;
        return call(manager);
    }
    CSVMng manager;
    return call(manager);
}

/// Hands the file the library is to read, and the mapping onto it, to
/// `read` (the facade's count or import), and says why it failed: a file
/// error after it was opened (the library's message would name
/// /proc/self/fd/N, so the person's file is named) or the library's result.
template <class Read>
void ReadWithLibrary(bool pipelined, const std::string& path, Mapping mapping, const std::string& shown,
                     const char* aftermath, Read&& read)
{
    _en_CSVError result = CSVERR_FAIL;
    try {
        result = WithFacade(pipelined, [&](auto& manager) {
            return read(manager, CString::FromUtf8(path), mapping.fieldNames, mapping.fileColumns);
        });
    } catch (const CFileException& error) {
        Refuse("cannot read " + shown + ": " + std::strerror(error.m_lOsError) + aftermath);
    }
    if (result != CSVERR_SUCCESS)
        ReadFailed(result, shown);
}

/// An input's bytes mapped for reading, not copied: a format's reader sees
/// the whole text while the file is held once, by the page cache.
class MappedInput {
public:
    explicit MappedInput(const Input& input)
    {
        struct stat st {};
        if (::fstat(input.bytes.Get(), &st) != 0)
            Refuse("cannot read " + input.name + ": " + std::strerror(errno));
        m_size = static_cast<size_t>(st.st_size);
        if (m_size == 0)
            return;
        void* mapped = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, input.bytes.Get(), 0);
        if (mapped == MAP_FAILED)
            Refuse("cannot read " + input.name + ": " + std::strerror(errno));
        m_bytes = static_cast<const char*>(mapped);
    }
    ~MappedInput()
    {
        if (m_bytes)
            ::munmap(const_cast<char*>(m_bytes), m_size);
    }
    MappedInput(const MappedInput&) = delete;
    MappedInput& operator=(const MappedInput&) = delete;

    [[nodiscard]] std::string_view Text() const { return {m_bytes, m_bytes ? m_size : 0}; }
    /// Lets the pages read so far go: the text stays where it is, and a page
    /// looked at again is read again from the file. A reader that goes
    /// forward then holds a few pages at a time, not the whole file.
    void Release()
    {
        if (m_bytes)
            (void)::madvise(const_cast<char*>(m_bytes), m_size, MADV_DONTNEED);
    }

private:
    const char* m_bytes = nullptr;
    size_t m_size = 0;
};

} // namespace

struct Session::Prepared {
    /// Data records to keep from the input for a preview.
    size_t keepRows = 0;
    /// A preview: the mapping is shown rather than noted, and a file whose
    /// columns nothing maps is shown rather than refused.
    bool preview = false;
    /// Whether the cells are read (an import, a preview, a count with
    /// --strict); else the rows are only counted.
    bool readCells = true;
    /// The file was in another format than CSV, which the host translated
    /// into the type's own layout: its mapping is the host's, not said.
    bool translated = false;
    /// The records of a translated file that do not stand on the line of
    /// the file they came from, by line.
    LineMoves moves;
    /// The line of the person's file of a record that starts on `line` of
    /// the file the library reads.
    [[nodiscard]] long long FileLine(long long line) const
    {
        const auto at = std::lower_bound(moves.begin(), moves.end(), std::pair<int64_t, int64_t>(line, 0));
        return at != moves.end() && at->first == line ? at->second : line;
    }

    std::optional<Input> input;
    Header header;
    Mapping mapping;
    std::optional<ReadPlan> plan;
    /// The first data records, as the library's reader splits them.
    std::vector<CStringArray> firstRows;
    /// Data records of the file.
    long long rows = 0;
    /// Where the mapping came from: " (--map)", " (the English calendar
    /// layout)" or "".
    std::string source;
    /// Why the mapping cannot fill the type ("" when it can).
    std::string unfilled;

    /// The mapping the library is handed: the plan's when the file was
    /// rewritten for it.
    [[nodiscard]] Mapping LibraryMapping() const
    {
        return input->rewritten.Get() >= 0 ? plan->LibraryMapping() : mapping;
    }
};

Session::Session(SessionOptions options) : m_options(std::move(options)), m_store(GetStorePath().ToUtf8()) {}

Session::~Session() = default;

std::string Session::Shown(const std::string& file)
{
    return file == "-" ? "standard input" : file;
}

std::string Session::ExportPath(const std::string& file, const std::string& format)
{
    const FileFormat* chosen = format.empty() ? &FormatOfFile(file) : FindFileFormat(format);
    if (file == "-" || (chosen && !chosen->IsCsv()))
        return file;
    CString path = CString::FromUtf8(file);
    (void)CSVMng().CheckValidFilePath(path); // the file the library would write
    return path.ToUtf8();
}

std::string Session::Native(const std::string& name) const
{
    if (m_options.fileNameCodePage == CP_UTF8)
        return name;
    return WideCharToMultiByte(m_options.fileNameCodePage, CString::FromUtf8(name).str());
}

void Session::Note(const std::string& message) const
{
    if (m_options.note)
        m_options.note(message);
}

const FileFormat& Session::FormatFor(const RecordType& type, const std::string& file, const std::string& format)
{
    const FileFormat* chosen = format.empty() ? (file == "-" ? &FileFormats().front() : &FormatOfFile(file))
                                              : FindFileFormat(format);
    if (!chosen)
        throw Error(Error::Kind::Usage, "unknown --format \"" + format + "\": use " + FormatNames(", "));
    if (!chosen->Serves(type))
        throw Error(Error::Kind::Usage, std::string(chosen->name) + " files hold " + chosen->ServedInWords() +
                                            ", not " + std::string(type.plural) +
                                            (format.empty() ? " (the format follows the file's extension; "
                                                              "--format csv reads or writes CSV)"
                                                            : ""));
    return *chosen;
}

const FileFormat& Session::FormatOf(const RecordType& type, const ReadRequest& request)
{
    const FileFormat& format = FormatFor(type, request.file, request.format);
    if (!format.IsCsv() && (!request.maps.empty() || request.noHeader))
        throw Error(Error::Kind::Usage, std::string(!request.maps.empty() ? "--map" : "--no-header") +
                                            " is for CSV files: the properties of a " + std::string(format.name) +
                                            " file go to the fields of its records by themselves");
    return format;
}

long long Session::Translate(const RecordType& type, const FileFormat& format, Input& input, LineMoves* moves) const
{
    const std::string& shown = input.name;
    MappedInput mapped(input);
    long long records = 0;
    if (!moves) {
        // The pages read go as the count moves on, as in the translation.
        const auto counted = [&] {
            if (++records % kTranslatedWindow == 0)
                mapped.Release();
        };
        if (format.count)
            return format.count(mapped.Text(), shown, type, counted);
        format.read(mapped.Text(), shown, type, [&](const LayoutRow&, int64_t) { counted(); },
                    [this](const std::string& message) { Note(message); });
        return records;
    }
    ScratchPlace place;
    Descriptor out = OpenScratchFile(place);
    if (out.Get() < 0)
        Refuse("cannot translate " + shown + " for the library: " + std::strerror(errno));
    input.notOnDisk = place.notOnDisk;
    SayNotOnDisk(input);
    LayoutFileWriter writer(type, out.Get());
    CStringArray cells;
    for (const CSVColumn& column : type.layout().columns)
        cells.Add(CString(column.exportName));
    (void)writer.Add(cells);
    int64_t next = 2; // the line the next record starts on
    format.read(mapped.Text(), shown, type,
                [&](const LayoutRow& row, int64_t line) {
                    // After a failed write the rest is only read (a reader
                    // is not stopped by throwing through it); the failure is
                    // said at the end.
                    if (writer.Error() != 0)
                        return;
                    if (++records % kTranslatedWindow == 0)
                        mapped.Release();
                    // Blank lines, which hold no record, keep the record on
                    // its line of the file.
                    for (; next < line; ++next)
                        writer.AddBlankLine();
                    if (next != line) // the first record (the header takes line 1), or one after a long one
                        moves->emplace_back(next, line);
                    cells.RemoveAll();
                    for (const std::string& cell : row)
                        cells.Add(CString::FromUtf8(cell));
                    next += writer.Add(cells);
                },
                [this](const std::string& message) { Note(message); });
    if (!writer.Flush())
        Refuse("cannot translate " + shown + " for the library: writing the translation to " +
               (place.folder.empty() ? std::string("memory")
                                     : "a temporary file in " + place.folder) +
               " failed: " + WriteProblem(writer.Error()) +
               (place.folder.empty() ? std::string() : " (TMPDIR chooses the folder)") + "; nothing was stored");
    input.bytes = std::move(out);
    return records;
}

void Session::SayNotOnDisk(Input& input) const
{
    if (!input.notOnDisk.empty() && !input.notOnDiskSaid)
        Note(input.name + " is handed to the library from memory: no temporary file can be made in " +
             input.notOnDisk);
    input.notOnDiskSaid = input.notOnDiskSaid || !input.notOnDisk.empty();
}

void Session::WriteFormat(const RecordType& type, const FileFormat& format, const FormatOptions& options,
                          const Input& from, const std::string& shown, const std::string& to) const
{
    // The own-layout file is read, and the records are gathered and
    // written, in pieces of this many bytes: a few calls for each MiB, and
    // little memory beside what the library held for its export. The row
    // and its cells keep their memory from record to record.
    constexpr size_t kPiece = 256 << 10;
    std::string problem;
    std::FILE* file = std::fopen(to.c_str(), "wb");
    if (!file)
        Refuse("cannot write " + shown + ": " + WriteProblem(errno));
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, std::fclose);
    std::setvbuf(file, nullptr, _IONBF, 0);
    const std::unique_ptr<FormatWriter> writer = format.writer(type, options);
    const CSVLayout& layout = type.layout();
    std::vector<size_t> columnOf; // the layout's column of each of the file's
    bool atHeader = true;
    LayoutRow row(layout.columns.size());
    bool written = true;
    std::string pending = writer->Begin();
    pending.reserve(kPiece + kPiece / 4);
    auto flush = [&] {
        written = written && std::fwrite(pending.data(), 1, pending.size(), file) == pending.size();
        pending.clear();
    };
    const bool read = ForEachDataRecord(from, CP_UTF8, false, true, [&](const CStringArray& values, int64_t) {
        if (atHeader) {
            atHeader = false;
            for (int i = 0; i < values.GetSize(); ++i) {
                size_t at = 0;
                while (at < layout.columns.size() && values[i] != CString(layout.columns[at].exportName))
                    ++at;
                columnOf.push_back(at);
            }
            return;
        }
        for (std::string& cell : row)
            cell.clear();
        for (int i = 0; i < values.GetSize() && static_cast<size_t>(i) < columnOf.size(); ++i)
            if (const size_t at = columnOf[static_cast<size_t>(i)]; at < row.size()) {
                row[at].clear();
                if (!varno::detail::AppendUtf8(values[i].str(), row[at]))
                    row[at] = values[i].ToUtf8();
            }
        writer->Write(row, pending);
        if (pending.size() >= kPiece)
            flush();
    }, problem, kPiece);
    if (!read)
        Refuse(problem);
    pending += writer->End();
    flush();
    if (!written || std::fflush(file) != 0)
        Refuse("cannot write " + shown + ": " + WriteProblem(errno ? errno : EIO));
}

void Session::Prepare(const RecordType& type, const ReadRequest& request, Prepared& prepared)
{
    const std::string& file = request.file;
    const std::string shown = Shown(file);
    if (const std::string problem = CheckMapFields(type, request.maps); !problem.empty())
        throw Error(Error::Kind::Usage, problem);
    const FileFormat& format = FormatOf(type, request);
    prepared.translated = !format.IsCsv();
    const unsigned codePage = GetACP();
    std::string problem;
    prepared.input = OpenInput(shown, Native(file), problem);
    if (!prepared.input)
        Refuse(problem);
    Input& input = *prepared.input;
    if (prepared.translated)
        (void)Translate(type, format, input, &prepared.moves);
    // UTF-16 that the library would read as bytes of the code page.
    if (const Utf16Form form = RecogniseUtf16(ReadHead(input, kUtf16Head)); form != Utf16Form::None) {
        if (!ConvertUtf16(input, form, problem))
            Refuse(problem);
        Note(shown + " is UTF-16 text " +
             (form == Utf16Form::BigWithMark   ? std::string("in big-endian byte order")
              : form == Utf16Form::BigNoMark ? std::string("in big-endian byte order, without a byte-order mark")
                                             : std::string("without a byte-order mark")) +
             ": it is read as such (the library is handed it as UTF-16LE with its mark" +
             (form == Utf16Form::BigWithMark ? std::string(")")
                                             : std::string("; offsets named below count the two bytes of that mark)")));
    }

    // One reading: the header gives the mapping and the plan, which then
    // sees every row it needs to.
    std::string mappingProblem;
    ReadPlan::Options planOptions{GetUserLocale(), {}};
    if (prepared.translated) // the translation joins group names with " ::: " alone
        planOptions.groupSeparators = {u" ::: "};
    const size_t keep = std::max<size_t>(prepared.keepRows, kRowsForHeaderGuess);
    bool atHeader = true;
    const RecordSink sink = [&](CStringArray& values, int64_t line) {
        if (atHeader) {
            atHeader = false;
            Header& header = prepared.header;
            header = request.noHeader ? NumberedHeader(values.GetSize()) : Header{values, {}};
            if (!header.names.IsEmpty() && header.names[0].Left(1) == CString(u"\uFEFF"))
                header.mark = CString(u"\uFEFF"); // a UTF-8 byte-order mark, decoded
            if (request.maps.empty()) {
                prepared.mapping = AutoMapping(type, header);
            } else {
                prepared.mapping = MappingFromPairs(request.maps, header, mappingProblem);
                if (!mappingProblem.empty())
                    return false;
            }
            prepared.plan.emplace(type, header, prepared.mapping, prepared.mapping.hostLayout, planOptions);
            if (!request.noHeader)
                return true;
        }
        if (prepared.firstRows.size() < keep)
            prepared.firstRows.push_back(values);
        if (prepared.readCells)
            prepared.plan->Observe(values, line);
        return (prepared.readCells && prepared.plan->WantsRows()) || prepared.firstRows.size() < keep;
    };
    if (!InspectInput(input, codePage, true, sink, problem))
        Refuse(problem);
    const CSVInspection& found = input.inspection;
    const std::string cp = std::to_string(codePage);

    // Every reason to refuse the file is said, one per line.
    std::string refusals;
    auto refuse = [&](const std::string& message) { refusals += (refusals.empty() ? "" : "\n") + message; };
    if (input.utf8Mark && !found.utf16 && codePage != CP_UTF8) {
        refuse(shown + " starts with a UTF-8 byte-order mark, so it is UTF-8 text, but the code page in use is " + cp +
               ": use --codepage 65001");
    } else if (found.badByteOffset >= 0 && found.utf16) {
        refuse(shown + " is not valid UTF-16: the unpaired surrogate at offset " +
               std::to_string(found.badByteOffset) + " (line " + std::to_string(found.badByteLine) +
               ") would be stored as U+FFFD; save the file again from the program that wrote it");
    } else if (found.badByteOffset >= 0) {
        // The code page the bytes look like, where they decode in it; else
        // the first that decodes them.
        const std::optional<CharsetGuess> guess = found.utf16 ? std::nullopt : GuessCodePage(ReadHead(input, kGuessSample));
        std::optional<unsigned> other = CodePageThatDecodes(input, codePage);
        if (guess && guess->codePage && guess->codePage != codePage && DecodesCleanly(input, guess->codePage))
            other = guess->codePage;
        refuse(shown + " is not text in code page " + cp + ": the byte at offset " +
               std::to_string(found.badByteOffset) + " (line " + std::to_string(found.badByteLine) +
               ") does not decode in it and would be stored as U+FFFD; " +
               (other ? "the file decodes cleanly in code page " + std::to_string(*other) + ": use --codepage " +
                            std::to_string(*other)
                      : std::string("it does not decode cleanly in 65001, 1252 or 949 either")));
    }
    if (found.oddByteOffset >= 0)
        refuse(shown + " is not valid UTF-16: it has an odd number of bytes, and the last one (offset " +
               std::to_string(found.oddByteOffset) +
               ") would be lost; the file may be cut off: save it again from the program that wrote it");
    if (found.nulOffset >= 0)
        refuse(shown + " holds a NUL " + (found.utf16 ? "character" : "byte") + " at offset " +
               std::to_string(found.nulOffset) +
               ": the library's reader ends the text there, so everything after it would be lost; remove it");
    if (refusals.empty() && !found.utf16 && codePage != CP_UTF8) {
        // Bytes that decode cleanly, but into other characters than the
        // file's: Korean read in 1252, UTF-8 read in 1252 or 949. (Bytes
        // that are clean UTF-8 are guessed to be UTF-8 whenever any is
        // beyond ASCII, so the guess, a pass over a megabyte, is not made
        // for them.)
        const std::optional<CharsetGuess> guess = GuessCodePage(ReadHead(input, kGuessSample));
        if (guess && guess->codePage && guess->codePage != codePage && guess->confidence > kConfidentGuess &&
            DecodesCleanly(input, guess->codePage))
            refuse(shown + " looks like text in code page " + std::to_string(guess->codePage) + " (" + guess->name +
                   "), not in " + cp + ", the code page in use: read in " + cp +
                   " its letters beyond ASCII would be stored as other characters; use --codepage " +
                   std::to_string(guess->codePage));
    }
    if (!refusals.empty())
        Refuse(refusals);
    prepared.rows = found.rows + (request.noHeader && !found.header.IsEmpty() ? 1 : 0);
    if (prepared.rows == 0)
        Refuse(shown + " holds no data rows");

    const Header& header = prepared.header;
    if (!header.mark.IsEmpty())
        Note(shown + " starts with a UTF-8 byte-order mark: its first column " + Quoted(header.Matched(0)) +
             " is matched without it");
    if (found.separator == CString(u";"))
        Note(shown + " has no tab or comma in its header but \";\": its columns are read as separated by \";\" "
                     "(the library is handed the same records written with commas)");
    if (!request.noHeader) {
        const std::vector<CStringArray> below(prepared.firstRows.begin(),
                                              prepared.firstRows.begin() +
                                                  static_cast<std::ptrdiff_t>(std::min(prepared.firstRows.size(),
                                                                                       kRowsForHeaderGuess)));
        if (const HeaderGuess guess = GuessHeader(header.names, below); guess.looksLikeData) {
            std::string reasons;
            for (const std::string& reason : guess.reasons)
                reasons += (reasons.empty() ? "" : "; ") + reason;
            Note("warning: the first row of " + shown + " looks like data, not like column names (" + reasons +
                 "): it was read as the header; if the file has none, use --no-header and --map FIELD=#N");
        }
    }
    if (!mappingProblem.empty())
        Refuse(shown + ": " + mappingProblem);
    prepared.unfilled = CheckFilled(type, prepared.mapping);
    if (!prepared.unfilled.empty() && !prepared.preview)
        Refuse(shown + ": " + prepared.unfilled);

    const std::string columns = std::to_string(found.headerCells);
    if (found.longRows > 0)
        Note("warning: " + RowsOf(found.longRows, shown) + " more cells than the header's " + columns +
             " columns (the first on line " + std::to_string(found.firstLongRowLine) +
             "); the extra cells are not read");
    if (found.shortRows > 0)
        Note("warning: " + RowsOf(found.shortRows, shown) + " fewer cells than the header's " + columns +
             " columns (the first on line " + std::to_string(found.firstShortRowLine) +
             "); the missing fields stay empty");
    if (found.openQuoteLine > 0)
        Note("warning: a quote opened in the record on line " + std::to_string(found.openQuoteLine) + " of " + shown +
             " is never closed, so the rest of the file is read as part of that record");

    // What the plan did to the cells, and what it found; with --strict a
    // cell whose content is lost or changed refuses the file.
    ReadPlan& plan = *prepared.plan;
    std::string strictRefusals;
    for (CellReport report : plan.Reports()) {
        report.firstLine = prepared.FileLine(report.firstLine);
        if (report.Loses() && request.strict)
            strictRefusals += (strictRefusals.empty() ? "" : "\n") + report.Describe(shown);
        else
            Note((report.Loses() ? "warning: " : "") + report.Describe(shown));
    }
    if (!strictRefusals.empty())
        Refuse(strictRefusals + "\n" + shown + " is refused (--strict): correct those cells, or import without "
                                               "--strict to store them as said");

    prepared.source = prepared.mapping.given          ? " (--map)"
                      : prepared.mapping.layout.empty() ? ""
                                                        : " (" + prepared.mapping.layout + ")";
    // A translated file's mapping is the host's own: it is not said.
    const bool sayMapping = !prepared.preview && prepared.unfilled.empty() && !prepared.translated;
    if (sayMapping && m_options.describeMapping)
        Note("mapping" + prepared.source + ": " + DescribeMapping(prepared.mapping, header.mark) +
             DescribeAdded(plan));
    else if (sayMapping)
        Note("mapping" + prepared.source + ": " + CountMapping(plan) + " (preview names them)");

    // The library is handed another file when anything in it changes.
    if (found.separator == CString(u";") || request.noHeader)
        plan.ForceRewrite();
    if (plan.NeedsRewrite() && !prepared.preview && prepared.readCells) {
        const CStringArray libraryHeader = plan.LibraryHeader();
        if (!RewriteInput(input, codePage, true, type, libraryHeader,
                          [&](const CStringArray& row, int64_t, CStringArray& out) {
                              plan.Adapt(row, out);
                              return true;
                          },
                          request.noHeader, problem))
            Refuse(problem);
        SayNotOnDisk(input);
    }
}

long Session::Count(const RecordType& type, const ReadRequest& request)
{
    // A file gives one record per non-blank data row, which the reading has
    // counted by the library's own rules (a test holds it to the library's
    // Count on every example): the library is not handed the file again.
    // Its cells are read only to refuse them (--strict).
    // A file of another format gives a record per record its reader hands
    // over: without --strict it is only counted (by the format's counter,
    // else by reading it), not translated.
    if (const FileFormat& format = FormatOf(type, request); !format.IsCsv() && !request.strict) {
        std::string problem;
        std::optional<Input> input = OpenInput(Shown(request.file), Native(request.file), problem);
        if (!input)
            Refuse(problem);
        return static_cast<long>(Translate(type, format, *input, nullptr));
    }
    Prepared prepared;
    prepared.readCells = request.strict;
    Prepare(type, request, prepared);
    return static_cast<long>(prepared.rows);
}

long Session::Import(const RecordType& type, const ReadRequest& request, int option, bool flag,
                     ImportDetails* details)
{
    ImportDetails ignoredDetails;
    ImportDetails& aside = details ? *details : ignoredDetails;
    aside = {};
    Prepared prepared;
    Prepare(type, request, prepared);
    if (const std::vector<UnreadColumn> unread = prepared.plan->Unread(); !unread.empty()) {
        aside.unreadColumns = unread.size();
        std::string names;
        for (const UnreadColumn& column : unread)
            names += (names.empty() ? "" : ", ") + Quoted(CString::FromUtf8(column.name)) + " (" +
                     std::to_string(column.values) + (column.values == 1 ? " value)" : " values)");
        Note(Shown(request.file) + ": not read: " + names);
    }
    std::error_code ignored;
    const bool existed = m_store.rfind("file:", 0) == 0 || fs::exists(m_store, ignored);
    // Records the store holds already: said, or left out.
    long long firstLine = 0;
    const std::vector<long long> stored = existed ? FindStored(type, request, prepared, firstLine)
                                                  : std::vector<long long>();
    if (!stored.empty()) {
        const std::string some = std::to_string(stored.size()) + " of the " + Counted(type, prepared.rows) + " in " +
                                 Shown(request.file) + (stored.size() == 1 ? " is" : " are") +
                                 " in the store already with the same content (the first on line " +
                                 std::to_string(prepared.FileLine(firstLine)) + ")";
        (request.skipExisting ? aside.leftOut : aside.storedAgain) = static_cast<long long>(stored.size());
        if (request.skipExisting && static_cast<long long>(stored.size()) == prepared.rows) {
            Note(some + ": left out (--skip-existing), so there is nothing to import");
            return 0;
        }
        if (request.skipExisting) {
            Note(some + ": left out (--skip-existing)");
            const ReadPlan& plan = *prepared.plan;
            const bool adapt = prepared.input->rewritten.Get() >= 0;
            size_t next = 0;
            long long ordinal = 0;
            std::string problem;
            if (!RewriteInput(*prepared.input, GetACP(), true, type,
                              adapt ? plan.LibraryHeader() : prepared.header.names,
                              [&](const CStringArray& row, int64_t, CStringArray& out) {
                                  if (next < stored.size() && stored[next] == ordinal++) {
                                      ++next;
                                      return false;
                                  }
                                  if (adapt)
                                      plan.Adapt(row, out);
                                  else
                                      out = row;
                                  return true;
                              },
                              request.noHeader, problem))
                Refuse(problem);
            SayNotOnDisk(*prepared.input);
            if (!adapt) // the file's own columns, now in a file of the host's
                prepared.plan->ForceRewrite();
        } else {
            Note(some + ": they are stored again; --skip-existing leaves them out");
        }
    }
    EnsureStoreFolder();
    // The history names the file as the person named it, with the mapping
    // the session chose for its columns (the library may read a rewritten
    // copy of the file, with columns of its own).
    const store::ImportRecording recording({Shown(request.file), std::string(type.name), m_options.profile,
                                            store::MappingText(prepared.mapping.fieldNames,
                                                               prepared.mapping.fileColumns)});
    long saved = 0;
    ReadWithLibrary(m_options.pipelined, prepared.input->LibraryPath(), prepared.LibraryMapping(), Shown(request.file),
                    "; nothing was saved",
                    [&](auto& manager, const CString& path, CStringList& fields, CStringList& columns) {
                        return manager.Import(type.code, saved, m_options.profile, path, fields, columns, option,
                                              flag);
                    });
    if (saved < 0)
        StoreFailed("save to");
    if (!existed)
        Note("created the store " + m_store);
    return saved;
}

std::vector<long long> Session::FindStored(const RecordType& type, const ReadRequest& request, Prepared& prepared,
                                          long long& firstLine)
{
    // A record's content is its listing without its id; group names are
    // matched as the import links them, without regard to case.
    auto contentOf = [](ListedRecord record) {
        for (auto& [name, value] : record.fields)
            if (name == "groups")
                for (ListedValue::Entry& entry : value.entries)
                    entry.text = CString::FromUtf8(entry.text).MakeLower().ToUtf8();
        return std::hash<std::string>()(ContentText(record));
    };
    std::unordered_set<size_t> stored;
    {
        RecordListing listing(type);
        const long loaded = type.loadStored(m_options.profile, [&](void* record, std::uint32_t id, bool deleted) {
            if (!deleted)
                stored.insert(contentOf(listing.Item(record, id, false)));
        });
        if (loaded <= 0) // an unreadable store says so when the import saves
            return {};
    }
    // The file's records as the import makes them, a window at a time.
    const ReadPlan& plan = *prepared.plan;
    const bool adapt = prepared.input->rewritten.Get() >= 0;
    CStringArray header = adapt ? plan.LibraryHeader() : prepared.header.names;
    Mapping mapping = prepared.LibraryMapping();
    std::unique_ptr<CCSVItem> converter(type.create());
    if (!converter)
        throw std::bad_alloc();
    converter->AddField(header);
    CArray<int, const int&> index;
    converter->MakeIndexFileField(index, mapping.fileColumns);
    (void)type.layout().Recognise(*converter);
    RecordListing listing(type);
    std::vector<long long> found;
    std::vector<int64_t> lines;
    long long ordinal = 0;
    auto check = [&] {
        long long at = ordinal - converter->m_nValueCount;
        type.makeRecords(*converter, mapping.fieldNames, index, [&](void* record, std::uint32_t, bool) {
            if (stored.count(contentOf(listing.Item(record, std::nullopt, false)))) {
                if (found.empty())
                    firstLine = lines[static_cast<size_t>(at - (ordinal - converter->m_nValueCount))];
                found.push_back(at);
            }
            ++at;
        });
        converter->m_nValueCount = 0;
        lines.clear();
    };
    std::string problem;
    CStringArray row;
    const bool read = ForEachDataRecord(*prepared.input, GetACP(), true, request.noHeader,
                                        [&](const CStringArray& values, int64_t line) {
                                            if (adapt)
                                                plan.Adapt(values, row);
                                            else
                                                row = values;
                                            converter->AddValue(row);
                                            lines.push_back(line);
                                            ++ordinal;
                                            if (converter->m_nValueCount == kStoredCheckWindow)
                                                check();
                                        },
                                        problem);
    if (!read)
        Refuse(problem);
    check();
    return found;
}

ExportResult Session::Export(const RecordType& type, const ExportRequest& request)
{
    const bool toOutput = request.file == "-";
    const FileFormat& format = FormatFor(type, request.file, request.format);
    ExportResult result;
    result.path = ExportPath(request.file, std::string(format.name));

    std::unique_ptr<ExportTarget> target = toOutput ? std::make_unique<ExportTarget>(result.path)
                                                    : std::make_unique<ExportTarget>(result.path, Native(result.path));
    RequireStore();
    // Another format: the library's own-layout export goes to a file of
    // its own, in UTF-16 (code page 65001 while it is written) so that no
    // character is lost on the way. While the library writes it, it is the
    // file an interrupt removes; it is then opened and removed at once, and
    // read through its descriptor into the target's temporary file.
    std::optional<ExportTarget> ownLayout;
    if (!format.IsCsv())
        ownLayout.emplace(result.path);
    ExportTarget& written = ownLayout ? *ownLayout : *target;
    written.MakeTemporary();
    auto forget = [&] {
        if (ownLayout)
            ownLayout->Discard();
        target->Discard();
        if (request.onTemporary)
            request.onTemporary(nullptr);
    };
    if (request.onTemporary)
        request.onTemporary(written.Temporary().c_str());

    ResetConversionLosses();
    int writeError = 0;
    try {
        const CodePageWhile utf16(ownLayout ? CP_UTF8 : 0);
        result.written = WithFacade(m_options.pipelined, [&](auto& manager) {
            return manager.Export(type.code, m_options.profile, CString::FromUtf8(written.Temporary()));
        });
    } catch (const CFileException& error) {
        result.written = -1;
        writeError = error.m_lOsError ? error.m_lOsError : EIO;
    } catch (...) {
        forget();
        throw;
    }
    const ConversionLosses losses = GetConversionLosses();
    if (ownLayout && result.written > 0) {
        try {
            std::string problem;
            const std::optional<Input> rows = OpenInput(result.path, ownLayout->Temporary(), problem);
            if (!rows)
                Refuse(problem);
            ownLayout->Discard();
            target->MakeTemporary();
            if (request.onTemporary)
                request.onTemporary(target->Temporary().c_str());
            WriteFormat(type, format, FormatOptions{request.vcardVersion}, *rows, result.path, target->Temporary());
        } catch (...) {
            forget();
            throw;
        }
    }
    result.replaced = losses.count;
    if (result.written < 0) {
        forget();
        if (GetLastStoreFailure().cause != StoreCause::None)
            StoreFailed("read");
        Refuse("cannot write " + result.path + ": " + WriteProblem(writeError) +
               (toOutput ? std::string() : "; the file is as it was"));
    }
    if (result.written == 0) {
        forget();
        Note("nothing to export: profile " + std::to_string(m_options.profile) + " of the store " + m_store +
             " holds no " + std::string(type.plural) + " (those marked deleted are left out); no file written");
    } else if (toOutput) {
        std::FILE* in = std::fopen(target->Temporary().c_str(), "rb");
        char buffer[1 << 16];
        size_t n = 0;
        while (in && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
            if (request.toOutput)
                request.toOutput(std::string_view(buffer, n));
        if (in)
            std::fclose(in);
        forget();
    } else {
        try {
            target->Commit();
        } catch (...) {
            forget();
            throw;
        }
        if (request.onTemporary)
            request.onTemporary(nullptr);
    }
    if (losses.count > 0)
        Note("warning: " + std::to_string(losses.count) + " character" + (losses.count == 1 ? "" : "s") +
             " cannot be written in code page " + std::to_string(GetACP()) +
             " and were written as a similar character or \"?\" (the first: " + CodePoint(losses.first) +
             "); --codepage 65001 writes every character");
    return result;
}

Preview Session::MakePreview(const RecordType& type, const ReadRequest& request, int rows)
{
    // The file is read, checked and mapped exactly as for an import; the
    // converter then fills records from its first rows as import would,
    // and nothing goes near the store.
    Prepared prepared;
    prepared.keepRows = static_cast<size_t>(std::max(rows, 1)); // the first row gives the examples
    prepared.preview = true;
    Prepare(type, request, prepared);
    const CSVLayout& layout = type.layout();
    const Header& header = prepared.header;
    const ReadPlan& plan = *prepared.plan;
    if (prepared.firstRows.empty()) // the inspector counted rows it did not hand over
        Refuse("cannot read the first rows of " + Shown(request.file));
    const CStringArray& first = prepared.firstRows.front();
    auto example = [&](int column) {
        return column >= 0 && column < first.GetSize() ? first[column].ToUtf8() : std::string(); // a short row: empty
    };
    Preview preview;
    preview.source = prepared.source;
    preview.rows = prepared.rows;
    preview.unfilled = prepared.unfilled;
    for (int i = 0; i < header.names.GetSize(); ++i)
        if (!plan.Reads(i))
            preview.unused.push_back(header.Matched(i).ToUtf8());

    if (!preview.unfilled.empty()) {
        // Nothing to store: every column, with what it holds and the field
        // it would fill as far as anything guesses one.
        for (int i = 0; i < header.names.GetSize(); ++i) {
            PreviewColumn column{header.Matched(i).ToUtf8(), example(i), {}};
            auto fileColumn = prepared.mapping.fileColumns.begin();
            for (const CString& field : prepared.mapping.fieldNames)
                if (*fileColumn++ == header.names[i] && column.field.empty())
                    column.field = field.ToUtf8();
            preview.mapOptions += std::string(preview.mapOptions.empty() ? "--map " : " --map ") +
                                  (column.field.empty() ? "FIELD" : column.field) + "=" + ShellWord(column.name);
            preview.columns.push_back(std::move(column));
        }
        return preview;
    }

    // As import reads the file: the rows as the library is handed them, the
    // column index of the mapping, and the layout flag import sets for a
    // layout it recognises.
    std::unique_ptr<CCSVItem> converter(type.create());
    if (!converter)
        throw std::bad_alloc();
    const bool rewritten = plan.NeedsRewrite();
    CStringArray names = rewritten ? plan.LibraryHeader() : header.names;
    converter->AddField(names);
    for (size_t i = 0; i < prepared.firstRows.size() && i < static_cast<size_t>(rows); ++i) {
        CStringArray row = prepared.firstRows[i];
        if (rewritten)
            plan.Adapt(prepared.firstRows[i], row);
        converter->AddValue(row);
    }
    Mapping mapping = rewritten ? plan.LibraryMapping() : prepared.mapping;
    CArray<int, const int&> index;
    converter->MakeIndexFileField(index, mapping.fileColumns);
    (void)layout.Recognise(*converter);
    RecordListing listing(type);
    type.makeRecords(*converter, mapping.fieldNames, index, [&](void* record, std::uint32_t, bool) {
        preview.records.push_back(listing.Item(record, std::nullopt, false)); // a record gets its id when saved
    });

    // Which columns each field reads: those the plan names, and the
    // neighbour that some fields also read.
    std::vector<bool> shown(static_cast<size_t>(header.names.GetSize()), false);
    for (const FieldSource& source : plan.Sources()) {
        const CSVColumn* column = nullptr;
        for (const CSVColumn& candidate : layout.columns)
            if (CString(candidate.fieldName).ToUtf8() == source.field)
                column = &candidate;
        PreviewField line{source.field, std::nullopt, {}, std::nullopt, source.how};
        for (const std::string& name : source.columns) {
            const int at = header.Find(CString::FromUtf8(name).str(), false);
            if (!line.column) {
                line.column = name;
                line.example = example(at);
            } else {
                line.alsoReads.push_back(name);
            }
            if (!column || at < 0 || source.extra)
                continue;
            shown[static_cast<size_t>(at)] = true;
            for (const int beside : {column->readsPrevious ? at - 1 : -1, column->readsNext ? at + 1 : -1})
                if (beside >= 0 && beside < header.names.GetSize() && !shown[static_cast<size_t>(beside)] &&
                    std::none_of(mapping.fileColumns.begin(), mapping.fileColumns.end(),
                                 [&](const CString& c) { return c == header.names[beside]; })) {
                    shown[static_cast<size_t>(beside)] = true;
                    line.alsoReads.push_back(header.Matched(beside).ToUtf8());
                }
        }
        preview.mapping.push_back(std::move(line));
    }
    // The mapping's pairs as --map options, each column without a
    // byte-order mark; what the layout reads beyond them has no option.
    auto fileColumn = prepared.mapping.fileColumns.begin();
    for (const CString& field : prepared.mapping.fieldNames) {
        const CString& column = *fileColumn++;
        const int at = header.Find(column.str(), false);
        preview.mapOptions += (preview.mapOptions.empty() ? "--map " : " --map ") + field.ToUtf8() + "=" +
                              ShellWord((at >= 0 ? header.Matched(at) : column).ToUtf8());
    }
    return preview;
}

std::vector<std::string> Session::Fields(const std::string& file)
{
    if (const FileFormat& format = FormatOfFile(file); !format.IsCsv())
        throw Error(Error::Kind::Usage, "fields shows the header of a CSV file; a " + std::string(format.name) +
                                            " file has none (preview shows how its records would be stored)");
    std::string problem;
    const std::string shown = Shown(file);
    const unsigned codePage = GetACP();
    std::optional<Input> input = OpenInput(shown, Native(file), problem);
    if (!input || !InspectInput(*input, codePage, true, {}, problem))
        Refuse(problem);
    const CSVInspection& found = input->inspection;
    if (input->utf8Mark && !found.utf16 && codePage != CP_UTF8)
        Note("warning: " + shown + " starts with a UTF-8 byte-order mark, so it is UTF-8 text: use --codepage 65001");
    else if (found.badByteOffset >= 0 && found.utf16)
        Note("warning: " + shown + " is not valid UTF-16: an unpaired surrogate at offset " +
             std::to_string(found.badByteOffset) + " (line " + std::to_string(found.badByteLine) + ")");
    else if (found.oddByteOffset >= 0)
        Note("warning: " + shown + " is not valid UTF-16: it has an odd number of bytes");
    else if (found.badByteOffset >= 0)
        Note("warning: " + shown + " is not text in code page " + std::to_string(codePage) + ": the byte at offset " +
             std::to_string(found.badByteOffset) + " (line " + std::to_string(found.badByteLine) +
             ") does not decode in it");
    if (found.nulOffset >= 0)
        Note("warning: " + shown + " holds a NUL at offset " + std::to_string(found.nulOffset) +
             ": the library's reader ends the text there");
    Header header{found.header, {}};
    if (input->utf8Mark && !found.utf16 && codePage == CP_UTF8 && !header.names.IsEmpty()) {
        header.mark = CString(u"\uFEFF");
        Note(shown + " starts with a UTF-8 byte-order mark: it is left out of the first name");
    }
    if (found.separator == CString(u";"))
        Note(shown + " has no tab or comma in its header but \";\": its columns are read as separated by \";\"");
    if (header.names.IsEmpty())
        Note(shown + " is empty: it has no header");
    std::vector<std::string> names;
    for (int i = 0; i < header.names.GetSize(); ++i)
        names.push_back(header.Matched(i).ToUtf8());
    return names;
}

ListSummary Session::List(const RecordType& type, const std::function<void(const ListedRecord&)>& each)
{
    RequireStore();
    RecordListing listing(type);
    ListSummary summary;
    const long loaded = type.loadStored(m_options.profile, [&](void* record, std::uint32_t id, bool deleted) {
        ++summary.records;
        summary.deleted += deleted;
        each(listing.Item(record, id, deleted));
    });
    if (loaded < 0)
        StoreFailed("read");
    return summary;
}

void Session::RequireStore() const
{
    // An SQLite URI names no plain file to look for.
    if (m_store.rfind("file:", 0) == 0)
        return;
    struct stat st {};
    if (::stat(m_store.c_str(), &st) == 0)
        return;
    if (errno == ENOENT || errno == ENOTDIR)
        Refuse("there is no store at " + m_store + " (import creates one); check --store");
    Refuse("cannot open the store " + m_store + ": " + std::strerror(errno));
}

void Session::EnsureStoreFolder() const
{
    // The store creates the folder of its default path itself, but not that
    // of a path it is given; an SQLite URI names no folder to create.
    if (m_store.rfind("file:", 0) == 0)
        return;
    const fs::path folder = fs::path(m_store).parent_path();
    std::error_code error;
    if (folder.empty() || fs::is_directory(folder, error))
        return;
    // Made private to its owner, as the store's default folder is.
    if (!CreatePrivateFolders(folder.string()))
        Refuse("cannot create the folder " + folder.string() + " of the store: " + std::strerror(errno));
}

void Session::StoreFailed(const char* doing) const
{
    Refuse("cannot " + std::string(doing) + " the store " + m_store + ": " +
           DescribeStoreFailure(GetLastStoreFailure()) + (std::string(doing) == "save to" ? "; nothing was saved" : ""));
}

} // namespace varno::host
