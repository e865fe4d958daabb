#include "cli/Output.h"

#include "platform/CString.h"
#include "platform/CodePage.h"

#include <langinfo.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstdlib>

namespace varno::cli {

namespace {

/// The codeset a locale name names ("ko_KR.EUC-KR@x" gives "EUC-KR").
std::string CodesetOfName(const char* locale)
{
    std::string name(locale);
    const size_t dot = name.find('.');
    if (dot == std::string::npos)
        return {};
    return name.substr(dot + 1, name.find('@', dot) - dot - 1);
}

} // namespace

unsigned TerminalCodePage()
{
    if (std::setlocale(LC_CTYPE, "")) {
        const unsigned codePage = CodePageOfCodeset(nl_langinfo(CODESET));
        std::setlocale(LC_ALL, "C");
        return codePage;
    }
    std::setlocale(LC_ALL, "C");
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"})
        if (const char* value = std::getenv(variable); value && *value)
            return CodePageOfCodeset(CodesetOfName(value));
    return CP_UTF8;
}

std::string ToTerminal(std::string_view utf8, unsigned codePage)
{
    if (codePage == CP_UTF8)
        return std::string(utf8);
    return WideCharToMultiByte(codePage, CString::FromUtf8(utf8).str());
}

std::string FromTerminal(std::string_view bytes, unsigned codePage)
{
    if (codePage == CP_UTF8)
        return std::string(bytes);
    return CString(MultiByteToWideChar(codePage, bytes)).ToUtf8();
}

Output::Output(int fd, unsigned codePage, bool buffered) : m_fd(fd), m_codePage(codePage), m_buffered(buffered) {}

Output::~Output()
{
    Flush();
}

Output& Output::operator<<(std::string_view utf8)
{
    Put(ToTerminal(utf8, m_codePage));
    return *this;
}

Output& Output::operator<<(long long number)
{
    Put(std::to_string(number));
    return *this;
}

void Output::WriteBytes(std::string_view bytes)
{
    Put(bytes);
}

void Output::Put(std::string_view bytes)
{
    m_written = m_written || !bytes.empty();
    m_buffer += bytes;
    if (!m_buffered || m_buffer.size() >= (1 << 16))
        Flush();
}

bool Output::Flush()
{
    size_t done = 0;
    while (m_error == 0 && done < m_buffer.size()) {
        const ssize_t n = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<size_t>(n);
    }
    m_buffer.clear();
    return m_error == 0;
}

} // namespace varno::cli
