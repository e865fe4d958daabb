// varnocsv: moves personal-information records between the store and CSV
// files from the command line. It parses the arguments, sets up the process
// (store file, code page, locale, progress display) and runs one command.
#include "cli/Commands.h"
#include "cli/Mapping.h"
#include "cli/ProgressLine.h"
#include "cli/Types.h"

#include "platform/CodePage.h"
#include "platform/Locale.h"
#include "store/Store.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace varno::cli;

constexpr const char* kCommands = "export, count, import, fields or list";

constexpr const char* kFooter = R"(TYPE is contact, calendar, todo, memo, message or email, or its code 1 to 6.

Without --map, count and import pair every field of TYPE with the header
column of the same name (in any letter case), or with the columns of a
recognised layout, and say on standard error which mapping they use.

With --json the result is one JSON object on standard output:
  export  {"type":T,"path":P,"written":N}
  count   {"type":T,"path":P,"count":N}
  import  {"type":T,"path":P,"saved":N}
  fields  {"path":P,"fields":[...]}
  list    {"type":T,"records":[...]}
On failure nothing is written to standard output.

Exit status: 0 success (also an export with nothing to export, which writes
no file), 1 the library or the store reported a failure, 2 a bad command line.)";

std::string TypeNames()
{
    std::string names;
    for (const RecordType& type : RecordTypes())
        names += (names.empty() ? "" : ", ") + std::string(type.name);
    return names;
}

/// Command-line check of a TYPE word.
std::string CheckType(const std::string& word)
{
    if (FindRecordType(word))
        return {};
    return "unknown type \"" + word + "\": use one of " + TypeNames() + ", or a code 1 to 6";
}

std::string CheckFile(const std::string& file)
{
    return file.empty() ? "the file name is empty" : std::string();
}

std::string CheckMap(const std::string& argument)
{
    if (SplitMapPair(argument))
        return {};
    return "\"" + argument + "\" is not FIELD=COLUMN";
}

void AddType(CLI::App& command, std::string& type)
{
    command.add_option("TYPE", type, "the record type")->type_name("")->required()->check(CheckType);
}

void AddFile(CLI::App& command, std::string& file, const char* description)
{
    command.add_option("FILE", file, description)->type_name("")->required()->check(CheckFile);
}

void AddMap(CLI::App& command, std::vector<std::string>& maps)
{
    command
        .add_option("--map", maps,
                    "read FIELD from the header column COLUMN (repeatable, in order; split at the first \"=\", "
                    "nothing trimmed)")
        ->type_name("FIELD=COLUMN")
        ->allow_extra_args(false)
        ->check(CheckMap);
}


// A large import or export makes hundreds of megabytes of small records and
// rows, and on virtual machines the first touch of every 4 KiB page is
// expensive: page faults were a third of a 200,000-row import. glibc backs
// its heap with transparent huge pages when asked, but reads that request
// only at start-up, so the tool restarts itself once with it. A setting the
// user made is left alone, and if the restart fails the tool simply goes on.
void UseHugePagesForTheHeap(char** argv)
{
    if (std::getenv("GLIBC_TUNABLES") || std::getenv("VARNO_NO_RESTART"))
        return;
    setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1", 1);
    setenv("VARNO_NO_RESTART", "1", 1);
    execv("/proc/self/exe", argv);
    unsetenv("GLIBC_TUNABLES");
}

} // namespace

int main(int argc, char** argv)
{
    UseHugePagesForTheHeap(argv);
    CLI::App app("Moves personal-information records between the store and CSV files.", "varnocsv");
    app.require_subcommand(1);
    app.fallthrough();  // global options may also follow the command
    app.footer(kFooter);
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");

    std::string store;
    GlobalOptions options;
    std::optional<unsigned> codePage;
    std::string locale;
    app.add_option("--store", store,
                   "the store file (default $XDG_DATA_HOME/varno/store.db, else ~/.local/share/varno/store.db), "
                   "created with its folder on first use")
        ->type_name("FILE");
    app.add_option("--profile", options.profile, "the store profile (default 1)")->type_name("N");
    app.add_option("--codepage", codePage, "the ANSI code page of files (default: from the locale)")
        ->type_name("CP")
        ->check(CLI::IsMember({1252u, 949u, 65001u}));
    app.add_option("--locale", locale, "the locale of dates in files, e.g. en_US, de_DE, ko_KR (default: from "
                                       "the environment)")
        ->type_name("NAME");
    app.add_flag("--json", options.json, "print the result as one JSON object");

    std::string type;
    std::string file;
    std::vector<std::string> maps;
    int option = -1;
    bool flag = false;

    CLI::App* exportCommand = app.add_subcommand("export", "write the stored records of TYPE to FILE (\".csv\" is "
                                                           "appended when FILE does not end in it)");
    AddType(*exportCommand, type);
    AddFile(*exportCommand, file, "the CSV file to write");

    CLI::App* countCommand = app.add_subcommand("count", "count the records FILE holds, storing nothing");
    AddType(*countCommand, type);
    AddFile(*countCommand, file, "the CSV file to read");
    AddMap(*countCommand, maps);

    CLI::App* importCommand = app.add_subcommand("import", "add the records of FILE to the store");
    AddType(*importCommand, type);
    AddFile(*importCommand, file, "the CSV file to read");
    AddMap(*importCommand, maps);
    importCommand
        ->add_option("--option", option, "passed to the import unchanged (default -1: link contacts to their groups)")
        ->type_name("N");
    importCommand->add_flag("--flag", flag, "passed to the import unchanged");

    CLI::App* fieldsCommand = app.add_subcommand("fields", "show the column names of FILE's header");
    AddFile(*fieldsCommand, file, "the CSV file to read");

    CLI::App* listCommand = app.add_subcommand("list", "show the stored records of TYPE");
    AddType(*listCommand, type);

    for (CLI::App* command : {exportCommand, countCommand, importCommand, fieldsCommand, listCommand})
        command->group("Commands");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0)  // --help
            return app.exit(error);
        std::string message = error.what();
        // A mistyped command is left over as an argument nobody took.
        if (app.get_subcommands().empty() && !app.remaining().empty())
            message = "unknown command \"" + app.remaining().front() + "\": use " + kCommands;
        else if (app.get_subcommands().empty() && error.get_name() == "RequiredError")
            message = std::string("no command given: use ") + kCommands;
        std::cerr << "varnocsv: " << message << "\n\n" << app.help();
        return kExitUsage;
    }

    try {
        if (codePage)
            SetACP(*codePage);
        if (!locale.empty())
            varno::SetUserLocale(locale);
        if (!store.empty())
            SetStorePath(CString::FromUtf8(store));

        std::unique_ptr<ProgressLine> progress;
        if (isatty(STDERR_FILENO))
            progress = std::make_unique<ProgressLine>(stderr);

        std::function<void()> clearProgress;
        if (progress)
            clearProgress = [&progress] { progress->Clear(); };
        Commands commands(options, std::cout, std::cerr, clearProgress);
        const RecordType* recordType = type.empty() ? nullptr : FindRecordType(type);
        if (exportCommand->parsed())
            return commands.Export(*recordType, file);
        if (countCommand->parsed())
            return commands.Count(*recordType, file, maps);
        if (importCommand->parsed())
            return commands.Import(*recordType, file, maps, option, flag);
        if (fieldsCommand->parsed())
            return commands.Fields(file);
        return commands.List(*recordType);
    } catch (const std::exception& error) {
        std::cout.flush();
        std::cerr << "varnocsv: " << error.what() << "\n";
        return kExitFailure;
    }
}
