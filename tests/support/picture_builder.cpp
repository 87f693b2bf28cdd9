#include "picture_builder.h"

#include <vector>

namespace tessel::testing {

namespace {

void Put16(std::string& out, std::size_t at, std::uint32_t value) {
    out[at] = char(value & 0xFF);
    out[at + 1] = char((value >> 8) & 0xFF);
}
void Put32(std::string& out, std::size_t at, std::uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}
std::string Le32(std::uint32_t value) {
    std::string out(4, '\0');
    Put32(out, 0, value);
    return out;
}

// Runs of one byte value, at most 63 long; a lone byte below 0xC0 goes as itself.
void AppendRuns(std::string& out, const std::vector<std::uint8_t>& line) {
    for (std::size_t i = 0; i < line.size();) {
        std::size_t run = 1;
        while (i + run < line.size() && line[i + run] == line[i] && run < 63)
            ++run;
        if (run > 1 || line[i] >= 0xC0)
            out.push_back(char(0xC0 | run));
        out.push_back(char(line[i]));
        i += run;
    }
}

} // namespace

std::string PcxFile(int bitsPerPlane, int planes, int width, int height,
                    const std::function<int(int, int, int)>& value) {
    std::string out(128, '\0');
    out[0] = 0x0A;
    out[1] = 5;
    out[2] = 1;
    out[3] = char(bitsPerPlane);
    Put16(out, 8, std::uint32_t(width - 1));
    Put16(out, 10, std::uint32_t(height - 1));
    for (int i = 0; i < 16; ++i) // the 16-colour palette: colour i is (16 i, 0, 255 - 16 i)
        out[std::size_t(16 + 3 * i)] = char(16 * i), out[std::size_t(18 + 3 * i)] = char(255 - 16 * i);
    out[65] = char(planes);
    int lineBytes = (width * bitsPerPlane + 7) / 8;
    lineBytes += lineBytes % 2; // lines hold an even number of bytes
    Put16(out, 66, std::uint32_t(lineBytes));
    for (int y = 0; y < height; ++y) {
        std::vector<std::uint8_t> line;
        for (int plane = 0; plane < planes; ++plane) {
            std::vector<std::uint8_t> bytes(std::size_t(lineBytes), 0);
            for (int x = 0; x < width; ++x) {
                const int bit = x * bitsPerPlane;
                bytes[std::size_t(bit / 8)] |=
                    std::uint8_t(value(x, y, plane) << (8 - bitsPerPlane - bit % 8));
            }
            line.insert(line.end(), bytes.begin(), bytes.end());
        }
        AppendRuns(out, line);
    }
    if (bitsPerPlane * planes == 8) {
        out.push_back(0x0C);
        for (int i = 0; i < 256; ++i)
            out.append(3, char(i));
    }
    return out;
}

std::string DdsFile(const std::string& fourCc, int width, int height, const std::string& pixels, int bits,
                    std::uint32_t red, std::uint32_t green, std::uint32_t blue, std::uint32_t alpha) {
    std::string out = "DDS " + std::string(124, '\0');
    Put32(out, 4, 124);
    Put32(out, 8, 0x1007); // caps, height, width, pixel format
    Put32(out, 12, std::uint32_t(height));
    Put32(out, 16, std::uint32_t(width));
    Put32(out, 76, 32);
    if (!fourCc.empty()) {
        Put32(out, 80, 0x4);
        out.replace(84, 4, fourCc);
    } else {
        Put32(out, 80, 0x40 | (alpha ? 0x1 : 0));
        Put32(out, 88, std::uint32_t(bits));
        Put32(out, 92, red);
        Put32(out, 96, green);
        Put32(out, 100, blue);
        Put32(out, 104, alpha);
    }
    Put32(out, 108, 0x1000);
    return out + pixels;
}

std::string ColourBlock(std::uint16_t c0, std::uint16_t c1, std::uint32_t indices) {
    std::string out(8, '\0');
    Put16(out, 0, c0);
    Put16(out, 2, c1);
    Put32(out, 4, indices);
    return out;
}

std::string WavFile(int channels, int rate, int bits, int dataBytes) {
    const int block = channels * bits / 8;
    std::string out = "RIFF" + Le32(std::uint32_t(36 + dataBytes)) + "WAVE" + "fmt " + Le32(16);
    std::string format(16, '\0');
    Put16(format, 0, 1);
    Put16(format, 2, std::uint32_t(channels));
    Put32(format, 4, std::uint32_t(rate));
    Put32(format, 8, std::uint32_t(rate * block));
    Put16(format, 12, std::uint32_t(block));
    Put16(format, 14, std::uint32_t(bits));
    return out + format + "data" + Le32(std::uint32_t(dataBytes)) + std::string(std::size_t(dataBytes), '\0');
}

std::string OggVorbisFile(int channels, int rate, std::int64_t samples) {
    auto page = [](std::int64_t granule, const std::string& packet) {
        std::string out = "OggS" + std::string(23, '\0');
        Put32(out, 6, std::uint32_t(granule));
        Put32(out, 10, std::uint32_t(granule >> 32));
        Put32(out, 14, 0x5EED); // the stream's serial number
        out[26] = 1;
        return out + char(packet.size()) + packet;
    };
    std::string identification = "\x01vorbis" + Le32(0) + char(channels) + Le32(std::uint32_t(rate)) +
                                 std::string(12, '\0') + "\xB8\x01";
    return page(0, identification) + std::string(1000, 'x') + page(samples, "end");
}

} // namespace tessel::testing
