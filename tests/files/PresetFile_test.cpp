#include "files/PresetFile.h"

#include "tests/support/DeviceNodes.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quavril {
namespace {

namespace fs = std::filesystem;

class PresetFileTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    static std::vector<uint8_t> ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    static void WriteText(const std::string& path, const std::string& text) {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    // Names of the entries in the test folder.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempFolder temp_{"quavril-preset"};
    const fs::path dir_ = temp_.Path();
};

// A bank whose four slots differ in every field.
PresetBank SampleBank() {
    PresetBank bank;
    for (int n = 1; n <= 4; ++n) {
        PresetSlot& s = bank.Slot(n);
        const std::string k = std::to_string(n);
        s.Name = "Slot " + k;
        s.fInitLeft = "10" + k;
        s.fFinalLeft = "200" + k;
        s.fInitRight = "30" + k;
        s.fFinalRight = "400" + k;
        s.Duration = k + ".5";
        s.AmplitudeLeft = "-" + k;
        s.AmplitudeRight = "-1" + k;
        s.WaveFormLeft = n;
        s.WaveFormRight = 8 - n;
        s.Loop = n % 2 == 1;
        s.Mono = n == 2;
        s.Lefttick = n != 3;
        s.RightTick = n != 4;
        s.PhaseEdit = k + "0";
        s.LogarithmicLeft = n == 1;
        s.BidirectionalLeft = n == 2;
        s.LogarithmicRight = n == 3;
        s.BidirectionalRight = n == 4;
        s.chkConstantLeft = n <= 2;
        s.chkConstantRight = n >= 3;
        s.ModulationOnLeft = n == 1 || n == 4;
        s.ModulationOnRight = n == 2 || n == 3;
        s.ModPeriodLeftEdit = "0." + k;
        s.ModPeriodRightEdit = k;
        s.ModDepthLeftEdit = k + "5";
        s.ModDepthRightEdit = k + "6";
        s.ModFunctionLeft = n - 1;
        s.ModFunctionRight = 4 - n;
        s.ModPhaseLeftEdit = k + "1";
        s.ModPhaseRightEdit = k + "2";
    }
    bank.Slot(3).Name = "Caf\u00e9";
    return bank;
}

TEST_F(PresetFileTest, SavedFileHasTheMagicAndFourSlots) {
    ASSERT_TRUE(SavePresetFile(Path("a.qvl"), SampleBank()));
    const auto b = ReadBytes(Path("a.qvl"));
    ASSERT_EQ(b.size(), 15493u);
    EXPECT_EQ(b[0], 20);
    EXPECT_EQ(std::string(b.begin() + 1, b.begin() + 21), "QVL Preset File V3.6");
    // The slot names open the slots at 21, 3889, 7757 and 11625.
    EXPECT_EQ(std::string(b.begin() + 22, b.begin() + 22 + b[21]), "Slot 1");
    EXPECT_EQ(std::string(b.begin() + 3890, b.begin() + 3890 + b[3889]), "Slot 2");
    EXPECT_EQ(b[7757], 4);
    EXPECT_EQ(b[7757 + 4], 0xE9);
    EXPECT_EQ(std::string(b.begin() + 11626, b.begin() + 11626 + b[11625]), "Slot 4");
    // Slot 4's last field, ModPhaseRightEdit, at 11625 + 3612.
    EXPECT_EQ(std::string(b.begin() + 15238, b.begin() + 15238 + b[15237]), "42");
}

TEST_F(PresetFileTest, SaveAndLoadGiveBackEveryValueAndName) {
    const PresetBank saved = SampleBank();
    ASSERT_TRUE(SavePresetFile(Path("a.qvl"), saved));
    PresetBank loaded; // starts different from the saved bank
    ASSERT_NE(loaded, saved);
    const PresetFileResult r = LoadPresetFile(Path("a.qvl"), loaded);
    ASSERT_TRUE(r) << r.Error;
    EXPECT_TRUE(r.Error.empty());
    EXPECT_EQ(loaded, saved);
    const std::array<std::string, 4> captions = {"Slot 1", "Slot 2", "Caf\u00e9", "Slot 4"};
    EXPECT_EQ(loaded.Names(), captions);
}

TEST_F(PresetFileTest, LoadedBankSavesToTheSameBytes) {
    ASSERT_TRUE(SavePresetFile(Path("a.qvl"), SampleBank()));
    PresetBank loaded;
    ASSERT_TRUE(LoadPresetFile(Path("a.qvl"), loaded));
    ASSERT_TRUE(SavePresetFile(Path("b.qvl"), loaded));
    EXPECT_EQ(ReadBytes(Path("a.qvl")), ReadBytes(Path("b.qvl")));
    EXPECT_EQ(ReadBytes(Path("a.qvl")), EncodePresetFile(SampleBank()));
}

TEST_F(PresetFileTest, SaveReplacesAnExistingFileAndLeavesNoTemporaryFile) {
    WriteText(Path("a.qvl"), "old contents");
    ASSERT_TRUE(SavePresetFile(Path("a.qvl"), SampleBank()));
    EXPECT_EQ(ReadBytes(Path("a.qvl")).size(), 15493u);
    EXPECT_EQ(Entries(), std::vector<std::string>{"a.qvl"});
}

TEST_F(PresetFileTest, SavedFileFollowsTheUmask) {
    const mode_t old = ::umask(022);
    const bool saved = static_cast<bool>(SavePresetFile(Path("a.qvl"), SampleBank()));
    ::umask(old);
    ASSERT_TRUE(saved);
    struct stat st {};
    ASSERT_EQ(::stat(Path("a.qvl").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

// A file that must be rejected as not being a preset file leaves the bank as it was.
void ExpectWrongFormat(const std::string& path) {
    PresetBank bank = SampleBank();
    const PresetFileResult r = LoadPresetFile(path, bank);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.Error, "Wrong file format");
    EXPECT_EQ(bank, SampleBank());
}

TEST_F(PresetFileTest, LengthByte19IsRejected) {
    auto b = EncodePresetFile(PresetBank{});
    b[0] = 19;
    WriteBytes(Path("a.qvl"), b);
    ExpectWrongFormat(Path("a.qvl"));
}

TEST_F(PresetFileTest, OtherVersionIsRejected) {
    auto b = EncodePresetFile(PresetBank{});
    b[20] = '7'; // "QVL Preset File V3.7"
    WriteBytes(Path("a.qvl"), b);
    ExpectWrongFormat(Path("a.qvl"));
}

TEST_F(PresetFileTest, EmptyAndForeignFilesAreRejected) {
    WriteText(Path("empty.qvl"), "");
    ExpectWrongFormat(Path("empty.qvl"));
    WriteText(Path("text.qvl"), "QVL Preset File V3.1\r\nName\r\n");
    ExpectWrongFormat(Path("text.qvl"));
    WriteText(Path("magic.qvl"), std::string(1, '\x14') + "QVL Preset File V3.6");
    ExpectWrongFormat(Path("magic.qvl"));
}

TEST_F(PresetFileTest, FileOneByteShortIsRejectedAndTheBankUnchanged) {
    auto b = EncodePresetFile(PresetBank{});
    b.pop_back();
    WriteBytes(Path("a.qvl"), b);
    ExpectWrongFormat(Path("a.qvl"));
}

TEST_F(PresetFileTest, BytesAfterTheFourSlotsAreIgnored) {
    auto b = EncodePresetFile(SampleBank());
    b.push_back(0x55);
    WriteBytes(Path("a.qvl"), b);
    PresetBank bank;
    ASSERT_TRUE(LoadPresetFile(Path("a.qvl"), bank));
    EXPECT_EQ(bank, SampleBank());
}

TEST_F(PresetFileTest, MissingFileIsReportedAndTheBankUnchanged) {
    PresetBank bank = SampleBank();
    const PresetFileResult r = LoadPresetFile(Path("missing.qvl"), bank);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.Error, "Cannot open file " + Path("missing.qvl") + ": No such file or directory");
    EXPECT_EQ(bank, SampleBank());
}

TEST_F(PresetFileTest, FolderInsteadOfAFileIsReported) {
    fs::create_directory(Path("folder.qvl"));
    PresetBank bank = SampleBank();
    const PresetFileResult r = LoadPresetFile(Path("folder.qvl"), bank);
    EXPECT_FALSE(r);
    EXPECT_NE(r.Error.find(Path("folder.qvl")), std::string::npos) << r.Error;
    EXPECT_EQ(bank, SampleBank());
}

// --- Failed writes ---------------------------------------------------------------------------

TEST_F(PresetFileTest, SaveIntoAMissingFolderFailsAndCreatesNothing) {
    const std::string path = Path("missing/a.qvl");
    const PresetFileResult r = SavePresetFile(path, SampleBank());
    EXPECT_FALSE(r);
    EXPECT_EQ(r.Error, "Cannot write file " + path + ": No such file or directory");
    EXPECT_TRUE(Entries().empty());
}

TEST_F(PresetFileTest, SaveOverAFolderFailsAndLeavesNoTemporaryFile) {
    fs::create_directory(Path("a.qvl"));
    WriteText(Path("a.qvl/inside"), "x");
    const PresetFileResult r = SavePresetFile(Path("a.qvl"), SampleBank());
    EXPECT_FALSE(r);
    EXPECT_EQ(r.Error.rfind("Cannot write file " + Path("a.qvl") + ": ", 0), 0u) << r.Error;
    EXPECT_EQ(Entries(), std::vector<std::string>{"a.qvl"});
    EXPECT_TRUE(fs::is_directory(Path("a.qvl")));
}

// A writable file in a read-only folder is written in place (FileReplacement_test); a
// read-only one there cannot be written at all and stays as it was.
TEST_F(PresetFileTest, SaveIntoAReadOnlyFolderLeavesAReadOnlyFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser; the size-limit test covers it";
    WriteText(Path("a.qvl"), "old contents");
    fs::permissions(Path("a.qvl"), fs::perms::owner_read);
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    const PresetFileResult r = SavePresetFile(Path("a.qvl"), SampleBank());
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.Error, "Cannot write file " + Path("a.qvl") + ": Permission denied");
    EXPECT_EQ(Entries(), std::vector<std::string>{"a.qvl"});
    const auto b = ReadBytes(Path("a.qvl"));
    EXPECT_EQ(std::string(b.begin(), b.end()), "old contents");
}

// A write that fails half-way (as on a full disk): the file-size limit stops it after 4096
// bytes, whoever runs the test.
TEST_F(PresetFileTest, WriteFailingHalfWayLeavesTheOldFileAndNoTemporaryFile) {
    WriteText(Path("a.qvl"), "old contents");
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const PresetFileResult r = SavePresetFile(Path("a.qvl"), SampleBank());
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.Error, "Cannot write file " + Path("a.qvl") + ": File too large");
    EXPECT_EQ(Entries(), std::vector<std::string>{"a.qvl"});
    const auto b = ReadBytes(Path("a.qvl"));
    EXPECT_EQ(std::string(b.begin(), b.end()), "old contents");
}

