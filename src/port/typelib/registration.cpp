// Type-library registration under HKEY_CLASSES_ROOT (for the machine) or
// HKEY_CURRENT_USER\Software\Classes (for the user), with oleaut32's keys:
//   TypeLib\{libid}\<major>.<minor>            = the library's doc string
//       FLAGS = "<flags>", HELPDIR = help folder, <lcid>\<win32|win64> = file
//   Interface\{iid} = name, ProxyStubClsid(32) = the automation marshaller, TypeLib = {libid}
// (with value Version) for every automation interface of the library. Look-ups see the
// user's registration ahead of the machine's, as Windows' merged HKEY_CLASSES_ROOT shows it.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "typelib/stdole.h"
#include "typelib/typelib.h"

namespace tavlinport {
namespace {

const char kAutomationMarshaller[] = "{00020424-0000-0000-C000-000000000046}";

// The port runs with one locale, US English, which the default locales stand for.
constexpr LCID kPortLocale = 0x0409;

const char kUserClasses[] = "Software\\Classes";

// HKEY_CURRENT_USER\Software\Classes, opened for one call: created only by a registration,
// which writes there; null when it is missing.
class UserClasses {
public:
    enum Use { look_up, unregister, register_library };

    explicit UserClasses(Use use)
    {
        if (use == register_library) {
            key_.create(HKEY_CURRENT_USER, kUserClasses);
        } else {
            key_.open(HKEY_CURRENT_USER, kUserClasses, use == unregister ? KEY_ALL_ACCESS : KEY_READ);
        }
    }
    HKEY get() const { return key_.get(); }

private:
    RegKey key_;
};

std::string hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

std::string library_key(REFGUID libid) { return "TypeLib\\" + guid_text(libid); }

std::string version_name(WORD major, WORD minor) { return hex(major) + "." + hex(minor); }

const char *syskind_name(SYSKIND syskind)
{
    switch (syskind) {
    case SYS_WIN16:
        return "win16";
    case SYS_MAC:
        return "mac";
    case SYS_WIN64:
        return "win64";
    default:
        return "win32";
    }
}

std::string file_key(LCID lcid, SYSKIND syskind) { return hex(lcid) + "\\" + syskind_name(syskind); }

// The registered version with this major number and the highest minor number not below
// the one asked for, as "<major>.<minor>"; empty when none.
std::string find_version(HKEY classes, REFGUID libid, WORD major, WORD minor)
{
    RegKey library;
    if (library.open(classes, library_key(libid)) != ERROR_SUCCESS) return std::string();
    std::string best;
    unsigned long best_minor = 0;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(library.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        char *dot = nullptr;
        unsigned long found_major = std::strtoul(name, &dot, 16);
        if (*dot != '.') continue;
        unsigned long found_minor = std::strtoul(dot + 1, nullptr, 16);
        if (found_major == major && found_minor >= minor && (best.empty() || found_minor > best_minor)) {
            best = name;
            best_minor = found_minor;
        }
    }
    return best;
}

LCID resolve_default_locale(LCID lcid)
{
    return (lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_SYSTEM_DEFAULT) ? kPortLocale : lcid;
}

// The file registered for the locale, its primary language, or the neutral locale.
bool registered_file(HKEY classes, REFGUID libid, const std::string &version, LCID lcid, std::string *path)
{
    lcid = resolve_default_locale(lcid);
    const LCID candidates[] = {lcid, static_cast<LCID>(lcid & 0x3FF), 0};
    for (LCID candidate : candidates) {
        RegKey key;
        std::string name = library_key(libid) + "\\" + version + "\\" + file_key(candidate, kProcessSyskind);
        if (key.open(classes, name) == ERROR_SUCCESS && key.query_string(nullptr, path)) return true;
    }
    return false;
}

bool is_automation_interface(const TYPEATTR &attr)
{
    return attr.typekind == TKIND_DISPATCH ||
           (attr.typekind == TKIND_INTERFACE && (attr.wTypeFlags & (TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL)));
}

struct InterfaceFacts {
    GUID iid;
    std::string name;
};

// What registration writes about a library, read through its ITypeLib.
struct LibraryFacts {
    TLIBATTR attr{};
    std::string doc;
    std::vector<InterfaceFacts> interfaces;
};

std::string take_bstr(BSTR text)
{
    std::string result = to_utf8(text);
    SysFreeString(text);
    return result;
}

bool read_interface(ITypeInfo *info, std::vector<InterfaceFacts> *interfaces)
{
    TYPEATTR *attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return false;
    bool automation = is_automation_interface(*attr);
    GUID iid = attr->guid;
    info->ReleaseTypeAttr(attr);
    if (!automation) return true;
    BSTR name = nullptr;
    if (FAILED(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr))) return false;
    interfaces->push_back({iid, take_bstr(name)});
    return true;
}

bool read_library(ITypeLib *lib, LibraryFacts *facts)
{
    TLIBATTR *attr = nullptr;
    if (FAILED(lib->GetLibAttr(&attr))) return false;
    facts->attr = *attr;
    lib->ReleaseTLibAttr(attr);
    BSTR doc = nullptr;
    if (SUCCEEDED(lib->GetDocumentation(-1, nullptr, &doc, nullptr, nullptr))) facts->doc = take_bstr(doc);
    for (UINT i = 0, count = lib->GetTypeInfoCount(); i < count; ++i) {
        ComRef<ITypeInfo> info;
        if (FAILED(lib->GetTypeInfo(i, info.out())) || !read_interface(info.get(), &facts->interfaces)) return false;
    }
    return true;
}

bool set_subkey_default(HKEY parent, const std::string &name, const std::string &text)
{
    RegKey key;
    return key.create(parent, name) == ERROR_SUCCESS && key.set_string(nullptr, text) == ERROR_SUCCESS;
}

bool register_interface(HKEY classes, const InterfaceFacts &interface, const std::string &libid,
                        const std::string &version)
{
    RegKey key, typelib;
    return key.create(classes, "Interface\\" + guid_text(interface.iid)) == ERROR_SUCCESS &&
           key.set_string(nullptr, interface.name) == ERROR_SUCCESS &&
           set_subkey_default(key.get(), "ProxyStubClsid", kAutomationMarshaller) &&
           set_subkey_default(key.get(), "ProxyStubClsid32", kAutomationMarshaller) &&
           typelib.create(key.get(), "TypeLib") == ERROR_SUCCESS &&
           typelib.set_string(nullptr, libid) == ERROR_SUCCESS &&
           typelib.set_string("Version", version) == ERROR_SUCCESS;
}

bool register_library(HKEY classes, const LibraryFacts &facts, const std::string &path, LPCOLESTR help_dir)
{
    const TLIBATTR &attr = facts.attr;
    RegKey version;
    if (version.create(classes, library_key(attr.guid) + "\\" + version_name(attr.wMajorVerNum, attr.wMinorVerNum)) !=
        ERROR_SUCCESS)
        return false;
    if (version.set_string(nullptr, facts.doc) != ERROR_SUCCESS) return false;
    if (!set_subkey_default(version.get(), "FLAGS", std::to_string(attr.wLibFlags))) return false;
    if (help_dir && !set_subkey_default(version.get(), "HELPDIR", to_utf8(help_dir))) return false;
    return set_subkey_default(version.get(), file_key(attr.lcid, attr.syskind), path);
}

// Removes the interface keys that name this library as theirs.
void unregister_interfaces(HKEY classes, const std::string &path, REFGUID libid)
{
    ComRef<ITypeLib> lib;
    std::u16string wide_path = to_utf16(path.data(), path.size(), CP_UTF8);
    LibraryFacts facts;
    if (FAILED(LoadTypeLib(wide_path.c_str(), lib.out())) || !read_library(lib.get(), &facts)) return;
    for (const InterfaceFacts &interface : facts.interfaces) {
        std::string name = "Interface\\" + guid_text(interface.iid);
        RegKey typelib;
        std::string owner;
        if (typelib.open(classes, name + "\\TypeLib") == ERROR_SUCCESS && typelib.query_string(nullptr, &owner) &&
            owner == guid_text(libid)) {
            typelib.close();
            RegDeleteTreeA(classes, name.c_str());
        }
    }
}

// Deletes the key when no subkey is left in it.
void delete_if_empty(HKEY parent, const std::string &name)
{
    RegKey key;
    if (key.open(parent, name) != ERROR_SUCCESS || key.subkey_count() > 0) return;
    key.close();
    RegDeleteKeyA(parent, name.c_str());
}

// A version key whose only subkeys are FLAGS and HELPDIR has no file registered any more.
bool has_locale_subkeys(HKEY classes, const std::string &version_key)
{
    RegKey key;
    if (key.open(classes, version_key) != ERROR_SUCCESS) return false;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        std::string subkey = name;
        if (subkey != "FLAGS" && subkey != "HELPDIR") return true;
    }
}

