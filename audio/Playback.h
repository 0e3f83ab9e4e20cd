#pragma once
// Switching the generator on: the start shared by the main window and the command-line tool.
// Free of widgets; the caller shows the message of a failed start and moves the focus.
#include "audio/TAudioOut.h"
#include "synth/Generator.h"
#include <cstdint>
#include <string>

namespace quavril {

namespace playback_messages {
inline constexpr const char* ShortSignal =
    "For very short signals please decrease the buffer number and size in the 'Compatibility "
    "settings' in the 'Options' menu";
// A duration that rounds to no frame at the sample rate (0, negative, under half a frame).
inline constexpr const char* PeriodUnderOneFrame =
    "The duration is shorter than one sample: the signal cannot be played.";
// Followed by a carriage return and the component's ErrorMessage.
inline constexpr const char* SoundDeviceError = "Sound Device Error: ";
} // namespace playback_messages

class Playback {
public:
    enum class Outcome {
        AlreadyPlaying, // nothing was done (no message, no focus change)
        Started,        // the output runs; OnStart follows through the event loop
        Failed,         // Message holds the text to show
    };
    struct StartResult {
        Outcome Result = Outcome::Failed;
        std::string Message;
    };

    // Binds the output's fill event to the generator's fill handler.
    Playback(Generator& generator, TAudioOut& output);

    Generator& Gen() const { return generator_; }

    // Resets the generator, sets RenderAcknowledged, configures the output (Stereo from the
    // channel mode, FrameRate from the generator's SampleRate, the samples from its quality's
    // format, then NumBuffers, BufferSize last) and starts it. Does nothing when the output
    // already plays; the fade-out of a soft stop still playing ends at once. A period shorter
    // than one frame is refused after the reset (whose derivation stopped the output).
    StartResult StartPlayback(int32_t numBuffers, int32_t bufferSize);

    // The user's stop: with the quality's fade length above 0 the sound already queued fades
    // out over that many milliseconds (StopSoftly), else it stops at once.
    void Stop();

    // The text shown for a failed start with the component's ErrorMessage.
    static std::string StartFailureMessage(const std::string& errorMessage);

    // What the generator's host answers (GeneratorHost::OutputPlaying / StopOutputNow).
    bool OutputPlaying() const { return output_.Playing(); }
    void StopOutputNow() { output_.StopNow(); }

private:
    Generator& generator_;
    TAudioOut& output_;
};

} // namespace quavril
