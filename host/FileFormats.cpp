#include "host/FileFormats.h"

#include "host/Ascii_p.h"
#include "host/ICalendar.h"

#include <algorithm>

namespace varno::host {

namespace {

using detail::EqualNoCase;

void ReadVCardFile(std::string_view text, const std::string& shown, const RecordType&, const LayoutRowSink& each,
                   const NoteSink& note)
{
    ReadVCards(text, shown, each, note);
}

long long CountVCardFile(std::string_view text, const std::string& shown, const RecordType&,
                         const std::function<void()>& counted)
{
    return CountVCards(text, shown, counted);
}

class VCardFormatWriter : public FormatWriter {
public:
    explicit VCardFormatWriter(int version) : m_writer(version) {}
    void Write(const LayoutRow& row, std::string& out) override { m_writer.Write(row, out); }

private:
    VCardWriter m_writer;
};

std::unique_ptr<FormatWriter> MakeVCardWriter(const RecordType&, const FormatOptions& options)
{
    return std::make_unique<VCardFormatWriter>(options.vcardVersion);
}

class ICalendarFormatWriter : public FormatWriter {
public:
    explicit ICalendarFormatWriter(const RecordType& type) : m_writer(type) {}
    [[nodiscard]] std::string Begin() override { return m_writer.Begin(); }
    void Write(const LayoutRow& row, std::string& out) override { m_writer.Write(row, out); }
    [[nodiscard]] std::string End() override { return m_writer.End(); }

private:
    ICalendarWriter m_writer;
};

std::unique_ptr<FormatWriter> MakeICalendarWriter(const RecordType& type, const FormatOptions&)
{
    return std::make_unique<ICalendarFormatWriter>(type);
}

const std::vector<FileFormat>& Table()
{
    static const std::vector<FileFormat> formats = {
        {"csv", {".csv", ".tsv", ".txt"}, {}, nullptr, nullptr, nullptr},
        {"vcard", {".vcf", ".vcard"}, {"contact"}, &ReadVCardFile, &MakeVCardWriter, &CountVCardFile},
        {"icalendar", {".ics", ".ical", ".icalendar"}, {"calendar", "todo"}, &ReadICalendar,
         &MakeICalendarWriter, &CountICalendar},
    };
    return formats;
}

} // namespace

std::string FileFormat::ServedInWords() const
{
    std::string words;
    for (size_t i = 0; i < types.size(); ++i) {
        const RecordType* type = FindRecordType(types[i]);
        words += (i == 0 ? "" : i + 1 == types.size() ? " and " : ", ") + std::string(type ? type->plural : types[i]);
    }
    return words;
}

std::span<const FileFormat> FileFormats()
{
    return Table();
}

const FileFormat* FindFileFormat(std::string_view word)
{
    for (const FileFormat& format : Table())
        if (EqualNoCase(format.name, word))
            return &format;
    return nullptr;
}

const FileFormat& FormatOfFile(std::string_view file)
{
    const size_t dot = file.rfind('.');
    const size_t slash = file.rfind('/');
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash))
        for (const FileFormat& format : Table())
            for (std::string_view extension : format.extensions)
                if (EqualNoCase(file.substr(dot), extension))
                    return format;
    return Table().front();
}

std::string FormatNames(std::string_view between)
{
    std::string names;
    for (const FileFormat& format : Table())
        names += (names.empty() ? "" : std::string(between)) + std::string(format.name);
    return names;
}

} // namespace varno::host