// --- Text format V3.2 --------------------------------------------------------------------------

struct LegacyBlock {
    std::string Name = "Old";
    std::string fInit = "100";
    std::string fFinal = "1000";
    std::string Constant = "440";
    std::string Duration = "3";
    std::string Amplitude = "-6";
    std::string Wave = "2";
    std::string Loop = "0";
    std::string Mono = "1";
    std::string Lefttick = "1";
    std::string RightTick = "0";
    std::string Phase = "45";
    std::string Logarithmic = "1";
    std::string Bidirectional = "0";
    std::string Mode = "Constant";
    std::string Modulation = "1";
    std::string PeriodLeft = "0.5";
    std::string PeriodRight = "2";
    std::string DepthLeft = "30";
    std::string DepthRight = "60";
    std::string FunctionLeft = "3";
    std::string FunctionRight = "0";
    std::string PhaseLeft = "10";
    std::string PhaseRight = "20";

    std::string Lines(const std::string& eol) const {
        std::string t;
        for (const std::string* line :
             {&Name,         &fInit,         &fFinal,      &Constant,      &Duration,
              &Amplitude,    &Wave,          &Loop,        &Mono,          &Lefttick,
              &RightTick,    &Phase,         &Logarithmic, &Bidirectional, &Mode,
              &Modulation,   &PeriodLeft,    &PeriodRight, &DepthLeft,     &DepthRight,
              &FunctionLeft, &FunctionRight, &PhaseLeft,   &PhaseRight})
            t += *line + eol;
        return "[Preset]" + eol + t; // line 1 of a block is not read
    }
};

