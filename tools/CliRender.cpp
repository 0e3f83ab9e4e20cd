#include "tools/CliCommands.h"
#include "tools/CliSupport.h"

#include "files/FileReplacement.h"
#include "files/WaveFile.h"
#include "settings/OutputSettings.h"
#include "synth/Generator.h"

#include <iostream>

namespace quavril::cli {

namespace {
const char* RenderHelp =
    "Usage: quavril-cli render PRESET.qvl SLOT OUT.wav [--rate HZ] [--format FORMAT]\n"
    "                          [--dither KIND] [--band-limited] [--fade MS]\n"
    "\n"
    "Writes memory slot SLOT (1-4) of the preset file PRESET.qvl as a wave file, 16-bit PCM\n"
    "unless --format says otherwise: one period of the signal (its duration), looping\n"
    "switched off, exactly the bytes the generator window's \"Save as wave file\" writes after\n"
    "recalling that slot in a freshly started program at that sample rate and signal quality.\n"
    "A frequency above half the sample rate is lowered to half of it, as the window does\n"
    "when it applies the slot.\n"
    "\n"
    "PRESET.qvl may be a pipe; '-' reads it from standard input (at most 65536 bytes).\n"
    "OUT.wav '-' writes the wave file to standard output; devices and pipes are written\n"
    "directly. An existing OUT.wav is replaced only once the new file is complete, keeping\n"
    "its permissions; a symbolic link stays and the file it points to is replaced; OUT.wav\n"
    "must not be the preset file. Ctrl+C leaves no partial file behind.\n"
    "\n"
    "  --rate HZ   sample rate in Hz: 8000, 11025, 22050, 44100, 48000, 88200, 96000,\n"
    "              176400 or 192000 (default 44100)\n";

const char* RenderFormats =
    "\n"
    "Signal quality (the output settings of the generator window; without these options the\n"
    "classic 16-bit signal). 24-bit files are PCM; float files are WAVE_FORMAT_IEEE_FLOAT with\n"
    "a 'fact' chunk. A wave file holds at most 4 GB of samples: 24-bit and float files hold\n"
    "fewer seconds than 16-bit ones, and a longer signal is refused.\n"
    "\n";

// What the error line calls the output.
std::string OutputName(const std::string& argument) {
    return argument == "-" ? "standard output" : argument;
}
} // namespace

int RunRender(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    std::vector<std::string> valued = QualityValued;
    valued.push_back("rate");
    if (auto error = ParseArgs(args, valued, QualityFlags, parsed))
        return Fail(*error);
    if (parsed.help) {
        std::cout << RenderHelp << RenderFormats << QualityHelp;
        return 0;
    }
    if (parsed.positional.size() != 3)
        return Fail("render needs PRESET.qvl SLOT OUT.wav (see quavril-cli render --help)");
    const std::string& preset = parsed.positional[0];
    const std::string& out = parsed.positional[2];
    int32_t rate = 44100;
    if (auto error =
            ReadListed("rate", parsed.Option("rate"), OutputSettings::FsValues, "Hz", rate))
        return Fail(*error);
    SignalQuality quality;
    if (auto error = ReadQuality(parsed, quality))
        return Fail(*error);
    // An interrupted render removes its temporary file before the process ends.
    FileReplacement::RemoveTemporaryOnSignals();

    Generator generator;
    generator.SetQuality(quality);
    if (auto error = RecallPresetSlot(generator, preset, parsed.positional[1], rate))
        return Fail(*error);

    // What "Save as wave file" does once its file is chosen.
    WaveFileWriter writer;
    writer.InputFile = InputPath(preset);
    switch (writer.Export(OutputPath(out), generator)) {
    case WaveWriteResult::Written:
        return 0;
    case WaveWriteResult::Cancelled:
    case WaveWriteResult::Failed:
        return Fail(OutputName(out) + ": " + FileAccessErrorMessage +
                    (writer.Reason.empty() ? "" : " " + writer.Reason));
    case WaveWriteResult::BadDuration:
        return Fail("the duration '" + generator.Text(TextField::Duration) +
                    "' is not a usable number of seconds");
    case WaveWriteResult::TooLong:
        return Fail(OutputName(out) + ": " + WaveTooLongMessage + " " +
                    WaveLimitText(generator.ChannelCount(), rate, quality.Format) + ".");
    case WaveWriteResult::BadPhase:
        return Fail("the phase '" + generator.Text(TextField::PhaseEdit) + "' is not a number");
    }
    return 1;
}

} // namespace quavril::cli
