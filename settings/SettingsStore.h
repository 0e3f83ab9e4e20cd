#pragma once
// The persistent store of the program's settings: named values of three kinds (text, integer,
// flag) under the key path Software/Orvande/Quavril, kept as an INI file at
// $XDG_CONFIG_HOME/Orvande/Quavril.conf (~/.config when the variable is unset). Integers and
// flags are written as integers; a flag reads as true for any non-zero integer. Value names
// are matched without regard to case, and overwriting a value keeps the spelling it was first
// written with. Every value name is one of the constants in `setting_names` below.
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QSettings;

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

    // The program's store at DefaultFilePath().
    SettingsStore();
    // A store kept in another file (tests, tools).
    explicit SettingsStore(const QString& filePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // $XDG_CONFIG_HOME/Orvande/Quavril.conf, read from the environment at each call.
    static QString DefaultFilePath();
    QString FilePath() const;

    // The key holds at least one value.
    bool KeyExists() const;
    bool Contains(std::string_view name) const;

    // Empty when the value is missing; integers and flags also when the stored text is not a
    // decimal 32-bit integer (a value of the wrong kind).
    std::optional<std::string> ReadText(std::string_view name) const;
    std::optional<int32_t> ReadInt(std::string_view name) const;
    std::optional<bool> ReadFlag(std::string_view name) const;

    void WriteText(std::string_view name, const std::string& value);
    void WriteInt(std::string_view name, int32_t value);
    void WriteFlag(std::string_view name, bool value);
    void Remove(std::string_view name);

    // Writes pending changes to the file. False when it could not be written.
    bool Sync();

private:
    // The stored spelling of `name` (matched without regard to case), or empty.
    QString StoredName(std::string_view name) const;
    QString WriteName(std::string_view name) const;

    std::unique_ptr<QSettings> settings_;
};

} // namespace quavril
