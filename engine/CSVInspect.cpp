// The inspector keeps the decoded text of the record it is in (with what has
// been decoded after it), the scan position and quote parity within that
// record, so that every unit is scanned once however the file is cut into
// pieces. A record whose end is not in the text yet waits for the next
// piece; so does one that ends at a CR that is the last unit so far, which
// may be the first half of a CR LF.
#include "engine/CSVInspect.h"

#include "engine/CSVCodec_p.h"
#include "engine/CSVScan_p.h"
#include "platform/CodePage.h"

#include <algorithm>

namespace varno {

namespace {

/// The header's separator: the library's (a tab anywhere, else a comma),
/// or ";" when allowed and the header has no comma but a ";" outside quotes.
CString HeaderSeparator(std::u16string_view header, bool semicolons)
{
    if (header.find(u'\t') != std::u16string_view::npos)
        return CString(u"\t");
    bool inside = false, comma = false, semicolon = false;
    for (char16_t c : header) {
        if (c == u'"')
            inside = !inside;
        else if (!inside && c == u',')
            comma = true;
        else if (!inside && c == u';')
            semicolon = true;
    }
    return CString(semicolons && !comma && semicolon ? u";" : u",");
}

} // namespace

struct CSVInspector::Impl {
    unsigned codePage;
    bool semicolons;
    std::function<void(CStringArray&, int64_t)> onRecord;
    bool recordsWanted = true; ///< until StopRecords
    CSVInspection result;

    // Bytes before the decision between UTF-16 and ANSI (fewer than two).
    std::string firstBytes;
    bool decided = false;
    bool ended = false;          ///< the text has ended (a zero unit)
    int64_t bytesSeen = 0;
    std::unique_ptr<Decoder> decoder;
    int oddByte = -1;            ///< UTF-16: a byte waiting for its pair
    int64_t oddByteAt = -1;      ///< its offset
    int64_t leadAt = -1;         ///< UTF-16: byte offset of a lead surrogate waiting for its trail
    int64_t leadUnit = 0;        ///< and its place in the whole text

    std::u16string text;         ///< from the start of the current record
    int64_t textBase = 0;        ///< units of the whole text before text[0]
    size_t scanned = 0;          ///< the record is scanned up to here
    bool insideQuotes = false;   ///< parity of the quotes up to `scanned`
    int64_t records = 0;         ///< the header and every non-blank record taken
    CStringArray values;

    int64_t line = 1;            ///< line at text[lineAt]
    size_t lineAt = 0;
    char16_t previous = 0;       ///< the unit before text[lineAt]

    /// Line breaks in text[from, to), given the unit before `from`.
    int64_t Breaks(size_t from, size_t to, char16_t& before) const
    {
        if (from >= to)
            return 0;
        // A CR ends a line, and so does an LF that does not follow one; the
        // scan leaps from break to break.
        int64_t breaks = 0;
        for (size_t i = detail::FindFirstOf(text.data(), from, to, u'\r', u'\n', u'\n'); i < to;
             i = detail::FindFirstOf(text.data(), i + 1, to, u'\r', u'\n', u'\n'))
            if (text[i] == u'\r' || (i > from ? text[i - 1] : before) != u'\r')
                ++breaks;
        before = text[to - 1];
        return breaks;
    }
    int64_t LineAt(size_t pos)
    {
        line += Breaks(lineAt, pos, previous);
        lineAt = pos;
        return line;
    }

    void Decide(std::string_view bytes)
    {
        decided = true;
        result.utf16 = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                       static_cast<unsigned char>(bytes[1]) == 0xFE;
        if (!result.utf16)
            decoder = std::make_unique<Decoder>(codePage);
    }

    void DecodeAnsi(std::string_view bytes, bool last)
    {
        const size_t zero = bytes.find('\0');
        if (zero != std::string_view::npos) {
            result.nulOffset = bytesSeen + static_cast<int64_t>(zero);
            bytes = bytes.substr(0, zero);
            last = true;
            ended = true;
        }
        const bool hadBad = decoder->FirstBadByte() >= 0;
        decoder->Decode(bytes, last, text);
        if (!hadBad && decoder->FirstBadByte() >= 0) {
            result.badByteOffset = decoder->FirstBadByte();
            char16_t before = previous;
            result.badByteLine = line + Breaks(lineAt, static_cast<size_t>(decoder->FirstBadUnit() - textBase), before);
        }
    }

    /// Notes an unpaired surrogate at byte `at`, unit `unit` of the whole
    /// text: the store would keep it as U+FFFD.
    void NoteBadUnit(int64_t at, int64_t unit)
    {
        if (result.badByteOffset >= 0)
            return;
        result.badByteOffset = at;
        char16_t before = previous;
        result.badByteLine = line + Breaks(lineAt, static_cast<size_t>(unit - textBase), before);
    }

    void DecodeUtf16(std::string_view bytes, int64_t offset)
    {
        size_t i = 0;
        auto unitAt = [&](unsigned low, unsigned high, int64_t at) {
            const char16_t unit = static_cast<char16_t>(low | (high << 8));
            const bool trail = unit >= 0xDC00 && unit <= 0xDFFF;
            if (leadAt >= 0 && !trail)
                NoteBadUnit(leadAt, leadUnit);
            else if (leadAt < 0 && trail)
                NoteBadUnit(at, textBase + static_cast<int64_t>(text.size()));
            leadAt = -1;
            if (unit == 0) {
                result.nulOffset = at;
                ended = true;
                return;
            }
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                leadAt = at;
                leadUnit = textBase + static_cast<int64_t>(text.size());
            }
            text += unit;
        };
        if (oddByte >= 0 && !bytes.empty()) {
            unitAt(static_cast<unsigned>(oddByte), static_cast<unsigned char>(bytes[0]), offset - 1);
            oddByte = -1;
            i = 1;
        }
        for (; !ended && i + 1 < bytes.size(); i += 2)
            unitAt(static_cast<unsigned char>(bytes[i]), static_cast<unsigned char>(bytes[i + 1]),
                   offset + static_cast<int64_t>(i));
        if (!ended && i < bytes.size()) {
            oddByte = static_cast<unsigned char>(bytes[i]);
            oddByteAt = offset + static_cast<int64_t>(i);
        }
    }

