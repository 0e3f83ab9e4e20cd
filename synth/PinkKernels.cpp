#include "synth/PinkKernels.h"

#include "synth/Oscillator.h"
#include "synth/SimdLevel.h"

#include <cmath>
#include <cstddef>

#if QUAVRIL_X86_SIMD
#include <immintrin.h>
#endif

namespace quavril {

namespace {

constexpr uint32_t Multiplier = 134775813u;

// The generator k draws ahead: seed_k = A * seed + C (mod 2^32).
struct Jump {
    uint32_t A = 1, C = 0;
};
constexpr Jump JumpOf(int k) {
    Jump j;
    for (int i = 0; i < k; ++i)
        j = {j.A * Multiplier, j.C * Multiplier + 1u};
    return j;
}

void RandomFloatsScalar(uint32_t& seed, float* out, int count) {
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<float>(NextRandom(seed));
}

void SumPinkRowsScalar(const float* fast, int pitch, const float* tail,
                       const PinkRowChange* changes, int changeCount, float* sums, int count) {
    float t[10];
    for (int r = 0; r < 10; ++r)
        t[r] = tail[r];
    int head = 0;
    for (int j = 0; j < count; ++j) {
        for (; head < changeCount && changes[head].call <= j; ++head)
            t[changes[head].row - 3] = changes[head].value;
        float sum = fast[j] + fast[pitch + j];
        sum += fast[2 * pitch + j];
        for (float v : t)
            sum += v;
        sums[j] = sum;
    }
}

void PinkSamplesScalar(const float* sums, const double* scales, int16_t* out, int step, int count) {
    for (int j = 0; j < count; ++j)
        out[static_cast<std::ptrdiff_t>(j) * step] =
            Low16(RoundSample(PinkFromSum(sums[j]) * scales[j]));
}

#if QUAVRIL_X86_SIMD
// A 32-bit seed as the float NextRandom rounds it to: the seed's two halves are exact floats and
// their sum rounds once, as the exact double of NextRandom does; the scaling by 2^-32 is exact.
// Kept as separate add and multiply (no fused multiply-add) so that the rounding stays where
// it is.
inline __m128 SeedToFloatSse2(__m128i seed) {
    const __m128 high = _mm_cvtepi32_ps(_mm_srli_epi32(seed, 16));
    const __m128 low = _mm_cvtepi32_ps(_mm_and_si128(seed, _mm_set1_epi32(0xFFFF)));
    return _mm_mul_ps(_mm_add_ps(_mm_mul_ps(high, _mm_set1_ps(65536.0f)), low),
                      _mm_set1_ps(0x1p-32f));
}

// Low 32 bits of the lane products (SSE2 has no 32-bit multiply-low).
inline __m128i MulLo32(__m128i a, __m128i b) {
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

void RandomFloatsSse2(uint32_t& seed, float* out, int count) {
    if (count < 4)
        return RandomFloatsScalar(seed, out, count);
    alignas(16) uint32_t lanes[4];
    for (uint32_t& l : lanes)
        l = seed = seed * Multiplier + 1u;
    constexpr Jump jump = JumpOf(4);
    const __m128i a = _mm_set1_epi32(static_cast<int>(jump.A));
    const __m128i c = _mm_set1_epi32(static_cast<int>(jump.C));
    __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes));
    int i = 0;
    for (;;) {
        _mm_storeu_ps(out + i, SeedToFloatSse2(v));
        i += 4;
        if (i + 4 > count)
            break;
        v = _mm_add_epi32(MulLo32(v, a), c);
    }
    seed = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(v, _MM_SHUFFLE(3, 3, 3, 3))));
    RandomFloatsScalar(seed, out + i, count - i);
}

[[gnu::target("avx2")]] inline __m256 SeedToFloatAvx2(__m256i seed) {
    const __m256 high = _mm256_cvtepi32_ps(_mm256_srli_epi32(seed, 16));
    const __m256 low = _mm256_cvtepi32_ps(_mm256_and_si256(seed, _mm256_set1_epi32(0xFFFF)));
    return _mm256_mul_ps(_mm256_add_ps(_mm256_mul_ps(high, _mm256_set1_ps(65536.0f)), low),
                         _mm256_set1_ps(0x1p-32f));
}

