#include "synth/SimdLevel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace quavril {

namespace {
SimdLevel DetectBest() {
#if QUAVRIL_X86_SIMD
    if (__builtin_cpu_supports("avx2"))
        return SimdLevel::Avx2;
    return SimdLevel::Sse2; // part of every x86-64 processor
#else
    return SimdLevel::Scalar;
#endif
}

// The environment's choice, capped at the best level; the best level when it names none.
SimdLevel FromEnvironment() {
    const SimdLevel best = BestSimdLevel();
    const char* text = std::getenv("QUAVRIL_SIMD");
    if (!text)
        return best;
    for (SimdLevel l : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx2})
        if (std::strcmp(text, SimdLevelName(l)) == 0)
            return std::min(l, best);
    return best;
}

SimdLevel& Active() {
    static SimdLevel level = FromEnvironment();
    return level;
}
} // namespace

SimdLevel BestSimdLevel() {
    static const SimdLevel best = DetectBest();
    return best;
}

SimdLevel ActiveSimdLevel() {
    return Active();
}

SimdLevel SetSimdLevel(SimdLevel wanted) {
    Active() = std::min(wanted, BestSimdLevel());
    return Active();
}

std::vector<SimdLevel> AvailableSimdLevels() {
    std::vector<SimdLevel> levels;
    for (SimdLevel l : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx2})
        if (l <= BestSimdLevel())
            levels.push_back(l);
    return levels;
}

const char* SimdLevelName(SimdLevel level) {
    switch (level) {
    case SimdLevel::Scalar:
        return "scalar";
    case SimdLevel::Sse2:
        return "sse2";
    case SimdLevel::Avx2:
        return "avx2";
    }
    return "scalar";
}

} // namespace quavril
