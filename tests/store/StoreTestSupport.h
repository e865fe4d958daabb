// Shared helpers of the store tests: a temporary store, direct SQL on its
// file, records described field by field, and a generic round trip.
#pragma once

#include "store/Calendars.h"
#include "store/ContactGroupPairs.h"
#include "store/ContactGroups.h"
#include "store/Contacts.h"
#include "store/Messages.h"
#include "store/MsgEmails.h"
#include "store/Store.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

/// Names a cause in test failures by its number.
inline void PrintTo(StoreCause cause, std::ostream* out)
{
    *out << "StoreCause " << static_cast<int>(cause);
}

namespace storetest {

using varno::test::FileNames;
using varno::test::ReadFile;
using varno::test::U8;
using Lines = std::vector<std::string>;

/// Runs SQL on a database file outside the store's code; gives every row
/// that its statements give, each as its columns joined by "|" (NULL as
/// "NULL"). Fails the test when SQLite refuses.
inline Lines SqlRows(const std::filesystem::path& file, const char* sql)
{
    sqlite3* db = nullptr;
    char* error = nullptr;
    Lines rows;
    auto add = [](void* out, int count, char** values, char**) {
        std::string row;
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                row += '|';
            row += values[i] ? values[i] : "NULL";
        }
        static_cast<Lines*>(out)->push_back(row);
        return 0;
    };
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK || sqlite3_exec(db, sql, add, &rows, &error) != SQLITE_OK)
        ADD_FAILURE() << sql << ": " << (error ? error : sqlite3_errmsg(db));
    sqlite3_free(error);
    sqlite3_close(db);
    return rows;
}

/// The first column of the first row that `sql` gives ("" when none).
inline std::string Sql(const std::filesystem::path& file, const char* sql)
{
    const Lines rows = SqlRows(file, sql);
    return rows.empty() ? std::string() : rows[0].substr(0, rows[0].find('|'));
}

/// A store file in a fresh temporary folder; the store path goes back to the
/// default afterwards.
class TempStore : public varno::test::TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        m_file = m_dir / "store.db";
        SetStorePath(U8(m_file.string()));
    }
    void TearDown() override
    {
        SetStorePath(CString());
        TempDirTest::TearDown();
    }
    std::filesystem::path m_file;
};

inline COleDateTimeNull Date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return COleDateTimeNull(COleDateTime(y, mo, d, h, mi, s));
}

inline COleDateTimeNull WithStatus(double days, COleDateTime::DateTimeStatus status)
{
    COleDateTimeNull date;
    date.m_dt = days;
    date.m_status = status;
    return date;
}

/// The exact day count (any NaN as "nan") and the status.
inline std::string DateText(const COleDateTime& date)
{
    char text[48] = "nan";
    if (!std::isnan(date.m_dt))
        std::snprintf(text, sizeof text, "%a", date.m_dt);
    return std::string(text) + "/" + std::to_string(date.m_status);
}

/// Text that a store must keep exactly as it is.
inline CString Tricky()
{
    return U8("it's \"quoted\"; DROP TABLE contact; -- 홍길동 ' OR 1=1; SELECT * FROM calendar");
}

using Entries = std::vector<std::pair<std::uint32_t, const char*>>;
/// A contact. Address {code, "x"} has the parts xs (street), xn (country),
/// xc (city), xt (state), xz (zip); {code, ""} has none.
struct ContactData {
    const char* first = "";
    Entries tel{}, email{}, url{}, adr{};
    std::vector<const char*> notes{};
};

