// ITypeLib over a type-library description, and LoadTypeLib.
#include "typelib/stdole.h"
#include "typelib/typelib.h"

namespace tavlinport {

namespace {
constexpr UINT kTypeLibResourceId = 1;
}

TypeLib::TypeLib(std::unique_ptr<ModuleResources> module, const PortTypeLibDesc *desc)
    : module_(std::move(module)), desc_(desc)
{
}

UINT STDMETHODCALLTYPE TypeLib::GetTypeInfoCount() { return desc_->type_count; }

HRESULT STDMETHODCALLTYPE TypeLib::GetTypeInfo(UINT index, ITypeInfo **info)
{
    if (!info) return E_INVALIDARG;
    *info = nullptr;
    if (index >= desc_->type_count) return TYPE_E_ELEMENTNOTFOUND;
    *info = new_type_info(this, index);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeLib::GetTypeInfoType(UINT index, TYPEKIND *kind)
{
    if (!kind) return E_INVALIDARG;
    if (index >= desc_->type_count) return TYPE_E_ELEMENTNOTFOUND;
    *kind = desc_->types[index].kind;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeLib::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo **info)
{
    if (!info) return E_INVALIDARG;
    *info = nullptr;
    for (UINT index = 0; index < desc_->type_count; ++index) {
        if (IsEqualGUID(*desc_->types[index].guid, guid)) return GetTypeInfo(index, info);
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT STDMETHODCALLTYPE TypeLib::GetLibAttr(TLIBATTR **attr)
{
    if (!attr) return E_INVALIDARG;
    // Loaded from a module file, the library has a disk image, as a compiled one reports.
    *attr = new TLIBATTR{*desc_->libid, desc_->lcid, desc_->syskind, desc_->major, desc_->minor, LIBFLAG_FHASDISKIMAGE};
    return S_OK;
}

// Not part of what the port describes: no binding tables and no name hashes exist.
HRESULT STDMETHODCALLTYPE TypeLib::GetTypeComp(ITypeComp **comp)
{
    if (comp) *comp = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TypeLib::IsName(LPOLESTR, ULONG, BOOL *) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TypeLib::FindName(LPOLESTR, ULONG, ITypeInfo **, MEMBERID *, USHORT *) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TypeLib::GetDocumentation(INT index, BSTR *name, BSTR *doc_string, DWORD *help_context,
                                                    BSTR *help_file)
{
    if (index == -1) return store_documentation(desc_->name, desc_->doc, name, doc_string, help_context, help_file);
    if (index < 0 || static_cast<UINT>(index) >= desc_->type_count) return TYPE_E_ELEMENTNOTFOUND;
    const PortTypeDesc &type = desc_->types[index];
    return store_documentation(type.name, type.doc, name, doc_string, help_context, help_file);
}

void STDMETHODCALLTYPE TypeLib::ReleaseTLibAttr(TLIBATTR *attr) { delete attr; }

HRESULT store_documentation(const OLECHAR *name, const OLECHAR *doc, BSTR *name_out, BSTR *doc_out, DWORD *help_context,
                            BSTR *help_file)
{
    if (name_out) *name_out = name ? SysAllocString(name) : nullptr;
    if (doc_out) *doc_out = doc ? SysAllocString(doc) : nullptr;
    if (help_context) *help_context = 0;
    if (help_file) *help_file = nullptr;
    return S_OK;
}

}  // namespace tavlinport

using namespace tavlinport;

TAVLINPORT_API HRESULT LoadTypeLib(LPCOLESTR file, ITypeLib **lib)
{
    if (!file || !lib) return E_INVALIDARG;
    *lib = nullptr;
    if (is_stdole_file(file)) return load_stdole(lib);
    auto module = std::make_unique<ModuleResources>(file);
    const PortResource *resource = module->find(u"TYPELIB", kTypeLibResourceId);
    if (!resource) return TYPE_E_CANTLOADLIBRARY;
    *lib = new TypeLib(std::move(module), static_cast<const PortTypeLibDesc *>(resource->data));
    return S_OK;
}
