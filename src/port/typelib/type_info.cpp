// ITypeInfo over one described type: attributes, function descriptions, names and
// documentation, name look-up, and Invoke for the methods of a dual interface.
#include <algorithm>
#include <vector>

#include "automation/variant_types.h"
#include "typelib/typelib.h"

namespace tavlinport {
namespace {

// Invoke passes every argument as one machine word, so it calls methods of up to this many
// parameters whose types fit a word; the descriptions the port carries stay within that.
constexpr SHORT kMaxParams = 4;

using Word = uintptr_t;
using Slot = void (*)();

// A FUNCDESC and the storage its pointers refer to, freed as one by ReleaseFuncDesc.
struct FuncDescBlock {
    FUNCDESC desc;
    ELEMDESC params[kMaxParams];
    TYPEDESC pointees[kMaxParams];
};

bool is_in_param_type(VARTYPE vt) { return vt == VT_BSTR || vt == VT_I4 || vt == VT_DISPATCH; }
bool is_retval_type(VARTYPE vt) { return vt == VT_BSTR || vt == VT_I4 || vt == VT_DISPATCH; }
bool is_vararg_type(const PortParamDesc &param) { return param.vt == VT_SAFEARRAY && param.pointee == VT_VARIANT; }
bool is_retval(const PortParamDesc &param) { return param.flags & PARAMFLAG_FRETVAL; }

// The parameter of a [vararg] function that receives the trailing arguments: its last
// in-parameter, before the return value; -1 for any other function.
SHORT vararg_position(const PortFuncDesc &func)
{
    if (func.optional_count >= 0 || func.param_count == 0) return -1;
    const SHORT last = static_cast<SHORT>(func.param_count - 1);
    return is_retval(func.params[last]) ? static_cast<SHORT>(last - 1) : last;
}

void describe_param(const PortParamDesc &param, ELEMDESC *elem, TYPEDESC *pointee)
{
    elem->tdesc.vt = param.vt;
    if (param.vt == VT_PTR || param.vt == VT_SAFEARRAY) {
        pointee->vt = param.pointee;
        elem->tdesc.lptdesc = pointee;
    }
    elem->paramdesc.wParamFlags = param.flags;
}

// Calls the function-table slot with the instance first, as a method call passes it.
HRESULT call_slot(void *instance, SHORT slot_index, const std::vector<Word> &words)
{
    Slot slot = (*static_cast<Slot **>(instance))[slot_index];
    switch (words.size()) {
    case 0:
        return reinterpret_cast<HRESULT (*)(void *)>(slot)(instance);
    case 1:
        return reinterpret_cast<HRESULT (*)(void *, Word)>(slot)(instance, words[0]);
    case 2:
        return reinterpret_cast<HRESULT (*)(void *, Word, Word)>(slot)(instance, words[0], words[1]);
    case 3:
        return reinterpret_cast<HRESULT (*)(void *, Word, Word, Word)>(slot)(instance, words[0], words[1], words[2]);
    default:
        return reinterpret_cast<HRESULT (*)(void *, Word, Word, Word, Word)>(slot)(instance, words[0], words[1],
                                                                                   words[2], words[3]);
    }
}

// A method that failed is an exception of the call: its HRESULT, and the texts of the error
// object it left on the thread (which is taken, as oleaut32 takes it).
void describe_failure(HRESULT hr, EXCEPINFO *excep_info)
{
    if (!excep_info) return;
    *excep_info = EXCEPINFO{};
    excep_info->scode = hr;
    IErrorInfo *error_info = nullptr;
    if (GetErrorInfo(0, &error_info) != S_OK) return;
    error_info->GetSource(&excep_info->bstrSource);
    error_info->GetDescription(&excep_info->bstrDescription);
    error_info->GetHelpFile(&excep_info->bstrHelpFile);
    error_info->GetHelpContext(&excep_info->dwHelpContext);
    error_info->Release();
}

Word word_of(const VARIANT &value)
{
    if (value.vt & VT_ARRAY) return reinterpret_cast<Word>(value.parray);
    if (value.vt == VT_DISPATCH) return reinterpret_cast<Word>(value.pdispVal);
    return value.vt == VT_BSTR ? reinterpret_cast<Word>(value.bstrVal) : Word(value.lVal);
}

// The arguments from `first` (in call order) to the last, copied into a safe array of
// VARIANTs with lower bound 0, as a [vararg] function receives them; stored in `packed`.
HRESULT pack_trailing(const DISPPARAMS &params, UINT first, VARIANT *packed)
{
    const UINT count = params.cArgs - first;
    SAFEARRAY *array = SafeArrayCreateVector(VT_VARIANT, 0, count);
    if (!array) return E_OUTOFMEMORY;
    packed->vt = VT_ARRAY | VT_VARIANT;  // the array now ends with `packed`
    packed->parray = array;
    auto *elements = static_cast<VARIANT *>(array->pvData);
    for (UINT j = 0; j < count; ++j) {
        HRESULT hr = VariantCopy(&elements[j], &params.rgvarg[count - 1 - j]);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

class TypeInfo final : public RefCounted<TypeInfo, ITypeInfo> {
public:
    TypeInfo(TypeLib *lib, UINT index) : lib_(lib), index_(index), desc_(lib->desc().types[index]) { lib->AddRef(); }

    static bool answers(REFIID iid) { return IsEqualIID(iid, IID_ITypeInfo); }

    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR **attr) override
    {
        if (!attr) return E_INVALIDARG;
        TYPEATTR *result = new TYPEATTR{};
        result->guid = *desc_.guid;
        result->lcid = lib_->desc().lcid;
        result->memidConstructor = MEMBERID_NIL;
        result->memidDestructor = MEMBERID_NIL;
        result->typekind = desc_.kind;
        result->cFuncs = desc_.func_count;
        result->cbSizeVft = static_cast<WORD>(vtable_size() * sizeof(void *));
        result->cbAlignment = sizeof(void *);
        result->wTypeFlags = desc_.flags;
        result->wMajorVerNum = lib_->desc().major;
        result->wMinorVerNum = lib_->desc().minor;
        result->tdescAlias.vt = VT_EMPTY;
        *attr = result;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT index, FUNCDESC **desc) override
    {
        if (!desc) return E_INVALIDARG;
        if (index >= desc_.func_count) return TYPE_E_ELEMENTNOTFOUND;
        const PortFuncDesc &func = desc_.funcs[index];
        if (func.param_count > kMaxParams) return E_NOTIMPL;
        FuncDescBlock *block = new FuncDescBlock{};
        block->desc.memid = func.memid;
        block->desc.lprgelemdescParam = block->params;
        block->desc.funckind = FUNC_DISPATCH;
        block->desc.invkind = func.invkind;
        block->desc.callconv = CC_STDCALL;
        block->desc.cParams = func.param_count;
        block->desc.cParamsOpt = func.optional_count;
        block->desc.oVft = static_cast<SHORT>(func.vtable_index * sizeof(void *));
        block->desc.elemdescFunc.tdesc.vt = func.result;
        for (SHORT i = 0; i < func.param_count; ++i)
            describe_param(func.params[i], &block->params[i], &block->pointees[i]);
        *desc = &block->desc;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetNames(MEMBERID memid, BSTR *names, UINT max_names, UINT *count) override
    {
        if (!names || !count) return E_INVALIDARG;
        *count = 0;
        const PortFuncDesc *func = find(memid);
        if (!func) return TYPE_E_ELEMENTNOTFOUND;
        if (max_names > 0) names[(*count)++] = SysAllocString(func->name);
        for (SHORT i = 0; i < func->param_count && *count < max_names; ++i)
            names[(*count)++] = SysAllocString(func->params[i].name);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR *names, UINT count, MEMBERID *memids) override
    {
        if (!names || !memids) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i) memids[i] = MEMBERID_NIL;
        if (count == 0) return S_OK;
        const PortFuncDesc *func = find_by_name(names[0]);
        if (!func) return DISP_E_UNKNOWNNAME;
        memids[0] = func->memid;
        HRESULT hr = S_OK;
        for (UINT i = 1; i < count; ++i) {
            memids[i] = param_index(*func, names[i]);
            if (memids[i] == MEMBERID_NIL) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }

    HRESULT STDMETHODCALLTYPE Invoke(PVOID instance, MEMBERID memid, WORD flags, DISPPARAMS *params, VARIANT *result,
                                     EXCEPINFO *excep_info, UINT *arg_err) override
    {
        if (!instance || !params) return E_INVALIDARG;
        const PortFuncDesc *func = find(memid);
        if (!func || !(flags & func->invkind)) return DISP_E_MEMBERNOTFOUND;
        if (params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
        if (func->param_count > kMaxParams) return DISP_E_BADPARAMCOUNT;
        return invoke_method(instance, *func, *params, result, excep_info, arg_err);
    }

    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID memid, BSTR *name, BSTR *doc_string, DWORD *help_context,
                                               BSTR *help_file) override
    {
        if (memid == MEMBERID_NIL)
            return store_documentation(desc_.name, desc_.doc, name, doc_string, help_context, help_file);
        const PortFuncDesc *func = find(memid);
        if (!func) return TYPE_E_ELEMENTNOTFOUND;
        return store_documentation(func->name, func->doc, name, doc_string, help_context, help_file);
    }

    HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib **lib, UINT *index) override
    {
        if (!lib) return E_INVALIDARG;
        lib_->AddRef();
        *lib = lib_;
        if (index) *index = index_;
        return S_OK;
    }

    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR *attr) override { delete attr; }
    void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC *desc) override { delete reinterpret_cast<FuncDescBlock *>(desc); }
    void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC *) override {}