inline CContact& Fill(CContact& c, const ContactData& data)
{
    c.FirstName = U8(data.first);
    for (auto [code, text] : data.tel) { auto* t = c.NewTelephone(); t->SetType(code); t->SetNumber(U8(text)); }
    for (auto [code, text] : data.email) { auto* e = c.NewEmail(); e->SetType(code); e->SetEmail(U8(text)); }
    for (auto [code, text] : data.url) { auto* u = c.NewURL(); u->SetType(code); u->SetURL(U8(text)); }
    for (auto [code, x] : data.adr) {
        CPostalAddress* a = c.NewAddress();
        a->SetType(code);
        auto part = [x = std::string(x)](const char* p) { return x.empty() ? CString() : U8(x + p); };
        std::tie(a->Street, a->Country, a->City, a->State, a->Zip) =
            std::tuple(part("s"), part("n"), part("c"), part("t"), part("z"));
    }
    for (const char* note : data.notes) c.NewComment(U8(note));
    return c;
}

/// Text messages and e-mails with their parties (party type, number or
/// address), added to a collection.
struct Message {
    std::uint32_t box;
    std::string content;
    COleDateTimeNull time;
    std::vector<std::pair<std::uint32_t, std::string>> numbers; // party type, number
};

inline void Add(CMessages& messages, const std::vector<Message>& list)
{
    for (const Message& m : list) {
        CMessage* record = messages.AddNew();
        record->Box = m.box;
        record->Content = U8(m.content);
        record->MessageTime = m.time;
        for (const auto& [party, number] : m.numbers) {
            CMessageNumber* entry = record->NewNumber();
            entry->PartyType = party;
            entry->Number = U8(number);
        }
    }
}

struct Email {
    std::string title, content;
    COleDateTimeNull time;
    std::vector<std::pair<std::uint32_t, std::string>> addresses; // party type, address
};

inline void Add(CMsgEmails& emails, const std::vector<Email>& list)
{
    for (const Email& e : list) {
        CMsgEmail* record = emails.AddNew();
        record->Box = record->Kind = 7; // neither is exported by the converter
        record->Title = U8(e.title);
        record->Content = U8(e.content);
        record->MessageTime = e.time;
        for (const auto& [party, address] : e.addresses) {
            CMsgEmailAddress* entry = record->NewEmailAddress();
            entry->PartyType = party;
            entry->Address = U8(address);
        }
    }
}

inline std::string Str(const CString& s) { return s.ToUtf8(); }
inline std::string Str(const COleDateTime& d) { return DateText(d); }
inline std::string Str(const char* s) { return s; }
inline std::string Str(long long n) { return std::to_string(n); }
/// Values as one line, each followed by '|'.
template <class... T>
std::string Line(const T&... values)
{
    return ((Str(values) + "|") + ...);
}

inline Lines Describe(const CCalendar& r)
{
    COleDateTime ring(-1.0);
    const bool rings = r.GetAlarmDateTime(ring);
    return {Line(r.CalendarType, r.DeletedMark, r.Summary, r.Description, r.Color, r.Location, r.AllDay, r.Completed,
                 r.Priority),
            Line(r.StartTime, r.EndTime, r.DueDate, "alarm", r.GetAlarmType(), r.GetAlarmRunTime(), rings, ring)};
}

inline Lines Describe(const CContact& c)
{
    Lines out{Line(c.FirstName, c.LastName, c.JobTitle)};
    for (int i = 0; const COrganization* o = c.GetOrganization(i); ++i)
        out.push_back(Line("org", o->GetType(), o->Company, o->Department, o->Title));
    for (int i = 0; const CTelephoneNumber* t = c.GetTelephone(i); ++i)
        out.push_back(Line("tel", t->GetType(), t->GetNumber()));
    for (int i = 0; const CEmail* e = c.GetEmail(i); ++i)
        out.push_back(Line("email", e->GetType(), e->GetEmail()));
    for (int i = 0; const CURL* u = c.GetURL(i); ++i)
        out.push_back(Line("url", u->GetType(), u->GetURL()));
    for (int i = 0; const CPostalAddress* a = c.GetAddress(i); ++i)
        out.push_back(Line("adr", a->GetType(), a->Street, a->City, a->State, a->Zip, a->Country));
    for (int i = 0; i < c.GetCommentCount(); ++i)
        out.push_back(Line("note", c.GetComment(i)));
    for (int i = 0; const CContactEvent* e = c.GetEvent(i); ++i)
        out.push_back(Line("event", e->Kind, e->Date));
    return out;
}

