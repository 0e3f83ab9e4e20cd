#pragma once
// A generator, script window and clock for running scripts headless. Every call is logged in
// order; a playback lasts a set number of ticks (for ever while Loop is ticked, which is read
// at every tick as the generator reads it at every sample); actions run at chosen ticks. A run
// that goes on past TickLimit ticks or ServiceLimit services throws TickLimitReached, so that a
// runner that never ends fails its test instead of hanging it.
#include "session/ScriptHost.h"
#include "session/ScriptTicks.h"
#include "session/ScriptView.h"

#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace quavril::test {

struct TickLimitReached : std::runtime_error {
    TickLimitReached() : std::runtime_error("the script run went on past the fake's tick limit") {}
};

class FakeScriptHost : public ScriptHost, public ScriptView, public ScriptTicks {
public:
    int TickLimit = 100000;
    int ServiceLimit = 100000;
    std::vector<std::string> Log;
    int Ticks = 0;
    int PlayTicks = 3;                 // length of a signal without Loop
    bool AutoStart = false;            // the recall switches the generator on
    bool SlotLoops = true;             // the recalled slot has Loop ticked
    std::set<std::string> Unreadable;  // preset paths whose load fails
    std::set<std::string> WrongFormat; // preset paths that are no preset file
    bool StartFails = false;           // a start shows the generator's failure message
    std::map<int, std::function<void()>> AtTick;
    std::function<void()> OnServiceEvents;

    bool LoopBox = false;
    bool PlayingNow = false;
    int PlayedTicks = 0;
    int Failures = 0; // the generator's own failure messages
    int Services = 0;
    bool MainWindowEnabled = true;
    bool PopupShown = false;
    std::string Label;

    // Something other than the script (a synchronised window) starts a signal.
    void StartOthersPlayback() { Begin(); }

    // Messages shown, in order, each as "error: ..." or "info: ...".
    std::vector<std::string> Messages() const {
        std::vector<std::string> shown;
        for (const auto& entry : Log)
            if (entry.rfind("error: ", 0) == 0 || entry.rfind("info: ", 0) == 0)
                shown.push_back(entry);
        return shown;
    }
    int Count(const std::string& prefix) const {
        int n = 0;
        for (const auto& entry : Log)
            n += entry.rfind(prefix, 0) == 0;
        return n;
    }

    std::string LoadPresetFile(const std::string& path) override {
        Log.push_back("load " + path);
        if (Unreadable.count(path))
            return "Cannot read file " + path + ": Input/output error";
        if (WrongFormat.count(path))
            return "Wrong file format";
        return {};
    }
    void RecallSlot(int n) override {
        Log.push_back("recall " + std::to_string(n));
        PlayingNow = false;
        SetLoop(SlotLoops);
        if (AutoStart)
            Begin();
    }
    void StartPlayback() override {
        Log.push_back("start");
        if (StartFails && !PlayingNow) {
            ++Failures;
            Log.push_back("error: Sound Device Error: no such device");
        } else if (!PlayingNow) {
            Begin();
        }
    }
    bool Playing() const override { return PlayingNow; }
    bool Loop() const override { return LoopBox; }
    void SetLoop(bool on) override {
        Log.push_back(std::string("loop ") + (on ? "1" : "0"));
        LoopBox = on;
    }
    int FailuresShown() const override { return Failures; }

    void SetMainWindowEnabled(bool enabled) override {
        Log.push_back(std::string("enable ") + (enabled ? "1" : "0"));
        MainWindowEnabled = enabled;
    }
    void ShowPopup() override {
        Log.push_back("show");
        PopupShown = true;
    }
    void HidePopup() override {
        Log.push_back("hide");
        PopupShown = false;
    }
    void SetLabel(const std::string& text) override {
        Log.push_back("label " + text);
        Label = text;
    }
    void ShowInformation(const std::string& text) override { Log.push_back("info: " + text); }
    void ShowError(const std::string& text) override { Log.push_back("error: " + text); }

    void WaitTick() override {
        if (++Ticks > TickLimit)
            throw TickLimitReached();
        Log.push_back("tick");
        if (PlayingNow && !LoopBox && ++PlayedTicks >= PlayTicks) {
            PlayingNow = false;
            Log.push_back("stopped");
        }
        if (auto action = AtTick.find(Ticks); action != AtTick.end())
            action->second();
    }
    void ServiceEvents() override {
        if (++Services > ServiceLimit)
            throw TickLimitReached();
        if (OnServiceEvents)
            OnServiceEvents();
    }

private:
    void Begin() {
        PlayingNow = true;
        PlayedTicks = 0;
        Log.push_back("playing");
    }
};

} // namespace quavril::test
