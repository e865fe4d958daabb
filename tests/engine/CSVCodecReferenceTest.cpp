// The codec against a reference model: a plain, literal reading of the
// record and field rules (take a record off the front of the text; for every
// field rescan the rest of the line, counting quotes before each separator),
// compared with the single-pass codec on random texts made of the characters
// that matter. Reproduce a failure with VARNO_CODEC_SEED=<seed>.
#include "engine/CSVItem.h"

#include "tests/engine/TestItem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using varno::test::TestItem;

// ---- the reference model ----------------------------------------------------

CString RefGetLine(CString& buffer)
{
    int quotes = 0;
    for (int i = 0; i < buffer.GetLength(); ++i) {
        const char16_t c = buffer[i];
        if (c == u'"')
            ++quotes;
        int lineBreak = 0;
        if (c == u'\r')
            lineBreak = i + 1 < buffer.GetLength() && buffer[i + 1] == u'\n' ? 2 : 1;
        else if (c == u'\n')
            lineBreak = 1;
        if (lineBreak > 0 && quotes % 2 == 0) {
            CString record = buffer.Left(i);
            buffer = buffer.Mid(i + lineBreak);
            return record;
        }
    }
    CString record = buffer;
    buffer.Empty();
    return record;
}

int RefNextSeparator(const CString& line, const CString& separator)
{
    if (line.IsEmpty() || line[0] != u'"')
        return line.Find(separator.str());
    for (int p = line.Find(separator.str()); p >= 0; p = line.Find(separator.str(), p + 1)) {
        int quotes = 0;
        for (int i = 1; i <= p - 1; ++i)
            quotes += line[i] == u'"';
        if (quotes % 2 == 1)
            return p;
    }
    return -1;
}

void RefReadLine(CString line, const CString& separator, CStringArray& values)
{
    while (!line.IsEmpty()) {
        int p = RefNextSeparator(line, separator);
        if (p < 0)
            p = line.GetLength();
        const CString cut = line.Left(p);
        line = line.Mid(p + 1);
        CString field = cut;
        if (cut.GetLength() > 0 && cut[0] == u'"')
            field = field.Mid(1);
        if (cut.GetLength() > 0 && cut[cut.GetLength() - 1] == u'"')
            field = field.Left(field.GetLength() - 1);
        field.Replace(u"\"\"", u"\"");
        values.Add(field);
    }
}

struct RefTable {
    _en_CSVError result = CSVERR_FAIL;
    CString separator{u","};
    CStringArray fields;
    std::vector<CStringArray> rows;
};

RefTable RefImport(CString text)
{
    RefTable t;
    int r = 0;
    while (!text.IsEmpty()) {
        CString record = RefGetLine(text);
        if (r == 0)
            t.separator = record.Find(u'\t') >= 0 ? CString(u"\t") : CString(u",");
        CStringArray row;
        RefReadLine(record, t.separator, row);
        if (r == 0)
            t.fields = row;
        else if (row.IsEmpty())
            continue;
        else
            t.rows.push_back(row);
        ++r;
    }
    t.result = r < 2 ? CSVERR_FAIL : CSVERR_SUCCESS;
    return t;
}

// ---- random texts -----------------------------------------------------------

std::u16string RandomText(std::mt19937& rng, size_t maxLength)
{
    // Quotes and line breaks come often, so that odd and even runs, quoted
    // separators and records inside quotes all turn up.
    static const std::u16string alphabet = u"\"\"\"\",,,\t\t\r\r\n\n \0ab\u00E4\uD55C";
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size()); // the last one: a surrogate pair
    std::u16string text;
    for (size_t n = length(rng); text.size() < n;) {
        size_t k = pick(rng);
        if (k == alphabet.size())
            text += u"\U0001F600";
        else
            text += alphabet[k];
    }
    return text;
}

