#pragma once
// Tests put a generator's run-time state where a case starts (a counter in the middle of a
// period, a fill left unfinished, an acknowledgement that never came); nothing else writes it
// from outside the generator.
#include "synth/Generator.h"

namespace quavril {

struct GeneratorTestAccess {
    static GeneratorState& State(Generator& g) { return g.MutableState(); }
};

namespace test {
inline GeneratorState& MutableState(Generator& g) {
    return GeneratorTestAccess::State(g);
}
} // namespace test

} // namespace quavril
