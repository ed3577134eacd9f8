#include "bridge/util_object/tavlin_util.h"

#include "bridge/boundary/com_boundary.h"
#include "com/type_info_holder.h"

namespace tavlin {

namespace {
// One per process: ITavlinUtil2 in the library's type library, version 1.0. Its dispatch
// view holds ITavlinUtil's newInstance too, at the same slot and DISPID.
TypeInfoHolder type_info(&IID_ITavlinUtil2, &LIBID_Tavlin, 1, 0);

// The interfaces whose methods set the thread's error object.
const IID *const kErrorInfoInterfaces[] = {&IID_ITavlinUtil2, &IID_ITavlinUtil, &IID_IDispatch};
}  // namespace

void *CTavlinUtil::interface_for(REFIID iid)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_ITavlinUtil) ||
        IsEqualIID(iid, IID_ITavlinUtil2))
        return static_cast<ITavlinUtil2 *>(this);
    if (IsEqualIID(iid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo *>(this);
    return nullptr;
}

HRESULT STDMETHODCALLTYPE CTavlinUtil::InterfaceSupportsErrorInfo(REFIID iid)
{
    return supports_error_info(kErrorInfoInterfaces, iid);
}

HRESULT STDMETHODCALLTYPE CTavlinUtil::GetTypeInfoCount(UINT *count)
{
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTavlinUtil::GetTypeInfo(UINT, LCID lcid, ITypeInfo **info)
{
    return type_info.get_type_info(lcid, info);
}

HRESULT STDMETHODCALLTYPE CTavlinUtil::GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID lcid, DISPID *dispids)
{
    return type_info.get_ids_of_names(names, count, lcid, dispids);
}

HRESULT STDMETHODCALLTYPE CTavlinUtil::Invoke(DISPID dispid, REFIID, LCID lcid, WORD flags, DISPPARAMS *params,
                                              VARIANT *result, EXCEPINFO *excep_info, UINT *arg_err)
{
    if (dispid >= kNewObjectDispid && dispid <= kImplementDispid)
        return invoke_maker(dispid, flags, params, result, excep_info, arg_err);
    return type_info.invoke(static_cast<ITavlinUtil2 *>(this), dispid, lcid, flags, params, result, excep_info,
                            arg_err);
}

}  // namespace tavlin
