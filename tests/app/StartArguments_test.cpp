#include "app/StartArguments.h"

#include "tests/support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace quavril {
namespace {

namespace fs = std::filesystem;
using Action = StartArguments::Action;

struct ParseCase {
    std::vector<std::string> Args;
    Action What;
    std::string File;
    std::string Problem = {};
    bool Scpi = false;
    std::string Endpoint = {};
};

TEST(StartArguments, ourOptionsAnywhereTheFirstOtherArgumentIsTheFile) {
    const std::vector<ParseCase> cases = {
        {{}, Action::Window, ""},
        {{"bank.qvl", "second.qvs"}, Action::Window, "bank.qvl"},
        {{"--help"}, Action::Help, ""},
        {{"-h"}, Action::Help, ""},
        {{"bank.qvl", "--version"}, Action::Version, ""},
        {{"--version", "--help"}, Action::Version, ""}, // the first one counts
        {{"--batch", "run.qvs"}, Action::Batch, "run.qvs"},
        {{"--batch=run.qvs", "x"}, Action::Batch, "run.qvs"},
        {{"bank.qvl", "--batch", "run"}, Action::Batch, "run"}, // any name
        {{"--batch", "--help"}, Action::Batch, "--help"},       // the option's value
        {{"--batch"}, Action::Usage, "", "--batch needs a script file"},
        {{"--batch="}, Action::Usage, "", "--batch needs a script file"},
        {{"--bacth", "run.qvs"}, Action::Usage, "", "unknown option '--bacth'"},
        {{"--scpix"}, Action::Usage, "", "unknown option '--scpix'"},
        // --scpi stands anywhere, its value only after '='.
        {{"--scpi", "bank.qvl"}, Action::Window, "bank.qvl", "", true, ""},
        {{"bank.qvl", "--scpi=0.0.0.0:5030"}, Action::Window, "bank.qvl", "", true, "0.0.0.0:5030"},
        {{"--scpi="}, Action::Window, "", "", true, ""},
        {{"--", "--scpi"}, Action::Window, "--scpi"},
        // The toolkit's options and their values are read again after the toolkit took them.
        {{"-platform", "offscreen"}, Action::Window, "offscreen"},
        {{"-reverse", "bank.qvl"}, Action::Window, "bank.qvl"},
        {{"-", "bank.qvl"}, Action::Window, "-"},
        {{"--", "--help"}, Action::Window, "--help"},
        {{"--", "--batch", "x"}, Action::Window, "--batch"},
        {{"\xE9z.qvs"}, Action::Window, "\xE9z.qvs"}, // bytes, not UTF-8
    };
    for (const auto& c : cases) {
        const StartArguments a = StartArguments::Parse(c.Args);
        std::string shown;
        for (const auto& arg : c.Args)
            shown += "[" + arg + "]";
        EXPECT_EQ(a.What, c.What) << shown;
        EXPECT_EQ(a.File, c.File) << shown;
        EXPECT_EQ(a.Problem, c.Problem) << shown;
        EXPECT_EQ(a.Scpi, c.Scpi) << shown;
        EXPECT_EQ(a.ScpiEndpoint, c.Endpoint) << shown;
    }
}

TEST(StartArguments, aFileCountsWhenItExistsAndItsNameHoldsTheExtension) {
    const test::TempFolder temp("quavril-start");
    const fs::path dir = temp.Path();
    for (const char* name : {"run.qvs", "bank.qvl", "tone.qvl.bak", "Test.QVL", "notes.txt",
                             "both.qvs.qvl", "\xE9z.qvs"})
        std::ofstream(dir / name) << "x";
    fs::create_directory(dir / "folder.qvs");
    fs::create_symlink(dir / "bank.qvl", dir / "link.qvl");
    fs::create_symlink(dir / "none", dir / "dangling.qvs");
    fs::create_symlink(dir / "loop.qvs", dir / "loop.qvs");
    const std::vector<std::pair<std::string, StartFile>> cases = {
        {"", StartFile::None},
        {"run.qvs", StartFile::Script},
        {"\xE9z.qvs", StartFile::Script},
        {"bank.qvl", StartFile::Preset},
        {"tone.qvl.bak", StartFile::Preset},
        {"link.qvl", StartFile::Preset},
        {"both.qvs.qvl", StartFile::Script}, // never loaded as a preset too
        {"Test.QVL", StartFile::Ignored},
        {"notes.txt", StartFile::Ignored},
        {"missing.qvs", StartFile::Ignored},
        {"folder.qvs", StartFile::Ignored},
        {"dangling.qvs", StartFile::Ignored},
        {"loop.qvs", StartFile::Ignored},
    };
    for (const auto& [name, kind] : cases)
        EXPECT_EQ(ClassifyStartFile(name.empty() ? name : (dir / name).string()), kind) << name;
}

} // namespace
} // namespace quavril
