#include "cli/Commands.h"

#include "cli/Input.h"
#include "cli/Interrupt.h"
#include "cli/Listing.h"
#include "cli/Spool.h"
#include "cli/StoreFailureText.h"
#include "cli/Table.h"

#include "manager/CSVMng.h"
#include "platform/CFile.h"
#include "platform/CodePage.h"
#include "store/Store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace varno::cli {

namespace {

/// Why a file could not be written, in words, from its errno.
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

/// The input as messages name it.
std::string Shown(const std::string& file)
{
    return file == "-" ? "standard input" : file;
}

std::string Joined(const std::vector<std::string>& parts, const char* between)
{
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : between) + part;
    return text;
}

/// A listed value in a table cell: a text as it is, an array's items
/// joined by "; ", an object's non-empty values by spaces.
std::string CellText(const nlohmann::ordered_json& value)
{
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_null())
        return {};
    std::vector<std::string> parts;
    if (value.is_array() || value.is_object())
        for (const auto& item : value)
            if (std::string part = CellText(item); !part.empty())
                parts.push_back(std::move(part));
    return value.is_array() ? Joined(parts, "; ") : value.is_object() ? Joined(parts, " ") : Dumped(value);
}

/// Interrupt messages must outlive every command.
std::string g_interruptMessage;

void SayOnInterrupt(std::string message)
{
    g_interruptMessage = "varnocsv: " + std::move(message) + "\n";
    OnInterruptSay(g_interruptMessage.c_str());
}

} // namespace

struct Commands::Prepared {
    /// Data records to keep from the input (see Input::firstRows).
    size_t keepRows = 0;
    /// Whether the mapping is said on standard error (preview shows it on
    /// standard output instead).
    bool sayMapping = true;

    std::optional<Input> input;
    Header header;
    Mapping mapping;
    /// Where the mapping came from, for messages: " (--map)", " (the
    /// English calendar layout)" or "".
    std::string source;
};

Commands::Commands(const GlobalOptions& options, Output& out, Output& err, std::function<void()> clearProgress)
    : m_options(options), m_store(GetStorePath().ToUtf8()), m_out(out), m_err(err),
      m_clearProgress(std::move(clearProgress))
{
}

std::string Commands::Native(const std::string& name) const
{
    return ToTerminal(name, m_options.terminalCodePage);
}

