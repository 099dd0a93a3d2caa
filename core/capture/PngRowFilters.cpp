#include "PngRowFilters.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZORVI_PNG_SSSE3 1
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace PngRowFilters {

namespace {

int paethByte(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// The prediction of one byte from the bytes left (a), above (b) and above-left (c).
int predictByte(Type type, int a, int b, int c) {
    switch (type) {
    case none:
        return 0;
    case sub:
        return a;
    case up:
        return b;
    case average:
        return (a + b) >> 1;
    case paeth:
        return paethByte(a, b, c);
    }
    return 0;
}

// The residual of the R, G and B bytes of one pixel, packed as 0x00RRGGBB.
quint32 residualRGB(Type type, quint32 pixel, quint32 left, quint32 above, quint32 aboveLeft) {
    quint32 result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int predicted = predictByte(type, (left >> shift) & 0xFF, (above >> shift) & 0xFF,
                                          (aboveLeft >> shift) & 0xFF);
        result |= quint32(quint8(((pixel >> shift) & 0xFF) - predicted)) << shift;
    }
    return result;
}

// Scalar filtering of pixels [from, width); the vector path finishes with it.
void filterRGBFrom(const quint32* row, const quint32* above, int from, int width, Type type, quint8* out) {
    for (int x = from; x < width; ++x) {
        const quint32 left = x > 0 ? row[x - 1] : 0;
        const quint32 up = above ? above[x] : 0;
        const quint32 upLeft = above && x > 0 ? above[x - 1] : 0;
        const quint32 residual = residualRGB(type, row[x], left, up, upLeft);
        *out++ = quint8(residual >> 16);
        *out++ = quint8(residual >> 8);
        *out++ = quint8(residual);
    }
}

// The filters a row is chosen from, Up first; the choice looks at every
// other pixel (or group of four), enough to tell photographs from flat colour.
constexpr Type candidates[] = {up, sub, average, paeth};
constexpr int candidateCount = 4;
constexpr int sampleStep = 2;
// Up stays unless another filter is clearly (an eighth) cheaper: a sampled cost can't tell near-ties apart.
constexpr quint64 upBiasNumerator = 7;
constexpr quint64 upBiasDenominator = 8;

int signedCost(quint32 residual) {
    int cost = 0;
    for (int shift = 0; shift < 24; shift += 8)
        cost += std::abs(int(qint8(quint8(residual >> shift))));
    return cost;
}

void sampledCosts(const quint32* row, const quint32* above, int width, quint64 (&costs)[candidateCount]) {
    for (int i = 0; i < candidateCount; ++i)
        for (int x = 0; x < width; x += sampleStep)
            costs[i] += quint64(signedCost(residualRGB(candidates[i], row[x], x > 0 ? row[x - 1] : 0,
                                                       above ? above[x] : 0, above && x > 0 ? above[x - 1] : 0)));
}

#ifdef ZORVI_PNG_SSSE3
// Compiled for SSSE3 (lambdas included) and called only where the processor has it.
#pragma GCC push_options
#pragma GCC target("ssse3")

// Four pixels at a time, in 16-byte vectors of 0xAARRGGBB words. The alpha
// bytes ride along and are dropped when the bytes are reordered to R, G, B.
struct Neighbours {
    __m128i left, above, aboveLeft;
};

__m128i paethVector(__m128i a, __m128i b, __m128i c) {
    const __m128i zero = _mm_setzero_si128();
    const auto half = [&](__m128i (*unpack)(__m128i, __m128i)) {
        const __m128i a16 = unpack(a, zero), b16 = unpack(b, zero), c16 = unpack(c, zero);
        const __m128i bc = _mm_sub_epi16(b16, c16);
        const __m128i ac = _mm_sub_epi16(a16, c16);
        const __m128i pa = _mm_abs_epi16(bc);
        const __m128i pb = _mm_abs_epi16(ac);
        const __m128i pc = _mm_abs_epi16(_mm_add_epi16(bc, ac));
        const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
        const __m128i useC = _mm_cmpgt_epi16(pb, pc);
        const __m128i bOrC = _mm_or_si128(_mm_and_si128(useC, c16), _mm_andnot_si128(useC, b16));
        return _mm_or_si128(_mm_and_si128(notA, bOrC), _mm_andnot_si128(notA, a16));
    };
    return _mm_packus_epi16(half(_mm_unpacklo_epi8), half(_mm_unpackhi_epi8));
}

__m128i predictVector(Type type, const Neighbours& n) {
    switch (type) {
    case none:
        return _mm_setzero_si128();
    case sub:
        return n.left;
    case up:
        return n.above;
    case average: {
        // _mm_avg_epu8 rounds up; PNG rounds down.
        const __m128i rounded = _mm_avg_epu8(n.left, n.above);
        return _mm_sub_epi8(rounded, _mm_and_si128(_mm_xor_si128(n.left, n.above), _mm_set1_epi8(1)));
    }
    case paeth:
        return paethVector(n.left, n.above, n.aboveLeft);
    }
    return _mm_setzero_si128();
}

// Walks a row four pixels at a time, handing each group and its neighbours
// to `visit`; returns the first pixel not visited.
template <typename Visit>
int forEachGroup(const quint32* row, const quint32* above, int end, int step,
                                                   Visit&& visit) {
    __m128i previous = _mm_setzero_si128();
    __m128i previousAbove = _mm_setzero_si128();
    int x = 0;
    for (; x + 4 <= end; x += 4 * step) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        const __m128i up =
            above ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + x)) : _mm_setzero_si128();
        if (step > 1 && x > 0) {
            previous = _mm_cvtsi32_si128(int(row[x - 1]));
            previousAbove = above ? _mm_cvtsi32_si128(int(above[x - 1])) : _mm_setzero_si128();
            previous = _mm_slli_si128(previous, 12);
            previousAbove = _mm_slli_si128(previousAbove, 12);
        }
        const Neighbours n{_mm_alignr_epi8(pixels, previous, 12), up, _mm_alignr_epi8(up, previousAbove, 12)};
        visit(x, pixels, n);
        previous = pixels;
        previousAbove = up;
    }
    return x;
}

