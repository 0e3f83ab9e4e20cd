#include "synth/SineBlock.h"

#include "synth/Oscillator.h"
#include "synth/SimdLevel.h"
#include "synth/Sine.h"

#include <cmath>
#include <cstddef>

#if QUAVRIL_X86_SIMD
#include <immintrin.h>
#endif

namespace quavril {

namespace {

#if QUAVRIL_X86_SIMD
// The vector kernels do the same operations in the same order as the scalar kernels (no fused
// multiply-add), compute both the sine and the cosine kernel and let the quadrant choose per
// lane. Each returns how many leading values it covered: it stops at the first group with a
// phase outside the kernel's range (or NaN), which the caller hands to the scalar path.

[[gnu::target("avx2")]] int SineBlockAvx2(const double* x, double* out, int count, int quadrant) {
    using namespace sine_detail;
    const __m256d twoOverPi = _mm256_set1_pd(TwoOverPi), magic = _mm256_set1_pd(RoundMagic);
    const __m256d hi = _mm256_set1_pd(Pio2Hi), lo = _mm256_set1_pd(Pio2Lo);
    const __m256d limit = _mm256_set1_pd(1.0e6);
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffffLL));
    const __m256d signBit = _mm256_castsi256_pd(_mm256_set1_epi64x(0x8000000000000000LL));
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256d v = _mm256_loadu_pd(x + i);
        if (_mm256_movemask_pd(_mm256_cmp_pd(_mm256_and_pd(v, absMask), limit, _CMP_LT_OQ)) != 0xF)
            break;
        const __m256d k = _mm256_sub_pd(_mm256_add_pd(_mm256_mul_pd(v, twoOverPi), magic), magic);
        const __m256d r =
            _mm256_sub_pd(_mm256_sub_pd(v, _mm256_mul_pd(k, hi)), _mm256_mul_pd(k, lo));
        const __m256d z = _mm256_mul_pd(r, r);
        // KernelSin
        const __m256d vs = _mm256_mul_pd(z, r);
        __m256d rs = _mm256_add_pd(_mm256_set1_pd(S5), _mm256_mul_pd(z, _mm256_set1_pd(S6)));
        rs = _mm256_add_pd(_mm256_set1_pd(S4), _mm256_mul_pd(z, rs));
        rs = _mm256_add_pd(_mm256_set1_pd(S3), _mm256_mul_pd(z, rs));
        rs = _mm256_add_pd(_mm256_set1_pd(S2), _mm256_mul_pd(z, rs));
        const __m256d sinv = _mm256_add_pd(
            r, _mm256_mul_pd(vs, _mm256_add_pd(_mm256_set1_pd(S1), _mm256_mul_pd(z, rs))));
        // KernelCos
        const __m256d w = _mm256_mul_pd(z, z);
        __m256d a = _mm256_add_pd(_mm256_set1_pd(C2), _mm256_mul_pd(z, _mm256_set1_pd(C3)));
        a = _mm256_mul_pd(z, _mm256_add_pd(_mm256_set1_pd(C1), _mm256_mul_pd(z, a)));
        __m256d b = _mm256_add_pd(_mm256_set1_pd(C5), _mm256_mul_pd(z, _mm256_set1_pd(C6)));
        b = _mm256_mul_pd(_mm256_mul_pd(w, w),
                          _mm256_add_pd(_mm256_set1_pd(C4), _mm256_mul_pd(z, b)));
        const __m256d rc = _mm256_add_pd(a, b);
        const __m256d hz = _mm256_mul_pd(_mm256_set1_pd(0.5), z);
        const __m256d one = _mm256_sub_pd(_mm256_set1_pd(1.0), hz);
        const __m256d cosv = _mm256_add_pd(
            one, _mm256_add_pd(_mm256_sub_pd(_mm256_sub_pd(_mm256_set1_pd(1.0), one), hz),
                               _mm256_mul_pd(z, rc)));
        // Quadrant: bit 0 picks the cosine kernel, bit 1 negates.
        const __m256i q = _mm256_add_epi64(_mm256_castpd_si256(_mm256_add_pd(k, magic)),
                                           _mm256_set1_epi64x(quadrant)); // k in the low bits
        const __m256i bit0 = _mm256_slli_epi64(q, 63);
        const __m256i bit1 = _mm256_slli_epi64(_mm256_srli_epi64(q, 1), 63);
        const __m256d useCos =
            _mm256_castsi256_pd(_mm256_cmpeq_epi64(bit0, _mm256_set1_epi64x(0x8000000000000000LL)));
        const __m256d chosen = _mm256_blendv_pd(sinv, cosv, useCos);
        const __m256d result =
            _mm256_xor_pd(chosen, _mm256_and_pd(_mm256_castsi256_pd(bit1), signBit));
        _mm256_storeu_pd(out + i, result);
    }
    return i;
}

