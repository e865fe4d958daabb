// The line codec: a separator from a byte, then the single-pass codec against
// a literal reference model of the record and field rules, on seeded random
// texts of the characters that matter. The model states the rules: a record
// ends at a CR, an LF or a CR LF outside quotes (so LF CR leaves an empty
// record between, and an unclosed quote runs to the end); a field that
// starts with a quote ends at the first separator after an odd number of
// further quotes, any other at the next separator; the outer quotes are
// dropped one by one and doubled quotes made one; nothing is trimmed, NUL
// is a character, and a trailing separator gives no empty last field.
// Reproduce a random failure with VARNO_CODEC_SEED=<seed>. Writing records
// is checked with whole files in CSVFileTest.
#include "engine/CSVScan_p.h"
#include "tests/engine/CodecReference.h"
#include "tests/engine/TestItem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace varno::test {
namespace {

TEST(CSVCodec, SetSeparatorTakesAByteAsUtf16OrInTheAnsiCodePage)
{
    const struct Case { unsigned acp; unsigned char byte; int codePage; const char* separator; } cases[] = {
        {1252, 0x80, 0, "€"}, {1252, 0x80, 65001, "\u0080"}, {949, 0xE4, 65001, "ä"}, {949, ',', 949, ","}};
    for (const Case& c : cases) {
        CodePageGuard acp(c.acp);
        TestItem item;
        item.SetSeparator(c.byte, c.codePage);
        EXPECT_EQ(item.m_strSeparator.ToUtf8(), c.separator) << c.acp << " " << int(c.byte) << " " << c.codePage;
    }
}

std::u16string RandomText(std::mt19937& rng, size_t maxLength)
{
    // Quotes and line breaks come often; the last pick is a surrogate pair.
    static const std::u16string alphabet = u"\"\"\"\",,,\t\t\r\r\n\n \0ab\u00E4\uD55C";
    std::uniform_int_distribution<size_t> length(0, maxLength), pick(0, alphabet.size());
    std::u16string text;
    for (size_t n = length(rng); text.size() < n;) {
        const size_t k = pick(rng);
        text += k == alphabet.size() ? u"\U0001F600" : alphabet.substr(k, 1);
    }
    return text;
}

unsigned Seed()
{
    const char* fixed = std::getenv("VARNO_CODEC_SEED");
    return fixed ? static_cast<unsigned>(std::strtoul(fixed, nullptr, 10)) : 20240605u;
}

/// Names a failing text: the seed, the round and its code units.
std::string Where(unsigned seed, int round, std::u16string_view text)
{
    std::string out = "seed " + std::to_string(seed) + ", round " + std::to_string(round) + ", units";
    for (char16_t c : text)
        out.append(" ").append(std::to_string(static_cast<unsigned>(c)));
    return out;
}

// Each comparison stops at the first text that differs, so the report names it.
TEST(CSVCodecReference, LineOperationsAgreeOnRandomTexts)
{
    const unsigned seed = Seed();
    std::mt19937 rng(seed);
    for (int round = 0; round < 20000 && !::testing::Test::HasFailure(); ++round) {
        const std::u16string text = RandomText(rng, round % 10 == 0 ? 120 : 24);
        const std::string where = Where(seed, round, text);
        TestItem item;
        CString ours(text), ref(text);
        while (!ref.IsEmpty() && ours == ref) {
            EXPECT_EQ(item.GetLine(ours), RefGetLine(ref)) << where;
            EXPECT_EQ(ours, ref) << where;
        }
        for (const char16_t* separator : {u",", u"\t"}) {
            item.SetSeparator(CString(separator));
            EXPECT_EQ(item.nextSeparator(CString(text)), RefNextSeparator(CString(text), CString(separator))) << where;
            CStringArray a, b;
            item.ReadLine(CString(text), a);
            RefReadLine(CString(text), CString(separator), b);
            EXPECT_EQ(a, b) << where << "\n ours " << ::testing::PrintToString(Utf8(a)) << "\n  ref "
                            << ::testing::PrintToString(Utf8(b));
        }
    }
}

// The block search against the plain one: texts of every length up to 70,
// searched from every start, the units sought placed rarely or often.
TEST(CSVCodecReference, BlockSearchFindsWhatThePlainOneFinds)
{
    std::mt19937 rng(Seed());
    const char16_t alphabet[] = {u'a', u'"', u',', u'\t', u'\r', u'\n', u'\uFFFF', u'\u2C22', u'\x00'};
    for (int round = 0; round < 3000; ++round) {
        const size_t length = rng() % 71;
        const unsigned often = 1 + rng() % 40; // one unit in `often` is not a plain letter
        std::u16string text;
        for (size_t i = 0; i < length; ++i)
            text += rng() % often == 0 ? alphabet[1 + rng() % 8] : alphabet[0];
        const char16_t a = alphabet[rng() % 9], b = alphabet[rng() % 9], c = alphabet[rng() % 9];
        for (size_t from = 0; from <= length; ++from)
            ASSERT_EQ(detail::FindFirstOf(text.data(), from, length, a, b, c),
                      detail::FindFirstOfPlain(text.data(), from, length, a, b, c))
                << CString(text).ToUtf8() << " from " << from;
    }
}

class CSVCodecReferenceFile : public TempDirTest {};

TEST_F(CSVCodecReferenceFile, ImportFileAndGetFieldAgreeOnRandomFiles)
{
    const unsigned seed = Seed() + 1;
    std::mt19937 rng(seed);
    CodePageGuard acp(65001);
    const CString path = PathOf("random.csv");
    for (int round = 0; round < 500 && !HasFailure(); ++round) {
        const std::u16string text = RandomText(rng, 80);
        const std::string where = Where(seed, round, text);
        // Alternately UTF-16LE with its mark and UTF-8 as the ANSI code page;
        // either way the text ends at its first zero.
        WriteBytes("random.csv", round % 2 == 0 ? Utf16LE(text) : CString(text).ToUtf8());
        const RefTable ref = RefImport(CString(text.substr(0, text.find(u'\0'))));

        TestItem item;
        CStringList unused;
        EXPECT_EQ(item.ImportFile(path, unused, unused), ref.result) << where;
        EXPECT_EQ(item.m_strSeparator, ref.separator) << where;
        EXPECT_EQ(item.m_arrField, ref.fields) << where;
        EXPECT_EQ(std::vector<CStringArray>(&item.m_pValue[0], &item.m_pValue[0] + item.GetValueCount()), ref.rows)
            << where;

        TestItem header;
        CStringArray names{u"stale"};
        EXPECT_EQ(header.GetField(path, names), CSVERR_SUCCESS) << where;
        EXPECT_EQ(names, ref.fields) << where;
        EXPECT_EQ(header.m_strSeparator, ref.separator) << where;
    }
}

// Files are read in pieces of 256 KiB: a random text placed right at the
// first boundary (a CR LF cut in two, a character cut in two, a quote, a
// zero) must give the records it gives anywhere else.
TEST_F(CSVCodecReferenceFile, PieceBoundariesChangeNothing)
{
    constexpr size_t kPiece = 1 << 18;
    const unsigned seed = Seed() + 2;
    std::mt19937 rng(seed);
    CodePageGuard acp(65001);
    const CString path = PathOf("boundary.csv");
    const std::u16string header = u"h,i\r\n", filler = u"x,y\r\n";
    for (int round = 0; round < 200 && !HasFailure(); ++round) {
        const bool utf16 = round % 2 == 0;
        const std::u16string tail = RandomText(rng, 24);
        const std::string where = Where(seed, round, tail);
        // Filler rows and one padding row, so that the tail starts up to
        // eight bytes before the boundary.
        const size_t unitBytes = utf16 ? 2 : 1, lead = utf16 ? 2 : 0;
        const size_t start = kPiece - std::uniform_int_distribution<size_t>(0, 8)(rng) / unitBytes * unitBytes;
        const size_t rows = (start - lead) / unitBytes / filler.size() - 2;
        const size_t pad = (start - lead) / unitBytes - header.size() - rows * filler.size() - 2;
        std::u16string text = header;
        for (size_t i = 0; i < rows; ++i)
            text += filler;
        text += std::u16string(pad, u'p') + u"\r\n" + tail;
        WriteBytes("boundary.csv", utf16 ? Utf16LE(text) : CString(text).ToUtf8());

        const RefTable ref = RefImport(CString(header + tail.substr(0, tail.find(u'\0'))));
        TestItem item;
        CStringList unused;
        ASSERT_EQ(item.ImportFile(path, unused, unused), CSVERR_SUCCESS) << where;
        ASSERT_EQ(item.GetValueCount(), static_cast<int>(rows + 1 + ref.rows.size())) << where;
        EXPECT_EQ(item.m_pValue[rows], (CStringArray{CString(std::u16string(pad, u'p'))})) << where;
        EXPECT_EQ(std::vector<CStringArray>(&item.m_pValue[rows + 1], &item.m_pValue[0] + item.GetValueCount()),
                  ref.rows)
            << where;
    }
}

} // namespace
} // namespace varno::test
