// A type library made at run time: its attributes and documentation, the types it holds and
// the handles (HREFTYPE) by which they refer to each other and to other libraries' types.
#include "typelib/created.h"
#include "typelib/typelib.h"

namespace tavlinport {
namespace {

// oleaut32's handle numbering, from the sizes of the records a compiled library keeps of a
// type and of an imported type; the low bit marks an imported one.
constexpr HREFTYPE kTypeRecordSize = 100;
constexpr HREFTYPE kImportRecordSize = 12;

HRESULT stored(OptionalText *target, const OLECHAR *text)
{
    if (!text) return E_INVALIDARG;
    *target = text;
    return S_OK;
}

}  // namespace

CreatedTypeLib::CreatedTypeLib(SYSKIND syskind) : syskind_(syskind) {}

// Defined here, where a type's destructor is known.
CreatedTypeLib::~CreatedTypeLib() = default;

HRESULT STDMETHODCALLTYPE CreatedTypeLib::QueryInterface(REFIID iid, void **out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ITypeLib)) {
        *out = static_cast<ITypeLib *>(this);
    } else if (IsEqualIID(iid, IID_ICreateTypeLib) || IsEqualIID(iid, IID_ICreateTypeLib2)) {
        *out = static_cast<ICreateTypeLib2 *>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CreatedTypeLib::Release()
{
    ULONG count = --count_;
    if (count == 0) delete this;
    return count;
}

HRESULT STDMETHODCALLTYPE CreatedTypeLib::CreateTypeInfo(LPOLESTR name, TYPEKIND kind, ICreateTypeInfo **info)
{
    if (!name || !info) return E_INVALIDARG;
    *info = nullptr;
    if (kind != TKIND_DISPATCH && kind != TKIND_INTERFACE) return E_NOTIMPL;
    for (const auto &type : types_) {
        if (equal_ignoring_case(type->name().c_str(), name)) return TYPE_E_NAMECONFLICT;
    }
    types_.push_back(std::make_unique<CreatedTypeInfo>(this, name, kind));
    *info = types_.back().get();
    (*info)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeLib::SetName(LPOLESTR name) { return stored(&name_, name); }

HRESULT STDMETHODCALLTYPE CreatedTypeLib::SetVersion(WORD major, WORD minor)
{
    major_ = major;
    minor_ = minor;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeLib::SetGuid(REFGUID guid)
{
    guid_ = guid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeLib::SetDocString(LPOLESTR doc) { return stored(&doc_, doc); }

HRESULT STDMETHODCALLTYPE CreatedTypeLib::SetHelpContext(DWORD help_context)
{
    help_context_ = help_context;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeLib::SetLcid(LCID lcid)
{
    lcid_ = lcid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeLib::SetLibFlags(UINT flags)
{
    flags_ = flags;
    return S_OK;
}

// Not part of what the port describes: help files, custom data, removing a type, and writing
// the library to a file.
HRESULT STDMETHODCALLTYPE CreatedTypeLib::SetHelpFileName(LPOLESTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeLib::SaveAllChanges() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeLib::DeleteTypeInfo(LPOLESTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeLib::SetCustData(REFGUID, VARIANT *) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeLib::SetHelpStringContext(ULONG) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeLib::SetHelpStringDll(LPOLESTR) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CreatedTypeLib::GetTypeInfo(UINT index, ITypeInfo **info)
{
    if (!info) return E_INVALIDARG;
    *info = nullptr;
    if (index >= types_.size()) return TYPE_E_ELEMENTNOTFOUND;
    *info = types_[index]->type_info();
    (*info)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeLib::GetTypeInfoType(UINT index, TYPEKIND *kind)
{
    if (!kind) return E_INVALIDARG;
    if (index >= types_.size()) return TYPE_E_ELEMENTNOTFOUND;
    *kind = types_[index]->kind();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeLib::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo **info)
{
    if (!info) return E_INVALIDARG;
    *info = nullptr;
    for (UINT index = 0; index < types_.size(); ++index) {
        if (IsEqualGUID(types_[index]->guid(), guid)) return GetTypeInfo(index, info);
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT STDMETHODCALLTYPE CreatedTypeLib::GetLibAttr(TLIBATTR **attr)
{
    if (!attr) return E_INVALIDARG;
    *attr = new TLIBATTR{guid_, lcid_, syskind_, major_, minor_, static_cast<WORD>(flags_)};
    return S_OK;
}

// Not part of what the port describes: binding names at the library's level.
HRESULT STDMETHODCALLTYPE CreatedTypeLib::GetTypeComp(ITypeComp **comp)
{
    if (comp) *comp = nullptr;
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE CreatedTypeLib::IsName(LPOLESTR, ULONG, BOOL *) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeLib::FindName(LPOLESTR, ULONG, ITypeInfo **, MEMBERID *, USHORT *)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CreatedTypeLib::GetDocumentation(INT index, BSTR *name, BSTR *doc_string, DWORD *help_context,
                                                           BSTR *help_file)
{
    HRESULT hr;
    DWORD context = help_context_;
    if (index == -1) {
        hr = store_documentation(text_or_null(name_), text_or_null(doc_), name, doc_string, help_context, help_file);
    } else if (index >= 0 && static_cast<size_t>(index) < types_.size()) {
        const CreatedTypeInfo &type = *types_[index];
        context = type.help_context();
        hr = store_documentation(type.name().c_str(), text_or_null(type.doc()), name, doc_string, help_context,
                                 help_file);
    } else {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    if (help_context) *help_context = context;
    return hr;
}

HREFTYPE CreatedTypeLib::reference(ITypeInfo *info)
{
    for (size_t index = 0; index < types_.size(); ++index) {
        if (types_[index]->type_info() == info) return static_cast<HREFTYPE>(index * kTypeRecordSize);
    }
    size_t import = 0;
    while (import < imports_.size() && imports_[import].get() != info) ++import;
    if (import == imports_.size()) imports_.push_back(ComRef<ITypeInfo>::retain(info));
    return static_cast<HREFTYPE>(import * kImportRecordSize + 1);
}

ITypeInfo *CreatedTypeLib::referenced(HREFTYPE href) const
{
    if (href & 1) {
        const HREFTYPE import = (href - 1) / kImportRecordSize;
        bool whole = (href - 1) % kImportRecordSize == 0;
        return whole && import < imports_.size() ? imports_[import].get() : nullptr;
    }
    const HREFTYPE index = href / kTypeRecordSize;
    bool whole = href % kTypeRecordSize == 0;
    return whole && index < types_.size() ? types_[index]->type_info() : nullptr;
}

UINT CreatedTypeLib::index_of(const CreatedTypeInfo *type) const
{
    UINT index = 0;
    while (index < types_.size() && types_[index].get() != type) ++index;
    return index;
}

}  // namespace tavlinport

using namespace tavlinport;

TAVLINPORT_API HRESULT CreateTypeLib2(SYSKIND syskind, LPCOLESTR, ICreateTypeLib2 **lib)
{
    if (!lib) return E_INVALIDARG;
    *lib = new CreatedTypeLib(syskind);
    return S_OK;
}
