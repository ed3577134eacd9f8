// The registry store over its file.
#include "registry/store.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "registry/text.h"
#include "registry/view.h"

namespace tavlinport::registry {
namespace {

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string home_folder()
{
    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd *user = getpwuid(getuid())) home = user->pw_dir;
    }
    return home;
}

}  // namespace

std::string registry_file_path()
{
    const std::string configured = environment("TAVLIN_REGISTRY");
    if (!configured.empty()) return configured;
    const std::string config_home = environment("XDG_CONFIG_HOME");
    return (config_home.empty() ? home_folder() + "/.config" : config_home) + "/tavlin/registry.reg";
}

Store &Store::instance()
{
    static Store store;
    return store;
}

// The search depends on the environment only, so it is repeated only when that changes.
// TAVLIN_NO_MACHINE_JAVA hides the machine's Java, as on a machine without one.
void Store::refresh_machine_java()
{
    JavaSearch search{environment("JAVA_HOME"), environment("PATH")};
    const bool hidden = !environment("TAVLIN_NO_MACHINE_JAVA").empty();
    const std::string key = search.java_home + '\n' + search.path + (hidden ? "\nhidden" : "");
    if (!java_searched_ || key != java_search_) {
        java_ = hidden ? std::nullopt : find_java_installation(search);
        java_search_ = key;
        java_searched_ = true;
    }
}

LSTATUS Store::load(const std::string &path, Key &store, FileVersion &version)
{
    std::string text;
    const LSTATUS status = read_whole_file(path, text, version);
    if (status != ERROR_SUCCESS) return status;
    std::string error;
    if (!read_registry_text(text, store, error)) {
        // The API can only answer ERROR_BADDB; the administrator who edited the file needs
        // to know where it went wrong.
        std::fprintf(stderr, "tavlin: the registry file %s is malformed: %s\n", path.c_str(), error.c_str());
        return ERROR_BADDB;
    }
    return ERROR_SUCCESS;
}

void Store::remember(const std::string &path, const FileVersion &version, const Key &store)
{
    cached_view_ = std::make_shared<const Key>(compose_view(store, java_));
    cached_path_ = path;
    cached_version_ = version;
    cached_java_search_ = java_search_;
}

LSTATUS Store::view(std::shared_ptr<const Key> &out)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string path = registry_file_path();
    refresh_machine_java();
    if (cached_view_ == nullptr || path != cached_path_ || current_version(path) != cached_version_ ||
        java_search_ != cached_java_search_) {
        Key store;
        FileVersion version;
        const LSTATUS status = load(path, store, version);
        if (status != ERROR_SUCCESS) return status;
        remember(path, version, store);
    }
    out = cached_view_;
    return ERROR_SUCCESS;
}

LSTATUS Store::modify(const Change &change)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string path = registry_file_path();
    if (!can_replace(path)) return ERROR_ACCESS_DENIED;
    const FileLock file_lock(path);
    if (file_lock.status() != ERROR_SUCCESS) return file_lock.status();
    Key store;
    FileVersion version;
    LSTATUS status = load(path, store, version);
    if (status != ERROR_SUCCESS) return status;
    refresh_machine_java();
    bool modified = false;
    status = change(store, compose_view(store, java_), modified);
    if (status == ERROR_SUCCESS && modified) status = replace_file(path, write_registry_text(store), version);
    if (status == ERROR_SUCCESS) remember(path, version, store);
    return status;
}

bool Store::writable() { return can_replace(registry_file_path()); }

}  // namespace tavlinport::registry
