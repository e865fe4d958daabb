// A host's work on one store: count, import, export, preview, header and
// listing, over the library's facade. The library does the work; a session
// protects the person from what it would do silently. It reads each input
// once and checks it first (bytes the code page does not decode, a NUL that
// ends the text early, a mapping that fills nothing), refuses with nothing
// stored rather than store damage, exports through a temporary file, and
// names the cause of every failure.
//
// A refusal or failure is thrown as an Error whose text says what stood in
// the way, the file, the line or offset and what to do. What the person may
// not expect but that does not stop the work (the mapping chosen, a
// byte-order mark, rows with missing cells) goes to the session's note
// callback as it happens. Neither carries a program name: the host adds its
// own.
#pragma once

#include "host/FileFormats.h"
#include "host/Listing.h"
#include "host/Registry.h"
#include "host/varnohost_export.h"
#include "store/History.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varno::host {

struct Input;

/// What stood in the way of a session's work, in words for the person.
class VARNO_HOST_EXPORT Error : public std::runtime_error {
public:
    enum class Kind {
        Refused, ///< the file, the library or the store stood in the way
        Usage,   ///< the request itself is wrong (a --map field the type lacks)
    };
    Error(Kind kind, const std::string& message) : std::runtime_error(message), m_kind(kind) {}
    [[nodiscard]] Kind GetKind() const noexcept { return m_kind; }

private:
    Kind m_kind;
};

struct SessionOptions {
    int profile = 1;
    /// The code page in which file names, given here in UTF-8, are spelled
    /// on disk (a terminal's character set); 65001 takes them as they are.
    unsigned fileNameCodePage = 65001;
    /// Receives each note or warning as it happens, without a line break.
    std::function<void(const std::string& message)> note;
    /// Count, import and export through the library's pipelined addition
    /// (CSVPipelinedMng), which overlaps the work of neighbouring windows of
    /// rows on threads of its own: faster on a machine with a core to spare,
    /// the same results. Off, every step runs on the caller's thread.
    bool pipelined = false;
    /// Count and import name every field of the mapping they chose, with its
    /// columns, in one note; off, the note names only where the mapping came
    /// from and how many fields and columns it pairs (a preview shows it
    /// whole).
    bool describeMapping = true;
};

/// What an import left aside, beside the records it saved (each was also
/// said in a note).
struct ImportDetails {
    long long leftOut = 0;      ///< records left out as stored already (--skip-existing)
    long long storedAgain = 0;  ///< records the store held already and that were stored again
    std::size_t unreadColumns = 0; ///< columns of the file with values that nothing read
};

/// What count, import and preview read.
struct ReadRequest {
    std::string file;              ///< UTF-8; "-" is standard input
    std::vector<std::string> maps; ///< FIELD=COLUMN pairs, in order; none: the session maps the columns itself
    /// Refuse the file rather than store a cell whose content the host
    /// would lose or change (a date nobody can read, a word for a number).
    bool strict = false;
    /// The file has no header: every record is data, and its columns are
    /// named "#1", "#2", ... (--map FIELD=#N).
    bool noHeader = false;
    /// Import: leave out the records the store holds already with the same
    /// content (otherwise they are stored again, and said to be).
    bool skipExisting = false;
    /// The file's format by its name in the format table ("csv", "vcard");
    /// empty: by the file's extension (CSV for "-" and for any other).
    std::string format{};
};

struct ExportRequest {
    std::string file; ///< UTF-8; ".csv" is appended where missing; "-" is standard output
    /// For "-": receives the file's bytes once the export has worked.
    std::function<void(std::string_view bytes)> toOutput;
    /// Called with the temporary file's path when it is made and with
    /// nullptr once it is gone or in place, for a host that removes it on an
    /// interrupt.
    std::function<void(const char* path)> onTemporary;
    /// As for ReadRequest: empty chooses by the extension.
    std::string format{};
    /// The vCard version written: 3 or 4.
    int vcardVersion = 3;
};

struct ExportResult {
    std::string path;         ///< the file written, as the person named it, with ".csv" where it was added
    long written = 0;         ///< records; 0: nothing to export, no file written
    long long replaced = 0;   ///< characters the code page could not hold
};

/// One field of a preview's mapping.
struct PreviewField {
    std::string field;
    std::optional<std::string> column;  ///< none: not in the file
    std::vector<std::string> alsoReads; ///< further columns read for it ("Start Time", "Phone 2 - Value")
    std::optional<std::string> example; ///< the column's value in the first row
    std::string how;                    ///< "" for a plain column, else how its values are read
};

/// One column of a file whose columns the mapping cannot use.
struct PreviewColumn {
    std::string name;    ///< as the header spells it
    std::string example; ///< its value in the first row
    std::string field;   ///< the field it would fill, or "" when nothing guesses one
};

struct Preview {
    /// Where the mapping came from: " (--map)", " (the English calendar
    /// layout)" or "".
    std::string source;
    std::vector<PreviewField> mapping;
    std::vector<ListedRecord> records; ///< the first records, as import would store them
    long long rows = 0;                ///< the data rows of the file
    std::vector<std::string> unused;   ///< the columns nothing reads
    std::string mapOptions;            ///< the mapping as --map options, quoted for a POSIX shell
    /// Why an import would refuse this mapping ("" when it would not): then
    /// there are no records, `columns` shows every column, and `mapOptions`
    /// holds one --map per column, FIELD where nothing guesses one.
    std::string unfilled;
    std::vector<PreviewColumn> columns;
};