int SineBlockSse2(const double* x, double* out, int count, int quadrant) {
    using namespace sine_detail;
    const __m128d twoOverPi = _mm_set1_pd(TwoOverPi), magic = _mm_set1_pd(RoundMagic);
    const __m128d hi = _mm_set1_pd(Pio2Hi), lo = _mm_set1_pd(Pio2Lo);
    const __m128d limit = _mm_set1_pd(1.0e6);
    const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
    const __m128d signBit = _mm_castsi128_pd(_mm_set1_epi64x(0x8000000000000000LL));
    int i = 0;
    for (; i + 2 <= count; i += 2) {
        const __m128d v = _mm_loadu_pd(x + i);
        if (_mm_movemask_pd(_mm_cmplt_pd(_mm_and_pd(v, absMask), limit)) != 0x3)
            break;
        const __m128d k = _mm_sub_pd(_mm_add_pd(_mm_mul_pd(v, twoOverPi), magic), magic);
        const __m128d r = _mm_sub_pd(_mm_sub_pd(v, _mm_mul_pd(k, hi)), _mm_mul_pd(k, lo));
        const __m128d z = _mm_mul_pd(r, r);
        // KernelSin
        const __m128d vs = _mm_mul_pd(z, r);
        __m128d rs = _mm_add_pd(_mm_set1_pd(S5), _mm_mul_pd(z, _mm_set1_pd(S6)));
        rs = _mm_add_pd(_mm_set1_pd(S4), _mm_mul_pd(z, rs));
        rs = _mm_add_pd(_mm_set1_pd(S3), _mm_mul_pd(z, rs));
        rs = _mm_add_pd(_mm_set1_pd(S2), _mm_mul_pd(z, rs));
        const __m128d sinv =
            _mm_add_pd(r, _mm_mul_pd(vs, _mm_add_pd(_mm_set1_pd(S1), _mm_mul_pd(z, rs))));
        // KernelCos
        const __m128d w = _mm_mul_pd(z, z);
        __m128d a = _mm_add_pd(_mm_set1_pd(C2), _mm_mul_pd(z, _mm_set1_pd(C3)));
        a = _mm_mul_pd(z, _mm_add_pd(_mm_set1_pd(C1), _mm_mul_pd(z, a)));
        __m128d b = _mm_add_pd(_mm_set1_pd(C5), _mm_mul_pd(z, _mm_set1_pd(C6)));
        b = _mm_mul_pd(_mm_mul_pd(w, w), _mm_add_pd(_mm_set1_pd(C4), _mm_mul_pd(z, b)));
        const __m128d rc = _mm_add_pd(a, b);
        const __m128d hz = _mm_mul_pd(_mm_set1_pd(0.5), z);
        const __m128d one = _mm_sub_pd(_mm_set1_pd(1.0), hz);
        const __m128d cosv = _mm_add_pd(
            one, _mm_add_pd(_mm_sub_pd(_mm_sub_pd(_mm_set1_pd(1.0), one), hz), _mm_mul_pd(z, rc)));
        const __m128i q = _mm_add_epi64(_mm_castpd_si128(_mm_add_pd(k, magic)),
                                        _mm_set1_epi64x(quadrant)); // k in the low bits
        const __m128i bit0 = _mm_slli_epi64(q, 63);
        const __m128i bit1 = _mm_slli_epi64(_mm_srli_epi64(q, 1), 63);
        // Bit 0 spread over its whole lane (no 64-bit compare before SSE4.1).
        const __m128d useCos =
            _mm_castsi128_pd(_mm_srai_epi32(_mm_shuffle_epi32(bit0, _MM_SHUFFLE(3, 3, 1, 1)), 31));
        const __m128d chosen = _mm_or_pd(_mm_and_pd(useCos, cosv), _mm_andnot_pd(useCos, sinv));
        const __m128d result = _mm_xor_pd(chosen, _mm_and_pd(_mm_castsi128_pd(bit1), signBit));
        _mm_storeu_pd(out + i, result);
    }
    return i;
}

// ScaledSamples four at a time; stops at the first group whose products could leave 32 bits
// (only absurd levels typed into an edit), which the scalar path takes.
[[gnu::target("avx2")]] int ScaledSamplesAvx2(const double* values, const double* scales,
                                              short* out, int stride, int count) {
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffffLL));
    const __m256d limit = _mm256_set1_pd(1.0e9);
    // The low 16 bits of each 32-bit result.
    const __m128i low16 = _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256d v = _mm256_mul_pd(_mm256_loadu_pd(values + i), _mm256_loadu_pd(scales + i));
        if (_mm256_movemask_pd(_mm256_cmp_pd(_mm256_and_pd(v, absMask), limit, _CMP_LT_OQ)) != 0xF)
            break;
        const __m128i r = _mm_shuffle_epi8(_mm256_cvtpd_epi32(v), low16);
        if (stride == 1) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), r);
        } else {
            alignas(16) short four[8];
            _mm_store_si128(reinterpret_cast<__m128i*>(four), r);
            for (int k = 0; k < 4; ++k)
                out[static_cast<std::ptrdiff_t>(i + k) * stride] = four[k];
        }
    }
    return i;
}
#endif

} // namespace

void ScaledSamples(const double* values, const double* scales, short* out, int stride, int count) {
    int i = 0;
#if QUAVRIL_X86_SIMD
    if (ActiveSimdLevel() == SimdLevel::Avx2)
        i = ScaledSamplesAvx2(values, scales, out, stride, count);
#endif
    for (; i < count; ++i)
        out[static_cast<std::ptrdiff_t>(i) * stride] = Low16(RoundSample(values[i] * scales[i]));
}

void SineBlock(const double* x, double* out, int count, int quadrant) {
    auto scalar = [quadrant](double v) { return quadrant == 0 ? Sine(v) : Cosine(v); };
    int i = 0;
#if QUAVRIL_X86_SIMD
    const SimdLevel level = ActiveSimdLevel();
    if (level != SimdLevel::Scalar && (quadrant == 0 || quadrant == 1)) {
        const int lanes = level == SimdLevel::Avx2 ? 4 : 2;
        auto kernel = level == SimdLevel::Avx2 ? SineBlockAvx2 : SineBlockSse2;
        while (i + lanes <= count) {
            i += kernel(x + i, out + i, count - i, quadrant);
            if (i + lanes <= count) { // a group the kernel does not cover
                for (int k = 0; k < lanes; ++k, ++i)
                    out[i] = scalar(x[i]);
            }
        }
    }
#endif
    for (; i < count; ++i)
        out[i] = scalar(x[i]);
}

} // namespace quavril
