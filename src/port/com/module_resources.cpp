#include "com/module_resources.h"

#include <dlfcn.h>

#include "com/support.h"

namespace tavlinport {

// Loading the module runs its initialisers, unlike a Windows data-file load; a module that
// carries resources is a COM server whose start-up does no more than set itself up.
ModuleResources::ModuleResources(const OLECHAR *module_path)
{
    std::string path = to_utf8(module_path);
    if (path.empty()) return;
    handle_ = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle_) return;
    table_ = static_cast<const PortResource *>(dlsym(handle_, PORT_RESOURCE_TABLE_NAME));
}

ModuleResources::~ModuleResources()
{
    if (handle_) dlclose(handle_);
}

const PortResource *ModuleResources::find(const OLECHAR *type, UINT id) const
{
    if (!table_) return nullptr;
    for (const PortResource *resource = table_; resource->type; ++resource) {
        if (resource->id == id && equal_ignoring_case(resource->type, type)) return resource;
    }
    return nullptr;
}

}  // namespace tavlinport
