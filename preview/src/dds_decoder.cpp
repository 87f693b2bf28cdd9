// DDS: "DDS ", a 124-byte header whose pixel format names either block compression (DXT1,
// DXT3, DXT5 in 4 × 4 blocks of 8 or 16 bytes) or uncompressed pixels by their bit masks.
// Only the first, largest mipmap level is decoded.
#include "decoded_image.h"
#include "little_endian.h"

#include <array>
#include <bit>

namespace tessel::preview {

namespace {

constexpr std::size_t kDataStart = 128;
constexpr std::uint32_t kHasAlpha = 0x1;
constexpr std::uint32_t kFourCc = 0x4;
constexpr std::uint32_t kRgb = 0x40;
constexpr std::uint32_t kLuminance = 0x20000;

std::uint32_t FourCc(const char (&name)[5]) {
    return std::uint32_t(std::uint8_t(name[0])) | std::uint32_t(std::uint8_t(name[1])) << 8 |
           std::uint32_t(std::uint8_t(name[2])) << 16 | std::uint32_t(std::uint8_t(name[3])) << 24;
}

std::array<std::uint32_t, 3> Rgb565(std::uint32_t colour) {
    const std::uint32_t r = (colour >> 11) & 0x1F, g = (colour >> 5) & 0x3F, b = colour & 0x1F;
    return {(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

// The four colours of a colour block; with threeColours, the fourth is transparent.
std::array<std::uint32_t, 4> BlockColours(std::string_view block, bool threeColours) {
    const std::uint32_t c0 = Le16(block, 0), c1 = Le16(block, 2);
    const auto a = Rgb565(c0), b = Rgb565(c1);
    auto pack = [](std::uint32_t r, std::uint32_t g, std::uint32_t bl) {
        return 0xFF000000u | r << 16 | g << 8 | bl;
    };
    std::array<std::uint32_t, 4> colours{pack(a[0], a[1], a[2]), pack(b[0], b[1], b[2]), 0, 0};
    if (c0 > c1 || !threeColours) {
        colours[2] = pack((2 * a[0] + b[0]) / 3, (2 * a[1] + b[1]) / 3, (2 * a[2] + b[2]) / 3);
        colours[3] = pack((a[0] + 2 * b[0]) / 3, (a[1] + 2 * b[1]) / 3, (a[2] + 2 * b[2]) / 3);
    } else {
        colours[2] = pack((a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2);
        colours[3] = 0;
    }
    return colours;
}

// The sixteen alpha values of a DXT5 alpha block.
std::array<std::uint8_t, 16> InterpolatedAlpha(std::string_view block) {
    const std::uint32_t a0 = Byte(block, 0), a1 = Byte(block, 1);
    std::array<std::uint32_t, 8> levels{a0, a1};
    for (std::uint32_t i = 1; i < (a0 > a1 ? 7u : 5u); ++i)
        levels[i + 1] = a0 > a1 ? ((7 - i) * a0 + i * a1) / 7 : ((5 - i) * a0 + i * a1) / 5;
    if (a0 <= a1) {
        levels[6] = 0;
        levels[7] = 255;
    }
    const std::uint64_t bits = Le64(block, 0) >> 16;
    std::array<std::uint8_t, 16> alpha{};
    for (std::size_t i = 0; i < 16; ++i)
        alpha[i] = std::uint8_t(levels[(bits >> (3 * i)) & 7]);
    return alpha;
}

void DecodeBlocks(std::string_view data, std::uint32_t kind, DecodedImage& image) {
    const std::size_t blockBytes = kind == FourCc("DXT1") ? 8 : 16;
    const std::size_t across = (std::size_t(image.width) + 3) / 4;
    for (std::size_t by = 0; by * 4 < std::size_t(image.height); ++by) {
        for (std::size_t bx = 0; bx < across; ++bx) {
            const std::string_view block = data.substr((by * across + bx) * blockBytes, blockBytes);
            const std::string_view colourBlock = blockBytes == 8 ? block : block.substr(8);
            const auto colours = BlockColours(colourBlock, blockBytes == 8);
            std::array<std::uint8_t, 16> alpha{};
            alpha.fill(255);
            if (kind == FourCc("DXT3"))
                for (std::size_t i = 0; i < 16; ++i)
                    alpha[i] = std::uint8_t(((Le64(block, 0) >> (4 * i)) & 0xF) * 17);
            else if (kind == FourCc("DXT5"))
                alpha = InterpolatedAlpha(block);
            const std::uint32_t indices = Le32(colourBlock, 4);
            for (std::size_t i = 0; i < 16; ++i) {
                const std::size_t x = bx * 4 + i % 4, y = by * 4 + i / 4;
                if (x >= std::size_t(image.width) || y >= std::size_t(image.height))
                    continue;
                std::uint32_t pixel = colours[(indices >> (2 * i)) & 3];
                if (blockBytes == 16)
                    pixel = (pixel & 0x00FFFFFFu) | std::uint32_t(alpha[i]) << 24;
                image.pixels[y * std::size_t(image.width) + x] = pixel;
            }
        }
    }
}

// One channel of an uncompressed pixel, scaled to eight bits; a channel without a mask
// reads as fill.
std::uint32_t Channel(std::uint32_t pixel, std::uint32_t mask, std::uint32_t fill) {
    if (mask == 0)
        return fill;
    const int shift = std::countr_zero(mask);
    const std::uint64_t top = mask >> shift;
    return std::uint32_t(std::uint64_t((pixel & mask) >> shift) * 255 / top);
}

} // namespace

bool LooksLikeDds(std::string_view bytes) {
    return bytes.size() >= kDataStart && bytes.substr(0, 4) == "DDS " && Le32(bytes, 4) == 124;
}

DecodeResult DecodeDds(std::string_view bytes) {
    DecodeResult result;
    if (!LooksLikeDds(bytes)) {
        result.error = "This is not a DDS texture";
        return result;
    }
    const std::int64_t height = Le32(bytes, 12), width = Le32(bytes, 16);
    const std::uint32_t flags = Le32(bytes, 80), kind = Le32(bytes, 84), bits = Le32(bytes, 88);
    const std::uint32_t masks[4] = {Le32(bytes, 92), Le32(bytes, 96), Le32(bytes, 100), Le32(bytes, 104)};
    if (std::string problem = SizeProblem(width, height); !problem.empty()) {
        result.error = problem;
        return result;
    }
    DecodedImage& image = result.image;
    std::size_t need = 0;
    if (flags & kFourCc) {
        if (kind != FourCc("DXT1") && kind != FourCc("DXT3") && kind != FourCc("DXT5")) {
            const std::string name(bytes.substr(84, 4));
            result.error =
                "DDS textures compressed as \"" + name + "\" are not shown (DXT1, DXT3 and DXT5 are)";
            return result;
        }
        need =
            std::size_t((width + 3) / 4) * std::size_t((height + 3) / 4) * (kind == FourCc("DXT1") ? 8 : 16);
        image.format = "DDS, " + std::string(bytes.substr(84, 4));
        image.depth = kind == FourCc("DXT1") ? 4 : 8;
        image.alpha = kind != FourCc("DXT1");
    } else if ((flags & (kRgb | kLuminance)) && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) {
        need = std::size_t(width) * std::size_t(height) * (bits / 8);
        image.format = "DDS, uncompressed";
        image.depth = int(bits);
        image.alpha = (flags & kHasAlpha) && masks[3] != 0;
    } else {
        result.error = "This DDS texture's pixel format is not one that is shown";
        return result;
    }
    if (bytes.size() - kDataStart < need) {
        result.error = "The DDS texture ends before its pixels: " + std::to_string(need) +
                       " bytes are needed, " + std::to_string(bytes.size() - kDataStart) +
                       " follow the header";
        return result;
    }
    image.width = int(width);
    image.height = int(height);
    image.pixels.resize(std::size_t(width) * std::size_t(height));
    const std::string_view data = bytes.substr(kDataStart, need);
    if (flags & kFourCc) {
        DecodeBlocks(data, kind, image);
        return result;
    }
    const std::size_t step = bits / 8;
    const bool luminance = (flags & kLuminance) != 0;
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        std::uint32_t pixel = 0;
        for (std::size_t k = 0; k < step; ++k)
            pixel |= std::uint32_t(Byte(data, i * step + k)) << (8 * k);
        const std::uint32_t r = Channel(pixel, masks[0], 0);
        const std::uint32_t g = luminance ? r : Channel(pixel, masks[1], 0);
        const std::uint32_t b = luminance ? r : Channel(pixel, masks[2], 0);
        const std::uint32_t a = image.alpha ? Channel(pixel, masks[3], 255) : 255;
        image.pixels[i] = a << 24 | r << 16 | g << 8 | b;
    }
    return result;
}

} // namespace tessel::preview
