#include "com/registration.h"

#include "com/isolated_class.h"
#include "com/module.h"
#include "com/registrar.h"
#include "com/resource_ids.h"
#include "util/holders.h"
#include "util/module_path.h"

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

using RegisterTypeLibFunction = HRESULT(WINAPI *)(ITypeLib *lib, OLECHAR *full_path, OLECHAR *help_dir);
using UnRegisterTypeLibFunction = HRESULT(WINAPI *)(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind);

// The automation library's type-library registration for each scope, by name: they are
// looked up at run time, as older systems lack the per-user pair (Windows Vista brought it)
// and UnRegisterTypeLib.
struct TypeLibraryFunctions {
    const char *register_name;
    const char *unregister_name;
};

const TypeLibraryFunctions &type_library_functions(RegistrationScope scope)
{
    static const TypeLibraryFunctions by_scope[] = {
        {"RegisterTypeLib", "UnRegisterTypeLib"},
        {"RegisterTypeLibForUser", "UnRegisterTypeLibForUser"},
    };
    return by_scope[static_cast<int>(scope)];
}

const char kUserClasses[] = "Software\\Classes";

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

    template <class Function> Function find(const char *name) const
    {
        FARPROC found = module_ ? GetProcAddress(module_, name) : nullptr;
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
    }

private:
    HMODULE module_;
};

// For the user's scope, HKEY_CLASSES_ROOT stands for HKEY_CURRENT_USER\Software\Classes in
// this process while the holder lives, so that the registry scripts, which name HKCR, and the
// type library write the user's classes; for the machine's nothing changes.
class ClassesRootRedirect {
public:
    explicit ClassesRootRedirect(RegistrationScope scope)
    {
        if (scope == RegistrationScope::machine) return;
        status_ = RegCreateKeyExA(HKEY_CURRENT_USER, kUserClasses, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  user_classes_.put(), nullptr);
        if (status_ == ERROR_SUCCESS) status_ = RegOverridePredefKey(HKEY_CLASSES_ROOT, user_classes_.get());
        redirected_ = status_ == ERROR_SUCCESS;
    }
    ~ClassesRootRedirect()
    {
        if (redirected_) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    }
    ClassesRootRedirect(const ClassesRootRedirect &) = delete;
    ClassesRootRedirect &operator=(const ClassesRootRedirect &) = delete;

    HRESULT status() const { return HRESULT_FROM_WIN32(status_); }

private:
    RegistryKeyHandle user_classes_;
    LONG status_ = ERROR_SUCCESS;
    bool redirected_ = false;
};

