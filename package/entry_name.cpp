#include "entry_name.h"

#include "name_text.h"
#include "package_error.h"
#include "vp_format.h"

namespace tessel {

bool IsSafeEntryName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

void RequireSafeName(const TreeNode* node) {
    if (!IsSafeEntryName(node->text()))
        throw PackageError("Cannot extract \"" + NameToUtf8(node->text()) +
                           "\": the name is not a safe file name");
}

void RequireNewName(const std::string& name) {
    if (!name.empty() && !IsSafeEntryName(name))
        throw PackageError("\"" + name + "\" cannot be the name of an entry");
}

std::string StoredName(const std::string& name) {
    if (IsValidUtf8(name))
        return Utf8ToStoredName(name, kMaxWrittenNameLength);
    return name.substr(0, kMaxWrittenNameLength);
}

} // namespace tessel
