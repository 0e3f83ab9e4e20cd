#include "files/ScriptReader.h"

#include "files/AnsiText.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quavril {
namespace {

namespace fs = std::filesystem;

struct SplitCase {
    std::string Line;
    std::string Command, Argument, Rest;
};

TEST(ScriptReader, splitsWordsAtSingleBlanksWithTheRestOfTheLineAsWordTwo) {
    const std::vector<SplitCase> cases = {
        {"PLAY 1 x.qvl", "play", "1", "x.qvl"},
        {"play 3 /My presets/a.qvl ", "play", "3", "/My presets/a.qvl"},
        {"play 3 a.qvl  ", "play", "3", "a.qvl "}, // only one trailing blank goes
        {"play 1 ", "play", "1", ""},
        {"play 1  ", "play", "1", ""},
        {"play 1", "play", "1", ""},
        {"pause", "pause", "", ""},
        {"pause Check the level", "pause", "Check", "the level"},
        {"delay  2", "delay", "", "2"},   // two blanks: an empty word 1
        {" play 1 x", "", "play", "1 x"}, // a leading blank: an empty command
        {"", "", "", ""},                 // an empty line
        {"rem\tx y", "rem\tx", "y", ""},  // a tab is an ordinary character
        {"ReM Ä B", "rem", "Ä", "B"},     // lower case for ASCII letters only
        {"PLÄY", "plÄy", "", ""},
        {"a b c d e f g h i j k l m n o p q r s t u v w x y z 1 2", "a", "b",
         "c d e f g h i j k l m n o p q r s t u v w x y z 1 2"}, // more than 25 words
    };
    for (const auto& c : cases) {
        const ScriptWords w = SplitScriptLine(c.Line);
        EXPECT_EQ(w.Command, c.Command) << "'" << c.Line << "'";
        EXPECT_EQ(w.Argument, c.Argument) << "'" << c.Line << "'";
        EXPECT_EQ(w.Rest, c.Rest) << "'" << c.Line << "'";
    }
}

struct TextCase {
    std::string Bytes;
    std::vector<std::string> Lines;
};

TEST(ScriptReader, splitsLinesAtAnyLineEndAndReadsNonUtf8LinesAsWindows1252) {
    const std::vector<TextCase> cases = {
        {"", {}},
        {"a\r\nb", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"\n", {""}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},   // LF then CR: two line ends
        {"a\r\r\nb", {"a", "", "b"}}, // CR, then CR LF
        {"\xEF\xBB\xBFrem x\r\n", {"rem x"}},
        {"pause caf\xC3\xA9", {"pause caf\xC3\xA9"}}, // UTF-8 kept
        {"pause caf\xE9 \x80\r\nrem \xC3\xA9", {"pause caf\xC3\xA9 \xE2\x82\xAC", "rem \xC3\xA9"}},
        {"rem \xC3", {"rem \xC3\x83"}}, // a cut-short sequence is not UTF-8
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitScriptText(c.Bytes), c.Lines) << "'" << c.Bytes << "'";
}

TEST(ScriptReader, namesInMessagesAreEscapedWhereTheyAreNotUtf8) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/tmp/plain name.qvs", "/tmp/plain name.qvs"},
        {"caf\xC3\xA9.qvs", "caf\xC3\xA9.qvs"},         // UTF-8 kept
        {"\xE9z.qvs", "\\xe9z.qvs"},                    // a Latin-1 byte
        {"a\xC3.qvs", "a\\xc3.qvs"},                    // a sequence cut short
        {"\xF0\x9F\x8E\xB5", "\xF0\x9F\x8E\xB5"},       // four bytes, valid
        {"\xED\xA0\x80", "\\xed\\xa0\\x80"},            // a surrogate is not UTF-8
        {"two\nlines\t.qvs", "two\\x0alines\\x09.qvs"}, // control characters
        {"C:\\Test files\\a.qvl", "C:\\Test files\\a.qvl"},
    };
    for (const auto& [bytes, shown] : cases) {
        EXPECT_EQ(EscapedName(bytes), shown);
        EXPECT_TRUE(IsValidUtf8(EscapedName(bytes)));
    }
}

class ScriptFileTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    test::TempFolder temp_{"quavril-script"};
    const fs::path dir_ = temp_.Path();
};

TEST_F(ScriptFileTest, readsTheLinesOfAFileOrNamesWhyItCannot) {
    {
        std::ofstream out(Path("a b.qvs"), std::ios::binary);
        out << "rem x\r\nplay 1 a.qvl\r\nend\r\n";
    }
    const ScriptFile read = ReadScriptFile(Path("a b.qvs"));
    EXPECT_TRUE(read.Ok);
    EXPECT_EQ(read.Lines, (std::vector<std::string>{"rem x", "play 1 a.qvl", "end"}));

    const ScriptFile missing = ReadScriptFile(Path("none.qvs"));
    EXPECT_FALSE(missing.Ok);
    EXPECT_EQ(missing.Error,
              "Cannot open file " + Path("none.qvs") + ": No such file or directory");
    EXPECT_TRUE(missing.Lines.empty());

    fs::create_directory(Path("folder.qvs"));
    const ScriptFile folder = ReadScriptFile(Path("folder.qvs"));
    EXPECT_FALSE(folder.Ok);
    EXPECT_EQ(folder.Error, "Cannot open file " + Path("folder.qvs") + ": Is a directory");

    // A line keeps its bytes: a file name in it reaches the system as written.
    std::ofstream(Path("\xE9.qvs"), std::ios::binary) << "play 1 \xE9.qvl\r\npause caf\xE9\r\n";
    const ScriptFile latin = ReadScriptFile(Path("\xE9.qvs"));
    EXPECT_EQ(latin.Lines, (std::vector<std::string>{"play 1 \xE9.qvl", "pause caf\xE9"}));
    EXPECT_EQ(ScriptText(latin.Lines[1]), "pause caf\xC3\xA9");
}

// Scripts are read like preset files, up to a limit: a device or an endless input never fills
// the memory (the program's own test refuses folders, links, devices and silent pipes).
TEST_F(ScriptFileTest, readsAScriptUpToTheLimitAndNotAByteMore) {
    for (const std::size_t size : {MaxScriptFileSize, MaxScriptFileSize + 1}) {
        const fs::path p = dir_ / "large.qvs";
        std::ofstream(p) << "rem";
        fs::resize_file(p, size);
        const ScriptFile read = ReadScriptFile(p.string());
        EXPECT_EQ(read.Ok, size == MaxScriptFileSize);
        EXPECT_EQ(read.Error, read.Ok ? ""
                                      : "Cannot read file " + p.string() + ": larger than " +
                                            std::to_string(MaxScriptFileSize) + " bytes");
    }
}

TEST_F(ScriptFileTest, aPipeIsReadToItsEnd) {
    const fs::path fifo = dir_ / "fed.qvs";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Opening for writing waits for the reader; the reader gives up after 5 s.
    std::thread writer([&] { std::ofstream(fifo) << "rem fed\nend\n"; });
    const ScriptFile read = ReadScriptFile(fifo.string(), 5000);
    // A reader that gave up leaves the writer waiting: open the FIFO once to release it.
    const int release = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    writer.join();
    ::close(release);
    EXPECT_TRUE(read.Ok) << read.Error;
    EXPECT_EQ(read.Lines, (std::vector<std::string>{"rem fed", "end"}));
}

} // namespace
} // namespace quavril
