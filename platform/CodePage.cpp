#include "platform/CodePage.h"

#include "platform/Utf_p.h"

#include <unicode/normalizer2.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

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
    const std::string codeset = text.substr(dot + 1);
    return CodePageOfCodeset(codeset.substr(0, codeset.find('@')));
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

// An ICU failure keeps its cause: only ICU's own memory error is memory
// exhaustion; anything else (missing converter data, a text too long for
// ICU's 32-bit lengths) is a runtime_error that names ICU's error, so a host
// can tell the user what really went wrong.
[[noreturn]] void ThrowIcuFailure(UErrorCode status, unsigned codePage, const char* doing)
{
    if (status == U_MEMORY_ALLOCATION_ERROR)
        throw std::bad_alloc();
    throw std::runtime_error("ICU could not " + std::string(doing) + " code page " + std::to_string(codePage) +
                             ": " + u_errorName(status));
}

// nullptr for a code page we do not support, or (with `status` set) one
// that ICU cannot open.
Converter TryOpen(unsigned codePage, UErrorCode& status)
{
    const char* name = IcuName(codePage);
    if (!name)
        return nullptr;
    Converter conv(ucnv_open(name, &status));
    return U_FAILURE(status) ? nullptr : std::move(conv);
}

// nullptr for a code page we do not support; a supported one that ICU cannot
// open throws, since decoding it to nothing would lose the text in silence.
Converter Open(unsigned codePage)
{
    UErrorCode status = U_ZERO_ERROR;
    Converter conv = TryOpen(codePage, status);
    if (U_FAILURE(status))
        ThrowIcuFailure(status, codePage, "open a converter for");
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

thread_local ConversionLosses t_losses;

void NoteLoss(UChar32 codePoint) noexcept
{
    if (t_losses.count++ == 0)
        t_losses.first = static_cast<char32_t>(codePoint);
}

// What the encoding callback needs: the code page, and a converter of it
// with fallbacks on, opened at the first character the code page lacks.
struct Encoding {
    unsigned codePage;
    Converter fallbacks;
};

// The code page's own fallback for a character it cannot represent (ICU's
// one-way mappings, such as a similar letter), as bytes; empty when it has
// none. The main converter runs without fallbacks so that every such
// character reaches the callback and is counted.
std::string Fallback(Encoding& encoding, UChar32 codePoint)
{
    UErrorCode status = U_ZERO_ERROR;
    if (!encoding.fallbacks) {
        // Inside ICU's callback nothing may throw: without a second
        // converter the character becomes "?" and is counted as lost.
        encoding.fallbacks = TryOpen(encoding.codePage, status);
        if (!encoding.fallbacks)
            return {};
        ucnv_setFallback(encoding.fallbacks.get(), true);
        ucnv_setFromUCallBack(encoding.fallbacks.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                              &status);
    }
    UChar units[2];
    int32_t length = 0;
    U16_APPEND_UNSAFE(units, length, codePoint);
    char bytes[8];
    const int32_t written = ucnv_fromUChars(encoding.fallbacks.get(), bytes, sizeof bytes, units, length, &status);
    return U_SUCCESS(status) && written > 0 && written <= static_cast<int32_t>(sizeof bytes)
               ? std::string(bytes, static_cast<size_t>(written))
               : std::string();
}

void BestFitOrQuestionMark(const void* context, UConverterFromUnicodeArgs* args, const UChar*, int32_t,
                           UChar32 codePoint, UConverterCallbackReason reason, UErrorCode* err)
{
    if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR)
        return;
    *err = U_ZERO_ERROR;
    NoteLoss(codePoint);
    if (reason == UCNV_UNASSIGNED) {
        // ICU hands callbacks a const context; this one is the caller's own.
        const std::string fallback = Fallback(*static_cast<Encoding*>(const_cast<void*>(context)), codePoint);
        if (!fallback.empty()) {
            ucnv_cbFromUWriteBytes(args, fallback.data(), static_cast<int32_t>(fallback.size()), 0, err);
            return;
        }
    }
    char similar = reason == UCNV_UNASSIGNED ? SimilarAscii(codePoint) : 0;
    char out = similar ? similar : '?';
    ucnv_cbFromUWriteBytes(args, &out, 1, 0, err);
}

