// The five commands of varnocsv over the library's facade. Each returns the
// process exit code and writes its result to `out` (human-readable lines, or
// with --json one JSON object) and everything else to `err`.
#pragma once

#include "cli/Mapping.h"
#include "cli/Types.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace varno::cli {

/// Exit codes.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,  ///< the library or the store reported a failure
    kExitUsage = 2,    ///< a bad command line
};

struct GlobalOptions {
    int profile = 1;
    bool json = false;
};

class Commands {
public:
    /// The store path must already be set (SetStorePath) when --store was
    /// given. `clearProgress`, when set, is called before anything is
    /// written, so that no text lands on a progress line.
    Commands(const GlobalOptions& options, std::ostream& out, std::ostream& err,
             std::function<void()> clearProgress = {});

    /// Writes the stored records of `type` to `file` (".csv" appended where
    /// missing). Nothing to export is a success that writes no file.
    int Export(const RecordType& type, const std::string& file);
    /// Reports how many records `file` would give, storing nothing.
    int Count(const RecordType& type, const std::string& file, const std::vector<std::string>& maps);
    /// Adds the records of `file` to the store.
    int Import(const RecordType& type, const std::string& file, const std::vector<std::string>& maps, int option,
               bool flag);
    /// Shows the column names of `file`'s header.
    int Fields(const std::string& file);
    /// Shows the stored records of `type`, those marked deleted included.
    int List(const RecordType& type);

private:
    /// Reads the header of `file`, chooses the mapping and says on `err`
    /// which it is, with any warnings about the file.
    Mapping PrepareMapping(const RecordType& type, const std::string& file, const std::vector<std::string>& maps);
    /// Creates the store's folder if needed; false (after saying why) when
    /// that fails.
    bool EnsureStoreFolder();
    int Fail(const std::string& message);
    int NotSupported(const RecordType& type);
    int ReadFailure(const RecordType& type, int result, const std::string& file);
    void Note(const std::string& message);
    void Emit(const nlohmann::ordered_json& result);
    /// The result stream, after clearing any progress line.
    std::ostream& Out();

    GlobalOptions m_options;
    std::string m_store;   ///< the store file in use, for messages
    std::ostream& m_out;
    std::ostream& m_err;
    std::function<void()> m_clearProgress;
};

} // namespace varno::cli
