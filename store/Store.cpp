// Store path and the conversions of Store.h. Local time is the C library's:
// mktime and localtime_r after tzset, so a change of TZ takes effect at once.
#include "store/Store.h"

#include "store/Database_p.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
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

/// Seconds since 1970 of a broken-down time read as UTC, by arithmetic
/// (timegm goes through the zone machinery).
std::int64_t SecondsAsUtc(const std::tm& tm)
{
    return varno::SecondsFromCivil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

/// The instant whose local time is `tm`, when the zone shows that time
/// once or twice; when twice (the hour a clock change repeats), the later
/// one, standard time after the clock was put back. mktime would pick by
/// the offset of the conversion before it, so that the same cell could be
/// stored as two instants. Nothing for a time the zone skips, or in a zone
/// whose times are not its offsets from UTC ("right/" zones count leap
/// seconds).
std::optional<std::time_t> LatestInstantOf(const std::tm& tm)
{
    const std::int64_t wall = SecondsAsUtc(tm);
    // The instant lies within a day of the time read as UTC, and so does
    // any clock change that makes the time shown twice or skips it.
    std::tm before{}, after{};
    const auto dayBefore = static_cast<std::time_t>(wall - 86400), dayAfter = static_cast<std::time_t>(wall + 86400);
    if (!localtime_r(&dayBefore, &before) || !localtime_r(&dayAfter, &after))
        return std::nullopt;
    // The same offset a day before and after, and times that are that
    // offset from UTC: no change in between (two that undo each other
    // within two days would pass for none; no zone has had them).
    if (before.tm_gmtoff == after.tm_gmtoff && SecondsAsUtc(after) == wall + 86400 + after.tm_gmtoff)
        return static_cast<std::time_t>(wall - after.tm_gmtoff);
    std::optional<std::time_t> latest;
    for (const long offset : {before.tm_gmtoff, after.tm_gmtoff}) {
        const auto t = static_cast<std::time_t>(wall - offset);
        std::tm shown{};
        if (localtime_r(&t, &shown) && shown.tm_year == tm.tm_year && shown.tm_mon == tm.tm_mon &&
            shown.tm_mday == tm.tm_mday && shown.tm_hour == tm.tm_hour && shown.tm_min == tm.tm_min &&
            shown.tm_sec == tm.tm_sec && (!latest || t > *latest))
            latest = t;
    }
    return latest;
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
    tzset(); // TZ may have changed since the last call
    if (const std::optional<std::time_t> t = LatestInstantOf(tm)) {
        std::tm utc{};
        if (!gmtime_r(&*t, &utc))
            return Unconvertible(local);
        return FromTm(utc);
    }
    // A time the clock change skips, or a zone counting leap seconds:
    // mktime places it.
    tm.tm_isdst = -1; // let the zone's rules decide whether summer time applies
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
