// Composing the registry that callers see from the file's keys.
#include "registry/view.h"

#include <algorithm>

namespace tavlinport::registry {

const std::vector<KeyPath> &predefined_key_paths()
{
    static const std::vector<KeyPath> paths = {
        {kLocalMachine}, {kCurrentUser}, {kUsers}, root_path_for_name("HKEY_CLASSES_ROOT")};
    return paths;
}

bool is_predefined_key_path(const KeyPath &path)
{
    const auto &paths = predefined_key_paths();
    return std::any_of(paths.begin(), paths.end(), [&](const KeyPath &predefined) {
        return predefined.size() == path.size() && is_within(path, predefined);
    });
}

const KeyPath &java_runtime_environment_path()
{
    static const KeyPath path = {kLocalMachine, "Software", "JavaSoft", "Java Runtime Environment"};
    return path;
}

Key compose_view(const Key &store, const std::optional<JavaInstallation> &java)
{
    Key view = store;
    for (const KeyPath &path : predefined_key_paths()) view.ensure(path);
    const KeyPath &java_path = java_runtime_environment_path();
    if (java && view.find(java_path) == nullptr) {
        Key presented = java_runtime_environment_key(*java);
        presented.mark_read_only();
        view.ensure(KeyPath(java_path.begin(), java_path.end() - 1)).add_subkey(std::move(presented));
    }
    return view;
}

}  // namespace tavlinport::registry
