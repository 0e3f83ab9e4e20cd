// The settings file's text: lines as QSettings writes and reads them, hand-edited forms, the
// lines that are no settings, and values that are no single text.
#include "settings/IniText.h"

#include <gtest/gtest.h>

using namespace quavril;

namespace {

using namespace std::string_view_literals;

struct Read {
    std::string_view Text;
    const char* Key;                  // the one key looked at
    std::optional<const char*> Value; // its text, nothing when it is none (or missing)
    const char* Problem;              // how the problem report starts; "" for none
};

class IniRead : public ::testing::TestWithParam<Read> {};

TEST_P(IniRead, givesTheValueQSettingsWouldAndNamesTheFirstBadLine) {
    const Read& c = GetParam();
    const ini::Document doc = ini::Parse(c.Text);
    std::optional<std::string> value;
    for (const ini::Entry& e : doc.Entries)
        if (e.Key == c.Key)
            value = ini::DecodeText(e.Raw);
    EXPECT_EQ(value, c.Value ? std::optional<std::string>(*c.Value) : std::nullopt) << c.Text;
    EXPECT_TRUE(*c.Problem ? doc.Problem.starts_with(c.Problem) : doc.Problem.empty())
        << doc.Problem;
}

constexpr const char* K = "Software/Orvande/Quavril/fInitLeft";
#define KEY "[Software]\nOrvande\\Quavril\\fInitLeft="

INSTANTIATE_TEST_SUITE_P(
    Lines, IniRead,
    ::testing::Values(
        // As QSettings writes them.
        Read{KEY "1000\n", K, "1000", ""}, Read{KEY "\"1, 2\"\n", K, "1, 2", ""},
        Read{KEY "\"  a  \"\n", K, "  a  ", ""}, Read{KEY "a\\\"b\\\\c\\nd\n", K, "a\"b\\c\nd", ""},
        Read{KEY "a\\tb\\x1\n", K, "a\tb\x01", ""}, Read{KEY "@@x\n", K, "@x", ""},
        Read{KEY "caf\xc3\xa9\n", K, "caf\xc3\xa9", ""}, Read{KEY "\n", K, "", ""},
        // By hand: other section forms, blanks, comments, line ends, repeats.
        Read{"[Software\\Orvande\\Quavril]\nfInitLeft = 12 \n", K, "12", ""},
        Read{"; note\n[Software]\r\nOrvande\\Quavril\\fInitLeft=5 ; five\r\n", K, "5", ""},
        Read{KEY "1\nOrvande\\Quavril\\fInitLeft=2\n", K, "2", ""},
        Read{"[Software]\nOrvande%5CQuavril\\fInitLeft=1\n", "Software/Orvande\\Quavril/fInitLeft",
             "1", ""},
        Read{"[Software/]\n/Orvande\\\\Quavril/fInitLeft/=2\n", K, "2", ""},
        Read{KEY "\"a\nb\"\n", K, "a\nb", ""},
        // Values that are no single text.
        Read{KEY "1000, 2000\n", K, std::nullopt, ""},
        Read{KEY "@Variant(x)\n", K, std::nullopt, ""}, Read{KEY "\xff\xfe\n", K, std::nullopt, ""},
        Read{KEY "a\\0b\n", K, std::nullopt, ""}, Read{KEY "\\xd800\n", K, std::nullopt, ""},
        // Lines that are no settings; what can be read still is.
        Read{KEY "7\ngarbage\n", K, "7", "line 3: "},
        Read{"[Software\nOrvande\\Quavril\\fInitLeft=7\n", K, "7", "line 1: "},
        Read{"[Software]\n=7\nOrvande\\Quavril\\fInitLeft=8\n", K, "8", "line 2: "},
        Read{KEY "9\n\0\n"sv, K, "9", "line 3: "},
        Read{KEY "\"12\nx=1\n", K, "12\nx=1\n", "line 2: a quote that is never closed"}));
#undef KEY

// What the writer puts down reads back to the same text, whatever the text holds.
TEST(IniText, everyTextReadsBackAsWritten) {
    const std::string texts[] = {"",          "1000.5", "1, 2",   " lead",       "trail ",
                                 "a=b;c",     "\"q\"",  "back\\", "@at",         "@@two",
                                 "tab\tnl\n", "\0019",  "\x7f",   "caf\xc3\xa9", "\xe2\x82\xac",
                                 "x\\x41",    "semi;",  "  "};
    std::vector<ini::Entry> entries;
    int n = 0;
    for (const std::string& t : texts)
        entries.push_back({"Software/Orvande/Quavril/v" + std::to_string(n++), ini::EncodeText(t)});
    entries.push_back({"root", ini::EncodeText("top")});
    entries.push_back({"Other Group/key/deep", ini::EncodeText("x")});
    const ini::Document doc = ini::Parse(ini::Serialize(entries));
    EXPECT_EQ(doc.Problem, "");
    ASSERT_EQ(doc.Entries.size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(doc.Entries[i].Key, entries[i].Key);
        EXPECT_EQ(ini::DecodeText(doc.Entries[i].Raw), ini::DecodeText(entries[i].Raw)) << i;
        if (i < std::size(texts)) {
            EXPECT_EQ(ini::DecodeText(doc.Entries[i].Raw), texts[i]) << i;
        }
    }
}

// What was read from a hand-made file writes lines that read back as the same entries, the
// keys after them untouched (a value ending in a joined line end once swallowed the next key).
TEST(IniText, readEntriesWriteBackAsTheSameEntries) {
    const std::string_view files[] = {"[Software\rt=\\\r"sv,          "[Software]\nt=a\\\r\n"sv,
                                      "[Software]\nt=a\\\n\r"sv,      "[Software]\nt=\\\\\n"sv,
                                      "[Software]\nt=\"x\\\ny\"\n"sv, "[Software]\nt=a\\\nb\n"sv};
    for (const std::string_view file : files) {
        std::vector<ini::Entry> entries = ini::Parse(file).Entries;
        ASSERT_EQ(entries.size(), 1u) << file;
        entries.push_back({"Software/after", "1"});
        const ini::Document again = ini::Parse(ini::Serialize(entries));
        EXPECT_EQ(again.Problem, "") << file;
        ASSERT_EQ(again.Entries.size(), 2u) << file;
        EXPECT_EQ(ini::DecodeText(again.Entries[0].Raw), ini::DecodeText(entries[0].Raw)) << file;
        EXPECT_EQ(again.Entries[1], entries[1]) << file;
    }
}

} // namespace
