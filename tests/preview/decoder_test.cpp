// Our own picture decoders: every depth and kind they take, pixel for pixel, against
// pictures made by an encoder of the tests' own; and hostile headers refused with a reason.
#include "decoded_image.h"
#include "param_name.h"
#include "picture_builder.h"

#include <gtest/gtest.h>

namespace {

using tessel::preview::DecodeDds;
using tessel::preview::DecodePcx;
using tessel::preview::DecodeResult;
using tessel::testing::ColourBlock;
using tessel::testing::DdsFile;
using tessel::testing::PcxFile;

std::uint32_t Argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}
// Colour i of the builder's 16-colour palette.
std::uint32_t Palette16(int i) {
    return Argb(255, std::uint32_t(16 * i), 0, std::uint32_t(255 - 16 * i));
}

struct PictureRow {
    std::string name;
    std::string bytes;
    bool dds;
    int width, height;
    std::function<std::uint32_t(int x, int y)> expected;
};

class Pictures : public ::testing::TestWithParam<PictureRow> {};

TEST_P(Pictures, DecodeEveryPixel) {
    const PictureRow& row = GetParam();
    const DecodeResult result = row.dds ? DecodeDds(row.bytes) : DecodePcx(row.bytes);
    ASSERT_TRUE(result.ok()) << result.error;
    ASSERT_EQ(result.image.width, row.width);
    ASSERT_EQ(result.image.height, row.height);
    for (int y = 0; y < row.height; ++y)
        for (int x = 0; x < row.width; ++x)
            ASSERT_EQ(result.image.pixels[std::size_t(y * row.width + x)], row.expected(x, y))
                << "pixel " << x << "," << y;
}

int kIndex16(int x, int y) {
    return (x * 3 + y) % 16;
}

// Two DXT1 blocks side by side: red and blue, and the two colours between them.
const std::string kRedBlue = ColourBlock(0xF800, 0x001F, 0xE4E4E4E4);
std::uint32_t RedBlue(int i) {
    const std::uint32_t colours[4] = {Argb(255, 255, 0, 0), Argb(255, 0, 0, 255), Argb(255, 170, 0, 85),
                                      Argb(255, 85, 0, 170)};
    return colours[i % 4];
}

INSTANTIATE_TEST_SUITE_P(
    OurDecoders, Pictures,
    ::testing::
        Values(
            PictureRow{"Pcx1Bit", PcxFile(1, 1, 13, 3, [](int x, int y, int) { return (x + y) % 2; }), false,
                       13, 3, [](int x, int y) { return (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u; }},
            PictureRow{"Pcx4BitsOnePlane",
                       PcxFile(4, 1, 7, 4, [](int x, int y, int) { return kIndex16(x, y); }), false, 7, 4,
                       [](int x, int y) { return Palette16(kIndex16(x, y)); }},
            PictureRow{
                "Pcx4BitsInFourPlanes",
                PcxFile(1, 4, 9, 3, [](int x, int y, int plane) { return (kIndex16(x, y) >> plane) & 1; }),
                false, 9, 3, [](int x, int y) { return Palette16(kIndex16(x, y)); }},
            PictureRow{
                "Pcx8Bits",
                PcxFile(8, 1, 70, 3, [](int x, int y, int) { return x < 66 ? 200 : (x * 7 + y) % 256; }),
                false, 70, 3,
                [](int x, int y) {
                    const std::uint32_t grey = x < 66 ? 200 : std::uint32_t((x * 7 + y) % 256);
                    return Argb(255, grey, grey, grey);
                }},
            PictureRow{
                "Pcx24Bits",
                PcxFile(8, 3, 5, 2, [](int x, int y, int plane) { return (x * 10 + plane * 50 + y) % 256; }),
                false, 5,
                2,
                [](int x, int y) {
                    return Argb(255, std::uint32_t(x * 10 + y), std::uint32_t(x * 10 + 50 + y),
                                std::uint32_t(x * 10 + 100 + y));
                }},
            PictureRow{"Dxt1FourColours", DdsFile("DXT1", 8, 4, kRedBlue + kRedBlue), true, 8, 4,
                       [](int x, int) { return RedBlue(x % 4); }},
            // A picture not a multiple of four wide takes whole blocks and shows their left part.
            PictureRow{"Dxt1CutBlocks", DdsFile("DXT1", 5, 3, kRedBlue + kRedBlue), true, 5, 3,
                       [](int x, int) { return RedBlue(x % 4); }},
            PictureRow{"Dxt1ThreeColoursAndTransparent",
                       DdsFile("DXT1", 4, 4, ColourBlock(0x001F, 0xF800, 0xE4E4E4E4)), true, 4, 4,
                       [](int x, int) {
                           const std::uint32_t colours[4] = {Argb(255, 0, 0, 255), Argb(255, 255, 0, 0),
                                                             Argb(255, 127, 0, 127), 0};
                           return colours[x];
                       }},
            PictureRow{
                "Dxt3ExplicitAlpha",
                DdsFile("DXT3", 4, 4, std::string("\x10\x32\x54\x76\x98\xBA\xDC\xFE", 8) + kRedBlue), true, 4,
                4,
                [](int x, int y) { return (RedBlue(x) & 0xFFFFFF) | std::uint32_t((y * 4 + x) * 17) << 24; }},
            // Alpha 255 and 0 with the levels between: index 2 is six sevenths of the first.
            PictureRow{"Dxt5InterpolatedAlpha",
                       DdsFile("DXT5", 4, 4, std::string("\xFF\x00\x92\x24\x49\x92\x24\x49", 8) + kRedBlue),
                       true, 4, 4, [](int x, int) { return (RedBlue(x) & 0xFFFFFF) | 218u << 24; }},
            PictureRow{"Uncompressed32Bits",
                       DdsFile("", 2, 1, std::string("\x01\x02\x03\x80\x10\x20\x30\xFF", 8), 32, 0xFF0000,
                               0xFF00, 0xFF, 0xFF000000),
                       true, 2, 1,
                       [](int x, int) { return x ? Argb(255, 0x30, 0x20, 0x10) : Argb(0x80, 3, 2, 1); }},
            PictureRow{"Uncompressed565",
                       DdsFile("", 2, 1, std::string("\x00\xF8\x1F\x00", 4), 16, 0xF800, 0x07E0, 0x1F), true,
                       2, 1, [](int x, int) { return x ? Argb(255, 0, 0, 255) : Argb(255, 255, 0, 0); }}),
    tessel::testing::RowName<PictureRow>);

struct HostileRow {
    std::string name;
    std::string bytes;
    bool dds;
    std::string reason;
};

class HostilePictures : public ::testing::TestWithParam<HostileRow> {};

TEST_P(HostilePictures, AreRefusedWithTheirReason) {
    const HostileRow& row = GetParam();
    const DecodeResult result = row.dds ? DecodeDds(row.bytes) : DecodePcx(row.bytes);
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error.find(row.reason), std::string::npos) << result.error;
    EXPECT_TRUE(result.image.pixels.empty());
}

