// The guess runs ICU's detector (unicode/ucsdet.h) over the words of the
// sample that hold a byte above 7F, not over the whole sample. ICU rates
// the single-byte charsets by how much the letters look like a language, and
// ASCII letters count: 2,000 English memos in UTF-8 with one "€" came out
// ISO-8859-1 (English) 88 against UTF-8 80, and 100 English memos in 949
// with one Korean memo ISO-8859-1 64. Over the words alone the first gives
// UTF-8 80 and the second no guess of ours (ISO-8859-6 25).
// ICU's UTF-8 and EUC-KR recognisers count multi-byte sequences only, so
// they rate the words as they rate the whole sample.
#include "host/Charset.h"

#include <unicode/ucsdet.h>

#include <climits>
#include <memory>

namespace varno::host {

namespace {

struct DetectorClose {
    void operator()(UCharsetDetector* detector) const { ucsdet_close(detector); }
};

bool Separates(unsigned char c)
{
    return c <= ' ' || c == ',' || c == ';' || c == '"' || c == 0x7F;
}

/// The words of `sample` that hold a byte above 7F, each followed by a
/// space unless it ends the sample.
std::string NonAsciiWords(std::string_view sample)
{
    std::string words;
    size_t i = 0;
    while (i < sample.size()) {
        while (i < sample.size() && Separates(static_cast<unsigned char>(sample[i])))
            ++i;
        const size_t start = i;
        bool high = false;
        for (; i < sample.size() && !Separates(static_cast<unsigned char>(sample[i])); ++i)
            high = high || static_cast<unsigned char>(sample[i]) >= 0x80;
        if (high) {
            words.append(sample.substr(start, i - start));
            // No space after a word that the sample cuts off: ICU passes
            // over a UTF-8 sequence that the end of its text cuts, not one
            // that a space cuts.
            if (i < sample.size())
                words.push_back(' ');
        }
    }
    return words;
}

/// Whether every byte above 7F in `words` is the first of a pair that code
/// page 949 reads as a Korean syllable or symbol (first bytes 81 to C8; its
/// Chinese characters, from CA on, are left out, since accented letters of
/// 1252 pair up as them), rather than text in 1252.
bool PairsAsKorean(std::string_view words)
{
    for (size_t i = 0; i < words.size(); ++i) {
        const unsigned char lead = static_cast<unsigned char>(words[i]);
        if (lead < 0x80)
            continue;
        if (lead < 0x81 || lead > 0xC8 || i + 1 == words.size())
            return false;
        const unsigned char trail = static_cast<unsigned char>(words[++i]);
        // 949's additions: first bytes 81 to C6, second bytes A-Z, a-z and
        // 81 to FE (81 to A0 where the older standard uses A1 to FE).
        const bool letter = (trail >= 0x41 && trail <= 0x5A) || (trail >= 0x61 && trail <= 0x7A);
        const bool addition = lead <= 0xC6 && (letter || (trail >= 0x81 && trail <= (lead <= 0xA0 ? 0xFE : 0xA0)));
        const bool standard = lead >= 0xA1 && trail >= 0xA1 && trail <= 0xFE;
        if (!addition && !standard)
            return false;
    }
    return true;
}

CharsetGuess Guess(const UCharsetMatch* match)
{
    UErrorCode status = U_ZERO_ERROR;
    const char* name = ucsdet_getName(match, &status);
    const int confidence = ucsdet_getConfidence(match, &status);
    if (U_FAILURE(status) || !name)
        return {};
    return {CodePageOfCharset(name), confidence, name};
}

} // namespace

unsigned CodePageOfCharset(std::string_view icuName)
{
    if (icuName == "UTF-8")
        return 65001;
    if (icuName == "ISO-8859-1" || icuName == "windows-1252")
        return 1252;
    if (icuName == "EUC-KR")
        return 949; // ICU knows the older Korean standard; 949 reads all of it
    return 0;
}

std::optional<CharsetGuess> GuessCodePage(std::string_view sample)
{
    // Each word is followed by one space, so the words are at most one byte
    // longer than what they come from.
    const std::string words = NonAsciiWords(sample.substr(0, static_cast<size_t>(INT32_MAX) - 1));
    if (words.empty())
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCharsetDetector, DetectorClose> detector(ucsdet_open(&status));
    if (U_FAILURE(status))
        return CharsetGuess{};
    ucsdet_setText(detector.get(), words.data(), static_cast<int32_t>(words.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status) || count <= 0 || !matches)
        return CharsetGuess{};
    // ICU rates UTF-8 80 or 100 only when every sequence is valid and there
    // is at least one; a legacy text that passes is rare enough to put
    // UTF-8 first (ICU's n-gram rating of a single-byte charset can be
    // higher on a few short words).
    std::optional<CharsetGuess> korean;
    for (int32_t i = 0; i < count; ++i) {
        CharsetGuess guess = Guess(matches[i]);
        if (guess.codePage == 65001 && guess.confidence >= 80)
            return guess;
        if (guess.codePage == 949 && !korean)
            korean = std::move(guess);
    }
    CharsetGuess best = Guess(matches[0]);
    // A few Korean syllables are too few for ICU's rating of EUC-KR (10 at
    // most) but enough for an n-gram rating of ISO-8859-1 as high as 98 (the
    // bytes make Latin-looking letters). Text in 1252 hardly ever pairs up
    // as Korean does: an accented letter is mostly followed by an ASCII one.
    // ICU lists EUC-KR only for bytes that do; syllables that only 949 has
    // (which ICU counts against EUC-KR) are paired here.
    if (best.codePage == 1252 && (korean || PairsAsKorean(words))) {
        if (korean)
            return *korean;
        return CharsetGuess{949, 0, "EUC-KR"};
    }
    return best;
}

} // namespace varno::host
