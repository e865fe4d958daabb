#include "host/Session.h"

#include "host/ExportTarget.h"
#include "host/Input.h"
#include "host/Mapping.h"
#include "host/StoreFailureText.h"

#include "manager/CSVMng.h"
#include "manager/CSVPipelinedMng.h"
#include "platform/CFile.h"
#include "platform/CodePage.h"
#include "store/Store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

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

/// The library's result of a read that did not work, in words.
[[noreturn]] void ReadFailed(_en_CSVError result, const std::string& shown)
{
    Refuse(result == CSVERR_FILEOPEN ? "cannot open " + shown : shown + " holds no data rows");
}

} // namespace

struct Session::Prepared {
    /// Data records to keep from the input (see Input::firstRows).
    size_t keepRows = 0;
    /// Whether the mapping is noted (a preview shows it instead).
    bool sayMapping = true;

    std::optional<Input> input;
    Header header;
    Mapping mapping;
    /// Where the mapping came from: " (--map)", " (the English calendar
    /// layout)" or "".
    std::string source;
};

Session::Session(SessionOptions options) : m_options(std::move(options)), m_store(GetStorePath().ToUtf8()) {}

Session::~Session() = default;

std::string Session::Shown(const std::string& file)
{
    return file == "-" ? "standard input" : file;
}

