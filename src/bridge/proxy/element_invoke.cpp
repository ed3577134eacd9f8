// A collection used as Scripting.Dictionary and VBA's collections are: the default member
// with arguments, and `Item` where the class has no member of that name, read and write a
// Map's values by key (get, put) and a List's elements by position (get, set); and JScript's
// `m.name`, a name no member of a Map has, reads the value of that key.

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "bridge/proxy/proxy.h"
#include "errors/tavlin_ex.h"
#include "util/auto_variant.h"
#include "util/text.h"

namespace tavlin {

namespace {

// The names read as a Map's keys, numbered from kFirstKeyDispid for the whole process (a
// DISPID must name the same key whenever a client passes it back). A client's names are a
// claim on memory: only so many, only so long, are kept; beyond them a name is unknown, as it
// was before names could be keys.
constexpr DISPID kFirstKeyDispid = 0x20000000;
constexpr size_t kMostKeyNames = 4096;
constexpr size_t kLongestKeyName = 256;

class KeyNames {
public:
    DISPID dispid_of(const OLECHAR *name)
    {
        OleString text(name);
        if (text.size() > kLongestKeyName) return DISPID_UNKNOWN;
        std::lock_guard<std::mutex> hold(lock_);
        auto found = dispids_.find(text);
        if (found != dispids_.end()) return found->second;
        if (names_.size() >= kMostKeyNames) return DISPID_UNKNOWN;
        const DISPID dispid = kFirstKeyDispid + static_cast<DISPID>(names_.size());
        names_.push_back(text);
        dispids_.emplace(std::move(text), dispid);
        return dispid;
    }

    // The name of a key DISPID; false for one not handed out.
    bool name_of(DISPID dispid, OleString &name)
    {
        std::lock_guard<std::mutex> hold(lock_);
        const size_t position = static_cast<size_t>(dispid - kFirstKeyDispid);
        if (position >= names_.size()) return false;
        name = names_[position];
        return true;
    }

private:
    std::mutex lock_;
    std::vector<OleString> names_;
    std::unordered_map<OleString, DISPID> dispids_;
};

KeyNames &key_names()
{
    static KeyNames *names = new KeyNames;  // never destroyed: a client may call at exit
    return *names;
}

bool is_write(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

}  // namespace

DISPID CProxy::element_dispid(const OLECHAR *name) const
{
    const Indexing indexing = methods()->indexing();
    if (indexing == Indexing::None || is_class()) return DISPID_UNKNOWN;
    if (is_name_folded(name, "item")) return DISPID_VALUE;
    return indexing == Indexing::ByKey ? key_names().dispid_of(name) : DISPID_UNKNOWN;
}

void CProxy::call_by_name(JNIEnv *env, const char *name, const CallArguments &arguments, VARIANT *result)
{
    const int index = init_methods(env).name_index(env).find(FoldedName(std::string(name)));
    if (index < 0) TavlinEx::raise("The collection has no method %s", name);
    call_namesakes(env, index, arguments, result);
}

HRESULT CProxy::invoke_element(JNIEnv *env, WORD flags, DISPPARAMS *params, VARIANT *result)
{
    const Indexing indexing = init_methods(env).indexing();
    if (indexing == Indexing::None || is_class()) return DISP_E_UNKNOWNINTERFACE;
    const HRESULT named = named_arguments_status(params, flags);
    if (FAILED(named)) return named == E_INVALIDARG ? named : DISP_E_NONAMEDARGS;
    const CallArguments arguments = CallArguments::of(params);
    if (!is_write(flags)) {
        call_by_name(env, "get", arguments, result);
        return S_OK;
    }
    AutoVariant previous;  // what put and set give back, which a write does not return
    call_by_name(env, indexing == Indexing::ByKey ? "put" : "set", arguments, previous.put());
    return S_OK;
}

HRESULT CProxy::invoke_key_name(JNIEnv *env, DISPID dispid, WORD flags, DISPPARAMS *params, VARIANT *result)
{
    OleString name;
    if (!key_names().name_of(dispid, name)) throw new TavlinEx("Invalid method.");  // none handed out
    // Only a property read with nothing else, as JScript makes it: a VBScript call of a
    // misspelt member stays the error it was.
    if (flags != DISPATCH_PROPERTYGET || (params && params->cArgs)) return DISP_E_MEMBERNOTFOUND;
    AutoVariant key;
    key.get()->vt = VT_BSTR;
    key.get()->bstrVal = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    if (!key.get()->bstrVal) throw std::bad_alloc();
    call_by_name(env, "get", CallArguments::in_order(key.get(), 1), result);
    return S_OK;
}

bool CProxy::is_key_name_dispid(DISPID dispid)
{
    return dispid >= kFirstKeyDispid && dispid - kFirstKeyDispid < static_cast<DISPID>(kMostKeyNames);
}

}  // namespace tavlin