int Commands::Export(const RecordType& type, const std::string& file)
{
    const bool toOutput = file == "-";
    CString path = CString::FromUtf8(file);
    CSVMng manager;
    if (!toOutput)
        (void)manager.CheckValidFilePath(path); // the file the library would write
    const std::string used = path.ToUtf8();

    // The target: its folder, its permission bits, and a lock that the
    // library would have respected.
    Descriptor folder, target;
    std::string base;
    mode_t mode = 0;
    if (!toOutput) {
        std::string native = Native(used);
        struct stat st {};
        if (::lstat(native.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            if (char* real = ::realpath(native.c_str(), nullptr)) {
                native = real; // write the file the link points to, keep the link
                std::free(real);
            }
        }
        const fs::path nativePath(native);
        const std::string folderName = nativePath.has_parent_path() ? nativePath.parent_path().string() : ".";
        base = nativePath.filename().string();
        folder = Descriptor(::open(folderName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.Get() < 0) {
            const std::string shown = fs::path(used).has_parent_path() ? fs::path(used).parent_path().string() : ".";
            if (errno == ENOENT)
                return Fail("cannot write " + used + ": the folder " + shown + " does not exist");
            if (errno == ENOTDIR)
                return Fail("cannot write " + used + ": " + shown + " is not a folder");
            return Fail("cannot write " + used + ": " + WriteProblem(errno));
        }
        if (base.empty())
            return Fail("cannot write " + used + ": it is a folder");
        if (::fstatat(folder.Get(), base.c_str(), &st, 0) == 0) {
            if (S_ISDIR(st.st_mode))
                return Fail("cannot write " + used + ": it is a folder");
            mode = st.st_mode & 07777;
            target = Descriptor(::openat(folder.Get(), base.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
            if (target.Get() >= 0 && ::flock(target.Get(), LOCK_EX | LOCK_NB) != 0)
                return Fail("cannot write " + used + ": another program has it open and locked; close it there "
                            "and try again");
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
    }
    if (!StoreExists())
        return kExitFailure;
    if (!type.Layout())
        return NotSupported(type);

    // The library writes a temporary file in the target's folder (its name
    // ends in ".csv", so the library adds nothing); it replaces the target
    // only once the library has reported success.
    std::string temp;
    if (toOutput) {
        const char* tmp = std::getenv("TMPDIR");
        temp = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnocsv-XXXXXX.csv";
    } else {
        temp = folder.ProcPath() + "/.varnocsv-XXXXXX.csv";
    }
    const int made = ::mkstemps(temp.data(), 4);
    if (made < 0)
        return Fail("cannot write " + used + ": " + WriteProblem(errno));
    ::close(made);
    OnInterruptRemove(temp.c_str());
    SayOnInterrupt("interrupted: nothing was written" +
                   (toOutput ? std::string() : "; " + used + " is as it was"));
    auto removeTemp = [&temp] {
        ::unlink(temp.c_str());
        OnInterruptRemove(nullptr);
    };

    ResetConversionLosses();
    long written = -1;
    int writeError = 0;
    try {
        written = manager.Export(type.code, m_options.profile, CString::FromUtf8(temp));
    } catch (const CFileException& error) {
        writeError = error.m_lOsError ? error.m_lOsError : EIO;
    } catch (...) {
        removeTemp();
        throw;
    }
    const ConversionLosses losses = GetConversionLosses();
    if (written < 0) {
        removeTemp();
        if (GetLastStoreFailure().cause != StoreCause::None)
            return StoreFailed("read");
        return Fail("cannot write " + used + ": " + WriteProblem(writeError) +
                    (toOutput ? std::string() : "; the file is as it was"));
    }
    if (written == 0) {
        removeTemp();
        Note("nothing to export: profile " + std::to_string(m_options.profile) + " of the store " + m_store +
             " holds no " + std::string(type.plural) + " (those marked deleted are left out); no file written");
    } else if (toOutput) {
        std::FILE* in = std::fopen(temp.c_str(), "rb");
        char buffer[1 << 16];
        size_t n = 0;
        while (in && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
            Out().WriteBytes(std::string_view(buffer, n));
        if (in)
            std::fclose(in);
        removeTemp();
    } else {
        const std::string tempBase = fs::path(temp).filename().string();
        ::fchmodat(folder.Get(), tempBase.c_str(), mode, 0);
        if (::renameat(folder.Get(), tempBase.c_str(), folder.Get(), base.c_str()) != 0) {
            const int error = errno;
            removeTemp();
            return Fail("cannot write " + used + ": " + WriteProblem(error));
        }
        OnInterruptRemove(nullptr);
    }
    SayOnInterrupt("interrupted");
    if (losses.count > 0)
        Note("warning: " + std::to_string(losses.count) + " character" + (losses.count == 1 ? "" : "s") +
             " cannot be written in code page " + std::to_string(GetACP()) +
             " and were written as a similar character or \"?\" (the first: " + CodePoint(losses.first) +
             "); --codepage 65001 writes every character");
    if (m_options.json)
        Emit({{"type", type.name}, {"path", used}, {"written", written}, {"replaced", losses.count}});
    else if (written > 0 && toOutput)
        Note("exported " + type.Counted(written) + " to standard output");
    else if (written > 0)
        Out() << "exported " << type.Counted(written) << " to " << used << "\n";
    return Finish(kExitSuccess);
}

bool Commands::Prepare(const RecordType& type, const std::string& file, const std::vector<std::string>& maps,
                       Prepared& prepared)
{
    const CSVLayout* layout = type.Layout();
    const unsigned codePage = GetACP();
    std::string problem;
    prepared.input = OpenInput(Shown(file), Native(file), codePage, true, layout, problem, prepared.keepRows);
    if (!prepared.input)
        return Fail(problem), false;
    if (!layout)
        return NotSupported(type), false;
    const Input& input = *prepared.input;
    const CSVInspection& found = input.inspection;
    const std::string cp = std::to_string(codePage);
    const std::string shown = Shown(file);

    bool refused = false;
    auto refuse = [&](const std::string& message) {
        Note(message);
        refused = true;
    };
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
    if (refused)
        return false;
    if (found.rows == 0)
        return Fail(shown + " holds no data rows"), false;

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
    if (maps.empty()) {
        prepared.mapping = AutoMapping(type, *layout, header);
    } else {
        prepared.mapping = MappingFromPairs(maps, header, problem);
        if (!problem.empty())
            return Fail(shown + ": " + problem), false;
    }
    if (const std::string unfilled = CheckFilled(type, *layout, prepared.mapping); !unfilled.empty())
        return Fail(shown + ": " + unfilled), false;

    const std::string columns = std::to_string(found.header.GetSize());
    if (found.longRows > 0)
        Note("warning: " + std::to_string(found.longRows) + (found.longRows == 1 ? " row of " : " rows of ") +
             shown + (found.longRows == 1 ? " holds" : " hold") + " more cells than the header's " + columns +
             " columns (the first on line " +
             std::to_string(found.firstLongRowLine) + "); the extra cells are not read");
    if (found.shortRows > 0)
        Note("warning: " + std::to_string(found.shortRows) + (found.shortRows == 1 ? " row of " : " rows of ") +
             shown + (found.shortRows == 1 ? " holds" : " hold") + " fewer cells than the header's " + columns +
             " columns (the first on line " +
             std::to_string(found.firstShortRowLine) + "); the missing fields stay empty");
    if (found.openQuoteLine > 0)
        Note("warning: a quote opened in the record on line " + std::to_string(found.openQuoteLine) + " of " + shown +
             " is never closed, so the rest of the file is read as part of that record");
    prepared.source = prepared.mapping.given          ? " (--map)"
                      : prepared.mapping.layout.empty() ? ""
                                                        : " (" + prepared.mapping.layout + ")";
    if (prepared.sayMapping)
        Note("mapping" + prepared.source + ": " + DescribeMapping(prepared.mapping, header.mark));
    return true;
}

int Commands::Count(const RecordType& type, const std::string& file, const std::vector<std::string>& maps)
{
    Prepared prepared;
    if (!Prepare(type, file, maps, prepared))
        return kExitFailure;
    CSVMng manager;
    long count = 0;
    _en_CSVError result = CSVERR_FAIL;
    try {
        result = manager.Count(type.code, count, m_options.profile, CString::FromUtf8(prepared.input->LibraryPath()),
                               prepared.mapping.fieldNames, prepared.mapping.fileColumns, -1);
    } catch (const CFileException& error) {
        // The library's message would name /proc/self/fd/N.
        return Fail("cannot read " + Shown(file) + ": " + std::strerror(error.m_lOsError));
    }
    if (result != CSVERR_SUCCESS)
        return Fail(result == CSVERR_FILEOPEN ? "cannot open " + Shown(file) : Shown(file) + " holds no data rows");
    if (m_options.json)
        Emit({{"type", type.name}, {"path", file}, {"count", count}});
    else
        Out() << Shown(file) << " holds " << type.Counted(count) << "\n";
    return Finish(kExitSuccess);
}

int Commands::Import(const RecordType& type, const std::string& file, const std::vector<std::string>& maps,
                     int option, bool flag)
{
    SayOnInterrupt("interrupted: nothing was saved");
    Prepared prepared;
    if (!Prepare(type, file, maps, prepared))
        return kExitFailure;
    std::error_code ignored;
    const bool existed = m_store.rfind("file:", 0) == 0 || fs::exists(m_store, ignored);
    if (!EnsureStoreFolder())
        return kExitFailure;
    CSVMng manager;
    long saved = 0;
    _en_CSVError result = CSVERR_FAIL;
    try {
        result = manager.Import(type.code, saved, m_options.profile, CString::FromUtf8(prepared.input->LibraryPath()),
                                prepared.mapping.fieldNames, prepared.mapping.fileColumns, option, flag);
    } catch (const CFileException& error) {
        return Fail("cannot read " + Shown(file) + ": " + std::strerror(error.m_lOsError) + "; nothing was saved");
    }
    if (result != CSVERR_SUCCESS) {
        SayOnInterrupt("interrupted");
        return Fail(result == CSVERR_FILEOPEN ? "cannot open " + Shown(file) : Shown(file) + " holds no data rows");
    }
    if (saved < 0) {
        SayOnInterrupt("interrupted");
        return StoreFailed("save to");
    }
    SayOnInterrupt("interrupted after the records were saved");
    if (!existed)
        Note("created the store " + m_store);
    if (m_options.json)
        Emit({{"type", type.name}, {"path", file}, {"saved", saved}});
    else
        Out() << "saved " << type.Counted(saved) << " from " << Shown(file) << " to profile " << m_options.profile << " of "
              << m_store << "\n";
    return Finish(kExitSuccess);
}

int Commands::Preview(const RecordType& type, const std::string& file, const std::vector<std::string>& maps,
                      int rows)
{
    // The file is read, checked and mapped exactly as for an import; the
    // converter then fills records from its first rows as import would,
    // and nothing goes near the store.
    Prepared prepared;
    prepared.keepRows = static_cast<size_t>(std::max(rows, 1)); // the first row gives the examples
    prepared.sayMapping = false;
    if (!Prepare(type, file, maps, prepared))
        return kExitFailure;
    const CSVLayout& layout = *type.Layout();
    if (!layout.create)
        return Fail("preview cannot show " + std::string(type.plural) +
                    " yet: their converter offers no way to make one");
    const Input& input = *prepared.input;
    const Header& header = prepared.header;
    Mapping& mapping = prepared.mapping;
    if (input.firstRows.empty()) // the inspector counted rows it did not hand over
        return Fail("cannot read the first rows of " + Shown(file));

    // As import reads the file: the header and rows as the library's reader
    // splits them, the column index of the mapping, and the layout flag
    // import sets for a layout it recognises.
    std::unique_ptr<CCSVItem> converter(layout.create());
    CStringArray names = header.names;
    converter->AddField(names);
    for (size_t i = 0; i < input.firstRows.size() && i < static_cast<size_t>(rows); ++i) {
        CStringArray row = input.firstRows[i];
        converter->AddValue(row);
    }
    CArray<int, const int&> index;
    converter->MakeIndexFileField(index, mapping.fileColumns);
    for (const CSVForeignLayout& foreign : layout.foreignLayouts) {
        if (foreign.Matches(converter->m_arrField)) {
            if (foreign.flag)
                (*converter).*(foreign.flag) = true;
            break;
        }
    }
    RecordListing listing(type, layout);
    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    type.make(*converter, mapping.fieldNames, index, [&](void* record, std::uint32_t, bool) {
        records.push_back(listing.Item(record, std::nullopt, false)); // a record gets its id when it is saved
    });

    // Which column each field reads, and which columns are read at all: a
    // mapped one, and the neighbour that some fields also read.
    const CStringArray& first = input.firstRows.front();
    std::vector<bool> read(static_cast<size_t>(header.names.GetSize()), false);
    struct Line {
        std::string field;
        int column;                   ///< -1: not in the file
        std::vector<int> neighbours;  ///< read beside it, and by nothing else
    };
    std::vector<Line> lines;
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
    for (const CSVColumn& column : layout.columns) {
        bool found = false;
        for (int k = 0; k < index.GetSize(); ++k) {
            if (fieldOf[static_cast<size_t>(k)] != &column || index[k] < 0)
                continue;
            found = true;
            Line line{CString(column.fieldName).ToUtf8(), index[k], {}};
            for (const int beside : {column.readsPrevious ? index[k] - 1 : -1, column.readsNext ? index[k] + 1 : -1}) {
                if (beside >= 0 && beside < header.names.GetSize() && !read[static_cast<size_t>(beside)]) {
                    read[static_cast<size_t>(beside)] = true;
                    line.neighbours.push_back(beside);
                }
            }
            lines.push_back(std::move(line));
        }
        if (!found)
            lines.push_back({CString(column.fieldName).ToUtf8(), -1, {}});
    }
    auto example = [&](int column) {
        return column < first.GetSize() ? first[column].ToUtf8() : std::string(); // a short row: empty
    };
    std::vector<std::string> unused;
    for (int i = 0; i < header.names.GetSize(); ++i)
        if (!read[static_cast<size_t>(i)])
            unused.push_back(header.Matched(i).ToUtf8());
    // Each column as --map matches it: without a byte-order mark.
    std::string mapOptions;
    int k = 0;
    for (const CString& field : mapping.fieldNames) {
        const int at = k < index.GetSize() ? index[k] : -1;
        ++k;
        if (at >= 0)
            mapOptions += (mapOptions.empty() ? "--map " : " --map ") + field.ToUtf8() + "=" +
                          ShellWord(header.Matched(at).ToUtf8());
    }

    if (m_options.json) {
        nlohmann::ordered_json fields = nlohmann::ordered_json::array();
        for (const Line& line : lines) {
            const bool in = line.column >= 0;
            fields.push_back({{"field", line.field},
                              {"column", in ? nlohmann::ordered_json(header.Matched(line.column).ToUtf8()) : nullptr},
                              {"example", in ? nlohmann::ordered_json(example(line.column)) : nullptr}});
        }
        Emit({{"type", type.name}, {"path", file}, {"mapping", fields}, {"unused", unused}, {"records", records}});
        return Finish(kExitSuccess);
    }

    const size_t width = static_cast<size_t>(OutputWidth());
    const TableMarks marks = MarksFor(m_options.terminalCodePage);
    std::vector<std::vector<std::string>> table{{"field", "column", "first row"}};
    for (const Line& line : lines) {
        if (line.column < 0) {
            table.push_back({line.field, "not in the file", ""});
            continue;
        }
        std::string columns = Quoted(header.Matched(line.column));
        for (size_t n = 0; n < line.neighbours.size(); ++n)
            columns += (n ? ", " : " (and ") + Quoted(header.Matched(line.neighbours[n]));
        table.push_back({line.field, OneLine(columns + (line.neighbours.empty() ? "" : ")"), marks),
                         OneLine(example(line.column), marks)});
    }
    std::string text = "mapping" + prepared.source + ":\n" + Table(table, width, marks);

    if (!records.empty()) {
        const long long total = input.inspection.rows;
        text += "\n" + (static_cast<long long>(records.size()) < total
                            ? "the first " + std::to_string(records.size()) + " of " + type.Counted(total)
                            : type.Counted(total)) +
                ", as import would store " + (total == 1 ? "it" : "them") + ":\n";
        // One row per record; columns empty in every record shown are named
        // below the table instead.
        table = {{"#"}};
        std::vector<std::string> empty;
        for (const auto& [key, value] : records.front().items()) {
            if (key == "id" || key == "deleted")
                continue;
            const bool used = std::any_of(records.begin(), records.end(), [&key = key](const auto& record) {
                const nlohmann::ordered_json& cell = record[key];
                return !cell.empty() && cell != "";
            });
            if (used)
                table.front().push_back(key);
            else
                empty.push_back(key);
        }
        for (size_t r = 0; r < records.size(); ++r) {
            table.push_back({std::to_string(r + 1)});
            for (size_t c = 1; c < table.front().size(); ++c)
                table.back().push_back(OneLine(CellText(records[r][table.front()[c]]), marks));
        }
        text += Table(table, width, marks);
        if (!empty.empty())
            text += "empty in every record shown: " + Joined(empty, ", ") + "\n";
    }
    std::vector<std::string> quoted;
    for (const std::string& name : unused)
        quoted.push_back(Quoted(CString::FromUtf8(name)));
    text += "\n" + (unused.empty() ? std::string("every column of the file is read")
                                    : "columns nothing reads: " + Joined(quoted, ", ")) +
            "\n\nthe mapping as options, to copy and edit:\n" + mapOptions + "\n";
    Out() << text;
    return Finish(kExitSuccess);
}

int Commands::Fields(const std::string& file)
{
    std::string problem;
    const std::string shown = Shown(file);
    const unsigned codePage = GetACP();
    const std::optional<Input> input = OpenInput(shown, Native(file), codePage, true, nullptr, problem);
    if (!input)
        return Fail(problem);
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
    if (m_options.json) {
        nlohmann::ordered_json names = nlohmann::ordered_json::array();
        for (int i = 0; i < header.names.GetSize(); ++i)
            names.push_back(header.Matched(i).ToUtf8());
        Emit({{"path", file}, {"fields", names}});
    } else {
        for (int i = 0; i < header.names.GetSize(); ++i)
            Out() << std::to_string(i + 1) << "\t" << header.Matched(i).ToUtf8() << "\n";
    }
    return Finish(kExitSuccess);
}

int Commands::List(const RecordType& type)
{
    if (!StoreExists())
        return kExitFailure;
    const CSVLayout* layout = type.Layout();
    if (!layout)
        return NotSupported(type);
    if (!layout->create)
        return Fail("list cannot show " + std::string(type.plural) + " yet: their converter offers no way to make one");
    // The listing waits in a spool until the whole load has worked: on a
    // failure nothing reaches standard output.
    RecordListing listing(type, *layout);
    TextSpool shown;
    bool spooled = true;
    long long count = 0, deleted = 0;
    const long loaded = type.load(m_options.profile, [&](void* record, std::uint32_t id, bool isDeleted) {
        const nlohmann::ordered_json item = listing.Item(record, id, isDeleted);
        ++count;
        deleted += isDeleted;
        if (spooled)
            spooled = shown.Append(m_options.json ? (count > 1 ? "," : "") + Dumped(item) : RecordListing::Line(item));
    });
    if (loaded < 0)
        return StoreFailed("read");
    if (!spooled)
        return Fail(std::string("cannot hold the listing in a temporary file: ") + std::strerror(errno) +
                    "; set TMPDIR to a folder with room");
    auto send = [this](std::string_view text) { Out() << text; };
    if (m_options.json) {
        Out() << "{\"type\":\"" << std::string(type.name) << "\",\"records\":[";
        if (!shown.SendTo(send))
            return Fail(std::string("cannot read the listing back from its temporary file: ") + std::strerror(errno));
        Out() << "]}\n";
    } else {
        if (!shown.SendTo(send))
            return Fail(std::string("cannot read the listing back from its temporary file: ") + std::strerror(errno));
        Out() << type.Counted(count) << " in profile " << std::to_string(m_options.profile);
        if (deleted > 0)
            Out() << ", " << deleted << " marked deleted";
        Out() << "\n";
    }
    return Finish(kExitSuccess);
}

bool Commands::StoreExists()
{
    // An SQLite URI names no plain file to look for.
    if (m_store.rfind("file:", 0) == 0)
        return true;
    struct stat st {};
    if (::stat(m_store.c_str(), &st) == 0)
        return true;
    if (errno == ENOENT || errno == ENOTDIR)
        Fail("there is no store at " + m_store + " (import creates one); check --store");
    else
        Fail("cannot open the store " + m_store + ": " + std::strerror(errno));
    return false;
}

bool Commands::EnsureStoreFolder()
{
    // The store creates the folder of its default path itself, but not that
    // of a path it is given; an SQLite URI names no folder to create.
    if (m_store.rfind("file:", 0) == 0)
        return true;
    const fs::path folder = fs::path(m_store).parent_path();
    std::error_code error;
    if (folder.empty() || fs::is_directory(folder, error))
        return true;
    fs::create_directories(folder, error);
    if (error) {
        Fail("cannot create the folder " + folder.string() + " of the store: " + error.message());
        return false;
    }
    return true;
}

int Commands::StoreFailed(const char* doing)
{
    return Fail("cannot " + std::string(doing) + " the store " + m_store + ": " +
                DescribeStoreFailure(GetLastStoreFailure()) +
                (std::string(doing) == "save to" ? "; nothing was saved" : ""));
}

int Commands::Fail(const std::string& message)
{
    Note(message);
    return kExitFailure;
}

int Commands::NotSupported(const RecordType& type)
{
    return Fail(std::string(type.name) + " is not supported yet");
}

Output& Commands::Out()
{
    if (m_clearProgress)
        m_clearProgress();
    return m_out;
}

void Commands::Note(const std::string& message)
{
    if (m_clearProgress)
        m_clearProgress();
    m_err << "varnocsv: " << message << "\n";
}

void Commands::Emit(const nlohmann::ordered_json& result)
{
    Out() << Dumped(result) << "\n";
}

int Commands::Finish(int exit)
{
    if (m_out.Flush())
        return exit;
    Note(std::string("cannot write to standard output: ") + std::strerror(m_out.Error()));
    return kExitFailure;
}

} // namespace varno::cli
