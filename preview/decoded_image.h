// A picture decoded by one of our own decoders, and the limits every decoder keeps: the
// header of a hostile file may claim any size, so nothing is allocated before the claim is
// checked against them and against the bytes that are there.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::preview {

// The longest side and the most decoded bytes a picture may have.
constexpr std::int64_t kLargestSide = 16384;
constexpr std::int64_t kLargestDecodedBytes = std::int64_t(256) << 20;

struct DecodedImage {
    int width = 0;
    int height = 0;
    // Rows top to bottom, each pixel 0xAARRGGBB, not premultiplied.
    std::vector<std::uint32_t> pixels;
    // What the file holds, for the user: "PCX, 8 bits, 256 colours", "DDS, DXT5".
    std::string format;
    int depth = 0;
    bool alpha = false;
};

// A picture, or why there is none.
struct DecodeResult {
    DecodedImage image;
    std::string error;

    bool ok() const { return error.empty(); }
};

// Why a picture of that size is refused; empty when it may be decoded.
std::string SizeProblem(std::int64_t width, std::int64_t height);

DecodeResult DecodePcx(std::string_view bytes);
DecodeResult DecodeDds(std::string_view bytes);
// Whether the bytes begin as a file of that format does.
bool LooksLikePcx(std::string_view bytes);
bool LooksLikeDds(std::string_view bytes);

} // namespace tessel::preview
