// The type information of a dual interface, loaded once per process from the registered
// type library, with a cache of its function names; the IDispatch half of the interface is
// served from it.
#pragma once

#include <atomic>

#include "util/holders.h"
#include "util/platform.h"

namespace tavlin {

class TypeInfoHolder {
public:
    constexpr TypeInfoHolder(const IID *iid, const GUID *libid, WORD major, WORD minor)
        : iid_(iid), libid_(libid), major_(major), minor_(minor)
    {
    }
    TypeInfoHolder(const TypeInfoHolder &) = delete;
    TypeInfoHolder &operator=(const TypeInfoHolder &) = delete;

    HRESULT get_type_info(LCID lcid, ITypeInfo **info);
    HRESULT get_ids_of_names(LPOLESTR *names, UINT count, LCID lcid, DISPID *dispids);
    // `instance` is the object's pointer to the interface the type information describes.
    HRESULT invoke(void *instance, DISPID dispid, LCID lcid, WORD flags, DISPPARAMS *params, VARIANT *result,
                   EXCEPINFO *excep_info, UINT *arg_err);

private:
    struct NameEntry {
        AutoBstr name;  // null when the function's name could not be read: never matches
        UINT length;
        DISPID dispid;
    };

    // The loaded type information, or null with the load failure in *hr.
    ITypeInfo *loaded(LCID lcid, HRESULT *hr);
    HRESULT load(LCID lcid);
    void cache_names(ITypeInfo *info);
    bool find_cached(const OLECHAR *name, DISPID *dispid) const;
    static void release(void *holder);

    const IID *iid_;
    const GUID *libid_;
    WORD major_;
    WORD minor_;
    std::atomic<ITypeInfo *> info_{nullptr};
    NameEntry *names_ = nullptr;
    UINT name_count_ = 0;
};

}  // namespace tavlin
