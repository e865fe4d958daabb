// The text-message road through CSVMng and a host's own collections, on a
// real SQLite store in a temporary folder, at UTC+9.
#include "converters/CSVMessage.h"
#include "store/Calendars.h"
#include "store/Messages.h"
#include "store/MsgEmails.h"
#include "tests/converters/PartyRoad.h"

namespace varno::test {
namespace {

struct Message {
    std::uint32_t box;
    std::string content;
    COleDateTimeNull time;
    std::vector<std::pair<std::uint32_t, std::string>> numbers; // party type, number
};

void Add(CMessages& messages, const Message& m)
{
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

/// "box/kind content|party:number ..." for every message of `messages`.
std::vector<std::string> Describe(const CMessages& messages)
{
    std::vector<std::string> out;
    for (int i = 0; i < messages.GetCount(); ++i) {
        const CMessage& m = *messages.GetAt(i);
        std::string text = std::to_string(m.Box);
        text.append(1, '/').append(std::to_string(m.Kind)).append(1, ' ').append(m.Content.ToUtf8()).append(1, '|');
        for (int k = 0; k < m.GetNumberCount(); ++k)
            text.append(1, ' ').append(std::to_string(m.GetNumberAt(k)->PartyType)).append(1, ':')
                .append(m.GetNumberAt(k)->Number.ToUtf8());
        out.push_back(text);
    }
    return out;
}

using MessageRoad = PartyRoad;

TEST_F(MessageRoad, TheWorkedExampleComesOutByteForByteFromTheStoreAndFromTheHost)
{
    CMessages messages;
    Add(messages, {1, "Hello", Utc(2011, 5, 3, 5, 7), {{1, "111"}, {0, "222"}, {0, "333"}}}); // 14:07 at UTC+9
    ASSERT_EQ(messages.SaveToDB(1), 1);
    const std::string expected = "\"mailbox\",\"time\",\"content\",\"sender\",\"receiver\"\r\n"
                                 R"("1","2011-05-03 14:07","Hello","""111""","""222"";""333""")" "\r\n";
    EXPECT_EQ(manager.Export(CSVTYPE_MESSAGE, 1, PathOf("store")), 1);
    EXPECT_EQ(ReadBytes("store.csv"), expected);
    EXPECT_EQ(manager.ExportFromPC(CSVTYPE_MESSAGE, 1, PathOf("host.csv"), &messages, nullptr, nullptr), 1);
    EXPECT_EQ(ReadBytes("host.csv"), expected);
}

TEST_F(MessageRoad, ExportWritesBoxesAndNumberListsInEntryOrder)
{
    const struct {
        Message message;
        std::string record;
    } rows[] = {
        {{7, "", {}, {}}, R"("2","","","","")"},
        {{0, "", Utc(2011, 12, 31, 20, 30), {}}, R"("2","2012-01-01 05:30","","","")"},
        {{4, "a,b", {}, {{1, "+82 10-1"}, {0, "a"}, {3, "b"}, {2, "c"}, {5, "x"}}},
         R"("4","","a,b","""+82 10-1""","""a"";""b"";""c""")"},
        {{3, "", {}, {{1, ""}, {1, "10"}, {1, ""}}}, R"("3","","","""10"";","")"},
        {{2, "", {}, {{0, "1"}, {0, ""}, {0, "2"}, {4, "9"}}}, R"("2","","","","""1"";;""2""")"},
    };
    CMessages messages;
    std::string expected = CsvRecord({"mailbox", "time", "content", "sender", "receiver"}) + "\r\n";
    for (const auto& row : rows) {
        Add(messages, row.message);
        expected += row.record + "\r\n";
    }
    const long n = static_cast<long>(std::size(rows));
    ASSERT_EQ(messages.SaveToDB(1), n);
    EXPECT_EQ(manager.Export(CSVTYPE_MESSAGE, 1, PathOf("out.csv")), n);
    EXPECT_EQ(ReadBytes("out.csv"), expected);
}

TEST_F(MessageRoad, ImportReadsBoxesAndCleansNumbers)
{
    const struct {
        std::string mailbox, sender, receiver, stored;
    } rows[] = {
        {"3", "", R"("222";"333")", "3/1 | 0:222 0:333"},
        {" 4", "111", "1-2 3;;+4(5)6", "4/1 | 1:111 0:123 0:+456"},
        {"9", "", "10; ;20", "2/1 | 0:10"},
        {"", "abc", ";;(02) 1-2 p3 w4#*$5; x ", "2/1 | 1: 0:0212p3w4#*5 0:"},
        {"x", " 7 ; 8 ;", " ;9", "2/1 | 1:7 1:8"},
        {"1st", "", "", "1/1 |"},
        {"0", "", "", "2/1 |"},
        {"-1", "", "", "2/1 |"},
    };
    std::string file = CsvRecord({"mailbox", "sender", "receiver"}) + "\r\n";
    std::vector<std::string> expected;
    for (const auto& row : rows) {
        file += CsvRecord({row.mailbox, row.sender, row.receiver}) + "\r\n";
        expected.push_back(row.stored);
    }
    WriteBytes("in.csv", file);
    const long n = static_cast<long>(std::size(rows));
    EXPECT_EQ(Import(CSVTYPE_MESSAGE, "in.csv", {u"Mailbox", u"SENDER", u"receiver"}), n);
    CMessages stored;
    ASSERT_EQ(stored.OpenFromDB(1), n);
    EXPECT_EQ(Describe(stored), expected);
}

// ImportToPC appends to the host's messages and counts the file's rows; a
// collection that is not one of messages is refused before the file is
// read, and a failed read adds nothing; neither touches the count.
TEST_F(MessageRoad, HostCollectionsGetTheFileAppendedOrAreRefused)
{
    WriteBytes("two.csv", "content,receiver\r\nhi,1;2\r\nyo\r\n");
    WriteBytes("header.csv", "content\r\n\r\n");
    CStringList fields{u"content", u"receiver"}, columns = fields;
    CMessages host;
    for (int i = 0; i < 3; ++i)
        Add(host, {1, "kept", {}, {}});
    long count = -7;
    EXPECT_EQ(CCSVMessage().ImportToPC(count, 0, PathOf("two.csv"), fields, columns, &host), CSVERR_SUCCESS);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Describe(host), (std::vector<std::string>{"1/0 kept|", "1/0 kept|", "1/0 kept|", "0/1 hi| 0:1 0:2",
                                                         "0/1 yo|"}));
    EXPECT_EQ(manager.ExportFromPC(CSVTYPE_MESSAGE, 0, PathOf("host.csv"), &host, nullptr, nullptr), 5);

    CMsgEmails emails;
    CCalendars calendars;
    CMessages empty, mixed;
    mixed.AddNew();
    mixed.Add(new CMsgEmail()); // owned by the collection from here on
    const struct {
        CObArray* target;
        const char* file;
        _en_CSVError imported;
        long exported;
    } refusals[] = {
        {&emails, "two.csv", CSVERR_FAIL, -1},    {&calendars, "two.csv", CSVERR_FAIL, -1},
        {nullptr, "two.csv", CSVERR_FAIL, -1},    {&mixed, "missing.csv", CSVERR_FILEOPEN, -1},
        {&empty, "header.csv", CSVERR_FAIL, 0},
    };
    for (const auto& row : refusals) {
        const int before = row.target ? row.target->GetCount() : 0;
        count = 42;
        EXPECT_EQ(CCSVMessage().ImportToPC(count, 0, PathOf(row.file), fields, columns, row.target), row.imported);
        EXPECT_EQ(count, 42);
        EXPECT_EQ(row.target ? row.target->GetCount() : 0, before);
        EXPECT_EQ(manager.ExportFromPC(CSVTYPE_MESSAGE, 0, PathOf("out.csv"), row.target, nullptr, nullptr),
                  row.exported);
        EXPECT_FALSE(Exists("out.csv"));
    }
}

TEST_F(MessageRoad, EmptyOrUnreadableStoresWriteNoFileAndCountNeedsNoStore)
{
    WriteBytes("three.csv", "a\r\n1\r\n2\r\n3\r\n");
    for (unsigned long type : {CSVTYPE_MESSAGE, CSVTYPE_EMAIL}) {
        SetStorePath(PathOf("store.db"));
        EXPECT_EQ(manager.Export(type, 1, PathOf("out.csv")), 0) << type;
        WriteBytes("broken.db", "not a database");
        SetStorePath(PathOf("broken.db"));
        EXPECT_EQ(manager.Export(type, 1, PathOf("out.csv")), -1) << type;
        EXPECT_FALSE(Exists("out.csv")) << type;
        CStringList fields{u"content"}, columns{u"content"};
        long count = -1;
        EXPECT_EQ(manager.Count(type, count, 1, PathOf("three.csv"), fields, columns, 0), CSVERR_SUCCESS);
        EXPECT_EQ(count, 3) << type;
        EXPECT_EQ(ReadBytes("broken.db"), "not a database");
    }
}

TEST_F(MessageRoad, ExportImportExportIsByteIdentical)
{
    CMessages messages;
    Add(messages, {2, "내일 3시에 \"회의실\"에서 봬요,\r\n늦지 마세요!", Utc(2023, 2, 28, 15, 0),
                   {{1, "+821012345678"}, {0, "0101111"}, {2, "0102222"}, {3, "*23#"}}});
    Add(messages, {7, "", {}, {{1, "p1w2"}}});
    Add(messages, {4, "no parties", Utc(1999, 12, 31, 23, 59), {}});
    ASSERT_EQ(messages.SaveToDB(1), 3);
    ExpectStableRoundTrip(CSVTYPE_MESSAGE, 3);
}

} // namespace
} // namespace varno::test
