#include "synth/Quantise.h"

#include "synth/PinkKernels.h"
#include "synth/SimdLevel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if QUAVRIL_X86_SIMD
#include <immintrin.h>
#endif

namespace quavril {

namespace {

constexpr int Chunk = 1024; // samples whose dither is drawn together

// The scaled, dithered value of sample i: x * k + (d[2i] - d[2i+1]), as separate multiply and
// add (the vector kernels do the same).
inline double Dithered(double x, double k, const float* d, int i) {
    const double t = static_cast<double>(d[2 * i]) - static_cast<double>(d[2 * i + 1]);
    return x * k + t;
}

inline int32_t Clipped(double v, double full) {
    if (!(v >= -full - 1))
        v = -full - 1; // also NaN
    if (v > full)
        v = full;
    return static_cast<int32_t>(std::nearbyint(v));
}

void QuantiseScalar(const double* in, int count, SampleFormat f, const float* d, uint8_t* out) {
    const double full = FullScale(f);
    const double k = full / 32767.0;
    static const float zeros[2] = {0.0f, 0.0f};
    for (int i = 0; i < count; ++i) {
        if (f == SampleFormat::F32) {
            const float v = static_cast<float>(in[i] * k);
            std::memcpy(out + 4 * i, &v, 4);
            continue;
        }
        const int32_t v =
            Clipped(d ? Dithered(in[i], k, d, i) : Dithered(in[i], k, zeros, 0), full);
        const auto u = static_cast<uint32_t>(v);
        uint8_t* p = out + static_cast<std::ptrdiff_t>(i) * BytesPerSample(f);
        p[0] = static_cast<uint8_t>(u);
        p[1] = static_cast<uint8_t>(u >> 8);
        if (f == SampleFormat::S24)
            p[2] = static_cast<uint8_t>(u >> 16);
    }
}

#if QUAVRIL_X86_SIMD
// Four samples at a time: the same multiply, add, clip and round (to nearest, ties to even,
// the processor's mode) as the scalar path; returns how many leading samples it wrote.
[[gnu::target("avx2")]] int QuantiseAvx2(const double* in, int count, SampleFormat f,
                                         const float* d, uint8_t* out) {
    const double full = FullScale(f);
    const __m256d k = _mm256_set1_pd(full / 32767.0);
    const __m256d lo = _mm256_set1_pd(-full - 1), hi = _mm256_set1_pd(full);
    // The dither pairs of four samples: d0 d1 d2 d3 d4 d5 d6 d7 -> (d0-d1, d2-d3, ...).
    const __m256i even = _mm256_setr_epi32(0, 2, 4, 6, 0, 0, 0, 0);
    const __m256i odd = _mm256_setr_epi32(1, 3, 5, 7, 0, 0, 0, 0);
    // Bytes 0-2 of each 32-bit lane, packed.
    const __m128i pack24 = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256d x = _mm256_mul_pd(_mm256_loadu_pd(in + i), k);
        if (f == SampleFormat::F32) {
            _mm_storeu_ps(reinterpret_cast<float*>(out + 4 * i), _mm256_cvtpd_ps(x));
            continue;
        }
        __m256d v = x;
        if (d) {
            const __m256 pairs = _mm256_loadu_ps(d + 2 * i);
            const __m128 a = _mm256_castps256_ps128(_mm256_permutevar8x32_ps(pairs, even));
            const __m128 b = _mm256_castps256_ps128(_mm256_permutevar8x32_ps(pairs, odd));
            v = _mm256_add_pd(x, _mm256_sub_pd(_mm256_cvtps_pd(a), _mm256_cvtps_pd(b)));
        } else {
            v = _mm256_add_pd(x, _mm256_setzero_pd());
        }
        v = _mm256_min_pd(_mm256_max_pd(v, lo), hi); // NaN becomes the lower limit
        const __m128i r = _mm256_cvtpd_epi32(v);
        if (f == SampleFormat::S16) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 2 * i), _mm_packs_epi32(r, r));
        } else {
            alignas(16) uint8_t bytes[16];
            _mm_store_si128(reinterpret_cast<__m128i*>(bytes), _mm_shuffle_epi8(r, pack24));
            std::memcpy(out + 3 * i, bytes, 12);
        }
    }
    return i;
}
#endif

} // namespace

void QuantiseSamples(const double* in, int count, SampleFormat f, bool dither, uint32_t& seed,
                     uint8_t* out) {
    const bool dithered = dither && f != SampleFormat::F32;
    float d[2 * Chunk];
    for (int done = 0; done < count;) {
        const int n = std::min(Chunk, count - done);
        if (dithered)
            RandomFloats(seed, d, 2 * n);
        const float* draws = dithered ? d : nullptr;
        uint8_t* o = out + static_cast<std::ptrdiff_t>(done) * BytesPerSample(f);
        int i = 0;
#if QUAVRIL_X86_SIMD
        if (ActiveSimdLevel() == SimdLevel::Avx2)
            i = QuantiseAvx2(in + done, n, f, draws, o);
#endif
        QuantiseScalar(in + done + i, n - i, f, draws ? draws + 2 * i : nullptr,
                       o + static_cast<std::ptrdiff_t>(i) * BytesPerSample(f));
        done += n;
    }
}

} // namespace quavril
