#include "session/ScriptRunner.h"

#include "files/AnsiText.h"
#include "files/PresetBank.h"
#include "files/PresetFile.h"
#include "files/StandardStream.h"
#include "session/ScriptHost.h"
#include "session/ScriptTicks.h"
#include "session/ScriptView.h"
#include "synth/Messages.h"
#include "synth/NumberText.h"

#include <cstdint>
#include <system_error>

namespace quavril {

namespace {

constexpr const char* PauseText = "Pause in script. Press OK to continue";
constexpr const char* InvalidInteger = "'%s' is not a valid integer value";

// A message of the form "'%s' is ..." naming the offending text.
std::string Naming(const char* pattern, const std::string& text) {
    std::string message = pattern;
    message.replace(message.find("%s"), 2, text);
    return message;
}

} // namespace

ScriptRunner::ScriptRunner(ScriptHost& host, ScriptView& view, ScriptTicks& ticks)
    : host_(host), view_(view), ticks_(ticks) {}

ScriptOutcome ScriptRunner::Run(const std::string& path) {
    if (running_)
        return ScriptOutcome::Failed;
    file_ = ReadScriptFile(path);
    if (!file_.Ok) {
        view_.ShowError(file_.Error);
        return ScriptOutcome::Failed;
    }
    running_ = true;
    path_ = path;
    next_ = 0;
    line_ = 0;
    errors_ = 0;
    const int failuresBefore = host_.FailuresShown();
    waiting_ = false;
    stopped_ = false;
    passWaited_ = false;
    const bool savedLoop = host_.Loop();
    view_.SetMainWindowEnabled(false);
    popupVisible_ = true;
    view_.ShowPopup();

    // The script ends quietly after its last line, as after `end`.
    while (popupVisible_ && next_ < file_.Lines.size()) {
        const std::string& bytes = file_.Lines[next_++];
        const Line line{SplitScriptLine(bytes), SplitScriptLine(ScriptText(bytes))};
        ++line_;
        view_.SetLabel("Line " + std::to_string(line_) + ": " + line.Text.Command);
        if (Execute(line) != Step::Next)
            HidePopup();
        ticks_.ServiceEvents();
        if (line.Bytes.Command != "play" && line.Bytes.Command != "delay")
            WaitForOthersPlayback();
    }
    const ScriptOutcome outcome = errors_ > 0 || host_.FailuresShown() != failuresBefore
                                      ? ScriptOutcome::Failed
                                      : ScriptOutcome::Finished;

    host_.SetLoop(savedLoop);
    if (popupVisible_) {
        popupVisible_ = false;
        view_.HidePopup();
    }
    view_.SetMainWindowEnabled(true);
    file_ = {};
    running_ = false;
    return outcome;
}

void ScriptRunner::CloseRequested() {
    if (running_)
        HidePopup();
}

void ScriptRunner::StopRequested() {
    if (!running_)
        return;
    waiting_ = false;
    stopped_ = true;
    HidePopup();
}

ScriptRunner::Step ScriptRunner::Execute(const Line& line) {
    const std::string& command = line.Bytes.Command;
    if (command == "play")
        return Play(line);
    if (command == "pause") {
        const ScriptWords& words = line.Text;
        std::string text = PauseText;
        if (!words.Argument.empty())
            text = words.Rest.empty() ? words.Argument : words.Argument + " " + words.Rest;
        // Not a wait of the pass: without a person (a batch run) the message returns at once.
        view_.ShowInformation(text);
        return Step::Next;
    }
    if (command == "delay")
        return Delay(line);
    if (command == "repeat")
        return Repeat();
    if (command == "rem")
        return Step::Next;
    if (command == "end")
        return Step::End;
    return Fail("Invalid command in line " + std::to_string(line_));
}

ScriptRunner::Step ScriptRunner::Play(const Line& line) {
    // The slot is checked before the bank is touched: a bad line changes nothing.
    const auto slot = ParseWhole(line.Bytes.Argument);
    if (!slot)
        return Fail(Naming(InvalidInteger, line.Text.Argument));
    if (!PresetBank::IsSlotNumber(*slot))
        return Fail("Invalid slot number in line " + std::to_string(line_));
    std::string written;
    const std::string path = ExistingPreset(line, written);
    if (path.empty()) {
        Report("FILE NOT FOUND: '" + EscapedName(line.Bytes.Rest) + "'.");
        return Step::Next;
    }
    // A file that exists but cannot be read leaves the bank as it was: say so and go on
    // rather than play the previous bank's slot. The message names the file as written.
    if (std::string error = host_.LoadPresetFile(path); !error.empty()) {
        const std::string shown = EscapedName(path);
        if (const auto at = error.find(shown); at != std::string::npos)
            error.replace(at, shown.size(), EscapedName(written));
        else if (error == WrongFileFormatMessage)
            error += ": '" + EscapedName(written) + "'.";
        Report(error);
        return Step::Next;
    }
    host_.RecallSlot(*slot);
    // Played once, also when the recall has already switched the generator on.
    host_.SetLoop(false);
    host_.StartPlayback();
    WaitWhilePlaying();
    return Step::Next;
}

ScriptRunner::Step ScriptRunner::Delay(const Line& line) {
    const auto seconds = ParsePlain(line.Bytes.Argument);
    if (!seconds)
        return Fail(Naming(messages::InvalidFloat, line.Text.Argument));
    const long double ticks = 10.0L * *seconds;
    // At least one tick, also for zero and negative delays.
    int64_t waited = 0;
    do {
        waiting_ = true;
        ticks_.WaitTick();
        ++waited;
    } while (waiting_ && waited < ticks);
    waiting_ = false;
    passWaited_ = true;
    return Step::Next;
}

ScriptRunner::Step ScriptRunner::Repeat() {
    // A pass that never waited would make the loop spin a core until a button is pressed.
    if (!passWaited_)
        ticks_.WaitTick();
    passWaited_ = false;
    // Read again, so that a script edited between passes runs as it now reads.
    file_ = ReadScriptFile(path_);
    next_ = 0;
    line_ = 0;
    if (!file_.Ok)
        return Fail(file_.Error);
    return Step::Next;
}

ScriptRunner::Step ScriptRunner::Fail(const std::string& message) {
    Report(message);
    return Step::Fail;
}

void ScriptRunner::Report(const std::string& message) {
    ++errors_;
    view_.ShowError(message);
}

// The preset file of a play line: the name's bytes as written; in a line that is not UTF-8
// (an older editor's Windows-1252) also the name as the screen shows it, for a file that was
// saved under its UTF-8 name. Empty when neither exists; `written` is the form that was found.
std::string ScriptRunner::ExistingPreset(const Line& line, std::string& written) const {
    for (const std::string* form : {&line.Bytes.Rest, &line.Text.Rest}) {
        std::error_code ec;
        const std::string path = Resolved(*form).string();
        if (!form->empty() && std::filesystem::exists(path, ec)) {
            written = *form;
            return path;
        }
    }
    return {};
}

void ScriptRunner::WaitWhilePlaying() {
    do {
        waiting_ = true;
        ticks_.WaitTick();
    } while (waiting_ && host_.Playing());
    waiting_ = false;
    passWaited_ = true;
}

// After a command that does not wait itself, a playback that something else started (a
// synchronised generator window) is let play out before the next line.
void ScriptRunner::WaitForOthersPlayback() {
    while (!stopped_ && host_.Playing()) {
        ticks_.WaitTick();
        passWaited_ = true;
    }
}

void ScriptRunner::HidePopup() {
    if (!popupVisible_)
        return;
    popupVisible_ = false;
    view_.HidePopup();
    // The main window is usable again as soon as the script window is gone.
    view_.SetMainWindowEnabled(true);
}

// A relative path names a file beside the script: a script started from the file manager
// has no meaningful working folder. A script read through a descriptor (/dev/stdin) has no
// folder of its own: there the working folder counts.
std::filesystem::path ScriptRunner::Resolved(const std::string& written) const {
    const std::filesystem::path p(written);
    if (p.is_absolute() || StandardStreamOf(path_))
        return p;
    return std::filesystem::path(path_).parent_path() / p;
}

} // namespace quavril
