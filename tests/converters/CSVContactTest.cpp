// The contact road through CSVMng on a real store, and the host-held road
// (ImportToPC, ExportFromPC): type codes and slot rules, telephone numbers
// through a spreadsheet, groups, and stores and files that cannot be read.
#include "converters/CSVContact.h"
#include "tests/converters/Road.h"

#include <tuple>

namespace varno::test {
namespace {

std::string Text(const CString& s) { return s.ToUtf8(); }
std::string Text(std::uint32_t n) { return std::to_string(n); }
std::string Text(const COleDateTimeNull& d) { return CCSVContact().OLEDate2String(d).ToUtf8(); }

/// "first|last|title; org|type|company|department; tel|type|number; ..."
/// for each contact from `from` on, " // " between contacts.
std::string Describe(const CContacts& contacts, int from = 0)
{
    std::string out;
    for (int i = from; i < contacts.GetCount(); ++i) {
        const CContact& c = *contacts[i];
        out += (i > from ? " // " : "") + Text(c.FirstName) + "|" + Text(c.LastName) + "|" + Text(c.JobTitle);
        auto add = [&](const char* what, const auto&... parts) {
            out.append("; ").append(what);
            ((out += '|', out += Text(parts)), ...);
        };
        for (int j = 0; const COrganization* o = c.GetOrganization(j); ++j)
            add("org", o->GetType(), o->Company, o->Department);
        for (int j = 0; const CTelephoneNumber* t = c.GetTelephone(j); ++j) add("tel", t->GetType(), t->GetNumber());
        for (int j = 0; const CEmail* e = c.GetEmail(j); ++j) add("email", e->GetType(), e->GetEmail());
        for (int j = 0; const CURL* u = c.GetURL(j); ++j) add("url", u->GetType(), u->GetURL());
        for (int j = 0; const CContactEvent* e = c.GetEvent(j); ++j) add("event", e->Kind, e->Date);
        for (int j = 0; const CPostalAddress* a = c.GetAddress(j); ++j)
            add("adr", a->GetType(), a->Street, a->City, a->State, a->Zip, a->Country);
        for (int j = 0; j < c.GetCommentCount(); ++j) add("note", c.GetComment(j));
        CString group;
        for (int j = 0; c.GetGroup(j, group); ++j) add("group", group);
    }
    return out;
}

/// "contact>group " per link, then "=group" per group.
std::string Links(const CContacts& contacts, const CContactGroups& groups, const CContactGroupPairs& links)
{
    std::string out;
    for (int i = 0; i < links.GetCount(); ++i)
        for (int c = 0; c < contacts.GetCount(); ++c)
            for (int g = 0; g < groups.GetCount(); ++g)
                if (contacts[c]->ContactId == links[i]->ContactId && groups[g]->GroupId == links[i]->GroupId)
                    out += Text(contacts[c]->FirstName) + ">" + Text(groups[g]->GroupName) + " ";
    for (int g = 0; g < groups.GetCount(); ++g) out += "=" + Text(groups[g]->GroupName);
    return out;
}

using storetest::Fill;
using storetest::ContactData;

class ContactRoad : public Road {
protected:
    /// Saves the contacts into `profile` (a group when `group` is set); gives their ids.
    std::vector<std::uint32_t> Store(int profile, const std::vector<ContactData>& contacts, const char* group = nullptr)
    {
        CContacts records;
        CContactGroups groups;
        for (const ContactData& data : contacts) Fill(*records.AddNew(), data);
        if (group) groups.AddNew()->GroupName = U8(group);
        EXPECT_EQ(records.SaveToDB(profile, 0, false) + groups.SaveToDB(profile, true), records.GetCount() + !!group);
        std::vector<std::uint32_t> ids;
        for (int i = 0; i < records.GetCount(); ++i) ids.push_back(records[i]->ContactId);
        return group ? std::vector{groups[0]->GroupId} : ids;
    }
    static void Link(CContactGroupPairs& links, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& pairs)
    {
        for (auto [contact, group] : pairs) { auto* l = links.AddNew(); l->ContactId = contact; l->GroupId = group; }
    }
    /// The contacts of `profile` with " | " their links, or only their links.
    std::string Load(int profile, bool contactsToo = true)
    {
        CContacts contacts; CContactGroups groups; CContactGroupPairs links;
        EXPECT_GE(contacts.OpenFromDB(profile, 0) + groups.OpenFromDB(profile) + links.OpenFromDB(), 0);
        return (contactsToo ? Describe(contacts) + " | " : "") + Links(contacts, groups, links);
    }
    /// The non-empty cells of the data rows of a file, as "COLUMN=value ".
    std::string Cells(const char* file)
    {
        CCSVContact reader;
        CStringList none;
        EXPECT_EQ(reader.ImportFile(PathOf(file), none, none), CSVERR_SUCCESS);
        std::string out;
        for (int row = 0; row < reader.m_nValueCount; ++row)
            for (int i = 0; i < reader.m_pValue[row].GetSize(); ++i)
                if (const CString& value = reader.m_pValue[row][i]; !value.IsEmpty())
                    out += Text(reader.m_arrField[i]) + "=" + Text(value) + " ";
        return out;
    }
    CStringList Header(const char* file)
    {
        CStringArray header;
        CStringList names;
        EXPECT_EQ(manager.GetField(PathOf(file), header), CSVERR_SUCCESS);
        for (const CString& name : header) names.AddTail(name);
        return names;
    }
    /// ImportToPC of in.csv, mapped by its own header unless told otherwise.
    _en_CSVError ImportToPC(CObArray* records, CObArray* groups = nullptr, CObArray* links = nullptr,
                            int option = 0, CStringList fields = {}, CStringList columns = {})
    {
        if (fields.IsEmpty()) fields = columns = Header("in.csv");
        count = 42;
        return CCSVContact().ImportToPC(count, 0, PathOf("in.csv"), fields, columns, records, groups, links, option);
    }