std::string LegacyFile(const std::array<LegacyBlock, 4>& blocks, const std::string& eol = "\r\n") {
    std::string t = "QVL Preset File V3.2" + eol;
    for (const auto& b : blocks)
        t += b.Lines(eol);
    return t;
}

std::array<LegacyBlock, 4> FourBlocks() {
    std::array<LegacyBlock, 4> blocks;
    for (int n = 0; n < 4; ++n)
        blocks[n].Name = "Old " + std::to_string(n + 1);
    return blocks;
}

TEST_F(PresetFileTest, LegacyFileFillsBothChannels) {
    auto blocks = FourBlocks();
    blocks[1].Mode = "Sweep";
    WriteText(Path("old.qvl"), LegacyFile(blocks));
    PresetBank bank = SampleBank();
    const PresetFileResult r = LoadPresetFile(Path("old.qvl"), bank);
    ASSERT_TRUE(r) << r.Error;

    const PresetSlot& c = bank.Slot(1); // "Constant"
    EXPECT_EQ(c.Name, "Old 1");
    EXPECT_TRUE(c.chkConstantLeft);
    EXPECT_TRUE(c.chkConstantRight);
    EXPECT_EQ(c.fInitLeft, "440");
    EXPECT_EQ(c.fInitRight, "440");
    EXPECT_EQ(c.fFinalLeft, "1000");
    EXPECT_EQ(c.fFinalRight, "1000");
    EXPECT_EQ(c.Duration, "3");
    EXPECT_EQ(c.AmplitudeLeft, "-6");
    EXPECT_EQ(c.AmplitudeRight, "-6");
    EXPECT_EQ(c.WaveFormLeft, 2);
    EXPECT_EQ(c.WaveFormRight, 2);
    EXPECT_FALSE(c.Loop);
    EXPECT_TRUE(c.Mono);
    EXPECT_TRUE(c.Lefttick);
    EXPECT_FALSE(c.RightTick);
    EXPECT_EQ(c.PhaseEdit, "45");
    EXPECT_TRUE(c.LogarithmicLeft);
    EXPECT_TRUE(c.LogarithmicRight);
    EXPECT_FALSE(c.BidirectionalLeft);
    EXPECT_FALSE(c.BidirectionalRight);
    EXPECT_TRUE(c.ModulationOnLeft);
    EXPECT_TRUE(c.ModulationOnRight);
    EXPECT_EQ(c.ModPeriodLeftEdit, "0.5");
    EXPECT_EQ(c.ModPeriodRightEdit, "2");
    EXPECT_EQ(c.ModDepthLeftEdit, "30");
    EXPECT_EQ(c.ModDepthRightEdit, "60");
    EXPECT_EQ(c.ModFunctionLeft, 3);
    EXPECT_EQ(c.ModFunctionRight, 0);
    EXPECT_EQ(c.ModPhaseLeftEdit, "10");
    EXPECT_EQ(c.ModPhaseRightEdit, "20");

    const PresetSlot& s = bank.Slot(2); // a sweep keeps line 3 as its start
    EXPECT_FALSE(s.chkConstantLeft);
    EXPECT_FALSE(s.chkConstantRight);
    EXPECT_EQ(s.fInitLeft, "100");
    EXPECT_EQ(s.fInitRight, "100");
    const std::array<std::string, 4> names = {"Old 1", "Old 2", "Old 3", "Old 4"};
    EXPECT_EQ(bank.Names(), names);
}

