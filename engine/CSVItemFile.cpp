// CCSVItem: whole-file reading and writing.
//
// Files are read and written whole. Output is always the ANSI code page with
// CR LF line ends and no byte-order mark. Input is UTF-16LE when the file
// starts with FF FE, otherwise the ANSI code page; the text ends at its first
// zero unit, and an odd last byte of a UTF-16 file is ignored.
#include "engine/CSVCodec_p.h"
#include "engine/CSVItem.h"
#include "platform/CFile.h"
#include "platform/CodePage.h"
#include "platform/Progress.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <string>

namespace {

bool HasUtf16Mark(std::string_view bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

std::u16string DecodeUtf16LE(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (unit == 0)
            break;
        text += unit;
    }
    return text;
}

std::u16string DecodeFile(std::string_view bytes)
{
    if (HasUtf16Mark(bytes))
        return DecodeUtf16LE(bytes.substr(2));
    return MultiByteToWideChar(CP_ACP, bytes.substr(0, std::min(bytes.find('\0'), bytes.size())));
}

// The leading part of a file's bytes that decodes to the same first record
// as the whole file: up to and including the first line break that stands
// outside quotes (or the whole file). Only the header is decoded, so reading
// the column names of a large file costs no more than reading its bytes.
// The scan works on code units: in the ANSI code pages we support a quote,
// CR or LF byte is never part of a longer character, and a line break ends
// any character sequence before it, so the prefix decodes as the start of
// the whole text does.
std::string_view HeaderBytes(std::string_view bytes)
{
    const bool utf16 = HasUtf16Mark(bytes);
    const size_t start = utf16 ? 2 : 0;
    const size_t step = utf16 ? 2 : 1;
    bool insideQuotes = false;
    for (size_t i = start; i + step <= bytes.size(); i += step) {
        unsigned unit = static_cast<unsigned char>(bytes[i]);
        if (utf16)
            unit |= static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (unit == 0)
            return bytes.substr(0, i);
        if (unit == '"')
            insideQuotes = !insideQuotes;
        else if ((unit == '\r' || unit == '\n') && !insideQuotes)
            return bytes.substr(0, i + step);
    }
    return bytes;
}

// Reads the whole file; false when it cannot be opened.
bool ReadWholeFile(const CString& path, std::string& bytes)
{
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite))
        return false;
    uint64_t length = file.GetLength();
    bytes.resize(static_cast<size_t>(length));
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    file.Close();
    return true;
}

// UTF-16 text is converted and written in pieces of this many units, so the
// bytes of a large export never stand in memory all at once.
constexpr size_t kWriteChunk = 1 << 18;

} // namespace

long CCSVItem::ExportFile(CString path)
{
    if (GetFieldCount() == 0 || m_nValueCount < 1)
        return -1;
    // Every record is built before the file is opened: a failure while
    // building leaves no partial file behind.
    std::u16string text = WriteLine(m_arrField).str();
    for (int i = 0; i < m_nValueCount; ++i)
        text += WriteLine(m_pValue[static_cast<size_t>(i)]).str();

    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite))
        return -1;
    // Every record ends with CR LF, so cutting after a line feed never splits
    // a character; the pieces convert exactly as the records would one by one.
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.size();
        if (text.size() - pos > kWriteChunk) {
            size_t lf = text.rfind(u'\n', pos + kWriteChunk);
            if (lf == std::u16string::npos || lf < pos)
                lf = text.find(u'\n', pos + kWriteChunk);
            if (lf != std::u16string::npos)
                end = lf + 1;
        }
        std::string bytes = WideCharToMultiByte(CP_ACP, std::u16string_view(text).substr(pos, end - pos));
        file.Write(bytes.data(), bytes.size());
        pos = end;
        varno::ReportProgress(varno::ProgressStage::Writing, static_cast<long long>(pos),
                              static_cast<long long>(text.size()));
    }
    file.Close();
    return m_nValueCount;
}

_en_CSVError CCSVItem::ImportFile(CString path, CStringList& /*fieldNames*/, CStringList& /*fileColumns*/)
{
    if (path.IsEmpty())
        return CSVERR_FAIL;
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
        return CSVERR_FILEOPEN;
    std::u16string text = DecodeFile(bytes);
    std::string().swap(bytes);
    return ReadTable(CString(std::move(text)));
}

_en_CSVError CCSVItem::ReadTable(const CString& whole)
{
    std::u16string_view text = whole.str();
    size_t pos = 0;
    int records = 0; // the header and every non-blank record taken
    CStringArray row;
    while (pos < text.size()) {
        varno::detail::RecordSpan span = varno::detail::NextRecord(text, pos);
        std::u16string_view record = text.substr(pos, span.end - pos);
        pos = span.next;
        if (records == 0)
            m_strSeparator = FindSeparator(CString(record));
        row.RemoveAll();
        varno::detail::SplitRecord(record, m_strSeparator.str(), row);
        if (records == 0) {
            AddField(row); // the first record is the header, even when empty
        } else if (row.IsEmpty()) {
            continue; // a blank line
        } else {
            // The capacity doubles whenever the records taken reach it. A
            // table that held rows before this file (a reused converter) has
            // more rows than records taken, so it must also grow as AddValue
            // would when full; otherwise the second import of one object
            // would end in bad_alloc below.
            if (records >= m_nBufferSize || m_nValueCount >= m_nBufferSize)
                SetBufferSize(m_nBufferSize > INT_MAX / 2 ? INT_MAX : 2 * m_nBufferSize);
            if (m_nValueCount >= m_nBufferSize)
                throw std::bad_alloc(); // more rows than an int counts
            m_pValue[static_cast<size_t>(m_nValueCount)] = std::move(row);
            row = CStringArray();
            ++m_nValueCount;
        }
        ++records;
        if (m_nValueCount % varno::kProgressEvery == 0 && records > 1)
            varno::ReportProgress(varno::ProgressStage::Reading, m_nValueCount, 0);
    }
    varno::ReportProgress(varno::ProgressStage::Reading, m_nValueCount, m_nValueCount);
    return records < 2 ? CSVERR_FAIL : CSVERR_SUCCESS;
}

CString CCSVItem::CheckCodePage(unsigned char* bytes)
{
    const char* text = reinterpret_cast<const char*>(bytes);
    if (bytes[0] == 0xFF && bytes[1] == 0xFE) {
        size_t units = 0;
        while (bytes[2 + 2 * units] != 0 || bytes[3 + 2 * units] != 0)
            ++units;
        return CString(DecodeUtf16LE(std::string_view(text + 2, 2 * units)));
    }
    return CString(MultiByteToWideChar(CP_ACP, std::string_view(text, std::strlen(text))));
}

_en_CSVError CCSVItem::GetField(CString path, CStringArray& fields)
{
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
        return CSVERR_FILEOPEN;
    std::u16string text = DecodeFile(HeaderBytes(bytes));
    varno::detail::RecordSpan span = varno::detail::NextRecord(text, 0);
    std::u16string_view header = std::u16string_view(text).substr(0, span.end);
    fields.RemoveAll();
    m_strSeparator = FindSeparator(CString(header));
    varno::detail::SplitRecord(header, m_strSeparator.str(), fields);
    return CSVERR_SUCCESS;
}
