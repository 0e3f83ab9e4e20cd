#include "session/ScpiInstrument.h"

#include "settings/OutputSettings.h"
#include "synth/NumberText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <span>

namespace quavril {

using scpi::Parameter;
using Call = ScpiInstrument::Call;

namespace {

constexpr const char* NotANumber = "9.91E+37"; // SCPI's answer for a value that is no number

// --- Settings reached by the command tree ---------------------------------------------------

enum class Unit { Hertz, Seconds, Decibels, Degrees, Percent };

struct Limits {
    long double Min, Max;
};

// A number with a unit and limits; write() may refuse with Call::Fail.
struct NumberSetting {
    Unit Kind;
    Limits (*Range)(const ScpiHost&);
    std::optional<long double> (*Read)(const ScpiHost&, Channel);
    bool (*Write)(Call&, long double);
};

struct FlagSetting {
    bool (*Read)(const ScpiHost&, Channel);
    bool (*Write)(Call&, bool);
};

// A character parameter: the long form with the short form in capitals and digits
// ("SINusoid": SIN or SINUSOID); `Value` is what the setting holds.
struct Choice {
    std::string_view Name;
    int Value;
};

struct ChoiceSetting {
    std::span<const Choice> Choices;
    int (*Read)(const ScpiHost&, Channel);
    bool (*Write)(Call&, int);
};

std::string ShortForm(std::string_view name) {
    std::string s;
    for (char c : name)
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            s += c;
    return s;
}

std::string LongForm(std::string_view name) {
    std::string s;
    for (char c : name)
        s += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return s;
}

bool IsForm(const std::string& typed, std::string_view name) {
    return typed == ShortForm(name) || typed == LongForm(name);
}

// The value of a control's text: a plain number, else as the validated edits read it.
std::optional<long double> TextValue(const std::string& text) {
    if (auto v = ParsePlain(text))
        return v;
    if (auto v = ParseNumber(text))
        return *v;
    return std::nullopt;
}

std::string NumberText(std::optional<long double> v) {
    return v ? FormatGeneral(*v + 0.0L) : NotANumber;
}

// Writes an edit as a user types the value and leaves the field: the change handler, then the
// exit handler's validation and rewrite.
void WriteField(Generator& g, TextField f, long double value) {
    g.SetText(f, FormatGeneral(value + 0.0L));
    g.ExitEdit(f);
}

template <TextField (*Field)(Channel)>
std::optional<long double> ReadField(const ScpiHost& h, Channel c) {
    return TextValue(h.Controls().Text(Field(c)));
}

template <TextField (*Field)(Channel)> bool WriteFieldOf(Call& k, long double v) {
    WriteField(k.Host.Controls(), Field(k.Side), v);
    return true;
}

TextField DurationField(Channel) {
    return TextField::Duration;
}

Limits FrequencyRange(const ScpiHost& h) {
    return {0.1L, h.Controls().SampleRate() * 0.5L};
}

const NumberSetting InitialFrequency{Unit::Hertz, FrequencyRange, ReadField<fInitOf>,
                                     WriteFieldOf<fInitOf>};
const NumberSetting FinalFrequency{Unit::Hertz, FrequencyRange, ReadField<fFinalOf>,
                                   WriteFieldOf<fFinalOf>};
// The signal's period (a sweep's time), shared by both channels.
const NumberSetting SweepTime{Unit::Seconds,
                              [](const ScpiHost&) {
                                  return Limits{0.1L, 1e6L};
                              },
                              ReadField<DurationField>, WriteFieldOf<DurationField>};
const NumberSetting Level{Unit::Decibels,
                          [](const ScpiHost&) {
                              return Limits{-100, 0};
                          },
                          ReadField<AmplitudeOf>, WriteFieldOf<AmplitudeOf>};
const NumberSetting Depth{Unit::Percent,
                          [](const ScpiHost&) {
                              return Limits{0, 100};
                          },
                          ReadField<ModDepthOf>, WriteFieldOf<ModDepthOf>};
// The modulation's frequency is the inverse of its period, which keeps 3 decimals.
const NumberSetting ModulationFrequency{
    Unit::Hertz,
    [](const ScpiHost&) {
        return Limits{0.001L, 1000};
    },
    [](const ScpiHost& h, Channel c) -> std::optional<long double> {
        const auto period = TextValue(h.Controls().Text(ModPeriodOf(c)));
        if (!period || *period == 0)
            return std::nullopt;
        return 1 / *period;
    },
    [](Call& k, long double v) {
        WriteField(k.Host.Controls(), ModPeriodOf(k.Side), 1 / v);
        return true;
    }};
// The right channel's phase against the left, as the window's phase field: only in stereo
// with both channels on (the message interface has the same rule).
const NumberSetting Phase{
    Unit::Degrees,
    [](const ScpiHost&) {
        return Limits{-360, 360};
    },
    [](const ScpiHost& h, Channel c) -> std::optional<long double> {
        return c == Channel::Left ? 0.0L : TextValue(h.Controls().Text(TextField::PhaseEdit));
    },
    [](Call& k, long double v) {
        const Generator& g = k.Host.Controls();
        if (k.Side == Channel::Left)
            return k.Fail(scpi::SettingsConflict, "the left channel is the phase reference");
        if (g.Mode() != STEREO || !g.Flag(FlagField::Lefttick) || !g.Flag(FlagField::RightTick))
            return k.Fail(scpi::SettingsConflict, "the phase needs stereo with both channels on");
        WriteField(k.Host.Controls(), TextField::PhaseEdit, v);
        return true;
    }};
const NumberSetting SampleRate{
    Unit::Hertz,
    [](const ScpiHost&) {
        const auto& rates = OutputSettings::FsValues;
        return Limits{static_cast<long double>(*std::min_element(rates.begin(), rates.end())),
                      static_cast<long double>(*std::max_element(rates.begin(), rates.end()))};
    },
    [](const ScpiHost& h, Channel) -> std::optional<long double> {
        return h.Controls().SampleRate();
    },
    [](Call& k, long double v) {
        const auto& rates = OutputSettings::FsValues;
        const auto it = std::find(rates.begin(), rates.end(), v);
        if (it == rates.end())
            return k.Fail(scpi::IllegalParameterValue, "not one of the output settings' rates");
        k.Host.SelectRate(static_cast<int>(it - rates.begin()));
        return true;
    }};
const NumberSetting Fade{Unit::Seconds,
                         [](const ScpiHost&) {
                             return Limits{0, SignalQuality::MaxFadeMs * 0.001L};
                         },
                         [](const ScpiHost& h, Channel) -> std::optional<long double> {
                             return h.Quality().FadeMs * 0.001L;
                         },
                         [](Call& k, long double v) {
                             SignalQuality q = k.Host.Quality();
                             q.FadeMs = static_cast<int>(RoundEven(v * 1000));
                             k.Host.SetQuality(q);
                             return true;
                         }};

template <FlagField (*Field)(Channel)> bool ReadFlag(const ScpiHost& h, Channel c) {
    return h.Controls().Flag(Field(c));
}
template <FlagField (*Field)(Channel)> bool WriteFlag(Call& k, bool on) {
    k.Host.Controls().SetFlag(Field(k.Side), on);
    return true;
}
FlagField LoopField(Channel) {
    return FlagField::Loop;
}

const FlagSetting SweepState{
    [](const ScpiHost& h, Channel c) { return !h.Controls().Flag(ConstantOf(c)); },
    [](Call& k, bool on) {
        k.Host.Controls().SetFlag(ConstantOf(k.Side), !on);
        return true;
    }};
const FlagSetting ModulationState{ReadFlag<ModulationOnOf>, WriteFlag<ModulationOnOf>};
const FlagSetting ChannelState{ReadFlag<TickOf>, WriteFlag<TickOf>};
const FlagSetting Loop{ReadFlag<LoopField>, WriteFlag<LoopField>};
const FlagSetting Output{[](const ScpiHost& h, Channel) { return h.Playing(); },
                         [](Call& k, bool on) {
                             if (!on) {
                                 k.Host.Off();
                                 return true;
                             }
                             const std::string failure = k.Host.On();
                             return failure.empty() || k.Fail(scpi::HardwareError, failure);
                         }};
const FlagSetting Pause{[](const ScpiHost& h, Channel) { return h.Paused(); },
                        [](Call& k, bool on) {
                            if (on != k.Host.Paused())
                                k.Host.Pause();
                            return true;
                        }};
const FlagSetting BandLimited{[](const ScpiHost& h, Channel) { return h.Quality().BandLimited; },
                              [](Call& k, bool on) {
                                  SignalQuality q = k.Host.Quality();
                                  q.BandLimited = on;
                                  k.Host.SetQuality(q);
                                  return true;
                              }};

constexpr Choice Waveforms[] = {{"SINusoid", SINE},   {"SQUare", SQUARE},  {"TRIangle", TRIANGULAR},
                                {"RAMP", SAWTOOTH},   {"NOISe", WHITE},    {"PINK", PINK},
                                {"SILence", SILENCE}, {"PULSe", PULSEPOS}, {"NPULse", PULSENEG}};
constexpr Choice Spacings[] = {{"LINear", 0}, {"LOGarithmic", 1}};
constexpr Choice ModShapes[] = {
    {"SINusoid", MODSINE}, {"COSine", MODCOS}, {"SQUare", MODSQUARE}, {"TRIangle", MODTRIANGLE}};
constexpr Choice Modes[] = {{"MONO", MONO}, {"STEReo", STEREO}};
constexpr Choice LevelUnits[] = {{"DBFS", 0}};
constexpr Choice Formats[] = {{"S16", static_cast<int>(SampleFormat::S16)},
                              {"S24", static_cast<int>(SampleFormat::S24)},
                              {"F32", static_cast<int>(SampleFormat::F32)}};
constexpr Choice Dithers[] = {{"NONE", static_cast<int>(DitherKind::None)},
                              {"TPDF", static_cast<int>(DitherKind::Tpdf)}};

const ChoiceSetting Waveform{
    Waveforms, [](const ScpiHost& h, Channel c) { return h.Controls().Index(WaveFormOf(c)); },
    [](Call& k, int v) {
        // A choice in the list runs its change handler.
        k.Host.Controls().SetIndex(WaveFormOf(k.Side), v);
        k.Host.Controls().WaveFormChange(k.Side);
        return true;
    }};
const ChoiceSetting Spacing{
    Spacings,
    [](const ScpiHost& h, Channel c) { return h.Controls().Flag(LogarithmicOf(c)) ? 1 : 0; },
    [](Call& k, int v) {
        k.Host.Controls().SetFlag(LogarithmicOf(k.Side), v == 1);
        return true;
    }};
const ChoiceSetting ModShape{
    ModShapes, [](const ScpiHost& h, Channel c) { return h.Controls().Index(ModFunctionOf(c)); },
    [](Call& k, int v) {
        k.Host.Controls().SetIndex(ModFunctionOf(k.Side), v);
        return true;
    }};
// The channel list is locked while the generator plays, as in the window.
const ChoiceSetting Mode{Modes, [](const ScpiHost& h, Channel) { return int{h.Controls().Mode()}; },
                         [](Call& k, int v) {
                             if (k.Host.Playing())
                                 return k.Fail(scpi::SettingsConflict,
                                               "not while the output is on");
                             k.Host.Controls().SetIndex(IndexField::cboChannels, v);
                             k.Host.Controls().ChannelsChange();
                             return true;
                         }};
const ChoiceSetting LevelUnit{LevelUnits, [](const ScpiHost&, Channel) { return 0; },
                              [](Call&, int) { return true; }};
const ChoiceSetting Format{
    Formats, [](const ScpiHost& h, Channel) { return static_cast<int>(h.Quality().Format); },
    [](Call& k, int v) {
        SignalQuality q = k.Host.Quality();
        q.Format = static_cast<SampleFormat>(v);
        k.Host.SetQuality(q);
        return true;
    }};
const ChoiceSetting Dither{
    Dithers, [](const ScpiHost& h, Channel) { return static_cast<int>(h.Quality().Dither); },
    [](Call& k, int v) {
        SignalQuality q = k.Host.Quality();
        q.Dither = static_cast<DitherKind>(v);
        k.Host.SetQuality(q);
        return true;
    }};

// --- Running a setting ----------------------------------------------------------------------

std::optional<long double> UnitScale(Unit unit, const std::string& suffix) {
    if (suffix.empty())
        return 1.0L;
    switch (unit) {
    case Unit::Hertz:
        if (suffix == "HZ")
            return 1.0L;
        if (suffix == "KHZ")
            return 1e3L;
        if (suffix == "MHZ") // mega for frequencies, as SCPI reads it
            return 1e6L;
        break;
    case Unit::Seconds:
        if (suffix == "S")
            return 1.0L;
        if (suffix == "MS")
            return 1e-3L;
        break;
    case Unit::Decibels:
        if (suffix == "DBFS")
            return 1.0L;
        break;
    case Unit::Degrees:
        if (suffix == "DEG")
            return 1.0L;
        break;
    case Unit::Percent:
        if (suffix == "PCT")
            return 1.0L;
        break;
    }
    return std::nullopt;
}

bool IsMinimum(const Parameter& p) {
    return p.Type == Parameter::Kind::Word && IsForm(p.Word, "MINimum");
}
bool IsMaximum(const Parameter& p) {
    return p.Type == Parameter::Kind::Word && IsForm(p.Word, "MAXimum");
}

// A setting takes exactly one parameter, a query none (numbers also MINimum or MAXimum).
const Parameter* OneParameter(Call& k) {
    if (k.Parameters.empty()) {
        k.Fail(scpi::MissingParameter);
        return nullptr;
    }
    if (k.Parameters.size() > 1) {
        k.Fail(scpi::ParameterNotAllowed);
        return nullptr;
    }
    return &k.Parameters.front();
}

bool NoParameters(Call& k) {
    return k.Parameters.empty() || k.Fail(scpi::ParameterNotAllowed);
}

bool RunNumber(Call& k, const NumberSetting& s) {
    const Limits range = s.Range(k.Host);
    if (k.Query) {
        if (k.Parameters.empty()) {
            k.Answer = NumberText(s.Read(k.Host, k.Side));
            return true;
        }
        const Parameter* p = OneParameter(k);
        if (!p)
            return false;
        if (!IsMinimum(*p) && !IsMaximum(*p))
            return k.Fail(scpi::IllegalParameterValue, "MINimum or MAXimum expected");
        k.Answer = NumberText(IsMinimum(*p) ? range.Min : range.Max);
        return true;
    }
    const Parameter* p = OneParameter(k);
    if (!p)
        return false;
    long double value;
    if (IsMinimum(*p)) {
        value = range.Min;
    } else if (IsMaximum(*p)) {
        value = range.Max;
    } else if (p->Type != Parameter::Kind::Number) {
        return k.Fail(scpi::DataTypeError, "a number expected");
    } else {
        const auto scale = UnitScale(s.Kind, p->Unit);
        if (!scale)
            return k.Fail(scpi::InvalidSuffix, p->Unit);
        value = p->Value * *scale;
    }
    if (!(value >= range.Min && value <= range.Max))
        return k.Fail(scpi::DataOutOfRange,
                      FormatGeneral(range.Min) + " to " + FormatGeneral(range.Max));
    return s.Write(k, value);
}

bool RunFlag(Call& k, const FlagSetting& s) {
    if (k.Query) {
        if (!NoParameters(k))
            return false;
        k.Answer = s.Read(k.Host, k.Side) ? "1" : "0";
        return true;
    }
    const Parameter* p = OneParameter(k);
    if (!p)
        return false;
    if (p->Type == Parameter::Kind::Number) {
        if (!p->Unit.empty())
            return k.Fail(scpi::InvalidSuffix, p->Unit);
        return s.Write(k, RoundEven(p->Value) != 0);
    }
    if (p->Type == Parameter::Kind::Word && (p->Word == "ON" || p->Word == "OFF"))
        return s.Write(k, p->Word == "ON");
    return k.Fail(scpi::IllegalParameterValue, "ON, OFF, 1 or 0 expected");
}

bool RunChoice(Call& k, const ChoiceSetting& s) {
    if (k.Query) {
        if (!NoParameters(k))
            return false;
        const int value = s.Read(k.Host, k.Side);
        for (const Choice& c : s.Choices)
            if (c.Value == value) {
                k.Answer = ShortForm(c.Name);
                return true;
            }
        k.Answer = std::to_string(value);
        return true;
    }
    const Parameter* p = OneParameter(k);
    if (!p)
        return false;
    if (p->Type != Parameter::Kind::Word)
        return k.Fail(scpi::DataTypeError, "a name expected");
    for (const Choice& c : s.Choices)
        if (IsForm(p->Word, c.Name))
            return s.Write(k, c.Value);
    return k.Fail(scpi::IllegalParameterValue, p->Word);
}

// --- System commands ------------------------------------------------------------------------

bool QueryOnly(Call& k) {
    return k.Query ? NoParameters(k) : k.Fail(scpi::UndefinedHeader, "query only");
}

} // namespace

// The instrument's own commands (error queue, status), which need its state.
struct ScpiCommon {
    static bool NextError(Call& k) {
        if (!QueryOnly(k))
            return false;
        k.Answer = k.Self.NextError();
        return true;
    }
    static bool ErrorCount(Call& k) {
        if (!QueryOnly(k))
            return false;
        k.Answer = std::to_string(k.Self.errors_.size());
        return true;
    }
    static bool Version(Call& k) {
        if (!QueryOnly(k))
            return false;
        k.Answer = "1999.0";
        return true;
    }
};

namespace {

// --- The command tree -----------------------------------------------------------------------

struct Command {
    std::string_view Pattern;
    const NumberSetting* Number = nullptr;
    const FlagSetting* Flag = nullptr;
    const ChoiceSetting* Pick = nullptr;
    bool (*Custom)(Call&) = nullptr;
};

// Patterns: nodes separated by ':', an optional node in brackets, '#' where a numeric suffix
// may follow (the channel of SOURce1 / SOURce2).
const Command Commands[] = {
    {"[SOURce#]:FUNCtion[:SHAPe]", nullptr, nullptr, &Waveform},
    {"[SOURce#]:FREQuency[:CW]", &InitialFrequency},
    {"[SOURce#]:FREQuency:STARt", &InitialFrequency},
    {"[SOURce#]:FREQuency:STOP", &FinalFrequency},
    {"[SOURce#]:SWEep:STATe", nullptr, &SweepState},
    {"[SOURce#]:SWEep:SPACing", nullptr, nullptr, &Spacing},
    {"[SOURce#]:SWEep:TIME", &SweepTime},
    {"[SOURce#]:VOLTage[:LEVel][:IMMediate][:AMPLitude]", &Level},
    {"[SOURce#]:VOLTage:UNIT", nullptr, nullptr, &LevelUnit},
    {"[SOURce#]:AM:STATe", nullptr, &ModulationState},
    {"[SOURce#]:AM:DEPTh", &Depth},
    {"[SOURce#]:AM:INTernal:FUNCtion", nullptr, nullptr, &ModShape},
    {"[SOURce#]:AM:INTernal:FREQuency", &ModulationFrequency},
    {"[SOURce#]:PHASe[:ADJust]", &Phase},
    {"[SOURce#]:STATe", nullptr, &ChannelState},
    {"OUTPut[:STATe]", nullptr, &Output},
    {"OUTPut:PAUSe", nullptr, &Pause},
    {"OUTPut:LOOP", nullptr, &Loop},
    {"OUTPut:MODE", nullptr, nullptr, &Mode},
    {"OUTPut:SRATe", &SampleRate},
    {"OUTPut:FORMat", nullptr, nullptr, &Format},
    {"OUTPut:DITHer", nullptr, nullptr, &Dither},
    {"OUTPut:BLIMited", nullptr, &BandLimited},
    {"OUTPut:FADE", &Fade},
    {"SYSTem:ERRor[:NEXT]", nullptr, nullptr, nullptr, &ScpiCommon::NextError},
    {"SYSTem:ERRor:COUNt", nullptr, nullptr, nullptr, &ScpiCommon::ErrorCount},
    {"SYSTem:VERSion", nullptr, nullptr, nullptr, &ScpiCommon::Version},
};

struct Node {
    std::string Short, Long;
    bool Optional = false;
    bool Suffix = false;
};

std::vector<Node> PatternNodes(std::string_view pattern) {
    std::vector<Node> nodes;
    size_t i = 0;
    while (i < pattern.size()) {
        Node n;
        if (pattern[i] == '[') {
            n.Optional = true;
            ++i;
        }
        if (i < pattern.size() && pattern[i] == ':')
            ++i;
        const size_t start = i;
        while (i < pattern.size() && std::isalpha(static_cast<unsigned char>(pattern[i])))
            ++i;
        n.Short = ShortForm(pattern.substr(start, i - start));
        n.Long = LongForm(pattern.substr(start, i - start));
        if (i < pattern.size() && pattern[i] == '#') {
            n.Suffix = true;
            ++i;
        }
        if (n.Optional)
            ++i; // ']'
        nodes.push_back(std::move(n));
    }
    return nodes;
}

const std::vector<std::vector<Node>>& CommandNodes() {
    static const std::vector<std::vector<Node>> nodes = [] {
        std::vector<std::vector<Node>> all;
        for (const Command& c : Commands)
            all.push_back(PatternNodes(c.Pattern));
        return all;
    }();
    return nodes;
}

bool NodeMatches(const Node& n, const scpi::Mnemonic& m) {
    if (m.Suffix >= 0 && !n.Suffix)
        return false;
    return m.Name == n.Short || m.Name == n.Long;
}

// Matches the typed path against a pattern, optional nodes matched or left out; `suffix`
// receives the suffix typed on a '#' node (1 when none).
bool Matches(const std::vector<Node>& nodes, size_t ni, const std::vector<scpi::Mnemonic>& path,
             size_t pi, int& suffix) {
    if (ni == nodes.size())
        return pi == path.size();
    const Node& n = nodes[ni];
    if (pi < path.size() && NodeMatches(n, path[pi])) {
        int s = suffix;
        if (n.Suffix && path[pi].Suffix >= 0)
            s = path[pi].Suffix;
        if (Matches(nodes, ni + 1, path, pi + 1, s)) {
            suffix = s;
            return true;
        }
    }
    return n.Optional && Matches(nodes, ni + 1, path, pi, suffix);
}

std::string Clean(std::string_view detail) {
    std::string s;
    for (char c : detail.substr(0, 200))
        s += c == '"' ? '\'' : static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    return s;
}

std::optional<int> WholeParameter(Call& k, int low, int high) {
    const Parameter* p = OneParameter(k);
    if (!p)
        return std::nullopt;
    if (p->Type != Parameter::Kind::Number || !p->Unit.empty()) {
        k.Fail(scpi::DataTypeError, "a number expected");
        return std::nullopt;
    }
    const long double v = RoundEven(p->Value);
    if (!(v >= low && v <= high)) {
        k.Fail(scpi::DataOutOfRange, std::to_string(low) + " to " + std::to_string(high));
        return std::nullopt;
    }
    return static_cast<int>(v);
}

} // namespace

ScpiInstrument::ScpiInstrument(ScpiHost& host, std::string identity)
    : host_(host), identity_(std::move(identity)) {}

std::string ScpiInstrument::Execute(std::string_view line) {
    scpi::MessageReader reader(line);
    std::vector<scpi::Mnemonic> prefix;
    std::string response;
    bool answered = false;
    while (auto unit = reader.Next()) {
        Call call{*this, host_, Channel::Left, unit->Head.Query, unit->Parameters, {}, {}, {}};
        if (unit->Head.Common) {
            RunCommon(*unit, call);
        } else {
            std::vector<scpi::Mnemonic> path =
                unit->Head.Absolute ? std::vector<scpi::Mnemonic>{} : prefix;
            path.insert(path.end(), unit->Head.Path.begin(), unit->Head.Path.end());
            prefix.assign(path.begin(), path.end() - 1);
            RunTree(path, call);
        }
        if (call.Error != scpi::NoError) {
            Push(call.Error, call.Detail);
            if (scpi::IsCommandError(call.Error))
                return response;
            continue;
        }
        if (call.Query) {
            if (answered)
                response += ';';
            response += call.Answer;
            answered = true;
        }
    }
    if (reader.Error().Code != scpi::NoError)
        Push(reader.Error().Code, reader.Error().Detail);
    return response;
}

void ScpiInstrument::RunTree(const std::vector<scpi::Mnemonic>& path, Call& call) {
    const auto& nodes = CommandNodes();
    for (size_t i = 0; i < nodes.size(); ++i) {
        int suffix = 1;
        if (!Matches(nodes[i], 0, path, 0, suffix))
            continue;
        if (suffix < 1 || suffix > 2) {
            call.Fail(scpi::HeaderSuffixOutOfRange, "channels are SOURce1 and SOURce2");
            return;
        }
        call.Side = suffix == 2 ? Channel::Right : Channel::Left;
        const Command& c = Commands[i];
        if (c.Number)
            RunNumber(call, *c.Number);
        else if (c.Flag)
            RunFlag(call, *c.Flag);
        else if (c.Pick)
            RunChoice(call, *c.Pick);
        else
            c.Custom(call);
        return;
    }
    call.Fail(scpi::UndefinedHeader);
}

void ScpiInstrument::RunCommon(const scpi::MessageUnit& unit, Call& k) {
    const std::string& name = unit.Head.Path.front().Name;
    const bool query = unit.Head.Query;
    if (name == "IDN" && query) {
        if (NoParameters(k))
            k.Answer = identity_;
    } else if (name == "RST" && !query) {
        if (NoParameters(k))
            host_.Reset();
    } else if (name == "CLS" && !query) {
        if (NoParameters(k)) {
            errors_.clear();
            esr_ = 0;
        }
    } else if (name == "OPC") {
        // Every command has completed when the next one is read.
        if (NoParameters(k)) {
            if (query)
                k.Answer = "1";
            else
                esr_ |= OperationComplete;
        }
    } else if (name == "WAI" && !query) {
        NoParameters(k);
    } else if (name == "TST" && query) {
        if (NoParameters(k))
            k.Answer = "0";
    } else if (name == "ESR" && query) {
        if (NoParameters(k)) {
            k.Answer = std::to_string(esr_);
            esr_ = 0;
        }
    } else if (name == "STB" && query) {
        if (NoParameters(k))
            k.Answer = std::to_string(StatusByte());
    } else if (name == "ESE" || name == "SRE") {
        uint8_t& mask = name == "ESE" ? ese_ : sre_;
        if (query) {
            if (NoParameters(k))
                k.Answer = std::to_string(mask);
        } else if (auto v = WholeParameter(k, 0, 255)) {
            mask = static_cast<uint8_t>(*v);
        }
    } else if ((name == "RCL" || name == "SAV") && !query) {
        if (auto n = WholeParameter(k, 1, 4)) {
            if (name == "RCL")
                host_.RecallSlot(*n);
            else
                host_.StoreSlot(*n);
        }
    } else {
        k.Fail(scpi::UndefinedHeader);
    }
}

void ScpiInstrument::Push(int code, std::string_view detail) {
    if (code <= -100 && code >= -199)
        esr_ |= CommandErrorBit;
    else if (code <= -200 && code >= -299)
        esr_ |= ExecutionError;
    else if (code <= -300 && code >= -399)
        esr_ |= DeviceError;
    else if (code <= -400 && code >= -499)
        esr_ |= QueryError;
    std::string entry = std::to_string(code) + ",\"" + std::string(scpi::ErrorText(code));
    if (!detail.empty())
        entry += ";" + Clean(detail);
    entry += "\"";
    // A full queue keeps its oldest errors; the last place says that some were lost.
    if (errors_.size() >= QueueSize) {
        errors_.back() = "-350,\"Queue overflow\"";
        return;
    }
    errors_.push_back(std::move(entry));
}

std::string ScpiInstrument::NextError() {
    if (errors_.empty())
        return "0,\"No error\"";
    std::string e = std::move(errors_.front());
    errors_.pop_front();
    return e;
}

uint8_t ScpiInstrument::StatusByte() const {
    uint8_t stb = 0;
    if (!errors_.empty())
        stb |= ErrorAvailable;
    if (esr_ & ese_)
        stb |= EventSummary;
    if (stb & sre_ & ~RequestService)
        stb |= RequestService;
    return stb;
}

} // namespace quavril
