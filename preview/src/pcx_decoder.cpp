// PCX: a 128-byte header, run-length coded scan lines of one to four colour planes, and for
// 256 colours a palette after the pixels. Each scan line holds bytesPerLine bytes per plane.
#include "decoded_image.h"
#include "little_endian.h"

namespace tessel::preview {

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kTailPalette = 769; // the marker 0x0C, then 256 RGB triples

std::uint32_t Rgb(std::string_view bytes, std::size_t at) {
    return 0xFF000000u | std::uint32_t(Byte(bytes, at)) << 16 | std::uint32_t(Byte(bytes, at + 1)) << 8 |
           Byte(bytes, at + 2);
}

// Unpacks the run-length coded planes of every line into one buffer; false when the bytes
// end first.
bool Unpack(std::string_view bytes, std::size_t end, std::size_t want, std::vector<std::uint8_t>& out) {
    // Grown as runs come, never reserved from the header's word: a lying header costs
    // only what its bytes really unpack to.
    out.clear();
    std::size_t at = kHeaderSize;
    while (out.size() < want) {
        if (at >= end)
            return false;
        std::uint8_t value = Byte(bytes, at++);
        std::size_t count = 1;
        if ((value & 0xC0) == 0xC0) {
            if (at >= end)
                return false;
            count = value & 0x3F;
            value = Byte(bytes, at++);
        }
        // A run may carry on into the next line; it never grows the buffer past what the
        // picture needs.
        for (; count > 0 && out.size() < want; --count)
            out.push_back(value);
    }
    return true;
}

} // namespace

bool LooksLikePcx(std::string_view bytes) {
    return bytes.size() >= kHeaderSize && Byte(bytes, 0) == 0x0A && Byte(bytes, 1) <= 5 &&
           Byte(bytes, 2) == 1 &&
           (Byte(bytes, 3) == 1 || Byte(bytes, 3) == 2 || Byte(bytes, 3) == 4 || Byte(bytes, 3) == 8);
}

DecodeResult DecodePcx(std::string_view bytes) {
    DecodeResult result;
    if (!LooksLikePcx(bytes)) {
        result.error = "This is not a PCX picture";
        return result;
    }
    const int bits = Byte(bytes, 3);
    const int planes = Byte(bytes, 65);
    const std::int64_t width = std::int64_t(Le16(bytes, 8)) - Le16(bytes, 4) + 1;
    const std::int64_t height = std::int64_t(Le16(bytes, 10)) - Le16(bytes, 6) + 1;
    const std::size_t lineBytes = Le16(bytes, 66);
    const int depth = bits * planes;
    const bool known = (planes == 1 && (bits == 1 || bits == 4 || bits == 8)) || (bits == 1 && planes == 4) ||
                       (bits == 8 && (planes == 3 || planes == 4));
    if (!known) {
        result.error = "PCX pictures of " + std::to_string(planes) + " planes of " + std::to_string(bits) +
                       " bits are not shown";
        return result;
    }
    if (std::string problem = SizeProblem(width, height); !problem.empty()) {
        result.error = problem;
        return result;
    }
    if (std::int64_t(lineBytes) * 8 < width * bits) {
        result.error = "The PCX header gives " + std::to_string(lineBytes) + " bytes a line for " +
                       std::to_string(width) + " pixels of " + std::to_string(bits) + " bits";
        return result;
    }
    const bool tailPalette = depth == 8;
    if (tailPalette &&
        (bytes.size() < kHeaderSize + kTailPalette || Byte(bytes, bytes.size() - kTailPalette) != 0x0C)) {
        result.error = "The PCX picture of 256 colours lacks its palette at the end";
        return result;
    }
    const std::size_t dataEnd = tailPalette ? bytes.size() - kTailPalette : bytes.size();
    const std::size_t stride = lineBytes * std::size_t(planes);
    std::vector<std::uint8_t> lines;
    if (!Unpack(bytes, dataEnd, stride * std::size_t(height), lines)) {
        result.error = "The PCX picture ends before its last line";
        return result;
    }
    DecodedImage& image = result.image;
    image.width = int(width);
    image.height = int(height);
    image.depth = depth;
    image.alpha = depth == 32;
    image.format = "PCX, " + std::to_string(depth) + (depth == 1 ? " bit" : " bits");
    image.pixels.resize(std::size_t(width) * std::size_t(height));
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* line = lines.data() + std::size_t(y) * stride;
        std::uint32_t* out = image.pixels.data() + std::size_t(y) * std::size_t(width);
        for (std::int64_t x = 0; x < width; ++x) {
            const std::size_t bit = std::size_t(x);
            if (depth >= 24) {
                std::uint32_t pixel =
                    depth == 32 ? std::uint32_t(line[3 * lineBytes + bit]) << 24 : 0xFF000000u;
                pixel |= std::uint32_t(line[bit]) << 16 | std::uint32_t(line[lineBytes + bit]) << 8 |
                         line[2 * lineBytes + bit];
                out[x] = pixel;
            } else if (depth == 8) {
                out[x] = Rgb(bytes, bytes.size() - 768 + 3 * std::size_t(line[bit]));
            } else if (depth == 1) {
                out[x] = (line[bit / 8] >> (7 - bit % 8)) & 1 ? 0xFFFFFFFFu : 0xFF000000u;
            } else {
                // Sixteen colours from the header's palette: one plane of four bits, or
                // four planes of one bit each.
                int index = 0;
                if (planes == 1)
                    index = (line[bit / 2] >> (bit % 2 ? 0 : 4)) & 0x0F;
                else
                    for (int plane = 0; plane < 4; ++plane)
                        index |= ((line[std::size_t(plane) * lineBytes + bit / 8] >> (7 - bit % 8)) & 1)
                                 << plane;
                out[x] = Rgb(bytes, 16 + 3 * std::size_t(index));
            }
        }
    }
    return result;
}

} // namespace tessel::preview
