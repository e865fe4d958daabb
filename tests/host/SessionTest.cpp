// The session's reading of files: what it stores, what it refuses and what
// it says, through import, count and preview alike. Each row is a file a
// user met, imported into a fresh store.
#include "tests/host/HostTestSupport.h"

#include "host/Mapping.h"

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

TEST_F(SessionReadTest, ImportStoresWhatTheFileMeansOrRefusesAndPreviewAgrees)
{
    const std::string stored = "\"memo\",\"color\"\r\n\"A\",\"red\"\r\n\"B\",\"blue\"\r\n";
    const std::string example = ReadFile(VARNO_SOURCE_DIR "/examples/memo.csv");
    const std::string file = Path("case.csv");
    const struct {
        std::string bytes;
        std::vector<std::string> maps;
        bool saved;
        std::string says, stored;
        unsigned codePage = 65001;
    } rows[] = {
        {"\xEF\xBB\xBFmemo,color\r\nA,red\r\nB,blue\r\n", {}, true,
         "starts with a UTF-8 byte-order mark: its first column \"memo\" is matched without it", stored},
        {"\xEF\xBB\xBFmemo,color\r\nA,red\r\nB,blue\r\n", {"memo=MEMO", "color=color"}, true,
         "mapping (--map): memo <- \"memo\", color <- \"color\"", stored},
        {"memo;color\r\nA;red\r\nB;blue\r\n", {}, true, "its columns are read as separated by \";\"", stored},
        {"Memo , Color\r\nA,red\r\nB,blue\r\n", {}, true, "mapping: memo <- \"Memo \", color <- \" Color\"", stored},
        {"Remark,Colour\r\nA,red\r\nB,blue\r\n", {}, false, "nothing would fill memo, so every memo would be stored",
         "(no store)"},
        {"x,y\r\nA,red\r\n", {}, false, "no header column is named after a field of memo (memo, color)", "(no store)"},
        {"Memo , Color\r\nA,red\r\n", {"memo=Memo"}, false,
         "--map column \"Memo\" is not in the header; its columns are \"Memo \", \" Color\"", "(no store)"},
        {std::string(kTwoMemos), {"memo=Nope"}, false,
         "--map column \"Nope\" is not in the header; its columns are \"memo\", \"color\"", "(no store)"},
        {example, {}, false,
         "is not text in code page 65001: the byte at offset 59 (line 3) does not decode in it and would be stored "
         "as U+FFFD; the file decodes cleanly in code page 1252: use --codepage 1252",
         "(no store)"},
        {"memo,color\r\n\xC7\xD1\xB1\xB9,red\r\n", {}, false, "the file decodes cleanly in code page 949",
         "(no store)"},
        {"memo,color\r\n\xC7\xD1\xB1\xB9,red\r\n", {}, true, "mapping: memo", // 1252 decodes every byte
         "\"memo\",\"color\"\r\n\"\xC7\xD1\xB1\xB9\",\"red\"\r\n", 1252},
        {"\xEF\xBB\xBFmemo\r\nA\r\n", {}, false,
         "starts with a UTF-8 byte-order mark, so it is UTF-8 text, but the code page in use is 949", "(no store)",
         949},
        {std::string("memo,color\r\nA,red\r\nB\0,blue\r\nC,green\r\n", 36), {}, false,
         "holds a NUL byte at offset 20: the library's reader ends the text there", "(no store)"},
        {Utf16LE(u"memo,color\r\nA,red\r\n") + std::string("\0\0", 2) + Utf16LE(u"B,blue\r\n", false), {}, false,
         "holds a NUL character at offset 40", "(no store)"},
        {Utf16LE(u"memo,color\r\nA,red\r\nB\xD800,blue\r\n"), {}, false,
         "is not valid UTF-16: the unpaired surrogate at offset 42 (line 3) would be stored as U+FFFD", "(no store)"},
        {Utf16LE(u"memo,color\r\nA,red\r\n") + "x", {}, false,
         "is not valid UTF-16: it has an odd number of bytes, and the last one (offset 40) would be lost",
         "(no store)"},
        {"memo,color\r\nA,red,x\r\nB,blue,y,z\r\n", {}, true,
         "warning: 2 rows of " + file + " hold more cells than the header's 2 columns (the first on line 2)", stored},
        {"memo,color\r\nA,red\r\nB\r\n", {}, true, "warning: 1 row of " + file + " holds fewer cells",
         "\"memo\",\"color\"\r\n\"A\",\"red\"\r\n\"B\",\"\"\r\n"},
        {"memo,color\r\nA,red\r\n\"B,blue\r\nC,green\r\n", {}, true,
         "a quote opened in the record on line 3 of " + file + " is never closed",
         "\"memo\",\"color\"\r\n\"A\",\"red\"\r\n\"B,blue\r\nC,green\r\n\",\"\"\r\n"},
        {"memo,color\r\n", {}, false, file + " holds no data rows", "(no store)"},
    };
    for (const auto& row : rows) {
        std::filesystem::remove(m_dir / "store.db");
        std::filesystem::remove(m_dir / "stored.csv");
        WriteBytes("case.csv", row.bytes);
        const CodePageGuard codePage(row.codePage);
        const host::ReadRequest request{file, row.maps};
        const std::string said = Said([&] { (void)Session().Import(Type("memo"), request, -1, false); });
        SCOPED_TRACE(said);
        EXPECT_NE(said.find(row.says), std::string::npos);
        EXPECT_EQ(said.find("error: ") == std::string::npos, row.saved);
        EXPECT_EQ(StoredMemos(), row.stored);
        // Count and preview read, check and refuse as the import did, and
        // the preview's records are those the import stored.
        std::error_code none;
        std::filesystem::rename(m_dir / "store.db", m_dir / "imported.db", none); // a preview opens no store
        std::vector<std::string> previewed;
        std::string unfilled;
        const std::string previewSaid = Said([&] {
            const host::Preview preview = Session().MakePreview(Type("memo"), request, 5);
            unfilled = preview.unfilled;
            for (const host::ListedRecord& record : preview.records)
                previewed.push_back(record.Json());
        });
        EXPECT_FALSE(Exists("store.db"));
        EXPECT_EQ(Said([&] { (void)Session().Count(Type("memo"), request); }).find("error: ") == std::string::npos,
                  row.saved);
        if (!row.saved) {
            // A mapping that fills nothing is shown, not refused: the
            // preview is where one is made.
            EXPECT_NE((previewSaid + unfilled).find(row.says), std::string::npos);
            continue;
        }
        std::filesystem::rename(m_dir / "imported.db", m_dir / "store.db");
        EXPECT_EQ(previewed, Listed("memo"));
    }
}

