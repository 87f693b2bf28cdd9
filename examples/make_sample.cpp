// Writes examples/sample.vp: a small package with nested folders, an empty folder, text,
// a picture and a sound of our own, made with the same builder the tests use.
#include "package_builder.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

std::string Le(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

// A 32 × 32 picture of coloured tiles, as an uncompressed 24-bit BMP.
std::string TilesBmp() {
    const int side = 32;
    const int rowBytes = side * 3;
    std::string pixels;
    for (int y = side - 1; y >= 0; --y) {
        for (int x = 0; x < side; ++x) {
            const bool light = ((x / 8) + (y / 8)) % 2 == 0;
            pixels += light ? std::string{char(0xE0), char(0xB0), char(0x40)}
                            : std::string{char(0x40), char(0x60), char(0xA0)};
        }
    }
    const std::uint32_t dataOffset = 14 + 40;
    std::string bmp = "BM" + Le(dataOffset + std::uint32_t(pixels.size()), 4) + Le(0, 4) + Le(dataOffset, 4);
    bmp += Le(40, 4) + Le(side, 4) + Le(side, 4) + Le(1, 2) + Le(24, 2) + Le(0, 4) +
           Le(std::uint32_t(rowBytes * side), 4) + Le(2835, 4) + Le(2835, 4) + Le(0, 4) + Le(0, 4);
    return bmp + pixels;
}

// Half a second of a 440 Hz tone, 8-bit mono PCM at 8 kHz, as a WAV file.
std::string ToneWav() {
    const int rate = 8000;
    std::string samples;
    for (int i = 0; i < rate / 2; ++i)
        samples.push_back(static_cast<char>(128 + 60 * std::sin(2 * 3.14159265 * 440 * i / rate)));
    std::string wav = "RIFF" + Le(36 + std::uint32_t(samples.size()), 4) + "WAVE";
    wav += "fmt " + Le(16, 4) + Le(1, 2) + Le(1, 2) + Le(rate, 4) + Le(rate, 4) + Le(1, 2) + Le(8, 2);
    return wav + "data" + Le(std::uint32_t(samples.size()), 4) + samples;
}

} // namespace

int main(int argc, char** argv) {
    const std::string out = argc > 1 ? argv[1] : "sample.vp";
    tessel::testing::PackageBuilder()
        .folder("data")
        .folder("tables")
        .file("ships.tbl",
              "# The ships of the sample\nname = Aurora\nspeed = 75\n\nname = Bastion\nspeed = 40\n",
              1117627200)
        .file("colors.tbl", "# Colours, red green blue\nsky = 90 140 220\ngrass = 60 160 70\n", 1117713600)
        .end()
        .folder("text")
        .file("credits.txt", "Made for the Tessel sample by its own builder.\nEvery byte of it is ours.\n",
              1120219200)
        .end()
        .folder("empty")
        .end()
        .folder("images")
        .file("tiles.bmp", TilesBmp(), 1104580800)
        .end()
        .folder("sounds")
        .file("tone.wav", ToneWav(), 1104667200)
        .end()
        .end()
        .file("readme.txt", "A sample package made by Tessel's own builder.\nOpen it in Tessel to browse.\n",
              1133395200)
        .writeTo(out);
    std::printf("wrote %s\n", out.c_str());
    return 0;
}
