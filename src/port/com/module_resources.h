// The resource table of a module named by its path (see tavlinport/resources.h). The module
// is loaded for as long as the holder lives, since the table is the module's own data.
#pragma once

#include "tavlinport/resources.h"

namespace tavlinport {

class ModuleResources {
public:
    explicit ModuleResources(const OLECHAR *module_path);
    ~ModuleResources();
    ModuleResources(const ModuleResources &) = delete;
    ModuleResources &operator=(const ModuleResources &) = delete;

    bool loaded() const { return handle_ != nullptr; }
    // The resource of that type (compared without case) and id, or null.
    const PortResource *find(const OLECHAR *type, UINT id) const;

private:
    void *handle_ = nullptr;
    const PortResource *table_ = nullptr;
};

}  // namespace tavlinport
