#include "platform/CodePage.h"

#include <unicode/normalizer2.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

std::atomic<unsigned> g_acp{0}; // 0: not decided yet

unsigned FromEnvironment()
{
    const char* locale = nullptr;
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            locale = value;
            break;
        }
    }
    if (!locale)
        return CP_UTF8;
    std::string text(locale);
    size_t dot = text.find('.');
    if (dot == std::string::npos)
        return CP_UTF8;
    std::string codeset;
    for (char c : text.substr(dot + 1)) {
        if (c == '@')
            break;
        if (c != '-' && c != '_')
            codeset += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (codeset == "euckr" || codeset == "cp949" || codeset == "uhc")
        return 949;
    if (codeset == "iso88591" || codeset == "cp1252" || codeset == "windows1252" || codeset == "latin1")
        return 1252;
    return CP_UTF8;
}

unsigned Resolve(unsigned codePage)
{
    return codePage == CP_ACP ? GetACP() : codePage;
}

const char* IcuName(unsigned codePage)
{
    switch (codePage) {
    case 1252: return "ibm-5348_P100-1997"; // windows-1252
    case 949: return "windows-949-2000";
    case CP_UTF8: return "UTF-8";
    default: return nullptr;
    }
}

struct ConverterCloser {
    void operator()(UConverter* c) const noexcept { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter Open(unsigned codePage)
{
    const char* name = IcuName(codePage);
    if (!name)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    Converter conv(ucnv_open(name, &status));
    if (U_FAILURE(status))
        return nullptr;
    return conv;
}

// A similar character for one that the code page lacks: the first code point
// of its compatibility decomposition when that is printable ASCII (so "Ā"
// gives "A" and "Ｂ" gives "B"), else none.
char SimilarAscii(UChar32 c)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfkd = icu::Normalizer2::getNFKDInstance(status);
    if (U_FAILURE(status) || !nfkd)
        return 0;
    icu::UnicodeString decomposed;
    if (!nfkd->getDecomposition(c, decomposed) || decomposed.isEmpty())
        return 0;
    UChar32 first = decomposed.char32At(0);
    return first > 0x20 && first < 0x7F ? static_cast<char>(first) : 0;
}

void BestFitOrQuestionMark(const void*, UConverterFromUnicodeArgs* args, const UChar*, int32_t, UChar32 codePoint,
                           UConverterCallbackReason reason, UErrorCode* err)
{
    if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR)
        return;
    *err = U_ZERO_ERROR;
    char similar = reason == UCNV_UNASSIGNED ? SimilarAscii(codePoint) : 0;
    char out = similar ? similar : '?';
    ucnv_cbFromUWriteBytes(args, &out, 1, 0, err);
}

} // namespace

unsigned GetACP()
{
    unsigned cp = g_acp.load();
    if (cp == 0) {
        cp = FromEnvironment();
        g_acp.store(cp);
    }
    return cp;
}

bool SetACP(unsigned codePage)
{
    if (codePage == CP_ACP) {
        g_acp.store(FromEnvironment());
        return true;
    }
    if (!IcuName(codePage))
        return false;
    g_acp.store(codePage);
    return true;
}

bool IsSupportedCodePage(unsigned codePage) noexcept
{
    return codePage == CP_ACP || IcuName(codePage) != nullptr;
}

std::u16string MultiByteToWideChar(unsigned codePage, std::string_view bytes)
{
    std::u16string out;
    varno::Decoder(codePage).Decode(bytes, true, out);
    return out;
}

std::string WideCharToMultiByte(unsigned codePage, std::u16string_view text)
{
    codePage = Resolve(codePage);
    std::string out;
    if (text.empty())
        return out;
    if (codePage == CP_UTF8) {
        out.resize(text.size() * 3);
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        // UTF-8 may be longer than 2^31 bytes only for texts the engine never holds.
        u_strToUTF8WithSub(out.data(), static_cast<int32_t>(std::min<size_t>(out.size(), INT32_MAX)), &length,
                           reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), 0xFFFD,
                           nullptr, &status);
        out.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
        return out;
    }
    Converter conv = Open(codePage);
    if (!conv)
        return out;
    ucnv_setFallback(conv.get(), true);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(conv.get(), BestFitOrQuestionMark, nullptr, nullptr, nullptr, &status);
    out.resize(text.size() * 2 + 8);
    const UChar* source = reinterpret_cast<const UChar*>(text.data());
    const UChar* sourceEnd = source + text.size();
    size_t written = 0;
    for (;;) {
        char* target = out.data() + written;
        char* targetEnd = out.data() + out.size();
        status = U_ZERO_ERROR;
        ucnv_fromUnicode(conv.get(), &target, targetEnd, &source, sourceEnd, nullptr, true, &status);
        written = static_cast<size_t>(target - out.data());
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            continue;
        }
        if (U_FAILURE(status))
            throw std::bad_alloc();
        break;
    }
    out.resize(written);
    return out;
}

namespace varno {

struct Decoder::Impl {
    Converter conv;
};

Decoder::Decoder(unsigned codePage) : m_impl(std::make_unique<Impl>())
{
    m_impl->conv = Open(Resolve(codePage));
}

Decoder::~Decoder() = default;

void Decoder::Decode(std::string_view bytes, bool last, std::u16string& out)
{
    UConverter* conv = m_impl->conv.get();
    if (!conv || (bytes.empty() && !last))
        return;
    // Each byte gives at most one UTF-16 unit in the supported code pages,
    // plus what an earlier piece left unfinished; the loop still grows the
    // buffer if that ever is not so.
    size_t written = out.size();
    out.resize(written + bytes.size() + 8);
    const char* source = bytes.data();
    const char* sourceEnd = source + bytes.size();
    for (;;) {
        UChar* target = reinterpret_cast<UChar*>(out.data()) + written;
        UChar* targetEnd = reinterpret_cast<UChar*>(out.data()) + out.size();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(conv, &target, targetEnd, &source, sourceEnd, nullptr, last, &status);
        written = static_cast<size_t>(target - reinterpret_cast<UChar*>(out.data()));
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            continue;
        }
        if (U_FAILURE(status))
            throw std::bad_alloc();
        break;
    }
    out.resize(written);
}

} // namespace varno