std::string Session::ExportPath(const std::string& file)
{
    if (file == "-")
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

void Session::Prepare(const RecordType& type, const ReadRequest& request, Prepared& prepared)
{
    const std::string& file = request.file;
    const std::string shown = Shown(file);
    if (const std::string problem = CheckMapFields(type, request.maps); !problem.empty())
        throw Error(Error::Kind::Usage, problem);
    const unsigned codePage = GetACP();
    std::string problem;
    prepared.input = OpenInput(shown, Native(file), codePage, true, &type, problem, prepared.keepRows);
    if (!prepared.input)
        Refuse(problem);
    const Input& input = *prepared.input;
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
        const std::optional<unsigned> other = CodePageThatDecodes(input, codePage);
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
    if (!refusals.empty())
        Refuse(refusals);
    if (found.rows == 0)
        Refuse(shown + " holds no data rows");

    Header& header = prepared.header;
    header = Header{found.header, {}};
    if (input.utf8Mark && !found.utf16 && !header.names.IsEmpty()) {
        header.mark = CString(u"\uFEFF");
        Note(shown + " starts with a UTF-8 byte-order mark: its first column " + Quoted(header.Matched(0)) +
             " is matched without it");
    }
    if (found.separator == CString(u";"))
        Note(shown + " has no tab or comma in its header but \";\": its columns are read as separated by \";\" "
                     "(the library is handed the same records written with commas)");
    if (request.maps.empty()) {
        prepared.mapping = AutoMapping(type, header);
    } else {
        prepared.mapping = MappingFromPairs(request.maps, header, problem);
        if (!problem.empty())
            Refuse(shown + ": " + problem);
    }
    if (const std::string unfilled = CheckFilled(type, prepared.mapping); !unfilled.empty())
        Refuse(shown + ": " + unfilled);

    const std::string columns = std::to_string(found.header.GetSize());
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
    prepared.source = prepared.mapping.given          ? " (--map)"
                      : prepared.mapping.layout.empty() ? ""
                                                        : " (" + prepared.mapping.layout + ")";
    if (prepared.sayMapping)
        Note("mapping" + prepared.source + ": " + DescribeMapping(prepared.mapping, header.mark));
}

long Session::Count(const RecordType& type, const ReadRequest& request)
{
    Prepared prepared;
    Prepare(type, request, prepared);
    CSVPipelinedMng manager;
    long count = 0;
    _en_CSVError result = CSVERR_FAIL;
    try {
        result = manager.Count(type.code, count, m_options.profile,
                               CString::FromUtf8(prepared.input->LibraryPath()), prepared.mapping.fieldNames,
                               prepared.mapping.fileColumns, -1);
    } catch (const CFileException& error) {
        // The library's message would name /proc/self/fd/N.
        Refuse("cannot read " + Shown(request.file) + ": " + std::strerror(error.m_lOsError));
    }
    if (result != CSVERR_SUCCESS)
        ReadFailed(result, Shown(request.file));
    return count;
}

long Session::Import(const RecordType& type, const ReadRequest& request, int option, bool flag)
{
    Prepared prepared;
    Prepare(type, request, prepared);
    std::error_code ignored;
    const bool existed = m_store.rfind("file:", 0) == 0 || fs::exists(m_store, ignored);
    EnsureStoreFolder();
    CSVPipelinedMng manager;
    long saved = 0;
    _en_CSVError result = CSVERR_FAIL;
    try {
        result = manager.Import(type.code, saved, m_options.profile,
                                CString::FromUtf8(prepared.input->LibraryPath()), prepared.mapping.fieldNames,
                                prepared.mapping.fileColumns, option, flag);
    } catch (const CFileException& error) {
        Refuse("cannot read " + Shown(request.file) + ": " + std::strerror(error.m_lOsError) + "; nothing was saved");
    }
    if (result != CSVERR_SUCCESS)
        ReadFailed(result, Shown(request.file));
    if (saved < 0)
        StoreFailed("save to");
    if (!existed)
        Note("created the store " + m_store);
    return saved;
}

ExportResult Session::Export(const RecordType& type, const ExportRequest& request)
{
    const bool toOutput = request.file == "-";
    ExportResult result;
    result.path = ExportPath(request.file);
    CSVPipelinedMng manager;

    std::unique_ptr<ExportTarget> target = toOutput ? std::make_unique<ExportTarget>(result.path)
                                                    : std::make_unique<ExportTarget>(result.path, Native(result.path));
    RequireStore();
    target->MakeTemporary();
    auto forget = [&] {
        target->Discard();
        if (request.onTemporary)
            request.onTemporary(nullptr);
    };
    if (request.onTemporary)
        request.onTemporary(target->Temporary().c_str());

    ResetConversionLosses();
    int writeError = 0;
    try {
        result.written = manager.Export(type.code, m_options.profile, CString::FromUtf8(target->Temporary()));
    } catch (const CFileException& error) {
        result.written = -1;
        writeError = error.m_lOsError ? error.m_lOsError : EIO;
    } catch (...) {
        forget();
        throw;
    }
    const ConversionLosses losses = GetConversionLosses();
    result.replaced = losses.count;
    if (result.written < 0) {
        forget();
        if (GetLastStoreFailure().code != 0)
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
    prepared.sayMapping = false;
    Prepare(type, request, prepared);
    const CSVLayout& layout = type.layout();
    const Input& input = *prepared.input;
    const Header& header = prepared.header;
    Mapping& mapping = prepared.mapping;
    if (input.firstRows.empty()) // the inspector counted rows it did not hand over
        Refuse("cannot read the first rows of " + Shown(request.file));

    // As import reads the file: the header and rows as the library's reader
    // splits them, the column index of the mapping, and the layout flag
    // import sets for a layout it recognises.
    std::unique_ptr<CCSVItem> converter(type.create());
    if (!converter)
        throw std::bad_alloc();
    CStringArray names = header.names;
    converter->AddField(names);
    for (size_t i = 0; i < input.firstRows.size() && i < static_cast<size_t>(rows); ++i) {
        CStringArray row = input.firstRows[i];
        converter->AddValue(row);
    }
    CArray<int, const int&> index;
    converter->MakeIndexFileField(index, mapping.fileColumns);
    (void)layout.Recognise(*converter);
    Preview preview;
    preview.source = prepared.source;
    preview.rows = input.inspection.rows;
    RecordListing listing(type);
    type.makeRecords(*converter, mapping.fieldNames, index, [&](void* record, std::uint32_t, bool) {
        preview.records.push_back(listing.Item(record, std::nullopt, false)); // a record gets its id when saved
    });

    // Which column each field reads, and which columns are read at all: a
    // mapped one, and the neighbour that some fields also read.
    const CStringArray& first = input.firstRows.front();
    std::vector<bool> read(static_cast<size_t>(header.names.GetSize()), false);
    std::vector<const CSVColumn*> fieldOf;
    for (const CString& field : mapping.fieldNames) {
        const auto column = std::find_if(layout.columns.begin(), layout.columns.end(), [&](const CSVColumn& c) {
            return field.CompareNoCase(c.fieldName) == 0;
        });
        fieldOf.push_back(column == layout.columns.end() ? nullptr : &*column);
    }
    for (int k = 0; k < index.GetSize(); ++k)
        if (index[k] >= 0)
            read[static_cast<size_t>(index[k])] = true;
    auto example = [&](int column) {
        return column < first.GetSize() ? first[column].ToUtf8() : std::string(); // a short row: empty
    };
    for (const CSVColumn& column : layout.columns) {
        bool found = false;
        for (int k = 0; k < index.GetSize(); ++k) {
            if (fieldOf[static_cast<size_t>(k)] != &column || index[k] < 0)
                continue;
            found = true;
            PreviewField line{CString(column.fieldName).ToUtf8(), header.Matched(index[k]).ToUtf8(), {},
                              example(index[k])};
            for (const int beside : {column.readsPrevious ? index[k] - 1 : -1, column.readsNext ? index[k] + 1 : -1}) {
                if (beside >= 0 && beside < header.names.GetSize() && !read[static_cast<size_t>(beside)]) {
                    read[static_cast<size_t>(beside)] = true;
                    line.alsoReads.push_back(header.Matched(beside).ToUtf8());
                }
            }
            preview.mapping.push_back(std::move(line));
        }
        if (!found)
            preview.mapping.push_back({CString(column.fieldName).ToUtf8(), std::nullopt, {}, std::nullopt});
    }
    for (int i = 0; i < header.names.GetSize(); ++i)
        if (!read[static_cast<size_t>(i)])
            preview.unused.push_back(header.Matched(i).ToUtf8());
    // Each column as --map matches it: without a byte-order mark.
    int k = 0;
    for (const CString& field : mapping.fieldNames) {
        const int at = k < index.GetSize() ? index[k] : -1;
        ++k;
        if (at >= 0)
            preview.mapOptions += (preview.mapOptions.empty() ? "--map " : " --map ") + field.ToUtf8() + "=" +
                                  ShellWord(header.Matched(at).ToUtf8());
    }
    return preview;
}

std::vector<std::string> Session::Fields(const std::string& file)
{
    std::string problem;
    const std::string shown = Shown(file);
    const unsigned codePage = GetACP();
    const std::optional<Input> input = OpenInput(shown, Native(file), codePage, true, nullptr, problem);
    if (!input)
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
    fs::create_directories(folder, error);
    if (error)
        Refuse("cannot create the folder " + folder.string() + " of the store: " + error.message());
}

void Session::StoreFailed(const char* doing) const
{
    Refuse("cannot " + std::string(doing) + " the store " + m_store + ": " +
           DescribeStoreFailure(GetLastStoreFailure()) + (std::string(doing) == "save to" ? "; nothing was saved" : ""));
}

} // namespace varno::host
