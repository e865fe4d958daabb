#include "cli/Commands.h"

#include "cli/Interrupt.h"
#include "cli/Spool.h"
#include "cli/Table.h"

#include "host/FieldGuide.h"
#include "host/Mapping.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace varno::cli {

namespace {

std::string Joined(const std::vector<std::string>& parts, const char* between)
{
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : between) + part;
    return text;
}

/// `"text"`.
std::string InQuotes(const std::string& text)
{
    return host::Quoted(CString::FromUtf8(text));
}

/// Interrupt messages must outlive every command.
std::string g_interruptMessage;

void SayOnInterrupt(std::string message)
{
    g_interruptMessage = "varnocsv: " + std::move(message) + "\n";
    OnInterruptSay(g_interruptMessage.c_str());
}

/// The preview as text: the mapping, the first records and the columns
/// nothing reads, in tables `width` columns wide.
std::string PreviewText(const host::RecordType& type, const host::Preview& preview, size_t width,
                        const TableMarks& marks)
{
    if (!preview.unfilled.empty()) {
        // Nothing would be stored: every column, to map by hand.
        std::vector<std::vector<std::string>> table{{"column", "first row", "field"}};
        for (const host::PreviewColumn& column : preview.columns)
            table.push_back({OneLine(InQuotes(column.name), marks), OneLine(column.example, marks),
                             column.field.empty() ? "?" : column.field});
        return "the columns of the file (an import would refuse it: " + preview.unfilled + "):\n" +
               Table(table, width, marks) + "\na mapping to start from, to copy and edit (FIELD: a field of " +
               std::string(type.name) + "):\n" + preview.mapOptions + "\n";
    }
    std::vector<std::vector<std::string>> table{{"field", "column", "first row"}};
    std::vector<std::string> absent; // named in one line below the table
    for (const host::PreviewField& line : preview.mapping) {
        if (!line.column) {
            absent.push_back(line.field);
            continue;
        }
        std::string columns = InQuotes(*line.column);
        for (size_t n = 0; n < line.alsoReads.size(); ++n)
            columns += (n ? ", " : " (and ") + InQuotes(line.alsoReads[n]);
        columns += line.alsoReads.empty() ? "" : ")";
        if (!line.how.empty())
            columns += " (" + line.how + ")";
        table.push_back({line.field, OneLine(columns, marks), OneLine(line.example.value_or(""), marks)});
    }
    std::string text = "mapping" + preview.source + ":\n" + Table(table, width, marks);
    if (!absent.empty())
        text += "not in the file: " + Joined(absent, ", ") + "\n";

    if (!preview.records.empty()) {
        const long long total = preview.rows;
        const long long shown = static_cast<long long>(preview.records.size());
        text += "\n" + (shown < total ? "the first " + std::to_string(shown) + " of " + host::Counted(type, total)
                                      : host::Counted(type, total)) +
                ", as import would store " + (total == 1 ? "it" : "them") + ":\n";
        // One row per record; columns empty in every record shown are named
        // below the table instead.
        table = {{"#"}};
        std::vector<size_t> used;
        std::vector<std::string> empty;
        const auto& fields = preview.records.front().fields;
        for (size_t f = 0; f < fields.size(); ++f) {
            const bool any = std::any_of(preview.records.begin(), preview.records.end(),
                                         [f](const host::ListedRecord& r) { return !r.fields[f].second.Empty(); });
            if (any) {
                table.front().push_back(fields[f].first);
                used.push_back(f);
            } else {
                empty.push_back(fields[f].first);
            }
        }
        for (size_t r = 0; r < preview.records.size(); ++r) {
            table.push_back({std::to_string(r + 1)});
            for (size_t f : used)
                table.back().push_back(OneLine(preview.records[r].fields[f].second.Flat(), marks));
        }
        text += Table(table, width, marks);
        if (!empty.empty())
            text += "empty in every record shown: " + Joined(empty, ", ") + "\n";
    }
    std::vector<std::string> quoted;
    for (const std::string& name : preview.unused)
        quoted.push_back(InQuotes(name));
    return text + "\n" +
           (preview.unused.empty() ? std::string("every column of the file is read")
                                   : "columns nothing reads: " + Joined(quoted, ", ")) +
           "\n\nthe mapping as options, to copy and edit:\n" +
           (preview.mapOptions.empty() ? "(none: the fields above are read by rules that no --map says, such as a "
                                         "column of whole names split into first and last names)"
                                       : preview.mapOptions) +
           "\n";
}

} // namespace

Commands::Commands(const GlobalOptions& options, Output& out, Output& err, std::function<void()> clearProgress)
    : m_options(options), m_out(out), m_err(err), m_clearProgress(std::move(clearProgress)),
      m_session(host::SessionOptions{options.profile, options.terminalCodePage,
                                     [this](const std::string& message) { Note(message); },
                                     true, // varnocsv takes the pipelined path
                                     options.verbose})
{
}