    // The descriptions carry no variables, implemented interfaces, binding tables, modules
    // or instance creation.
    HRESULT STDMETHODCALLTYPE GetVarDesc(UINT, VARDESC **) override { return TYPE_E_ELEMENTNOTFOUND; }
    HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT, HREFTYPE *) override { return TYPE_E_ELEMENTNOTFOUND; }
    HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT, INT *) override { return TYPE_E_ELEMENTNOTFOUND; }
    HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE, ITypeInfo **) override { return TYPE_E_ELEMENTNOTFOUND; }
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID, INVOKEKIND, BSTR *, BSTR *, WORD *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID, INVOKEKIND, PVOID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *, REFIID, PVOID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMops(MEMBERID, BSTR *) override { return E_NOTIMPL; }

private:
    ~TypeInfo() { lib_->Release(); }
    friend class RefCounted<TypeInfo, ITypeInfo>;

    size_t vtable_size() const
    {
        if (desc_.kind == TKIND_COCLASS) return 0;
        size_t size = 7;  // IUnknown and IDispatch
        for (WORD i = 0; i < desc_.func_count; ++i)
            size = std::max(size, static_cast<size_t>(desc_.funcs[i].vtable_index) + 1);
        return size;
    }

    const PortFuncDesc *find(MEMBERID memid) const
    {
        for (WORD i = 0; i < desc_.func_count; ++i) {
            if (desc_.funcs[i].memid == memid) return &desc_.funcs[i];
        }
        return nullptr;
    }

    const PortFuncDesc *find_by_name(const OLECHAR *name) const
    {
        for (WORD i = 0; i < desc_.func_count; ++i) {
            if (name && equal_ignoring_case(desc_.funcs[i].name, name)) return &desc_.funcs[i];
        }
        return nullptr;
    }

    static MEMBERID param_index(const PortFuncDesc &func, const OLECHAR *name)
    {
        for (SHORT i = 0; i < func.param_count; ++i) {
            if (name && equal_ignoring_case(func.params[i].name, name)) return i;
        }
        return MEMBERID_NIL;
    }

    // Arguments arrive last first; each in-parameter is coerced to its declared type, a
    // [vararg] function's trailing arguments are packed into its safe array, and the
    // return-value parameter points into the result.
    static HRESULT invoke_method(void *instance, const PortFuncDesc &func, const DISPPARAMS &params, VARIANT *result,
                                 EXCEPINFO *excep_info, UINT *arg_err)
    {
        const PortParamDesc *retval = nullptr;
        const SHORT vararg = vararg_position(func);
        UINT in_count = 0;
        for (SHORT i = 0; i < func.param_count; ++i) {
            const PortParamDesc &param = func.params[i];
            if (is_retval(param)) {
                bool last = i == func.param_count - 1;
                if (!last || param.vt != VT_PTR || !is_retval_type(param.pointee)) return DISP_E_BADVARTYPE;
                retval = &param;
            } else if (i == vararg ? !is_vararg_type(param) : !is_in_param_type(param.vt)) {
                return DISP_E_BADVARTYPE;
            } else {
                ++in_count;
            }
        }
        const UINT fixed = vararg < 0 ? in_count : in_count - 1;
        if (vararg < 0 ? params.cArgs != fixed : params.cArgs < fixed) return DISP_E_BADPARAMCOUNT;

        std::vector<OwnedVariant> arguments(in_count);  // the coerced arguments, cleared when the call ends
        std::vector<Word> words;
        for (UINT i = 0; i < fixed; ++i) {
            UINT position = params.cArgs - 1 - i;
            if (FAILED(VariantChangeType(arguments[i].get(), &params.rgvarg[position], 0, func.params[i].vt))) {
                if (arg_err) *arg_err = position;
                return DISP_E_TYPEMISMATCH;
            }
            words.push_back(word_of(*arguments[i].get()));
        }
        if (vararg >= 0) {
            HRESULT hr = pack_trailing(params, fixed, arguments[fixed].get());
            if (FAILED(hr)) return hr;
            words.push_back(word_of(*arguments[fixed].get()));
        }
        VARIANT returned;
        VariantInit(&returned);
        if (retval) words.push_back(reinterpret_cast<Word>(&returned.llVal));

        HRESULT hr = call_slot(instance, func.vtable_index, words);
        if (FAILED(hr)) {
            describe_failure(hr, excep_info);
            return DISP_E_EXCEPTION;
        }
        if (retval) returned.vt = retval->pointee;
        if (result) {
            *result = returned;
        } else {
            VariantClear(&returned);
        }
        return S_OK;
    }

    TypeLib *lib_;
    UINT index_;
    const PortTypeDesc &desc_;
};

}  // namespace

ITypeInfo *new_type_info(TypeLib *lib, UINT index) { return new TypeInfo(lib, index); }

}  // namespace tavlinport