inline Lines Describe(const CMessage& m)
{
    Lines out{Line(m.Box, m.Kind, m.Content, m.MessageTime)};
    for (int i = 0; const CMessageNumber* n = m.GetNumberAt(i); ++i)
        out.push_back(Line(n->PartyType, n->Number));
    return out;
}

inline Lines Describe(const CMsgEmail& m)
{
    Lines out{Line(m.Box, m.Kind, m.Title, m.Content, m.MessageTime)};
    for (int i = 0; const CMsgEmailAddress* a = m.GetEmailAddressAt(i); ++i)
        out.push_back(Line(a->PartyType, a->Address));
    return out;
}

inline Lines Describe(const CContactGroup& g) { return {Line(g.GroupName)}; }
inline Lines Describe(const CContactGroupPair& p) { return {Line(p.ContactId, p.GroupId)}; }

inline std::uint32_t IdOf(const CCalendar* r) { return r->CalendarId; }
inline std::uint32_t IdOf(const CContact* r) { return r->ContactId; }
inline std::uint32_t IdOf(const CContactGroup* r) { return r->GroupId; }
inline std::uint32_t IdOf(const CContactGroupPair* r) { return r->PairId; }
inline std::uint32_t IdOf(const CMessage* r) { return r->MessageId; }
inline std::uint32_t IdOf(const CMsgEmail* r) { return r->EmailId; }

/// Every record of `profile` with its id, as loads give them (calendar
/// entries of types 1 to 3, contacts, groups, every link, messages,
/// e-mails), each kind after the result of its load.
inline Lines Everything(int profile)
{
    Lines all;
    auto add = [&all](const auto& collection, long loaded) {
        all.push_back("loaded " + std::to_string(loaded));
        for (int i = 0; i < collection.GetCount(); ++i) {
            all.push_back("id " + std::to_string(IdOf(collection[i])));
            for (const std::string& line : Describe(*collection[i]))
                all.push_back(line);
        }
    };
    CCalendars calendars;
    add(calendars, calendars.OpenFromDB(profile, 1, 1) + calendars.OpenFromDB(profile, 2, 1) +
                       calendars.OpenFromDB(profile, 3, 1));
    CContacts contacts;
    add(contacts, contacts.OpenFromDB(profile, 0));
    CContactGroups groups;
    add(groups, groups.OpenFromDB(profile));
    CContactGroupPairs pairs;
    add(pairs, pairs.OpenFromDB());
    CMessages messages;
    add(messages, messages.OpenFromDB(profile));
    CMsgEmails emails;
    add(emails, emails.OpenFromDB(profile));
    return all;
}

/// Saves `saved` into profile 7 with save(collection, profile), then checks
/// that load(collection, profile) gives every record back, field by field,
/// under the id the save gave it (database keys, rising); that profile 8
/// sees none of them; and that saving the loaded records writes nothing.
template <class Collection, class Save, class Load>
void ExpectRoundTrip(Collection& saved, Save save, Load load)
{
    ASSERT_EQ(save(saved, 7), saved.GetCount());
    Collection loaded, other;
    ASSERT_EQ(load(loaded, 7), saved.GetCount());
    EXPECT_EQ(load(other, 8), 0) << "profiles are separate";
    for (int i = 0; i < saved.GetCount(); ++i) {
        EXPECT_LT(IdOf(saved[i]), 0x80000000u);
        EXPECT_TRUE(i == 0 || IdOf(saved[i]) > IdOf(saved[i - 1])) << "ids in save order";
        EXPECT_EQ(IdOf(loaded[i]), IdOf(saved[i]));
        EXPECT_EQ(Describe(*loaded[i]), Describe(*saved[i])) << "record " << i;
    }
    EXPECT_EQ(save(loaded, 7), 0) << "a load changes nothing";
}

} // namespace storetest
