// UTF-16 that the library would misread: recognised from its first bytes,
// never on text in the code pages, and converted piece by piece, wherever
// the pieces are cut, into the UTF-16LE that the library reads.
#include "host/Utf16.h"

#include "platform/CString.h"
#include "platform/CodePage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace varno::host {
namespace {

using test::U8;
using test::Utf16BE;
using test::Utf16LE;

/// The file in `form` of `text` (UTF-16LE with its mark for None).
std::string InForm(Utf16Form form, std::u16string_view text)
{
    switch (form) {
    case Utf16Form::LittleNoMark: return Utf16LE(text, false);
    case Utf16Form::BigWithMark: return Utf16BE(text);
    case Utf16Form::BigNoMark: return Utf16BE(text, false);
    default: return Utf16LE(text);
    }
}

const char* const kTexts[] = {
    "\"memo\",\"color\"\r\n\"Buy milk\",\"yellow\"\r\n",
    "\"제목\",\"시작 날짜\",\"기한\"\r\n\"분기 보고서 제출\",\"2012-01-31\",\"2012-02-03\"\r\n",
    "\"Color\",\"Memo\"\r\n\"pink\",\"장보기: 우유, 빵, 계란\"\r\n\"green\",\"오후 3시 팀 회의\"\r\n",
    "\"FIRST_NAME\"\t\"LAST_NAME\"\r\n\"Zoë\"\t\"Ångström\"\r\n\"지우\"\t\"이\"\r\n",
};

// Each form is recognised, and converted in two pieces cut at every byte
// and a byte at a time.
TEST(Utf16, RecognisesAndConvertsEveryFormThatTheLibraryWouldMisread)
{
    for (const char* text : kTexts) {
        const std::u16string units = U8(text).str();
        const std::string little = Utf16LE(units, false);
        EXPECT_EQ(RecogniseUtf16(InForm(Utf16Form::None, units)), Utf16Form::None) << "the library reads it";
        for (Utf16Form form : {Utf16Form::LittleNoMark, Utf16Form::BigWithMark, Utf16Form::BigNoMark}) {
            const std::string file = InForm(form, units);
            SCOPED_TRACE(std::string(text) + " in form " + std::to_string(static_cast<int>(form)));
            EXPECT_EQ(RecogniseUtf16(file), form);
            for (size_t cut = 0; cut <= file.size(); ++cut) {
                Utf16ToLittleEndian converter(form);
                std::string out = converter.Convert(std::string_view(file).substr(0, cut));
                out += converter.Convert(std::string_view(file).substr(cut));
                out += converter.Finish();
                ASSERT_EQ(out, little) << "cut at " << cut;
            }
            Utf16ToLittleEndian converter(form);
            std::string out;
            for (char c : file)
                out += converter.Convert(std::string_view(&c, 1));
            EXPECT_EQ(out + converter.Finish(), little);
        }
    }
}

TEST(Utf16, LooksAtTheFirstBytesOnly)
{
    std::u16string longText;
    while (longText.size() < 2 * kUtf16Head)
        longText += U8(kTexts[0]).str();
    EXPECT_EQ(RecogniseUtf16(Utf16BE(longText, false)), Utf16Form::BigNoMark);
    EXPECT_EQ(RecogniseUtf16(std::string(kUtf16Head, 'a') + Utf16LE(longText, false)), Utf16Form::None);
}

TEST(Utf16, DoesNotFireOnTextInTheCodePages)
{
    const std::string korean = U8("\"memo\"\r\n\"내일 오전 10시 팀 회의, 자료 준비할 것\"\r\n").ToUtf8();
    const std::string german = "\"memo\"\r\n\"Gr\xFC\xDF" "e aus M\xFCnchen\"\r\n";
    const struct {
        const char* label;
        std::string bytes;
    } rows[] = {
        {"empty", ""},
        {"UTF-8", korean},
        {"949", WideCharToMultiByte(949, U8(korean).str())},
        {"1252", german},
        {"UTF-8 with a NUL", korean.substr(0, 12) + std::string(1, '\0') + korean.substr(12)},
        {"1252 with NULs", std::string("ab\0cd\0ef", 8) + german},
        {"ASCII with a NUL at every other byte but few", std::string("\"a\0b\0\"\r\n", 8) + german + german},
        {"NUL bytes at both parities", std::string(64, '\0') + german},
        {"one unit", std::string("A\0", 2)},
        {"a few UTF-16 characters inside 1252 text", german + german + Utf16LE(u"abcd", false) + german + german},
        {"ASCII with zeros after it at both parities", [&] {
             const std::string block = Utf16LE(u"\"memo\",\"color\"\r\n", false);
             return block + "y" + block + "y" + block;
         }()},
        {"UTF-32LE", Utf16LE(u"m\0e\0m\0o\0\r\0\n\0B\0u\0y\0", false)},
        {"16-bit numbers 0 to 255", [] {
             std::string numbers;
             for (int i = 0; i < 256; ++i)
                 numbers += {static_cast<char>(i), '\0'};
             return numbers;
         }()},
        {"the UTF-8 mark", "\xEF\xBB\xBF" + korean},
        // Korean without a single ASCII character: too little to go on.
        {"UTF-16LE with no ASCII", Utf16LE(u"내일오전열시팀회의자료준비", false)},
        {"UTF-16BE with no ASCII", Utf16BE(u"내일오전열시팀회의자료준비", false)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(RecogniseUtf16(row.bytes), Utf16Form::None) << row.label;
}

TEST(Utf16, KeepsALastByteWithoutItsPairForTheEnd)
{
    // The library drops such a byte and the host's inspection reports it:
    // both need the file's odd length kept.
    const std::string little = Utf16LE(u"memo\r\n", false);
    for (Utf16Form form : {Utf16Form::BigWithMark, Utf16Form::BigNoMark}) {
        Utf16ToLittleEndian converter(form);
        EXPECT_EQ(converter.Convert(InForm(form, u"memo\r\n") + "A"), little) << static_cast<int>(form);
        EXPECT_EQ(converter.Finish(), "A") << static_cast<int>(form);
        EXPECT_EQ(converter.Finish(), "") << "given once";
    }
    for (Utf16Form form : {Utf16Form::LittleNoMark, Utf16Form::None}) {
        Utf16ToLittleEndian converter(form);
        EXPECT_EQ(converter.Convert(little + "A"), little + "A") << "passes through";
        EXPECT_EQ(converter.Finish(), "");
    }
}

} // namespace
} // namespace varno::host
