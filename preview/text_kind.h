// Whether bytes are text, and in which encoding: valid UTF-8, else Windows-1252 when every
// byte is one that shows (or is a tab or a line end). A text cut short may end inside a
// UTF-8 character.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessel::preview {

enum class TextEncoding { Utf8, Windows1252 };

std::optional<TextEncoding> TextEncodingOf(std::string_view bytes, bool cutShort);
const char* EncodingName(TextEncoding encoding);
// The bytes as UTF-8, and back; false from Encode when a character has no byte in the
// encoding.
std::string DecodeText(std::string_view bytes, TextEncoding encoding);
bool EncodeText(std::string_view utf8, TextEncoding encoding, std::string& bytes);

} // namespace tessel::preview
