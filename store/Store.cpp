// Store path and the conversions of Store.h. Local time is the C library's:
// mktime and localtime_r after tzset, so a change of TZ takes effect at once.
#include "store/Store.h"

#include "store/Database_p.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex g_pathMutex;
CString g_storePath; // empty: the default path

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return ".";
}

std::tm ToTm(const COleDateTime::Fields& f)
{
    std::tm tm{};
    tm.tm_year = f.year - 1900;
    tm.tm_mon = f.month - 1;
    tm.tm_mday = f.day;
    tm.tm_hour = f.hour;
    tm.tm_min = f.minute;
    tm.tm_sec = f.second;
    return tm;
}

COleDateTime FromTm(const std::tm& tm)
{
    // A leap second of a "right/" zone is folded into the second before it.
    return COleDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                        tm.tm_sec > 59 ? 59 : tm.tm_sec);
}

COleDateTime Unconvertible(COleDateTime value)
{
    value.SetStatus(COleDateTime::invalid);
    return value;
}

} // namespace

void SetStorePath(const CString& path)
{
    std::lock_guard lock(g_pathMutex);
    g_storePath = path;
}

CString GetStorePath()
{
    {
        std::lock_guard lock(g_pathMutex);
        if (!g_storePath.IsEmpty())
            return g_storePath;
    }
    // XDG says a relative XDG_DATA_HOME is invalid and must be ignored.
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        base = xdg;
    else
        base = HomeFolder() + "/.local/share";
    return CString::FromUtf8(base + "/varno/store.db");
}

std::string varno::store::StorePathForOpening()
{
    {
        std::lock_guard lock(g_pathMutex);
        if (!g_storePath.IsEmpty())
            return g_storePath.ToUtf8();
    }
    std::string path = GetStorePath().ToUtf8();
    // A folder that cannot be made shows up as a store that cannot be opened.
    (void)CreatePrivateFolders(std::filesystem::path(path).parent_path().string());
    return path;
}

bool CreatePrivateFolders(const std::string& folder)
{
    // Each missing folder from the top down, so that each is made by this
    // call and gets its mode here; mkdir's mode is cut by the umask.
    std::filesystem::path made;
    for (const std::filesystem::path& part : std::filesystem::path(folder)) {
        made /= part;
        if (::mkdir(made.c_str(), S_IRWXU) == 0) {
            if (::chmod(made.c_str(), S_IRWXU) != 0)
                return false;
        } else if (errno != EEXIST) {
            return false;
        }
    }
    struct stat st {};
    if (folder.empty() || (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
        return true;
    errno = ENOTDIR; // a file of that name stands in the way
    return false;
}

StoreFailure GetLastStoreFailure()
{
    return varno::store::LastFailure();
}

COleDateTime Local2Utc(COleDateTime local)
{
    auto fields = local.GetFields();
    if (!fields)
        return local;
    std::tm tm = ToTm(*fields);
    tm.tm_isdst = -1; // let the zone's rules decide whether summer time applies
    tzset();          // TZ may have changed since the last call
    errno = 0;
    std::time_t t = std::mktime(&tm);
    // -1 is also one second before 1970 in UTC; only errno tells them apart.
    if (t == static_cast<std::time_t>(-1) && errno != 0)
        return Unconvertible(local);
    std::tm utc{};
    if (!gmtime_r(&t, &utc))
        return Unconvertible(local);
    return FromTm(utc);
}

COleDateTime Utc2Local(COleDateTime utc)
{
    auto fields = utc.GetFields();
    if (!fields)
        return utc;
    std::tm tm = ToTm(*fields);
    std::time_t t = timegm(&tm);
    // localtime_r need not read TZ again by itself (glibc's does not).
    tzset();
    std::tm local{};
    if (!localtime_r(&t, &local))
        return Unconvertible(utc);
    return FromTm(local);
}

unsigned long ConvertPriority_Calendar2DB(int priority)
{
    switch (priority) {
    case 1:
        return 1;
    case 2:
        return 5;
    case 3:
        return 9;
    default:
        return 0;
    }
}

int ConvertPriority_DB2Calendar(unsigned long priority)
{
    if (priority == 0 || priority > 9)
        return 0;
    if (priority <= 4)
        return 1;
    return priority == 5 ? 2 : 3;
}