    void Take(std::u16string_view record, size_t start)
    {
        const int64_t startLine = LineAt(start);
        if (records == 0) {
            result.separator = HeaderSeparator(record, semicolons);
            detail::SplitRecord(record, result.separator.str(), result.header);
            result.headerCells = static_cast<int64_t>(detail::CountCells(record, result.separator.str()));
            ++records;
            if (onRecord && recordsWanted)
                onRecord(result.header, startLine);
            return;
        }
        // The values themselves are made only for a host that wants them,
        // and only as many as the header has cells (the reader reads no
        // more: a row of millions of cells costs a count, not a string
        // each). The row's storage is reused from record to record (a host
        // reads the values during its call).
        const bool wanted = onRecord && recordsWanted;
        const int64_t cells = static_cast<int64_t>(
            wanted ? detail::SplitRecordInPlace(record, result.separator.str(), values,
                                                static_cast<size_t>(result.headerCells))
                   : detail::CountCells(record, result.separator.str()));
        if (cells == 0)
            return; // a blank line
        ++records;
        ++result.rows;
        if (cells > result.headerCells && result.longRows++ == 0)
            result.firstLongRowLine = startLine;
        if (cells < result.headerCells && result.shortRows++ == 0)
            result.firstShortRowLine = startLine;
        if (onRecord && recordsWanted)
            onRecord(values, startLine);
    }

    void Consume(std::string_view bytes)
    {
        if (!result.utf16)
            DecodeAnsi(bytes, false);
        else if (bytesSeen == 0)
            DecodeUtf16(bytes.substr(2), 2); // after the mark
        else
            DecodeUtf16(bytes, bytesSeen);
        bytesSeen += static_cast<int64_t>(bytes.size());
        Split(false);
    }

    /// Takes every record whose end is in the text; at the end of the file
    /// the rest too.
    void Split(bool final)
    {
        size_t start = 0;
        for (;;) {
            if (start >= text.size())
                break;
            const detail::RecordSpan span = detail::NextRecord(text, scanned, insideQuotes);
            const bool open = span.end == text.size();
            if (!final && (open || (text[span.end] == u'\r' && span.next == text.size()))) {
                // Wait for more text; keep where the scan stopped and the
                // parity there.
                const size_t stop = open ? text.size() : span.end;
                insideQuotes ^= std::count(text.begin() + static_cast<std::ptrdiff_t>(scanned),
                                           text.begin() + static_cast<std::ptrdiff_t>(stop), u'"') % 2 != 0;
                scanned = stop;
                break;
            }
            const std::u16string_view record = std::u16string_view(text).substr(start, span.end - start);
            if (open && (insideQuotes ^ (std::count(text.begin() + static_cast<std::ptrdiff_t>(scanned),
                                                    text.end(), u'"') % 2 != 0)))
                result.openQuoteLine = LineAt(start);
            Take(record, start);
            start = span.next;
            scanned = start;
            insideQuotes = false;
        }
        // Drop what has been taken.
        if (start > 0) {
            LineAt(start);
            text.erase(0, start);
            textBase += static_cast<int64_t>(start);
            scanned -= start;
            lineAt -= start;
        }
    }
};

CSVInspector::CSVInspector(unsigned codePage, bool semicolons) : m_impl(std::make_unique<Impl>())
{
    m_impl->codePage = codePage;
    m_impl->semicolons = semicolons;
}

CSVInspector::~CSVInspector() = default;

void CSVInspector::StopRecords() noexcept
{
    m_impl->recordsWanted = false;
}

void CSVInspector::OnRecord(std::function<void(CStringArray& values, int64_t line)> onRecord)
{
    m_impl->onRecord = std::move(onRecord);
}

void CSVInspector::Feed(std::string_view bytes)
{
    Impl& d = *m_impl;
    if (d.ended || bytes.empty())
        return;
    if (d.decided) {
        d.Consume(bytes);
        return;
    }
    // The first two bytes tell UTF-16 from ANSI.
    d.firstBytes.append(bytes);
    if (d.firstBytes.size() < 2)
        return;
    d.Decide(d.firstBytes);
    const std::string held = std::move(d.firstBytes);
    d.Consume(held);
}

const CString& CSVInspector::Separator() const
{
    return m_impl->result.separator;
}

const CSVInspection& CSVInspector::Finish()
{
    Impl& d = *m_impl;
    if (!d.decided) {
        d.Decide(d.firstBytes);
        d.Consume(d.firstBytes);
    }
    if (!d.result.utf16 && !d.ended)
        d.DecodeAnsi({}, true);
    if (d.leadAt >= 0)
        d.NoteBadUnit(d.leadAt, d.leadUnit); // a lead surrogate ends the text
    d.leadAt = -1;
    if (d.result.utf16 && !d.ended && d.oddByte >= 0)
        d.result.oddByteOffset = d.oddByteAt;
    d.Split(true);
    return d.result;
}

CSVInspection InspectCSV(std::string_view bytes, unsigned codePage, bool semicolons)
{
    CSVInspector inspector(codePage, semicolons);
    inspector.Feed(bytes);
    return inspector.Finish();
}

} // namespace varno
