#include "tools/CliCommands.h"
#include "tools/CliSupport.h"

#include "files/WaveFile.h"
#include "synth/Generator.h"

#include <iostream>

namespace quavril::cli {

namespace {
const char* RenderHelp =
    "Usage: quavril-cli render PRESET.qvl SLOT OUT.wav [--rate HZ]\n"
    "\n"
    "Writes memory slot SLOT (1-4) of the preset file PRESET.qvl as a 16-bit PCM wave file:\n"
    "one period of the signal (its duration), looping switched off, exactly the bytes the\n"
    "generator window's \"Save as wave file\" writes after recalling that slot in a freshly\n"
    "started program at that sample rate.\n"
    "\n"
    "  --rate HZ   sample rate in Hz (default 44100)\n";
} // namespace

int RunRender(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    if (auto error = ParseArgs(args, {"rate"}, {}, parsed))
        return Fail(*error);
    if (parsed.help) {
        std::cout << RenderHelp;
        return 0;
    }
    if (parsed.positional.size() != 3)
        return Fail("render needs PRESET.qvl SLOT OUT.wav (see quavril-cli render --help)");
    const std::string& preset = parsed.positional[0];
    const std::string& out = parsed.positional[2];
    int32_t rate = 44100;
    if (auto text = parsed.Option("rate")) {
        const auto r = ParsePositive(*text);
        if (!r)
            return Fail("rate '" + *text + "' is not a positive whole number of hertz");
        rate = *r;
    }

    Generator generator;
    if (auto error = RecallPresetSlot(generator, preset, parsed.positional[1], rate))
        return Fail(*error);

    // What "Save as wave file" does: looping off, the export reset, then the file.
    generator.SetFlag(FlagField::Loop, false);
    if (!generator.ResetGenerator(true))
        return Fail("the phase '" + generator.Text(TextField::PhaseEdit) + "' is not a number");
    WaveFileWriter writer;
    switch (writer.WriteWaveFile(out, generator)) {
    case WaveWriteResult::Written:
        return 0;
    case WaveWriteResult::Cancelled:
    case WaveWriteResult::Failed:
        return Fail(out + ": " + FileAccessErrorMessage);
    case WaveWriteResult::BadDuration:
        return Fail("the duration '" + generator.Text(TextField::Duration) +
                    "' is not a usable number of seconds");
    case WaveWriteResult::TooLong:
        return Fail(out + ": " + WaveTooLongMessage);
    }
    return 1;
}

} // namespace quavril::cli