struct ListSummary {
    long long records = 0;
    long long deleted = 0; ///< of them, marked deleted
};

class VARNO_HOST_EXPORT Session {
public:
    /// The store is the one SetStorePath names (or the default).
    explicit Session(SessionOptions options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// How many records the file would give, storing nothing.
    long Count(const RecordType& type, const ReadRequest& request);
    /// Adds the records of the file to the store: how many were saved, and
    /// in `details`, when given, what was left aside.
    long Import(const RecordType& type, const ReadRequest& request, int option, bool flag,
                ImportDetails* details = nullptr);
    /// Writes the stored records of `type` to a temporary file beside the
    /// target, which replaces the target only once the export has worked.
    ExportResult Export(const RecordType& type, const ExportRequest& request);
    /// How the first `rows` records of the file would be stored; reads and
    /// checks it as Import does, opens no store.
    Preview MakePreview(const RecordType& type, const ReadRequest& request, int rows);
    /// The column names of the file's header (a byte-order mark left out).
    std::vector<std::string> Fields(const std::string& file);
    /// Hands every stored record of `type` to `each`, those marked deleted
    /// too. Throws when the store cannot be read; the records handed over
    /// until then must then be disregarded.
    ListSummary List(const RecordType& type, const std::function<void(const ListedRecord&)>& each);

    // The store's upkeep (SessionUpkeep.cpp). Each throws an Error when
    // there is no store or it stands in the way.

    /// The imports recorded in the store, newest first.
    std::vector<store::HistoryEntry> History();
    /// Undoes import `id` (none: the newest not undone), see
    /// store::UndoImport. Throws when there is nothing to undo, no such
    /// import, or it was undone already; records changed since come back as
    /// the outcome ChangedSince, with nothing removed.
    store::UndoResult Undo(std::optional<std::int64_t> id, bool force);
    /// Checks the store, writing nothing; a store too damaged to be read is
    /// a result that is not sound, with SQLite's words as its problem.
    store::CheckResult Check();
    /// Copies the store to `file` (see store::BackupStore).
    void Backup(const std::string& file, const std::function<void(const char* path)>& onTemporary);

    /// The store file in use, for messages.
    [[nodiscard]] const std::string& StorePath() const { return m_store; }
    /// A file as messages name it: "standard input" for "-".
    [[nodiscard]] static std::string Shown(const std::string& file);
    /// The file an export to `file` writes: ".csv" appended where missing
    /// for a CSV file (`format` as in ExportRequest); "-" stays.
    [[nodiscard]] static std::string ExportPath(const std::string& file, const std::string& format = {});
    /// The format of `file` for `type`: `format` when given, else by the
    /// file's extension. Throws a usage Error for a format nobody knows or
    /// one that does not hold `type`.
    [[nodiscard]] static const FileFormat& FormatFor(const RecordType& type, const std::string& file,
                                                     const std::string& format);

private:
    struct Prepared;
    /// Opens, checks and maps the file for count, import and preview.
    void Prepare(const RecordType& type, const ReadRequest& request, Prepared& prepared);
    /// Throws when the store file does not exist.
    void RequireStore() const;
    /// Creates the store's folder when needed.
    void EnsureStoreFolder() const;
    [[noreturn]] void StoreFailed(const char* doing) const;
    /// The data records (counted from 0) of the prepared file whose record
    /// the store holds already with the same content, and the line of the
    /// first; none when the store holds no records of the type.
    std::vector<long long> FindStored(const RecordType& type, const ReadRequest& request, Prepared& prepared,
                                      long long& firstLine);
    void Note(const std::string& message) const;
    /// The format of a read request's file; a usage Error for --map or
    /// --no-header with a format other than CSV.
    [[nodiscard]] static const FileFormat& FormatOf(const RecordType& type, const ReadRequest& request);
    /// Lines of the file the library reads, each with the line of the
    /// person's file its record came from, in order.
    using LineMoves = std::vector<std::pair<int64_t, int64_t>>;
    /// Reads `input` (a file in `format`) and, with `moves`, replaces its
    /// bytes with its records as a CSV file in `type`'s own layout (a
    /// temporary file, see OpenScratchFile), each record on the line of the
    /// file it came from where it fits, so that messages name that line;
    /// those that do not fit are added to `moves`. Without `moves` it only
    /// counts them, by the format's counter where it has one. The number of
    /// records.
    long long Translate(const RecordType& type, const FileFormat& format, Input& input, LineMoves* moves) const;
    /// Says, once per input, that what the library reads of it is held in
    /// memory, and why (Input::notOnDisk).
    void SayNotOnDisk(Input& input) const;
    /// Writes the own-layout CSV file `from` to `to` in `format`.
    void WriteFormat(const RecordType& type, const FileFormat& format, const FormatOptions& options,
                     const Input& from, const std::string& shown, const std::string& to) const;
    [[nodiscard]] std::string Native(const std::string& name) const;

    SessionOptions m_options;
    std::string m_store;
};

} // namespace varno::host
