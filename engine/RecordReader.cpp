#include "engine/RecordReader_p.h"

#include <cstring>

namespace varno::detail {

namespace {

// Large enough that reading costs few system calls, small enough that a
// piece and its text stay well below the size of the files people import.
constexpr size_t kPieceBytes = 1 << 18;

} // namespace

bool RecordReader::Open(const CString& path)
{
    return m_file.Open(path, CFile::modeRead | CFile::shareDenyWrite);
}

bool RecordReader::Fill()
{
    if (m_textEnded)
        return false;
    m_bytes.resize(kPieceBytes);
    m_bytes.resize(m_file.Read(m_bytes.data(), m_bytes.size()));
    const bool endOfFile = m_bytes.size() < kPieceBytes;
    std::string_view bytes(m_bytes);
    if (!m_started) {
        m_started = true;
        m_utf16 = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                  static_cast<unsigned char>(bytes[1]) == 0xFE;
        if (m_utf16)
            bytes.remove_prefix(2);
        else
            m_decoder = std::make_unique<Decoder>(CP_ACP);
    }
    if (m_utf16) {
        m_text.reserve(m_text.size() + bytes.size() / 2 + 1);
        for (unsigned char byte : bytes) {
            if (m_oddByte < 0) {
                m_oddByte = byte;
                continue;
            }
            const char16_t unit = static_cast<char16_t>(m_oddByte | (byte << 8));
            m_oddByte = -1;
            if (unit == 0) {
                m_textEnded = true;
                return true;
            }
            m_text += unit;
        }
        // An odd last byte of the file is not part of the text.
        m_textEnded = endOfFile;
        return true;
    }
    const size_t zero = bytes.find('\0');
    if (zero != std::string_view::npos) {
        m_decoder->Decode(bytes.substr(0, zero), true, m_text);
        m_textEnded = true;
        return true;
    }
    m_decoder->Decode(bytes, endOfFile, m_text);
    m_textEnded = endOfFile;
    return true;
}

std::optional<std::u16string_view> RecordReader::Next()
{
    for (;;) {
        // A record ends at the first CR LF, lone CR or lone LF met while the
        // number of quotes seen in it is even; inside quotes a line break
        // belongs to the record. A CR at the end of what is decoded so far
        // needs the next character to tell CR LF from a lone CR.
        const char16_t* text = m_text.data();
        const size_t n = m_text.size();
        bool inside = m_insideQuotes;
        size_t i = m_scan;
        for (; i < n; ++i) {
            const char16_t c = text[i];
            if (c > u'"')
                continue; // the common case: nothing to look at
            if (c == u'"') {
                inside = !inside;
            } else if (!inside && (c == u'\n' || c == u'\r')) {
                size_t next = i + 1;
                if (c == u'\r') {
                    if (i + 1 == n && !m_textEnded)
                        break; // wait for the character after the CR
                    if (i + 1 < n && text[i + 1] == u'\n')
                        next = i + 2;
                }
                const std::u16string_view record(text + m_pos, i - m_pos);
                m_pos = m_scan = next;
                m_insideQuotes = false;
                return record;
            }
        }
        m_insideQuotes = inside;
        m_scan = i;
        if (m_textEnded && m_scan == n) {
            if (m_pos >= n)
                return std::nullopt;
            const std::u16string_view record(m_text.data() + m_pos, n - m_pos);
            m_pos = m_scan = n;
            return record;
        }
        // Keep only the unfinished record, then read on. A record longer
        // than a piece stays at the front and is not moved again.
        if (m_pos > 0) {
            m_text.erase(0, m_pos);
            m_scan -= m_pos;
            m_pos = 0;
        }
        Fill();
    }
}

} // namespace varno::detail
