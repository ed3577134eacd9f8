// An automation object that Java calls back, as a script's object or function would be: named
// members (DISPIDs 1, 2, ... in the order they are added, found without regard to case, as
// VBScript finds them) and a default member at DISPID_VALUE, each answered by a handler. It
// records every call (member name, arguments as text, calling thread) and counts its
// references, from any thread.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "com_holders.h"
#include "stack_object.h"
#include "util/platform.h"

namespace tavlin_test {

class CallbackObject : public StackObject<IDispatch> {
public:
    // Receives the arguments in the Java method's order; fills `result` (initialised, empty).
    // A std::runtime_error it throws is the object's error, as a script raises one.
    using Handler = std::function<void(const std::vector<const VARIANT *> &args, VARIANT *result)>;

    struct Call {
        std::string member;  // "" for DISPID_VALUE
        std::vector<std::string> args;
        std::thread::id thread;
    };

    void on(const std::string &name, Handler handler) { members_.push_back({name, std::move(handler)}); }
    void on_value(Handler handler) { value_ = std::move(handler); }
    // Every call raises an error with this description (DISP_E_EXCEPTION and its EXCEPINFO).
    void fail_with(const std::string &description) { failure_ = description; }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID, DISPID *dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS *params, VARIANT *result,
                                     EXCEPINFO *excep_info, UINT *) override;

    std::vector<Call> calls() const;

private:
    bool answers(REFIID iid) const override { return IsEqualIID(iid, IID_IDispatch); }

    struct Member {
        std::string name;
        Handler handler;
    };
    std::vector<Member> members_;
    Handler value_;
    std::string failure_;
    mutable std::mutex lock_;
    std::vector<Call> calls_;
};

}  // namespace tavlin_test
