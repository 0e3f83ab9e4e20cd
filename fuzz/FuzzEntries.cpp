#include "fuzz/FuzzEntries.h"

#include "files/AnsiText.h"
#include "files/PresetFile.h"
#include "files/WaveFile.h"
#include "session/ScriptRunner.h"
#include "settings/OutputSettings.h"
#include "settings/ResetToDefaults.h"
#include "settings/SettingsStore.h"
#include "settings/StoredSettings.h"
#include "synth/Generator.h"
#include "tests/session/FakeScriptHost.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace quavril::fuzz {

namespace {

// A bank no input produces by accident, to see that a failed load leaves it alone.
PresetBank Sentinel() {
    PresetBank bank;
    for (int n = 1; n <= 4; ++n)
        bank.Slot(n).Name = "untouched " + std::to_string(n);
    return bank;
}

std::string Check(std::span<const uint8_t> bytes) {
    PresetBank bank = Sentinel();
    const PresetFileResult r = DecodePresetFile(bytes, bank);
    if (!r)
        return bank == Sentinel() ? "" : "a failed load changed the bank";
    for (int n = 1; n <= 4; ++n)
        for (const std::string* text : {&bank.Slot(n).Name, &bank.Slot(n).Duration})
            if (Utf8ToAnsi(*text).size() > PresetSlot::TextLimit)
                return "a loaded text is longer than 255 characters";
    const std::vector<uint8_t> saved = EncodePresetFile(bank);
    if (saved.size() != PresetFileSize)
        return "a saved bank is not 15493 bytes";
    PresetBank again;
    if (!DecodePresetFile(saved, again) || !(again == bank))
        return "a loaded bank does not load back from its own file";
    return {};
}

uint32_t U32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
}

std::string CheckHeader(const std::array<uint8_t, 44>& h, uint32_t frames, uint16_t channels,
                        uint32_t rate) {
    const uint32_t data = frames * 2u * channels;
    if (std::memcmp(&h[0], "RIFF", 4) != 0 || std::memcmp(&h[8], "WAVEfmt ", 8) != 0 ||
        std::memcmp(&h[36], "data", 4) != 0)
        return "a header lacks its chunk names";
    if (U32(&h[4]) != 36u + data || U32(&h[40]) != data)
        return "a header's sizes do not match its frames";
    if (U32(&h[24]) != rate % 16777216u || U32(&h[28]) != (rate * 2u * channels) % 16777216u)
        return "a header's rate fields are not the rate";
    if ((h[22] | (h[23] << 8)) != channels || (h[32] | (h[33] << 8)) != ((2 * channels) & 0xFFFF))
        return "a header's channel fields are wrong";
    return {};
}

// The windows' part of the stored settings as plain values, and the reset's controls.
class PlainWindows : public OutsideSettings, public ResetToDefaults::WindowControls {
public:
    std::map<std::string, std::string, std::less<>> texts;
    std::map<std::string, int32_t, std::less<>> integers;

    std::string Text(std::string_view name) const override {
        const auto it = texts.find(name);
        return it == texts.end() ? std::string() : it->second;
    }
    int32_t Integer(std::string_view name) const override {
        const auto it = integers.find(name);
        return it == integers.end() ? 0 : it->second;
    }
    bool Flag(std::string_view name) const override { return Integer(name) != 0; }
    void SetText(std::string_view name, const std::string& text) override {
        texts.insert_or_assign(std::string(name), text);
    }
    void SetInteger(std::string_view name, int32_t value) override {
        integers.insert_or_assign(std::string(name), value);
    }
    void SetFlag(std::string_view name, bool value) override { SetInteger(name, value); }
    void SelectDefaultDevice() override { SetInteger("WaveDevice", 0); }
    void SetSliderLimitTexts(const std::string& min, const std::string& max) override {
        SetText("MinFreqEdit", min);
        SetText("MaxFreqEdit", max);
    }
    int32_t OutputFrameRate() const override { return 22050; }
};

// What a start makes of the file: the controls, the windows' values, and whether it read
// every value.
struct Started {
    Generator g;
    PlainWindows windows;
    bool complete = false;
    std::string damage;
};

