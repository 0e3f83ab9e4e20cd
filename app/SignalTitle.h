#pragma once
// The one-line description of the signal that the desktop's media controls show as the title
// (toolkit-free), written from the controls as the window shows them:
//
//   one channel   "Sine 1000 Hz, −20 dBFS"                 constant frequency
//                 "Sine sweep 20–20000 Hz, −20 dBFS"       linear sweep (fInit to fFinal)
//                 "Sine log sweep 20–20000 Hz, −20 dBFS"   logarithmic sweep
//                 "White noise, −6 dBFS"                   noise and pulses: no frequency
//                 "Silence"
//                 ..., AM                                  amplitude modulation on
//   mono          the left channel
//   stereo        both channels alike: "Sine 1000 Hz, −20 dBFS, stereo" (", phase 90°" when the
//                 right channel is offset); different: "Left: …; Right: …"; one channel on:
//                 "Left: …" or "Right: …"; none: "Silence"
//
// Numbers are the fields' texts; a minus sign is the typographic one (U+2212).
#include "synth/Generator.h"

#include <string>

namespace quavril {

std::string SignalTitle(const Generator& generator);

} // namespace quavril