TEST_F(PresetFileTest, LegacyModeWordIsCaseSensitive) {
    auto blocks = FourBlocks();
    blocks[0].Mode = "constant";
    blocks[1].Mode = "CONSTANT";
    blocks[2].Mode = "Constant ";
    WriteText(Path("old.qvl"), LegacyFile(blocks));
    PresetBank bank;
    ASSERT_TRUE(LoadPresetFile(Path("old.qvl"), bank));
    for (int n = 1; n <= 3; ++n) {
        EXPECT_FALSE(bank.Slot(n).chkConstantLeft) << n;
        EXPECT_FALSE(bank.Slot(n).chkConstantRight) << n;
        EXPECT_EQ(bank.Slot(n).fInitLeft, "100") << n;
    }
    EXPECT_TRUE(bank.Slot(4).chkConstantLeft);
}

TEST_F(PresetFileTest, LegacyFlagsTwoAndMinusOneAreTrue) {
    auto blocks = FourBlocks();
    blocks[0].Loop = "2";
    blocks[0].Mono = "-1";
    blocks[0].RightTick = "0";
    blocks[0].Bidirectional = "7 and some words";
    blocks[0].Modulation = "0";
    WriteText(Path("old.qvl"), LegacyFile(blocks));
    PresetBank bank;
    ASSERT_TRUE(LoadPresetFile(Path("old.qvl"), bank));
    EXPECT_TRUE(bank.Slot(1).Loop);
    EXPECT_TRUE(bank.Slot(1).Mono);
    EXPECT_FALSE(bank.Slot(1).RightTick);
    EXPECT_TRUE(bank.Slot(1).BidirectionalLeft);
    EXPECT_TRUE(bank.Slot(1).BidirectionalRight);
    EXPECT_FALSE(bank.Slot(1).ModulationOnLeft);
}