    CodePageGuard utf8{65001};
    TimeZoneGuard seoul{"KST-9"};
    UserLocaleGuard english{"en_US"};
    long count = 0;
};

// Export sorts entries into slots by type code: two telephones of a kind
// (an empty number leaves the slot free), the first non-empty e-mail and web
// address of a kind, the last address of a kind, unknown address codes out.
TEST_F(ContactRoad, ExportSortsEntriesIntoSlotsByTypeCode)
{
    const struct { ContactData contact; const char* cells; } rows[] = {
        {{.tel = {{1, "a"}, {1, ""}, {1, "b"}, {1, "c"}, {2, "h"}}}, R"(TEL_WORK1="a" TEL_WORK2="b" TEL_HOME1="h" )"},
        {{.tel = {{36, "m"}, {9, "f9"}, {32, "n"}, {10, "f10"}, {8, "f8"}, {32, "lost"}}},
         R"(TEL_MOBILE1="m" TEL_MOBILE2="n" TEL_FAX1="f9" TEL_FAX2="f10" )"},
        {{.tel = {{3, "o3"}, {0, ""}, {16, "o16"}, {4, "o4"}}}, R"(TEL_OTHER1="o3" TEL_OTHER2="o16" )"},
        {{.email = {{1, "w1"}, {2, ""}, {1, "w2"}, {2, "h"}, {5, "o5"}, {0, "o0"}},
          .url = {{7, "u7"}, {1, ""}, {2, "uh"}, {1, "uw"}}},
         "EMAIL_HOME=h EMAIL_WORK=w1 EMAIL_OTHER=o5 URL_WORK=uw URL_HOME=uh URL_OTHER=u7 "},
        {{.adr = {{16, "h"}, {2, "x"}, {32, "w"}, {1, "o"}, {16, ""}}, .notes = {"first", "second"}},
         "ADR_WORK_STREET=ws ADR_WORK_COUNTRY=wn ADR_WORK_CITY=wc ADR_WORK_STATE=wt ADR_WORK_ZIP=wz "
         "ADR_OTHER_STREET=os ADR_OTHER_COUNTRY=on ADR_OTHER_CITY=oc ADR_OTHER_STATE=ot ADR_OTHER_ZIP=oz NOTE=first "},
        {{.first = "Ann", .adr = {{16, "h"}, {16, "i"}}},
         "FIRST_NAME=Ann ADR_HOME_STREET=is ADR_HOME_COUNTRY=in ADR_HOME_CITY=ic ADR_HOME_STATE=it ADR_HOME_ZIP=iz "},
    };
    for (int profile = 1; const auto& row : rows) {
        Store(profile, {row.contact});
        ASSERT_EQ(manager.Export(CSVTYPE_CONTACT, profile++, PathOf("out")), 1);
        EXPECT_EQ(Cells("out.csv"), row.cells) << profile;
    }
    EXPECT_EQ(manager.Export(CSVTYPE_CONTACT, 99, PathOf("none.csv")), 0);
    EXPECT_FALSE(Exists("none.csv"));
}

// Import gives each column one code, adds an entry for every mapped cell
// (empty ones too) and filters only "00-0-0" dates and "no group" words. A
// name without a column, or with one beyond a short row, is passed over and
// the next name still pairs with its own column; a name twice reads twice.
TEST_F(ContactRoad, ImportGivesEachColumnItsCode)
{
    TimeZoneGuard utc("UTC0");
    CStringList group;
    for (int i = 0; i < 8; ++i) group.AddTail(u"GROUP_NAME");
    const struct { const char* file; CStringList fields, columns; const char* contacts; } rows[] = {
        {"TEL_OTHER2,TEL_MOBILE2,TEL_FAX1,TEL_WORK1,TEL_HOME2\n"
         "+82 (2) 123,\"\"\"010-1234 5678\"\"\",02.555,1p2w3#x*P W,\"\"\n", {}, {},
         "||; tel|4|+822123; tel|32|01012345678; tel|8|02555; tel|1|1p2w3#*PW; tel|2|"},
        {"EMAIL_OTHER,EMAIL_HOME,EMAIL_WORK,URL_OTHER,URL_HOME,URL_WORK\na,b,,d,e,f\n", {}, {},
         "||; email|0|a; email|2|b; email|1|; url|0|d; url|2|e; url|1|f"},
        {"ADR_OTHER_ZIP,ADR_HOME_STREET,ADR_WORK_CITY,ADR_HOME_COUNTRY,ADR_WORK_STATE\nz,s,c,,t\n", {}, {},
         "||; adr|1||||z|; adr|16|s||||; adr|32||c|t||"},
        {"DEPARTMENT\nDev\n", {}, {}, "||; org|1||Dev"},
        {"COMPANY,DEPARTMENT\nAcme,Dev\n", {}, {}, "||; org|1|Acme|Dev"},
        {"b1,b2,a1,b3\n00-0-0,,1980-01-31 10:00,19800131\n", {u"BIRTHDAY", u"BIRTHDAY", u"ANNIVERSARY", u"birthday"},
         {u"b1", u"b2", u"a1", u"b3"}, "||; event|1|; event|2|1980-01-31 10:00; event|1|1980-01-31 00:00"},
        {"a,b,c,d,e,f,g,h\nno group,NO GROUP,그룹없음,그룹 없음,, no group,그룹없음 ,nogroup\n", group,
         {u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h"}, "||; group| no group; group|그룹없음 ; group|nogroup"},
        {"f,n,j,t,f2\nAnn,,Boss,1,Bea\nCy\n",
         {u"FIRST_NAME", u"LAST_NAME", u"NOTE", u"job_title", u"FIRST_NAME", u"TEL_WORK1", u"TEL_WORK1", u"memo",
          u"URL_HOME"},
         {u"f", u"missing", u"n", u"j", u"f2", u"t", u"t", u"f"}, "Bea||Boss; tel|1|1; tel|1|1; note| // Cy||"},
    };
    for (const auto& row : rows) {
        WriteBytes("in.csv", row.file);
        CContacts records;
        EXPECT_EQ(ImportToPC(&records, nullptr, nullptr, 0, row.fields, row.columns), CSVERR_SUCCESS);
        EXPECT_EQ(Describe(records), row.contacts) << row.file;
    }
}

// Everything the layout holds survives an export and an import mapped by the
// file's own header. Numbers stand in the file between three quotes, as a
// spreadsheet keeps them, and come back cleaned, a leading 0 or "+" kept.
TEST_F(ContactRoad, ContactSurvivesARoundTripThroughItsOwnLayout)
{
    CContacts records;
    CContact& c = Fill(*records.AddNew(), {.first = "Zoë",
        .tel = {{1, "02-555 0100"}, {1, "(02) 555-0101"}, {1, "lost"}, {2, "031 222 3333"}, {2, "0"},
                {32, "010-1234 5678"}, {36, "+82 10 9876"}, {8, "02.555.0199"}, {10, "1p2w3#"}, {3, "+1 (555) 010"},
                {4, "0800*77"}},
        .email = {{1, "w@x"}, {1, "lost@x"}, {2, "h@x"}, {7, "o@x"}},
        .url = {{1, "work.example"}, {2, "home.example"}, {0, "other.example"}},
        .adr = {{32, "서울"}, {2, "lost"}, {16, "h"}, {1, "o"}}, .notes = {"Line one\r\nline \"two\"", "lost"}});
    std::tie(c.LastName, c.JobTitle) = std::tuple(U8("홍"), U8("Lead, R&D"));
    c.NewOrganization(U8("Acme"), U8("Dev"), CString(), 1);
    c.NewContactEvent(Date(1980, 1, 30, 15), CONTACT_EVENT_BIRTHDAY);
    c.NewContactEvent(Date(2005, 6, 1, 3, 30), CONTACT_EVENT_ANNIVERSARY);
    CContactGroupPairs links;
    ASSERT_EQ(records.SaveToDB(1, 0, false), 1);
    Link(links, {{c.ContactId, Store(1, {}, "Family")[0]}});
    ASSERT_EQ(links.SaveToDB(), 1);

    ASSERT_EQ(manager.Export(CSVTYPE_CONTACT, 1, PathOf("own.csv")), 1);
    EXPECT_NE(ReadBytes("own.csv").find(R"(,"""010-1234 5678""",)"), std::string::npos);
    EXPECT_NE(ReadBytes("own.csv").find(R"(,"1980-01-31 00:00","2005-06-01 12:30",)"), std::string::npos);
    CStringList names = Header("own.csv");
    EXPECT_EQ(manager.Import(CSVTYPE_CONTACT, count, 2, PathOf("own.csv"), names, names, -1, false), CSVERR_SUCCESS);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Load(2), "Zoë|홍|Lead, R&D; org|1|Acme|Dev; tel|1|025550100; tel|1|025550101; tel|2|0312223333; "
                       "tel|2|0; tel|32|01012345678; tel|32|+82109876; tel|8|025550199; tel|8|1p2w3#; tel|4|+1555010; "
                       "tel|4|0800*77; email|2|h@x; email|1|w@x; email|0|o@x; url|1|work.example; url|2|home.example; "
                       "url|0|other.example; event|1|1980-01-31 00:00; event|2|2005-06-01 12:30; "
                       "adr|32|서울s|서울c|서울t|서울z|서울n; adr|16|hs|hc|ht|hz|hn; adr|1|os|oc|ot|oz|on; "
                       "note|Line one\r\nline \"two\" | Zoë>Family =Family");
}

// As for every record type: what an import read exports to the same bytes,
// a store that is no database writes no file, and a file that cannot be
// read fails Count and Import alike and leaves the count as it was.
TEST_F(ContactRoad, ExportImportExportIsStableAndUnreadableInputChangesNothing)
{
    const std::uint32_t family = Store(1, {}, "Family")[0];
    const auto ids = Store(1, {{.first = "Ann", .tel = {{1, "0255501"}}, .email = {{2, "a@x"}}},
                               {.first = "Bob", .adr = {{16, "h"}}, .notes = {"memo"}}});
    CContactGroupPairs links;
    Link(links, {{ids[0], family}});
    ASSERT_EQ(links.SaveToDB(), 1);
    ExpectStableRoundTrip(CSVTYPE_CONTACT, 2,
                          " FIRST_NAME LAST_NAME COMPANY TEL_WORK1 TEL_WORK2 TEL_HOME1 TEL_HOME2 TEL_MOBILE1 "
                          "TEL_MOBILE2 TEL_FAX1 TEL_FAX2 TEL_OTHER1 TEL_OTHER2 EMAIL_HOME EMAIL_WORK EMAIL_OTHER");
}

// A link to a group the profile does not hold gives an empty name, a link to
// a contact it does not hold is passed over; GROUP_NAME is the first link's.
// The host-held road writes the same rows, again on a second export, and the
// first group or contact with an id is the one that counts.
TEST_F(ContactRoad, ExportTurnsLinksIntoGroupNames)
{
    const auto ids = Store(1, {{.first = "A"}, {.first = "B"}, {.first = "C"}});
    const std::uint32_t family = Store(1, {}, "Family")[0], elsewhere = Store(2, {}, "Elsewhere")[0];
    CContacts contacts;
    CContactGroups groups;
    CContactGroupPairs links;
    const std::uint32_t stranger = Store(2, {{}})[0];
    Link(links, {{stranger, family}, {ids[0], elsewhere}, {ids[0], family}, {ids[1], family}, {ids[1], elsewhere}});
    ASSERT_EQ(links.SaveToDB(), 5);
    ASSERT_EQ(manager.Export(CSVTYPE_CONTACT, 1, PathOf("store.csv")), 3);
    EXPECT_EQ(Cells("store.csv"), "FIRST_NAME=A FIRST_NAME=B GROUP_NAME=Family FIRST_NAME=C ");

    ASSERT_GE(contacts.OpenFromDB(1, 0) + groups.OpenFromDB(1), 0);
    contacts.AddNew()->ContactId = ids[1];
    groups.AddNew()->GroupId = family;
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(manager.ExportFromPC(CSVTYPE_CONTACT, 0, PathOf("held.csv"), &contacts, &groups, &links), 4);
        EXPECT_EQ(Cells("held.csv"), Cells("store.csv")) << round;
    }
    EXPECT_EQ(Describe(contacts), "A||; group|; group|Family; group|; group|Family // B||; group|Family; group|; "
                                  "group|Family; group| // C|| // ||");
}

// Option -1 links each row to the groups it names, creating a missing group
// once whatever its letter case, also across the facade's row windows, and
// export names them again; any other option creates and links nothing.
TEST_F(ContactRoad, ImportTurnsGroupNamesIntoLinks)
{
    Store(3, {}, "Family");
    std::string file = "FIRST_NAME,GROUP_NAME,g2\nAnn,Friends,family\nBob,FRIENDS\nCy,no group\nDi,family,Family\n";
    for (int i = 4; i < 10000; ++i)
        file.append("c").append(std::to_string(i)).append(i == 9000 ? ",friends\n" : "\n");
    WriteBytes("in.csv", file);
    CStringList fields{u"FIRST_NAME", u"GROUP_NAME", u"GROUP_NAME"}, columns{u"FIRST_NAME", u"GROUP_NAME", u"g2"};
    EXPECT_EQ(manager.Count(CSVTYPE_CONTACT, count, 3, PathOf("in.csv"), fields, columns, -1), CSVERR_SUCCESS);
    EXPECT_EQ(count, 10000);
    for (int option : {0, -1}) {
        count = 0;
        EXPECT_EQ(manager.Import(CSVTYPE_CONTACT, count, 4 + option, PathOf("in.csv"), fields, columns, option, true),
                  CSVERR_SUCCESS);
        EXPECT_EQ(count, 10000);
    }
    EXPECT_EQ(Load(4, false), "");
    EXPECT_EQ(Load(3, false), "Ann>Friends Ann>Family Bob>Friends Di>Family Di>Family c9000>Friends =Family=Friends");
    ASSERT_EQ(manager.Export(CSVTYPE_CONTACT, 3, PathOf("out.csv")), 10000);
    EXPECT_NE(Cells("out.csv").find("FIRST_NAME=c9000 GROUP_NAME=Friends FIRST_NAME=c9001 "), std::string::npos);
}

// Host-held collections: one of the wrong class is refused before anything
// changes. ImportToPC appends after the contacts held, counts the file's
// rows, and with option -1 rebuilds every link (freeing the old link
// records: AddressSanitizer reports them otherwise), adding a missing group
// once whatever its letter case.
TEST_F(ContactRoad, HostHeldCollections)
{
    WriteBytes("in.csv", "FIRST_NAME,GROUP_NAME\nAnn,Friends\nBob,FRIENDS\nCy,\n");
    CContacts held, empty, foreign;
    Fill(*held.AddNew(), {.first = "X"}).NewGroup(u"Family");
    Fill(*held.AddNew(), {.first = "Y"});
    foreign.Add(new CContactGroup);
    CContactGroups groups;
    groups.AddNew()->GroupName = u"FAMILY";
    CContactGroupPairs links;
    Link(links, {{held[1]->ContactId, groups[0]->GroupId}, {held[1]->ContactId, groups[0]->GroupId}});
    const std::string untouched = "X||; group|Family // Y|| | Y>FAMILY Y>FAMILY =FAMILY";
    const struct { CObArray *records, *groups, *links; long exported; } rows[] = {
        {&groups, &groups, &links, -1}, {nullptr, &groups, &links, -1}, {&foreign, &groups, &links, -1},
        {&held, &links, &links, -1},    {&held, &groups, nullptr, -1},  {&empty, nullptr, nullptr, 0},
    };
    for (int i = 0; const auto& row : rows) {
        SCOPED_TRACE(i++);
        EXPECT_EQ(manager.ExportFromPC(CSVTYPE_CONTACT, 0, PathOf("out.csv"), row.records, row.groups, row.links),
                  row.exported);
        EXPECT_FALSE(Exists("out.csv"));
        EXPECT_EQ(ImportToPC(row.records, row.groups, row.links, -1), CSVERR_FAIL);
        EXPECT_EQ(count, 42);
        EXPECT_EQ(Describe(held) + " | " + Links(held, groups, links), untouched);
        EXPECT_TRUE(empty.IsEmpty());
    }
    // A file that cannot be read changes nothing either.
    WriteBytes("header.csv", "FIRST_NAME,GROUP_NAME\r\n");
    const std::pair<const char*, _en_CSVError> unreadable[] = {{"missing.csv", CSVERR_FILEOPEN},
                                                               {"header.csv", CSVERR_FAIL}};
    for (const auto& [file, result] : unreadable) {
        CStringList names{u"FIRST_NAME", u"GROUP_NAME"};
        count = 42;
        EXPECT_EQ(CCSVContact().ImportToPC(count, 0, PathOf(file), names, names, &held, &groups, &links, -1), result);
        EXPECT_EQ(count, 42) << file;
        EXPECT_EQ(Describe(held) + " | " + Links(held, groups, links), untouched) << file;
    }
    EXPECT_EQ(ImportToPC(&groups), CSVERR_FAIL) << "without linking, only the records are looked at";
    EXPECT_EQ(ImportToPC(&empty, &held), CSVERR_SUCCESS);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(Describe(empty) + " | " + Links(held, groups, links),
              "Ann||; group|Friends // Bob||; group|FRIENDS // Cy|| | Y>FAMILY Y>FAMILY =FAMILY");

    EXPECT_EQ(ImportToPC(&held, &groups, &links, -1), CSVERR_SUCCESS);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(Describe(held, 2), Describe(empty));
    EXPECT_EQ(Links(held, groups, links), "X>FAMILY Ann>Friends Bob>Friends =FAMILY=Friends");
}

} // namespace
} // namespace varno::test
