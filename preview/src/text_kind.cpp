#include "text_kind.h"

#include "name_text.h"

namespace tessel::preview {

namespace {

bool Shows(unsigned char byte) {
    if (byte < 0x20)
        return byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f';
    return byte != 0x7F && byte != 0x81 && byte != 0x8D && byte != 0x8F && byte != 0x90 && byte != 0x9D;
}

// Where a UTF-8 character cut by the end begins, or the size when none is.
std::size_t WholeCharacters(std::string_view bytes) {
    for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((byte & 0xC0) == 0xC0) {
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
            return back < length ? bytes.size() - back : bytes.size();
        }
        if ((byte & 0xC0) != 0x80)
            break;
    }
    return bytes.size();
}

} // namespace

std::optional<TextEncoding> TextEncodingOf(std::string_view bytes, bool cutShort) {
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && !Shows(byte))
            return std::nullopt;
    }
    const std::string_view whole = cutShort ? bytes.substr(0, WholeCharacters(bytes)) : bytes;
    if (IsValidUtf8(whole))
        return TextEncoding::Utf8;
    for (const char c : bytes) {
        if (!Shows(static_cast<unsigned char>(c)))
            return std::nullopt;
    }
    return TextEncoding::Windows1252;
}

const char* EncodingName(TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? "UTF-8" : "Windows-1252";
}

std::string DecodeText(std::string_view bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::Windows1252)
        return Cp1252ToUtf8(bytes);
    return std::string(bytes.substr(0, WholeCharacters(bytes)));
}

bool EncodeText(std::string_view utf8, TextEncoding encoding, std::string& bytes) {
    if (encoding == TextEncoding::Utf8) {
        bytes.assign(utf8);
        return true;
    }
    return Utf8ToCp1252(utf8, bytes);
}

} // namespace tessel::preview