TEST_F(PresetFileTest, LegacyFileWithPlainLineFeedsReads) {
    WriteText(Path("old.qvl"), LegacyFile(FourBlocks(), "\n"));
    PresetBank bank;
    const PresetFileResult r = LoadPresetFile(Path("old.qvl"), bank);
    ASSERT_TRUE(r) << r.Error;
    EXPECT_EQ(bank.Slot(4).Name, "Old 4");
    EXPECT_EQ(bank.Slot(4).ModPhaseRightEdit, "20");
    EXPECT_TRUE(bank.Slot(4).chkConstantLeft);
}

TEST_F(PresetFileTest, LegacyTextsAreWindows1252AndCutTo255) {
    auto blocks = FourBlocks();
    blocks[0].Name = "Caf\xe9";
    blocks[0].Duration = std::string(300, '7');
    WriteText(Path("old.qvl"), LegacyFile(blocks));
    PresetBank bank;
    ASSERT_TRUE(LoadPresetFile(Path("old.qvl"), bank));
    EXPECT_EQ(bank.Slot(1).Name, "Caf\u00e9");
    EXPECT_EQ(bank.Slot(1).Duration, std::string(255, '7'));
    EXPECT_EQ(bank.Slot(1).AmplitudeLeft, "-6"); // the rest of the long line was skipped
}

TEST_F(PresetFileTest, LegacyFileWithABadNumberChangesNothing) {
    auto blocks = FourBlocks();
    blocks[2].Wave = "sine"; // slot 3, line 8 of its block
    WriteText(Path("old.qvl"), LegacyFile(blocks));
    PresetBank bank = SampleBank();
    const PresetFileResult r = LoadPresetFile(Path("old.qvl"), bank);
    EXPECT_FALSE(r);
    const int line = 1 + 2 * 25 + 8;
    EXPECT_EQ(r.Error, "Cannot read file " + Path("old.qvl") + ": invalid number in line " +
                           std::to_string(line));
    EXPECT_EQ(bank, SampleBank()); // slots 1 and 2 were read, but not taken
}

TEST_F(PresetFileTest, LegacyNumberOutOfRangeOrEmptyIsRejected) {
    for (const std::string bad : {"", "4294967296", "1x", "+-1", "0x1"}) {
        auto blocks = FourBlocks();
        blocks[0].FunctionLeft = bad;
        WriteText(Path("old.qvl"), LegacyFile(blocks));
        PresetBank bank = SampleBank();
        EXPECT_FALSE(LoadPresetFile(Path("old.qvl"), bank)) << "'" << bad << "'";
        EXPECT_EQ(bank, SampleBank());
    }
}

TEST_F(PresetFileTest, LegacyFileEndingEarlyChangesNothing) {
    std::string text = LegacyFile(FourBlocks());
    text.resize(text.size() / 2); // ends in the middle of slot 3
    WriteText(Path("old.qvl"), text);
    PresetBank bank = SampleBank();
    const PresetFileResult r = LoadPresetFile(Path("old.qvl"), bank);
    EXPECT_FALSE(r);
    EXPECT_NE(r.Error.find("the file ends before line"), std::string::npos) << r.Error;
    EXPECT_EQ(bank, SampleBank());
}

TEST_F(PresetFileTest, LegacyLastLineMayLackItsLineEnd) {
    std::string text = LegacyFile(FourBlocks());
    text.resize(text.size() - 2);
    WriteText(Path("old.qvl"), text);
    PresetBank bank;
    ASSERT_TRUE(LoadPresetFile(Path("old.qvl"), bank));
    EXPECT_EQ(bank.Slot(4).ModPhaseRightEdit, "20");
}

TEST_F(PresetFileTest, LegacyMagicNeedsItsFirstTwentyCharacters) {
    // Only the first 20 characters of the first line count.
    std::string text = LegacyFile(FourBlocks());
    text.insert(20, " (old)");
    WriteText(Path("old.qvl"), text);
    PresetBank bank;
    ASSERT_TRUE(LoadPresetFile(Path("old.qvl"), bank));
    EXPECT_EQ(bank.Slot(1).Name, "Old 1");
    WriteText(Path("lower.qvl"), "qvl preset file v3.2\r\n" + text.substr(28));
    ExpectWrongFormat(Path("lower.qvl"));
}

// --- Inputs that are not preset files -----------------------------------------------------

