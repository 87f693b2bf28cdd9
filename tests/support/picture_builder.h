// Pictures and sounds for the preview's tests, written by encoders of our own from the
// formats' tables, sharing nothing with the decoders they test.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tessel::testing {

// A PCX file: planes of bitsPerPlane bits; value(x, y, plane) gives each pixel's bits of
// that plane. The 256-colour palette, when bits × planes is 8, maps index i to grey i.
std::string PcxFile(int bitsPerPlane, int planes, int width, int height,
                    const std::function<int(int x, int y, int plane)>& value);
// A DDS file's 128-byte header for a fourCC ("DXT1") or, with fourCC empty, uncompressed
// pixels of bits with the masks; the pixel bytes follow as given.
std::string DdsFile(const std::string& fourCc, int width, int height, const std::string& pixels, int bits = 0,
                    std::uint32_t red = 0, std::uint32_t green = 0, std::uint32_t blue = 0,
                    std::uint32_t alpha = 0);
// A DXT colour block: two RGB565 colours and sixteen 2-bit indices, the first pixel lowest.
std::string ColourBlock(std::uint16_t c0, std::uint16_t c1, std::uint32_t indices);
// A WAV file of PCM with that many bytes of silence.
std::string WavFile(int channels, int rate, int bits, int dataBytes);
// An Ogg Vorbis stream's first page (the identification header) and a last page whose
// granule position counts the samples.
std::string OggVorbisFile(int channels, int rate, std::int64_t samples);

} // namespace tessel::testing
