// The rules for entry names: which stored names can be written out as files, which new
// names an entry may be given, and when two names of a folder are the same.
#pragma once

#include <string>
#include <string_view>

namespace tessel {

// Whether a name can become a file name inside a destination folder without escaping it:
// not empty, not "." or "..", and holding no "/" or NUL.
bool IsSafeEntryName(std::string_view name);

// Why a new name cannot be given to an entry, or empty when it can: it must be a safe
// name and fit the record's name field with its closing NUL (31 bytes). Names read from a
// package are not held to this; they keep their bytes.
std::string NewNameProblem(std::string_view name);

// Refuses a new name that NewNameProblem finds fault with.
void RequireNewName(const std::string& name);

// ASCII letters as capitals, every other byte as it is: how names are compared wherever
// case does not count.
char FoldCase(char c);

// Two names of one folder are the same when they differ at most in ASCII case: the game
// and the file systems it was made for ignore case.
bool SameEntryName(std::string_view a, std::string_view b);

// Names and paths compared, hashed and ordered as their folded keys are, without making the
// keys: a merged tree or a sync compares hundreds of thousands.
bool FoldedLess(std::string_view a, std::string_view b);
struct FoldedHash {
    std::size_t operator()(std::string_view text) const;
};
struct FoldedEqual {
    bool operator()(std::string_view a, std::string_view b) const;
};

// The name as a key that is equal for same names.
std::string EntryNameKey(std::string_view name);

// The name with " (n)" before its extension, "ships (2).tbl", cut to fit a record's name
// field without splitting a UTF-8 character: how a second entry of a name is kept beside
// the first.
std::string NumberedName(std::string_view name, int number);

} // namespace tessel
