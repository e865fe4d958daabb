// Memos, to-do items and calendar entries through a real store file.
#include "StoreTestSupport.h"

#include <functional>
#include <limits>
#include <optional>

using namespace storetest;

namespace {

class CalendarsTest : public TempStore {};

long Save(CCalendars& c, int profile) { return c.SaveToDB(profile, true); }
/// Every type the records below use, in the order they are added.
long LoadAllTypes(CCalendars& c, int profile)
{
    long count = 0;
    for (int type : {1, 2, 3, 200})
        count += c.OpenFromDB(profile, type, 1);
    return count;
}

CCalendar* Add(CCalendars& calendars, int type, const char* summary, int deletedMark = 0)
{
    CCalendar* record = calendars.AddNew();
    record->CalendarType = static_cast<unsigned char>(type);
    record->Summary = U8(summary);
    record->DeletedMark = deletedMark;
    return record;
}

std::vector<std::string> Summaries(const CCalendars& calendars)
{
    std::vector<std::string> out;
    for (int i = 0; i < calendars.GetCount(); ++i)
        out.push_back(calendars[i]->Summary.ToUtf8());
    return out;
}

TEST_F(CalendarsTest, RoundTripKeepsEveryFieldOfEveryType)
{
    CCalendars saved;
    CCalendar* entry = Add(saved, CALTYPE_SCHEDULE, "팀 회의 (주간)");
    entry->Description = Tricky();
    entry->Color = U8("#FF0000");
    entry->Location = U8("서울 본사 3층");
    entry->StartTime = Date(2024, 2, 29, 9, 30, 15);
    entry->EndTime = Date(2024, 2, 29, 10, 0, 0);
    entry->AllDay = 1;
    entry->Priority = 1;
    entry->SetAlarmDateTime(Date(2024, 2, 29, 9, 0, 0));

    CCalendar* todo = Add(saved, CALTYPE_TODO, "", 1);
    todo->StartTime = WithStatus(12.5, COleDateTime::invalid);
    todo->EndTime = WithStatus(3.0, COleDateTime::null); // a null date whose day is not 0
    todo->DueDate = WithStatus(std::numeric_limits<double>::quiet_NaN(), COleDateTime::invalid);
    todo->Completed = 6;
    todo->Priority = 3;
    todo->SetAlarmRunTime(1440);

    CCalendar* memo = Add(saved, CALTYPE_MEMO, "memo");
    memo->Description = U8("첫 줄\r\n둘째 줄\t탭; \"따옴표\"");
    memo->StartTime = Date(1850, 1, 1, 6, 0, 0); // a negative day count
    memo->Priority = -7;
    memo->Completed = 12345;

    CCalendar* odd = Add(saved, 200, "unknown type code");
    odd->StartTime = WithStatus(45000.123456789, COleDateTime::valid); // not on a whole second
    odd->EndTime = WithStatus(-0.75, COleDateTime::valid);

    ExpectRoundTrip(saved, Save, LoadAllTypes);
}

TEST_F(CalendarsTest, LoadsByProfileTypeAndDeletedMarkAndSavesOnlyWhatChanged)
{
    CCalendars first, second;
    Add(first, CALTYPE_MEMO, "memo 1");
    Add(first, CALTYPE_TODO, "todo 1");
    Add(first, CALTYPE_MEMO, "memo 2 deleted", 1);
    Add(first, CALTYPE_SCHEDULE, "entry 1");
    Add(first, CALTYPE_MEMO, "memo 3", 2);
    ASSERT_EQ(first.SaveToDB(1, true), 5);
    EXPECT_EQ(first.SaveToDB(1, true), 0) << "nothing changed";
    Add(second, CALTYPE_MEMO, "other profile");
    ASSERT_EQ(second.SaveToDB(2, false), 1);

    struct Case {
        int profile, type, includeDeleted;
        std::vector<std::string> summaries;
    };
    const Case cases[] = {
        {1, CALTYPE_MEMO, 1, {"memo 1", "memo 2 deleted", "memo 3"}},
        {1, CALTYPE_MEMO, 0, {"memo 1", "memo 3"}},
        {1, CALTYPE_TODO, 1, {"todo 1"}},
        {1, CALTYPE_SCHEDULE, 0, {"entry 1"}},
        {2, CALTYPE_MEMO, 1, {"other profile"}},
        {2, CALTYPE_TODO, 1, {}},
    };
    for (const Case& c : cases) {
        CCalendars loaded;
        EXPECT_EQ(loaded.OpenFromDB(c.profile, c.type, c.includeDeleted), static_cast<long>(c.summaries.size()));
        EXPECT_EQ(Summaries(loaded), c.summaries) << "profile " << c.profile << ", type " << c.type;
    }

    CCalendars memos;
    Add(memos, CALTYPE_MEMO, "new");
    ASSERT_EQ(memos.OpenFromDB(1, CALTYPE_MEMO, 1), 3) << "a load appends";
    const std::uint32_t idOf2 = memos[2]->CalendarId;
    memos[2]->DueDate = Date(2030, 1, 2, 3, 4, 5);
    ASSERT_TRUE(memos.Delete(1)); // from the collection only
    EXPECT_EQ(memos.SaveToDB(1, true), 2);
    EXPECT_EQ(memos[1]->CalendarId, idOf2) << "a changed record keeps its id";
    CCalendars reloaded;
    ASSERT_EQ(reloaded.OpenFromDB(1, CALTYPE_MEMO, 1), 4);
    EXPECT_EQ(Summaries(reloaded), (std::vector<std::string>{"memo 1", "memo 2 deleted", "memo 3", "new"}));
    EXPECT_EQ(Describe(*reloaded[1]), Describe(*memos[1]));
    EXPECT_EQ(reloaded.SaveToDB(2, true), 4) << "saving under another profile moves the records";
    CCalendars left;
    EXPECT_EQ(left.OpenFromDB(1, CALTYPE_MEMO, 1), 0);
}

TEST_F(CalendarsTest, AlarmSettersAndTheirRoundTrip)
{
    const COleDateTimeNull start = Date(2024, 5, 1, 10, 0, 0), at = Date(2024, 4, 30, 8, 0, 0);
    const COleDateTimeNull weekBefore = Date(2024, 4, 24, 10, 0, 0);
    struct Case {
        const char* name;
        std::function<bool(CCalendar&)> set;
        bool result;
        int type;
        std::optional<COleDateTime> rings;
    };
    const Case cases[] = {
        {"off", [](CCalendar& r) { return r.SetAlarmOff(); }, true, ALARM_OFF, std::nullopt},
        {"at the start", [](CCalendar& r) { return r.SetAlarmRunTime(0); }, true, ALARM_RUNTIME, start},
        {"a week before", [](CCalendar& r) { return r.SetAlarmRunTime(10080); }, true, ALARM_RUNTIME, weekBefore},
        {"lead without a start",
         [](CCalendar& r) { r.StartTime = COleDateTimeNull(); return r.SetAlarmRunTime(15); }, true, ALARM_RUNTIME,
         std::nullopt},
        {"negative lead changes nothing",
         [&](CCalendar& r) { return r.SetAlarmDateTime(at) && r.SetAlarmRunTime(-5); }, false, ALARM_DATETIME, at},
        {"instant", [&](CCalendar& r) { return r.SetAlarmDateTime(at); }, true, ALARM_DATETIME, at},
        {"null instant switches off", [&](CCalendar& r) { return r.SetAlarmDateTime(at) && r.SetAlarmDateTime({}); },
         false, ALARM_OFF, std::nullopt},
        {"invalid instant switches off",
         [](CCalendar& r) { return r.SetAlarmRunTime(5) && r.SetAlarmDateTime(WithStatus(1, COleDateTime::invalid)); },
         false, ALARM_OFF, std::nullopt},
    };
    CCalendars saved;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCalendar* record = Add(saved, CALTYPE_SCHEDULE, c.name);
        record->StartTime = start;
        EXPECT_EQ(c.set(*record), c.result);
        EXPECT_EQ(record->GetAlarmType(), c.type);
        COleDateTime rings(-1.0);
        EXPECT_EQ(record->GetAlarmDateTime(rings), c.rings.has_value());
        EXPECT_EQ(DateText(rings), DateText(c.rings.value_or(COleDateTime(-1.0))));
    }
    ExpectRoundTrip(saved, Save, LoadAllTypes);

    Sql(m_file, "UPDATE calendar SET alarm_type = -1 WHERE summary = 'instant'");
    CCalendars loaded;
    ASSERT_EQ(loaded.OpenFromDB(7, CALTYPE_SCHEDULE, 1), saved.GetCount());
    EXPECT_EQ(loaded[5]->GetAlarmType(), ALARM_DATETIME_ALL_BITS);
    COleDateTime rings;
    EXPECT_TRUE(loaded[5]->GetAlarmDateTime(rings)) << "all bits set is read as an alarm at an instant";
    EXPECT_EQ(DateText(rings), DateText(at));
    EXPECT_EQ(loaded.SaveToDB(7, true), 0) << "and kept as stored";
}

} // namespace
