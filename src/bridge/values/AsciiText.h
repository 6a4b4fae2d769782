#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

// Tests and copies of ASCII text, sixteen characters at a time: long string
// arguments pass through them whole on every call. "Plain ASCII" excludes
// NUL, where a conversion of the text as a C string would end it.
namespace ascii {

// True when every byte is below 0x80 and none is NUL.
inline bool isPlain(const char* text, size_t length) {
    const __m128i zero = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 16 <= length; i += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        if (_mm_movemask_epi8(bytes) != 0 || _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)) != 0) return false;
    }
    for (; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80 || c == 0) return false;
    }
    return true;
}

// True when every UTF-16 unit is below 0x80 and none is NUL.
inline bool isPlain(const char16_t* text, size_t length) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i highBits = _mm_set1_epi16(static_cast<short>(0xFF80));
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        __m128i wide = _mm_cmpeq_epi16(_mm_and_si128(units, highBits), zero);
        if (_mm_movemask_epi8(wide) != 0xFFFF || _mm_movemask_epi8(_mm_cmpeq_epi16(units, zero)) != 0) return false;
    }
    for (; i < length; ++i) {
        if (text[i] >= 0x80 || text[i] == 0) return false;
    }
    return true;
}

// Copies length UTF-16 units to out as bytes while they are plain ASCII;
// false (with out partly written) at the first unit that is not.
inline bool narrowPlain(const char16_t* text, size_t length, char* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i highBits = _mm_set1_epi16(static_cast<short>(0xFF80));
    size_t i = 0;
    for (; i + 16 <= length; i += 16) {
        __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + 8));
        __m128i wide = _mm_or_si128(_mm_and_si128(low, highBits), _mm_and_si128(high, highBits));
        __m128i nul = _mm_or_si128(_mm_cmpeq_epi16(low, zero), _mm_cmpeq_epi16(high, zero));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(wide, zero)) != 0xFFFF || _mm_movemask_epi8(nul) != 0) return false;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
    }
    for (; i < length; ++i) {
        if (text[i] >= 0x80 || text[i] == 0) return false;
        out[i] = static_cast<char>(text[i]);
    }
    return true;
}

}  // namespace ascii
