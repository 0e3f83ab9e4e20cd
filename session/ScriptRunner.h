#pragma once
// Runs a script (".qvs") line by line: `play` loads a preset file, recalls a slot and plays it
// once, `pause` waits for OK, `delay` waits in ticks of 100 ms, `repeat` starts again, `rem`
// is a comment and `end` ends. While a script runs, the main window is locked and the script
// window shows the current line; its two stop buttons arrive as CloseRequested and
// StopRequested, called from within the waits.
#include "files/ScriptReader.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace quavril {

class ScriptHost;
class ScriptTicks;
class ScriptView;

// How a run ended, for unattended starts: Finished after `end`, the last line or a stop
// button with no error message on the way; Failed when the script could not be read, ended on
// an error, or any error message was shown during the run (also where the script went on:
// "FILE NOT FOUND", a preset file that cannot be read, a failed start).
enum class ScriptOutcome { Finished, Failed };

class ScriptRunner {
public:
    ScriptRunner(ScriptHost& host, ScriptView& view, ScriptTicks& ticks);

    // Runs the script at `path` (bytes, as the system names the file) to its end and puts the
    // main window and the Loop box back as they were. A call while a script runs does nothing
    // and gives Failed.
    ScriptOutcome Run(const std::string& path);

    bool Running() const { return running_; }
    // The number of the line being executed, 1-based (0 before the first or after repeat).
    int LineNumber() const { return line_; }

    // The script window's first button or its title-bar close: the window is gone, the
    // current command runs to its natural end, then the script ends.
    void CloseRequested();
    // The second button: the current wait ends at its next tick, the window is hidden and
    // the script ends after this line. A playback started by `play` keeps running.
    void StopRequested();

private:
    enum class Step { Next, End, Fail };

    // A line's words as bytes (for file names) and as text (for the screen).
    struct Line {
        ScriptWords Bytes;
        ScriptWords Text;
    };

    Step Execute(const Line& line);
    Step Play(const Line& line);
    Step Delay(const Line& line);
    Step Repeat();
    Step Fail(const std::string& message);
    void Report(const std::string& message);
    std::string ExistingPreset(const Line& line, std::string& written) const;
    void WaitWhilePlaying();
    void WaitForOthersPlayback();
    void HidePopup();
    std::filesystem::path Resolved(const std::string& written) const;

    ScriptHost& host_;
    ScriptView& view_;
    ScriptTicks& ticks_;

    bool running_ = false;
    std::string path_;
    ScriptFile file_;
    std::size_t next_ = 0; // index of the next line in file_.Lines
    int line_ = 0;
    int errors_ = 0; // error messages shown in this run
    bool popupVisible_ = false;
    // Set by the runner at every tick of a wait and cleared by the second button.
    bool waiting_ = false;
    bool stopped_ = false;
    // Whether the current pass over the script has waited at all.
    bool passWaited_ = false;
};

} // namespace quavril
