#include "files/AnsiText.h"
#include "files/PresetSlot.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace quavril {
namespace {

using SlotBytes = std::array<uint8_t, PresetSlot::Size>;

SlotBytes Encoded(const PresetSlot& s) {
    SlotBytes bytes;
    bytes.fill(0xAA); // the encoder must overwrite every byte
    s.Encode(bytes);
    return bytes;
}

std::string ShortTextAt(const SlotBytes& b, std::size_t offset) {
    return std::string(reinterpret_cast<const char*>(b.data() + offset + 1), b[offset]);
}

int32_t IndexAt(const SlotBytes& b, std::size_t offset) {
    return static_cast<int32_t>(uint32_t{b[offset]} | uint32_t{b[offset + 1]} << 8 |
                                uint32_t{b[offset + 2]} << 16 | uint32_t{b[offset + 3]} << 24);
}

// Every field set to a value that differs from its neighbours.
PresetSlot DistinctSlot() {
    PresetSlot s;
    s.Name = "Name";
    s.fInitLeft = "101";
    s.fFinalLeft = "1002";
    s.fInitRight = "103";
    s.fFinalRight = "1004";
    s.Duration = "5.5";
    s.AmplitudeLeft = "-6";
    s.AmplitudeRight = "-7";
    s.WaveFormLeft = 3;
    s.WaveFormRight = 8;
    s.Loop = true;
    s.Mono = false;
    s.Lefttick = false;
    s.RightTick = true;
    s.PhaseEdit = "90";
    s.LogarithmicLeft = true;
    s.BidirectionalLeft = false;
    s.LogarithmicRight = false;
    s.BidirectionalRight = true;
    s.chkConstantLeft = false;
    s.chkConstantRight = true;
    s.ModulationOnLeft = true;
    s.ModulationOnRight = false;
    s.ModPeriodLeftEdit = "0.25";
    s.ModPeriodRightEdit = "2";
    s.ModDepthLeftEdit = "50";
    s.ModDepthRightEdit = "75.5";
    s.ModFunctionLeft = 2;
    s.ModFunctionRight = -1;
    s.ModPhaseLeftEdit = "45";
    s.ModPhaseRightEdit = "180";
    return s;
}

TEST(PresetSlot, EveryFieldLiesAtItsOffset) {
    const SlotBytes b = Encoded(DistinctSlot());
    EXPECT_EQ(ShortTextAt(b, 0), "Name");
    EXPECT_EQ(ShortTextAt(b, 256), "101");
    EXPECT_EQ(ShortTextAt(b, 512), "1002");
    EXPECT_EQ(ShortTextAt(b, 768), "103");
    EXPECT_EQ(ShortTextAt(b, 1024), "1004");
    EXPECT_EQ(ShortTextAt(b, 1280), "5.5");
    EXPECT_EQ(ShortTextAt(b, 1536), "-6");
    EXPECT_EQ(ShortTextAt(b, 1792), "-7");
    EXPECT_EQ(IndexAt(b, 2048), 3);
    EXPECT_EQ(IndexAt(b, 2052), 8);
    EXPECT_EQ(b[2056], 1); // Loop
    EXPECT_EQ(b[2057], 0); // Mono
    EXPECT_EQ(b[2058], 0); // Lefttick
    EXPECT_EQ(b[2059], 1); // RightTick
    EXPECT_EQ(ShortTextAt(b, 2060), "90");
    EXPECT_EQ(b[2316], 1); // LogarithmicLeft
    EXPECT_EQ(b[2317], 0); // BidirectionalLeft
    EXPECT_EQ(b[2318], 0); // LogarithmicRight
    EXPECT_EQ(b[2319], 1); // BidirectionalRight
    EXPECT_EQ(b[2320], 0); // chkConstantLeft
    EXPECT_EQ(b[2321], 1); // chkConstantRight
    EXPECT_EQ(b[2322], 1); // ModulationOnLeft
    EXPECT_EQ(b[2323], 0); // ModulationOnRight
    EXPECT_EQ(ShortTextAt(b, 2324), "0.25");
    EXPECT_EQ(ShortTextAt(b, 2580), "2");
    EXPECT_EQ(ShortTextAt(b, 2836), "50");
    EXPECT_EQ(ShortTextAt(b, 3092), "75.5");
    EXPECT_EQ(IndexAt(b, 3348), 2);
    EXPECT_EQ(IndexAt(b, 3352), -1);
    EXPECT_EQ(ShortTextAt(b, 3356), "45");
    EXPECT_EQ(ShortTextAt(b, 3612), "180");
    EXPECT_EQ(3612 + 256, static_cast<int>(PresetSlot::Size));
}

TEST(PresetSlot, IndexesAreLittleEndianTwosComplement) {
    PresetSlot s;
    s.WaveFormLeft = 0x01020304;
    s.ModFunctionRight = -2;
    const SlotBytes b = Encoded(s);
    EXPECT_EQ(b[2048], 0x04);
    EXPECT_EQ(b[2049], 0x03);
    EXPECT_EQ(b[2050], 0x02);
    EXPECT_EQ(b[2051], 0x01);
    EXPECT_EQ(b[3352], 0xFE);
    EXPECT_EQ(b[3353], 0xFF);
    EXPECT_EQ(b[3354], 0xFF);
    EXPECT_EQ(b[3355], 0xFF);
}

TEST(PresetSlot, BytesAfterATextAreZeros) {
    const SlotBytes b = Encoded(DistinctSlot());
    for (std::size_t i = 1 + 4; i < 256; ++i)
        ASSERT_EQ(b[i], 0) << "byte " << i << " of the name";
    for (std::size_t i = 3612 + 1 + 3; i < PresetSlot::Size; ++i)
        ASSERT_EQ(b[i], 0) << "byte " << i << " of ModPhaseRightEdit";
}

TEST(PresetSlot, DecodeGivesBackEveryField) {
    const PresetSlot s = DistinctSlot();
    const SlotBytes b = Encoded(s);
    EXPECT_EQ(PresetSlot::Decode(b), s);
}

TEST(PresetSlot, AnyNonZeroFlagByteIsTrue) {
    SlotBytes b = Encoded(PresetSlot{});
    b[2056] = 2;    // Loop
    b[2057] = 0xFF; // Mono
    b[2323] = 0x80; // ModulationOnRight
    const PresetSlot s = PresetSlot::Decode(b);
    EXPECT_TRUE(s.Loop);
    EXPECT_TRUE(s.Mono);
    EXPECT_TRUE(s.ModulationOnRight);
    EXPECT_FALSE(s.Lefttick);
}

TEST(PresetSlot, ReaderIgnoresBytesAfterTheLength) {
    SlotBytes b = Encoded(PresetSlot{});
    b[0] = 2;
    b[1] = 'O';
    b[2] = 'K';
    b[3] = 'X'; // not significant
    b[255] = 'Y';
    EXPECT_EQ(PresetSlot::Decode(b).Name, "OK");
}

TEST(PresetSlot, LongTextIsCutTo255Characters) {
    PresetSlot s;
    s.Name = std::string(300, 'a');
    s.Duration = std::string(255, 'b');
    const SlotBytes b = Encoded(s);
    EXPECT_EQ(b[0], 255);
    EXPECT_EQ(ShortTextAt(b, 0), std::string(255, 'a'));
    EXPECT_EQ(b[1280], 255);
    EXPECT_EQ(PresetSlot::Decode(b).Name, std::string(255, 'a'));
}

TEST(PresetSlot, NamesAreStoredInWindows1252) {
    PresetSlot s;
    s.Name = "Caf\u00e9 \u20ac5 \u00b0";
    const SlotBytes b = Encoded(s);
    ASSERT_EQ(b[0], 9);
    EXPECT_EQ(b[4], 0xE9); // é
    EXPECT_EQ(b[6], 0x80); // €
    EXPECT_EQ(b[9], 0xB0); // °
    EXPECT_EQ(PresetSlot::Decode(b).Name, s.Name);
}

TEST(PresetSlot, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    PresetSlot s;
    s.Name = "\u65e5\u672c 1\u2009kHz";          // two ideographs and a thin space
    s.PhaseEdit = std::string("9\xFF", 2) + "0"; // a malformed UTF-8 byte
    const PresetSlot back = PresetSlot::Decode(Encoded(s));
    EXPECT_EQ(back.Name, "?? 1?kHz");
    EXPECT_EQ(back.PhaseEdit, "9?0");
}

TEST(AnsiText, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
}

// The whole row 0x80-0x9F against the code page's published table, both ways; the five
// unassigned bytes stay the control characters of the same number.
TEST(AnsiText, HighRowMapsToThePublishedCodePoints) {
    const std::array<char32_t, 32> table{
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    const auto utf8 = [](char32_t c) {
        std::string s;
        if (c < 0x800) {
            s += static_cast<char>(0xC0 | (c >> 6));
        } else {
            s += static_cast<char>(0xE0 | (c >> 12));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        s += static_cast<char>(0x80 | (c & 0x3F));
        return s;
    };
    for (size_t i = 0; i < table.size(); ++i) {
        const std::string byte(1, static_cast<char>(0x80 + i));
        EXPECT_EQ(AnsiToUtf8(byte), utf8(table[i])) << std::hex << 0x80 + i;
        EXPECT_EQ(Utf8ToAnsi(utf8(table[i])), byte) << std::hex << 0x80 + i;
    }
    EXPECT_EQ(AnsiToUtf8("\xe9"), "\u00e9");
    EXPECT_EQ(Utf8ToAnsi("\u0085"), "?"); // a C1 control the code page has a symbol for
}

TEST(AnsiText, MalformedUtf8BecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToAnsi("\xC3"), "?");               // cut short
    EXPECT_EQ(Utf8ToAnsi("\xC0\xA9"), "??");          // overlong form
    EXPECT_EQ(Utf8ToAnsi("\xED\xA0\x80"), "???");     // surrogate
    EXPECT_EQ(Utf8ToAnsi("\xF0\x9F\x8E\xB5x"), "?x"); // valid, but not in the code page
}

TEST(AnsiText, CutTextCountsCharactersNotBytes) {
    std::string e;
    for (int i = 0; i < 300; ++i)
        e += "\u00e9";
    const std::string cut = CutText(e, 255);
    EXPECT_EQ(cut.size(), 510u);
    EXPECT_EQ(CutText("abc", 255), "abc");
    EXPECT_EQ(CutText("a\u20acb", 2), "a\u20ac");
}

} // namespace
} // namespace quavril

