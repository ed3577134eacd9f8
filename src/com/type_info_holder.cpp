#include "com/type_info_holder.h"

#include <cstring>
#include <new>
#include <utility>

#include "com/module.h"

namespace tavlin {

HRESULT TypeInfoHolder::get_type_info(LCID lcid, ITypeInfo **info)
{
    if (!info) return E_POINTER;
    HRESULT hr = S_OK;
    *info = loaded(lcid, &hr);
    if (*info) (*info)->AddRef();
    return hr;
}

// Names are first looked up in the cache with their exact case; a miss asks the type
// information, which compares without case.
HRESULT TypeInfoHolder::get_ids_of_names(LPOLESTR *names, UINT count, LCID lcid, DISPID *dispids)
{
    HRESULT hr = S_OK;
    ITypeInfo *info = loaded(lcid, &hr);
    if (!info) return hr;
    for (UINT i = 0; i < count; ++i) {
        if (find_cached(names[i], &dispids[i])) continue;
        hr = info->GetIDsOfNames(names, count, dispids);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT TypeInfoHolder::invoke(void *instance, DISPID dispid, LCID lcid, WORD flags, DISPPARAMS *params,
                               VARIANT *result, EXCEPINFO *excep_info, UINT *arg_err)
{
    HRESULT hr = S_OK;
    ITypeInfo *info = loaded(lcid, &hr);
    if (!info) return hr;
    return info->Invoke(instance, dispid, flags, params, result, excep_info, arg_err);
}

ITypeInfo *TypeInfoHolder::loaded(LCID lcid, HRESULT *hr)
{
    ITypeInfo *info = info_.load(std::memory_order_acquire);
    if (info) return info;
    *hr = load(lcid);
    return info_.load(std::memory_order_acquire);
}

// Under the module's type-information lock, with a second look inside it, so the type
// information is loaded at most once and the name cache is complete before it is visible.
HRESULT TypeInfoHolder::load(LCID lcid)
{
    EnterCriticalSection(com_module.type_info_lock());
    HRESULT hr = S_OK;
    if (!info_.load(std::memory_order_relaxed)) {
        ComPtr<ITypeLib> lib;
        hr = LoadRegTypeLib(*libid_, major_, minor_, lcid, lib.put());
        ComPtr<ITypeInfo> info;
        if (SUCCEEDED(hr)) hr = lib->GetTypeInfoOfGuid(*iid_, info.put());
        if (SUCCEEDED(hr)) {
            ComPtr<ITypeInfo> extended;
            if (SUCCEEDED(info->QueryInterface(IID_ITypeInfo2, extended.put_void()))) info = std::move(extended);
            cache_names(info.get());
            info_.store(info.release(), std::memory_order_release);
            com_module.add_cleanup(release, this);
        }
    }
    LeaveCriticalSection(com_module.type_info_lock());
    return hr;
}

void TypeInfoHolder::cache_names(ITypeInfo *info)
{
    TYPEATTR *attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return;
    UINT count = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    names_ = new (std::nothrow) NameEntry[count]();
    if (!names_) return;
    name_count_ = count;
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC *desc = nullptr;
        if (FAILED(info->GetFuncDesc(i, &desc))) continue;
        BSTR name = nullptr;
        if (SUCCEEDED(info->GetDocumentation(desc->memid, &name, nullptr, nullptr, nullptr)) && name)
            names_[i] = {AutoBstr(name), SysStringLen(name), desc->memid};
        info->ReleaseFuncDesc(desc);
    }
}

bool TypeInfoHolder::find_cached(const OLECHAR *name, DISPID *dispid) const
{
    if (!name) return false;
    size_t length = std::char_traits<OLECHAR>::length(name);
    for (UINT i = name_count_; i-- > 0;) {
        const NameEntry &entry = names_[i];
        if (entry.name && entry.length == length &&
            std::memcmp(entry.name.get(), name, length * sizeof(OLECHAR)) == 0) {
            *dispid = entry.dispid;
            return true;
        }
    }
    return false;
}

void TypeInfoHolder::release(void *argument)
{
    auto *holder = static_cast<TypeInfoHolder *>(argument);
    if (ITypeInfo *info = holder->info_.exchange(nullptr)) info->Release();
    delete[] holder->names_;
    holder->names_ = nullptr;
    holder->name_count_ = 0;
}

}  // namespace tavlin
