// Deep copies of function descriptions.
#include <algorithm>

#include "typelib/func_desc.h"

namespace tavlinport {
namespace {

bool is_described(const TYPEDESC &type)
{
    if (type.vt == VT_CARRAY) return false;
    return (type.vt != VT_PTR && type.vt != VT_SAFEARRAY) || is_described(*type.lptdesc);
}

bool is_described(const FUNCDESC &desc)
{
    if (!is_described(desc.elemdescFunc.tdesc)) return false;
    for (SHORT i = 0; i < desc.cParams; ++i) {
        const ELEMDESC &param = desc.lprgelemdescParam[i];
        if (!is_described(param.tdesc) || (param.paramdesc.wParamFlags & PARAMFLAG_FHASDEFAULT)) return false;
    }
    return true;
}

}  // namespace

HRESULT OwnedFuncDesc::copy(const FUNCDESC &source, std::unique_ptr<OwnedFuncDesc> *out)
{
    if (!is_described(source)) return E_NOTIMPL;
    std::unique_ptr<OwnedFuncDesc> copy(new OwnedFuncDesc());
    static_cast<FUNCDESC &>(*copy) = source;
    copy->params_.assign(source.lprgelemdescParam, source.lprgelemdescParam + std::max<SHORT>(source.cParams, 0));
    for (ELEMDESC &param : copy->params_) {
        copy->copy_type(param.tdesc, &param.tdesc);
        param.paramdesc.pparamdescex = nullptr;
    }
    copy->lprgelemdescParam = copy->params_.empty() ? nullptr : copy->params_.data();
    copy->copy_type(source.elemdescFunc.tdesc, &copy->elemdescFunc.tdesc);
    copy->elemdescFunc.paramdesc.pparamdescex = nullptr;
    if (source.lprgscode && source.cScodes > 0)
        copy->scodes_.assign(source.lprgscode, source.lprgscode + source.cScodes);
    copy->lprgscode = copy->scodes_.empty() ? nullptr : copy->scodes_.data();
    *out = std::move(copy);
    return S_OK;
}

std::unique_ptr<OwnedFuncDesc> OwnedFuncDesc::clone() const
{
    std::unique_ptr<OwnedFuncDesc> copy;
    OwnedFuncDesc::copy(*this, &copy);  // what was copied once copies again
    return copy;
}

void OwnedFuncDesc::as_dispatch_member()
{
    funckind = FUNC_DISPATCH;
    if (elemdescFunc.tdesc.vt == VT_HRESULT) elemdescFunc.tdesc.vt = VT_VOID;
}

// The types a pointer or a safe array leads to are copied into storage of this description.
void OwnedFuncDesc::copy_type(const TYPEDESC &source, TYPEDESC *target)
{
    *target = source;
    if (source.vt != VT_PTR && source.vt != VT_SAFEARRAY) return;
    pointees_.emplace_back();
    TYPEDESC *pointee = &pointees_.back();
    copy_type(*source.lptdesc, pointee);
    target->lptdesc = pointee;
}

}  // namespace tavlinport
