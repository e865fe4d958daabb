// Standard output and standard error in the terminal's character set, with
// every write checked.
#pragma once

#include <string>
#include <string_view>

namespace varno::cli {

/// The character set of the user's locale as a code page: 949 for an
/// EUC-KR/CP949 locale, 1252 for ISO-8859-1/CP1252, else 65001 (UTF-8, and
/// plain ASCII). Read with setlocale and nl_langinfo(CODESET) (the C
/// library's locale is set back to "C" afterwards, so that the library's
/// number reading is not changed), or from the locale's name when the
/// system does not have that locale.
[[nodiscard]] unsigned TerminalCodePage();

/// Text in UTF-8 as the terminal's code page wants it, and back.
[[nodiscard]] std::string ToTerminal(std::string_view utf8, unsigned codePage);
[[nodiscard]] std::string FromTerminal(std::string_view bytes, unsigned codePage);

/// A file descriptor written through a buffer. The first failed write is
/// kept: later writes are dropped and Flush reports it.
class Output {
public:
    /// `codePage`: the terminal's; `buffered` false writes at once.
    Output(int fd, unsigned codePage, bool buffered);
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    /// Text in UTF-8, converted to the terminal's code page.
    Output& operator<<(std::string_view utf8);
    Output& operator<<(long long number);
    /// Bytes written unchanged (a CSV file's).
    void WriteBytes(std::string_view bytes);
    /// Writes what is buffered; false (with the errno in Error) when any
    /// write failed.
    bool Flush();
    [[nodiscard]] int Error() const { return m_error; }
    [[nodiscard]] bool Written() const { return m_written; }

private:
    void Put(std::string_view bytes);

    int m_fd;
    unsigned m_codePage;
    bool m_buffered;
    bool m_written = false; ///< anything was written
    int m_error = 0;
    std::string m_buffer;
};

} // namespace varno::cli
