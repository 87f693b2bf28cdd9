// Entry names are byte strings in the package and are stored back unchanged. For display
// and for file names on disk they become UTF-8: valid UTF-8 is taken as it is, anything
// else is read as Windows-1252.
#pragma once

#include <string>
#include <string_view>

namespace tessel {

bool IsValidUtf8(std::string_view bytes);
std::string NameToUtf8(std::string_view bytes);
// Every byte as Windows-1252, whatever it is.
std::string Cp1252ToUtf8(std::string_view bytes);
// The UTF-8 text as Windows-1252 bytes; false when a character has no byte there.
bool Utf8ToCp1252(std::string_view text, std::string& bytes);

} // namespace tessel
