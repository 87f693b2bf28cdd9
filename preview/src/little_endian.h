#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tessel::preview {

// Little-endian numbers at an offset the caller has checked lies inside the bytes.
inline std::uint32_t Le16(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}
inline std::uint32_t Le32(std::string_view bytes, std::size_t at) {
    return Le16(bytes, at) | Le16(bytes, at + 2) << 16;
}
inline std::uint64_t Le64(std::string_view bytes, std::size_t at) {
    return Le32(bytes, at) | std::uint64_t(Le32(bytes, at + 4)) << 32;
}
inline std::uint8_t Byte(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

} // namespace tessel::preview