// Several reasons to refuse one file are all said, one line each.
TEST_F(SessionReadTest, EveryReasonToRefuseIsSaid)
{
    WriteBytes("both.csv", std::string("\xEF\xBB\xBFmemo\r\nA\0\r\n", 11));
    const CodePageGuard codePage(1252);
    const std::string said = Said([&] { (void)Session().Count(Type("memo"), {Path("both.csv"), {}}); });
    EXPECT_NE(said.find("error: " + Path("both.csv") + " starts with a UTF-8 byte-order mark"), std::string::npos);
    EXPECT_NE(said.find("\n" + Path("both.csv") + " holds a NUL byte at offset 10"), std::string::npos) << said;
}

TEST_F(SessionReadTest, MapFieldsTheTypeLacksAreAUsageError)
{
    WriteBytes("in.csv", kTwoMemos);
    try {
        (void)Session().Count(Type("memo"), {Path("in.csv"), {"body=memo"}});
        ADD_FAILURE() << "a field memo lacks was accepted";
    } catch (const host::Error& error) {
        EXPECT_EQ(error.GetKind(), host::Error::Kind::Usage);
        EXPECT_STREQ(error.what(), "--map body=memo: memo has no field \"body\" (its fields: memo, color)");
    }
}

} // namespace
} // namespace varno::test
