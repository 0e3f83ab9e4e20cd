#include "tools/CliSupport.h"

#include "files/PresetFile.h"
#include "settings/MemoryPresets.h"
#include "synth/NumberText.h"

#include <QCoreApplication>
#include <algorithm>
#include <iterator>

namespace quavril::cli {

std::optional<int32_t> ParsePositive(const std::string& text) {
    if (text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const long long v = std::stoll(text);
    if (v < 1 || v > 2147483647LL)
        return std::nullopt;
    return static_cast<int32_t>(v);
}

std::optional<std::string> ReadListed(const std::string& name,
                                      const std::optional<std::string>& text,
                                      std::span<const int32_t> allowed, const std::string& unit,
                                      int32_t& out) {
    if (!text)
        return std::nullopt;
    const auto v = ParsePositive(*text);
    if (v && std::find(allowed.begin(), allowed.end(), *v) != allowed.end()) {
        out = *v;
        return std::nullopt;
    }
    // Listed in ascending order, whatever the order of the settings' list.
    std::vector<int32_t> sorted(allowed.begin(), allowed.end());
    std::sort(sorted.begin(), sorted.end());
    std::string list;
    for (std::size_t i = 0; i < sorted.size(); ++i)
        list += (i == 0 ? "" : i + 1 == sorted.size() ? " or " : ", ") + std::to_string(sorted[i]);
    return name + " '" + *text + "' is not one the generator offers: " + list + " " + unit;
}

std::string InputPath(const std::string& argument) {
    return argument == "-" ? "/dev/stdin" : argument;
}

std::string OutputPath(const std::string& argument) {
    return argument == "-" ? "/dev/stdout" : argument;
}

namespace {

// Why a channel's frequencies cannot be used, naming the field; nothing when they can. (One
// above half the sample rate was lowered to it by the recall, as the window does.)
std::optional<std::string> FrequencyProblem(const Generator& g, Channel c) {
    const ChannelSettings& s = g.Settings(c);
    const std::string side = c == Channel::Left ? "left" : "right";
    const std::pair<const std::string*, const char*> fields[] = {
        {&s.fInit, s.Constant ? "frequency" : "initial frequency"}, {&s.fFinal, "final frequency"}};
    for (const auto& [text, what] : fields) {
        const std::string field = "the " + side + " channel's " + what + " '" + *text + "'";
        const auto hz = ParsePlain(*text);
        if (!hz)
            return field + " is not a number";
        if (!(*hz > 0))
            return field + " Hz is not above 0 Hz";
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> RecallPresetSlot(Generator& generator, const std::string& presetPath,
                                            const std::string& slotText, int32_t rate) {
    const auto slot = ParsePositive(slotText);
    if (!slot || !PresetBank::IsSlotNumber(*slot))
        return "slot '" + slotText + "' is not 1, 2, 3 or 4";
    PresetBank bank;
    if (auto loaded = LoadPresetFile(InputPath(presetPath), bank); !loaded)
        return presetPath + ": " + loaded.Error;

    generator.SetSampleRate(rate);
    RecallSlot(generator, bank, *slot);

    // A channel whose texts cannot be derived would keep whatever an earlier signal left,
    // which a freshly started program cannot reproduce: refuse such a slot, saying why.
    const std::string duration = generator.Text(TextField::Duration);
    const auto frames = generator.FramesOfDuration();
    if (!frames || *frames < 0)
        return "slot " + slotText + ": the duration '" + duration +
               "' s is not a usable number of seconds";
    // A period of no frame renders an empty wave file, as the window's export does; playing
    // it is refused by the playback start.
    std::vector<Channel> sounding;
    if (*frames >= 1)
        sounding.push_back(Channel::Left);
    if (*frames >= 1 && generator.Mode() == STEREO)
        sounding.push_back(Channel::Right);
    for (const Channel c : sounding) {
        if (generator.DeriveSweep(c) == DeriveResult::Derived)
            continue;
        if (auto problem = FrequencyProblem(generator, c))
            return "slot " + slotText + ": " + *problem;
        const char* side = c == Channel::Left ? "left" : "right";
        if (*frames == 1 && !generator.Settings(c).Constant)
            return "slot " + slotText + ": the " + side + " channel sweeps, but the duration '" +
                   duration + "' s is a single frame at " + std::to_string(rate) +
                   " Hz: a sweep needs at least two";
        return "slot " + slotText + ": the " + side + " channel's sweep cannot be computed from '" +
               generator.Settings(c).fInit + "' to '" + generator.Settings(c).fFinal +
               "' Hz over '" + duration + "' s";
    }
    if (!ParsePlain(generator.Text(TextField::PhaseEdit)))
        return "slot " + slotText + ": the phase '" + generator.Text(TextField::PhaseEdit) +
               "' is not a number";
    return std::nullopt;
}

const char* const QualityHelp =
    "  --format FORMAT      sample format: s16 (16-bit PCM, the default), s24 (24-bit PCM)\n"
    "                       or f32 (32-bit float)\n"
    "  --dither KIND        none (the default) or tpdf: triangular dither of +-1 LSB before\n"
    "                       the rounding to 16 or 24 bits (float is not dithered)\n"
    "  --band-limited       square, triangle and sawtooth without components above half\n"
    "                       the sample rate\n"
    "  --fade MS            raised-cosine fade of MS milliseconds (0-1000, default 0) at the\n"
    "                       start and where the signal ends\n";

std::optional<std::string> ReadQuality(const ParsedArgs& parsed, SignalQuality& quality) {
    if (auto text = parsed.Option("format")) {
        const std::pair<const char*, SampleFormat> names[] = {
            {"s16", SampleFormat::S16}, {"s24", SampleFormat::S24}, {"f32", SampleFormat::F32}};
        const auto* it = std::find_if(std::begin(names), std::end(names),
                                      [&](const auto& n) { return *text == n.first; });
        if (it == std::end(names))
            return "format '" + *text + "' is not s16, s24 or f32";
        quality.Format = it->second;
    }
    if (auto text = parsed.Option("dither")) {
        if (*text != "none" && *text != "tpdf")
            return "dither '" + *text + "' is not none or tpdf";
        quality.Dither = *text == "tpdf" ? DitherKind::Tpdf : DitherKind::None;
    }
    if (parsed.Has("band-limited"))
        quality.BandLimited = true;
    if (auto text = parsed.Option("fade")) {
        const bool digits =
            !text->empty() && text->size() <= 4 &&
            std::all_of(text->begin(), text->end(), [](char c) { return c >= '0' && c <= '9'; });
        const int ms = digits ? std::stoi(*text) : -1;
        if (ms < 0 || ms > SignalQuality::MaxFadeMs)
            return "fade '" + *text + "' is not a whole number of milliseconds from 0 to " +
                   std::to_string(SignalQuality::MaxFadeMs);
        quality.FadeMs = ms;
    }
    return std::nullopt;
}

std::unique_ptr<QCoreApplication> EnsureApplication() {
    if (QCoreApplication::instance())
        return nullptr;
    static int argc = 1;
    static char name[] = "quavril-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

std::optional<std::string> ParsedArgs::Option(const std::string& name) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (it->first == name)
            return it->second;
    return std::nullopt;
}

bool ParsedArgs::Has(const std::string& name) const {
    return Option(name).has_value();
}

std::optional<std::string> ParseArgs(const std::vector<std::string>& args,
                                     const std::vector<std::string>& valued,
                                     const std::vector<std::string>& flags, ParsedArgs& out) {
    auto in = [](const std::vector<std::string>& list, const std::string& s) {
        return std::find(list.begin(), list.end(), s) != list.end();
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") {
            // The end of the options: what follows is positional, "-6" or "--x" alike.
            out.positional.insert(out.positional.end(), args.begin() + i + 1, args.end());
            break;
        }
        if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a.rfind("--", 0) == 0 && a.size() > 2) {
            std::string name = a.substr(2), value;
            const auto eq = name.find('=');
            const bool inlineValue = eq != std::string::npos;
            if (inlineValue) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
            if (in(valued, name)) {
                if (!inlineValue) {
                    if (i + 1 >= args.size())
                        return "option --" + name + " needs a value";
                    value = args[++i];
                }
                out.options.emplace_back(name, value);
            } else if (in(flags, name) && !inlineValue) {
                out.options.emplace_back(name, "");
            } else {
                return "unknown option '" + a + "'";
            }
        } else {
            out.positional.push_back(a);
        }
    }
    return std::nullopt;
}

} // namespace quavril::cli