// Where the decoder's callback writes down the first undecodable byte.
struct DecodeWatch {
    const char* pieceStart = nullptr;
    int64_t pieceOffset = 0;      ///< offset of pieceStart among all bytes
    const UChar* textStart = nullptr;
    int64_t textOffset = 0;       ///< units appended before textStart
    int64_t* firstBad = nullptr;
    int64_t* firstBadUnit = nullptr;
};

void NoteBadBytes(const void* context, UConverterToUnicodeArgs* args, const char* codeUnits, int32_t length,
                  UConverterCallbackReason reason, UErrorCode* err)
{
    if (reason == UCNV_UNASSIGNED || reason == UCNV_ILLEGAL || reason == UCNV_IRREGULAR) {
        const auto* watch = static_cast<const DecodeWatch*>(context);
        if (*watch->firstBad < 0) {
            // The callback comes once the bad bytes (codeUnits, some perhaps
            // from the previous piece) have been taken from the source.
            *watch->firstBad = watch->pieceOffset + (args->source - watch->pieceStart) - length;
            *watch->firstBadUnit = watch->textOffset + (args->target - watch->textStart);
        }
    }
    // Then exactly what MultiByteToWideChar does: ICU's substitution.
    UCNV_TO_U_CALLBACK_SUBSTITUTE(nullptr, args, codeUnits, length, reason, err);
}

} // namespace

unsigned CodePageOfCodeset(std::string_view codeset)
{
    std::string name;
    for (char c : codeset)
        if (c != '-' && c != '_')
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == "euckr" || name == "cp949" || name == "uhc")
        return 949;
    if (name == "iso88591" || name == "cp1252" || name == "windows1252" || name == "latin1")
        return 1252;
    return CP_UTF8;
}

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
    std::string out;
    WideCharToMultiByte(codePage, text, out);
    return out;
}

void WideCharToMultiByte(unsigned codePage, std::u16string_view text, std::string& out)
{
    codePage = Resolve(codePage);
    out.clear();
    if (text.empty())
        return;
    if (codePage == CP_UTF8) {
        if (varno::detail::AppendUtf8(text, out))
            return;
        out.resize(text.size() * 3);
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        // UTF-8 may be longer than 2^31 bytes only for texts the engine never holds.
        int32_t substituted = 0;
        u_strToUTF8WithSub(out.data(), static_cast<int32_t>(std::min<size_t>(out.size(), INT32_MAX)), &length,
                           reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), 0xFFFD,
                           &substituted, &status);
        if (U_FAILURE(status))
            ThrowIcuFailure(status, codePage, "write text in");
        out.resize(static_cast<size_t>(length));
        if (substituted > 0) {
            // Only unpaired surrogates are substituted.
            for (size_t i = 0; i < text.size(); ++i) {
                const char16_t c = text[i];
                if (U16_IS_LEAD(c) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1]))
                    ++i;
                else if (U16_IS_SURROGATE(c))
                    NoteLoss(c);
            }
        }
        return;
    }
    // The callback's context outlives the converter, which calls it on close.
    Encoding encoding{codePage, nullptr};
    Converter conv = Open(codePage);
    if (!conv)
        return;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(conv.get(), BestFitOrQuestionMark, &encoding, nullptr, nullptr, &status);
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
            ThrowIcuFailure(status, codePage, "write text in");
        break;
    }
    out.resize(written);
}

