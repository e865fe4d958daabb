// The session's reading of files: what it stores, what it refuses and what
// it says, through import, count and preview alike. Each row is a file a
// user met, imported into a fresh store.
#include "tests/host/HostTestSupport.h"

#include "host/Mapping.h"
#include "manager/CSVMng.h"

namespace varno::test {
namespace {

constexpr std::string_view kTwoMemos = "\"memo\",\"color\"\r\n\"Buy milk\",\"yellow\"\r\n\"Call Ann\",\"red\"\r\n";

class SessionReadTest : public SessionTest {
protected:
    /// The memos of the store as export writes them ("(no store)" when
    /// there is none, "" when it holds none).
    std::string StoredMemos()
    {
        if (!Exists("store.db"))
            return "(no store)";
        std::string said = Said([&] { (void)Session().Export(Type("memo"), {Path("stored.csv"), {}, {}}); });
        return Exists("stored.csv") ? ReadBytes("stored.csv") : said;
    }
};

// Each row: what is said (a note, or with "error: " the refusal) and what is
// stored (the memos as export writes them, in UTF-8). Count and preview
// refuse as the import did; the preview's records are those it stored.
TEST_F(SessionReadTest, ImportStoresWhatTheFileMeansOrRefusesAndPreviewAgrees)
{
    const std::string stored = "\"memo\",\"color\"\r\n\"A\",\"red\"\r\n\"B\",\"blue\"\r\n";
    const std::string example = ReadFile(VARNO_SOURCE_DIR "/examples/memo.csv");
    const std::string file = Path("case.csv");
    auto cp949 = [](std::u16string_view text) { return WideCharToMultiByte(949, text); };
    const struct {
        std::string bytes;
        host::ReadRequest request; // its file is filled in
        std::string says, stored;
        unsigned codePage = 65001;
    } rows[] = {
        {"\xEF\xBB\xBFmemo,color\r\nA,red\r\nB,blue\r\n", {},
         "starts with a UTF-8 byte-order mark: its first column \"memo\" is matched without it", stored},
        {"\xEF\xBB\xBFmemo,color\r\nA,red\r\nB,blue\r\n", {"", {"memo=MEMO", "color=color"}},
         "mapping (--map): memo <- \"memo\", color <- \"color\"", stored},
        {"memo;color\r\nA;red\r\nB;blue\r\n", {}, "its columns are read as separated by \";\"", stored},
        {"Memo , Color\r\nA,red\r\nB,blue\r\n", {}, "mapping: memo <- \"Memo \", color <- \" Color\"", stored},
        {"Remark,Colour\r\nA,red\r\nB,blue\r\n", {}, "nothing would fill memo, so every memo would be stored",
         "(no store)"},
        {"x,y\r\nA,red\r\n", {}, "no header column is named after a field of memo (memo, color)", "(no store)"},
        {"Memo , Color\r\nA,red\r\n", {"", {"memo=Memo"}},
         "--map column \"Memo\" is not in the header; its columns are \"Memo \", \" Color\"", "(no store)"},
        {std::string(kTwoMemos), {"", {"memo=Nope"}},
         "--map column \"Nope\" is not in the header; its columns are \"memo\", \"color\"", "(no store)"},
        {example, {},
         "is not text in code page 65001: the byte at offset 59 (line 3) does not decode in it and would be stored "
         "as U+FFFD; the file decodes cleanly in code page 1252: use --codepage 1252",
         "(no store)"},
        {"memo,color\r\n\xC7\xD1\xB1\xB9,red\r\n", {}, "the file decodes cleanly in code page 949", "(no store)"},
        {"memo,color\r\n\xC7\xD1\xB1\xB9,red\r\n", {}, "mapping: memo", // 1252 decodes every byte
         "\"memo\",\"color\"\r\n\"ÇÑ±¹\",\"red\"\r\n", 1252},
        {cp949(u"memo,color\r\n장보기 목록 우유 빵 계란,red\r\n회의 준비,blue\r\n"), {},
         "error: " + file + " looks like text in code page 949 (EUC-KR), not in 1252", "(no store)", 1252},
        {cp949(u"memo,color\r\n장보기,red\r\n"), {}, "mapping: memo <- \"memo\"",
         "\"memo\",\"color\"\r\n\"장보기\",\"red\"\r\n", 949},
        // Every reason to refuse is said, one line each.
        {std::string("\xEF\xBB\xBFmemo\r\nA\0\r\n", 11), {},
         "error: " + file + " starts with a UTF-8 byte-order mark, so it is UTF-8 text, but the code page in use is "
         "1252: use --codepage 65001\n" + file + " holds a NUL byte at offset 10", "(no store)", 1252},
        {std::string("memo,color\r\nA,red\r\nB\0,blue\r\nC,green\r\n", 36), {},
         "holds a NUL byte at offset 20: the library's reader ends the text there", "(no store)"},
        {Utf16LE(u"memo,color\r\nA,red\r\n") + std::string("\0\0", 2) + Utf16LE(u"B,blue\r\n", false), {},
         "holds a NUL character at offset 40", "(no store)"},
        {Utf16LE(u"memo,color\r\nA,red\r\nB\xD800,blue\r\n"), {},
         "is not valid UTF-16: the unpaired surrogate at offset 42 (line 3) would be stored as U+FFFD", "(no store)"},
        {Utf16LE(u"memo,color\r\nA,red\r\n") + "x", {},
         "is not valid UTF-16: it has an odd number of bytes, and the last one (offset 40) would be lost",
         "(no store)"},
        {Utf16BE(u"memo,color\r\n장보기,red\r\n"), {}, "is UTF-16 text in big-endian byte order: it is read as such",
         "\"memo\",\"color\"\r\n\"장보기\",\"red\"\r\n", 1252},
        {Utf16LE(u"memo,color\r\nBuy milk,red\r\n", false), {}, "is UTF-16 text without a byte-order mark",
         "\"memo\",\"color\"\r\n\"Buy milk\",\"red\"\r\n", 1252},
        {Utf16BE(u"memo,color\r\nBuy milk,red\r\n", false), {},
         "in big-endian byte order, without a byte-order mark", "\"memo\",\"color\"\r\n\"Buy milk\",\"red\"\r\n"},
        {"memo,color\r\nA,red,x\r\nB,blue,y,z\r\n", {},
         "warning: 2 rows of " + file + " hold more cells than the header's 2 columns (the first on line 2)", stored},
        {"memo,color\r\nA,red\r\nB\r\n", {}, "warning: 1 row of " + file + " holds fewer cells",
         "\"memo\",\"color\"\r\n\"A\",\"red\"\r\n\"B\",\"\"\r\n"},
        {"memo,color\r\nA,red\r\n\"B,blue\r\nC,green\r\n", {},
         "a quote opened in the record on line 3 of " + file + " is never closed",
         "\"memo\",\"color\"\r\n\"A\",\"red\"\r\n\"B,blue\r\nC,green\r\n\",\"\"\r\n"},
        {"memo,color\r\n", {}, file + " holds no data rows", "(no store)"},
        // A first row of data: said, and left out.
        {"2012-01-31,Buy milk,555-0100\r\n2012-02-01,Call Ann,555-0101\r\n", {"", {"memo=Buy milk"}},
         "warning: the first row of " + file + " looks like data", "\"memo\",\"color\"\r\n\"Call Ann\",\"\"\r\n"},
        // No header: every row, columns by number.
        {"2012-01-31,Buy milk,red\r\n2012-02-01,Call Ann,blue\r\n", {"", {"memo=#2", "color=#3"}, false, true},
         "mapping (--map): memo <- \"#2\", color <- \"#3\"",
         "\"memo\",\"color\"\r\n\"Buy milk\",\"red\"\r\n\"Call Ann\",\"blue\"\r\n"},
    };
    for (const auto& row : rows) {
        std::filesystem::remove(m_dir / "store.db");
        std::filesystem::remove(m_dir / "stored.csv");
        WriteBytes("case.csv", row.bytes);
        const bool saved = row.stored != "(no store)";
        host::ReadRequest request = row.request;
        request.file = file;
        std::string said, previewSaid, unfilled, counted;
        std::vector<std::string> previewed;
        {
            const CodePageGuard codePage(row.codePage);
            said = Said([&] { (void)Session().Import(Type("memo"), request, -1, false); });
            std::error_code none;
            std::filesystem::rename(m_dir / "store.db", m_dir / "imported.db", none); // a preview opens no store
            previewSaid = Said([&] {
                const host::Preview preview = Session().MakePreview(Type("memo"), request, 5);
                unfilled = preview.unfilled;
                for (const host::ListedRecord& record : preview.records)
                    previewed.push_back(record.Json());
            });
            counted = Said([&] { (void)Session().Count(Type("memo"), request); });
        }
        SCOPED_TRACE(said);
        EXPECT_NE(said.find(row.says), std::string::npos);
        EXPECT_EQ(said.find("error: ") == std::string::npos, saved);
        EXPECT_FALSE(Exists("store.db"));
        EXPECT_EQ(counted.find("error: ") == std::string::npos, saved);
        std::error_code none;
        std::filesystem::rename(m_dir / "imported.db", m_dir / "store.db", none);
        EXPECT_EQ(StoredMemos(), row.stored);
        if (saved) {
            EXPECT_EQ(previewed, Listed("memo"));
        } else {
            // A mapping that fills nothing is shown, not refused: the
            // preview is where one is made.
            EXPECT_NE((previewSaid + unfilled).find(row.says), std::string::npos);
        }
    }
}

TEST_F(SessionReadTest, MapFieldsTheTypeLacksAreAUsageError)
{
    WriteBytes("in.csv", kTwoMemos);
    try {
        (void)Session().Count(Type("memo"), {Path("in.csv"), {"body=memo"}});
        ADD_FAILURE() << "a field memo lacks was accepted";
    } catch (const host::Error& error) {
        EXPECT_EQ(error.GetKind(), host::Error::Kind::Usage);
        EXPECT_STREQ(error.what(), "--map body=memo: memo has no field \"body\" (its fields: memo, color; "
                                     "\"varnocsv fields memo\" says what each holds)");
    }
}

// --strict refuses a file whose cells the host would empty or change, and
// names each; without it they are stored as said. A preview says the same.
TEST_F(SessionReadTest, StrictRefusesWhatWouldBeLostOrChanged)
{
    WriteBytes("people.csv", "FIRST_NAME,BIRTHDAY,TEL_WORK1\r\nAnn,13/13/2013,+49 (0)30 1234567\r\n"
                             "Bob,1990-02-01,1-800-FLOWERS\r\nCy,0/0/00,555 0100\r\n");
    host::ReadRequest strict{Path("people.csv"), {}, true};
    const std::string refused = Said([&] { (void)Session().Import(Type("contact"), strict, -1, false); });
    EXPECT_NE(refused.find("error: 1 cell in column \"BIRTHDAY\" of " + Path("people.csv") +
                           " is not a date that can be read (line 2: \"13/13/2013\")"),
              std::string::npos)
        << refused;
    EXPECT_NE(refused.find("\n1 telephone number in column \"TEL_WORK1\""), std::string::npos) << refused;
    EXPECT_NE(refused.find("is refused (--strict)"), std::string::npos) << refused;
    // What only changes the form is not refused, but said.
    EXPECT_NE(refused.find("says \"no date\" (line 4: \"0/0/00\")"), std::string::npos) << refused;
    EXPECT_FALSE(Exists("store.db"));
    EXPECT_EQ(Said([&] { (void)Session().MakePreview(Type("contact"), strict, 5); }), refused);

    const std::string stored = Said([&] { (void)Session().Import(Type("contact"), {Path("people.csv"), {}}, -1, false); });
    EXPECT_NE(stored.find("warning: 1 cell in column \"BIRTHDAY\""), std::string::npos) << stored;
    const std::vector<std::string> listed = Listed("contact");
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_NE(listed[0].find("\"BIRTHDAY\":\"\""), std::string::npos) << listed[0];
    EXPECT_NE(listed[0].find("\"number\":\"+49301234567\""), std::string::npos) << listed[0];
    EXPECT_NE(listed[1].find("\"number\":\"18003569377\""), std::string::npos) << listed[1];
    EXPECT_NE(listed[2].find("\"BIRTHDAY\":\"\""), std::string::npos) << listed[2];
}

// The session counts a file's records from its reading; the library, reading
// the file again, must say the same of every example, whatever its layout,
// code page or byte order.
TEST_F(SessionReadTest, CountAgreesWithTheLibrarysCount)
{
    const struct {
        const char* file;
        const char* type;
        unsigned codePage;
    } rows[] = {
        {"contacts.csv", "contact", 65001},        {"contacts-utf16.txt", "contact", 65001},
        {"addressbook-long.csv", "contact", 65001}, {"calendar-english.csv", "calendar", 1252},
        {"calendar-schedule-ko.csv", "calendar", 65001}, {"todo-ko.txt", "todo", 65001},
        {"memo.csv", "memo", 1252},                 {"memo-utf16.txt", "memo", 65001},
        {"messages.csv", "message", 949},           {"emails.csv", "email", 65001},
        {"webmail-contacts.csv", "contact", 65001}, {"desktop-mail-de.csv", "contact", 1252},
        {"spreadsheet-contacts.csv", "contact", 1252}, {"groupware-tasks.csv", "todo", 1252},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const CodePageGuard codePage(row.codePage);
        long counted = -1;
        (void)Said([&] { counted = Session().Count(Type(row.type), {Example(row.file), {}}); });
        CStringList fields, columns;
        fields.AddTail(CString(Type(row.type).layout().columns.front().fieldName));
        columns.AddTail(CString(u"none"));
        long library = -2;
        ASSERT_EQ(CSVMng().Count(Type(row.type).code, library, 1, U8(Example(row.file)), fields, columns, -1),
                  CSVERR_SUCCESS);
        EXPECT_EQ(counted, library);
        EXPECT_GT(counted, 0);
    }
}

} // namespace
} // namespace varno::test
