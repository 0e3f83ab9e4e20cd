// The generator's windows under a real window manager (openbox on a private 1920x1080 X
// server), as a user meets them over several runs: the View windows come back open and exactly
// where they were, places off the screen (or off a screen made smaller by a scale factor) are
// moved onto it as little as needed, a new generator window opens cascaded, the output settings
// open centred over the generator window, and the script window stays above it after a box of
// the script was answered.
#include "tests/app/GeneratorProcess.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <regex>
#include <thread>
#include <tuple>

using namespace quavril::test;
namespace fs = std::filesystem;

namespace {

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;
const char* const MainTitle = "Quavril 3.92";
const char* const SliderTitle = "Constant frequency";
const char* const DisplayTitle = "Frequency";

// Polls `done` until it holds or `seconds` have passed (a safety net, not a measurement: each
// poll starts X clients, which takes seconds on a loaded machine).
bool WaitUntil(const std::function<bool()>& done, int seconds = 60) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

int Number(const std::string& text, const std::string& label) {
    const std::regex pattern(label + R"(\s*(-?\d+))");
    std::smatch match;
    return std::regex_search(text, match, pattern) ? std::stoi(match[1]) : 0;
}

// A window's frame (title bar and borders included) in screen pixels.
struct Frame {
    int X = 0, Y = 0, Width = 0, Height = 0;
    int Right() const { return X + Width; }
    int Bottom() const { return Y + Height; }
    bool operator==(const Frame&) const = default;
};

std::vector<std::string> WindowIds(const std::string& title) {
    std::vector<std::string> ids;
    std::istringstream in(
        CommandOutput("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null"));
    for (std::string id; in >> id;)
        ids.push_back(id);
    return ids;
}

std::optional<Frame> FrameOfId(const std::string& id) {
    const std::string info = CommandOutput("xwininfo -id " + id + " 2>/dev/null");
    const std::string extents =
        CommandOutput("xprop -id " + id + " _NET_FRAME_EXTENTS 2>/dev/null");
    std::smatch m;
    static const std::regex four(R"((\d+), (\d+), (\d+), (\d+))");
    if (info.find("IsViewable") == std::string::npos || !std::regex_search(extents, m, four))
        return std::nullopt;
    const int left = std::stoi(m[1]), right = std::stoi(m[2]), top = std::stoi(m[3]),
              bottom = std::stoi(m[4]);
    return Frame{Number(info, "Absolute upper-left X:") - left,
                 Number(info, "Absolute upper-left Y:") - top,
                 Number(info, "Width:") + left + right, Number(info, "Height:") + top + bottom};
}

// The windows' frames once they are shown, framed and have stopped moving (bounded wait).
std::map<std::string, Frame> SettledFrames(const std::vector<std::string>& titles) {
    std::map<std::string, Frame> last;
    int steady = 0;
    WaitUntil([&] {
        std::map<std::string, Frame> now;
        for (const std::string& title : titles)
            for (const std::string& id : WindowIds(title))
                if (const auto frame = FrameOfId(id))
                    now[title] = *frame;
        steady = now.size() == titles.size() && now == last ? steady + 1 : 0;
        last = now;
        return steady >= 10;
    });
    return last;
}

void Keys(const std::string& title, const std::string& keys) {
    const std::vector<std::string> ids = WindowIds(title);
    ASSERT_FALSE(ids.empty()) << title;
    ASSERT_EQ(
        std::system(
            ("timeout 10 xdotool windowactivate --sync " + ids.front() + " key " + keys).c_str()),
        0);
}

class WindowPlaces : public ::testing::Test {
protected:
    CliFixture files;
    void SetUp() override {
        files.SetUp("window-places");
        // A device list with one entry that plays nowhere.
        std::ofstream(files.dir / "null.conf")
            << "pcm.!default { type null }\n"
               "pcm.spare {\n type null\n hint { show on description \"Spare\" }\n}\n";
        ::setenv("ALSA_CONFIG_PATH", (files.dir / "null.conf").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (files.dir / "config").c_str(), 1);
        fs::create_directories(files.dir / "config" / "Orvande");
        // A complete settings file, as the program writes it at its end.
        std::ofstream(ConfigFile()) << "[Software]\nOrvande\\Quavril\\Fs=3\n";
        GeneratorProcess first = Start();
        ASSERT_FALSE(SettledFrames({MainTitle}).empty()) << first.Err();
        // Each run ends in order (SIGTERM, which stores the settings); its status is not asked:
        // a sanitizer build reports the window system's leaks in it.
        ASSERT_NE(first.Terminate(), -1);
    }
    void TearDown() override {
        ::unsetenv("XDG_CONFIG_HOME");
        files.TearDown();
    }
    GeneratorProcess Start(const std::string& scale = "1") {
        return GeneratorProcess(files.dir, {},
                                {{"QT_QPA_PLATFORM", "xcb"}, {"QT_SCALE_FACTOR", scale}},
                                std::string(QUAVRIL_BIN_DIR) + "/quavril");
    }
    fs::path ConfigFile() const { return files.dir / "config" / "Orvande" / "Quavril.conf"; }
    std::map<std::string, std::string> Stored() const {
        std::map<std::string, std::string> values;
        std::ifstream in(ConfigFile());
        for (std::string line; std::getline(in, line);) {
            const auto equals = line.find('=');
            if (line.rfind("Orvande\\Quavril\\", 0) == 0 && equals != std::string::npos)
                values[line.substr(16, equals - 16)] = line.substr(equals + 1);
        }
        return values;
    }
    void Store(const std::map<std::string, std::string>& changes) {
        std::map<std::string, std::string> values = Stored();
        for (const auto& [name, value] : changes)
            values[name] = value;
        std::ofstream out(ConfigFile());
        out << "[Software]\n";
        for (const auto& [name, value] : values)
            out << "Orvande\\Quavril\\" << name << "=" << value << "\n";
    }
};

// Both View windows open, each at its own place: three runs ended by SIGTERM store the same
// places and visibility, and each run shows every frame exactly at its stored place.
TEST_F(WindowPlaces, viewWindowsComeBackOpenAndExactlyWhereTheyWere) {
    const std::map<std::string, std::string> places{
        {"FormX", "300"},       {"FormY", "200"},
        {"DisplayX", "1000"},   {"DisplayY", "150"},
        {"DisplayW", "300"},    {"SliderX", "700"},
        {"SliderY", "760"},     {"SliderW", "800"},
        {"frmFreqSlider", "1"}, {"frmFrequencyDisplay", "1"}};
    Store(places);
    const std::tuple<const char*, int, int> framed[] = {
        {MainTitle, 300, 200}, {DisplayTitle, 1000, 150}, {SliderTitle, 700, 760}};
    for (int run = 1; run <= 3; ++run) {
        GeneratorProcess program = Start();
        const auto frames = SettledFrames({MainTitle, SliderTitle, DisplayTitle});
        ASSERT_EQ(frames.size(), 3u) << "run " << run << ": the View windows are open";
        for (const auto& [title, x, y] : framed) {
            const Frame f = frames.at(title);
            EXPECT_EQ(std::pair(f.X, f.Y), std::pair(x, y)) << title << ", run " << run;
        }
        ASSERT_NE(program.Terminate(), -1);
        const auto stored = Stored();
        for (const auto& [name, value] : places)
            EXPECT_EQ(stored.at(name), value) << name << " after run " << run;
    }
}

// The scale, the stored place, and the edges the frame is pushed against across and down: -1
// left/top, 1 right/bottom, 0 unmoved.
using OffScreenCase = std::tuple<const char*, const char*, const char*, int, int>;

class OffScreen : public WindowPlaces, public ::testing::WithParamInterface<OffScreenCase> {};

// A stored place off the screen, or one that a scale factor puts off the smaller logical
// screen, brings the window back wholly onto the screen, against the edge it went past.
TEST_P(OffScreen, theWindowIsMovedWhollyOntoTheScreenAsLittleAsNeeded) {
    const auto& [scale, formX, formY, across, down] = GetParam();
    Store({{"FormX", formX}, {"FormY", formY}});
    GeneratorProcess program = Start(scale);
    const auto frames = SettledFrames({MainTitle});
    ASSERT_EQ(frames.size(), 1u);
    const Frame f = frames.at(MainTitle);
    // Wholly on the screen; logical pixels at a scale of 1.5 round to within 2 device pixels
    // of an edge.
    const auto fits = [](int side, int low, int high, int extent) {
        return low >= 0 && high <= extent &&
               (side < 0   ? low <= 1
                : side > 0 ? high >= extent - 2
                           : true);
    };
    EXPECT_TRUE(fits(across, f.X, f.Right(), ScreenWidth)) << f.X << " " << f.Right();
    EXPECT_TRUE(fits(down, f.Y, f.Bottom(), ScreenHeight)) << f.Y << " " << f.Bottom();
    ASSERT_NE(program.Terminate(), -1);
    // Where it was put is stored, and stays the next time.
    const auto place = [this] { return Stored().at("FormX") + "," + Stored().at("FormY"); };
    const std::string stored = place();
    GeneratorProcess again = Start(scale);
    EXPECT_EQ(SettledFrames({MainTitle}).at(MainTitle), f);
    ASSERT_NE(again.Terminate(), -1);
    EXPECT_EQ(place(), stored);
}

INSTANTIATE_TEST_SUITE_P(Places, OffScreen,
                         ::testing::Values(OffScreenCase{"1", "5000", "5000", 1, 1},
                                           OffScreenCase{"1", "-700", "-400", -1, -1},
                                           OffScreenCase{"1", "-50", "300", -1, 0},
                                           OffScreenCase{"1.5", "1200", "500", 1, 1}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

// Tools > Output settings opens centred over the generator window; a script started from the
// File menu shows its window above the generator window, also once its pause box was answered,
// and with the program's icon; File > New generator window opens the second copy one title bar
// down and right of the first, under the same title.
TEST_F(WindowPlaces, dialogsAndNewWindowsOpenPlacedByTheGeneratorWindow) {
    Store({{"FormX", "200"}, {"FormY", "150"}});
    const fs::path script = files.dir / "pause.qvs";
    std::ofstream(script) << "pause Look at the window\ndelay 4\n";
    GeneratorProcess program = Start();
    const Frame main = SettledFrames({MainTitle}).at(MainTitle);
    Keys(MainTitle, "ctrl+c");
    const auto settings = SettledFrames({"Output Settings"});
    ASSERT_EQ(settings.size(), 1u) << "the output settings open";
    const Frame s = settings.at("Output Settings");
    EXPECT_LE(std::abs((s.X + s.Width / 2) - (main.X + main.Width / 2)), 3);
    EXPECT_LE(std::abs((s.Y + s.Height / 2) - (main.Y + main.Height / 2)), 3);
    Keys("Output Settings", "Escape");
    ASSERT_TRUE(WaitUntil([] { return WindowIds("Output Settings").empty(); }));

    Keys(MainTitle, "ctrl+r");
    ASSERT_TRUE(WaitUntil([] { return !WindowIds("Run script").empty(); }));
    Keys("Run script", "ctrl+a");
    ASSERT_EQ(std::system(("xdotool type --delay 10 '" + script.string() + "'").c_str()), 0);
    ASSERT_EQ(std::system("xdotool key Return"), 0);
    ASSERT_TRUE(WaitUntil([] { return !WindowIds("Quavril").empty(); })) << "the pause box";
    Keys("Quavril", "Return");
    ASSERT_TRUE(WaitUntil([] { return WindowIds("Quavril").empty(); }));
    const auto popup = WindowIds("QVL 3.92 Script");
    ASSERT_EQ(popup.size(), 1u);
    const std::vector<std::string> mains = WindowIds(MainTitle);
    ASSERT_EQ(mains.size(), 1u);
    // Bottom to top, as hexadecimal ids.
    WaitUntil([] { return false; }, 1); // the manager restacks after the box closed
    const std::string stacking = CommandOutput("xprop -root _NET_CLIENT_LIST_STACKING");
    const auto at = [&](const std::string& id) {
        char hex[32];
        std::snprintf(hex, sizeof hex, "0x%lx", std::stoul(id));
        return stacking.find(hex);
    };
    ASSERT_NE(at(popup.front()), std::string::npos) << stacking;
    EXPECT_GT(at(popup.front()), at(mains.front()))
        << "the script window is above the generator window: " << stacking;
    EXPECT_NE(CommandOutput("xprop -id " + popup.front() + " _NET_WM_ICON").find("Icon"),
              std::string::npos)
        << "the script window shows the program's icon";
    EXPECT_TRUE(WaitUntil([] { return WindowIds("QVL 3.92 Script").empty(); }));

    Keys(MainTitle, "ctrl+n");
    std::vector<Frame> frames;
    ASSERT_TRUE(WaitUntil([&] {
        frames.clear();
        for (const std::string& id : WindowIds(MainTitle))
            if (const auto f = FrameOfId(id))
                frames.push_back(*f);
        return frames.size() == 2 && frames[0].X != frames[1].X;
    }));
    std::sort(frames.begin(), frames.end(), [](auto& a, auto& b) { return a.X < b.X; });
    EXPECT_EQ(frames[0], main);
    EXPECT_GT(frames[1].X - main.X, 10);
    EXPECT_EQ(frames[1].X - main.X, frames[1].Y - main.Y);
    // The second copy was started by the first: ended by its own pid.
    for (const std::string& id : WindowIds(MainTitle)) {
        const int pid = Number(CommandOutput("xprop -id " + id + " _NET_WM_PID"), "= ");
        if (pid > 0 && pid != program.Pid())
            ::kill(pid, SIGTERM);
    }
    EXPECT_TRUE(WaitUntil([] { return WindowIds(MainTitle).size() == 1; }));
    ASSERT_NE(program.Terminate(), -1);
}

} // namespace
