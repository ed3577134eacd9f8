#include "com/registration.h"

#include "com/module.h"
#include "com/registrar.h"
#include "util/holders.h"

#ifdef _WIN32
// Defined here on Windows, where no import library carries them.
extern "C" const CLSID CLSID_Registrar = {0x44EC053A, 0x400F, 0x11D0, {0x9D, 0xCD, 0x00, 0xA0, 0xC9, 0x03, 0x91, 0xD3}};
extern "C" const IID IID_IRegistrar = {0x44EC053B, 0x400F, 0x11D0, {0x9D, 0xCD, 0x00, 0xA0, 0xC9, 0x03, 0x91, 0xD3}};
#endif

namespace tavlin {
namespace {

#ifdef _WIN32
constexpr const char *kAutomationLibrary = "oleaut32.dll";
#else
// The port library carries the OLE Automation functions on Linux.
constexpr const char *kAutomationLibrary = "libtavlinport.so";
#endif

using UnRegisterTypeLibFunction = HRESULT(WINAPI *)(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind);

// A library loaded for one look-up and freed afterwards.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const char *name) : module_(LoadLibraryA(name)) {}
    ~LoadedLibrary()
    {
        if (module_) FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary &) = delete;
    LoadedLibrary &operator=(const LoadedLibrary &) = delete;

    FARPROC find(const char *name) const { return module_ ? GetProcAddress(module_, name) : nullptr; }

private:
    HMODULE module_;
};

OleString ansi_to_ole(const char *text)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return OleString();
    OleString result(static_cast<size_t>(length), OLECHAR(0));
    MultiByteToWideChar(CP_ACP, 0, text, -1, &result[0], length);
    result.resize(static_cast<size_t>(length) - 1);
    return result;
}

// The library file itself, or failing that the ".tlb" file beside it; `loaded_from` is the
// file that loaded.
HRESULT load_type_library(const OleString &module_path, ITypeLib **lib, OleString *loaded_from)
{
    *loaded_from = module_path;
    HRESULT hr = LoadTypeLib(module_path.c_str(), lib);
    if (SUCCEEDED(hr)) return hr;
    *loaded_from = type_library_file_beside(module_path);
    return LoadTypeLib(loaded_from->c_str(), lib);
}

}  // namespace

OleString module_file_name(HINSTANCE instance)
{
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(instance, path, MAX_PATH);
    return ansi_to_ole(path);
}

OleString quoted_for_script(const OleString &text)
{
    OleString quoted;
    for (OLECHAR c : text) {
        quoted += c;
        if (c == OLECHAR('\'')) quoted += c;
    }
    return quoted;
}

OleString type_library_file_beside(const OleString &module_path)
{
    size_t dot = module_path.rfind(OLECHAR('.'));
    OleString stem = dot == OleString::npos ? module_path : module_path.substr(0, dot);
    return stem + OLESTR(".tlb");
}

OleString help_directory_of(const OleString &file_name)
{
    size_t separator = file_name.find_last_of(OLESTR("\\/:"));
    return separator == OleString::npos ? OleString() : file_name.substr(0, separator + 1);
}

HRESULT run_registry_script(const OleString &module_path, UINT script, bool registering)
{
    ComPtr<IRegistrar> registrar;
    HRESULT hr = CoCreateInstance(CLSID_Registrar, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistrar, registrar.put_void());
    if (FAILED(hr)) return hr;
    OleString module_text = quoted_for_script(module_path);
    registrar->AddReplacement(OLESTR("Module"), module_text.c_str());
    return registering ? registrar->ResourceRegister(module_path.c_str(), script, OLESTR("REGISTRY"))
                       : registrar->ResourceUnregister(module_path.c_str(), script, OLESTR("REGISTRY"));
}

HRESULT register_type_library(const OleString &module_path)
{
    ComPtr<ITypeLib> lib;
    OleString loaded_from;
    HRESULT hr = load_type_library(module_path, lib.put(), &loaded_from);
    if (FAILED(hr)) return hr;
    OleString help_directory = help_directory_of(loaded_from);
    // Windows declares the texts as writable, though it only reads them.
    return RegisterTypeLib(lib.get(), loaded_from.data(), help_directory.data());
}

// UnRegisterTypeLib is looked up at run time, as older systems lack it.
void unregister_type_library(const OleString &module_path)
{
    ComPtr<ITypeLib> lib;
    OleString loaded_from;
    TLIBATTR *attr = nullptr;
    if (FAILED(load_type_library(module_path, lib.put(), &loaded_from)) || FAILED(lib->GetLibAttr(&attr))) return;
    LoadedLibrary automation(kAutomationLibrary);
    auto unregister =
        reinterpret_cast<UnRegisterTypeLibFunction>(reinterpret_cast<void (*)()>(automation.find("UnRegisterTypeLib")));
    if (unregister) unregister(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
    lib->ReleaseTLibAttr(attr);
}

HRESULT register_server(const OleString &module_path)
{
    for (const ClassEntry &entry : com_module) {
        HRESULT hr = run_registry_script(module_path, entry.registry_script, true);
        if (FAILED(hr)) return hr;
    }
    return register_type_library(module_path);
}

void unregister_server(const OleString &module_path)
{
    for (const ClassEntry &entry : com_module) run_registry_script(module_path, entry.registry_script, false);
    unregister_type_library(module_path);
}

}  // namespace tavlin
