#pragma once
// Wave file export: the RIFF/WAVE header, the render loop and the file handling.
#include "synth/SampleFormat.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quavril {

class Generator;
class FileReplacement;

// What the export shows while it runs. The window implements it with its please-wait window;
// headless callers leave it out.
class WaveExportObserver {
public:
    virtual ~WaveExportObserver() = default;
    // Before the file is created: progress 0, main window disabled, wait window shown.
    virtual void ExportStarted() {}
    // Whether progress is shown (the wait window is visible).
    virtual bool ProgressVisible() const { return false; }
    // Progress in percent (0..100); then pending user-interface events are processed, which
    // is where a Cancel click arrives.
    virtual void ExportProgress(int) {}
    // Always called at the end: wait window hidden, main window enabled and raised.
    virtual void ExportFinished() {}
};

enum class WaveWriteResult {
    Written,
    Cancelled,
    Failed,      // the file could not be created or written
    BadDuration, // the duration text is not a usable number: nothing was written
    TooLong,     // more data than a wave file's 32-bit sizes can describe: nothing was written
                 // (the limit is in bytes, so 24-bit and float files hold fewer frames)
    BadPhase,    // the phase text is not a number: nothing was written
};

class WaveFileWriter {
public:
    // The canonical 44-byte PCM header for `frames` frames of 16-bit samples.
    static std::array<uint8_t, 44> Header(uint32_t frames, uint16_t channels, uint32_t rate);
    // The header of `frames` frames in sample format `format`: the 44-byte PCM header for
    // 16 and 24-bit samples; for float the format chunk of WAVE_FORMAT_IEEE_FLOAT (18 bytes)
    // and a "fact" chunk holding the frame count, 58 bytes in all.
    static std::vector<uint8_t> Header(uint32_t frames, uint16_t channels, uint32_t rate,
                                       SampleFormat format);
    // Bytes of that header.
    static uint32_t HeaderBytes(SampleFormat format);
    // Whether a file of `frames` frames fits the 32-bit RIFF sizes.
    static bool Fits(int64_t frames, int channels, SampleFormat format);

    // Set by the Cancel button of the wait window; cleared after a cancelled export.
    bool ExportCancelled = false;
    // A file the export must never write: the preset file the signal was read from (the
    // command-line tool sets it). Empty: none.
    std::string InputFile;
    // After a Failed export: why, in the system's words ("No space left on device",
    // "Permission denied"); the window shows it under its message, the command-line tool
    // after it. Empty otherwise.
    std::string Reason;

    // Renders one period of the generator's current signal into `path`: derives both sweeps,
    // N = Round(duration * fs) frames, header then frames, in the generator's sample format. The
    // file is written as FileReplacement describes: under a temporary name renamed over the target
    // only when complete (a failed or cancelled export leaves an existing file untouched and no
    // partial file behind), links followed, mode kept, devices and "/dev/stdout" written directly.
    // The caller shows "File Access Error, cannot write file." and Reason for Failed.
    WaveWriteResult WriteWaveFile(const std::string& path, Generator& generator,
                                  WaveExportObserver* observer = nullptr);

    // "Save as wave file" after its file dialog: looping off, the export's reset of the signal
    // (BadPhase when the phase is not a number), then WriteWaveFile. The window and the
    // command-line tool both export through here.
    WaveWriteResult Export(const std::string& path, Generator& generator,
                           WaveExportObserver* observer = nullptr);

    // Appends `frames` frames to `file` (the generator state must be at the start of a
    // signal); stops early when ExportCancelled is seen. Returns false on a write error, whose
    // reason `file` keeps.
    bool RenderToStream(FileReplacement& file, Generator& generator, int64_t frames,
                        WaveExportObserver* observer = nullptr);
};

inline constexpr const char* FileAccessErrorMessage = "File Access Error, cannot write file.";
inline constexpr const char* WaveTooLongMessage =
    "The signal is too long for a wave file (at most 4 GB of sample data).";
// The longest signal a wave file can hold, for a message: "at most 22369 s at 48000 Hz in
// 24-bit stereo".
std::string WaveLimitText(int channels, int32_t rate, SampleFormat format);

// The file name the export proposes for the current settings, e.g.
// "5s Sine 1000Hz 5s 0dBFS mono.wav".
std::string ProposedWaveFileName(const Generator& generator);

} // namespace quavril
