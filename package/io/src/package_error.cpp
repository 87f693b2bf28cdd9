#include "package_error.h"

#include <cctype>
#include <cstring>
#include <filesystem>

namespace tessel {

std::string CannotOpenMessage(const std::string& path, const std::string& reason) {
    return "Cannot open file \"" + FullPath(path) + "\". " + reason;
}

std::string CannotMakeFolderMessage(const std::string& path, const std::string& reason) {
    return std::string(kUnableToCreateDirectory) + " \"" + FullPath(path) + "\". " + reason;
}

std::string CannotCreateMessage(const std::string& path, const std::string& reason) {
    return "Cannot create file \"" + FullPath(path) + "\". " + reason;
}

std::string SystemReason(int error) {
    std::string text = std::strerror(error);
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

std::string FullPath(const std::string& path) {
    if (path.empty())
        return path;
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

} // namespace tessel