std::string Escaped(std::u16string_view text)
{
    std::string out = "u\"";
    for (char16_t c : text) {
        if (c == u'"' || c == u'\\')
            out += '\\', out += static_cast<char>(c);
        else if (c >= 0x20 && c < 0x7F)
            out += static_cast<char>(c);
        else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out + "\"";
}

unsigned Seed()
{
    const char* fixed = std::getenv("VARNO_CODEC_SEED");
    return fixed ? static_cast<unsigned>(std::strtoul(fixed, nullptr, 10)) : 20240605u;
}

// ---- the comparisons --------------------------------------------------------

TEST(CSVCodecReference, LineOperationsAgreeOnRandomTexts)
{
    const unsigned seed = Seed();
    std::mt19937 rng(seed);
    // Stops at the first text that differs, so the report names it.
    for (int round = 0; round < 20000 && !::testing::Test::HasFailure(); ++round) {
        const std::u16string text = RandomText(rng, round % 10 == 0 ? 120 : 24);
        const std::string where = "seed " + std::to_string(seed) + ", round " + std::to_string(round) + ", text " +
                                  Escaped(text);

        // Records: take them all off the text.
        TestItem item;
        CString ours(text), ref(text);
        for (int guard = 0; guard <= static_cast<int>(text.size()); ++guard) {
            CString a = item.GetLine(ours), b = RefGetLine(ref);
            EXPECT_EQ(a, b) << where;
            EXPECT_EQ(ours, ref) << where;
            if (ref.IsEmpty() || ours != ref)
                break;
        }
        // Fields: the text taken as one line, with either separator.
        for (const char16_t* separator : {u",", u"\t"}) {
            item.SetSeparator(CString(separator));
            EXPECT_EQ(item.nextSeparator(CString(text)), RefNextSeparator(CString(text), CString(separator))) << where;
            CStringArray a, b;
            item.ReadLine(CString(text), a);
            RefReadLine(CString(text), CString(separator), b);
            EXPECT_EQ(a, b) << where << "\n ours " << varno::test::Show(a) << "\n  ref " << varno::test::Show(b);
        }
    }
}

class CSVCodecReferenceFile : public varno::test::TempDirTest {};

// Whole files: the table ImportFile builds and the names GetField returns.
TEST_F(CSVCodecReferenceFile, ImportFileAgreesOnRandomFiles)
{
    const unsigned seed = Seed() + 1;
    std::mt19937 rng(seed);
    varno::test::CodePageGuard acp(65001);
    const CString path = PathOf("random.csv");
    for (int round = 0; round < 500 && !HasFailure(); ++round) {
        const std::u16string text = RandomText(rng, 80);
        const std::string where = "seed " + std::to_string(seed) + ", round " + std::to_string(round) + ", text " +
                                  Escaped(text);
        // Alternately UTF-16LE with its mark and UTF-8 read as the ANSI code
        // page; either way the text ends at its first zero.
        const bool utf16 = round % 2 == 0;
        WriteBytes("random.csv", utf16 ? varno::test::Utf16LE(text) : CString(text).ToUtf8());
        const RefTable ref = RefImport(CString(text.substr(0, text.find(u'\0'))));

        TestItem item;
        CStringList unused;
        EXPECT_EQ(item.ImportFile(path, unused, unused), ref.result) << where;
        EXPECT_EQ(item.m_strSeparator, ref.separator) << where;
        EXPECT_EQ(item.m_arrField, ref.fields) << where;
        ASSERT_EQ(item.GetValueCount(), static_cast<int>(ref.rows.size())) << where;
        for (int i = 0; i < item.GetValueCount(); ++i)
            EXPECT_EQ(item.RowAt(i), ref.rows[static_cast<size_t>(i)]) << where << ", row " << i;

        TestItem header;
        CStringArray names{u"stale"};
        EXPECT_EQ(header.GetField(path, names), CSVERR_SUCCESS) << where;
        EXPECT_EQ(names, ref.fields) << where;
        EXPECT_EQ(header.m_strSeparator, ref.separator) << where;
    }
}

} // namespace
