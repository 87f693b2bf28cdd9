#include "sound_info.h"

#include "little_endian.h"

namespace tessel::preview {

namespace {

std::string WaveFormatName(std::uint32_t tag) {
    switch (tag) {
    case 1:
        return "PCM";
    case 2:
        return "Microsoft ADPCM";
    case 3:
        return "IEEE float";
    case 6:
        return "A-law";
    case 7:
        return "µ-law";
    case 0x11:
        return "IMA ADPCM";
    case 0x55:
        return "MPEG layer 3";
    case 0xFFFE:
        return "extensible";
    default:
        return "format " + std::to_string(tag);
    }
}

SoundResult ReadWave(std::string_view head, std::int64_t size) {
    SoundResult result;
    SoundInfo& info = result.info;
    std::uint32_t byteRate = 0;
    std::int64_t dataBytes = -1;
    bool haveFormat = false;
    for (std::size_t at = 12; at + 8 <= head.size() && (!haveFormat || dataBytes < 0);) {
        const std::string_view id = head.substr(at, 4);
        const std::uint32_t length = Le32(head, at + 4);
        if (id == "fmt " && length >= 16 && at + 8 + 16 <= head.size()) {
            info.format = "WAV, " + WaveFormatName(Le16(head, at + 8));
            info.channels = int(Le16(head, at + 10));
            info.rate = Le32(head, at + 12);
            byteRate = Le32(head, at + 16);
            info.bits = int(Le16(head, at + 22));
            haveFormat = true;
        } else if (id == "data") {
            // A data chunk longer than the file was cut short: what is there counts.
            dataBytes = std::min<std::int64_t>(length, size - std::int64_t(at) - 8);
        }
        at += 8 + std::size_t(length) + (length & 1);
    }
    if (!haveFormat) {
        result.error =
            "The WAV file has no format chunk in its first " + std::to_string(head.size()) + " bytes";
        return result;
    }
    if (dataBytes >= 0 && byteRate > 0)
        info.seconds = double(dataBytes) / byteRate;
    return result;
}

// The granule position of the last page in the tail: the number of samples of the stream.
std::int64_t LastGranule(std::string_view tail, std::uint32_t serial) {
    for (std::size_t at = tail.size() >= 27 ? tail.size() - 27 + 1 : 0; at-- > 0;) {
        if (tail.substr(at, 4) == "OggS" && at + 27 <= tail.size() && Le32(tail, at + 14) == serial) {
            const std::uint64_t granule = Le64(tail, at + 6);
            if (granule != ~std::uint64_t(0))
                return std::int64_t(granule & 0x7FFFFFFFFFFFFFFF);
        }
    }
    return -1;
}

SoundResult ReadVorbis(std::string_view head, std::string_view tail) {
    SoundResult result;
    const std::size_t segments = head.size() > 26 ? Byte(head, 26) : 0;
    const std::size_t packet = 27 + segments;
    if (head.size() < packet + 30 || head.substr(packet, 7) != "\x01vorbis") {
        result.error = "The Ogg stream does not begin with a Vorbis header";
        return result;
    }
    SoundInfo& info = result.info;
    info.format = "Ogg Vorbis";
    info.channels = Byte(head, packet + 11);
    info.rate = Le32(head, packet + 12);
    const std::int64_t samples = LastGranule(tail, Le32(head, 14));
    if (samples >= 0 && info.rate > 0)
        info.seconds = double(samples) / double(info.rate);
    return result;
}

} // namespace

bool LooksLikeSound(std::string_view head) {
    return (head.size() >= 12 && head.substr(0, 4) == "RIFF" && head.substr(8, 4) == "WAVE") ||
           (head.size() >= 27 && head.substr(0, 4) == "OggS");
}

SoundResult ReadSoundInfo(std::string_view head, std::string_view tail, std::int64_t size) {
    if (head.size() >= 12 && head.substr(0, 4) == "RIFF" && head.substr(8, 4) == "WAVE")
        return ReadWave(head, size);
    if (head.size() >= 27 && head.substr(0, 4) == "OggS")
        return ReadVorbis(head, tail);
    return {{}, "This is neither a WAV nor an Ogg sound"};
}

} // namespace tessel::preview
