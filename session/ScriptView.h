#pragma once
// What the script runner shows: the script window with its line label, the main window that
// is locked while a script runs, and message boxes. The script window implements it.
#include <string>

namespace quavril {

class ScriptView {
public:
    virtual ~ScriptView() = default;

    // Locks or unlocks the main window; unlocking also brings it to the front if it is shown
    // (a script started from the command line never shows it).
    virtual void SetMainWindowEnabled(bool enabled) = 0;
    // Shows the script window (not modal) and hides it. Hiding by the program, unlike the
    // user's close, requests nothing of the runner.
    virtual void ShowPopup() = 0;
    virtual void HidePopup() = 0;
    // The label's text, "Line 2: play".
    virtual void SetLabel(const std::string& text) = 0;
    // Modal message boxes; they return when the user has pressed OK.
    virtual void ShowInformation(const std::string& text) = 0;
    virtual void ShowError(const std::string& text) = 0;
};

} // namespace quavril