[[gnu::target("avx2")]] void RandomFloatsAvx2(uint32_t& seed, float* out, int count) {
    if (count < 16)
        return RandomFloatsScalar(seed, out, count);
    // Two chains of eight lanes each, sixteen draws apart, so that one multiply waits for the
    // other.
    alignas(32) uint32_t lanes[16];
    for (uint32_t& l : lanes)
        l = seed = seed * Multiplier + 1u;
    constexpr Jump jump = JumpOf(16);
    const __m256i a = _mm256_set1_epi32(static_cast<int>(jump.A));
    const __m256i c = _mm256_set1_epi32(static_cast<int>(jump.C));
    __m256i v0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes));
    __m256i v1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes + 8));
    int i = 0;
    for (;;) {
        _mm256_storeu_ps(out + i, SeedToFloatAvx2(v0));
        _mm256_storeu_ps(out + i + 8, SeedToFloatAvx2(v1));
        i += 16;
        if (i + 16 > count)
            break;
        v0 = _mm256_add_epi32(_mm256_mullo_epi32(v0, a), c);
        v1 = _mm256_add_epi32(_mm256_mullo_epi32(v1, a), c);
    }
    seed = static_cast<uint32_t>(_mm256_extract_epi32(v1, 7));
    RandomFloatsScalar(seed, out + i, count - i);
}

// The vector forms keep each slow row as a vector of its values across the lanes of a group:
// all lanes equal, except in a group where the row changes, where the lanes from the change on
// take the new value; after that group the row holds its last lane.
void SumPinkRowsSse2(const float* fast, int pitch, const float* tail, const PinkRowChange* changes,
                     int changeCount, float* sums, int count) {
    __m128 t[10];
    for (int r = 0; r < 10; ++r)
        t[r] = _mm_set1_ps(tail[r]);
    const __m128i lane = _mm_setr_epi32(0, 1, 2, 3);
    int head = 0;
    for (int j = 0; j < count; j += 4) {
        __m128 sum = _mm_add_ps(_mm_loadu_ps(fast + j), _mm_loadu_ps(fast + pitch + j));
        sum = _mm_add_ps(sum, _mm_loadu_ps(fast + 2 * pitch + j));
        unsigned changed = 0;
        for (; head < changeCount && changes[head].call < j + 4; ++head) {
            const PinkRowChange c = changes[head];
            const __m128 from =
                _mm_castsi128_ps(_mm_cmpgt_epi32(lane, _mm_set1_epi32(c.call - j - 1)));
            __m128& v = t[c.row - 3];
            v = _mm_or_ps(_mm_and_ps(from, _mm_set1_ps(c.value)), _mm_andnot_ps(from, v));
            changed |= 1u << (c.row - 3);
        }
#pragma GCC unroll 10
        for (int r = 0; r < 10; ++r)
            sum = _mm_add_ps(sum, t[r]);
        _mm_storeu_ps(sums + j, sum);
        for (; changed != 0; changed &= changed - 1) {
            __m128& v = t[__builtin_ctz(changed)];
            v = _mm_shuffle_ps(v, v, 0xFF);
        }
    }
}

[[gnu::target("avx2")]] void SumPinkRowsAvx2(const float* fast, int pitch, const float* tail,
                                             const PinkRowChange* changes, int changeCount,
                                             float* sums, int count) {
    __m256 t[10];
    for (int r = 0; r < 10; ++r)
        t[r] = _mm256_set1_ps(tail[r]);
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i last = _mm256_set1_epi32(7);
    int head = 0;
    for (int j = 0; j < count; j += 8) {
        __m256 sum = _mm256_add_ps(_mm256_loadu_ps(fast + j), _mm256_loadu_ps(fast + pitch + j));
        sum = _mm256_add_ps(sum, _mm256_loadu_ps(fast + 2 * pitch + j));
        unsigned changed = 0;
        for (; head < changeCount && changes[head].call < j + 8; ++head) {
            const PinkRowChange c = changes[head];
            const __m256 from =
                _mm256_castsi256_ps(_mm256_cmpgt_epi32(lane, _mm256_set1_epi32(c.call - j - 1)));
            __m256& v = t[c.row - 3];
            v = _mm256_blendv_ps(v, _mm256_set1_ps(c.value), from);
            changed |= 1u << (c.row - 3);
        }
#pragma GCC unroll 10
        for (int r = 0; r < 10; ++r)
            sum = _mm256_add_ps(sum, t[r]);
        _mm256_storeu_ps(sums + j, sum);
        for (; changed != 0; changed &= changed - 1) {
            __m256& v = t[__builtin_ctz(changed)];
            v = _mm256_permutevar8x32_ps(v, last);
        }
    }
}

// Whether every product of a group stays within 32 bits, as it does for every level the
// amplitude edit accepts; the scalar path handles anything else.
inline bool Small(const double* scales, int n) {
    for (int k = 0; k < n; ++k)
        if (!(std::fabs(scales[k]) < 1.0e9))
            return false;
    return true;
}

