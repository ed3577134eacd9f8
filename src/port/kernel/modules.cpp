// Libraries and modules over the dynamic loader. A module handle is the loader's handle of
// the library (its link map), so LoadLibraryA and GetModuleHandleA agree on it as Windows'
// module base addresses do.
#include <dlfcn.h>
#include <link.h>
#include <strings.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "tavlinport/kernel.h"

namespace {

HMODULE fail(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

const link_map *main_program_map()
{
    void *self = dlopen(nullptr, RTLD_LAZY);
    link_map *map = nullptr;
    if (self == nullptr || dlinfo(self, RTLD_DI_LINKMAP, &map) != 0) return nullptr;
    while (map != nullptr && map->l_prev != nullptr) map = map->l_prev;
    return map;
}

// Handles come from callers, so they are looked up among the loaded libraries before the
// loader is given them: an unknown handle is an error, not a crash.
const link_map *find_loaded(const void *handle)
{
    for (const link_map *map = main_program_map(); map != nullptr; map = map->l_next) {
        if (map == handle) return map;
    }
    return nullptr;
}

bool iequals(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool iends_with(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && iequals(text.substr(text.size() - suffix.size()), suffix);
}

std::string_view base_name(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// "tavlin", "tavlin.dll", "libtavlin.so" all name the shared object libtavlin.so (or a
// versioned libtavlin.so.N), compared without regard to case as Windows compares names.
bool module_name_matches(std::string_view wanted, std::string_view file)
{
    for (std::string_view extension : {".dll", ".so"}) {
        if (iends_with(wanted, extension)) {
            wanted.remove_suffix(extension.size());
            break;
        }
    }
    for (std::string_view prefix : {"", "lib"}) {
        if (file.size() < prefix.size() || !iequals(file.substr(0, prefix.size()), prefix)) continue;
        std::string_view stem = file.substr(prefix.size());
        if (stem.size() < wanted.size() || !iequals(stem.substr(0, wanted.size()), wanted)) continue;
        std::string_view rest = stem.substr(wanted.size());
        if (rest.empty() || iequals(rest, ".so") || (rest.size() > 4 && iequals(rest.substr(0, 4), ".so.")))
            return true;
    }
    return false;
}

std::string absolute_path(const char *path)
{
    char resolved[PATH_MAX];
    return realpath(path, resolved) != nullptr ? std::string(resolved) : std::string(path);
}

std::string executable_path()
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return length > 0 ? std::string(buffer, size_t(length)) : std::string();
}

std::string module_path(const link_map *map)
{
    if (map->l_name == nullptr || map->l_name[0] == '\0') return executable_path();
    return absolute_path(map->l_name);
}

// A loader reference to a module that is loaded already. The loader resolves symbols only
// through handles it gave out itself (a library loaded as another's dependency has no
// symbol scope of its own until it is opened), so lookups go through one of these.
class OpenedModule {
public:
    explicit OpenedModule(const link_map *map) : handle_(open(map)) {}
    OpenedModule(const OpenedModule &) = delete;
    OpenedModule &operator=(const OpenedModule &) = delete;
    ~OpenedModule()
    {
        if (handle_ != nullptr) dlclose(handle_);
    }
    void *get() const { return handle_; }

private:
    static void *open(const link_map *map)
    {
        if (map == nullptr) return nullptr;
        if (map == main_program_map()) return dlopen(nullptr, RTLD_LAZY);
        return dlopen(map->l_name, RTLD_LAZY | RTLD_NOLOAD);
    }

    void *handle_;
};

const link_map *find_by_name(std::string_view wanted)
{
    const bool by_path = wanted.find('/') != std::string_view::npos;
    const std::string wanted_path = by_path ? absolute_path(std::string(wanted).c_str()) : std::string();
    for (const link_map *map = main_program_map(); map != nullptr; map = map->l_next) {
        const std::string path = module_path(map);
        if (by_path ? path == wanted_path : module_name_matches(wanted, base_name(path))) return map;
    }
    return nullptr;
}

}  // namespace

TAVLINPORT_API HMODULE LoadLibraryA(LPCSTR file_name)
{
    if (file_name == nullptr || *file_name == '\0') return fail(ERROR_INVALID_PARAMETER);
    // Symbols stay private to the library, as a DLL's exports are reached only through
    // GetProcAddress.
    void *handle = dlopen(file_name, RTLD_NOW | RTLD_LOCAL);
    return handle != nullptr ? static_cast<HMODULE>(handle) : fail(ERROR_MOD_NOT_FOUND);
}

TAVLINPORT_API HMODULE LoadLibraryExA(LPCSTR file_name, HANDLE reserved, DWORD flags)
{
    if (reserved != nullptr || (flags & ~DWORD{LOAD_WITH_ALTERED_SEARCH_PATH}) != 0)
        return fail(ERROR_INVALID_PARAMETER);
    return LoadLibraryA(file_name);
}

TAVLINPORT_API FARPROC GetProcAddress(HMODULE module, LPCSTR proc_name)
{
    // Below 0x10000 the name is an export ordinal, which shared objects do not have.
    if (reinterpret_cast<uintptr_t>(proc_name) < 0x10000) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    const link_map *map = module != nullptr ? find_loaded(module) : main_program_map();
    const OpenedModule opened(map);
    if (map == nullptr || opened.get() == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void *symbol = dlsym(opened.get(), proc_name);
    if (symbol == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
    return reinterpret_cast<FARPROC>(symbol);
}

TAVLINPORT_API BOOL FreeLibrary(HMODULE module)
{
    const void *map = find_loaded(module);
    if (map == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return dlclose(const_cast<void *>(map)) == 0 ? TRUE : FALSE;
}

TAVLINPORT_API HMODULE GetModuleHandleA(LPCSTR module_name)
{
    const link_map *map = module_name == nullptr ? main_program_map() : find_by_name(module_name);
    return map != nullptr ? reinterpret_cast<HMODULE>(const_cast<link_map *>(map)) : fail(ERROR_MOD_NOT_FOUND);
}

TAVLINPORT_API DWORD GetModuleFileNameA(HMODULE module, LPSTR file_name, DWORD size)
{
    if (file_name == nullptr && size != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const link_map *map = module != nullptr ? find_loaded(module) : main_program_map();
    if (map == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    const std::string path = module_path(map);
    if (path.size() < size) {
        std::memcpy(file_name, path.c_str(), path.size() + 1);
        return DWORD(path.size());
    }
    // Too small: the name is cut to fit with its terminating NUL and the buffer size returned.
    if (size != 0) {
        std::memcpy(file_name, path.data(), size - 1);
        file_name[size - 1] = '\0';
    }
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

TAVLINPORT_API BOOL DisableThreadLibraryCalls(HMODULE)
{
    // Shared objects get no per-thread notifications to disable.
    return TRUE;
}
