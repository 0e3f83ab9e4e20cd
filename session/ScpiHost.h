#pragma once
// What the SCPI commands need of the generator: its controls, the transport as the window's
// buttons give it, the output settings, the memory slots and the reset. The generator session
// implements it (session/SessionScpiHost); the fuzz target and tests use a plain generator.
#include "synth/Generator.h"
#include "synth/SignalQuality.h"

#include <cstdint>
#include <string>

namespace quavril {

class ScpiHost {
public:
    virtual ~ScpiHost() = default;

    // Every generator setting is read here and written as a user would write the control.
    virtual Generator& Controls() = 0;
    const Generator& Controls() const { return const_cast<ScpiHost*>(this)->Controls(); }

    // On, Off and Pause (a toggle) as the window's buttons give them: with Sync they reach
    // every generator. On returns the start failure's message, empty when the generator plays.
    virtual std::string On() = 0;
    virtual void Off() = 0;
    virtual void Pause() = 0;
    virtual bool Playing() const = 0;
    virtual bool Paused() const = 0;

    // *RST: the output off and out of pause, every generator setting back to its default.
    virtual void Reset() = 0;

    // The output settings: a rate's position in OutputSettings::FsValues; the signal quality.
    // Both switch the generator off, as the output settings window does.
    virtual void SelectRate(int position) = 0;
    virtual const SignalQuality& Quality() const = 0;
    virtual void SetQuality(const SignalQuality& quality) = 0;

    // Memory slots 1..4 as the memory buttons and the Presets menu use them (a recall
    // switches on with the autostart option). False for other numbers.
    virtual bool RecallSlot(int n) = 0;
    virtual bool StoreSlot(int n) = 0;
};

} // namespace quavril
