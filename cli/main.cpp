// varnocsv: moves personal-information records between the store and CSV
// files from the command line. It parses the arguments, sets up the process
// (store file, code page, locale, progress display, interrupts) and runs one
// command.
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/Output.h"
#include "cli/ProgressLine.h"
#include "host/FileFormats.h"
#include "host/Mapping.h"
#include "host/Registry.h"

#include "platform/CFile.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"
#include "store/Store.h"

#include <CLI/CLI.hpp>
#include <malloc.h>
#include <unicode/uloc.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace varno::cli;
using varno::host::FindRecordType;
using varno::host::RecordType;

constexpr const char* kCommands = "export, count, import, preview, fields, list, history, undo, check or backup";

// The footer of --help, after the types (which the registry names).
constexpr const char* kFooter = R"( FILE "-" is standard input (count, import, preview,
fields) or standard output (export).

Before count, import and preview read a file, varnocsv checks it and refuses it (exit
1, nothing stored) when its bytes do not decode in the code page (it names
the code page that does), when it holds a NUL (the rest would be lost), or
when the mapping fills none of the type's principal fields. It warns about
rows with more or fewer cells than the header and a quote left open.

Without --map, count, import and preview pair every field of TYPE with the header
column of the same name (in any letter case, spaces around it ignored), or
with the columns of a recognised layout, and say which mapping they use. A
UTF-8 byte-order mark is left out of the first name; a header with no tab or
comma but ";" is read with ";" as its separator.

Export writes a temporary file beside FILE and puts it in place only when
the export worked, so a failed export leaves the old file as it was.

With --json the result is one JSON object on standard output:
  export  {"type":T,"path":P,"written":N,"replaced":R}
  count   {"type":T,"path":P,"count":N}
  import  {"type":T,"path":P,"saved":N}
  preview {"type":T,"path":P,"mapping":[{"field":F,"column":C,"example":V}],
           "unused":[...],"records":[...]}
  fields  {"path":P,"fields":[...]}
  list    {"type":T,"records":[...]}
  history {"imports":[{"id":I,"time":W,"path":P,"type":T,"profile":N,
           "mapping":M,"records":N,"groups":G,"undone":W}]}
  undo    {"undone":I,"path":P,"type":T,"records":N,"links":L,"groups":G,
           "groupsKept":K}
  check   {"path":S,"sound":B,"version":V,"problems":[...]}
  backup  {"path":P,"store":S}
(R: characters the code page could not hold; C and V are null for a field
not in the file; the records are as list shows them, with "id" null since
only a save gives a record its id; W is a UTC time, "undone" null for an
import not undone.) On failure nothing is written to
standard output.

preview stores nothing and opens no store: it shows the mapping with each
field's value in the first row, the first records as import would store
them (a table as wide as $COLUMNS or the terminal, else 80 columns), the
columns nothing reads, and the mapping as --map options.

Every import is recorded in the store with the records it added: undo
removes them in one transaction. A record changed since (renamed by another
program, linked to a group by a later import) stops the undo, which names
it, unless --force. Undoing an import twice is an error.

Exit status: 0 success (also an export with nothing to export, which writes
no file), 1 the file, the library or the store stood in the way (check: the
store is not sound), 2 a bad command line, 130 interrupted (nothing saved).

Example: varnocsv preview contact contacts.csv, then varnocsv import contact contacts.csv)";

std::string CheckType(const std::string& word)
{
    if (FindRecordType(word))
        return {};
    return "unknown type \"" + word + "\": use one of " + varno::host::TypeNames() + ", or a code " +
           varno::host::TypeCodes();
}

std::string CheckMap(const std::string& argument)
{
    if (varno::host::SplitMapPair(argument))
        return {};
    return "\"" + argument + "\" is not FIELD=COLUMN with both sides given";
}