void filterRGBVector(const quint32* row, const quint32* above, int width,
                                                      Type type, quint8* out) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    // Each 16-byte store runs 4 bytes past the 12 it means, so the vectors
    // stop while at least two pixels (6 bytes) remain for the scalar tail.
    const int done = forEachGroup(row, above, width - 2, 1, [&](int x, __m128i pixels, const Neighbours& n) {
        const __m128i residual = _mm_sub_epi8(pixels, predictVector(type, n));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), _mm_shuffle_epi8(residual, order));
    });
    filterRGBFrom(row, above, done, width, type, out + 3 * done);
}

void sampledCostsVector(const quint32* row, const quint32* above, int width, quint64 (&costs)[candidateCount]) {
    const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
    __m128i totals[candidateCount] = {};
    forEachGroup(row, above, width, sampleStep, [&](int, __m128i pixels, const Neighbours& n) {
        for (int i = 0; i < candidateCount; ++i) {
            const __m128i residual = _mm_sub_epi8(pixels, predictVector(candidates[i], n));
            const __m128i magnitude = _mm_and_si128(_mm_abs_epi8(residual), rgb);
            totals[i] = _mm_add_epi64(totals[i], _mm_sad_epu8(magnitude, _mm_setzero_si128()));
        }
    });
    for (int i = 0; i < candidateCount; ++i)
        costs[i] = quint64(_mm_cvtsi128_si64(totals[i])) +
                   quint64(_mm_cvtsi128_si64(_mm_unpackhi_epi64(totals[i], totals[i])));
}

#pragma GCC pop_options

const bool hasSSSE3 = __builtin_cpu_supports("ssse3");
#endif

} // namespace

void filterRGB(const quint32* row, const quint32* above, int width, Type type, quint8* out) {
    *out++ = type;
#ifdef ZORVI_PNG_SSSE3
    if (hasSSSE3) {
        filterRGBVector(row, above, width, type, out);
        return;
    }
#endif
    filterRGBFrom(row, above, 0, width, type, out);
}

void filterBytes(const quint8* row, const quint8* above, int bytes, int bpp, Type type, quint8* out) {
    *out++ = type;
    for (int i = 0; i < bytes; ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0;
        const int b = above ? above[i] : 0;
        const int c = above && i >= bpp ? above[i - bpp] : 0;
        out[i] = quint8(row[i] - predictByte(type, a, b, c));
    }
}

bool isRunRow(const quint32* row, int width) {
    // At least 4 in 5 pixels equal to their left neighbour.
    constexpr int runShareDivisor = 5;
    int same = 0;
    int x = 1;
#ifdef __SSE2__
    // Equal lanes compare as -1: subtracting them counts per lane, with no
    // popcount (a library call without -mpopcnt) per step.
    __m128i counts = _mm_setzero_si128();
    for (; x + 4 <= width; x += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        const __m128i left = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x - 1));
        counts = _mm_sub_epi32(counts, _mm_cmpeq_epi32(pixels, left));
    }
    alignas(16) qint32 lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), counts);
    same = lanes[0] + lanes[1] + lanes[2] + lanes[3];
#endif
    for (; x < width; ++x)
        same += row[x] == row[x - 1];
    return same * runShareDivisor >= (width - 1) * (runShareDivisor - 1);
}

Type cheapestRGB(const quint32* row, const quint32* above, int width) {
    quint64 costs[candidateCount] = {};
#ifdef ZORVI_PNG_SSSE3
    if (hasSSSE3)
        sampledCostsVector(row, above, width, costs);
    else
#endif
        sampledCosts(row, above, width, costs);
    // Up leaves text and interface rows the most alike for deflate, so
    // another filter must save a clear share to be worth it.
    int best = 0;
    for (int i = 1; i < candidateCount; ++i)
        if (costs[i] < costs[best] && costs[i] * upBiasDenominator < costs[0] * upBiasNumerator)
            best = i;
    return candidates[best];
}

} // namespace PngRowFilters
