#pragma once
// What the render and play commands share: argument checks and putting a preset slot into a
// generator exactly as the window's memory button does in a freshly started program.
#include "synth/Generator.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QCoreApplication;

namespace quavril::cli {

// A QCoreApplication for the event loop, unless the process has one already.
std::unique_ptr<QCoreApplication> EnsureApplication();

// A decimal integer in 1..2147483647 ("44100"); nothing for anything else.
std::optional<int32_t> ParsePositive(const std::string& text);

// Reads option `name` into `out` when given: one of `allowed` (the output settings' list), or
// an error text that lists them ("rate '1000' is not one the generator offers: 8000, ...").
std::optional<std::string> ReadListed(const std::string& name,
                                      const std::optional<std::string>& text,
                                      std::span<const int32_t> allowed, const std::string& unit,
                                      int32_t& out);

// The file name a command-line argument stands for: "-" is standard input or output.
std::string InputPath(const std::string& argument);
std::string OutputPath(const std::string& argument);

// Loads `presetPath` ("-": standard input), recalls slot `slotText` (1..4) into `generator`
// at `rate` and checks that the channels that sound can be derived from the slot's texts: a
// refusal names the field and why (not a number, not above 0, above half the sample rate, a
// sweep of one frame). Returns an error text (one line, without the program name) or nothing
// on success.
std::optional<std::string> RecallPresetSlot(Generator& generator, const std::string& presetPath,
                                            const std::string& slotText, int32_t rate);

struct ParsedArgs;

// The signal quality options of render and play, read into `quality` (left as given where an
// option is absent): --format s16|s24|f32, --dither none|tpdf, --band-limited, --fade MS
// (0-1000). An error text names the option and what it takes.
std::optional<std::string> ReadQuality(const ParsedArgs& parsed, SignalQuality& quality);
// The option names for ParseArgs.
inline const std::vector<std::string> QualityValued{"format", "dither", "fade"};
inline const std::vector<std::string> QualityFlags{"band-limited"};
// Help lines of those options, as both commands print them.
extern const char* const QualityHelp;

// Splits `args` into positional arguments and "--name value" / "--flag" options; after "--"
// every argument is positional. `valued` lists the options that take a value. Returns an
// error text for an unknown option or a missing value.
struct ParsedArgs {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    bool help = false;
    std::optional<std::string> Option(const std::string& name) const;
    bool Has(const std::string& name) const;
};
std::optional<std::string> ParseArgs(const std::vector<std::string>& args,
                                     const std::vector<std::string>& valued,
                                     const std::vector<std::string>& flags, ParsedArgs& out);

} // namespace quavril::cli