/// The code page a --codepage word names, or 0.
unsigned CodePageNamed(std::string word)
{
    for (char& c : word)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (word == "65001" || word == "utf-8" || word == "utf8")
        return 65001;
    if (word == "1252" || word == "cp1252" || word == "windows-1252")
        return 1252;
    if (word == "949" || word == "cp949" || word == "euc-kr")
        return 949;
    return 0;
}

std::string CheckCodePage(const std::string& word)
{
    if (CodePageNamed(word))
        return {};
    return word + " is not a code page: use 65001 (utf-8, utf8), 1252 (cp1252, windows-1252) or 949 (cp949, euc-kr)";
}

/// A locale name as ICU spells it ("de-DE.UTF-8" gives "de_DE").
std::string LocaleName(std::string name)
{
    name = name.substr(0, name.find_first_of(".@"));
    for (char& c : name)
        if (c == '-')
            c = '_';
    return name;
}

std::string CheckLocale(const std::string& name)
{
    const std::string wanted = LocaleName(name);
    if (wanted == "C" || wanted == "POSIX")
        return {};
    for (int32_t i = 0; i < uloc_countAvailable(); ++i)
        if (wanted == uloc_getAvailable(i))
            return {};
    return name + " is not a locale ICU knows (for example en_US, de_DE, ko_KR)";
}

void AddType(CLI::App& command, std::string& type)
{
    command.add_option("TYPE", type, "the record type")->type_name("")->required()->check(CheckType);
}

void AddFile(CLI::App& command, std::string& file, const char* description)
{
    command.add_option("FILE", file, description)->type_name("")->required()->check([](const std::string& f) {
        return f.empty() ? std::string("the file name is empty") : std::string();
    });
}

/// The options of the commands that read a file: --map, --strict, --no-header.
void AddReading(CLI::App& command, varno::host::ReadRequest& request)
{
    command
        .add_option("--map", request.maps,
                    "read FIELD from the header column COLUMN (repeatable, in order; split at the first \"=\", "
                    "nothing trimmed; the column must be in the header; #N is column N of a file without one)")
        ->type_name("FIELD=COLUMN")
        ->allow_extra_args(false)
        ->check(CheckMap);
    command.add_flag("--strict", request.strict,
                     "refuse the file rather than store a date nobody can read or a telephone number with letters, "
                     "an extension or words in it");
    command.add_flag("--no-header", request.noHeader,
                     "the file has no header: read every row, its columns named #1, #2, ... for --map");
}

/// "TYPE is contact, ... or email (in any letter case),\nor its code 1 to 6.": the
/// registry's types, so that a new one shows up in --help by itself.
std::string TypesInWords()
{
    const std::string names = varno::host::TypeNames();
    const size_t last = names.rfind(", ");
    return "TYPE is " + (last == std::string::npos ? names : names.substr(0, last) + " or " + names.substr(last + 2)) +
           " (in any letter case),\nor its code " + varno::host::TypeCodes() + ".";
}

} // namespace

// Without TZ, the C library takes the system's zone file and, on every
// conversion between local time and UTC, looks at that file again to see
// whether it changed: a file-system call per date, a seventh of a contact
// count. Naming the same file in TZ gives the same zone and lets the C library
// see at once that nothing changed. A TZ the user set is left alone.
static void PinSystemTimeZone()
{
    if (!std::getenv("TZ") && ::access("/etc/localtime", R_OK) == 0)
        ::setenv("TZ", ":/etc/localtime", 0);
}

