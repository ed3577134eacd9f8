#include "vmhost/runtime_settings.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>

#include "util/module_path.h"
#include "vmhost/registry_key.h"

namespace tavlin {

namespace {

const char kProductKey[] = "Software\\Varnexa\\Tidewell";
const char kVmOptionsKey[] = "Software\\Varnexa\\Tidewell\\VMOptions";
const char kExtrasKey[] = "Software\\Varnexa\\Orvalis Tidewell Services - Web Lanthra\\Extras";

CMallocString copy_of(const std::string &text) { return CMallocString(strdup(text.c_str())); }

// Reads a product value or takes its default, then writes it back where the product key
// exists and may be written, so that the defaults show in the registry after a first start.
CMallocString read_with_write_back(const char *value_name, const char *default_value)
{
    CRegistryKey reader;
    CMallocString value;
    if (reader.open(HKEY_LOCAL_MACHINE, kProductKey, KEY_READ) == ERROR_SUCCESS)
        value = reader.query_string(value_name);
    if (!value) value.reset(strdup(default_value));
    CRegistryKey writer;
    if (writer.open(HKEY_LOCAL_MACHINE, kProductKey, KEY_WRITE) == ERROR_SUCCESS)
        writer.set_string(value.get(), value_name);
    return value;
}

// The default values of every subkey of `key` (in enumeration order) that `wanted` accepts.
template <class Accept> std::vector<CMallocString> subkey_defaults(const CRegistryKey &key, Accept wanted)
{
    std::vector<CMallocString> values;
    RegistryKeyInfo info;
    if (!key.query_info(info) || info.sub_keys == 0) return values;
    std::unique_ptr<CMallocString[]> names(new (std::nothrow) CMallocString[info.sub_keys]);
    DWORD count = 0;
    if (!names || FAILED(key.enum_subkeys(names.get(), info.sub_keys, count))) return values;
    for (DWORD i = 0; i < count; ++i) {
        if (!wanted(names[i].get())) continue;
        CRegistryKey sub_key;
        if (sub_key.open(key.get(), names[i].get(), KEY_READ) != ERROR_SUCCESS) continue;
        CMallocString value = sub_key.query_string(nullptr);
        if (value) values.push_back(std::move(value));
    }
    return values;
}

bool key_has_subkeys(const char *path)
{
    CRegistryKey key;
    RegistryKeyInfo info;
    return key.open(HKEY_LOCAL_MACHINE, path, KEY_READ) == ERROR_SUCCESS && key.query_info(info) && info.sub_keys > 0;
}

// The folder of the bridge's own library file (the host executable's when it is not loaded
// under its own name), as the VM reads it in an option; empty when it cannot be read.
std::string own_library_folder()
{
#ifdef _WIN32
    OleString path = module_path(GetModuleHandleW(L"tavlin"));
#else
    OleString path = module_path(GetModuleHandleA("tavlin"));
#endif
    const size_t separator = path.rfind(OLECHAR(kDirSeparator));
    return path_for_vm_option(separator == OleString::npos ? path : path.substr(0, separator));
}

std::string upper_case(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

void skip_leading_blanks(const char *&text)
{
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\v' || *text == '\f' || *text == '\r') ++text;
}

// The class path, entry by entry. An empty entry never goes in: the VM reads one as the
// current folder, and whoever can write to the folder that a trusted script or workbook
// runs from would have classes of theirs loaded, and run, in the client's process.
class ClassPath {
public:
    void add(const std::string &entry)
    {
        if (entry.empty()) return;
        if (!text_.empty()) text_ += kPathListSeparator;
        text_ += entry;
    }
    // A list in the platform's spelling; empty entries are dropped.
    void add_list(const char *list)
    {
        for (const char *end; (end = std::strchr(list, kPathListSeparator)) != nullptr; list = end + 1)
            add(std::string(list, end));
        add(list);
    }
    CMallocString option() const { return copy_of("-Djava.class.path=" + text_); }

private:
    std::string text_;
};

std::string extras_folder()
{
    CRegistryKey extras;
    if (extras.open(HKEY_LOCAL_MACHINE, kExtrasKey, KEY_READ) != ERROR_SUCCESS) return std::string();
    DWORD type = REG_NONE;
    CMallocString folder = extras.query_string(nullptr, &type);
    return folder && type == REG_SZ ? std::string(folder.get()) : std::string();
}

}  // namespace

CMallocString get_max_memory() { return read_with_write_back("max", "-Xmx256m"); }

CMallocString get_max_permsize() { return read_with_write_back("maxperm", "-XX:MaxPermSize=64m"); }

CMallocString get_classpath()
{
    const std::string dir(1, kDirSeparator);
    ClassPath path;
    std::string named;  // what CLASSPATH contributed, in upper case
    if (const char *variable = std::getenv("CLASSPATH")) {
        skip_leading_blanks(variable);
        path.add_list(variable);
        named = upper_case(variable);
    }
    const std::string folder = own_library_folder();
    if (folder.empty()) return path.option();

    // Only what CLASSPATH contributed decides whether the archives are named already.
    if (named.find("RK.JAR") == std::string::npos) {
        std::string extras = extras_folder();
        if (!extras.empty()) path.add(extras + dir + "rk.jar");
        CRegistrySettings settings;
        if (const char *entries = settings.get_extra_classpath()) path.add_list(entries);
        path.add(folder + dir + "rk.jar");
    }
    if (named.find("QZ.JAR") == std::string::npos) path.add(folder + dir + "qz.jar");
    path.add(folder);
    return path.option();
}

bool variant_arrays_requested()
{
    const char *variable = std::getenv("TAVLIN_VARIANT_ARRAYS");
    if (variable && std::strcmp(variable, "1") == 0) return true;
    CRegistryKey product;
    DWORD number = 0;
    return product.open(HKEY_LOCAL_MACHINE, kProductKey, KEY_READ) == ERROR_SUCCESS &&
           product.query_dword("VariantArrays", number) && number == 1;
}

CRegistrySettings::CRegistrySettings()
{
    CRegistryKey product;
    product_key_present_ = product.open(HKEY_LOCAL_MACHINE, kProductKey, KEY_READ) == ERROR_SUCCESS;
}

const char *CRegistrySettings::get_extra_classpath()
{
    if (extra_classpath_done_) return extra_classpath_.get();
    extra_classpath_done_ = true;
    if (!product_key_present_ || !key_has_subkeys(kProductKey)) return nullptr;
    CRegistryKey product;
    if (product.open(HKEY_LOCAL_MACHINE, kProductKey, KEY_READ) != ERROR_SUCCESS) return nullptr;
    // The case-sensitive test is deliberate: a subkey named "vmoptions" is a class-path entry.
    std::vector<CMallocString> entries =
        subkey_defaults(product, [](const char *name) { return std::strstr(name, "VMOptions") == nullptr; });
    std::string joined;
    for (const CMallocString &entry : entries) joined += std::string(entry.get()) + kPathListSeparator;
    extra_classpath_ = copy_of(joined);
    return extra_classpath_.get();
}

const std::vector<CMallocString> &CRegistrySettings::get_vm_options()
{
    if (vm_options_done_) return vm_options_;
    vm_options_done_ = true;
    if (!product_key_present_) return vm_options_;
    CRegistryKey options;
    if (options.open(HKEY_LOCAL_MACHINE, kVmOptionsKey, KEY_READ) != ERROR_SUCCESS) return vm_options_;
    vm_options_ = subkey_defaults(options, [](const char *) { return true; });
    return vm_options_;
}

}  // namespace tavlin
