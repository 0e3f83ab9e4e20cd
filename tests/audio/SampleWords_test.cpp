// Sample words in the device's format: 24-bit samples widened into 32-bit words, and the
// fade-out of a soft stop, against values worked out by hand (raised cosine over 4 frames:
// gains 0.8536, 0.5, 0.1464, 0).
#include "audio/SampleWords.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

using namespace quavril;

namespace {

std::vector<uint8_t> Bytes(const std::string& hex) {
    std::vector<uint8_t> b;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        if (hex[i] == ' ')
            --i; // skip one blank
        else
            b.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return b;
}

WaveFormat Format(uint16_t tag, uint16_t bits, uint16_t valid, uint16_t channels) {
    WaveFormat f;
    f.FormatTag = tag;
    f.BitsPerSample = bits;
    f.ValidBitsPerSample = valid;
    f.Channels = channels;
    f.BlockAlign = static_cast<uint16_t>(bits / 8 * channels);
    return f;
}

struct FadeCase {
    const char* name;
    WaveFormat format;
    const char* in; // four frames
    const char* out;
};

const FadeCase fadeCases[] = {
    // 1000 and -20000: 854, 500, 146, 0 and -17071, -10000, -2929, 0.
    {"s16Stereo", Format(WaveFormat::Pcm, 16, 0, 2), "e803 e0b1 e803 e0b1 e803 e0b1 e803 e0b1",
     "5603 51bd f401 f0d8 9200 8ff4 0000 0000"},
    // 0x123456: 1018328, 596523, 174718, 0.
    {"s24Mono", Format(WaveFormat::Pcm, 24, 0, 1), "563412 563412 563412 563412",
     "d8890f 2b1a09 7eaa02 000000"},
    // The same samples in 32-bit words: the lowest byte stays 0.
    {"s24In32Mono", Format(WaveFormat::Pcm, 32, 24, 1), "00563412 00563412 00563412 00563412",
     "00d8890f 002b1a09 007eaa02 00000000"},
    // 0.5 and -1.0.
    {"f32Stereo", Format(WaveFormat::IeeeFloat, 32, 0, 2),
     "0000003f 000080bf 0000003f 000080bf 0000003f 000080bf 0000003f 000080bf",
     "7a82da3e 7a825abf 0000803e 000000bf 1af6953d 1af615be 00000000 00000080"},
    // Unsigned 8-bit around 128: 200 becomes 189, 164, 139, 128.
    {"u8Mono", Format(WaveFormat::Pcm, 8, 0, 1), "c8 c8 c8 c8", "bd a4 8b 80"},
};

void PrintTo(const FadeCase& c, std::ostream* os) {
    *os << c.name;
}

class FadeOutWords : public ::testing::TestWithParam<FadeCase> {};

} // namespace

TEST_P(FadeOutWords, followTheRaisedCosineDownToSilence) {
    const FadeCase& c = GetParam();
    std::vector<uint8_t> data = Bytes(c.in);
    ASSERT_EQ(data.size(), 4u * c.format.BlockAlign);
    FadeOut(data.data(), 4, c.format);
    EXPECT_EQ(data, Bytes(c.out));
}

INSTANTIATE_TEST_SUITE_P(Formats, FadeOutWords, ::testing::ValuesIn(fadeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WidenPacked24, movesEverySampleIntoTheUpperBytesOfItsWord) {
    // -1, 0x123456, the most negative sample; then room for the widened words.
    std::vector<uint8_t> data = Bytes("ffffff 563412 000080");
    ASSERT_EQ(WidenedBytes(static_cast<int64_t>(data.size())), 12);
    data.resize(12, 0xAA);
    WidenPacked24(data.data(), 9);
    EXPECT_EQ(data, Bytes("00ffffff 00563412 00000080"));
}
