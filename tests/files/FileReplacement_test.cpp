// How the wave export and the preset writer replace files, through real files: each policy is
// one test, run for both writers.
#include "files/FileReplacement.h"
#include "files/PresetFile.h"
#include "files/WaveFile.h"
#include "synth/Generator.h"

#include "tests/support/DeviceNodes.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quavril {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    bool ok = false;
    std::string reason;
};

// One of the program's writers, and the size of what it writes.
struct Writer {
    const char* name;
    std::function<Outcome(const std::string&)> write;
    uintmax_t size;
    friend void PrintTo(const Writer& w, std::ostream* os) { *os << w.name; }
};

Outcome WriteWave(const std::string& path) {
    Generator g;
    g.SetText(TextField::Duration, "0.1"); // 4410 mono frames: more than the small disk holds
    g.ResetGenerator(true);
    WaveFileWriter writer;
    const bool ok = writer.WriteWaveFile(path, g) == WaveWriteResult::Written;
    return {ok, writer.Reason};
}

Outcome WritePreset(const std::string& path) {
    PresetBank bank;
    bank.Slot(1).Name = "Written";
    const PresetFileResult r = SavePresetFile(path, bank);
    return {r.Ok, r.Reason};
}

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class Replacement : public ::testing::TestWithParam<Writer> {
protected:
    std::vector<std::string> Entries(const fs::path& in) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(in))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> Entries() const { return Entries(dir_); }
    Outcome Write(const fs::path& p) const { return GetParam().write(p.string()); }
    bool Written(const fs::path& p) const {
        return fs::is_regular_file(p) && fs::file_size(p) == GetParam().size;
    }

    test::TempFolder temp_{"quavril-replace"};
    const fs::path dir_ = temp_.Path();
};

TEST_P(Replacement, symbolicLinksAreFollowedAndStay) {
    std::ofstream(dir_ / "real") << "old";
    fs::create_symlink("real", dir_ / "link");
    fs::create_symlink("link", dir_ / "chain");
    fs::create_symlink("absent", dir_ / "dangling");
    for (const char* name : {"link", "chain", "dangling"}) {
        const Outcome r = Write(dir_ / name);
        ASSERT_TRUE(r.ok) << name << ": " << r.reason;
        EXPECT_TRUE(fs::is_symlink(dir_ / name)) << name;
    }
    EXPECT_TRUE(Written(dir_ / "real"));
    EXPECT_TRUE(Written(dir_ / "absent")) << "a dangling link makes the file it names";
    EXPECT_EQ(Entries(), (std::vector<std::string>{"absent", "chain", "dangling", "link", "real"}));
}

TEST_P(Replacement, permissionBitsOfTheReplacedFileAreKept) {
    for (const fs::perms mode :
         {fs::perms(0600), fs::perms(0640), fs::perms(0755), fs::perms(0444), fs::perms(02750)}) {
        const fs::path p = dir_ / "kept";
        fs::remove(p);
        std::ofstream(p) << "old";
        fs::permissions(p, mode);
        const fs::perms before = fs::status(p).permissions(); // the system may drop set-group-ID
        const Outcome r = Write(p);
        ASSERT_TRUE(r.ok) << r.reason;
        EXPECT_EQ(fs::status(p).permissions(), before) << std::oct << static_cast<int>(mode);
        EXPECT_TRUE(Written(p));
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{"kept"});
}

TEST_P(Replacement, namesUpToTheFolderLimitAreWritten) {
    const long limit = ::pathconf(dir_.c_str(), _PC_NAME_MAX);
    std::vector<std::string> names;
    for (long n = limit - 8; n <= limit; ++n)
        names.push_back(std::string(static_cast<std::size_t>(n), 'w'));
    // Two-byte characters: the temporary name must not end in half of one.
    std::string wide;
    while (wide.size() + 2 <= static_cast<std::size_t>(limit))
        wide += "\u00e9";
    names.push_back(wide);
    for (const std::string& name : names) {
        std::ofstream(dir_ / name) << "old";
        const Outcome r = Write(dir_ / name);
        EXPECT_TRUE(r.ok) << name.size() << " bytes: " << r.reason;
        EXPECT_TRUE(Written(dir_ / name)) << name.size();
        fs::remove(dir_ / name);
    }
    EXPECT_TRUE(Entries().empty()) << "no temporary file left";
}

