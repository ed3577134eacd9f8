// A FUNCDESC that owns what its pointers refer to (its parameters, the types they point
// through, its return codes): how created type information keeps a function it was given and
// hands out copies that ReleaseFuncDesc frees.
#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "tavlinport/windows.h"

namespace tavlinport {

class OwnedFuncDesc : public FUNCDESC {
public:
    // A deep copy of `source`; E_NOTIMPL for what the port does not describe: C arrays
    // (VT_CARRAY) and parameters' default values (PARAMFLAG_FHASDEFAULT).
    static HRESULT copy(const FUNCDESC &source, std::unique_ptr<OwnedFuncDesc> *out);
    std::unique_ptr<OwnedFuncDesc> clone() const;

    // The copy handed to a caller, released through release().
    FUNCDESC *hand_out() const { return clone().release(); }
    static void release(FUNCDESC *desc) { delete static_cast<OwnedFuncDesc *>(desc); }

    // As a dispinterface shows a method of an interface it inherits: called through
    // IDispatch, with a failure HRESULT no longer a return value.
    void as_dispatch_member();

private:
    OwnedFuncDesc() = default;
    void copy_type(const TYPEDESC &source, TYPEDESC *target);

    std::vector<ELEMDESC> params_;
    std::deque<TYPEDESC> pointees_;  // a deque keeps their addresses as it grows
    std::vector<SCODE> scodes_;
};

}  // namespace tavlinport
