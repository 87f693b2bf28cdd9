// Any bytes as the head and tail of a sound, and as text: facts or a refusal, never a crash.
#include "sound_info.h"
#include "text_kind.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    tessel::preview::ReadSoundInfo(bytes, bytes.substr(size / 2), std::int64_t(size));
    if (const auto encoding = tessel::preview::TextEncodingOf(bytes, true)) {
        const std::string text = tessel::preview::DecodeText(bytes, *encoding);
        std::string back;
        tessel::preview::EncodeText(text, *encoding, back);
    }
    return 0;
}
