// The file system under the registry store: whole-file reads, atomic replacement, the
// cross-process lock and the checks that decide whether the store may be written.
#pragma once

#include <sys/stat.h>

#include <string>

#include "kernel/unique_fd.h"
#include "tavlinport/wintypes.h"

namespace tavlinport::registry {

// Identifies one version of the file: a file that was replaced or rewritten since differs.
struct FileVersion {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileVersion &other) const;
    bool operator!=(const FileVersion &other) const { return !(*this == other); }
};

FileVersion current_version(const std::string &path);

// Reads the whole file; a missing file reads as empty.
LSTATUS read_whole_file(const std::string &path, std::string &contents, FileVersion &version);

// Replaces the file with `contents` so that readers see either the old or the new file,
// never a torn one, even if the process dies midway: a temporary file beside it is written,
// flushed and renamed over it. The file keeps its permissions. Creates missing folders.
LSTATUS replace_file(const std::string &path, const std::string &contents, FileVersion &version);

// Whether replace_file could succeed: the file (when it exists) and its folder, or the
// nearest existing folder above, are writable. A file without any write permission bit is
// read-only even for the superuser, as a read-only file is on Windows.
bool can_replace(const std::string &path);

// An exclusive lock, across processes, on the lock file beside the registry file. Every
// read-modify-write of the store happens under it.
class FileLock {
public:
    explicit FileLock(const std::string &registry_path);
    LSTATUS status() const { return status_; }

private:
    UniqueFd file_;
    LSTATUS status_ = ERROR_SUCCESS;
};

}  // namespace tavlinport::registry
