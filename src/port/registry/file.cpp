// File-system operations of the registry store.
#include "registry/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace tavlinport::registry {
namespace {

LSTATUS status_from_errno(LSTATUS otherwise)
{
    switch (errno) {
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return otherwise;
    }
}

std::string parent_folder(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writable_entry(const std::string &path, const struct stat &info)
{
    return (info.st_mode & 0222) != 0 && access(path.c_str(), W_OK) == 0;
}

bool write_all(int fd, const std::string &contents)
{
    const char *data = contents.data();
    size_t left = contents.size();
    while (left > 0) {
        const ssize_t written = write(fd, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        left -= size_t(written);
    }
    return true;
}

LSTATUS create_folders(const std::string &folder)
{
    struct stat info;
    if (stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? ERROR_SUCCESS : ERROR_PATH_NOT_FOUND;
    const LSTATUS parent = create_folders(parent_folder(folder));
    if (parent != ERROR_SUCCESS) return parent;
    return mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST ? ERROR_SUCCESS : status_from_errno(ERROR_CANTWRITE);
}

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string &beside) : name_(parent_folder(beside) + "/.tavlin-registry-XXXXXX")
    {
        file_.reset(mkostemp(name_.data(), O_CLOEXEC));
        if (!file_) name_.clear();
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    ~TemporaryFile()
    {
        if (!name_.empty()) unlink(name_.c_str());
    }

    int fd() const { return file_.get(); }
    bool rename_to(const std::string &path)
    {
        if (rename(name_.c_str(), path.c_str()) != 0) return false;
        name_.clear();
        return true;
    }

private:
    std::string name_;
    UniqueFd file_;
};

void flush_folder(const std::string &path)
{
    UniqueFd folder(open(parent_folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) fsync(folder.get());
}

mode_t mode_for_new_file(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0644;
}

FileVersion version_from(const struct stat &info)
{
    FileVersion version;
    version.exists = true;
    version.device = info.st_dev;
    version.inode = info.st_ino;
    version.size = info.st_size;
    version.modified = info.st_mtim;
    version.changed = info.st_ctim;
    return version;
}

}  // namespace

bool FileVersion::operator==(const FileVersion &other) const
{
    return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

FileVersion current_version(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? version_from(info) : FileVersion{};
}

LSTATUS read_whole_file(const std::string &path, std::string &contents, FileVersion &version)
{
    contents.clear();
    version = FileVersion{};
    UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) return errno == ENOENT ? ERROR_SUCCESS : status_from_errno(ERROR_CANTREAD);
    struct stat info;
    if (fstat(file.get(), &info) != 0) return ERROR_CANTREAD;
    version = version_from(info);
    std::vector<char> chunk(1 << 16);
    for (;;) {
        const ssize_t got = read(file.get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return status_from_errno(ERROR_CANTREAD);
        if (got == 0) return ERROR_SUCCESS;
        contents.append(chunk.data(), size_t(got));
    }
}

LSTATUS replace_file(const std::string &path, const std::string &contents, FileVersion &version)
{
    const LSTATUS folders = create_folders(parent_folder(path));
    if (folders != ERROR_SUCCESS) return folders;
    TemporaryFile temporary(path);
    if (temporary.fd() < 0) return status_from_errno(ERROR_CANTWRITE);
    if (!write_all(temporary.fd(), contents) || fchmod(temporary.fd(), mode_for_new_file(path)) != 0 ||
        fsync(temporary.fd()) != 0)
        return status_from_errno(ERROR_CANTWRITE);
    if (!temporary.rename_to(path)) return status_from_errno(ERROR_CANTWRITE);
    flush_folder(path);
    version = current_version(path);
    return ERROR_SUCCESS;
}

bool can_replace(const std::string &path)
{
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && !writable_entry(path, info)) return false;
    for (std::string folder = parent_folder(path);; folder = parent_folder(folder)) {
        if (stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode) && writable_entry(folder, info);
        if (folder == "/" || folder == ".") return false;
    }
}

FileLock::FileLock(const std::string &registry_path)
{
    const std::string lock_path = registry_path + ".lock";
    status_ = create_folders(parent_folder(lock_path));
    if (status_ != ERROR_SUCCESS) return;
    file_.reset(open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (!file_) {
        status_ = status_from_errno(ERROR_CANTWRITE);
        return;
    }
    while (flock(file_.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            status_ = status_from_errno(ERROR_CANTWRITE);
            return;
        }
    }
}

}  // namespace tavlinport::registry
