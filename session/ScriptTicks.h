#pragma once
// How the script runner lets time pass. The program waits on its event loop; tests count
// ticks and act at chosen ones (a button press, the end of a playback).
namespace quavril {

class ScriptTicks {
public:
    virtual ~ScriptTicks() = default;

    // Lets one tick of 100 ms pass while the program keeps serving its events (playback
    // refills, the script window's buttons, other programs' messages).
    virtual void WaitTick() = 0;
    // Serves the events that are pending now, without waiting.
    virtual void ServiceEvents() = 0;
};

} // namespace quavril
