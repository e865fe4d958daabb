// The file formats a session reads and writes beside CSV, one entry each:
// its name, the extensions that choose it, the record types it serves, its
// reader (to rows of the type's own CSV layout, which then go through the
// CSV import path) and its writer (from rows of the own-layout export).
// Adding a format is one entry in FileFormats.cpp.
#pragma once

#include "host/Registry.h"
#include "host/VCard.h"
#include "host/varnohost_export.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varno::host {

/// What the person asked of a writer beyond the record type.
struct FormatOptions {
    int vcardVersion = 3; ///< 3 or 4
};

/// Writes a file's records from rows of the own layout: Begin(), Write()
/// for each record, End().
class VARNO_HOST_EXPORT FormatWriter {
public:
    virtual ~FormatWriter() = default;
    FormatWriter() = default;
    FormatWriter(const FormatWriter&) = delete;
    FormatWriter& operator=(const FormatWriter&) = delete;
    [[nodiscard]] virtual std::string Begin() { return {}; }
    /// Appends the record of `row` to `out`.
    virtual void Write(const LayoutRow& row, std::string& out) = 0;
    [[nodiscard]] virtual std::string End() { return {}; }
};

struct VARNO_HOST_EXPORT FileFormat {
    std::string_view name;                   ///< "csv", "vcard", "icalendar": the --format word
    std::vector<std::string_view> extensions; ///< lower case, with the dot: ".vcf"
    /// The record types it serves, by name; empty: every type.
    std::vector<std::string_view> types;
    /// Reads the whole text into rows of `type`'s own layout (see ReadVCards
    /// for the contract); nullptr for CSV, which the session reads itself.
    void (*read)(std::string_view text, const std::string& shown, const RecordType& type, const LayoutRowSink& each,
                 const NoteSink& note) = nullptr;
    /// A writer for `type`; nullptr for CSV.
    std::unique_ptr<FormatWriter> (*writer)(const RecordType& type, const FormatOptions& options) = nullptr;
    /// The number of records `read` would hand over for the same text, or
    /// the Error it would throw for the file's structure, found faster than
    /// by reading (see CountVCards and CountICalendar for what each checks
    /// beyond the structure); nullptr: a count reads.
    /// `counted` is called after each record counted.
    long long (*count)(std::string_view text, const std::string& shown, const RecordType& type,
                       const std::function<void()>& counted) = nullptr;

    [[nodiscard]] bool IsCsv() const { return read == nullptr; }
    [[nodiscard]] bool Serves(const RecordType& type) const
    {
        return types.empty() || std::find(types.begin(), types.end(), type.name) != types.end();
    }
    /// "contacts", "calendar entries and to-do items": for messages.
    [[nodiscard]] std::string ServedInWords() const;
};

/// Every format, CSV first.
[[nodiscard]] VARNO_HOST_EXPORT std::span<const FileFormat> FileFormats();
/// The format named `word` (any letter case), or nullptr.
[[nodiscard]] VARNO_HOST_EXPORT const FileFormat* FindFileFormat(std::string_view word);
/// The format a file's name ends in (any letter case); CSV for any other
/// name and for "-".
[[nodiscard]] VARNO_HOST_EXPORT const FileFormat& FormatOfFile(std::string_view file);
/// "csv, vcard": the names of every format.
[[nodiscard]] VARNO_HOST_EXPORT std::string FormatNames(std::string_view between = ", ");

} // namespace varno::host