namespace varno {

namespace {

// Widens the ASCII bytes at the start of `in` into `out`; returns how many.
size_t AsciiPrefix(const unsigned char* in, size_t n, char16_t* out)
{
    size_t i = 0;
    while (i < n && in[i] < 0x80) {
        out[i] = in[i];
        ++i;
    }
    return i;
}

} // namespace

struct Decoder::Impl {
    Converter conv;
    unsigned codePage = 0; ///< resolved, for messages
    bool utf8 = false;
    DecodeWatch watch;
    int64_t bytesSeen = 0; ///< bytes of earlier pieces
    int64_t unitsMade = 0; ///< units appended by earlier calls
    int64_t textBase = 0;  ///< where this call's text starts in `out`, less unitsMade
};

Decoder::Decoder(unsigned codePage) : m_impl(std::make_unique<Impl>())
{
    m_impl->codePage = Resolve(codePage);
    m_impl->conv = Open(m_impl->codePage);
    m_impl->utf8 = Resolve(codePage) == CP_UTF8;
    m_impl->watch.firstBad = &m_firstBad;
    m_impl->watch.firstBadUnit = &m_firstBadUnit;
    if (m_impl->conv) {
        UErrorCode status = U_ZERO_ERROR;
        ucnv_setToUCallBack(m_impl->conv.get(), NoteBadBytes, &m_impl->watch, nullptr, nullptr, &status);
    }
}

Decoder::~Decoder() = default;

void Decoder::DecodeWithIcu(std::string_view bytes, int64_t offset, bool flush, std::u16string& out)
{
    UConverter* conv = m_impl->conv.get();
    // Each byte gives at most one UTF-16 unit in the supported code pages,
    // plus what an earlier piece left unfinished; the loop still grows the
    // buffer if that ever is not so.
    size_t written = out.size();
    out.resize(written + bytes.size() + 8);
    const char* source = bytes.data();
    const char* sourceEnd = source + bytes.size();
    m_impl->watch.pieceStart = source;
    m_impl->watch.pieceOffset = m_impl->bytesSeen + offset;
    for (;;) {
        UChar* start = reinterpret_cast<UChar*>(out.data()) + written;
        UChar* target = start;
        m_impl->watch.textStart = start;
        m_impl->watch.textOffset = static_cast<int64_t>(written) - m_impl->textBase;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(conv, &target, reinterpret_cast<UChar*>(out.data()) + out.size(), &source, sourceEnd, nullptr,
                       flush, &status);
        written = static_cast<size_t>(target - reinterpret_cast<UChar*>(out.data()));
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2 + 8);
            continue;
        }
        if (U_FAILURE(status))
            ThrowIcuFailure(status, m_impl->codePage, "read text in");
        break;
    }
    out.resize(written);
}

void Decoder::Decode(std::string_view bytes, bool last, std::u16string& out)
{
    UConverter* conv = m_impl->conv.get();
    if (!conv)
        return;
    // Text is mostly ASCII, and ICU spends some twenty instructions on each
    // byte, so the common cases are decoded here and only the rest goes to
    // ICU: in every supported code page a byte below 0x80 that does not
    // finish a character is that ASCII character, and in UTF-8 a
    // well-formed sequence is its character. Anything else (a byte that may
    // finish a character ICU holds as pending, an ill-formed or cut-off
    // sequence, a byte of a legacy code page) goes to ICU, so that every
    // substitution is ICU's own.
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    const bool utf8 = m_impl->utf8;
    const size_t before = out.size();
    out.reserve(before + n + 8);
    m_impl->textBase = static_cast<int64_t>(before) - m_impl->unitsMade;
    size_t i = 0;
    while (i < n) {
        UErrorCode status = U_ZERO_ERROR;
        if (ucnv_toUCountPending(conv, &status) <= 0) {
            // At most one unit per byte, in steps, so that making room costs
            // no more than the text it holds.
            const size_t limit = std::min(n, i + 4096);
            size_t written = out.size();
            out.resize(written + (limit - i));
            size_t made = 0;
            const size_t taken = utf8 ? varno::detail::Utf8ToUtf16Prefix(p + i, limit - i, out.data() + written, made)
                                      : AsciiPrefix(p + i, limit - i, out.data() + written);
            out.resize(written + (utf8 ? made : taken));
            i += taken;
            if (taken > 0)
                continue;
        }
        size_t j = i + 1;
        while (j < n && p[j] >= 0x80)
            ++j;
        DecodeWithIcu(bytes.substr(i, j - i), static_cast<int64_t>(i), false, out);
        i = j;
    }
    if (last)
        DecodeWithIcu(std::string_view(), static_cast<int64_t>(n), true, out);
    m_impl->bytesSeen += static_cast<int64_t>(n);
    m_impl->unitsMade += static_cast<int64_t>(out.size() - before);
}

} // namespace varno

ConversionLosses GetConversionLosses() noexcept
{
    return t_losses;
}

void ResetConversionLosses() noexcept
{
    t_losses = ConversionLosses();
}

void AddConversionLosses(const ConversionLosses& losses) noexcept
{
    if (losses.count == 0)
        return;
    if (t_losses.count == 0)
        t_losses.first = losses.first;
    t_losses.count += losses.count;
}
