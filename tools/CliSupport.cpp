#include "tools/CliSupport.h"

#include "files/PresetFile.h"
#include "settings/MemoryPresets.h"
#include "synth/NumberText.h"

#include <algorithm>

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

std::optional<std::string> RecallPresetSlot(Generator& generator, const std::string& presetPath,
                                            const std::string& slotText, int32_t rate) {
    const auto slot = ParsePositive(slotText);
    if (!slot || !PresetBank::IsSlotNumber(*slot))
        return "slot '" + slotText + "' is not 1, 2, 3 or 4";
    PresetBank bank;
    if (auto loaded = LoadPresetFile(presetPath, bank); !loaded)
        return presetPath + ": " + loaded.Error;

    generator.SetSampleRate(rate);
    RecallSlot(generator, bank, *slot);

    // A channel whose texts cannot be derived would keep whatever an earlier signal left,
    // which a freshly started program cannot reproduce: refuse such a slot.
    const ChannelSettings& left = generator.Settings(Channel::Left);
    const ChannelSettings& right = generator.Settings(Channel::Right);
    auto check = [&](Channel c, const ChannelSettings& s) -> std::optional<std::string> {
        if (generator.DeriveSweep(c) == DeriveResult::Derived)
            return std::nullopt;
        const char* name = c == Channel::Left ? "left" : "right";
        return "slot " + slotText + ": the " + name + " channel's frequencies '" + s.fInit +
               "' and '" + s.fFinal + "' Hz cannot be used at " + std::to_string(rate) +
               " Hz (each must be a number above 0 and at most half the sample rate), or the " +
               "duration '" + generator.Text(TextField::Duration) + "' is not a number";
    };
    const auto frames = generator.FramesOfDuration();
    if (!frames || *frames < 0)
        return "slot " + slotText + ": the duration '" + generator.Text(TextField::Duration) +
               "' s is not a usable number of seconds";
    if (auto e = check(Channel::Left, left))
        return e;
    if (generator.Mode() == STEREO)
        if (auto e = check(Channel::Right, right))
            return e;
    if (!ParsePlain(generator.Text(TextField::PhaseEdit)))
        return "slot " + slotText + ": the phase '" + generator.Text(TextField::PhaseEdit) +
               "' is not a number";
    return std::nullopt;
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
