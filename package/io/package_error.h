// Every failure of the engine is raised as a PackageError whose message is the text the user sees.
#pragma once

#include <stdexcept>
#include <string>

namespace tessel {

class PackageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The package is not the file that was loaded any more: another program changed it.
class PackageChangedError : public PackageError {
public:
    using PackageError::PackageError;
};

// The file is locked by another Tessel: an edit, or a reader that holds edits off.
class FileInUse : public PackageError {
public:
    using PackageError::PackageError;
};

// A name was created, renamed or removed, but the folder that holds it could not be synced:
// the change is made, yet a power cut could still undo it.
class FolderNotSynced : public PackageError {
public:
    using PackageError::PackageError;
};

inline constexpr const char* kStreamReadError = "Stream read error";
inline constexpr const char* kStreamWriteError = "Stream write error";
inline constexpr const char* kUnableToCreateDirectory = "Unable to create directory";

// "Cannot open file "<full path>". <reason>"
std::string CannotOpenMessage(const std::string& path, const std::string& reason);
// "Cannot create file "<full path>". <reason>"
std::string CannotCreateMessage(const std::string& path, const std::string& reason);
// "Unable to create directory "<full path>". <reason>"
std::string CannotMakeFolderMessage(const std::string& path, const std::string& reason);
// The system's text for an errno value, starting with a capital letter.
std::string SystemReason(int error);
// The path made absolute against the working folder, without resolving links.
std::string FullPath(const std::string& path);

} // namespace tessel
