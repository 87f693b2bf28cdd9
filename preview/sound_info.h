// The facts of a sound read from its own headers: WAV (RIFF chunks) and Ogg Vorbis (the
// identification header of the first page, the length from the last page's granule).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessel::preview {

struct SoundInfo {
    std::string format; // "WAV, PCM", "Ogg Vorbis"
    int channels = 0;
    std::int64_t rate = 0;
    int bits = 0;          // bits a sample, 0 when the format has none
    double seconds = -1.0; // negative when unknown
};

struct SoundResult {
    SoundInfo info;
    std::string error;

    bool ok() const { return error.empty(); }
};

bool LooksLikeSound(std::string_view head);
// head is the sound's first bytes (64 KiB are plenty), tail its last; size its whole length.
SoundResult ReadSoundInfo(std::string_view head, std::string_view tail, std::int64_t size);

} // namespace tessel::preview
