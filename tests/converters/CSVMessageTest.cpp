// The text-message road through CSVMng and a host's own collections, on a
// real SQLite store in a temporary folder, at UTC+9.
#include "converters/CSVMessage.h"
#include "store/Messages.h"
#include "store/MsgEmails.h"
#include "tests/converters/Road.h"

namespace varno::test {
namespace {

using storetest::Add;


/// "box/kind content|party:number ..." for every message.
std::vector<std::string> Describe(const CMessages& messages)
{
    std::vector<std::string> out;
    for (int i = 0; i < messages.GetCount(); ++i) {
        const CMessage& m = *messages.GetAt(i);
        std::string& text = out.emplace_back(std::to_string(m.Box));
        text.append(1, '/').append(std::to_string(m.Kind)).append(1, ' ').append(m.Content.ToUtf8()).append(1, '|');
        for (int k = 0; const CMessageNumber* n = m.GetNumberAt(k); ++k)
            text.append(1, ' ').append(std::to_string(n->PartyType)).append(1, ':').append(n->Number.ToUtf8());
    }
    return out;
}

class MessageRoad : public Road {
protected:
    TimeZoneGuard zone{"KST-9"};
    CodePageGuard codePage{949};
    UserLocaleGuard locale{"ko_KR"};
};

// Boxes 1 to 4 are written as they are and any other as "2"; times in local
// time, so the first message, at 05:07 UTC, reads 14:07.
TEST_F(MessageRoad, ExportWritesBoxesAndNumberListsInEntryOrderFromTheStoreAndTheHost)
{
    CMessages messages;
    Add(messages, {{1, "Hello", Date(2011, 5, 3, 5, 7), {{1, "111"}, {0, "222"}, {0, "333"}}},
                   {7, "", Date(2011, 12, 31, 20, 30), {}},
                   {0, "a,b", {}, {{1, "+82 10-1"}, {0, "a"}, {3, "b"}, {2, "c"}, {5, "x"}}},
                   {3, "", {}, {{1, ""}, {1, "10"}, {1, ""}}},
                   {4, "", {}, {{0, "1"}, {0, ""}, {0, "2"}, {4, "9"}}}});
    const std::string expected = "\"mailbox\",\"time\",\"content\",\"sender\",\"receiver\"\r\n"
                                 R"("1","2011-05-03 14:07","Hello","""111""","""222"";""333""")" "\r\n"
                                 R"("2","2012-01-01 05:30","","","")" "\r\n"
                                 R"("2","","a,b","""+82 10-1""","""a"";""b"";""c""")" "\r\n"
                                 R"("3","","","""10"";","")" "\r\n"
                                 R"("4","","","","""1"";;""2""")" "\r\n";
    EXPECT_EQ(manager.ExportFromPC(CSVTYPE_MESSAGE, 1, PathOf("host.csv"), &messages, nullptr, nullptr), 5);
    EXPECT_EQ(ReadBytes("host.csv"), expected);
    ASSERT_EQ(messages.SaveToDB(1), 5);
    EXPECT_EQ(manager.Export(CSVTYPE_MESSAGE, 1, PathOf("store")), 5);
    EXPECT_EQ(ReadBytes("store.csv"), expected);
}

TEST_F(MessageRoad, ImportReadsBoxesAndCleansNumbers)
{
    const std::pair<std::string, std::string> rows[] = { // file line, message stored
        {R"("3",,"""222"";""333""")", "3/1 | 0:222 0:333"},
        {R"(" 4",111,1-2 3;;+4(5)6)", "4/1 | 1:111 0:123 0:+456"},
        {"9,,10; ;20", "2/1 | 0:10"},
        {",abc,;;(02) 1-2 p3 w4#*$5; x ", "2/1 | 1: 0:0212p3w4#*5 0:"},
        {"x, 7 ; 8 ;, ;9", "2/1 | 1:7 1:8"},
        {"1st", "1/1 |"},
        {"-1", "2/1 |"},
    };
    std::string file = "mailbox,sender,receiver\r\n";
    std::vector<std::string> expected;
    for (const auto& [line, stored] : rows) {
        file.append(line).append("\r\n");
        expected.push_back(stored);
    }
    WriteBytes("in.csv", file);
    EXPECT_EQ(Import(CSVTYPE_MESSAGE, "in.csv", {u"Mailbox", u"SENDER", u"receiver"}), 7);
    CMessages stored;
    ASSERT_EQ(stored.OpenFromDB(1), 7);
    EXPECT_EQ(Describe(stored), expected);
}

// ImportToPC appends to the host's messages and counts the file's rows. A
// collection that is not one of messages is refused before the file is
// read, and a failed read adds nothing; neither touches the count. Export
// refuses a message collection holding anything but messages.
TEST_F(MessageRoad, HostCollectionsGetTheFileAppendedOrAreRefused)
{
    WriteBytes("two.csv", "content,receiver\r\nhi,1;2\r\nyo\r\n");
    CStringList fields{u"content", u"receiver"}, columns = fields;
    CMessages host, empty, mixed;
    Add(host, {{1, "kept", {}, {}}, {1, "kept", {}, {}}, {1, "kept", {}, {}}});
    mixed.Add(new CMsgEmail()); // owned by the collection from here on
    CMsgEmails emails;
    const struct {
        CObArray* target;
        const char* file;
        _en_CSVError imported;
        long exported;
    } rows[] = {
        {&host, "two.csv", CSVERR_SUCCESS, 5}, {&host, "missing.csv", CSVERR_FILEOPEN, 5},
        {&emails, "two.csv", CSVERR_FAIL, -1}, {nullptr, "two.csv", CSVERR_FAIL, -1},
        {&mixed, "two.csv", CSVERR_SUCCESS, -1}, {&empty, "missing.csv", CSVERR_FILEOPEN, 0},
    };
    for (const auto& row : rows) {
        const int before = row.target ? row.target->GetCount() : 0;
        long count = 42;
        EXPECT_EQ(CCSVMessage().ImportToPC(count, 0, PathOf(row.file), fields, columns, row.target), row.imported);
        EXPECT_EQ(count, row.imported ? 42 : 2);
        EXPECT_EQ(row.target ? row.target->GetCount() : 0, before + (row.imported ? 0 : 2));
        std::filesystem::remove(m_dir / "out.csv");
        EXPECT_EQ(manager.ExportFromPC(CSVTYPE_MESSAGE, 0, PathOf("out.csv"), row.target, nullptr, nullptr),
                  row.exported);
        EXPECT_EQ(Exists("out.csv"), row.exported > 0);
    }
    EXPECT_EQ(Describe(host), (std::vector<std::string>{"1/0 kept|", "1/0 kept|", "1/0 kept|", "0/1 hi| 0:1 0:2",
                                                         "0/1 yo|"}));
}

TEST_F(MessageRoad, ExportImportExportIsByteIdentical)
{
    CMessages messages;
    Add(messages, {{2, "내일 3시에 \"회의실\"에서 봬요,\r\n늦지 마세요!", Date(2023, 2, 28, 15, 0),
                    {{1, "+821012345678"}, {0, "0101111"}, {2, "0102222"}, {3, "*23#"}}},
                   {7, "", {}, {{1, "p1w2"}}},
                   {4, "no parties", Date(1999, 12, 31, 23, 59), {}}});
    ASSERT_EQ(messages.SaveToDB(1), 3);
    ExpectStableRoundTrip(CSVTYPE_MESSAGE, 3, " content sender receiver");
}

} // namespace
} // namespace varno::test