HRESULT register_type_library(HKEY classes, ITypeLib *lib, LPCOLESTR full_path, LPCOLESTR help_dir)
{
    if (!lib || !full_path) return E_INVALIDARG;
    if (!classes) return TYPE_E_REGISTRYACCESS;
    LibraryFacts facts;
    if (!read_library(lib, &facts)) return TYPE_E_INVALIDSTATE;
    if (!register_library(classes, facts, to_utf8(full_path), help_dir)) return TYPE_E_REGISTRYACCESS;
    std::string libid = guid_text(facts.attr.guid);
    std::string version = version_name(facts.attr.wMajorVerNum, facts.attr.wMinorVerNum);
    for (const InterfaceFacts &interface : facts.interfaces) {
        if (!register_interface(classes, interface, libid, version)) return TYPE_E_REGISTRYACCESS;
    }
    return S_OK;
}

HRESULT unregister_type_library(HKEY classes, REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind)
{
    std::string version_key = library_key(libid) + "\\" + version_name(major, minor);
    RegKey version;
    if (!classes || version.open(classes, version_key, KEY_ALL_ACCESS) != ERROR_SUCCESS) return E_INVALIDARG;
    RegKey file;
    std::string path;
    if (file.open(version.get(), file_key(lcid, syskind)) != ERROR_SUCCESS || !file.query_string(nullptr, &path))
        return TYPE_E_INVALIDSTATE;
    file.close();
    unregister_interfaces(classes, path, libid);
    RegDeleteKeyA(version.get(), file_key(lcid, syskind).c_str());
    delete_if_empty(version.get(), hex(lcid));
    version.close();
    if (!has_locale_subkeys(classes, version_key)) RegDeleteTreeA(classes, version_key.c_str());
    delete_if_empty(classes, library_key(libid));
    return S_OK;
}

