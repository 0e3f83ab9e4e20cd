#pragma once
// What the script runner needs of the generator: the preset bank, the memory slots, the
// transport and the Loop box. The generator session implements it; tests use a fake.
#include <string>

namespace quavril {

class ScriptHost {
public:
    virtual ~ScriptHost() = default;

    // Loads a preset file into the bank (the memory buttons show the new names). Empty on
    // success, otherwise the loader's message; the bank is then unchanged.
    virtual std::string LoadPresetFile(const std::string& path) = 0;
    // Applies memory slot n (1..4) as the memory buttons do, autostart option included.
    virtual void RecallSlot(int n) = 0;
    // Switches the generator on as the On button does without synchronisation; does nothing
    // while it plays. A failed start shows its message and leaves the generator off.
    virtual void StartPlayback() = 0;
    // Whether the output plays (also while paused).
    virtual bool Playing() const = 0;
    // The Loop box: read, and set as a click would (its handler runs when the state changes).
    virtual bool Loop() const = 0;
    virtual void SetLoop(bool on) = 0;
    // How many failure messages the generator itself has shown so far (a failed start, a
    // device lost while playing, a text that is not a number). A script run during which the
    // count grows ends as Failed, like one that showed an error of its own.
    virtual int FailuresShown() const = 0;
};

} // namespace quavril
