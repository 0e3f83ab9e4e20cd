#pragma once
// What the render and play commands share: argument checks and putting a preset slot into a
// generator exactly as the window's memory button does in a freshly started program.
#include "synth/Generator.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCoreApplication;

namespace quavril::cli {

// A QCoreApplication for the event loop, unless the process has one already.
std::unique_ptr<QCoreApplication> EnsureApplication();

// A decimal integer in 1..2147483647 ("44100"); nothing for anything else.
std::optional<int32_t> ParsePositive(const std::string& text);

// Loads `presetPath`, recalls slot `slotText` (1..4) into `generator` at `rate` and checks
// that the channels that sound can be derived from the slot's texts. Returns an error text
// (one line, without the program name) or nothing on success.
std::optional<std::string> RecallPresetSlot(Generator& generator, const std::string& presetPath,
                                            const std::string& slotText, int32_t rate);

// Splits `args` into positional arguments and "--name value" / "--flag" options. `valued`
// lists the options that take a value. Returns an error text for an unknown option or a
// missing value.
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
