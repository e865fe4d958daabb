// vCards as other programs write them, read into the contact's own layout;
// hostile files refused; the writer's lines read back to the same row; and
// through a session, CSV -> store -> vCard -> store -> CSV keeps every field.
#include "tests/host/HostTestSupport.h"

#include "host/VCard.h"

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <iterator>
#include <random>

namespace varno::test {
namespace {

/// The non-empty cells of each card, "COLUMN=value" joined by " | ", one
/// card per line; then the notes, one per line.
std::string Read(const std::string& text)
{
    const host::RecordType& contact = *host::FindRecordType("contact");
    std::string out, notes;
    host::ReadVCards(
        text, "f.vcf",
        [&](const host::LayoutRow& row, int64_t line) {
            out += std::to_string(line) + ":";
            for (size_t i = 0; i < row.size(); ++i)
                if (!row[i].empty())
                    out += " " + CString(contact.layout().columns[i].exportName).ToUtf8() + "=" + row[i] + " |";
            out += "\n";
        },
        [&](const std::string& note) { notes += note + "\n"; });
    return out + notes;
}

std::string Error(const std::string& text)
{
    try {
        (void)Read(text);
    } catch (const host::Error& error) {
        return error.what();
    }
    return "(read)";
}

/// vCards as other programs write them, with what Read gives of them.
struct StyleCase {
    const char* style;
    std::string file, cells; // the cells of Read, notes included
};
const std::vector<StyleCase> kStyles = {
    {"a phone's 2.1 export: quoted-printable UTF-8, bare TYPE words, soft line breaks, a base64 photo",
     "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=ED=99=8D;=EA=B8=B8=EB=8F=99\r\n"
     "TEL;CELL;PREF:010-1234-5678\r\nTEL;HOME;VOICE:02-123-4567\r\nTEL;CELL:0102\r\nTEL;CELL:0103\r\n"
     "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:=EB=A9=94=EB=AA=A8=0D=0Aline =\r\ntwo\r\n"
     "PHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n /9j/4AAQ\r\n\r\nEND:VCARD\r\n",
     "1: FIRST_NAME=길동 | LAST_NAME=홍 | TEL_HOME1=02-123-4567 | TEL_MOBILE1=010-1234-5678 | TEL_MOBILE2=0102 | "
     "TEL_OTHER1=0103 | NOTE=메모\r\nline two |\n"
     "f.vcf: not read: PHOTO (1 value, the first on line 10)\n"
     "f.vcf: TEL stored as an other number, the two slots of its kind being taken (1 value, the first on line 7)\n"},
    {"2.1 in ISO-8859-1, an address with PREF, a date without a year",
     "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=ISO-8859-1:M\xFCller;J\xFCrgen\nADR;WORK:;;Weg 1;Berlin;;10115;DE\n"
     "ADR;WORK;PREF:;;Hof 2;Bonn;;53111;DE\nBDAY:--0412\nEND:VCARD\n",
     "1: FIRST_NAME=Jürgen | LAST_NAME=Müller | ADR_WORK_STREET=Hof 2 | ADR_WORK_COUNTRY=DE | ADR_WORK_CITY=Bonn | "
     "ADR_WORK_ZIP=53111 | ADR_OTHER_STREET=Weg 1 | ADR_OTHER_COUNTRY=DE | ADR_OTHER_CITY=Berlin | "
     "ADR_OTHER_ZIP=10115 |\n"
     "f.vcf: BDAY without a year not stored (1 value, the first on line 6)\n"
     "f.vcf: ADR stored as an other one, the slot of its kind being taken (1 value, the first on line 4)\n"},
    {"a mail program's 3.0: groups, type=pref, escapes, folding, categories, X-ANNIVERSARY",
     "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Mail//EN\r\nN:Doe;John;Quincy;Dr.;\r\nFN:Dr. John Q. Doe\r\n"
     "ORG:Example\\, Inc.;Sales;East\r\nTITLE:Boss\r\nitem1.EMAIL;type=INTERNET;type=HOME;type=pref:jd@home.example\r\n"
     "item2.EMAIL;type=INTERNET;type=HOME:second@home.example\r\nitem2.X-ABLabel:spare\r\n"
     "TEL;type=WORK;type=FAX:555-1\r\nURL;type=WORK:https://ex\r\n ample.com/a\\,b\r\nBDAY:1985-04-12\r\n"
     "X-ANNIVERSARY:20100612T1530\r\nNOTE:a\\nb\\; c\\\\d\r\nCATEGORIES:Friends,Golf\\, Club\r\nCATEGORIES:VIP\r\n"
     "END:VCARD\r\n",
     "1: FIRST_NAME=John Quincy | LAST_NAME=Doe | JOB_TITLE=Boss | DEPARTMENT=Sales | COMPANY=Example, Inc. | "
     "TEL_FAX1=555-1 | EMAIL_HOME=jd@home.example | EMAIL_OTHER=second@home.example | "
     "URL_WORK=https://example.com/a,b | BIRTHDAY=1985-04-12 00:00 | ANNIVERSARY=2010-06-12 15:30 | "
     "NOTE=a\r\nb; c\\d | GROUP_NAME=Friends ::: Golf, Club ::: VIP |\n"
     "f.vcf: N's honorific prefix or suffix not stored (1 value, the first on line 4)\n"
     "f.vcf: ORG's units beyond the department not stored (1 value, the first on line 6)\n"
     "f.vcf: not read: X-ABLABEL (1 value, the first on line 10)\n"
     "f.vcf: EMAIL stored as an other one, the slot of its kind being taken (1 value, the first on line 9)\n"},
    {"RFC 6350's example (its section 8), and FN split when N is missing; two cards, two lines",
     "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Simon Perreault\r\nN:Perreault;Simon;;;ing. jr,M.Sc.\r\nBDAY:--0203\r\n"
     "ANNIVERSARY:20090808T1430-0500\r\nGENDER:M\r\nLANG;PREF=1:fr\r\nLANG;PREF=2:en\r\nORG;TYPE=work:Viagenie\r\n"
     "ADR;TYPE=work:;Suite D2-630;2875 Laurier;\r\n Quebec;QC;G1V 2M2;Canada\r\n"
     "TEL;VALUE=uri;TYPE=\"work,voice\";PREF=1:tel:+1-418-656-9254;ext=102\r\n"
     "TEL;VALUE=uri;TYPE=\"work,cell,voice,video,text\":tel:+1-418-262-6501\r\n"
     "EMAIL;TYPE=work:simon.perreault@viagenie.ca\r\nGEO;TYPE=work:geo:46.772673\\,-71.282945\r\n"
     "KEY;TYPE=work;VALUE=uri:\r\n http://www.viagenie.ca/simon.perreault/simon.asc\r\nTZ:-0500\r\n"
     "URL;TYPE=home:http://nomis80.org\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ana Maria Lima\r\n"
     "END:VCARD\r\n",
     "1: FIRST_NAME=Simon | LAST_NAME=Perreault | COMPANY=Viagenie | TEL_WORK1=+1-418-656-9254 | "
     "TEL_MOBILE1=+1-418-262-6501 | EMAIL_WORK=simon.perreault@viagenie.ca | URL_HOME=http://nomis80.org | "
     "ANNIVERSARY=2009-08-08 14:30 | ADR_WORK_STREET=Suite D2-630, 2875 Laurier | ADR_WORK_COUNTRY=Canada | "
     "ADR_WORK_CITY=Quebec | ADR_WORK_STATE=QC | ADR_WORK_ZIP=G1V 2M2 |\n"
     "22: FIRST_NAME=Ana Maria | LAST_NAME=Lima |\n"
     "f.vcf: N's honorific prefix or suffix not stored (1 value, the first on line 4)\n"
     "f.vcf: BDAY without a year not stored (1 value, the first on line 5)\n"
     "f.vcf: not read: GENDER (1 value, the first on line 7)\n"
     "f.vcf: not read: LANG (2 values, the first on line 8)\n"
     "f.vcf: TEL's URI parameters (an extension) not stored (1 value, the first on line 13)\n"
     "f.vcf: not read: GEO (1 value, the first on line 16)\n"
     "f.vcf: not read: KEY (1 value, the first on line 17)\n"
     "f.vcf: not read: TZ (1 value, the first on line 19)\n"},
    {"dates: every form, and those the store cannot hold",
     "BEGIN:VCARD\nVERSION:4.0\nN:A;B\nBDAY:19960415\nANNIVERSARY:1996-02\nEND:VCARD\n"
     "BEGIN:VCARD\nVERSION:3.0\nN:C;D\nBDAY:2001-02-29\nANNIVERSARY:2000-02-29T07:05:00Z\nEND:VCARD\n",
     "1: FIRST_NAME=B | LAST_NAME=A | BIRTHDAY=1996-04-15 00:00 |\n"
     "7: FIRST_NAME=D | LAST_NAME=C | ANNIVERSARY=2000-02-29 07:05 |\n"
     "f.vcf: ANNIVERSARY without a day not stored (1 value, the first on line 5)\n"
     "f.vcf: BDAY that is not a date not stored (1 value, the first on line 10)\n"},
};

/// Files the reader refuses, with what its refusal says.
struct HostileCase {
    std::string file, says;
};
const std::vector<HostileCase>& HostileCases()
{
    static const std::vector<HostileCase> cases = [] {
        const std::string big(host::kVCardLineLimit / 64 + 1, 'x');
        std::string folded = "BEGIN:VCARD\nVERSION:3.0\nNOTE:";
        for (int i = 0; i < 64; ++i)
            folded += big + "\n ";
        return std::vector<HostileCase>{
            {"BEGIN:VCARD\nVERSION:3.0\nFN:A\n", "f.vcf: the vCard that begins on line 1 has no END:VCARD"},
            {"END:VCARD\n", "f.vcf: line 1 ends a vCard that no BEGIN:VCARD started"},
            {"BEGIN:VCARD\nBEGIN:VCARD\nEND:VCARD\nEND:VCARD\n", "line 2 begins \"VCARD\" inside the vCard that begins on line 1"},
            {"BEGIN:VCARD\nVERSION:3.0\nEND:VCALENDAR\n", "line 3 ends \"VCALENDAR\" inside the vCard"},
            {"BEGIN:VCARD\nVERSION:3.0\nN:M\xFCller\nEND:VCARD\n", "f.vcf: line 3 is not UTF-8 (in its N value), as a vCard 3.0 must be"},
            {"BEGIN:VCARD\nVERSION:4.0\nX-A:\xC0\xAF\nEND:VCARD\n", "line 3 is not UTF-8 (in its X-A value), as a vCard 4.0 must be"},
            {"BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=UTF-8:\xFF\nEND:VCARD\n", "line 3 is not UTF-8 (the byte FF in its N value), as its CHARSET says"},
            {"BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=NO-SUCH-SET:x\nEND:VCARD\n", "names CHARSET=NO-SUCH-SET, a character set ICU does not know"},
            {"BEGIN:VCARD\nVERSION:5.0\nEND:VCARD\n", "line 2: VERSION \"5.0\" is not a vCard version this reads"},
            {"BEGIN:VCARD\nno colon here\nEND:VCARD\n", "line 2 is not a property (NAME:value)"},
            {"BEGIN:VCARD\nFN:a" + std::string(1, '\0') + "b\nEND:VCARD\n", "line 2 holds a NUL byte"},
            {"BEGIN:VCALENDAR\n", "line 1 is not part of a vCard (\"BEGIN:VCALENDAR\")"},
            {"\x1B[2J\xFF" + std::string(50, 'x') + "\n", "line 1 is not part of a vCard (\"?[2J?" + std::string(35, 'x') + "...\")"},
            {"\r\n\r\n", "f.vcf holds no vCard"},
            {folded + "\nEND:VCARD\n", "the line that starts on line 3 goes on, folded, beyond 16 MiB"},
        };
    }();
    return cases;
}

TEST(VCardReadTest, ReadsTheStylesOfOtherProgramsIntoTheLayoutsSlots)
{
    for (const auto& row : kStyles)
        EXPECT_EQ(Read(row.file), row.cells) << row.style;

    // A file of invented property names is said in a few lines.
    std::string many = "BEGIN:VCARD\nVERSION:3.0\n";
    for (int i = 0; i < 40; ++i)
        many += "X-P" + std::to_string(i) + ":v\n";
    const std::vector<std::string> said = SplitLines(Read(many + "END:VCARD\n"));
    ASSERT_EQ(said.size(), 1 + host::kVCardNoteKinds + 1);
    EXPECT_EQ(said.back(), "f.vcf: more of further kinds not read or not stored (8 values, the first on line 35)");
}

TEST(VCardReadTest, RefusesHostileFilesWithTheirLine)
{
    for (const auto& row : HostileCases())
        EXPECT_NE(Error(row.file).find(row.says), std::string::npos) << Error(row.file) << "\nwanted: " << row.says;
}

/// The number of vCards CountVCards gives, or "error: " and its refusal;
/// with `read`, the number of rows ReadVCards hands over instead.
std::string Counted(const std::string& text, bool read)
{
    try {
        if (!read) {
            // Once per vCard counted, as a caller lets go of what is read.
            long long calls = 0;
            const long long counted = host::CountVCards(text, "f.vcf", [&] { ++calls; });
            EXPECT_EQ(calls, counted);
            return std::to_string(counted);
        }
        long long rows = 0;
        host::ReadVCards(text, "f.vcf", [&](const host::LayoutRow&, int64_t) { ++rows; }, {});
        return std::to_string(rows);
    } catch (const host::Error& error) {
        EXPECT_EQ(error.GetKind(), host::Error::Kind::Refused);
        return std::string("error: ") + error.what();
    }
}

// A count is the number of rows a read hands over, or the read's refusal,
// word for word: on every file above, on what the counter must see as the
// reader does (folded or soft-broken BEGIN and END lines, blank lines,
// quotes, VERSION in a group, values only a full read refuses), and on
// files put together at random from such lines.
TEST(VCardCountTest, CountsWhatTheReaderHandsOverOrRefusesAsItDoes)
{
    CodePageGuard utf8(65001);
    std::vector<std::string> files;
    for (const StyleCase& style : kStyles)
        files.push_back(style.file);
    for (const HostileCase& hostile : HostileCases())
        files.push_back(hostile.file);
    const struct {
        std::string file, counted; // what both give
    } edges[] = {
        {"BEG\r\n IN:VCARD\r\nVERSION:3.0\r\nEND:VC\r\n\tARD\r\n", "1"},
        {"BEGIN:VCARD\r\nEND:VCARD\r\n X\r\n", "error: f.vcf: line 2 ends \"VCARDX\" inside"},
        {"BEGIN:VCARD\r\nEND:VCARD\r\n \r\n\t\r\n", "1"},
        {"BEGIN:VCARD\nNOTE;ENCODING=QUOTED-PRINTABLE:a=\nEND:VCARD\n", "error: f.vcf: the vCard that begins on line 1"},
        {"BEGIN:VCARD\nX;QUOTED-PRINTABLE=\nEND:VCARD\n", "error: f.vcf: the vCard that begins on line 1"},
        {"BEGIN:VCARD\nNOTE;QUOTED-PRINTABLE:a=\nb\nEND:VCARD\n", "1"},
        {"BEGIN:VCARD\nNOTE:a=\nNOTE:QUOTED-PRINTABLE=\nEND:VCARD\n", "1"},
        {"BEGIN:VCARD\nVERSION:2.1\nN;ENCODING=QUOTED-PRINTABLE:a=00b\nEND:VCARD\n", "error: f.vcf: line 3 holds a NUL"},
        {"\xEF\xBB\xBF" "BEGIN:VCARD\rVERSION:2.1\rN:A\rEND:VCARD", "1"},
        {"begin:vcard\nEnd:VCard  \n\n  \n \tBEGIN:VCARD\nEND:VCARD\n", "2"},
        {"BEGIN:VCARD\nitem1.version;X=\"a:b\": 9.9\nEND:VCARD\n", "error: f.vcf: line 2: VERSION \"9.9\""},
        {"BEGIN:VCARD\nVERSION:4.0\nVERSION:x\nEND:VCARD\n", "1"},
        {"BEGIN:VCARD\nX;P=\"a:b\nEND:VCARD\n", "error: f.vcf: line 2 is not a property"},
        {"BEGIN:VCARD\nVERSION:3.0\nN:\xC3\r\n \xA9\r\nX-\xC3\x84;TYPE=\xFF:v\nNOTE:charset=x\nEND:VCARD\n", "1"},
        {"BEGIN:VCARD\nVERSION:2.1\nN:M\xFCller\nEND:VCARD\n", "error: f.vcf: line 3 holds bytes that are not text"},
        {"BEGIN:VCARD\nVERSION:3.0\nX-A;CHARSET=NOPE:x\nEND:VCARD\n", "1"},
        {"BEGIN:VCARD\nEND:VCARD\nBEGIN:VCARD\nVERSION:4.0\nN;charset=latin1:\xFF\nEND:VCARD\n", "2"},
        {"BEGIN:VCARD\nEND:VCARD\n" + std::string(1, '\0') + "\n", "error: f.vcf: line 3 holds a NUL"},
        {"BEGIN:VCARD\nNOTE:" + std::string(host::kVCardLineLimit + 1, 'x') + "\nEND:VCARD\n",
         "error: f.vcf: line 2 is longer than 16 MiB"},
        {"", "error: f.vcf holds no vCard"},
    };
    for (const auto& edge : edges) {
        EXPECT_EQ(Counted(edge.file, true).substr(0, edge.counted.size()), edge.counted) << edge.file;
        files.push_back(edge.file);
    }
    // vCards of lines the reader treats apart, with any line end, and now
    // and then a line that breaks the file's structure.
    const std::string lines[] = {"VERSION:2.1", "VERSION:3.0", "version: 4.0 ", "item.VERSION:2.1", "N:A;B",
                                 "N:\xC3\xA9", "N:\xE9", " folded", "\tN", " ", "", "NOTE;QUOTED-PRINTABLE:x=",
                                 "NOTE;ENCODING=QUOTED-PRINTABLE:=3D=", "=00", "TEL;CHARSET=UTF-8:1",
                                 "TEL;CHARSET=x:1", "X-\"Q:\":v", "NOTE:a=", "FN;TYPE=\xFF:b", "END:VC", " ARD"};
    const std::string breaks[] = {"VERSION:1.0", "X\"", "no colon", "BEGIN:VCALENDAR", "END:X", "BEG", " IN:VCARD",
                                  "BEGIN:VCARD", "END:VCARD", std::string(1, '\0')};
    const char* const ends[] = {"\r\n", "\n", "\r"};
    std::mt19937 random(20240607);
    auto pick = [&](const auto& from) { return from[random() % std::size(from)]; };
    for (int i = 0; i < 4000; ++i) {
        std::string file;
        for (int cards = 1 + static_cast<int>(random() % 3); cards > 0; --cards) {
            file += std::string(random() % 4 ? "BEGIN:VCARD" : "begin:vcard") + pick(ends);
            for (int k = static_cast<int>(random() % 6); k > 0; --k)
                file += pick(lines) + pick(ends);
            if (random() % 20 == 0)
                file += pick(breaks) + pick(ends);
            file += std::string(random() % 4 ? "END:VCARD" : "END:VCARD ") + (random() % 8 ? pick(ends) : "");
        }
        files.push_back(file);
    }
    int read = 0;
    for (const std::string& file : files) {
        const std::string byReading = Counted(file, true);
        read += byReading.substr(0, 5) != "error";
        ASSERT_EQ(Counted(file, false), byReading) << file.substr(0, 300);
    }
    EXPECT_GT(read, 800); // not only refusals were compared
}

// The bytes of every property in both versions: parameters, escapes (a
// URL's commas and semicolons are not; CR, LF and CR LF are one break; other control
// characters stay), telephone quotes and blanks trimmed, dates with and
// without a time, lines folded between characters of two, three and four
// octets.
TEST(VCardWriteTest, WritesEveryPropertyByteForByteInBothVersions)
{
    const host::RecordType& contact = *host::FindRecordType("contact");
    auto cellsOf = [&](std::vector<std::pair<std::u16string_view, std::string>> cells) {
        host::LayoutRow row(contact.layout().columns.size());
        for (const auto& [name, value] : cells)
            for (size_t i = 0; i < row.size(); ++i)
                if (contact.layout().columns[i].exportName == name)
                    row[i] = value;
        return row;
    };
    auto times = [](std::string_view unit, int n) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += unit;
        return text;
    };
    auto lines = [](std::initializer_list<std::string> each) {
        std::string text;
        for (const std::string& line : each)
            text += line + "\r\n";
        return text;
    };
    const std::string kim = times("김", 30), smile = times("😀", 40);
    const struct {
        host::LayoutRow row;
        std::string v3, v4;
    } cases[] = {
        {cellsOf({{u"FIRST_NAME", "Zoë"}, {u"LAST_NAME", "Durand; fils"}, {u"JOB_TITLE", "Chef, \"grand\""},
                  {u"DEPARTMENT", "R&D"}, {u"COMPANY", "Café, Lumière"}, {u"TEL_WORK1", "\"+33 1 42 68 53 00\""},
                  {u"TEL_WORK2", " 2 "}, {u"TEL_HOME1", "\" 3 \""}, {u"TEL_HOME2", "4;5"}, {u"TEL_MOBILE1", "06"},
                  {u"TEL_MOBILE2", "\"\""}, {u"TEL_FAX1", "07"}, {u"TEL_FAX2", "\t"}, {u"TEL_OTHER1", "08"},
                  {u"TEL_OTHER2", "09"}, {u"EMAIL_HOME", "h@x.example"}, {u"EMAIL_WORK", "w,1@x.example"},
                  {u"EMAIL_OTHER", "o@x.example"}, {u"URL_WORK", "http://w.example/?a=1,2;b"},
                  {u"URL_HOME", "http://h.example/"}, {u"URL_OTHER", "http://o.example/"},
                  {u"BIRTHDAY", "1984-03-09 00:00"}, {u"ANNIVERSARY", "2001-06-30 18:45"},
                  {u"ADR_WORK_STREET", "1 Main St."}, {u"ADR_WORK_CITY", "Springfield"}, {u"ADR_WORK_STATE", "IL"},
                  {u"ADR_WORK_ZIP", "62701"}, {u"ADR_WORK_COUNTRY", "USA"}, {u"ADR_HOME_COUNTRY", "대한민국"},
                  {u"ADR_OTHER_STREET", "12, rue\r\nBât. B"}, {u"ADR_OTHER_ZIP", "75002"},
                  {u"NOTE", "a\\b\r\nc\rd\ne\bf\f;"}, {u"GROUP_NAME", "Work, etc."}}),
         lines({"BEGIN:VCARD", "VERSION:3.0", "N:Durand\\; fils;Zoë;;;", "FN:Zoë Durand\\; fils",
                "ORG:Café\\, Lumière;R&D", "TITLE:Chef\\, \"grand\"", "TEL;TYPE=WORK,VOICE:+33 1 42 68 53 00",
                "TEL;TYPE=WORK,VOICE:2", "TEL;TYPE=HOME,VOICE:3", "TEL;TYPE=HOME,VOICE:4\\;5", "TEL;TYPE=CELL:06",
                "TEL;TYPE=FAX:07", "TEL;TYPE=VOICE:08", "TEL;TYPE=VOICE:09", "EMAIL;TYPE=WORK:w\\,1@x.example",
                "EMAIL;TYPE=HOME:h@x.example", "EMAIL;TYPE=INTERNET:o@x.example",
                "URL;TYPE=WORK:http://w.example/?a=1,2;b", "URL;TYPE=HOME:http://h.example/",
                "URL:http://o.example/", "BDAY:1984-03-09", "X-ANNIVERSARY:2001-06-30T18:45:00",
                "ADR;TYPE=WORK:;;1 Main St.;Springfield;IL;62701;USA", "ADR;TYPE=HOME:;;;;;;대한민국",
                "ADR;TYPE=POSTAL:;;12\\, rue\\nBât. B;;;75002;", "NOTE:a\\\\b\\nc\\nd\\ne\bf\f\\;",
                "CATEGORIES:Work\\, etc.", "END:VCARD"}),
         lines({"BEGIN:VCARD", "VERSION:4.0", "N:Durand\\; fils;Zoë;;;", "FN:Zoë Durand\\; fils",
                "ORG:Café\\, Lumière;R&D", "TITLE:Chef\\, \"grand\"", "TEL;TYPE=work,voice:+33 1 42 68 53 00",
                "TEL;TYPE=work,voice:2", "TEL;TYPE=home,voice:3", "TEL;TYPE=home,voice:4\\;5", "TEL;TYPE=cell:06",
                "TEL;TYPE=fax:07", "TEL;TYPE=voice:08", "TEL;TYPE=voice:09", "EMAIL;TYPE=work:w\\,1@x.example",
                "EMAIL;TYPE=home:h@x.example", "EMAIL:o@x.example", "URL;TYPE=work:http://w.example/?a=1,2;b",
                "URL;TYPE=home:http://h.example/", "URL:http://o.example/", "BDAY:19840309",
                "ANNIVERSARY:20010630T184500", "ADR;TYPE=work:;;1 Main St.;Springfield;IL;62701;USA",
                "ADR;TYPE=home:;;;;;;대한민국", "ADR:;;12\\, rue\\nBât. B;;;75002;",
                "NOTE:a\\\\b\\nc\\nd\\ne\bf\f\\;", "CATEGORIES:Work\\, etc.", "END:VCARD"})},
        {cellsOf({{u"FIRST_NAME", kim}, {u"LAST_NAME", "x" + kim}, {u"NOTE", "ab" + smile},
                  {u"BIRTHDAY", "garbage"}, {u"ANNIVERSARY", "0100-01-01 00:00"}, {u"URL_OTHER", times("u", 80)}}),
         lines({"BEGIN:VCARD", "VERSION:3.0", "N:x" + times("김", 24), " " + times("김", 6) + ";" + times("김", 18),
                " " + times("김", 12) + ";;;", "FN:" + times("김", 24), " " + times("김", 6) + " x" + times("김", 18),
                " " + times("김", 12), "URL:" + times("u", 71), " " + times("u", 9), "X-ANNIVERSARY:0100-01-01",
                "NOTE:ab" + times("😀", 17), " " + times("😀", 18), " " + times("😀", 5), "END:VCARD"}),
         lines({"BEGIN:VCARD", "VERSION:4.0", "N:x" + times("김", 24), " " + times("김", 6) + ";" + times("김", 18),
                " " + times("김", 12) + ";;;", "FN:" + times("김", 24), " " + times("김", 6) + " x" + times("김", 18),
                " " + times("김", 12), "URL:" + times("u", 71), " " + times("u", 9), "ANNIVERSARY:01000101",
                "NOTE:ab" + times("😀", 17), " " + times("😀", 18), " " + times("😀", 5), "END:VCARD"})},
        {cellsOf({{u"COMPANY", "Only, Company"}, {u"BIRTHDAY", " 9999-12-31 23:59"}}),
         lines({"BEGIN:VCARD", "VERSION:3.0", "N:;;;;", "FN:Only\\, Company", "ORG:Only\\, Company",
                "BDAY:9999-12-31T23:59:00", "END:VCARD"}),
         lines({"BEGIN:VCARD", "VERSION:4.0", "N:;;;;", "FN:Only\\, Company", "ORG:Only\\, Company",
                "BDAY:99991231T235900", "END:VCARD"})},
        {{}, lines({"BEGIN:VCARD", "VERSION:3.0", "N:;;;;", "FN:", "END:VCARD"}),
         lines({"BEGIN:VCARD", "VERSION:4.0", "N:;;;;", "FN:", "END:VCARD"})},
    };
    host::VCardWriter v3(3), v4(4);
    for (const auto& c : cases) {
        EXPECT_EQ(SplitLines(v3.Write(c.row)), SplitLines(c.v3));
        EXPECT_EQ(SplitLines(v4.Write(c.row)), SplitLines(c.v4));
    }
    // Regression: a run of continuation octets longer than a line (not
    // UTF-8; no export makes one) was folded without end, until memory ran out.
    const std::string notUtf8 = v3.Write(cellsOf({{u"NOTE", "a" + std::string(200, '\x80')}}));
    EXPECT_EQ(notUtf8.substr(notUtf8.size() - 11), "END:VCARD\r\n");
    for (const std::string& line : SplitLines(notUtf8))
        EXPECT_LE(line.size(), 76u); // with its CR
}

class VCardSessionTest : public SessionTest {
protected:
    static host::ReadRequest Request(const std::string& file)
    {
        host::ReadRequest request;
        request.file = file;
        return request;
    }
};

// CSV -> store -> vCard (3.0 and 4.0) -> store -> CSV: every field the
// layout keeps comes back; a hostile vCard stores nothing; --map is for CSV.
TEST_F(VCardSessionTest, RoundTripThroughVCardKeepsEveryFieldOfTheLayout)
{
    // The example contacts, and one with every column of the layout filled
    // with what the vCard must escape (",", ";", "\\n", a line break) and
    // fold (a long Korean text).
    const std::string longKorean = "가나다라마바사아자차카타파하가나다라마바사아자차카타파하가나다";
    std::string header, full;
    int n = 0;
    for (const CSVColumn& column : Type("contact").layout().columns) {
        const std::string name = CString(column.exportName).ToUtf8();
        header += (header.empty() ? "" : ",") + name;
        ++n;
        full += (full.empty() ? "" : ",") +
                (column.kind == CSVCellKind::Telephone ? "0101234" + std::to_string(n)
                 : column.kind == CSVCellKind::Date    ? "2001-02-" + std::to_string(n) + " 07:30"
                                                       : "\"" + name + ", a;b\\no" +
                                                             "\r\n" + longKorean + "\"");
    }
    WriteBytes("full.csv", header + "\r\n" + full + "\r\n");
    SetStorePath(PathOf("store.db"));
    ASSERT_GT(Session().Import(Type("contact"), Request(Example("contacts.csv")), -1, false), 0);
    ASSERT_EQ(Session().Import(Type("contact"), Request(Path("full.csv")), -1, false), 1);
    ASSERT_GT(Session().Export(Type("contact"), {Path("first.csv"), {}, {}}).written, 0);
    // (The CSV import splits the group cell at ";" and ",".)
    ASSERT_NE(ReadBytes("first.csv").find("\"NOTE, a;b\\no\r\n" + longKorean + "\",\"GROUP_NAME\""), std::string::npos)
        << ReadBytes("first.csv");
    for (const int version : {3, 4}) {
        host::ExportRequest toVCard{Path("book.vcf"), {}, {}};
        toVCard.vcardVersion = version;
        const long written = Session().Export(Type("contact"), toVCard).written;
        SetStorePath(PathOf("second-" + std::to_string(version) + ".db"));
        EXPECT_EQ(Said([&] { EXPECT_EQ(Session().Import(Type("contact"), Request(Path("book.vcf")), -1, false), written); }),
                  "created the store " + Path("second-" + std::to_string(version) + ".db") + "\n");
        ASSERT_GT(Session().Export(Type("contact"), {Path("second.csv"), {}, {}}).written, 0);
        EXPECT_EQ(SplitLines(ReadBytes("second.csv")), SplitLines(ReadBytes("first.csv"))) << "vCard " << version;
        SetStorePath(PathOf("store.db"));
    }

    SetStorePath(PathOf("hostile.db"));
    WriteBytes("cut.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:A;B\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:C\r\n");
    EXPECT_EQ(Said([&] { (void)Session().Import(Type("contact"), Request(Path("cut.vcf")), -1, false); }),
              "error: " + Path("cut.vcf") +
                  ": the vCard that begins on line 5 has no END:VCARD; the file may be cut off: save it again from "
                  "the program that wrote it\n");
    EXPECT_FALSE(Exists("hostile.db"));
    host::ReadRequest mapped{Path("cut.vcf"), {"FIRST_NAME=N"}};
    EXPECT_THROW((void)Session().Count(Type("contact"), mapped), host::Error);
    EXPECT_THROW((void)Session().Count(Type("memo"), Request(Path("cut.vcf"))), host::Error);
    EXPECT_EQ(Said([&] { (void)Session().Fields(Path("cut.vcf")); }),
              "error: fields shows the header of a CSV file; a vcard file has none (preview shows how its records "
              "would be stored)\n");
}

// Messages of the CSV path name the vCard's line: the record stands on the
// line of its BEGIN, or is named by it where the translation runs ahead (the
// first record, after the header; one after a note of many lines).
TEST_F(VCardSessionTest, CountPreviewAndNotesNameTheVCardsLines)
{
    WriteBytes("three.vcf", "BEGIN:VCARD\nVERSION:3.0\nN:A;B\nEND:VCARD\n\nBEGIN:VCARD\nVERSION:3.0\nN:C;D\n"
                            "NOTE:1\\n2\\n3\\n4\\n5\\n6\\n7\nEND:VCARD\nBEGIN:VCARD\nN:E;F\nCATEGORIES:p\\,q,r\nEND:VCARD\n");
    EXPECT_EQ(Session().Count(Type("contact"), Request(Path("three.vcf"))), 3);
    EXPECT_EQ(Session().MakePreview(Type("contact"), Request(Path("three.vcf")), 5).records.size(), 3u);
    SetStorePath(PathOf("store.db"));
    EXPECT_NE(Said([&] { (void)Session().Import(Type("contact"), Request(Path("three.vcf")), -1, false); })
                  .find("names several groups (line 11: \"p,q ::: r\")"),
              std::string::npos)
        << m_notes;
    EXPECT_NE(Listed("contact").back().find(R"("groups":["p,q","r"])"), std::string::npos) << Listed("contact").back();
    EXPECT_NE(Said([&] { (void)Session().Import(Type("contact"), Request(Path("three.vcf")), -1, false); })
                  .find("3 of the 3 contacts in " + Path("three.vcf") +
                        " are in the store already with the same content (the first on line 1)"),
              std::string::npos)
        << m_notes;
}

// The translation of a vCard file for the library waits in an unnamed file
// in $TMPDIR; a TMPDIR that takes no file sends it to memory, which is
// said, and the import goes on; a write of it that fails refuses the file,
// naming the folder and the cause, with nothing stored. (Which folders take
// no file, and why, ScratchFileTest holds.)
TEST_F(VCardSessionTest, TranslationWaitsInTmpdirOrInMemoryAndAFailedWriteStoresNothing)
{
    // (A "(0)" in a number has the host rewrite the translation for the
    // library, into a file of the same kind.)
    std::string cards = "BEGIN:VCARD\r\nN:Lee;Bo\r\nTEL:+49 (0)30 123\r\nEND:VCARD\r\n";
    for (int i = 0; i < 400; ++i)
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann " + std::to_string(i) + "\r\nEND:VCARD\r\n";
    WriteBytes("book.vcf", cards);
    std::filesystem::create_directory(m_dir / "scratch");
    const std::string book = Path("book.vcf");
    const struct {
        std::string tmpdir, said; // said before the import's own lines
    } rows[] = {
        {Path("scratch"), ""},
        {Path("nope"), book + " is handed to the library from memory: no temporary file can be made in " +
                           Path("nope") + " (TMPDIR): no such folder\n"},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        EnvGuard tmpdir("TMPDIR", rows[i].tmpdir);
        const std::string store = "store" + std::to_string(i) + ".db";
        SetStorePath(PathOf(store));
        EXPECT_EQ(Said([&] {
                      EXPECT_EQ(Session().Import(Type("contact"), Request(book), -1, false), 401);
                  }),
                  rows[i].said + "1 telephone number in column \"TEL_OTHER1\" of " + book +
                      " has a \"(0)\" after the country code, which is not dialled from abroad (line 1: \"+49 "
                      "(0)30 123\", handed on as \"+49 30 123\")\ncreated the store " + Path(store) + "\n");
    }
    EXPECT_TRUE(std::filesystem::is_empty(m_dir / "scratch"));
    // A CSV file the host rewrites for the library goes the same way.
    {
        WriteBytes("book.csv", "FIRST_NAME,TEL_HOME1\r\nBo,+49 (0)30 123\r\n");
        EnvGuard tmpdir("TMPDIR", Path("nope"));
        SetStorePath(PathOf("csv.db"));
        EXPECT_NE(Said([&] { (void)Session().Import(Type("contact"), Request(Path("book.csv")), -1, false); })
                      .find("\n" + Path("book.csv") + " is handed to the library from memory: no temporary file can be "
                                                      "made in " + Path("nope") + " (TMPDIR): no such folder\n"),
                  std::string::npos)
            << m_notes;
    }

    // A limit on the size of files (ulimit -f) fails the write as a full
    // disk would.
    struct Limit {
        Limit()
        {
            ::getrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = old;
            small.rlim_cur = 64 << 10;
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        ~Limit()
        {
            ::setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, SIG_DFL);
        }
        rlimit old{};
    };
    EnvGuard tmpdir("TMPDIR", Path("scratch"));
    SetStorePath(PathOf("full.db"));
    std::string said;
    {
        const Limit limit;
        said = Said([&] { (void)Session().Import(Type("contact"), Request(book), -1, false); });
    }
    EXPECT_EQ(said, "error: cannot translate " + book + " for the library: writing the translation to a temporary file in " +
                        Path("scratch") + " failed: file too large: the size limit for files (ulimit -f) was reached "
                                          "(TMPDIR chooses the folder); nothing was stored\n");
    EXPECT_FALSE(Exists("full.db"));
}

// The format follows --format, else the extension; a format that does not
// hold the type, or --map with a vCard, is a usage error.
TEST(FileFormatsTest, TheFormatFollowsTheOptionThenTheExtension)
{
    const host::RecordType& contact = *host::FindRecordType("contact");
    const host::RecordType& memo = *host::FindRecordType("memo");
    const struct {
        const host::RecordType& type;
        std::string file, format, chosen; // "error: ..." for a usage error
    } rows[] = {
        {contact, "book.vcf", "", "vcard"},      {contact, "dir.v/Book.VCARD", "", "vcard"},
        {contact, "book.csv", "", "csv"},        {contact, "dir.vcf/book", "", "csv"},
        {contact, "-", "", "csv"},               {contact, "-", "VCard", "vcard"},
        {contact, "book.vcf", "csv", "csv"},     {memo, "notes.txt", "", "csv"},
        {memo, "notes.vcf", "", "error: vcard files hold contacts, not memos (the format follows"},
        {memo, "-", "vcard", "error: vcard files hold contacts, not memos"},
        {contact, "book.vcf", "xml", "error: unknown --format \"xml\": use csv, vcard, icalendar"},
        {*host::FindRecordType("todo"), "Tasks.ICS", "", "icalendar"},
        {contact, "book.ics", "", "error: icalendar files hold calendar entries and to-do items, not contacts"},
    };
    for (const auto& row : rows) {
        std::string chosen;
        try {
            chosen = host::Session::FormatFor(row.type, row.file, row.format).name;
        } catch (const host::Error& error) {
            EXPECT_EQ(error.GetKind(), host::Error::Kind::Usage);
            chosen = std::string("error: ") + error.what();
        }
        EXPECT_EQ(chosen.substr(0, row.chosen.size()), row.chosen) << row.file << " " << row.format;
    }
    EXPECT_EQ(host::Session::ExportPath("book.vcf"), "book.vcf");
    EXPECT_EQ(host::Session::ExportPath("book", "vcard"), "book");
    EXPECT_EQ(host::Session::ExportPath("book"), "book.csv");
}

// A 2.1 vCard without CHARSET is read in the code page in use; export
// writes UTF-8 whatever the code page, and leaves the code page as it was;
// standard output receives the vCard.
TEST_F(VCardSessionTest, CodePagesAndStandardOutput)
{
    SetStorePath(PathOf("store.db"));
    const std::string korean = WideCharToMultiByte(949, u"홍길동");
    WriteBytes("cp949.vcf", "BEGIN:VCARD\r\nVERSION:2.1\r\nN:" + korean + ";\r\nEND:VCARD\r\n");
    EXPECT_NE(Said([&] { (void)Session().Count(Type("contact"), Request(Path("cp949.vcf"))); })
                  .find("line 3 holds bytes that are not text in code page 65001"),
              std::string::npos);
    {
        CodePageGuard cp949(949);
        EXPECT_EQ(Session().Import(Type("contact"), Request(Path("cp949.vcf")), -1, false), 1);
        WriteBytes("utf8.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Durand;Zoë;;;\r\nNOTE:€ ∑\r\nEND:VCARD\r\n");
        EXPECT_EQ(Session().Import(Type("contact"), Request(Path("utf8.vcf")), -1, false), 1);
        std::string written;
        host::ExportRequest out{"-", [&](std::string_view bytes) { written += bytes; }, {}};
        out.format = "vcard";
        EXPECT_EQ(Session().Export(Type("contact"), out).written, 2);
        EXPECT_NE(written.find("\r\nN:홍길동;;;;\r\n"), std::string::npos) << written;
        EXPECT_NE(written.find("\r\nNOTE:€ ∑\r\n"), std::string::npos) << written;
        EXPECT_EQ(GetACP(), 949u);
    }
}

} // namespace
} // namespace varno::test