int main(int argc, char** argv)
{
    // glibc's fast bins keep small freed blocks apart, and every larger free
    // then sweeps and merges all of them again. A converter frees thousands
    // of small strings and entries per window of rows, and a few large
    // buffers, so the sweeps took a third of a contact count. Without fast
    // bins the thread cache still serves the small blocks.
    mallopt(M_MXFAST, 0);
    // A write beyond a file-size limit then fails with EFBIG, which is
    // reported, instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    InstallInterruptHandler();
    PinSystemTimeZone();

    // Arguments arrive, and output leaves, in the locale's character set.
    GlobalOptions options;
    options.terminalCodePage = TerminalCodePage();
    Output out(STDOUT_FILENO, options.terminalCodePage, true);
    Output err(STDERR_FILENO, options.terminalCodePage, false);
    std::vector<std::string> args;
    for (int i = argc - 1; i > 0; --i)
        args.push_back(FromTerminal(argv[i], options.terminalCodePage));

    CLI::App app("Moves personal-information records between the store and CSV files.", "varnocsv");
    app.require_subcommand(1);
    app.fallthrough(); // global options may also follow the command
    app.footer(TypesInWords() + kFooter);
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    app.set_version_flag("--version", "varnocsv " VARNO_VERSION, "print the version and exit");

    std::optional<std::string> store;
    std::string codePage;
    std::string locale;
    app.add_option("--store", store,
                   "the store file (default $XDG_DATA_HOME/varno/store.db, else ~/.local/share/varno/store.db); "
                   "import creates it, list and export need it to exist")
        ->type_name("FILE");
    app.add_option("--profile", options.profile, "the store profile, 1 or more (default 1)")
        ->type_name("N")
        ->check(CLI::Range(1, INT_MAX));
    app.add_option("--codepage", codePage,
                   "the ANSI code page of files: 65001 (utf-8), 1252 (cp1252) or 949 (cp949, euc-kr); default: "
                   "from the locale")
        ->type_name("CP")
        ->check(CheckCodePage);
    app.add_option("--locale", locale, "the locale of dates in files, one ICU knows, e.g. en_US, de_DE, ko_KR "
                                       "(default: from the environment)")
        ->type_name("NAME")
        ->check(CheckLocale);
    app.add_flag("--json", options.json, "print the result as one JSON object");
    app.add_option("--format", options.format,
                   "the format of FILE: " + varno::host::FormatNames(", ") +
                       " (default: from FILE's extension: .vcf or .vcard for vcard, .ics or .ical for icalendar; CSV for any other "
                       "and for -)")
        ->type_name("FORMAT")
        ->check([](const std::string& word) {
            return varno::host::FindFileFormat(word) ? std::string()
                                                     : "unknown format \"" + word + "\": use " +
                                                           varno::host::FormatNames(", ");
        });
    app.add_option("--vcard-version", options.vcardVersion, "the vCard version export writes: 3 (3.0, the default) or 4 (4.0)")
        ->type_name("N")
        ->check(CLI::IsMember({3, 4}));
    app.add_flag("--verbose", options.verbose,
                 "say every field of the mapping that count and import chose, with its columns (preview shows it "
                 "too)");

    std::string type;
    std::string file;
    varno::host::ReadRequest request;
    const std::vector<std::string>& maps = request.maps;
    int option = -1;
    bool flag = false;

    CLI::App* exportCommand = app.add_subcommand("export", "write the stored records of TYPE to FILE (\".csv\" is "
                                                           "appended when FILE does not end in it; a FILE "
                                                           "ending in .vcf gets vCards, one in .ics an iCalendar)");
    AddType(*exportCommand, type);
    AddFile(*exportCommand, file, "the CSV (or vCard, iCalendar) file to write, or - for standard output");

    CLI::App* countCommand = app.add_subcommand("count", "count the records FILE holds, storing nothing");
    AddType(*countCommand, type);
    AddFile(*countCommand, file, "the CSV (or vCard, iCalendar) file to read, or - for standard input");
    AddReading(*countCommand, request);

    CLI::App* importCommand = app.add_subcommand("import", "add the records of FILE to the store");
    AddType(*importCommand, type);
    AddFile(*importCommand, file, "the CSV (or vCard, iCalendar) file to read, or - for standard input");
    AddReading(*importCommand, request);
    importCommand
        ->add_option("--option", option,
                     "passed to the store's save: -1 (the default) makes a contact import link the contacts to the "
                     "groups named in the file; other values change nothing in this store")
        ->type_name("N");
    importCommand->add_flag("--flag", flag, "passed to the store's save; changes nothing in this store");
    importCommand->add_flag("--skip-existing", request.skipExisting,
                            "leave out the records the store holds already with the same content");

    int rows = 5;
    CLI::App* previewCommand = app.add_subcommand("preview", "show how the first records of FILE would be stored, "
                                                             "with the mapping, storing nothing");
    AddType(*previewCommand, type);
    AddFile(*previewCommand, file, "the CSV (or vCard, iCalendar) file to read, or - for standard input");
    AddReading(*previewCommand, request);
    previewCommand->add_option("--rows", rows, "how many records to show (default 5; 0 shows only the mapping)")
        ->type_name("N")
        ->check(CLI::Range(0, INT_MAX));

    CLI::App* fieldsCommand = app.add_subcommand(
        "fields", "TYPE: every field of the type, for --map; FILE: the column names of FILE's header");
    AddFile(*fieldsCommand, file,
            "a record type (its fields), or the CSV file to read (its header; - for standard input, ./NAME for a "
            "file named like a type)");

    CLI::App* listCommand = app.add_subcommand("list", "show the stored records of TYPE as export writes them");
    AddType(*listCommand, type);

    // The store's upkeep.
    CLI::App* historyCommand = app.add_subcommand("history", "list the imports recorded in the store, newest first");
    std::optional<std::int64_t> undoId;
    bool force = false;
    CLI::App* undoCommand = app.add_subcommand("undo", "remove the records an import added, with its links and the "
                                                       "groups it made that nothing else uses, all or nothing");
    undoCommand->add_option("ID", undoId, "the import's id in history (default: the newest not undone)")
        ->type_name("")
        ->check(CLI::Range(std::int64_t{1}, INT64_MAX));
    undoCommand->add_flag("--force", force, "remove records changed since the import too (by default the undo "
                                            "names them and removes nothing)");
    CLI::App* checkCommand = app.add_subcommand("check", "check that the store is sound (SQLite's integrity check, "
                                                         "its links, its schema); exit 1 when it is not");
    CLI::App* backupCommand = app.add_subcommand("backup", "copy the store to FILE (private to you), consistent "
                                                           "while another varnocsv imports");
    AddFile(*backupCommand, file, "the copy to write; an existing file is replaced once the copy is complete");

    for (CLI::App* command : {exportCommand, countCommand, importCommand, previewCommand, fieldsCommand, listCommand,
                              historyCommand, undoCommand, checkCommand, backupCommand})
        command->group("Commands");
    // Each command's help ends with one example of it.
    exportCommand->footer("Example: varnocsv export contact contacts.csv");
    countCommand->footer("Example: varnocsv count calendar calendar.csv");
    importCommand->footer("Example: varnocsv import contact contacts.csv --map TEL_MOBILE1=\"Cell\"\n"
                          "(varnocsv fields contact lists the fields --map takes)");
    previewCommand->footer("Example: varnocsv preview contact contacts.csv --rows 3");
    fieldsCommand->footer("Examples: varnocsv fields contact; varnocsv fields contacts.csv");
    listCommand->footer("Example: varnocsv --json list todo");
    historyCommand->footer("Example: varnocsv --json history");
    undoCommand->footer("Example: varnocsv undo 3 (varnocsv history lists the imports)");
    checkCommand->footer("Example: varnocsv --store copy.db check");
    backupCommand->footer("Example: varnocsv backup ~/store-backup.db");

    auto usageError = [&](const std::string& message) {
        CLI::App* command = app.get_subcommands().empty() ? nullptr : app.get_subcommands().front();
        err << "varnocsv: " << message << "\nRun \"varnocsv " << (command ? command->get_name() + " " : "")
            << "--help\" for more information.\n";
        return kExitUsage;
    };
    try {
        app.parse(args);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) { // --help, --version
            std::ostringstream text, ignored;
            app.exit(error, text, ignored);
            out << text.str();
            return out.Flush() ? 0 : kExitFailure;
        }
        std::string message = error.what();
        // A mistyped command is left over as an argument nobody took.
        if (app.get_subcommands().empty() && !app.remaining().empty())
            message = "unknown command \"" + app.remaining().front() + "\": use " + kCommands;
        else if (app.get_subcommands().empty() && error.get_name() == "RequiredError")
            message = std::string("no command given: use ") + kCommands;
        return usageError(message);
    }

    const RecordType* recordType = type.empty() ? nullptr : FindRecordType(type);
    if (store && store->empty())
        return usageError("--store: the store file name is empty");
    if (store && options.terminalCodePage != CP_UTF8 &&
        std::any_of(store->begin(), store->end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return usageError("--store: in this locale the store's path must be plain ASCII");
    if (recordType && !maps.empty())
        if (const std::string problem = varno::host::CheckMapFields(*recordType, maps); !problem.empty())
            return usageError(problem);
    if (exportCommand->parsed() && file == "-" && options.json)
        return usageError("--json cannot go with an export to standard output, which carries the file");

    // What the library let through (a file error, memory exhaustion, an
    // ICU failure) becomes one message: what could not be done with which
    // file, the cause, and what became of the store or the target file.
    const std::string shownFile = file == "-" ? std::string("standard input") : file;
    auto Failed = [&] {
        if (exportCommand->parsed())
            return "cannot export " + std::string(recordType->plural) + " to " +
                   (file == "-" ? std::string("standard output") : file);
        if (listCommand->parsed())
            return "cannot list the stored " + std::string(recordType->plural);
        const CLI::App* command = app.get_subcommands().front();
        return "cannot " + command->get_name() + " " + shownFile;
    };
    auto Aftermath = [&]() -> std::string {
        if (importCommand->parsed())
            return "; nothing was saved";
        if (exportCommand->parsed() && file != "-")
            return "; " + file + " is as it was";
        return {};
    };
    try {
        if (!codePage.empty())
            SetACP(CodePageNamed(codePage));
        if (!locale.empty())
            varno::SetUserLocale(locale);
        if (store)
            SetStorePath(CString::FromUtf8(*store));

        ProgressLine progress(isatty(STDERR_FILENO) ? stderr : nullptr);
        Commands commands(options, out, err, [&progress] { progress.Clear(); });
        try {
            request.file = file;
            request.format = options.format;
            if (exportCommand->parsed())
                return commands.Export(*recordType, file);
            if (countCommand->parsed())
                return commands.Count(*recordType, request);
            if (importCommand->parsed())
                return commands.Import(*recordType, request, option, flag);
            if (previewCommand->parsed())
                return commands.Preview(*recordType, request, rows);
            if (fieldsCommand->parsed()) {
                if (const RecordType* named = FindRecordType(file))
                    return commands.TypeFields(*named, file);
                return commands.Fields(file);
            }
            if (historyCommand->parsed())
                return commands.History();
            if (undoCommand->parsed())
                return commands.Undo(undoId, force);
            if (checkCommand->parsed())
                return commands.Check();
            if (backupCommand->parsed())
                return commands.Backup(file);
            return commands.List(*recordType);
        } catch (const varno::host::Error& error) {
            if (error.GetKind() == varno::host::Error::Kind::Usage)
                return usageError(error.what());
            return commands.Failed(error);
        }
    } catch (const CFileException& error) {
        // The library's message may name /proc/self/fd/N; the user's name is
        // the one to show.
        err << "varnocsv: " << Failed() << ": "
            << (error.m_lOsError ? std::strerror(error.m_lOsError) : "the file could not be read or written")
            << Aftermath() << "; check the file and its disk, then run the command again\n";
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        err << "varnocsv: " << Failed() << ": out of memory" << Aftermath()
            << "; a single record or line of the file may be too large, or the memory this process may use "
               "(ulimit -v) too small: raise the limit or split the file\n";
        return kExitFailure;
    } catch (const std::exception& error) {
        err << "varnocsv: " << Failed() << ": " << error.what() << Aftermath() << "\n";
        return kExitFailure;
    }
}
