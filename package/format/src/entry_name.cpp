#include "entry_name.h"

#include "name_text.h"
#include "package_error.h"
#include "vp_format.h"

#include <algorithm>

namespace tessel {

namespace {

// The name for a message, a NUL shown as "\0" so that the message is not cut there.
std::string Printable(std::string_view name) {
    std::string shown;
    for (const char c : NameToUtf8(name))
        shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    return shown;
}

} // namespace

char FoldCase(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsSafeEntryName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

std::string NewNameProblem(std::string_view name) {
    if (name.empty())
        return "a name cannot be empty";
    if (name == "." || name == "..")
        return "a name cannot be \".\" or \"..\"";
    if (name.find('/') != std::string_view::npos)
        return "a name cannot hold \"/\"";
    if (name.find('\0') != std::string_view::npos)
        return "a name cannot hold a NUL character";
    if (name.size() > std::size_t(kMaxWrittenNameLength))
        return "the name is " + std::to_string(name.size()) +
               " bytes long; a package entry's name holds at most " + std::to_string(kMaxWrittenNameLength);
    return {};
}

void RequireNewName(const std::string& name) {
    if (const std::string problem = NewNameProblem(name); !problem.empty())
        throw PackageError("Cannot name an entry \"" + Printable(name) + "\": " + problem);
}

bool SameEntryName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}

std::string EntryNameKey(std::string_view name) {
    std::string key(name);
    for (char& c : key)
        c = FoldCase(c);
    return key;
}

std::string NumberedName(std::string_view name, int number) {
    const std::size_t dot = name.rfind('.');
    // A name that starts with its only dot (".hidden") has no extension.
    const bool hasExtension = dot != std::string_view::npos && dot > 0;
    std::string_view stem = hasExtension ? name.substr(0, dot) : name;
    std::string_view extension = hasExtension ? name.substr(dot) : std::string_view();
    const std::string mark = " (" + std::to_string(number) + ")";
    const std::size_t room = std::size_t(kMaxWrittenNameLength);
    if (mark.size() + extension.size() > room)
        extension = {};
    std::size_t keep = std::min(stem.size(), room - mark.size() - extension.size());
    // Cut before a continuation byte would split a character.
    while (keep > 0 && keep < stem.size() && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80)
        --keep;
    return std::string(stem.substr(0, keep)) + mark + std::string(extension);
}

} // namespace tessel
