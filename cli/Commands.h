// The commands of varnocsv over the host library's session. Each returns
// the process exit code and writes its result to `out` (human-readable
// lines, or with --json one JSON object) and everything else to `err`. What
// the commands do is the session's; here it is said and printed.
#pragma once

#include "cli/Output.h"
#include "host/Session.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
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
    /// Say the whole mapping an import or count chose, field by field.
    bool verbose = false;
    /// The terminal's code page, in which file names on the command line
    /// are spelled on disk.
    unsigned terminalCodePage = 65001;
    /// --format: the files' format ("" follows the extension).
    std::string format;
    /// --vcard-version: 3 or 4.
    int vcardVersion = 3;
};

class Commands {
public:
    /// The store path must already be set (SetStorePath) when --store was
    /// given. `clearProgress`, when set, is called before anything is
    /// written, so that no text lands on a progress line.
    Commands(const GlobalOptions& options, Output& out, Output& err, std::function<void()> clearProgress = {});

    int Export(const host::RecordType& type, const std::string& file);
    int Count(const host::RecordType& type, const host::ReadRequest& request);
    int Import(const host::RecordType& type, const host::ReadRequest& request, int option, bool flag);
    int Preview(const host::RecordType& type, const host::ReadRequest& request, int rows);
    int Fields(const std::string& file);
    /// Every field of `type` with what it holds, how it is read and the
    /// header names that fill it; `word` is how the command line named it.
    int TypeFields(const host::RecordType& type, const std::string& word);
    int List(const host::RecordType& type);
    // The store's upkeep.
    int History();
    /// `id` none: the newest import not undone.
    int Undo(std::optional<std::int64_t> id, bool force);
    int Check();
    int Backup(const std::string& file);

    /// Says a session's error, each of its lines as one message: exit 1, or
    /// 2 for a request the command line should not have let through.
    int Failed(const host::Error& error);

private:
    void Note(const std::string& message);
    /// " (3 columns not read, 2 warnings)": what an import left aside.
    [[nodiscard]] std::string Aside(const host::ImportDetails& details) const;
    void Emit(const nlohmann::ordered_json& result);
    /// Flushes the results; exit 1 after saying so when they could not be
    /// written.
    int Finish(int exit);
    /// The result stream, after clearing any progress line.
    Output& Out();

    GlobalOptions m_options;
    Output& m_out;
    Output& m_err;
    std::function<void()> m_clearProgress;
    host::Session m_session;
    long long m_warnings = 0; ///< messages said as warnings so far
};

} // namespace varno::cli