int Commands::Export(const host::RecordType& type, const std::string& file)
{
    const bool toOutput = file == "-";
    host::ExportRequest request{file, [this](std::string_view bytes) { Out().WriteBytes(bytes); },
                                [&](const char* temporary) { OnInterruptRemove(temporary); }, m_options.format,
                                m_options.vcardVersion};
    SayOnInterrupt("interrupted: nothing was written" +
                   (toOutput ? std::string()
                             : "; " + host::Session::ExportPath(file, m_options.format) + " is as it was"));
    const host::ExportResult result = m_session.Export(type, request);
    SayOnInterrupt("interrupted");
    if (m_options.json)
        Emit({{"type", type.name}, {"path", result.path}, {"written", result.written}, {"replaced", result.replaced}});
    else if (result.written > 0 && toOutput)
        Note("exported " + host::Counted(type, result.written) + " to standard output");
    else if (result.written > 0)
        Out() << "exported " << host::Counted(type, result.written) << " to " << result.path << "\n";
    return Finish(kExitSuccess);
}

int Commands::Count(const host::RecordType& type, const host::ReadRequest& request)
{
    const long count = m_session.Count(type, request);
    if (m_options.json)
        Emit({{"type", type.name}, {"path", request.file}, {"count", count}});
    else
        Out() << host::Session::Shown(request.file) << " holds " << host::Counted(type, count) << "\n";
    return Finish(kExitSuccess);
}

int Commands::Import(const host::RecordType& type, const host::ReadRequest& request, int option, bool flag)
{
    SayOnInterrupt("interrupted: nothing was saved");
    long saved = 0;
    host::ImportDetails details;
    try {
        saved = m_session.Import(type, request, option, flag, &details);
    } catch (...) {
        SayOnInterrupt("interrupted");
        throw;
    }
    SayOnInterrupt("interrupted after the records were saved");
    if (m_options.json)
        Emit({{"type", type.name}, {"path", request.file}, {"saved", saved}});
    else
        Out() << "saved " << host::Counted(type, saved) << " from " << host::Session::Shown(request.file)
              << " to profile " << m_options.profile << " of " << m_session.StorePath() << Aside(details) << "\n";
    return Finish(kExitSuccess);
}

int Commands::Preview(const host::RecordType& type, const host::ReadRequest& request, int rows)
{
    const host::Preview preview = m_session.MakePreview(type, request, rows);
    if (!m_options.json) {
        Out() << PreviewText(type, preview, static_cast<size_t>(OutputWidth()), MarksFor(m_options.terminalCodePage));
        return Finish(kExitSuccess);
    }
    if (!preview.unfilled.empty()) {
        nlohmann::ordered_json columns = nlohmann::ordered_json::array();
        for (const host::PreviewColumn& column : preview.columns)
            columns.push_back({{"column", column.name},
                               {"example", column.example},
                               {"field", column.field.empty() ? nlohmann::ordered_json(nullptr)
                                                              : nlohmann::ordered_json(column.field)}});
        Emit({{"type", type.name},
              {"path", request.file},
              {"refused", preview.unfilled},
              {"columns", columns},
              {"map", preview.mapOptions}});
        return Finish(kExitSuccess);
    }
    nlohmann::ordered_json fields = nlohmann::ordered_json::array();
    for (const host::PreviewField& line : preview.mapping)
        fields.push_back({{"field", line.field},
                          {"column", line.column ? nlohmann::ordered_json(*line.column) : nullptr},
                          {"example", line.example ? nlohmann::ordered_json(*line.example) : nullptr}});
    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    for (const host::ListedRecord& record : preview.records)
        records.push_back(nlohmann::ordered_json::parse(record.Json()));
    Emit({{"type", type.name},
          {"path", request.file},
          {"mapping", fields},
          {"unused", preview.unused},
          {"records", records}});
    return Finish(kExitSuccess);
}

int Commands::Fields(const std::string& file)
{
    const std::vector<std::string> names = m_session.Fields(file);
    if (m_options.json) {
        Emit({{"path", file}, {"fields", names}});
    } else {
        for (size_t i = 0; i < names.size(); ++i)
            Out() << std::to_string(i + 1) << "\t" << names[i] << "\n";
    }
    return Finish(kExitSuccess);
}

