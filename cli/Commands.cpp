// The commands only call the facade and report. When the library says no, it
// says too little to tell a user what to do (export gives -1 alike for a
// store it cannot read and a file it cannot write), so the failure paths look
// at the store and the file system afterwards to name the cause; nothing here
// changes what the library reads or writes.
#include "cli/Commands.h"

#include "manager/CSVMng.h"
#include "store/Store.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>

namespace fs = std::filesystem;

namespace varno::cli {

namespace {

/// The first bytes of `file`, enough to see a byte-order mark.
std::string FirstBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string bytes(3, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

/// Why `file` could not be opened for reading, as ": reason", best effort.
std::string OpenFailureReason(const std::string& file)
{
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (!fs::exists(status))
        return ": no such file";
    if (fs::is_directory(status))
        return ": it is a folder";
    if (access(file.c_str(), R_OK) != 0)
        return std::string(": ") + std::strerror(errno);
    return ": it may be in use by another program";
}

/// Why `file` could not be written, as ": reason", best effort.
std::string WriteFailureReason(const std::string& file)
{
    std::error_code error;
    fs::path folder = fs::path(file).parent_path();
    if (folder.empty())
        folder = ".";
    const fs::file_status folderStatus = fs::status(folder, error);
    if (!fs::exists(folderStatus))
        return ": the folder " + folder.string() + " does not exist";
    if (!fs::is_directory(folderStatus))
        return ": " + folder.string() + " is not a folder";
    if (fs::is_directory(fs::status(file, error)))
        return ": it is a folder";
    if (access(folder.c_str(), W_OK) != 0 || (fs::exists(file, error) && access(file.c_str(), W_OK) != 0))
        return std::string(": ") + std::strerror(errno);
    return ": it may be in use by another program";
}

} // namespace

Commands::Commands(const GlobalOptions& options, std::ostream& out, std::ostream& err,
                   std::function<void()> clearProgress)
    : m_options(options), m_store(GetStorePath().ToUtf8()), m_out(out), m_err(err),
      m_clearProgress(std::move(clearProgress))
{
}

int Commands::Export(const RecordType& type, const std::string& file)
{
    if (!EnsureStoreFolder())
        return kExitFailure;
    CSVMng manager;
    const CString path = CString::FromUtf8(file);
    CString used = path;
    (void)manager.CheckValidFilePath(used);  // the path Export will write
    const std::string usedFile = used.ToUtf8();

    const long written = manager.Export(type.code, m_options.profile, path);
    if (written < 0) {
        if (!type.supported)
            return NotSupported(type);
        if (type.probeStore(m_options.profile) < 0)
            return Fail("cannot read the store " + m_store);
        return Fail("cannot write " + usedFile + WriteFailureReason(usedFile));
    }
    if (written == 0)
        Note("nothing to export: profile " + std::to_string(m_options.profile) + " of the store " + m_store +
             " holds no " + std::string(type.plural) + " (those marked deleted are left out); no file written");
    if (m_options.json)
        Emit({{"type", type.name}, {"path", usedFile}, {"written", written}});
    else if (written > 0)
        Out() << "exported " << type.Counted(written) << " to " << usedFile << "\n";
    return kExitSuccess;
}

int Commands::Count(const RecordType& type, const std::string& file, const std::vector<std::string>& maps)
{
    Mapping mapping = PrepareMapping(type, file, maps);
    CSVMng manager;
    long count = 0;
    const _en_CSVError result = manager.Count(type.code, count, m_options.profile, CString::FromUtf8(file),
                                              mapping.fieldNames, mapping.fileColumns, -1);
    if (result != CSVERR_SUCCESS)
        return ReadFailure(type, result, file);
    if (m_options.json)
        Emit({{"type", type.name}, {"path", file}, {"count", count}});
    else
        Out() << file << " holds " << type.Counted(count) << "\n";
    return kExitSuccess;
}

int Commands::Import(const RecordType& type, const std::string& file, const std::vector<std::string>& maps,
                     int option, bool flag)
{
    if (!EnsureStoreFolder())
        return kExitFailure;
    Mapping mapping = PrepareMapping(type, file, maps);
    CSVMng manager;
    long saved = 0;
    const _en_CSVError result = manager.Import(type.code, saved, m_options.profile, CString::FromUtf8(file),
                                               mapping.fieldNames, mapping.fileColumns, option, flag);
    if (result != CSVERR_SUCCESS)
        return ReadFailure(type, result, file);
    if (saved == STOREERR_OPEN)
        return Fail("cannot write to the store " + m_store + ": it cannot be opened, or it is not a store");
    if (saved < 0)
        return Fail("cannot write to the store " + m_store + "; nothing was saved");
    if (m_options.json)
        Emit({{"type", type.name}, {"path", file}, {"saved", saved}});
    else
        Out() << "saved " << type.Counted(saved) << " from " << file << " to profile " << m_options.profile
              << " of " << m_store << "\n";
    return kExitSuccess;
}

int Commands::Fields(const std::string& file)
{
    CSVMng manager;
    CStringArray header;
    if (manager.GetField(CString::FromUtf8(file), header) != CSVERR_SUCCESS)
        return Fail("cannot open " + file + OpenFailureReason(file));
    for (const std::string& warning : FileWarnings(FirstBytes(file), header, nullptr))
        Note("warning: " + warning);
    if (header.IsEmpty())
        Note(file + " is empty: it has no header");
    if (m_options.json) {
        nlohmann::ordered_json names = nlohmann::ordered_json::array();
        for (const CString& name : header)
            names.push_back(name.ToUtf8());
        Emit({{"path", file}, {"fields", names}});
    } else {
        for (int i = 0; i < header.GetSize(); ++i)
            Out() << i + 1 << "\t" << header[i].ToUtf8() << "\n";
    }
    return kExitSuccess;
}

int Commands::List(const RecordType& type)
{
    if (!type.list)
        return NotSupported(type);
    if (!EnsureStoreFolder())
        return kExitFailure;
    const Listing listing = type.list(m_options.profile);
    if (listing.loadResult < 0)
        return Fail("cannot read the store " + m_store);
    if (m_options.json) {
        Emit({{"type", type.name}, {"records", listing.records}});
        return kExitSuccess;
    }
    long deleted = 0;
    for (const auto& record : listing.records) {
        std::string line = record.contains("id") ? record["id"].dump() : std::string("-");
        for (const auto& [key, value] : record.items())
            if (key != "id" && key != "deleted")
                line += "  " + key + "=" + value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        if (record.value("deleted", false)) {
            line += "  (deleted)";
            ++deleted;
        }
        Out() << line << "\n";
    }
    Out() << type.Counted(static_cast<long>(listing.records.size())) << " in profile " << m_options.profile;
    if (deleted > 0)
        Out() << ", " << deleted << " marked deleted";
    Out() << "\n";
    return kExitSuccess;
}

Mapping Commands::PrepareMapping(const RecordType& type, const std::string& file,
                                 const std::vector<std::string>& maps)
{
    CSVMng manager;
    CStringArray header;
    const bool read = manager.GetField(CString::FromUtf8(file), header) == CSVERR_SUCCESS;
    Mapping mapping = maps.empty() ? AutoMapping(type, header) : MappingFromPairs(maps);
    // A file that cannot be read is the library's to report.
    if (!read || header.IsEmpty())
        return mapping;
    for (const std::string& warning : FileWarnings(FirstBytes(file), header, &mapping))
        Note("warning: " + warning);
    if (!mapping.given && mapping.fieldNames.IsEmpty()) {
        std::string fields;
        for (std::u16string_view field : type.fields)
            fields += (fields.empty() ? "" : ", ") + CString(field).ToUtf8();
        Note("warning: no header column is named after a field of " + std::string(type.name) + " (" + fields +
             "); map columns with --map FIELD=COLUMN");
        return mapping;
    }
    const std::string source = mapping.given ? " (--map)" : mapping.layout.empty() ? "" : " (" + mapping.layout + ")";
    Note("mapping" + source + ": " + DescribeMapping(mapping));
    return mapping;
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

int Commands::Fail(const std::string& message)
{
    Note(message);
    return kExitFailure;
}

int Commands::NotSupported(const RecordType& type)
{
    return Fail(std::string(type.name) + " is not supported yet");
}

int Commands::ReadFailure(const RecordType& type, int result, const std::string& file)
{
    if (!type.supported)
        return NotSupported(type);
    if (result == CSVERR_FILEOPEN)
        return Fail("cannot open " + file + OpenFailureReason(file));
    if (file.empty())
        return Fail("no file named");
    return Fail(file + " holds no data rows");
}

std::ostream& Commands::Out()
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
    Out() << result.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

} // namespace varno::cli
