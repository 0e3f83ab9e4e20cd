#pragma once
// The vector level of the synthesis kernels, chosen in one place. Every level gives the same
// samples bit for bit; they differ in speed only.
//
// The level is the best the processor has (AVX2, else SSE2 on x86-64, else scalar), unless the
// environment variable QUAVRIL_SIMD names one (scalar, sse2 or avx2): a level the processor
// lacks falls back to the best it has. A build with QUAVRIL_SIMD_FORCE_SCALAR compiles no
// intrinsics at all and runs scalar only.
#include <vector>

#if !defined(QUAVRIL_SIMD_FORCE_SCALAR) && defined(__x86_64__) && defined(__GNUC__)
#define QUAVRIL_X86_SIMD 1
#else
#define QUAVRIL_X86_SIMD 0
#endif

namespace quavril {

enum class SimdLevel : int { Scalar = 0, Sse2 = 1, Avx2 = 2 };

// The best level of this processor and build.
SimdLevel BestSimdLevel();
// The level the kernels use now.
SimdLevel ActiveSimdLevel();
// Switches the kernels to `wanted`, or to the best level below it that is available; returns
// the level now in force. For tests and benchmarks that compare the levels.
SimdLevel SetSimdLevel(SimdLevel wanted);
// Every level this processor and build can run, lowest first.
std::vector<SimdLevel> AvailableSimdLevels();
const char* SimdLevelName(SimdLevel level);

} // namespace quavril