// The file registered for the library in one root of classes; empty when none.
std::string registered_path(HKEY classes, REFGUID libid, WORD major, WORD minor, LCID lcid)
{
    std::string version = find_version(classes, libid, major, minor);
    std::string path;
    if (!version.empty()) registered_file(classes, libid, version, lcid, &path);
    return path;
}

}  // namespace
}  // namespace tavlinport

using namespace tavlinport;

TAVLINPORT_API HRESULT LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib **lib)
{
    if (!lib) return E_INVALIDARG;
    *lib = nullptr;
    if (is_stdole(libid, major, minor)) return load_stdole(lib);
    UserClasses user(UserClasses::look_up);
    std::string path = user.get() ? registered_path(user.get(), libid, major, minor, lcid) : std::string();
    if (path.empty()) path = registered_path(HKEY_CLASSES_ROOT, libid, major, minor, lcid);
    if (path.empty()) return TYPE_E_LIBNOTREGISTERED;
    std::u16string wide_path = to_utf16(path.data(), path.size(), CP_UTF8);
    return LoadTypeLib(wide_path.c_str(), lib);
}

TAVLINPORT_API HRESULT RegisterTypeLib(ITypeLib *lib, LPCOLESTR full_path, LPCOLESTR help_dir)
{
    return register_type_library(HKEY_CLASSES_ROOT, lib, full_path, help_dir);
}

TAVLINPORT_API HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind)
{
    return unregister_type_library(HKEY_CLASSES_ROOT, libid, major, minor, lcid, syskind);
}

TAVLINPORT_API HRESULT RegisterTypeLibForUser(ITypeLib *lib, LPOLESTR full_path, LPOLESTR help_dir)
{
    return register_type_library(UserClasses(UserClasses::register_library).get(), lib, full_path, help_dir);
}

TAVLINPORT_API HRESULT UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind)
{
    return unregister_type_library(UserClasses(UserClasses::unregister).get(), libid, major, minor, lcid, syskind);
}
