#pragma once
// The persistent store of the program's settings: named values of three kinds (text, integer,
// flag) under the key path Software/Orvande/Quavril, kept as an INI file at
// $XDG_CONFIG_HOME/Orvande/Quavril.conf (~/.config when the variable is unset) in the form
// QSettings reads (settings/IniText.h). Integers and flags are written as integers; a flag
// reads as true for any non-zero integer. Value names are matched without regard to case, and
// overwriting a value keeps the spelling it was first written with. Every value name is one
// of the constants in `setting_names` below.
//
// The file is read once, when the store is made, and only when it is a regular file of at
// most FileLimit bytes: a FIFO, a device or a folder in its place is never opened. Sync()
// writes it as every writer of the program writes files (files/FileReplacement.h): complete
// or not at all, a link followed and kept, mode and owner kept, and never to anything but a
// regular file. Values another program copy wrote into the file meanwhile stay, unless this
// store wrote the same value. A file that held lines that are not settings, or a value its
// setting refuses (MarkDamaged), is kept beside it as <file>.damaged before it is first
// written over. What goes wrong is told to the reporter, one line each. Standard library and
// POSIX only.
#include "settings/IniText.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quavril {

namespace setting_names {
// Output settings: positions in the lists of sampling rates, buffer sizes and buffer counts.
inline constexpr const char* Fs = "Fs";
inline constexpr const char* Buffers = "Buffers";
inline constexpr const char* BufferSize = "BufferSize";
// Signal quality (output settings too): sample format (0 16-bit, 1 24-bit, 2 32-bit float),
// dither (0 none, 1 TPDF), band-limited shapes (flag), fade length in ms (0..1000).
inline constexpr const char* SampleFormat = "SampleFormat";
inline constexpr const char* Dither = "Dither";
inline constexpr const char* BandLimited = "BandLimited";
inline constexpr const char* FadeMs = "FadeMs";
// The SCPI server: on (flag), listening address, first port, allowed clients.
inline constexpr const char* ScpiServer = "ScpiServer";
inline constexpr const char* ScpiAddress = "ScpiAddress";
inline constexpr const char* ScpiPort = "ScpiPort";
inline constexpr const char* ScpiAllowed = "ScpiAllowed";
// Main window, frequency slider and frequency display windows.
inline constexpr const char* fInitLeft = "fInitLeft";
inline constexpr const char* fFinalLeft = "fFinalLeft";
inline constexpr const char* AmplitudeLeft = "AmplitudeLeft";
inline constexpr const char* chkConstantLeft = "chkConstantLeft";
inline constexpr const char* LogarithmicLeft = "LogarithmicLeft";
inline constexpr const char* BidirectionalLeft = "BidirectionalLeft";
inline constexpr const char* ModulationOnLeft = "ModulationOnLeft";
inline constexpr const char* WaveFormLeft = "WaveFormLeft";
inline constexpr const char* fInitRight = "fInitRight";
inline constexpr const char* fFinalRight = "fFinalRight";
inline constexpr const char* AmplitudeRight = "AmplitudeRight";
inline constexpr const char* chkConstantRight = "chkConstantRight";
inline constexpr const char* LogarithmicRight = "LogarithmicRight";
inline constexpr const char* BidirectionalRight = "BidirectionalRight";
inline constexpr const char* ModulationOnRight = "ModulationOnRight";
inline constexpr const char* WaveFormRight = "WaveFormRight";
inline constexpr const char* Duration = "Duration";
inline constexpr const char* Loop = "Loop";
// The channel-mode flag: written as "mono", read as "Mono" (names ignore case).
inline constexpr const char* Mono = "mono";
inline constexpr const char* LeftTick = "LeftTick";
inline constexpr const char* RightTick = "RightTick";
inline constexpr const char* PhaseEdit = "PhaseEdit";
inline constexpr const char* ModPeriodLeftEdit = "ModPeriodLeftEdit";
inline constexpr const char* ModDepthLeftEdit = "ModDepthLeftEdit";
inline constexpr const char* ModFunctionLeft = "ModFunctionLeft";
inline constexpr const char* ModPhaseLeftEdit = "ModPhaseLeftEdit";
inline constexpr const char* ModPeriodRightEdit = "ModPeriodRightEdit";
inline constexpr const char* ModDepthRightEdit = "ModDepthRightEdit";
inline constexpr const char* ModFunctionRight = "ModFunctionRight";
inline constexpr const char* ModPhaseRightEdit = "ModPhaseRightEdit";
inline constexpr const char* WaveDevice = "WaveDevice";
inline constexpr const char* PresetAutoStart = "PresetAutoStart";
inline constexpr const char* frmFreqSlider = "frmFreqSlider";
inline constexpr const char* frmFrequencyDisplay = "frmFrequencyDisplay";
inline constexpr const char* FormX = "FormX";
inline constexpr const char* FormY = "FormY";
inline constexpr const char* DisplayX = "DisplayX";
inline constexpr const char* DisplayY = "DisplayY";
inline constexpr const char* DisplayW = "DisplayW";
inline constexpr const char* SliderX = "SliderX";
inline constexpr const char* SliderY = "SliderY";
inline constexpr const char* SliderW = "SliderW";
inline constexpr const char* MinFreqEdit = "MinFreqEdit";
inline constexpr const char* MaxFreqEdit = "MaxFreqEdit";
inline constexpr const char* txtRound = "txtRound";
// The signal monitor window: visible, place, size, FFT size and averaging.
inline constexpr const char* frmSignalMonitor = "frmSignalMonitor";
inline constexpr const char* MonitorX = "MonitorX";
inline constexpr const char* MonitorY = "MonitorY";
inline constexpr const char* MonitorW = "MonitorW";
inline constexpr const char* MonitorH = "MonitorH";
inline constexpr const char* MonitorFftSize = "MonitorFftSize";
inline constexpr const char* MonitorAveraging = "MonitorAveraging";
} // namespace setting_names

