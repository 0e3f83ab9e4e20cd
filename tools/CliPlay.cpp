#include "tools/CliCommands.h"
#include "tools/CliSupport.h"

#include "audio/DeviceList.h"
#include "audio/Playback.h"
#include "audio/PlaybackHost.h"
#include "audio/TAudioOut.h"
#include "settings/OutputSettings.h"
#include "synth/Generator.h"

#include "audio/TAudioIO.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <alsa/asoundlib.h>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace quavril::cli {

namespace {

const char* PlayHelp =
    "Usage: quavril-cli play PRESET.qvl SLOT [--rate HZ] [--device NAME] [--buffers N]\n"
    "                        [--buffer-size BYTES] [--loop] [--format FORMAT]\n"
    "                        [--dither KIND] [--band-limited] [--fade MS]\n"
    "\n"
    "Plays memory slot SLOT (1-4) of the preset file PRESET.qvl on an output device, through\n"
    "the generator's own output path, and returns when the signal has ended. Ctrl+C stops at\n"
    "once, or after the fade-out when a fade length is set.\n"
    "\n"
    "PRESET.qvl may be a pipe; '-' reads it from standard input.\n"
    "\n"
    "  --rate HZ            sample rate in Hz: 8000, 11025, 22050, 44100, 48000, 88200,\n"
    "                       96000, 176400 or 192000 (default 44100)\n"
    "  --device NAME        ALSA device name, as 'quavril-cli devices' lists them\n"
    "                       (default: the system's default device)\n"
    "  --buffers N          number of output buffers: 2, 3 or 4 (default 4)\n"
    "  --buffer-size BYTES  bytes per output buffer, 512 to 64536 (default 16384)\n"
    "  --loop               repeat the signal until Ctrl+C\n";

const char* DevicesHelp = "Usage: quavril-cli devices\n"
                          "\n"
                          "Lists the output devices, one a line: the name that --device takes,\n"
                          "a tab, and the text the generator's device list shows. The first\n"
                          "line is the system's default device.\n";

// Exit status after Ctrl+C, as shells report a program ended by SIGINT.
constexpr int InterruptedStatus = 130;

// Ctrl+C arrives as a byte on a socket pair so that the event loop handles it like any other
// event: the playback stops at once and the device is closed properly.
int interruptPipe[2] = {-1, -1};

void OnInterrupt(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(interruptPipe[1], &byte, 1);
}

class InterruptGuard {
public:
    InterruptGuard() {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, interruptPipe) != 0)
            return;
        struct sigaction action {};
        action.sa_handler = &OnInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        installed_ = ::sigaction(SIGINT, &action, &previous_) == 0;
    }
    ~InterruptGuard() {
        if (installed_)
            ::sigaction(SIGINT, &previous_, nullptr);
        for (int& fd : interruptPipe)
            if (fd >= 0) {
                ::close(fd);
                fd = -1;
            }
    }
    int ReadEnd() const { return interruptPipe[0]; }

private:
    struct sigaction previous_ {};
    bool installed_ = false;
};

constexpr int32_t LargestBufferSize = OutputSettings::BufferSizeValues.back();

// Why ALSA cannot open `device` at all, in words about the device; nothing when it opens.
// Asked before playing, because a name ALSA cannot parse fails with the same code as a sample
// format the device refuses.
std::optional<std::string> DeviceProblem(const std::string& device) {
    snd_pcm_t* pcm = nullptr;
    const int e = snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (e == 0) {
        snd_pcm_close(pcm);
        return std::nullopt;
    }
    switch (-e) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return std::string("No such output device. 'quavril-cli devices' lists the devices.");
    case EINVAL:
        return std::string("The device name is not one ALSA can open. 'quavril-cli devices' "
                           "lists the devices.");
    case EBUSY:
        return std::string("The output device is busy: another program is using it.");
    case EACCES:
    case EPERM:
        return std::string("No permission to use the output device.");
    case EHOSTDOWN:
    case ECONNREFUSED:
        return std::string("The sound server is not running.");
    default:
        return std::string("The output device cannot be opened: ") + snd_strerror(e) + ".";
    }
}

struct PlayOptions {
    std::string preset, slot, device = "default";
    int32_t rate = 44100;
    int32_t buffers = OutputSettings::BuffersValues[OutputSettings::DefaultBuffers];
    int32_t bufferSize = OutputSettings::BufferSizeValues[OutputSettings::DefaultBufferSize];
    bool loop = false;
    SignalQuality quality;
};

