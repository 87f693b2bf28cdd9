// libarchive, loaded the first time an archive is read or written instead of when the program
// starts: with the libraries it brings along, loading it took a quarter of the time of the
// short commands (a list, a sync with nothing to do), which never touch an archive.
#pragma once

#include <archive.h>
#include <archive_entry.h>

namespace tessel {

#define TESSEL_ARCHIVE_FUNCTIONS(X)                                                                          \
    X(archive_entry_clear)                                                                                   \
    X(archive_entry_filetype)                                                                                \
    X(archive_entry_free)                                                                                    \
    X(archive_entry_hardlink)                                                                                \
    X(archive_entry_mtime)                                                                                   \
    X(archive_entry_new)                                                                                     \
    X(archive_entry_pathname)                                                                                \
    X(archive_entry_pathname_utf8)                                                                           \
    X(archive_entry_set_filetype)                                                                            \
    X(archive_entry_set_mtime)                                                                               \
    X(archive_entry_set_pathname_utf8)                                                                       \
    X(archive_entry_set_perm)                                                                                \
    X(archive_entry_set_size)                                                                                \
    X(archive_entry_size)                                                                                    \
    X(archive_entry_size_is_set)                                                                             \
    X(archive_entry_symlink)                                                                                 \
    X(archive_error_string)                                                                                  \
    X(archive_read_data)                                                                                     \
    X(archive_read_free)                                                                                     \
    X(archive_read_new)                                                                                      \
    X(archive_read_next_header)                                                                              \
    X(archive_read_open_filename)                                                                            \
    X(archive_read_support_filter_all)                                                                       \
    X(archive_read_support_format_all)                                                                       \
    X(archive_write_add_filter_bzip2)                                                                        \
    X(archive_write_add_filter_gzip)                                                                         \
    X(archive_write_add_filter_xz)                                                                           \
    X(archive_write_add_filter_zstd)                                                                         \
    X(archive_write_close)                                                                                   \
    X(archive_write_data)                                                                                    \
    X(archive_write_free)                                                                                    \
    X(archive_write_header)                                                                                  \
    X(archive_write_new)                                                                                     \
    X(archive_write_open_filename)                                                                           \
    X(archive_write_set_format_7zip)                                                                         \
    X(archive_write_set_format_pax_restricted)                                                               \
    X(archive_write_set_format_zip)

// The library's functions, under their own names.
struct ArchiveLibrary {
#define TESSEL_ARCHIVE_POINTER(name) decltype(&::name) name;
    TESSEL_ARCHIVE_FUNCTIONS(TESSEL_ARCHIVE_POINTER)
#undef TESSEL_ARCHIVE_POINTER
};

// The library, loaded on the first call. Raises a PackageError when it cannot be loaded.
const ArchiveLibrary& Archives();

} // namespace tessel
