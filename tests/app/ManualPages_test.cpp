// The manual pages name every option that the programs' --help texts print (whatever options
// the programs have at the time), the help of each quavril-cli command included.
#include "tests/support/CliProcess.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>

namespace {

// What `command` prints on standard output (no display needed: offscreen).
std::string HelpText(const std::string& command) {
    return quavril::test::CommandOutput("QT_QPA_PLATFORM=offscreen " + command + " 2>/dev/null");
}

// The options of a help text: those in its usage lines (and their continuations) and those that
// start an option line (indented by two blanks); an example command quoted in the text, and
// its continuation lines, are not options.
std::set<std::string> OptionsOf(const std::string& help) {
    std::set<std::string> options;
    static const std::regex option(R"(--[a-z][a-z0-9-]*)");
    static const std::regex optionLine(R"(^  (-[a-z], )?--[a-z])");
    std::istringstream in(help);
    bool usage = false;
    for (std::string line; std::getline(in, line);) {
        usage = line.rfind("Usage:", 0) == 0 ||
                (usage && line.rfind("    ", 0) == 0 && line.find('[') != std::string::npos);
        if (!usage && !std::regex_search(line, optionLine))
            continue;
        for (std::sregex_iterator it(line.begin(), line.end(), option), end; it != end; ++it)
            options.insert(it->str());
    }
    return options;
}

// The quavril-cli commands its --help lists ("  render PRESET.qvl ...").
std::vector<std::string> CliCommands(const std::string& help) {
    std::vector<std::string> commands;
    static const std::regex command(R"(^  ([a-z]+)(\s|$))");
    std::istringstream in(help);
    std::smatch match;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, match, command))
            commands.push_back(match[1]);
    return commands;
}

TEST(ManualPages, everyOptionTheHelpPrintsIsInTheManualPage) {
    const std::string bin = QUAVRIL_BIN_DIR;
    std::vector<std::pair<std::string, std::string>> helps{
        {bin + "/quavril --help", "quavril"}, {bin + "/quavril-cli --help", "quavril-cli"}};
    const std::vector<std::string> commands = CliCommands(HelpText(bin + "/quavril-cli --help"));
    EXPECT_GE(commands.size(), 5u) << "render, play, devices, send, generators";
    for (const std::string& command : commands)
        helps.emplace_back(bin + "/quavril-cli " + command + " --help", "quavril-cli");
    for (const auto& [command, page] : helps) {
        const std::string help = HelpText(command);
        ASSERT_FALSE(help.empty()) << command;
        std::set<std::string> options = OptionsOf(help);
        options.insert("--help");
        const std::string manual =
            quavril::test::ReadText(QUAVRIL_SOURCE_DIR "/resources/man/" + page + ".1.md");
        for (const std::string& option : options)
            EXPECT_NE(manual.find("**" + option + "**"), std::string::npos)
                << option << " (" << command << ") is missing from " << page << "(1)";
    }
}

// The option reader itself, on texts of the programs' kind.
TEST(ManualPages, optionsAreReadFromUsageAndOptionLinesOnly) {
    const std::string help = "Usage: tool run FILE [--rate HZ] [--device NAME]\n"
                             "                [--loop]\n"
                             "  --buffers N   count\n"
                             "  -h, --help    this text\n"
                             "  Example: gdbus call --session --dest x \\\n"
                             "      --method m\n";
    EXPECT_EQ(OptionsOf(help),
              (std::set<std::string>{"--buffers", "--device", "--help", "--loop", "--rate"}));
}

} // namespace
