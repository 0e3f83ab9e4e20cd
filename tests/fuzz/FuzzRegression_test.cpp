// The fuzz targets' rules over the inputs kept in tests/fuzz/inputs/<target> (inputs that once
// broke a rule or crashed) and the seed corpus, in every build, without clang.
#include "fuzz/FuzzEntries.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>

namespace fs = std::filesystem;

namespace {

struct Target {
    const char* name;
    std::function<std::string(std::span<const uint8_t>)> run;
};

class FuzzRegression : public ::testing::TestWithParam<Target> {};

std::vector<fs::path> Inputs(const std::string& target) {
    std::vector<fs::path> files;
    const fs::path source(QUAVRIL_SOURCE_DIR);
    for (const fs::path& dir :
         {source / "tests/fuzz/inputs" / target, source / "fuzz/seeds" / target})
        if (fs::is_directory(dir))
            for (const auto& e : fs::directory_iterator(dir))
                if (e.is_regular_file())
                    files.push_back(e.path());
    return files;
}

TEST_P(FuzzRegression, keptInputsKeepEveryRule) {
    const Target& t = GetParam();
    const auto files = Inputs(t.name);
    ASSERT_FALSE(files.empty()) << "no inputs for " << t.name;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(t.run(bytes), "") << file;
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegression,
                         ::testing::Values(Target{"preset_v36", quavril::fuzz::PresetFile},
                                           Target{"preset_v32", quavril::fuzz::LegacyPresetFile},
                                           Target{"wave_header", quavril::fuzz::WaveHeader},
                                           Target{"settings_file", quavril::fuzz::SettingsFile},
                                           Target{"script", quavril::fuzz::Script},
                                           Target{"scpi", quavril::fuzz::ScpiLines}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
