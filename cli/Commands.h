// The six commands of varnocsv over the library's facade. Each returns the
// process exit code and writes its result to `out` (human-readable lines, or
// with --json one JSON object) and everything else to `err`.
//
// The library does the work; the commands protect the user from what it
// would do silently: they read each input once and check it first (bytes
// the code page does not decode, a NUL that ends the text early, a mapping
// that fills nothing), refuse with nothing stored rather than store damage,
// export through a temporary file, and name the cause of every failure.
#pragma once

#include "cli/Mapping.h"
#include "cli/Output.h"
#include "cli/Types.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <vector>

namespace varno::cli {

/// Exit codes.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,  ///< the file, the library or the store stood in the way
    kExitUsage = 2,    ///< a bad command line
};

struct GlobalOptions {
    int profile = 1;
    bool json = false;
    /// The terminal's code page, in which file names on the command line
    /// are spelled on disk.
    unsigned terminalCodePage = 65001;
};

class Commands {
public:
    /// The store path must already be set (SetStorePath) when --store was
    /// given. `clearProgress`, when set, is called before anything is
    /// written, so that no text lands on a progress line.
    Commands(const GlobalOptions& options, Output& out, Output& err, std::function<void()> clearProgress = {});

    /// Writes the stored records of `type` to `file` (".csv" appended where
    /// missing; "-" is standard output). Nothing to export is a success that
    /// writes no file.
    int Export(const RecordType& type, const std::string& file);
    /// Reports how many records `file` would give, storing nothing.
    int Count(const RecordType& type, const std::string& file, const std::vector<std::string>& maps);
    /// Adds the records of `file` to the store.
    int Import(const RecordType& type, const std::string& file, const std::vector<std::string>& maps, int option,
               bool flag);
    /// Shows how the first `rows` records of `file` would be stored, with
    /// the mapping, the columns nothing reads and the mapping as --map
    /// options; reads and checks the file as Import does and stores nothing.
    int Preview(const RecordType& type, const std::string& file, const std::vector<std::string>& maps, int rows);
    /// Shows the column names of `file`'s header.
    int Fields(const std::string& file);
    /// Shows the stored records of `type`, those marked deleted included.
    int List(const RecordType& type);

private:
    struct Prepared;
    /// Opens and checks `file` for count or import and chooses the mapping;
    /// false after saying why the file is refused.
    bool Prepare(const RecordType& type, const std::string& file, const std::vector<std::string>& maps,
                 Prepared& prepared);
    /// False (after saying so) when the store file does not exist.
    bool StoreExists();
    /// Creates the store's folder if needed; false (after saying why) when
    /// that fails.
    bool EnsureStoreFolder();
    int StoreFailed(const char* doing);
    int Fail(const std::string& message);
    int NotSupported(const RecordType& type);
    void Note(const std::string& message);
    void Emit(const nlohmann::ordered_json& result);
    /// Flushes the results; exit 1 after saying so when they could not be
    /// written.
    int Finish(int exit);
    [[nodiscard]] std::string Native(const std::string& name) const;
    /// The result stream, after clearing any progress line.
    Output& Out();

    GlobalOptions m_options;
    std::string m_store;   ///< the store file in use, for messages
    Output& m_out;
    Output& m_err;
    std::function<void()> m_clearProgress;
};

} // namespace varno::cli