bool equal_ignoring_ascii_case(const OLECHAR *text, const char *word)
{
    auto lower = [](unsigned c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    for (; *word; ++text, ++word) {
        if (lower(static_cast<unsigned>(*text)) != lower(static_cast<unsigned char>(*word))) return false;
    }
    return *text == 0;
}

// Created before HKEY_CLASSES_ROOT is redirected: the registrar's own class is registered
// for the machine. %MODULE% stands for the library, %LOCALSERVER% for the local server's
// command line: its file beside the library, quoted, as a path with spaces must be there.
HRESULT create_registrar(ComPtr<IRegistrar> &registrar, const OleString &module_path)
{
    HRESULT hr = CoCreateInstance(CLSID_Registrar, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistrar, registrar.put_void());
    if (FAILED(hr)) return hr;
    OleString module_text = quoted_for_script(module_path);
    hr = registrar->AddReplacement(OLESTR("Module"), module_text.c_str());
    if (FAILED(hr)) return hr;
    OleString local_server = quoted_for_script(OLESTR("\"") + local_server_beside(module_path) + OLESTR("\""));
    return registrar->AddReplacement(OLESTR("LocalServer"), local_server.c_str());
}

// Runs one registry script resource of `module_path`, with %MODULE% standing for that path.
HRESULT run_registry_script(IRegistrar *registrar, const OleString &module_path, UINT script, bool registering)
{
    return registering ? registrar->ResourceRegister(module_path.c_str(), script, OLESTR("REGISTRY"))
                       : registrar->ResourceUnregister(module_path.c_str(), script, OLESTR("REGISTRY"));
}

// Tavlin.Util.Isolated and the bridge's AppID, which no entry of the class map carries: the
// library does not serve that class in the client's process (see isolated_class.h). The
// port starts no local servers, so there it registers nothing.
HRESULT run_isolated_class_script(IRegistrar *registrar, const OleString &module_path, bool registering)
{
#ifdef _WIN32
    return run_registry_script(registrar, module_path, IDR_TAVLIN_UTIL_ISOLATED, registering);
#else
    (void)registrar, (void)module_path, (void)registering;
    return S_OK;
#endif
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

void unregister_type_library(const OleString &module_path, RegistrationScope scope)
{
    ComPtr<ITypeLib> lib;
    OleString loaded_from;
    TLIBATTR *attr = nullptr;
    if (FAILED(load_type_library(module_path, lib.put(), &loaded_from)) || FAILED(lib->GetLibAttr(&attr))) return;
    LoadedLibrary automation(kAutomationLibrary);
    auto unregister = automation.find<UnRegisterTypeLibFunction>(type_library_functions(scope).unregister_name);
    if (unregister) unregister(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
    lib->ReleaseTLibAttr(attr);
}

}  // namespace

OleString module_file_name(HINSTANCE instance) { return module_path(instance); }

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

OleString local_server_beside(const OleString &module_path)
{
    return help_directory_of(module_path) + OLESTR("tavlinhost.exe");
}

OleString help_directory_of(const OleString &file_name)
{
    size_t separator = file_name.find_last_of(OLESTR("\\/:"));
    return separator == OleString::npos ? OleString() : file_name.substr(0, separator + 1);
}

bool scope_of_command_line(const OLECHAR *command_line, RegistrationScope *scope)
{
    static const struct {
        const char *command;
        RegistrationScope scope;
    } commands[] = {{"", RegistrationScope::machine}, {"user", RegistrationScope::user}};
    for (const auto &command : commands) {
        if (equal_ignoring_ascii_case(command_line ? command_line : OLESTR(""), command.command)) {
            *scope = command.scope;
            return true;
        }
    }
    return false;
}

HRESULT register_type_library(const OleString &module_path, RegistrationScope scope)
{
    ComPtr<ITypeLib> lib;
    OleString loaded_from;
    HRESULT hr = load_type_library(module_path, lib.put(), &loaded_from);
    if (FAILED(hr)) return hr;
    LoadedLibrary automation(kAutomationLibrary);
    auto register_library = automation.find<RegisterTypeLibFunction>(type_library_functions(scope).register_name);
    if (!register_library) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    OleString help_directory = help_directory_of(loaded_from);
    // Windows declares the texts as writable, though it only reads them.
    return register_library(lib.get(), loaded_from.data(), help_directory.data());
}

HRESULT register_server(const OleString &module_path, RegistrationScope scope)
{
    ComPtr<IRegistrar> registrar;
    HRESULT hr = create_registrar(registrar, module_path);
    if (FAILED(hr)) return hr;
    ClassesRootRedirect redirect(scope);
    if (FAILED(hr = redirect.status())) return hr;
    for (const ClassEntry &entry : com_module) {
        hr = run_registry_script(registrar.get(), module_path, entry.registry_script, true);
        if (FAILED(hr)) return hr;
    }
    hr = run_isolated_class_script(registrar.get(), module_path, true);
    if (FAILED(hr)) return hr;
    return register_type_library(module_path, scope);
}

void unregister_server(const OleString &module_path, RegistrationScope scope)
{
    ComPtr<IRegistrar> registrar;
    if (FAILED(create_registrar(registrar, module_path))) return;
    ClassesRootRedirect redirect(scope);
    if (FAILED(redirect.status())) return;
    run_isolated_class_script(registrar.get(), module_path, false);
    for (const ClassEntry &entry : com_module)
        run_registry_script(registrar.get(), module_path, entry.registry_script, false);
    unregister_type_library(module_path, scope);
}

}  // namespace tavlin