void PinkSamplesSse2(const float* sums, const double* scales, int16_t* out, int step, int count) {
    int j = 0;
    for (; j + 2 <= count && Small(scales + j, 2); j += 2) {
        const __m128d sum = _mm_cvtps_pd(
            _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&sums[j]))));
        const __m128d mapped =
            _mm_sub_pd(_mm_mul_pd(sum, _mm_set1_pd(2.0 / 13.0)), _mm_set1_pd(1.0));
        const __m128d pink = _mm_cvtps_pd(_mm_cvtpd_ps(mapped)); // rounded to 32 bits
        const __m128i v = _mm_cvtpd_epi32(_mm_mul_pd(pink, _mm_loadu_pd(&scales[j])));
        out[static_cast<std::ptrdiff_t>(j) * step] = static_cast<int16_t>(_mm_cvtsi128_si32(v));
        out[static_cast<std::ptrdiff_t>(j + 1) * step] =
            static_cast<int16_t>(_mm_cvtsi128_si32(_mm_srli_si128(v, 4)));
    }
    PinkSamplesScalar(sums + j, scales + j, out + static_cast<std::ptrdiff_t>(j) * step, step,
                      count - j);
}

[[gnu::target("avx2")]] void PinkSamplesAvx2(const float* sums, const double* scales, int16_t* out,
                                             int step, int count) {
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffffLL));
    const __m256d limit = _mm256_set1_pd(1.0e9);
    int j = 0;
    for (; j + 4 <= count; j += 4) {
        const __m256d scale = _mm256_loadu_pd(&scales[j]);
        if (_mm256_movemask_pd(_mm256_cmp_pd(_mm256_and_pd(scale, absMask), limit, _CMP_LT_OQ)) !=
            0xF)
            break; // products beyond 32 bits: the scalar path
        const __m256d sum = _mm256_cvtps_pd(_mm_loadu_ps(&sums[j]));
        const __m256d mapped =
            _mm256_sub_pd(_mm256_mul_pd(sum, _mm256_set1_pd(2.0 / 13.0)), _mm256_set1_pd(1.0));
        const __m256d pink = _mm256_cvtps_pd(_mm256_cvtpd_ps(mapped)); // rounded to 32 bits
        const __m128i v = _mm256_cvtpd_epi32(_mm256_mul_pd(pink, scale));
        // The low 16 bits of each 32-bit result.
        const __m128i low = _mm_shuffle_epi8(
            v, _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1));
        if (step == 1) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + j), low);
        } else {
            alignas(16) int16_t four[8];
            _mm_store_si128(reinterpret_cast<__m128i*>(four), low);
            for (int k = 0; k < 4; ++k)
                out[static_cast<std::ptrdiff_t>(j + k) * step] = four[k];
        }
    }
    PinkSamplesSse2(sums + j, scales + j, out + static_cast<std::ptrdiff_t>(j) * step, step,
                    count - j);
}
#endif

} // namespace

void RandomFloats(uint32_t& seed, float* out, int count) {
#if QUAVRIL_X86_SIMD
    switch (ActiveSimdLevel()) {
    case SimdLevel::Avx2:
        return RandomFloatsAvx2(seed, out, count);
    case SimdLevel::Sse2:
        return RandomFloatsSse2(seed, out, count);
    case SimdLevel::Scalar:
        break;
    }
#endif
    RandomFloatsScalar(seed, out, count);
}

void SumPinkRows(const float* fast, int pitch, const float* tail, const PinkRowChange* changes,
                 int changeCount, float* sums, int count) {
#if QUAVRIL_X86_SIMD
    switch (ActiveSimdLevel()) {
    case SimdLevel::Avx2:
        return SumPinkRowsAvx2(fast, pitch, tail, changes, changeCount, sums, count);
    case SimdLevel::Sse2:
        return SumPinkRowsSse2(fast, pitch, tail, changes, changeCount, sums, count);
    case SimdLevel::Scalar:
        break;
    }
#endif
    SumPinkRowsScalar(fast, pitch, tail, changes, changeCount, sums, count);
}

void PinkSamples(const float* sums, const double* scales, int16_t* out, int step, int count) {
#if QUAVRIL_X86_SIMD
    switch (ActiveSimdLevel()) {
    case SimdLevel::Avx2:
        return PinkSamplesAvx2(sums, scales, out, step, count);
    case SimdLevel::Sse2:
        return PinkSamplesSse2(sums, scales, out, step, count);
    case SimdLevel::Scalar:
        break;
    }
#endif
    PinkSamplesScalar(sums, scales, out, step, count);
}

} // namespace quavril
