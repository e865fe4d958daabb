// Memos, to-do items and calendar entries through a real store file.
#include "store/Calendars.h"

#include "StoreTestSupport.h"

#include <functional>
#include <limits>
#include <vector>

using namespace storetest;

namespace {

class CalendarsTest : public TempStore {};

void ExpectSameAlarm(const CCalendar& expected, const CCalendar& actual)
{
    EXPECT_EQ(expected.GetAlarmType(), actual.GetAlarmType());
    EXPECT_EQ(expected.GetAlarmRunTime(), actual.GetAlarmRunTime());
    COleDateTime expectedRing(-1.0), actualRing(-1.0);
    EXPECT_EQ(expected.GetAlarmDateTime(expectedRing), actual.GetAlarmDateTime(actualRing));
    EXPECT_TRUE(SameDate(expectedRing, actualRing));
}

void ExpectSameCalendar(const CCalendar& expected, const CCalendar& actual)
{
    EXPECT_EQ(expected.CalendarId, actual.CalendarId);
    EXPECT_EQ(expected.CalendarType, actual.CalendarType);
    EXPECT_EQ(expected.DeletedMark, actual.DeletedMark);
    EXPECT_EQ(expected.Summary.ToUtf8(), actual.Summary.ToUtf8());
    EXPECT_EQ(expected.Description.ToUtf8(), actual.Description.ToUtf8());
    EXPECT_EQ(expected.Color.ToUtf8(), actual.Color.ToUtf8());
    EXPECT_EQ(expected.Location.ToUtf8(), actual.Location.ToUtf8());
    EXPECT_TRUE(SameDate(expected.StartTime, actual.StartTime));
    EXPECT_TRUE(SameDate(expected.EndTime, actual.EndTime));
    EXPECT_TRUE(SameDate(expected.DueDate, actual.DueDate));
    EXPECT_EQ(expected.AllDay, actual.AllDay);
    EXPECT_EQ(expected.Completed, actual.Completed);
    EXPECT_EQ(expected.Priority, actual.Priority);
    ExpectSameAlarm(expected, actual);
}

CCalendar* AddRecord(CCalendars& calendars, unsigned char type, const char* summary, int deletedMark = 0)
{
    CCalendar* record = calendars.AddNew();
    record->CalendarType = type;
    record->Summary = U(summary);
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

TEST_F(CalendarsTest, ANewRecordIsEmptyWithNullDatesAndNoAlarm)
{
    CCalendars calendars;
    const CCalendar* record = calendars.AddNew();
    EXPECT_EQ(record->CalendarType, 0);
    EXPECT_EQ(record->DeletedMark, 0);
    for (const CString* text : {&record->Summary, &record->Description, &record->Color, &record->Location})
        EXPECT_TRUE(text->IsEmpty());
    for (const COleDateTimeNull* date : {&record->StartTime, &record->EndTime, &record->DueDate})
        EXPECT_TRUE(date->IsNull());
    EXPECT_EQ(record->AllDay + record->Completed + record->Priority, 0);
    EXPECT_EQ(record->GetAlarmType(), ALARM_OFF);
}

TEST_F(CalendarsTest, RoundTripKeepsEveryFieldOfEveryType)
{
    CCalendars saved;
    CCalendar* entry = AddRecord(saved, CALTYPE_SCHEDULE, "팀 회의 (주간)");
    entry->Description = Tricky();
    entry->Color = U("#FF0000");
    entry->Location = U("서울 본사 3층");
    entry->StartTime = Date(2024, 2, 29, 9, 30, 15);
    entry->EndTime = Date(2024, 2, 29, 10, 0, 0);
    entry->AllDay = 1;
    entry->Priority = 1;
    entry->SetAlarmDateTime(Date(2024, 2, 29, 9, 0, 0));

    CCalendar* todo = AddRecord(saved, CALTYPE_TODO, "");
    todo->StartTime = WithStatus(12.5, COleDateTime::invalid);
    todo->EndTime = WithStatus(3.0, COleDateTime::null); // a null date whose day is not 0
    todo->DueDate = WithStatus(std::numeric_limits<double>::quiet_NaN(), COleDateTime::invalid);
    todo->Completed = 6;
    todo->Priority = 3;
    todo->DeletedMark = 1;
    todo->SetAlarmRunTime(1440);

    CCalendar* memo = AddRecord(saved, CALTYPE_MEMO, "memo");
    memo->Description = U("첫 줄\r\n둘째 줄\t탭; \"따옴표\"");
    memo->StartTime = Date(1850, 1, 1, 6, 0, 0); // before the epoch: a negative day count
    memo->Priority = -7;
    memo->Completed = 12345;

    CCalendar* odd = AddRecord(saved, 200, "unknown type code");
    odd->StartTime = WithStatus(45000.123456789, COleDateTime::valid); // not on a whole second
    odd->EndTime = WithStatus(-0.75, COleDateTime::valid);

    ASSERT_EQ(saved.SaveToDB(7, true), 4);
    std::uint32_t previous = 0;
    for (int i = 0; i < saved.GetCount(); ++i) {
        EXPECT_GT(saved[i]->CalendarId, previous) << "ids are database keys, given in order";
        EXPECT_LT(saved[i]->CalendarId, 0x80000000u);
        previous = saved[i]->CalendarId;
    }

    for (int i = 0; i < saved.GetCount(); ++i) {
        CCalendars loaded;
        ASSERT_EQ(loaded.OpenFromDB(7, saved[i]->CalendarType, 1), 1);
        ExpectSameCalendar(*saved[i], *loaded[0]);
    }
}

TEST_F(CalendarsTest, LoadsOnlyTheRequestedProfileAndType)
{
    CCalendars first;
    AddRecord(first, CALTYPE_MEMO, "memo 1");
    AddRecord(first, CALTYPE_TODO, "todo 1");
    AddRecord(first, CALTYPE_MEMO, "memo 2 deleted", 1);
    AddRecord(first, CALTYPE_SCHEDULE, "entry 1");
    AddRecord(first, CALTYPE_MEMO, "memo 3");
    ASSERT_EQ(first.SaveToDB(1, true), 5);
    CCalendars second;
    AddRecord(second, CALTYPE_MEMO, "other profile");
    ASSERT_EQ(second.SaveToDB(2, false), 1);

    struct Case {
        int profile, type, includeDeleted;
        std::vector<std::string> summaries;
    };
    const Case cases[] = {
        {1, CALTYPE_MEMO, 1, {"memo 1", "memo 2 deleted", "memo 3"}},
        {1, CALTYPE_MEMO, 0, {"memo 1", "memo 3"}},
        {1, CALTYPE_TODO, 1, {"todo 1"}},
        {1, CALTYPE_SCHEDULE, 1, {"entry 1"}},
        {2, CALTYPE_MEMO, 1, {"other profile"}},
        {2, CALTYPE_TODO, 1, {}},
        {3, CALTYPE_MEMO, 1, {}},
    };
    for (const Case& c : cases) {
        CCalendars loaded;
        EXPECT_EQ(loaded.OpenFromDB(c.profile, c.type, c.includeDeleted), static_cast<long>(c.summaries.size()));
        EXPECT_EQ(Summaries(loaded), c.summaries) << "profile " << c.profile << ", type " << c.type;
    }
}

TEST_F(CalendarsTest, OpenFromDBAppends)
{
    CCalendars saved;
    AddRecord(saved, CALTYPE_MEMO, "stored");
    ASSERT_EQ(saved.SaveToDB(1, true), 1);

    CCalendars calendars;
    AddRecord(calendars, CALTYPE_MEMO, "in memory");
    EXPECT_EQ(calendars.OpenFromDB(1, CALTYPE_MEMO, 1), 1);
    EXPECT_EQ(Summaries(calendars), (std::vector<std::string>{"in memory", "stored"}));
}

TEST_F(CalendarsTest, SaveWritesOnlyNewAndChangedRecords)
{
    CCalendars saved;
    for (const char* summary : {"a", "b", "c"})
        AddRecord(saved, CALTYPE_TODO, summary);
    ASSERT_EQ(saved.SaveToDB(1, true), 3);
    EXPECT_EQ(saved.SaveToDB(1, true), 0) << "nothing changed";

    CCalendars calendars;
    ASSERT_EQ(calendars.OpenFromDB(1, CALTYPE_TODO, 1), 3);
    EXPECT_EQ(calendars.SaveToDB(1, true), 0) << "a load changes nothing";
    const std::uint32_t idOfB = calendars[1]->CalendarId;
    calendars[1]->Summary = U("b changed");
    calendars[1]->DueDate = Date(2030, 1, 2, 3, 4, 5);
    AddRecord(calendars, CALTYPE_TODO, "d");
    ASSERT_TRUE(calendars.Delete(0)); // leaves the collection only
    EXPECT_EQ(calendars.SaveToDB(1, true), 2);
    EXPECT_EQ(calendars[0]->CalendarId, idOfB) << "a changed record keeps its id";

    CCalendars reloaded;
    ASSERT_EQ(reloaded.OpenFromDB(1, CALTYPE_TODO, 1), 4);
    EXPECT_EQ(Summaries(reloaded), (std::vector<std::string>{"a", "b changed", "c", "d"}));
    EXPECT_TRUE(SameDate(Date(2030, 1, 2, 3, 4, 5), reloaded[1]->DueDate));

    // Saving loaded records under another profile moves them there.
    EXPECT_EQ(reloaded.SaveToDB(2, true), 4);
    CCalendars left, moved;
    EXPECT_EQ(left.OpenFromDB(1, CALTYPE_TODO, 1), 0);
    EXPECT_EQ(moved.OpenFromDB(2, CALTYPE_TODO, 1), 4);
}

TEST_F(CalendarsTest, AlarmsBehaveAndSurviveTheStore)
{
    const COleDateTimeNull start = Date(2024, 5, 1, 10, 0, 0);
    const COleDateTimeNull instant = Date(2024, 4, 30, 8, 0, 0);
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
        {"15 minutes before", [](CCalendar& r) { return r.SetAlarmRunTime(15); }, true, ALARM_RUNTIME,
         Date(2024, 5, 1, 9, 45, 0)},
        {"a week before", [](CCalendar& r) { return r.SetAlarmRunTime(10080); }, true, ALARM_RUNTIME,
         Date(2024, 4, 24, 10, 0, 0)},
        {"lead without a start",
         [](CCalendar& r) {
             r.StartTime = COleDateTimeNull();
             return r.SetAlarmRunTime(15);
         },
         true, ALARM_RUNTIME, std::nullopt},
        {"negative lead changes nothing",
         [&](CCalendar& r) {
             r.SetAlarmDateTime(instant);
             return r.SetAlarmRunTime(-5);
         },
         false, ALARM_DATETIME, instant},
        {"instant", [&](CCalendar& r) { return r.SetAlarmDateTime(instant); }, true, ALARM_DATETIME, instant},
        {"null instant switches off",
         [&](CCalendar& r) {
             r.SetAlarmDateTime(instant);
             return r.SetAlarmDateTime(COleDateTimeNull());
         },
         false, ALARM_OFF, std::nullopt},
        {"invalid instant switches off",
         [&](CCalendar& r) {
             r.SetAlarmRunTime(5);
             return r.SetAlarmDateTime(WithStatus(1.0, COleDateTime::invalid));
         },
         false, ALARM_OFF, std::nullopt},
    };

    CCalendars saved;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCalendar* record = AddRecord(saved, CALTYPE_SCHEDULE, c.name);
        record->StartTime = start;
        EXPECT_EQ(c.set(*record), c.result);
        EXPECT_EQ(record->GetAlarmType(), c.type);
        COleDateTime rings(-1.0);
        EXPECT_EQ(record->GetAlarmDateTime(rings), c.rings.has_value());
        EXPECT_TRUE(SameDate(c.rings.value_or(COleDateTime(-1.0)), rings));
    }
    ASSERT_EQ(saved.SaveToDB(1, true), static_cast<long>(std::size(cases)));
    CCalendars loaded;
    ASSERT_EQ(loaded.OpenFromDB(1, CALTYPE_SCHEDULE, 1), saved.GetCount());
    for (int i = 0; i < saved.GetCount(); ++i) {
        SCOPED_TRACE(cases[i].name);
        ExpectSameAlarm(*saved[i], *loaded[i]);
    }
}

TEST_F(CalendarsTest, AlarmTypeWithAllBitsSetIsReadAsAnInstant)
{
    CCalendars saved;
    AddRecord(saved, CALTYPE_SCHEDULE, "entry")->SetAlarmDateTime(Date(2024, 1, 1, 7, 30, 0));
    ASSERT_EQ(saved.SaveToDB(1, true), 1);
    Sql(m_file, "UPDATE calendar SET alarm_type = -1");

    CCalendars loaded;
    ASSERT_EQ(loaded.OpenFromDB(1, CALTYPE_SCHEDULE, 1), 1);
    EXPECT_EQ(loaded[0]->GetAlarmType(), -1);
    COleDateTime rings;
    ASSERT_TRUE(loaded[0]->GetAlarmDateTime(rings));
    EXPECT_TRUE(SameDate(Date(2024, 1, 1, 7, 30, 0), rings));
    EXPECT_EQ(loaded.SaveToDB(1, true), 0) << "the type is kept as stored";
}

} // namespace
