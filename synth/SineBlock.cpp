#include "synth/SineBlock.h"

#include "synth/Sine.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QUAVRIL_WIDE_SINE 1
#endif

namespace quavril {

namespace {

#if QUAVRIL_WIDE_SINE
// Four lanes of Sine: the same operations in the same order as the scalar kernels (no fused
// multiply-add), both kernels computed and the quadrant choosing between them per lane.
[[gnu::target("avx2")]] int SineBlockWide(const double* x, double* out, int count, int quadrant) {
    using namespace sine_detail;
    const __m256d twoOverPi = _mm256_set1_pd(TwoOverPi), magic = _mm256_set1_pd(RoundMagic);
    const __m256d hi = _mm256_set1_pd(Pio2Hi), lo = _mm256_set1_pd(Pio2Lo);
    const __m256d limit = _mm256_set1_pd(1.0e6);
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffffLL));
    const __m256d signBit = _mm256_castsi256_pd(_mm256_set1_epi64x(0x8000000000000000LL));
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256d v = _mm256_loadu_pd(x + i);
        // Lanes outside the kernel's range (or NaN) go to the scalar path.
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
        const __m256d useCos = _mm256_castsi256_pd(
            _mm256_cmpeq_epi64(_mm256_and_si256(bit0, _mm256_set1_epi64x(0x8000000000000000LL)),
                               _mm256_set1_epi64x(0x8000000000000000LL)));
        const __m256d chosen = _mm256_blendv_pd(sinv, cosv, useCos);
        const __m256d result =
            _mm256_xor_pd(chosen, _mm256_and_pd(_mm256_castsi256_pd(bit1), signBit));
        _mm256_storeu_pd(out + i, result);
    }
    return i;
}

bool HasWideSine() {
    static const bool wide = __builtin_cpu_supports("avx2");
    return wide;
}
#endif

} // namespace

void SineBlock(const double* x, double* out, int count, int quadrant) {
    auto scalar = [quadrant](double v) { return quadrant == 0 ? Sine(v) : Cosine(v); };
    int i = 0;
#if QUAVRIL_WIDE_SINE
    if (HasWideSine() && (quadrant == 0 || quadrant == 1)) {
        while (i + 4 <= count) {
            i += SineBlockWide(x + i, out + i, count - i, quadrant);
            if (i + 4 <= count) { // a group the kernel does not cover
                for (int k = 0; k < 4; ++k, ++i)
                    out[i] = scalar(x[i]);
            }
        }
    }
#endif
    for (; i < count; ++i)
        out[i] = scalar(x[i]);
}

} // namespace quavril