int Commands::TypeFields(const host::RecordType& type, const std::string& word)
{
    std::error_code ignored;
    if (std::filesystem::exists(word, ignored))
        Note("\"" + word + "\" names a record type and a file here: these are the fields of the type; \"varnocsv "
             "fields ./" + word + "\" shows the file's header");
    const std::vector<host::FieldGuide> guides = host::DescribeFields(type);
    if (m_options.json) {
        nlohmann::ordered_json fields = nlohmann::ordered_json::array();
        for (const host::FieldGuide& guide : guides)
            fields.push_back({{"field", guide.field},
                              {"column", guide.column.empty() ? nlohmann::ordered_json(nullptr)
                                                              : nlohmann::ordered_json(guide.column)},
                              {"about", guide.about},
                              {"format", guide.format},
                              {"principal", guide.principal},
                              {"headers", guide.headers},
                              {"layouts", guide.layouts}});
        Emit({{"type", type.name}, {"fields", fields}});
        return Finish(kExitSuccess);
    }
    std::vector<std::string> principal;
    for (const host::FieldGuide& guide : guides)
        if (guide.principal)
            principal.push_back(guide.field);
    const std::string needs =
        principal.size() == 1 ? principal.front()
                              : "one of " + Joined({principal.begin(), principal.end() - 1}, ", ") + " or " +
                                    principal.back();
    Output& out = Out();
    out << "the fields of " << std::string(type.plural) << " (--map FIELD=COLUMN); an import needs " << needs
        << ":\n";
    for (const host::FieldGuide& guide : guides) {
        out << "\n" << guide.field << (guide.principal ? " (principal)" : "") << "  " << guide.about << "\n";
        if (!guide.column.empty())
            out << "  export writes it as \"" << guide.column << "\"\n";
        if (!guide.format.empty())
            out << "  read as " << guide.format << "\n";
        std::vector<std::string> quoted;
        for (const std::string& header : guide.headers)
            quoted.push_back(InQuotes(header));
        out << "  a column named " << Joined(quoted, ", ") << " fills it with no --map\n";
        for (const std::string& layout : guide.layouts)
            out << "  and in " << layout << "\n";
    }
    return Finish(kExitSuccess);
}

int Commands::List(const host::RecordType& type)
{
    // The listing waits in a spool until the whole load has worked: on a
    // failure nothing reaches standard output.
    TextSpool shown;
    bool spooled = true;
    long long count = 0;
    const host::ListSummary summary = m_session.List(type, [&](const host::ListedRecord& item) {
        if (!spooled)
            return;
        if (m_options.json && count++ > 0)
            spooled = shown.Append(",");
        spooled = spooled && shown.Append(m_options.json ? item.Json() : item.Line());
    });
    if (!spooled)
        return Failed(host::Error(host::Error::Kind::Refused,
                                  std::string("cannot hold the listing in a temporary file: ") +
                                      std::strerror(errno) + "; set TMPDIR to a folder with room"));
    auto send = [this](std::string_view text) { Out() << text; };
    if (m_options.json)
        Out() << "{\"type\":\"" << std::string(type.name) << "\",\"records\":[";
    if (!shown.SendTo(send))
        return Failed(host::Error(host::Error::Kind::Refused,
                                  std::string("cannot read the listing back from its temporary file: ") +
                                      std::strerror(errno)));
    if (m_options.json) {
        Out() << "]}\n";
    } else {
        Out() << host::Counted(type, summary.records) << " in profile " << std::to_string(m_options.profile);
        if (summary.deleted > 0)
            Out() << ", " << summary.deleted << " marked deleted";
        Out() << "\n";
    }
    return Finish(kExitSuccess);
}

// The store's upkeep: the history of imports, undo, check and backup.

int Commands::History()
{
    const std::vector<store::HistoryEntry> entries = m_session.History();
    if (m_options.json) {
        nlohmann::ordered_json imports = nlohmann::ordered_json::array();
        for (const store::HistoryEntry& entry : entries)
            imports.push_back({{"id", entry.id},
                               {"time", entry.time},
                               {"path", entry.import.file},
                               {"type", entry.import.type},
                               {"profile", entry.import.profile},
                               {"mapping", entry.import.mapping},
                               {"records", entry.records},
                               {"groups", entry.groups},
                               {"undone", entry.undone.empty() ? nlohmann::ordered_json(nullptr)
                                                               : nlohmann::ordered_json(entry.undone)}});
        Emit({{"imports", imports}});
        return Finish(kExitSuccess);
    }
    if (entries.empty()) {
        Out() << "no imports recorded in " << m_session.StorePath() << "\n";
        return Finish(kExitSuccess);
    }
    const TableMarks marks = MarksFor(m_options.terminalCodePage);
    std::vector<std::vector<std::string>> table{{"id", "time (UTC)", "type", "profile", "records", "file", "undone"}};
    for (const store::HistoryEntry& entry : entries)
        table.push_back({std::to_string(entry.id), entry.time, entry.import.type, std::to_string(entry.import.profile),
                         std::to_string(entry.records) +
                             (entry.groups ? " (" + std::to_string(entry.groups) + " groups made)" : ""),
                         OneLine(entry.import.file, marks), entry.undone});
    Out() << Table(table, static_cast<size_t>(OutputWidth()), marks);
    return Finish(kExitSuccess);
}

