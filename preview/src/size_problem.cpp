#include "decoded_image.h"

namespace tessel::preview {

std::string SizeProblem(std::int64_t width, std::int64_t height) {
    const std::string size = std::to_string(width) + " × " + std::to_string(height);
    if (width <= 0 || height <= 0)
        return "The picture claims a size of " + size + " pixels";
    if (width > kLargestSide || height > kLargestSide)
        return "The picture claims " + size + " pixels; pictures wider or taller than " +
               std::to_string(kLargestSide) + " pixels are not shown";
    if (width * height * 4 > kLargestDecodedBytes)
        return "The picture claims " + size + " pixels, more than " +
               std::to_string(kLargestDecodedBytes >> 20) + " MiB decoded; it is not shown";
    return {};
}

} // namespace tessel::preview
