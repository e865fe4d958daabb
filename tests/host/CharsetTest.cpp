// The guess at a file's code page: right where a host may act on it, and
// never wrong above kConfidentGuess on the files people bring (Korean,
// German, French, Spanish, English with a few accented names).
#include "host/Charset.h"

#include "engine/CSVInspect.h"
#include "platform/CodePage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace varno::host {
namespace {

using test::U8;

/// `utf8` written in `codePage`.
std::string In(unsigned codePage, std::string_view utf8)
{
    return WideCharToMultiByte(codePage, U8(utf8).str());
}

const char* const kKoreanMemos = "\"memo\",\"color\"\r\n"
                                 "\"내일 오전 10시 팀 회의, 자료 준비할 것\",\"yellow\"\r\n"
                                 "\"엄마 생신 선물 사기 (목도리 또는 장갑)\",\"blue\"\r\n"
                                 "\"치과 예약 다음 주 화요일 오후 3시\",\"red\"\r\n";
const char* const kKoreanContacts = "\"FIRST_NAME\",\"LAST_NAME\",\"TEL_MOBILE1\",\"ADR_HOME_CITY\",\"NOTE\"\r\n"
                                    "\"길동\",\"홍\",\"010-1234-5678\",\"서울\",\"생일 선물: 책\"\r\n"
                                    "\"지우\",\"이\",\"010-9876-5432\",\"성남\",\"테니스, 일요일\"\r\n"
                                    "\"민준\",\"김\",\"02-555-0100\",\"부산\",\"회사 동기\"\r\n";
const char* const kFrenchMemos = "\"memo\",\"color\"\r\n"
                                 "\"Rendez-vous chez le médecin mercredi à 9h30\",\"blue\"\r\n"
                                 "\"Réunion d'équipe reportée à jeudi après-midi\",\"red\"\r\n";
const char* const kGermanMemos = "\"memo\",\"color\"\r\n"
                                 "\"Für Oma ein Geschenk besorgen, vielleicht Blumen\",\"yellow\"\r\n"
                                 "\"Einkaufen: Brötchen, Käse, Äpfel, Milch\",\"green\"\r\n"
                                 "\"Straßenfest in der Müllerstraße am Samstag\",\"blue\"\r\n"
                                 "\"Größe der Küche ausmessen\",\"red\"\r\n";
const char* const kSpanishMemos = "\"memo\",\"color\"\r\n"
                                  "\"Reunión con el señor Núñez en la oficina de Madrid\",\"red\"\r\n"
                                  "\"¿Quién recoge a los niños del colegio el miércoles?\",\"blue\"\r\n";

/// An English contact list of `rows` rows, with `name` as the first name of
/// the rows listed in `at`.
std::string Contacts(int rows, std::vector<int> at, std::string_view name)
{
    static const char* const kFirst[] = {"James", "Mary", "Robert", "Linda", "David", "Susan", "Thomas", "Karen"};
    static const char* const kLast[] = {"Smith", "Johnson", "Brown", "Miller", "Wilson", "Taylor", "Clark"};
    std::string text = "\"FIRST_NAME\",\"LAST_NAME\",\"TEL_MOBILE1\",\"EMAIL_HOME\",\"ADR_HOME_CITY\",\"NOTE\"\r\n";
    for (int i = 0; i < rows; ++i) {
        const bool named = std::find(at.begin(), at.end(), i) != at.end();
        const std::string first = named ? std::string(name) : kFirst[i % 8];
        const std::string last = kLast[i % 7];
        text += "\"" + first + "\",\"" + last + "\",\"+1 555-" + std::to_string(1000 + i) + "\",\"" + kFirst[i % 8] +
                std::to_string(i) + "@mail.example\",\"Springfield\",\"" + (i % 3 ? "" : "Met at the trade fair") + "\"\r\n";
    }
    return text;
}

TEST(Charset, GuessesTheCodePageOfTheTextsPeopleBring)
{
    // The failure people met: 1252 decodes Korean in 949 without a bad
    // byte, so only the guess can tell.
    ASSERT_LT(InspectCSV(In(949, kKoreanMemos), 1252).badByteOffset, 0);
    const std::string utf8Memos = In(65001, kKoreanMemos);
    const struct {
        const char* label;
        std::string bytes;
        unsigned codePage;  ///< expected; a guess of 949 is named EUC-KR
        bool confident;     ///< above kConfidentGuess
        int exactly = -1;   ///< ICU's rating, where it is pinned
    } rows[] = {
        {"Korean memos in 949", In(949, kKoreanMemos), 949, true},
        {"Korean contacts in 949", In(949, kKoreanContacts), 949, true},
        {"Korean memos in UTF-8", utf8Memos, 65001, true},
        {"French memos in UTF-8", In(65001, kFrenchMemos), 65001, true},
        {"German memos in UTF-8", In(65001, kGermanMemos), 65001, true},
        {"German memos in 1252", In(1252, kGermanMemos), 1252, false},
        {"Spanish memos in 1252", In(1252, kSpanishMemos), 1252, false},
        // "Är" pairs up as a syllable of 949, "öß" as a Chinese character:
        // not Korean text.
        {"German in 1252 that 949 decodes", In(1252, "\"memo\"\r\n\"Ärger größer\"\r\n"), 1252, false},
        // One to three UTF-8 characters: right, but ICU is not sure; over the
        // whole line it rates ISO-8859-1 98 for the second and windows-1252
        // 87 for the third (reading "é" as "Ã©").
        {"one \"José\" in UTF-8", In(65001, "\"memo\"\r\n\"José\"\r\n"), 65001, false},
        {"three accents in UTF-8",
         In(65001, "\"memo\"\r\n\"Préparer la présentation pour le comité de direction\"\r\n"), 65001, false},
        {"three accents and a quote mark in UTF-8",
         In(65001, "\"memo\"\r\n\"Vérifier les pièces jointes avant d’envoyer le rapport\"\r\n"), 65001, false},
        // Too few Korean syllables for ICU's EUC-KR (it rates them 10); as
        // Latin letters they rate high for ISO-8859-1, which is taken back.
        {"one Korean name among English ones, 949", In(949, Contacts(20, {7}, "서윤")), 949, false, 10},
        // Syllables that only 949 has, which ICU counts against EUC-KR (it
        // rates nothing, so 0) and rates windows-1252 98 (as "»ƒ–i").
        {"949's own syllables", In(949, "\"memo\"\r\n\"퍌뻟\"\r\n"), 949, false, 0},
        {"949's own syllables, one with a second byte above A0", In(949, "\"memo\"\r\n\"꾢뻟\"\r\n"), 949, false},
        // A Chinese character, which does not pair up as Korean syllables
        // do, but ICU lists EUC-KR.
        {"a Chinese character and a syllable", In(949, "\"memo\"\r\n\"妬긍\"\r\n"), 949, false, 10},
        // "홍" in 949 is C8 AB, which is also UTF-8 (U+022B): ICU's 80 for
        // UTF-8 is why the threshold is not below 80.
        {"a syllable that is also UTF-8", In(949, "\"LAST_NAME\"\r\n\"홍\"\r\n"), 65001, false},
        {"a sample cut inside a character", utf8Memos.substr(0, utf8Memos.find("\xEC\x9E\x90") + 2), 65001, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const std::optional<CharsetGuess> guess = GuessCodePage(row.bytes);
        ASSERT_TRUE(guess.has_value());
        EXPECT_EQ(guess->codePage, row.codePage) << guess->name << " " << guess->confidence;
        EXPECT_EQ(guess->confidence > kConfidentGuess, row.confident) << guess->name << " " << guess->confidence;
        if (row.exactly >= 0) {
            EXPECT_EQ(guess->confidence, row.exactly);
        }
        if (row.codePage == 949) {
            EXPECT_EQ(guess->name, "EUC-KR");
        }
    }
}

TEST(Charset, PlainAsciiGivesNoGuess)
{
    EXPECT_FALSE(GuessCodePage("").has_value());
    EXPECT_FALSE(GuessCodePage("\"memo\",\"color\"\r\n\"Buy milk\",\"yellow\"\r\n").has_value());
    EXPECT_FALSE(GuessCodePage(Contacts(2000, {}, "")).has_value());
    EXPECT_FALSE(GuessCodePage(std::string("a\0b\x7F", 4)).has_value());
}

TEST(Charset, AFewAccentedNamesAmongThousandsOfRowsAreGuessedRightOrNotAtAll)
{
    const struct {
        const char* label;
        std::vector<int> at;
        const char* name;
    } cases[] = {
        {"José first", {0}, "José"},
        {"José in the middle", {1000}, "José"},
        {"José last", {1999}, "José"},
        {"five names", {10, 400, 800, 1200, 1600}, "Zoë"},
        {"a name in capitals", {500}, "ÉLODIE"},
    };
    for (const auto& c : cases) {
        const std::string text = Contacts(2000, c.at, c.name);
        for (unsigned codePage : {65001u, 1252u}) {
            SCOPED_TRACE(std::string(c.label) + " in " + std::to_string(codePage));
            const std::optional<CharsetGuess> guess = GuessCodePage(In(codePage, text));
            ASSERT_TRUE(guess.has_value());
            if (guess->codePage != codePage) {
                EXPECT_LE(guess->confidence, kConfidentGuess) << guess->name;
            }
            if (codePage == 65001) {
                EXPECT_EQ(guess->codePage, 65001u) << guess->name;
            }
        }
    }
}

TEST(Charset, NoWrongGuessRisesAboveTheThreshold)
{
    // Every text in every code page that holds it, whole and as its first
    // lines; where a guess names another code page that the file also
    // decodes in, a host acting above the threshold would refuse a right
    // file or give wrong advice.
    const struct {
        const char* text;
        std::vector<unsigned> codePages;
    } texts[] = {
        {kKoreanMemos, {949, 65001}},  {kKoreanContacts, {949, 65001}}, {kFrenchMemos, {1252, 65001}},
        {kGermanMemos, {1252, 65001}}, {kSpanishMemos, {1252, 65001}},
        {"\"memo\"\r\n\"Grüße\"\r\n", {1252, 65001}}, // also decodes in 949
        {"\"memo\"\r\n\"Äpfel und Ärger\"\r\n", {1252, 65001}},
        {"\"memo\"\r\n\"회의\"\r\n", {949, 65001}},
        {"\"memo\"\r\n\"황\"\r\n", {949, 65001}},
    };
    for (const auto& t : texts) {
        const std::string whole = t.text;
        for (size_t end = whole.find('\n'); end != std::string::npos; end = whole.find('\n', end + 1)) {
            const std::string lines = whole.substr(0, end + 1);
            for (unsigned codePage : t.codePages) {
                const std::optional<CharsetGuess> guess = GuessCodePage(In(codePage, lines));
                if (!guess || guess->codePage == codePage || guess->codePage == 0)
                    continue;
                SCOPED_TRACE(lines + " in " + std::to_string(codePage));
                EXPECT_LE(guess->confidence, kConfidentGuess) << guess->name;
            }
        }
    }
}

TEST(Charset, IcuNamesMapToTheCodePagesTheLibraryReads)
{
    const struct {
        const char* name;
        unsigned codePage;
    } rows[] = {
        {"UTF-8", 65001}, {"ISO-8859-1", 1252}, {"windows-1252", 1252}, {"EUC-KR", 949},
        {"ISO-8859-2", 0}, {"windows-1250", 0},  {"ISO-8859-9", 0},     {"ISO-2022-KR", 0},
        {"GB18030", 0},    {"Shift_JIS", 0},     {"UTF-16LE", 0},       {"", 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CodePageOfCharset(row.name), row.codePage) << row.name;
}

} // namespace
} // namespace varno::host
