// stdole2.tlb as a created dispinterface's base finds it: loaded by its registration and by
// its file name, its attributes, and IUnknown and IDispatch as it describes them.
#include "objects.h"
#include "typelib_text.h"

namespace conformance {
namespace {

std::string load_text(HRESULT hr, ITypeLib *lib, ITypeLib *registered)
{
    return hresult_text(hr) + (lib && lib == registered ? " the registered library" : lib ? " another library" : "");
}

void add_loading_rows(Rows &rows, ITypeLib *registered)
{
    const struct {
        const char *key;
        WORD major, minor;
        LCID lcid;
    } registrations[] = {
        {"stdole LoadRegTypeLib 2.0 for locale 0x409", 2, 0, 0x0409},
        {"stdole LoadRegTypeLib 2.1", 2, 1, LOCALE_NEUTRAL},
    };
    for (const auto &entry : registrations) {
        Held<ITypeLib> lib;
        const HRESULT hr = LoadRegTypeLib(kLibidStdOle, entry.major, entry.minor, entry.lcid, lib.out());
        rows.add(entry.key, load_text(hr, lib.get(), registered));
    }
    const struct {
        const char *key;
        const char16_t *file;
    } files[] = {
        {"stdole LoadTypeLib stdole2.tlb", u"stdole2.tlb"},
        {"stdole LoadTypeLib STDOLE2.TLB", u"STDOLE2.TLB"},
    };
    for (const auto &entry : files) {
        Held<ITypeLib> lib;
        OleName file(entry.file);
        const HRESULT hr = LoadTypeLib(file.get(), lib.out());
        rows.add(entry.key, load_text(hr, lib.get(), registered));
    }
}

void add_library_rows(Rows &rows, ITypeLib *lib)
{
    TLIBATTR *attr = nullptr;
    const HRESULT hr = lib->GetLibAttr(&attr);
    rows.add("stdole library attributes", hresult_text(hr) + (attr ? " " + lib_attr_text(*attr) : ""));
    if (attr) lib->ReleaseTLibAttr(attr);
    rows.add("stdole library documentation", documentation_text(lib, -1));
}

// The attributes and functions of one of the library's interfaces.
void add_interface_rows(Rows &rows, ITypeLib *lib, const std::string &name, ITypeInfo *info)
{
    const std::string key = "stdole " + name + " ";
    rows.add(key + "attributes", attributes_of(info));
    TYPEATTR *attr = nullptr;
    if (SUCCEEDED(info->GetTypeAttr(&attr))) {
        rows.add(key + "guid", guid_text(attr->guid));
        rows.add(key + "alignment", pointers_text(attr->cbAlignment));
        for (UINT index = 0; index <= attr->cFuncs; ++index)
            rows.add(key + "function " + std::to_string(index), function_of(info, index));
        info->ReleaseTypeAttr(attr);
    }
    rows.add(key + "documentation", documentation_text(info, MEMBERID_NIL));
    Held<ITypeLib> containing;
    UINT index = 0;
    const HRESULT hr = info->GetContainingTypeLib(containing.out(), &index);
    TYPEKIND kind = TKIND_MAX;
    if (containing.get()) containing->GetTypeInfoType(index, &kind);
    rows.add(key + "containing library", hresult_text(hr) + (containing.get() == lib ? " stdole, " : " another, ") +
                                             typekind_text(kind) + " at its index");
}

void add_base_rows(Rows &rows, ITypeInfo *dispatch, ITypeInfo *unknown)
{
    INT flags = 77;
    HRESULT hr = dispatch->GetImplTypeFlags(0, &flags);
    rows.add("stdole IDispatch implemented type flags", hresult_text(hr) + " " + std::to_string(flags));
    HREFTYPE href = 0;
    Held<ITypeInfo> base;
    hr = dispatch->GetRefTypeOfImplType(0, &href);
    if (SUCCEEDED(hr)) hr = dispatch->GetRefTypeInfo(href, base.out());
    rows.add("stdole IDispatch is based on IUnknown",
             hresult_text(hr) + (base.get() ? " " + type_name(base.get()) +
                                                  (base.get() == unknown ? ", the library's" : ", another object")
                                            : ""));
    hr = unknown->GetRefTypeOfImplType(0, &href);
    rows.add("stdole IUnknown implemented type 0", hresult_text(hr));
}

void add_lookup_rows(Rows &rows, ITypeInfo *dispatch)
{
    rows.add("stdole IDispatch GetIDsOfNames invoke wflags", ids_text(dispatch, {u"invoke", u"wflags"}));
    rows.add("stdole IDispatch GetIDsOfNames of IUnknown's queryinterface", ids_text(dispatch, {u"queryinterface"}));
    rows.add("stdole IDispatch GetNames of IUnknown's AddRef", names_text(dispatch, 0x60000001));
    rows.add("stdole IDispatch GetDocumentation of IUnknown's Release", documentation_text(dispatch, 0x60000002));
    rows.add("stdole IDispatch GetDocumentation of an unknown member", documentation_text(dispatch, 0x1234));
}

}  // namespace

void add_stdole_rows(Rows &rows)
{
    Held<ITypeLib> lib;
    HRESULT hr = LoadRegTypeLib(kLibidStdOle, 2, 0, LOCALE_NEUTRAL, lib.out());
    rows.add("stdole LoadRegTypeLib 2.0", hresult_text(hr));
    if (FAILED(hr)) return;
    add_loading_rows(rows, lib.get());
    add_library_rows(rows, lib.get());
    Held<ITypeInfo> unknown, dispatch, again;
    lib->GetTypeInfoOfGuid(kIidIUnknown, unknown.out());
    hr = lib->GetTypeInfoOfGuid(kIidIDispatch, dispatch.out());
    lib->GetTypeInfoOfGuid(kIidIDispatch, again.out());
    rows.add("stdole GetTypeInfoOfGuid IDispatch", hresult_text(hr));
    rows.add("stdole GetTypeInfoOfGuid twice gives one object", dispatch.get() == again.get() ? "yes" : "no");
    if (!unknown.get() || !dispatch.get()) return;
    add_interface_rows(rows, lib.get(), "IUnknown", unknown.get());
    add_interface_rows(rows, lib.get(), "IDispatch", dispatch.get());
    add_base_rows(rows, dispatch.get(), unknown.get());
    add_lookup_rows(rows, dispatch.get());
}

}  // namespace conformance
