#include "platform/Locale.h"

#include <cstdlib>
#include <mutex>
#include <optional>

namespace {

std::mutex g_mutex;
std::optional<std::string> g_locale;

std::string Normalise(std::string name)
{
    name = name.substr(0, name.find_first_of(".@"));
    for (char& c : name)
        if (c == '-')
            c = '_';
    if (name.empty() || name == "C" || name == "POSIX")
        return "en_US";
    return name;
}

std::string FromEnvironment()
{
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"})
        if (const char* value = std::getenv(variable); value && *value)
            return Normalise(value);
    return "en_US";
}

} // namespace

namespace varno {

std::string GetUserLocale()
{
    std::lock_guard lock(g_mutex);
    if (!g_locale)
        g_locale = FromEnvironment();
    return *g_locale;
}

void SetUserLocale(const std::string& name)
{
    std::lock_guard lock(g_mutex);
    g_locale = name.empty() ? FromEnvironment() : Normalise(name);
}

} // namespace varno