namespace quavril {
// A rename keeps up to 255 characters whatever their width in bytes, and never a broken one.
TEST(PresetSlot, SetNameCutsTo255CharactersNotBytes) {
    const std::string e = "\u00e9"; // two bytes
    const struct {
        std::string name;
        std::size_t characters;
        std::size_t bytes;
    } cases[] = {
        {std::string(300, 'a'), 255, 255},
        {[&] {
             std::string s;
             for (int i = 0; i < 200; ++i)
                 s += e;
             return s;
         }(),
         200, 400},
        {[&] {
             std::string s;
             for (int i = 0; i < 300; ++i)
                 s += e;
             return s;
         }(),
         255, 510},
        {std::string(254, 'a') + "\U0001F3B5" + "b", 255, 258},
    };
    for (const auto& c : cases) {
        PresetSlot slot;
        slot.SetName(c.name);
        EXPECT_EQ(slot.Name.size(), c.bytes);
        EXPECT_EQ(slot.Name, c.name.substr(0, c.bytes));
        EXPECT_EQ(CutText(slot.Name, 1000), slot.Name);
        std::array<uint8_t, PresetSlot::Size> bytes{};
        slot.Encode(bytes);
        EXPECT_EQ(bytes[0], c.characters) << "one byte per character in the file";
    }
}
} // namespace quavril
