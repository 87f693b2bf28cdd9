// Any bytes as a DDS picture: a clear refusal or a picture within the limits, never a crash,
// a hang or an allocation the bytes do not pay for.
#include "decoded_image.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tessel::preview::DecodeResult result =
        tessel::preview::DecodeDds(std::string_view(reinterpret_cast<const char*>(data), size));
    if (result.ok() &&
        result.image.pixels.size() != std::size_t(result.image.width) * std::size_t(result.image.height))
        std::abort();
    return 0;
}