// A picture's header with its size claimed anew.
std::string PcxClaiming(int width, int height) {
    std::string bytes = PcxFile(8, 1, 2, 2, [](int, int, int) { return 1; });
    bytes[8] = char((width - 1) & 0xFF), bytes[9] = char((width - 1) >> 8);
    bytes[10] = char((height - 1) & 0xFF), bytes[11] = char((height - 1) >> 8);
    bytes[66] = char(width & 0xFF), bytes[67] = char(width >> 8);
    return bytes;
}

const std::string kPcx = PcxFile(8, 1, 40, 40, [](int x, int y, int) { return x ^ y; });

INSTANTIATE_TEST_SUITE_P(
    OurDecoders, HostilePictures,
    ::testing::Values(
        HostileRow{"PcxCutShort", kPcx.substr(0, 300) + kPcx.substr(kPcx.size() - 769), false, "ends before"},
        HostileRow{"PcxWithoutItsPalette", kPcx.substr(0, kPcx.size() - 769), false, "lacks its palette"},
        HostileRow{"PcxTooWide", PcxClaiming(20000, 2), false, "wider or taller than 16384"},
        HostileRow{"PcxBomb", PcxClaiming(16384, 16384), false, "more than 256 MiB"},
        HostileRow{"PcxShortLines",
                   PcxFile(8, 1, 40, 2, [](int, int, int) { return 0; }).replace(66, 2, "\x04\x00", 2), false,
                   "bytes a line"},
        HostileRow{"PcxOfTwoPlanes", PcxFile(2, 2, 4, 4, [](int, int, int) { return 0; }), false,
                   "are not shown"},
        HostileRow{"DdsCutShort", DdsFile("DXT5", 64, 64, std::string(100, '\0')), true,
                   "ends before its pixels"},
        HostileRow{"DdsTooTall", DdsFile("DXT1", 4, 70000, std::string(8, '\0')), true, "wider or taller"},
        HostileRow{"DdsOfNoSize", DdsFile("DXT1", 0, 4, std::string(8, '\0')), true, "claims a size"},
        HostileRow{"DdsOtherCompression", DdsFile("ATI2", 4, 4, std::string(16, '\0')), true,
                   "are not shown"},
        HostileRow{"NoPcx", "GIF89a" + std::string(200, '\0'), false, "not a PCX"}),
    tessel::testing::RowName<HostileRow>);

} // namespace