class SettingsStore {
public:
    // Group path of every value inside the file.
    static constexpr const char* KeyPath = "Software/Orvande/Quavril";
    // The largest settings file that is read (a written one is a few kilobytes).
    static constexpr std::size_t FileLimit = 1024 * 1024;
    // Told one line (without the program's name) for each thing that goes wrong.
    using Reporter = std::function<void(const std::string& line)>;

    // The program's store at DefaultFilePath(); what goes wrong is said on standard error as
    // "quavril: ...".
    SettingsStore();
    // A store kept in another file; an empty path keeps the values in memory only (nothing is
    // read, Sync writes nothing).
    explicit SettingsStore(std::string filePath, Reporter reporter = {});
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // $XDG_CONFIG_HOME/Orvande/Quavril.conf, read from the environment at each call.
    static std::string DefaultFilePath();
    const std::string& FilePath() const { return path_; }
    // Where a damaged file is kept: the file's name followed by ".damaged".
    std::string DamagedFilePath() const { return path_ + ".damaged"; }

    // The key holds at least one value.
    bool KeyExists() const;
    // The value is there, whatever it holds.
    bool Contains(std::string_view name) const;

    // Empty when the value is missing or of another kind (Contains tells them apart): a text
    // that is a list or not UTF-8, an integer or flag whose text is not a decimal 32-bit
    // integer.
    std::optional<std::string> ReadText(std::string_view name) const;
    std::optional<int32_t> ReadInt(std::string_view name) const;
    std::optional<bool> ReadFlag(std::string_view name) const;

    void WriteText(std::string_view name, const std::string& value);
    void WriteInt(std::string_view name, int32_t value);
    void WriteFlag(std::string_view name, bool value);
    void Remove(std::string_view name);

    // The file that was read holds a value that its setting refuses (`why` names it): the
    // file is kept as DamagedFilePath() before it is first written over.
    void MarkDamaged(const std::string& why);
    // What made the file count as damaged (its first bad line or value); empty when nothing.
    const std::string& Damage() const { return damage_; }

    // Writes the values to the file. False when it could not be written; the reporter has
    // been told why.
    bool Sync();

private:
    // What is at the path.
    struct FileContent {
        enum class Kind { Missing, Read, TooLarge, NotRegular, Unreadable } Is = Kind::Missing;
        std::string Bytes;
        std::string What; // NotRegular: "a FIFO" etc.; Unreadable: the system's text
    };
    FileContent ReadFile() const;
    void Report(const std::string& line) const;
    // Keeps the file's bytes beside it; false (told) when that fails.
    bool KeepDamaged();
    // The entry holding `name` in this store's group; null when there is none.
    const ini::Entry* Find(std::string_view name) const;
    ini::Entry* Find(std::string_view name);
    void Write(std::string_view name, std::string raw);

    std::string path_;
    Reporter report_;
    std::vector<ini::Entry> entries_;
    // Keys this store wrote or removed since the file was read or written.
    std::set<std::string> written_, removed_;
    // The bytes read at the start and why they count as damaged (empty when they do not).
    std::string loaded_;
    std::string damage_;
};

} // namespace quavril