// What cannot be a preset file is refused with one message, at once or after the pipe wait,
// and the bank stays as it was: nothing is read without end and nothing waits forever.
TEST_F(PresetFileTest, InputsThatAreNotPresetFilesAreRefusedWithoutHanging) {
    fs::create_directory(Path("folder.qvl"));
    ASSERT_EQ(::mkfifo(Path("silent.qvl").c_str(), 0600), 0);
    WriteBytes(Path("huge.qvl"), std::vector<uint8_t>(MaxPresetFileSize + 1, 'x'));
    const test::DeviceNodes devices;
    if (!devices.Made())
        GTEST_SKIP() << "making device nodes needs root";
    const std::pair<std::string, std::string> cases[] = {
        {Path("folder.qvl"), "not a regular file or a pipe"},
        {devices.Zero(), "not a regular file or a pipe"},
        {devices.Null(), "not a regular file or a pipe"},
        {Path("silent.qvl"), "nothing arrived through the pipe within 1 s"},
        {Path("huge.qvl"), "larger than 65536 bytes"},
    };
    for (const auto& [path, reason] : cases) {
        PresetBank bank = SampleBank();
        const PresetFileResult r = LoadPresetFile(path, bank, 200);
        EXPECT_EQ(r.Error, "Cannot read file " + path + ": " + reason);
        EXPECT_EQ(r.Reason, reason);
        EXPECT_EQ(bank, SampleBank()) << path;
    }
}

// Banks of both formats arrive through a pipe whole, however the writer cuts them up; a pipe
// that brings more than a preset file holds is refused.
TEST_F(PresetFileTest, BanksArriveThroughPipes) {
    const std::string legacy = LegacyFile(FourBlocks());
    const std::vector<uint8_t> binary = EncodePresetFile(SampleBank());
    const std::vector<uint8_t> inputs[] = {binary,
                                           std::vector<uint8_t>(legacy.begin(), legacy.end()),
                                           std::vector<uint8_t>(MaxPresetFileSize + 4096, 'x')};
    auto* previous = std::signal(SIGPIPE, SIG_IGN); // the reader may stop reading early
    for (const auto& input : inputs) {
        const std::string fifo = Path("pipe.qvl");
        fs::remove(fifo);
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::thread writer([&] {
            const int fd = ::open(fifo.c_str(), O_WRONLY);
            for (std::size_t at = 0; fd >= 0 && at < input.size(); at += 1000) {
                if (::write(fd, input.data() + at, std::min<std::size_t>(1000, input.size() - at)) <
                    0)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (fd >= 0)
                ::close(fd);
        });
        PresetBank bank = SampleBank();
        const PresetFileResult r = LoadPresetFile(fifo, bank);
        writer.join();
        if (input.size() > MaxPresetFileSize) {
            EXPECT_EQ(r.Reason, "larger than 65536 bytes");
            EXPECT_EQ(bank, SampleBank());
        } else {
            ASSERT_TRUE(r) << r.Error;
            EXPECT_EQ(bank.Slot(1).Name, input == binary ? "Slot 1" : "Old 1");
        }
    }
    std::signal(SIGPIPE, previous);
}

// The size limit is exact, through a pipe as from a file: 65536 bytes are read (and then judged
// by their content), one byte more is refused for its size.
TEST_F(PresetFileTest, SizeLimitIsExactThroughPipesAndFiles) {
    auto* previous = std::signal(SIGPIPE, SIG_IGN);
    for (const bool pipe : {true, false}) {
        for (const std::size_t size : {MaxPresetFileSize, MaxPresetFileSize + 1}) {
            const std::string path = Path(pipe ? "edge-pipe.qvl" : "edge-file.qvl");
            fs::remove(path);
            const std::vector<uint8_t> input(size, 'x');
            std::thread writer;
            if (pipe) {
                ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
                writer = std::thread([&] { WriteBytes(path, input); }); // waits for the reader
            } else {
                WriteBytes(path, input);
            }
            PresetBank bank = SampleBank();
            const PresetFileResult r = LoadPresetFile(path, bank);
            if (writer.joinable())
                writer.join();
            EXPECT_FALSE(r);
            EXPECT_EQ(r.Reason == "larger than 65536 bytes", size > MaxPresetFileSize)
                << (pipe ? "pipe " : "file ") << size << ": " << r.Error;
            EXPECT_EQ(bank, SampleBank());
        }
    }
    std::signal(SIGPIPE, previous);
}

} // namespace
} // namespace quavril
