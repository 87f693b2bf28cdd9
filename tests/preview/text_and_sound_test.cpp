// Whether bytes are text and in which encoding, the way back to the same bytes, and the
// facts of sounds read from their headers.
#include "param_name.h"
#include "picture_builder.h"
#include "sound_info.h"
#include "text_kind.h"

#include <gtest/gtest.h>

namespace {

using tessel::preview::TextEncoding;

struct TextRow {
    std::string name;
    std::string bytes;
    bool cutShort;
    std::optional<TextEncoding> expected;
};

class TextKinds : public ::testing::TestWithParam<TextRow> {};

TEST_P(TextKinds, AreTold) {
    EXPECT_EQ(tessel::preview::TextEncodingOf(GetParam().bytes, GetParam().cutShort), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, TextKinds,
    ::testing::Values(TextRow{"Ascii", "name = value\r\n\tmore\n", false, TextEncoding::Utf8},
                      TextRow{"Utf8", "caf\xC3\xA9 \xE2\x82\xAC", false, TextEncoding::Utf8},
                      TextRow{"Windows1252", "caf\xE9 \x80 \x9F", false, TextEncoding::Windows1252},
                      TextRow{"UndefinedByte", "caf\xE9 \x81", false, std::nullopt},
                      TextRow{"NulByte", std::string("a\0b", 3), false, std::nullopt},
                      TextRow{"ControlByte", "a\x01", false, std::nullopt},
                      // Cut inside a character: whole, the same bytes read as Windows-1252.
                      TextRow{"Utf8CutShort", "caf\xC3\xA9 \xE2\x82", true, TextEncoding::Utf8},
                      TextRow{"Utf8CutButWhole", "caf\xE2\x82", false, TextEncoding::Windows1252}),
    tessel::testing::RowName<TextRow>);

TEST(TextEncodings, EveryByteThatShowsComesBackAsItWas) {
    for (int value = 0; value < 256; ++value) {
        const std::string byte(1, char(value));
        if (!tessel::preview::TextEncodingOf(byte, false))
            continue;
        std::string back;
        ASSERT_TRUE(tessel::preview::EncodeText(tessel::preview::DecodeText(byte, TextEncoding::Windows1252),
                                                TextEncoding::Windows1252, back));
        EXPECT_EQ(back, byte) << "byte " << value;
    }
}

TEST(TextEncodings, ACharacterWithoutAByteIsRefused) {
    std::string bytes;
    EXPECT_FALSE(tessel::preview::EncodeText("a \xE2\x86\x92 b", TextEncoding::Windows1252, bytes));
    EXPECT_TRUE(tessel::preview::EncodeText("a \xE2\x86\x92 b", TextEncoding::Utf8, bytes));
}

struct SoundRow {
    std::string name;
    std::string bytes;
    std::string format;
    int channels;
    std::int64_t rate;
    double seconds;
};

class Sounds : public ::testing::TestWithParam<SoundRow> {};

TEST_P(Sounds, TellTheirFacts) {
    const SoundRow& row = GetParam();
    const auto tail = row.bytes.substr(row.bytes.size() > 100 ? row.bytes.size() - 100 : 0);
    const tessel::preview::SoundResult result =
        tessel::preview::ReadSoundInfo(row.bytes, tail, std::int64_t(row.bytes.size()));
    if (row.format.empty()) {
        EXPECT_FALSE(result.ok());
        return;
    }
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.info.format, row.format);
    EXPECT_EQ(result.info.channels, row.channels);
    EXPECT_EQ(result.info.rate, row.rate);
    EXPECT_DOUBLE_EQ(result.info.seconds, row.seconds);
}

const std::string kWave = tessel::testing::WavFile(2, 8000, 16, 16000);

INSTANTIATE_TEST_SUITE_P(
    Headers, Sounds,
    ::testing::Values(
        SoundRow{"Wave", kWave, "WAV, PCM", 2, 8000, 0.5},
        // A data chunk cut short counts what is there.
        SoundRow{"WaveCutShort", kWave.substr(0, 44 + 8000), "WAV, PCM", 2, 8000, 0.25},
        SoundRow{"OggVorbis", tessel::testing::OggVorbisFile(1, 22050, 44100), "Ogg Vorbis", 1, 22050, 2.0},
        SoundRow{"OggWithoutVorbis", "OggS" + std::string(200, '\0'), "", 0, 0, 0},
        SoundRow{"WaveWithoutFormat", std::string("RIFF\x04\0\0\0WAVEdata\0\0\0\0", 20), "", 0, 0, 0}),
    tessel::testing::RowName<SoundRow>);

} // namespace
