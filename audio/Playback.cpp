#include "audio/Playback.h"

#include "synth/Fade.h"

namespace quavril {

Playback::Playback(Generator& generator, TAudioOut& output)
    : generator_(generator), output_(output) {
    output_.OnFillBuffer = [this](uint8_t* buffer, int32_t& size) {
        return generator_.FillBuffer(buffer, size);
    };
}

std::string Playback::StartFailureMessage(const std::string& errorMessage) {
    if (errorMessage == audio_messages::NoFilledBuffer)
        return playback_messages::ShortSignal;
    return std::string(playback_messages::SoundDeviceError) + '\r' + errorMessage;
}

void Playback::Stop() {
    output_.StopSoftly(FadeFrames(generator_.Quality().FadeMs, output_.FrameRate()));
}

Playback::StartResult Playback::StartPlayback(int32_t numBuffers, int32_t bufferSize) {
    if (output_.Playing())
        return {Outcome::AlreadyPlaying, {}};
    output_.StopNow(); // a fade-out still playing
    generator_.ResetGenerator(false);
    // The derivation refused such a period and kept the last one; playing that instead would
    // not be what the user typed.
    const auto frames = generator_.FramesOfDuration();
    if ((frames && *frames < 1) || generator_.State().TotalSamples < 1)
        return {Outcome::Failed, playback_messages::PeriodUnderOneFrame};
    generator_.AcknowledgeRender();
    // BufferSize last: it allocates the blocks with the format and count set before it.
    output_.SetStereo(generator_.Mode() == STEREO);
    output_.SetFrameRate(generator_.SampleRate());
    output_.SetSamples(generator_.Quality().Format);
    output_.SetNumBuffers(numBuffers);
    output_.SetBufferSize(bufferSize);
    if (!output_.Start())
        return {Outcome::Failed, StartFailureMessage(output_.ErrorMessage())};
    return {Outcome::Started, {}};
}

} // namespace quavril
