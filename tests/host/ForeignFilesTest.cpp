// Files that other programs write, each imported with no --map into a fresh
// store: every record as list then shows it (ids aside) is pinned to a
// golden file beside the test, and what the host says about the file to
// the lines it must contain. The files are the project's own examples,
// made-up people in each program's layout; update a golden file only after
// reading its difference.
#include "tests/host/HostTestSupport.h"

namespace varno::test {
namespace {

class ForeignFilesTest : public SessionTest {};

TEST_F(ForeignFilesTest, EachLayoutImportsWithNoMapAsItsGoldenFileSays)
{
    const struct {
        std::string file, type, locale;
        unsigned codePage;
        std::vector<std::string> says; ///< in what the session says
    } rows[] = {
        {"webmail-contacts.csv", "contact", "en_US", 65001,
         {"mapping (the contacts export of a web mail service)",
          "TEL_MOBILE1 <- \"Phone 1 - Value\", \"Phone 2 - Value\"",
          "\"Group Membership\" of " + Example("webmail-contacts.csv") + " name groups that are the exporting program's",
          "warning: 1 telephone number in column \"Phone 1 - Value\"", "has an extension",
          "warning: 1 cell in column \"Birthday\"", "(line 8: \"--07-22\")",
          "not read: \"Nickname\" (1 value)"}},
        {"webmail-contacts-new.csv", "contact", "en_US", 65001,
         {"starts with a UTF-8 byte-order mark", "(the contacts export of a web mail service (its newer layout))"}},
        {"desktop-mail-de.csv", "contact", "de_DE", 1252,
         {"2 telephone numbers in column \"Telefon geschäftlich\"", "\"+49 (0)30 1234567\", handed on as \"+49 30 1234567\"",
          "2 dates in column \"Geburtstag\"", "\"15.3.1968\", handed on as \"1968-03-15\"",
          "1 cell in column \"Geburtstag\"", "says \"no date\" (line 4: \"0.0.00\")",
          "warning: 1 telephone number in column \"Weiteres Telefon\"", "is written with letters",
          "mapping (the address book of a desktop mail program, in German)", "\"Ort\" (1 value)"}},
        {"mail-client-contacts.csv", "contact", "en_US", 65001,
         {"warning: 1 birthday in the columns before \"Birth Day\"", "(line 4: \"?-11-30\")",
          "BIRTHDAY <- \"Birth Year\", \"Birth Month\", \"Birth Day\""}},
        {"address-book-de.tsv", "contact", "de_DE", 65001, {"(the address book of a mail client, in German)"}},
        {"address-book-en.tsv", "contact", "en_US", 1252, {"(the address book of a mail client)"}},
        {"spreadsheet-contacts.csv", "contact", "de_DE", 1252,
         {"its columns are read as separated by \";\"", "names several groups (line 2: \"Handwerker;Notfall\")",
          "LAST_NAME <- \"Name\""}},
        {"addressbook-long.csv", "contact", "en_US", 65001,
         {"(the address book of a desktop mail program)", "names several groups (line 4: \"가족;Friends\")",
          "not read: \"Title\" (1 value), \"Middle Name\" (1 value), \"Suffix\" (1 value)\n"}},
        {"calendar-webservice.csv", "calendar", "en_US", 65001,
         {"2 all-day entries in column \"End Date\"", "\"05/15/2026\", handed on as \"2026-05-16 00:00\"",
          "not read: \"Private\" (4 values)"}},
        {"groupware-tasks.csv", "todo", "en_US", 1252,
         {"mapping: summary <- \"Subject\"", "completed <- \"% Complete\", priority <- \"Priority\""}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        std::filesystem::remove(m_dir / "store.db");
        const CodePageGuard codePage(row.codePage);
        const UserLocaleGuard locale(row.locale);
        const std::string said = Said([&] { (void)Session().Import(Type(row.type), {Example(row.file), {}}, -1, false); });
        for (const std::string& part : row.says)
            EXPECT_NE(said.find(part), std::string::npos) << "missing: " << part << "\nin:\n" << said;
        EXPECT_EQ(said.find("error: "), std::string::npos) << said;
        std::string listed;
        for (const std::string& record : Listed(row.type))
            listed += record + "\n";
        const std::vector<std::string> expected = SplitLines(ReadFile(VARNO_SOURCE_DIR "/tests/host/golden/" + row.file + ".json"));
        const std::vector<std::string> actual = SplitLines(listed);
        for (size_t i = 0; i < std::max(expected.size(), actual.size()); ++i)
            ASSERT_EQ(i < actual.size() ? actual[i] : "(none)", i < expected.size() ? expected[i] : "(none)")
                << "record " << i + 1;
    }
}

} // namespace
} // namespace varno::test
