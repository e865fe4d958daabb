// Test helpers: a temporary directory removed afterwards, guards that fix the
// ANSI code page, the user's locale, the clock, an environment variable or the
// time zone and restore them, and UTF-8 shorthands for expectations.
#pragma once

#include "platform/COleDateTime.h"
#include "platform/CString.h"
#include "platform/CStringArray.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"
#include "tests/support/Cells.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>

namespace varno::test {

inline CString U8(std::string_view utf8) { return CString::FromUtf8(utf8); }

/// UTF-16LE bytes of `text`, by default after the FF FE mark.
inline std::string Utf16LE(std::u16string_view text, bool mark = true)
{
    std::string bytes = mark ? "\xFF\xFE" : "";
    for (char16_t c : text)
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

/// UTF-16BE bytes of `text`, by default after the FE FF mark.
inline std::string Utf16BE(std::u16string_view text, bool mark = true)
{
    std::string bytes = mark ? "\xFE\xFF" : "";
    for (char16_t c : text)
        bytes += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
    return bytes;
}

class CodePageGuard {
public:
    explicit CodePageGuard(unsigned codePage) : m_saved(GetACP()) { EXPECT_TRUE(SetACP(codePage)); }
    ~CodePageGuard() { SetACP(m_saved); }
    CodePageGuard(const CodePageGuard&) = delete;
    CodePageGuard& operator=(const CodePageGuard&) = delete;

private:
    unsigned m_saved;
};

/// Fixes the user's locale (what ParseDateTime reads dates in).
class UserLocaleGuard {
public:
    explicit UserLocaleGuard(const std::string& name) : m_saved(GetUserLocale()) { SetUserLocale(name); }
    ~UserLocaleGuard() { SetUserLocale(m_saved); }
    UserLocaleGuard(const UserLocaleGuard&) = delete;
    UserLocaleGuard& operator=(const UserLocaleGuard&) = delete;

private:
    std::string m_saved;
};

/// Fixes what COleDateTime::GetCurrentTime reports to a UTC instant; the
/// real clock comes back afterwards.
class FixedNowGuard {
public:
    explicit FixedNowGuard(std::time_t utcSeconds) { COleDateTime::SetFixedNow(utcSeconds); }
    ~FixedNowGuard() { COleDateTime::SetFixedNow(std::nullopt); }
    FixedNowGuard(const FixedNowGuard&) = delete;
    FixedNowGuard& operator=(const FixedNowGuard&) = delete;
};

/// Sets (nullopt: unsets) an environment variable for the guard's lifetime.
class EnvGuard {
public:
    EnvGuard(const char* name, std::optional<std::string> value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_saved = old;
        Set(value);
    }
    ~EnvGuard() { Set(m_saved); }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    void Set(const std::optional<std::string>& value)
    {
        value ? setenv(m_name.c_str(), value->c_str(), 1) : unsetenv(m_name.c_str());
    }
    std::string m_name;
    std::optional<std::string> m_saved;
};

/// Fixes the time zone (a POSIX TZ string).
class TimeZoneGuard {
public:
    explicit TimeZoneGuard(const char* tz) : m_env("TZ", std::string(tz)) { tzset(); }

private:
    struct Retzset {
        ~Retzset() { tzset(); }
    } m_retzset; // destroyed after m_env has put TZ back
    EnvGuard m_env;
};

/// The bytes of a file ("" when it cannot be read).
inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// The names of the entries of a folder, sorted.
inline std::set<std::string> FileNames(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

/// The lines of a text, without their line breaks.
inline std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

/// A fresh directory under the system's temp directory, removed with all
/// it holds when the test ends.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "varno-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    CString PathOf(std::string_view name) const { return U8((m_dir / name).string()); }
    std::string Path(std::string_view name) const { return (m_dir / name).string(); }
    void WriteBytes(std::string_view name, std::string_view bytes) const
    {
        std::ofstream(m_dir / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string ReadBytes(std::string_view name) const { return ReadFile(m_dir / name); }
    bool Exists(std::string_view name) const { return std::filesystem::exists(m_dir / name); }

    std::filesystem::path m_dir;
};

} // namespace varno::test
