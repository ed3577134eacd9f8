// The registry file: where it is, its cached content, and serialised changes to it.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "registry/file.h"
#include "registry/java_installation.h"
#include "registry/tree.h"

namespace tavlinport::registry {

// TAVLIN_REGISTRY when set; else $XDG_CONFIG_HOME/tavlin/registry.reg; else
// $HOME/.config/tavlin/registry.reg.
std::string registry_file_path();

class Store {
public:
    static Store &instance();

    // The registry as callers see it (see compose_view). The file is read again when it
    // changed since the last call, so writes of other processes are seen.
    LSTATUS view(std::shared_ptr<const Key> &out);

    // Changes the file's keys. `change` receives a fresh read of the file, taken under the
    // cross-process lock, and the view composed from it; it sets `modified` when the file
    // must be written back. Fails with ERROR_ACCESS_DENIED when the file cannot be written.
    using Change = std::function<LSTATUS(Key &store, const Key &view, bool &modified)>;
    LSTATUS modify(const Change &change);

    // Whether the file can be written (see can_replace).
    bool writable();

private:
    Store() = default;
    LSTATUS load(const std::string &path, Key &store, FileVersion &version);
    void refresh_machine_java();
    void remember(const std::string &path, const FileVersion &version, const Key &store);

    std::mutex mutex_;
    std::string cached_path_;
    FileVersion cached_version_;
    std::string cached_java_search_;
    std::shared_ptr<const Key> cached_view_;
    std::string java_search_;
    std::optional<JavaInstallation> java_;
    bool java_searched_ = false;
};

}  // namespace tavlinport::registry