int Commands::Undo(std::optional<std::int64_t> id, bool force)
{
    SayOnInterrupt("interrupted: nothing was undone");
    const store::UndoResult result = m_session.Undo(id, force);
    SayOnInterrupt("interrupted after the import was undone");
    const store::HistoryEntry& entry = result.entry;
    const std::string import = "import " + std::to_string(entry.id) + " (" + entry.import.type + " from " +
                               entry.import.file + ", " + entry.time + ")";
    if (result.outcome == store::UndoResult::Outcome::ChangedSince) {
        for (const std::string& change : result.changed)
            Note(import + ": " + change);
        Note(import + " was not undone: " + std::to_string(result.changed.size()) +
             (result.changed.size() == 1 ? " of its records was" : " of its records were") +
             " changed since; nothing was removed; --force removes them anyway");
        return kExitFailure;
    }
    if (m_options.json) {
        Emit({{"undone", entry.id},
              {"path", entry.import.file},
              {"type", entry.import.type},
              {"records", result.records},
              {"links", result.links},
              {"groups", result.groups},
              {"groupsKept", result.groupsKept}});
        return Finish(kExitSuccess);
    }
    Out() << "undid " << import << ": removed " << result.records << (result.records == 1 ? " record" : " records");
    if (result.links)
        Out() << ", " << result.links << (result.links == 1 ? " link to a group" : " links to groups");
    if (result.groups)
        Out() << ", " << result.groups << (result.groups == 1 ? " group" : " groups");
    if (result.groupsKept)
        Out() << "; kept " << result.groupsKept << (result.groupsKept == 1 ? " group" : " groups")
              << " it made that other contacts use";
    Out() << "\n";
    return Finish(kExitSuccess);
}

int Commands::Check()
{
    const store::CheckResult result = m_session.Check();
    if (m_options.json) {
        Emit({{"path", m_session.StorePath()},
              {"sound", result.sound},
              {"version", result.version},
              {"problems", result.problems}});
    } else if (result.sound) {
        Out() << "the store " << m_session.StorePath() << " is sound (schema version " << result.version << ")\n";
    } else {
        Out() << "the store " << m_session.StorePath() << " is not sound:\n";
        for (const std::string& problem : result.problems)
            Out() << "  " << problem << "\n";
    }
    const int exit = Finish(kExitSuccess);
    return exit != kExitSuccess || result.sound ? exit : kExitFailure;
}

int Commands::Backup(const std::string& file)
{
    SayOnInterrupt("interrupted: no copy was made; the store is unchanged");
    m_session.Backup(file, [](const char* path) { OnInterruptRemove(path); });
    SayOnInterrupt("interrupted after the copy was made");
    if (m_options.json)
        Emit({{"path", file}, {"store", m_session.StorePath()}});
    else
        Out() << "copied the store " << m_session.StorePath() << " to " << file << "\n";
    return Finish(kExitSuccess);
}

int Commands::Failed(const host::Error& error)
{
    std::string_view text = error.what();
    while (!text.empty()) {
        const size_t end = text.find('\n');
        Note(std::string(text.substr(0, end)));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return error.GetKind() == host::Error::Kind::Usage ? kExitUsage : kExitFailure;
}

Output& Commands::Out()
{
    if (m_clearProgress)
        m_clearProgress();
    return m_out;
}

std::string Commands::Aside(const host::ImportDetails& details) const
{
    std::vector<std::string> parts;
    auto counted = [&](long long n, const char* one, const char* many) {
        if (n > 0)
            parts.push_back(std::to_string(n) + " " + (n == 1 ? one : many));
    };
    counted(details.leftOut, "left out as stored already", "left out as stored already");
    counted(details.storedAgain, "stored a second time", "stored a second time");
    counted(static_cast<long long>(details.unreadColumns), "column not read", "columns not read");
    counted(m_warnings, "warning", "warnings");
    return parts.empty() ? std::string() : " (" + Joined(parts, ", ") + ")";
}

void Commands::Note(const std::string& message)
{
    if (message.rfind("warning: ", 0) == 0)
        ++m_warnings;
    if (m_clearProgress)
        m_clearProgress();
    m_err << "varnocsv: " << message << "\n";
}

void Commands::Emit(const nlohmann::ordered_json& result)
{
    Out() << result.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

int Commands::Finish(int exit)
{
    if (m_out.Flush())
        return exit;
    Note(std::string("cannot write to standard output: ") + std::strerror(m_out.Error()));
    return kExitFailure;
}

} // namespace varno::cli