void Start(SettingsStore& store, Started& s) {
    s.g.SetSampleRate(44100);
    s.complete =
        StoredSettings::Load(store, s.g, s.windows, [&s] { ResetToDefaults::Run(s.g, s.windows); });
    s.damage = store.Damage();
}

// A stored setting's value in a started program, as text.
std::string ValueOf(const Started& s, const SettingRow& row) {
    if (row.Field < 0)
        return row.Kind == SettingKind::Text ? s.windows.Text(row.Stored)
                                             : std::to_string(s.windows.Integer(row.Stored));
    switch (row.Kind) {
    case SettingKind::Text:
        return s.g.Text(static_cast<TextField>(row.Field));
    case SettingKind::Flag:
        return s.g.Flag(static_cast<FlagField>(row.Field)) ? "1" : "0";
    default:
        return std::to_string(s.g.Index(static_cast<IndexField>(row.Field)));
    }
}

std::string SameControls(const Started& a, const Started& b) {
    for (const SettingRow& row : SettingsTable())
        if (!row.Stored.empty() && ValueOf(a, row) != ValueOf(b, row))
            return "the setting " + std::string(row.Stored) + " differs after a save";
    return {};
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A folder of the process's own for the settings files, made once.
const std::string& SettingsFolder() {
    static const std::string folder = [] {
        // In memory where there is a memory file system: every save is made durable.
        std::string pattern = ::access("/dev/shm", W_OK) == 0
                                  ? "/dev/shm/quavril-fuzz-settings-XXXXXX"
                                  : "/tmp/quavril-fuzz-settings-XXXXXX";
        return ::mkdtemp(pattern.data()) ? pattern : std::string("/tmp");
    }();
    return folder;
}

// A folder of this process for the script and the preset files its lines may name, removed
// when the process ends.
class ScriptFolder {
public:
    ScriptFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quavril-fuzz-XXXXXX");
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
        for (const char* name : {"a.qvl", "\xE9.qvl", "b c.qvl"})
            std::ofstream(path_ / name) << "preset";
    }
    ~ScriptFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace

std::string SettingsFile(std::span<const uint8_t> bytes) {
    const std::string path = SettingsFolder() + "/Quavril.conf";
    ::unlink((path + ".damaged").c_str());
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    // One store from the start to the end, as in the program.
    Started first;
    {
        SettingsStore store(path);
        Start(store, first);
        for (const SettingRow& row : SettingsTable())
            if (!row.Stored.empty() && row.Kind == SettingKind::Text)
                if (const auto text = store.ReadText(row.Stored); text && !IsValidUtf8(*text))
                    return "the text of " + std::string(row.Stored) + " is not UTF-8";
        if (!StoredSettings::Save(store, first.g, first.windows))
            return "the settings could not be saved";
    }
    if (!first.damage.empty()) {
        const std::string kept = ReadAll(path + ".damaged");
        if (kept.size() != bytes.size() || std::memcmp(kept.data(), bytes.data(), kept.size()))
            return "a damaged file was not kept byte for byte";
    }
    Started again;
    SettingsStore reread(path);
    Start(reread, again);
    if (!again.complete || !again.damage.empty())
        return "a saved file does not load without a fault: " + again.damage;
    return SameControls(first, again);
}

std::string PresetFile(std::span<const uint8_t> bytes) {
    return Check(bytes);
}

std::string LegacyPresetFile(std::span<const uint8_t> bytes) {
    std::vector<uint8_t> file;
    const std::string_view magic = "QVL Preset File V3.2\r\n";
    file.insert(file.end(), magic.begin(), magic.end());
    file.insert(file.end(), bytes.begin(), bytes.end());
    if (auto e = Check(file); !e.empty())
        return e;
    PresetBank bank;
    if (!DecodePresetFile(file, bank))
        return {};
    for (int n = 1; n <= 4; ++n) {
        const PresetSlot& s = bank.Slot(n);
        if (s.fInitRight != s.fInitLeft || s.AmplitudeRight != s.AmplitudeLeft ||
            s.WaveFormRight != s.WaveFormLeft || s.chkConstantRight != s.chkConstantLeft)
            return "the right channel differs from the left in a text preset";
    }
    return {};
}

std::string WaveHeader(std::span<const uint8_t> bytes) {
    if (bytes.size() < 12)
        return {};
    const uint32_t frames = U32(bytes.data());
    const auto channels = static_cast<uint16_t>(bytes[4] | (bytes[5] << 8));
    const uint32_t rate = U32(bytes.data() + 6);
    if (auto e =
            CheckHeader(WaveFileWriter::Header(frames, channels, rate), frames, channels, rate);
        !e.empty())
        return e;

    // Through the export, into a file in memory written as a descriptor the process holds.
    Generator g;
    g.SetSampleRate(OutputSettings::FsValues[bytes[10] % OutputSettings::FsValues.size()]);
    g.SetIndex(IndexField::cboChannels, bytes[11] % 2 ? STEREO : MONO);
    const std::string duration(reinterpret_cast<const char*>(bytes.data() + 12),
                               std::min<std::size_t>(bytes.size() - 12, 40));
    g.SetText(TextField::Duration, duration);
    const auto n = g.FramesOfDuration();
    if (!n || *n < 0 || *n > 20000) // longer renders only cost time
        return {};
    const int fd = ::memfd_create("quavril-fuzz", MFD_CLOEXEC);
    if (fd < 0)
        return {};
    WaveFileWriter writer;
    const WaveWriteResult result =
        writer.WriteWaveFile("/dev/fd/" + std::to_string(fd), g, nullptr);
    std::string error;
    const auto k = static_cast<uint16_t>(g.ChannelCount());
    const off_t size = ::lseek(fd, 0, SEEK_END);
    std::array<uint8_t, 44> h{};
    if (result != WaveWriteResult::Written)
        error = "an export of " + std::to_string(*n) + " frames failed: " + writer.Reason;
    else if (size != static_cast<off_t>(44 + 2 * k * static_cast<int64_t>(*n)))
        error = "an export's length does not match its frame count";
    else if (::pread(fd, h.data(), h.size(), 0) != 44)
        error = "an export's header cannot be read back";
    else
        error = CheckHeader(h, static_cast<uint32_t>(*n), k, static_cast<uint32_t>(g.SampleRate()));
    ::close(fd);
    return error;
}

std::string Script(std::span<const uint8_t> bytes) {
    if (bytes.size() < 2)
        return {};
    static const ScriptFolder folder;
    const std::string path = (folder.Path() / "s.qvs").string();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data() + 2),
                  static_cast<std::streamsize>(bytes.size() - 2));
    }
    test::FakeScriptHost host;
    ScriptRunner runner(host, host, host);
    const int stopTick = 1 + (bytes[0] & 31);
    if (bytes[0] & 32)
        host.AtTick[stopTick / 2] = [&] { runner.CloseRequested(); };
    host.AtTick[stopTick] = [&] { runner.StopRequested(); };
    host.LoopBox = bytes[0] & 64;
    host.AutoStart = bytes[0] & 128;
    host.PlayTicks = 1 + (bytes[1] & 7);
    host.SlotLoops = bytes[1] & 8;
    host.StartFails = bytes[1] & 16;
    host.WrongFormat = {(folder.Path() / "\xE9.qvl").string()};
    // After the stop button the current line ends at its next tick; every line serves events
    // once, and a pass over the script waits at least one tick.
    host.TickLimit = stopTick + 100;
    host.ServiceLimit = host.TickLimit * static_cast<int>(bytes.size() + 2);
    const bool loopBefore = host.LoopBox;
    try {
        runner.Run(path);
    } catch (const test::TickLimitReached&) {
        return "the run went on " + std::to_string(host.TickLimit - stopTick) +
               " ticks after the stop button";
    }
    for (const auto& entry : host.Log)
        if ((entry.starts_with("label ") || entry.starts_with("error: ") ||
             entry.starts_with("info: ")) &&
            !IsValidUtf8(entry))
            return "a message or label is not UTF-8: " + EscapedName(entry);
    if (host.LoopBox != loopBefore)
        return "the Loop box was not restored";
    if (!host.MainWindowEnabled || host.PopupShown || runner.Running())
        return "the run did not end in order";
    return {};
}

} // namespace quavril::fuzz