// Reads the play arguments; an error text on failure.
std::optional<std::string> ReadPlayOptions(const ParsedArgs& parsed, PlayOptions& o) {
    if (parsed.positional.size() != 2)
        return "play needs PRESET.qvl SLOT (see quavril-cli play --help)";
    o.preset = parsed.positional[0];
    o.slot = parsed.positional[1];
    if (auto e = ReadListed("rate", parsed.Option("rate"), OutputSettings::FsValues, "Hz", o.rate))
        return e;
    if (auto e = ReadListed("buffers", parsed.Option("buffers"), OutputSettings::BuffersValues,
                            "buffers", o.buffers))
        return e;
    if (auto text = parsed.Option("buffer-size")) {
        // Any size the output component takes, up to the largest the settings offer.
        const auto v = ParsePositive(*text);
        if (!v || *v < TAudioIO::MinBufferRequest || *v > LargestBufferSize)
            return "buffer-size '" + *text + "' is not a whole number of bytes from " +
                   std::to_string(TAudioIO::MinBufferRequest) + " to " +
                   std::to_string(LargestBufferSize);
        o.bufferSize = *v;
    }
    if (auto d = parsed.Option("device")) {
        if (d->empty())
            return std::string("device name is empty");
        o.device = *d;
    }
    o.loop = parsed.Has("loop");
    return ReadQuality(parsed, o.quality);
}

// One line for stderr: the start failure texts hold a carriage return.
std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c != '\r' && c != '\n')
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    return line;
}

} // namespace

int RunPlay(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    std::vector<std::string> valued = QualityValued, flags = QualityFlags;
    valued.insert(valued.end(), {"rate", "device", "buffers", "buffer-size"});
    flags.push_back("loop");
    if (auto error = ParseArgs(args, valued, flags, parsed))
        return Fail(*error);
    if (parsed.help) {
        std::cout << PlayHelp << QualityHelp;
        return 0;
    }
    PlayOptions o;
    if (auto error = ReadPlayOptions(parsed, o))
        return Fail(*error);

    const InterruptGuard interrupt;
    const auto app = EnsureApplication();
    Generator generator;
    // The output opens the device in the generator's sample format at the start.
    generator.SetQuality(o.quality);
    if (auto error = RecallPresetSlot(generator, o.preset, o.slot, o.rate))
        return Fail(*error);
    generator.SetFlag(FlagField::Loop, o.loop);

    TAudioOut output;
    Playback playback(generator, output);
    PlaybackHost host(playback);
    generator.SetHost(&host);
    if (o.device != WaveOutPort::DefaultDeviceName) {
        if (auto problem = DeviceProblem(o.device))
            return Fail("cannot play on '" + o.device + "': Sound Device Error: " + *problem);
        output.SetDeviceNames({o.device});
        output.SetWaveDevice(0);
    }

    std::string failure;
    bool interrupted = false, stopped = false;
    host.OnPerformanceIssue = [&](const char* message) { failure = message; };
    output.OnError = [&](QObject*) { failure = o.device + ": " + output.ErrorMessage(); };
    output.OnStop = [&](QObject*) {
        stopped = true;
        QCoreApplication::quit();
    };
    QSocketNotifier onInterrupt(interrupt.ReadEnd(), QSocketNotifier::Read);
    QObject::connect(&onInterrupt, &QSocketNotifier::activated, [&] {
        onInterrupt.setEnabled(false);
        interrupted = true;
        if (output.DeviceOpen())
            playback.Stop(); // OnStop follows (after the fade-out) and ends the loop
        else
            QCoreApplication::quit();
    });

    const Playback::StartResult started = playback.StartPlayback(o.buffers, o.bufferSize);
    if (started.Result != Playback::Outcome::Started) {
        generator.SetHost(nullptr);
        return Fail("cannot play on '" + o.device + "': " + OneLine(started.Message));
    }
    if (!stopped)
        QCoreApplication::exec();
    generator.SetHost(nullptr);
    if (!failure.empty())
        return Fail(OneLine(failure));
    return interrupted ? InterruptedStatus : 0;
}

int RunDevices(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    if (auto error = ParseArgs(args, {}, {}, parsed))
        return Fail(*error);
    if (parsed.help) {
        std::cout << DevicesHelp;
        return 0;
    }
    if (!parsed.positional.empty())
        return Fail("devices takes no arguments");
    const DeviceList list = DeviceList::Enumerate();
    for (const DeviceEntry& e : list.Entries())
        std::cout << e.Name << '\t' << e.Shown << '\n';
    if (list.NoUsableDevice())
        std::cerr << "quavril-cli: no sound card and no usable output device was found\n";
    return 0;
}

} // namespace quavril::cli
