// The record-type registry. Each entry holds everything varnocsv knows about
// one type; the field names are the ones its converter reads on import.
#include "cli/Types.h"

#include "store/Calendars.h"
#include "store/Contacts.h"
#include "store/Messages.h"
#include "store/MsgEmails.h"

#include <charconv>

namespace varno::cli {

namespace {

long ProbeCalendars(int profile, int calendarType)
{
    CCalendars records;
    return records.OpenFromDB(profile, calendarType, 1);
}

Listing ListMemos(int profile)
{
    Listing listing;
    CCalendars records;
    listing.loadResult = records.OpenFromDB(profile, CALTYPE_MEMO, 1);
    for (int i = 0; listing.loadResult >= 0 && i < records.GetCount(); ++i) {
        const CCalendar& memo = *records.GetAt(i);
        listing.records.push_back({
            {"id", memo.CalendarId},
            {"memo", memo.Description.ToUtf8()},
            {"color", memo.Color.ToUtf8()},
            {"deleted", memo.DeletedMark == 1},
        });
    }
    return listing;
}

std::vector<RecordType> MakeRecordTypes()
{
    std::vector<RecordType> types;
    types.push_back({
        .name = "contact",
        .code = 1,
        .singular = "contact",
        .plural = "contacts",
        .supported = false,
        .fields = {u"FIRST_NAME", u"LAST_NAME", u"JOB_TITLE", u"DEPARTMENT", u"COMPANY",
                   u"TEL_WORK1", u"TEL_WORK2", u"TEL_HOME1", u"TEL_HOME2", u"TEL_MOBILE1",
                   u"TEL_MOBILE2", u"TEL_FAX1", u"TEL_FAX2", u"TEL_OTHER1", u"TEL_OTHER2",
                   u"EMAIL_HOME", u"EMAIL_WORK", u"EMAIL_OTHER", u"URL_WORK", u"URL_HOME",
                   u"URL_OTHER", u"BIRTHDAY", u"ANNIVERSARY", u"ADR_WORK_STREET", u"ADR_WORK_COUNTRY",
                   u"ADR_WORK_CITY", u"ADR_WORK_STATE", u"ADR_WORK_ZIP", u"ADR_HOME_STREET",
                   u"ADR_HOME_COUNTRY", u"ADR_HOME_CITY", u"ADR_HOME_STATE", u"ADR_HOME_ZIP",
                   u"ADR_OTHER_STREET", u"ADR_OTHER_COUNTRY", u"ADR_OTHER_CITY", u"ADR_OTHER_STATE",
                   u"ADR_OTHER_ZIP", u"NOTE", u"GROUP_NAME"},
        .aliases = {},
        .layouts = {},
        .probeStore = [](int profile) {
            CContacts records;
            return records.OpenFromDB(profile, 0);
        },
        .list = nullptr,
    });
    types.push_back({
        .name = "calendar",
        .code = 2,
        .singular = "calendar entry",
        .plural = "calendar entries",
        .supported = false,
        .fields = {u"summary", u"start_time", u"end_time", u"allday", u"alarm_runtime", u"description",
                   u"location"},
        .aliases = {},
        // The converter reads a date's time from the column after it, so
        // "start_time" goes to the start-date column of these layouts.
        .layouts = {{"the Korean schedule-list layout",
                     {u"날 짜", u"일정 시작일", u"일정 시작시간"},
                     {{u"start_time", u"일정 시작일"}}},
                    {"the Korean calendar layout",
                     {u"제목", u"시작 날짜", u"시작 시간"},
                     {{u"summary", u"제목"}, {u"start_time", u"시작 날짜"}}},
                    {"the English calendar layout",
                     {u"Subject", u"Start Date", u"Start Time"},
                     {{u"summary", u"Subject"}, {u"start_time", u"Start Date"}}}},
        .probeStore = [](int profile) { return ProbeCalendars(profile, CALTYPE_SCHEDULE); },
        .list = nullptr,
    });
    types.push_back({
        .name = "todo",
        .code = 3,
        .singular = "to-do item",
        .plural = "to-do items",
        .supported = false,
        .fields = {u"summary", u"start_time", u"due_date", u"description", u"completed", u"priority"},
        // Export writes the start date under "start_date"; import reads it
        // only as the field "start_time".
        .aliases = {{u"start_time", u"start_date"}},
        .layouts = {{"the Korean to-do layout",
                     {u"제목", u"시작 날짜", u"기한"},
                     {{u"summary", u"제목"}, {u"start_time", u"시작 날짜"}, {u"due_date", u"기한"}}}},
        .probeStore = [](int profile) { return ProbeCalendars(profile, CALTYPE_TODO); },
        .list = nullptr,
    });
    types.push_back({
        .name = "memo",
        .code = 4,
        .singular = "memo",
        .plural = "memos",
        .supported = true,
        .fields = {u"memo", u"color"},
        .aliases = {},
        .layouts = {},
        .probeStore = [](int profile) { return ProbeCalendars(profile, CALTYPE_MEMO); },
        .list = ListMemos,
    });
    types.push_back({
        .name = "message",
        .code = 5,
        .singular = "message",
        .plural = "messages",
        .supported = false,
        .fields = {u"mailbox", u"time", u"content", u"sender", u"receiver"},
        .aliases = {},
        .layouts = {},
        .probeStore = [](int profile) {
            CMessages records;
            return records.OpenFromDB(profile);
        },
        .list = nullptr,
    });
    types.push_back({
        .name = "email",
        .code = 6,
        .singular = "e-mail",
        .plural = "e-mails",
        .supported = false,
        .fields = {u"title", u"content", u"sender", u"receiver", u"cc", u"bcc", u"time"},
        .aliases = {},
        .layouts = {},
        .probeStore = [](int profile) {
            CMsgEmails records;
            return records.OpenFromDB(profile);
        },
        .list = nullptr,
    });
    return types;
}

} // namespace

std::string RecordType::Counted(long n) const
{
    return std::to_string(n) + " " + std::string(n == 1 ? singular : plural);
}

const std::vector<RecordType>& RecordTypes()
{
    static const std::vector<RecordType> types = MakeRecordTypes();
    return types;
}

const RecordType* FindRecordType(std::string_view word)
{
    unsigned long code = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), code);
    const bool isCode = !word.empty() && error == std::errc() && end == word.data() + word.size();
    for (const RecordType& type : RecordTypes())
        if (word == type.name || (isCode && code == type.code))
            return &type;
    return nullptr;
}

} // namespace varno::cli
