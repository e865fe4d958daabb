// Telephone cells of other programs' files: what the host hands the library
// for each, and the number the library's own cleaning then stores.
#include "converters/CSVContact.h"
#include "host/PhoneCells.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace varno::test {
namespace {

using host::CheckPhoneCell;
using host::PhoneVerdict;

constexpr unsigned kTrunk = PhoneVerdict::TrunkDropped, kExtension = PhoneVerdict::Extension,
                   kLetters = PhoneVerdict::Letters, kWord = PhoneVerdict::Word, kWords = PhoneVerdict::WordsBeside;

struct Row {
    const char* region;
    const char* cell;
    unsigned changes;
    const char* handed; // the text the library is handed
    const char* stored; // what its cleaning makes of it
};

constexpr Row kRows[] = {
    // Numbers that need nothing.
    {"US", "", PhoneVerdict::None, "", ""},
    {"US", "   ", PhoneVerdict::None, "   ", ""},
    {"US", "+1 (212) 555-0147", PhoneVerdict::None, "+1 (212) 555-0147", "+12125550147"},
    {"US", "(718) 555-0199", PhoneVerdict::None, "(718) 555-0199", "7185550199"},
    {"SE", "+46 8 123 456 78", PhoneVerdict::None, "+46 8 123 456 78", "+46812345678"},
    {"DE", "0331 987654", PhoneVerdict::None, "0331 987654", "0331987654"},
    {"KR", "010-1234-5678", PhoneVerdict::None, "010-1234-5678", "01012345678"},
    {"DE", "030/4567890", PhoneVerdict::None, "030/4567890", "0304567890"},
    {"DE", "(030) 4567890", PhoneVerdict::None, "(030) 4567890", "0304567890"},
    // Dial characters the library keeps on purpose.
    {"US", "5551234p89", PhoneVerdict::None, "5551234p89", "5551234p89"},
    {"US", "5551234w", PhoneVerdict::None, "5551234w", "5551234w"},
    {"US", "555 1234pp1", PhoneVerdict::None, "555 1234pp1", "5551234pp1"},
    {"US", "5551234#", PhoneVerdict::None, "5551234#", "5551234#"},
    {"US", "*31#5551234", PhoneVerdict::None, "*31#5551234", "*31#5551234"},
    // No number at all.
    {"US", "none", kWord, "", ""},
    {"US", "n/a", kWord, "", ""},
    {"US", "-", kWord, "", ""},
    {"US", "ask Bob", kWord, "", ""},
    // The trunk zero after the country code.
    {"DE", "+49 (0)30 1234567", kTrunk, "+49 30 1234567", "+49301234567"},
    {"DE", "+49 (0)171 2345678", kTrunk, "+49 171 2345678", "+491712345678"},
    {"DE", "+49(0)30 1234568", kTrunk, "+4930 1234568", "+49301234568"},
    {"DE", "+49 ( 0 ) 40 555 0100", kTrunk, "+49 40 555 0100", "+49405550100"},
    {"US", "+44 (0)20 7946 0958", kTrunk, "+44 20 7946 0958", "+442079460958"},
    {"DE", "0049 (0)89 7654321", kTrunk, "0049 89 7654321", "0049897654321"},
    {"US", "0049 (0)30 1234567", kTrunk, "0049 30 1234567", "0049301234567"},
    {"US", "+1 (0) 212 555 0147", kTrunk, "+1 212 555 0147", "+12125550147"},
    {"DE", "+39 (0)6 12345678", PhoneVerdict::None, "+39 (0)6 12345678", "+390612345678"}, // Italy dials it
    {"DE", "+39 (0)6 123", PhoneVerdict::None, "+39 (0)6 123", "+3906123"},
    {"DE", "+49 (0)", PhoneVerdict::None, "+49 (0)", "+490"}, // no number to read a country from
    {"DE", "030 (0) 123456", PhoneVerdict::None, "030 (0) 123456", "0300123456"},         // not after a country code
    // Extensions: a pause, then the extension.
    {"DE", "+1 212-555-0147 x89", kExtension, "+1 212-555-0147p89", "+12125550147p89"},
    {"BR", "+55 11 3456-7890 x89", kExtension, "+55 11 3456-7890p89", "+551134567890p89"},
    {"DE", "+49 221 1234567 x89", kExtension, "+49 221 1234567p89", "+492211234567p89"},
    {"US", "212-555-0147 ext. 89", kExtension, "212-555-0147p89", "2125550147p89"},
    {"US", "+1 212 555 0147 Extension 89", kExtension, "+1 212 555 0147p89", "+12125550147p89"},
    {"US", "555-0147 #123", kExtension, "555-0147p123", "5550147p123"},
    {"US", "212-555-0147;ext=89", kExtension, "212-555-0147p89", "2125550147p89"},
    {"US", "5551234,89", kExtension, "5551234p89", "5551234p89"},
    {"US", "x89", kWords, "89", "89"}, // no number before it: the marker is only a word
    // Vanity numbers.
    {"US", "1-800-FLOWERS", kLetters, "1-800-3569377", "18003569377"},
    {"DE", "1-800-FLOWERS", kLetters, "1-800-3569377", "18003569377"},
    {"US", "1 800 flowers", kLetters, "1 800 3569377", "18003569377"},
    {"US", "1-800-MY-APPLE", kLetters, "1-800-69-27753", "18006927753"},
    {"US", "1-800-CONTACTS", kLetters, "1-800-26682287", "180026682287"}, // one letter more than it dials
    // Words beside the number.
    {"DE", "030 4567890 (home)", kWords, "030 4567890", "0304567890"},
    {"US", "555 1234 (work)", kWords, "555 1234", "5551234"},
    {"US", "555 1234 (Lisa)", kWords, "555 1234", "5551234"}, // a name in brackets is a word
    {"US", "555 1234 work", kWords, "555 1234", "5551234"},
    {"US", "555 1234 WORK", kWords, "555 1234", "5551234"},
    {"DE", "Tel. 030 123456", kWords, "030 123456", "030123456"},
    {"DE", "Büro: 030 123456", kWords, "030 123456", "030123456"},
    {"DE", "0171 2345678 privat", kWords, "0171 2345678", "01712345678"},
    {"KR", "010-1234-5678 (집)", kWords, "010-1234-5678", "01012345678"},
    {"US", "home 555 1234 p89", kWords, "555 1234 p89", "5551234p89"},
    // Several at once.
    {"DE", "+49 (0)30 1234567 x89 (Büro)", kTrunk | kExtension | kWords, "+49 30 1234567p89", "+49301234567p89"},
    {"US", "1-800-FLOWERS x12 (shop)", kLetters | kExtension | kWords, "1-800-3569377p12", "18003569377p12"},
    {"US", "work: +1 212-555-0147 ext 89", kExtension | kWords, "+1 212-555-0147p89", "+12125550147p89"},
};

TEST(PhoneCells, HandedTextAndStoredNumber)
{
    CCSVContact library;
    for (const Row& row : kRows) {
        const std::string where = std::string(row.region) + " \"" + row.cell + "\"";
        const PhoneVerdict verdict = CheckPhoneCell(U8(row.cell).str(), row.region);
        EXPECT_EQ(verdict.changes, row.changes) << where;
        EXPECT_EQ(verdict.text.ToUtf8(), row.handed) << where;
        CString stored = verdict.text;
        library.RemoveCharFromString_NumberType(stored);
        EXPECT_EQ(stored.ToUtf8(), row.stored) << where;
    }
}

TEST(PhoneCells, UnknownRegionReadsAsUnitedStates)
{
    for (const char* region : {"", "ZZ", "XX", "de"}) { // region names are upper case
        // A national number is read at all only with a region to read it in.
        const PhoneVerdict verdict = CheckPhoneCell(u"212-555-0147 x89", region);
        EXPECT_EQ(verdict.changes, kExtension) << region;
        EXPECT_EQ(verdict.text.ToUtf8(), "212-555-0147p89") << region;
    }
}

TEST(PhoneCells, RegionOfLocale)
{
    const struct { const char* locale; const char* region; } cases[] = {
        {"de_DE", "DE"}, {"ko_KR.UTF-8", "KR"}, {"en_GB@euro", "GB"}, {"fr-CA", "CA"}, {"sr_Latn_RS", "RS"},
        {"de", "DE"},    {"ko", "KR"},          {"en", "US"},         {"ja", "JP"},    {"pt", "BR"},
        {"C", "US"},     {"POSIX", "US"},       {"", "US"},           {"en_001", "US"}, {"qqq", "US"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(host::RegionOfLocale(c.locale), c.region) << c.locale;
}

} // namespace
} // namespace varno::test
