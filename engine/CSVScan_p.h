// Internal: the search the line codec spends its time in, a block of units
// at a time. Finding the next quote, separator or line break is most of
// splitting a file; with SSE2 (every x86-64 machine has it) eight UTF-16
// units are compared at once, elsewhere one at a time. Both give the same
// position for every text (tests and a fuzz target compare them).
#pragma once

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varno::detail {

/// The same as FindFirstOf, one unit at a time: the reference the block
/// search must agree with.
inline size_t FindFirstOfPlain(const char16_t* text, size_t from, size_t end, char16_t a, char16_t b,
                               char16_t c) noexcept
{
    for (size_t i = from; i < end; ++i)
        if (text[i] == a || text[i] == b || text[i] == c)
            return i;
    return end;
}

/// The position of the first unit of text[from, end) equal to `a`, `b` or
/// `c` (repeat one to look for fewer), or `end` when there is none.
inline size_t FindFirstOf(const char16_t* text, size_t from, size_t end, char16_t a, char16_t b, char16_t c) noexcept
{
    size_t i = from;
    // The first units one at a time: fields are short, and the next quote
    // of a quoted one is near.
    for (const size_t near = from + 8 < end ? from + 8 : end; i < near; ++i)
        if (text[i] == a || text[i] == b || text[i] == c)
            return i;
#if defined(__SSE2__)
    // Then eight units a step; each lane equal to one of the three sets two
    // bits of the byte mask.
    const __m128i wantA = _mm_set1_epi16(static_cast<short>(a));
    const __m128i wantB = _mm_set1_epi16(static_cast<short>(b));
    const __m128i wantC = _mm_set1_epi16(static_cast<short>(c));
    for (; i + 8 <= end; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(units, wantA), _mm_cmpeq_epi16(units, wantB)),
                                          _mm_cmpeq_epi16(units, wantC));
        if (const int mask = _mm_movemask_epi8(hits); mask != 0)
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)) >> 1);
    }
#endif
    return FindFirstOfPlain(text, i, end, a, b, c);
}

#if defined(__SSE2__)
/// Sixteen units of text, for masks of where given units stand.
struct Block16 {
    __m128i low, high;
    explicit Block16(const char16_t* text) noexcept
        : low(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text))),
          high(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 8)))
    {
    }
    /// Bit k set when unit k is `a` or `b`.
    [[nodiscard]] unsigned Mask(char16_t a, char16_t b) const noexcept
    {
        const __m128i wantA = _mm_set1_epi16(static_cast<short>(a));
        const __m128i wantB = _mm_set1_epi16(static_cast<short>(b));
        const __m128i lowHits = _mm_or_si128(_mm_cmpeq_epi16(low, wantA), _mm_cmpeq_epi16(low, wantB));
        const __m128i highHits = _mm_or_si128(_mm_cmpeq_epi16(high, wantA), _mm_cmpeq_epi16(high, wantB));
        // Each lane is 0 or -1: packing to bytes keeps that, one bit a unit.
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(lowHits, highHits)));
    }
};
#endif

} // namespace varno::detail