// Root passes every permission check, so the folder is made read-only for another user, who
// then writes in a child process.
TEST_P(Replacement, aWritableFileInAReadOnlyFolderIsWrittenInPlace) {
    const fs::path folder = dir_ / "locked";
    fs::create_directory(folder);
    const fs::path p = folder / "file";
    std::ofstream(p) << "old";
    const uid_t nobody = 65534;
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(folder.c_str(), nobody, nobody), 0);
        ASSERT_EQ(::chown(p.c_str(), nobody, nobody), 0);
        fs::permissions(dir_, fs::perms(0755));
    }
    fs::permissions(folder, fs::perms(0555));
    const pid_t child = ::fork();
    if (child == 0) {
        if (root && (::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(3);
        ::_exit(Write(p).ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    fs::permissions(folder, fs::perms(0755));
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 3) << "cannot become another user";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(Written(p));
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"file"});
}

// A full disk: a small tmpfs. The old file stays and no temporary file is left.
TEST_P(Replacement, aFullDiskKeepsTheOldFileAndSaysWhy) {
    const fs::path mount = dir_ / "small";
    fs::create_directory(mount);
    if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=8k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    const fs::path p = mount / "file";
    std::ofstream(p) << "old";
    const Outcome r = Write(p);
    const std::string kept = Read(p);
    const auto entries = Entries(mount);
    ::umount(mount.c_str());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason, "No space left on device");
    EXPECT_TRUE(kept == "old") << kept.size() << " bytes";
    EXPECT_EQ(entries, std::vector<std::string>{"file"});
}

TEST_P(Replacement, devicesAndPipesAreWrittenDirectly) {
    const test::DeviceNodes devices;
    if (devices.Made()) {
        EXPECT_TRUE(Write(devices.Null()).ok);
        const Outcome full = Write(devices.Full());
        EXPECT_FALSE(full.ok);
        EXPECT_EQ(full.reason, "No space left on device");
    }

    const fs::path fifo = dir_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Outcome unread = Write(fifo); // nobody reads: refused at once, not a wait
    EXPECT_FALSE(unread.ok);
    std::string received;
    std::thread reader([&] { received = Read(fifo); });
    Outcome piped;
    while (!(piped = Write(fifo)).ok && piped.reason == unread.reason)
        std::this_thread::yield(); // until the reader has opened its end
    reader.join();
    EXPECT_TRUE(piped.ok) << piped.reason;
    EXPECT_EQ(received.size(), GetParam().size);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(Entries(), std::vector<std::string>{"fifo"});
}

INSTANTIATE_TEST_SUITE_P(Writers, Replacement,
                         ::testing::Values(Writer{"wave", WriteWave, 44 + 4410 * 2},
                                           Writer{"preset", WritePreset, PresetFileSize}),
                         [](const auto& info) { return std::string(info.param.name); });

// The input of an output (the preset a render reads) is refused however it is named, before
// anything is written.
TEST(FileReplacementInput, theInputIsRefusedUnderEveryName) {
    const test::TempFolder temp("quavril-input");
    const fs::path& dir = temp.Path();
    std::ofstream(dir / "p.qvl") << "preset";
    fs::create_symlink("p.qvl", dir / "alias");
    fs::create_hard_link(dir / "p.qvl", dir / "hard");
    for (const char* name : {"p.qvl", "alias", "hard", "./p.qvl"}) {
        FileReplacement out;
        const fs::path target = std::string(name) == "./p.qvl" ? dir / "." / "p.qvl" : dir / name;
        EXPECT_FALSE(out.Open(target.string(), (dir / "p.qvl").string())) << name;
        EXPECT_EQ(out.Reason(), "It is the input file: nothing was written");
    }
    EXPECT_EQ(Read(dir / "p.qvl"), "preset");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
    FileReplacement other;
    EXPECT_TRUE(other.Open((dir / "other").string(), (dir / "p.qvl").string()));
    other.Discard();
}

TEST(FileReplacementInput, temporaryNamesFitTheLimitAtACharacterBoundary) {
    const struct {
        std::string target;
        long limit;
        std::string expected;
    } cases[] = {
        {"/d/a.wav", 255, "/d/.a.wav.XXXXXX"},
        {"a.wav", 255, ".a.wav.XXXXXX"},
        {"/d/" + std::string(255, 'n'), 255, "/d/." + std::string(247, 'n') + ".XXXXXX"},
        {"/d/x\u00e9\u00e9", 12, "/d/.x\u00e9.XXXXXX"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileReplacement::TemporaryPattern(c.target, c.limit), c.expected) << c.target;
}

} // namespace
} // namespace quavril
