// A type made at run time: filled through ICreateTypeInfo, then read through ITypeInfo.
// A dispinterface shows first the functions of the interfaces it is based on (IDispatch and
// IUnknown, seven), then its own; names and member IDs are looked up among its own functions
// first. Every layout value (function-table offsets and size) is derived when it is read.
#include <algorithm>

#include "typelib/created.h"
#include "typelib/typelib.h"

namespace tavlinport {
namespace {

// IDispatch's function table (IUnknown's three and its own four): what oleaut32 gives every
// dispinterface, whatever it is based on.
constexpr WORD kDispatchSlots = 7;
// The member IDs that oleaut32 gives functions added with MEMBERID_NIL: this plus their index.
constexpr MEMBERID kFirstAssignedMemid = 0x60000000;

bool is_property_kind(INVOKEKIND kind)
{
    return kind & (INVOKE_PROPERTYGET | INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF);
}
bool is_put_kind(INVOKEKIND kind) { return kind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF); }

// The function kinds a type may hold: a dispinterface's are called through IDispatch, an
// interface's through its function table.
bool fits_kind(TYPEKIND type, FUNCKIND function)
{
    return type == TKIND_DISPATCH ? function == FUNC_DISPATCH : function != FUNC_DISPATCH;
}

// The name of the function `memid` names in `info`; empty when it has none.
std::u16string name_in(ITypeInfo *info, MEMBERID memid)
{
    BSTR name = nullptr;
    UINT count = 0;
    if (FAILED(info->GetNames(memid, &name, 1, &count)) || count == 0) return std::u16string();
    std::u16string text(name, SysStringLen(name));
    SysFreeString(name);
    return text;
}

bool wanted(INVOKEKIND kind, WORD flags) { return flags == 0 || (kind & flags); }

}  // namespace

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::QueryInterface(REFIID iid, void **out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ITypeInfo)) {
        *out = static_cast<ITypeInfo *>(this);
    } else if (IsEqualIID(iid, IID_ICreateTypeInfo)) {
        *out = static_cast<ICreateTypeInfo *>(this);
    } else if (IsEqualIID(iid, IID_ITypeComp)) {
        *out = static_cast<ITypeComp *>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

// The library owns its types: the first reference to a type holds the library, the last one
// lets it go (which may end both).
ULONG STDMETHODCALLTYPE CreatedTypeInfo::AddRef()
{
    ULONG count = ++count_;
    if (count == 1) lib_->AddRef();
    return count;
}

ULONG STDMETHODCALLTYPE CreatedTypeInfo::Release()
{
    ULONG count = --count_;
    if (count == 0) lib_->Release();
    return count;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetGuid(REFGUID guid)
{
    guid_ = guid;
    return S_OK;
}

// A dispinterface is no interface of the automation marshaller, so it never keeps that flag.
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetTypeFlags(UINT flags)
{
    flags_ = static_cast<WORD>(is_dispatch() ? flags & ~TYPEFLAG_FOLEAUTOMATION : flags);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetDocString(LPOLESTR doc)
{
    if (!doc) return E_INVALIDARG;
    doc_ = doc;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetHelpContext(DWORD help_context)
{
    help_context_ = help_context;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetVersion(WORD major, WORD minor)
{
    major_ = major;
    minor_ = minor;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::AddRefTypeInfo(ITypeInfo *info, HREFTYPE *ref_type)
{
    if (!info || !ref_type) return E_INVALIDARG;
    *ref_type = lib_->reference(info);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::AddFuncDesc(UINT index, FUNCDESC *desc)
{
    if (!desc) return E_INVALIDARG;
    if (index > functions_.size()) return TYPE_E_ELEMENTNOTFOUND;
    if (!fits_kind(kind_, desc->funckind)) return TYPE_E_BADMODULEKIND;
    if (is_put_kind(desc->invkind) && desc->cParams == 0) return TYPE_E_INCONSISTENTPROPFUNCS;
    Function function;
    HRESULT hr = OwnedFuncDesc::copy(*desc, &function.desc);
    if (FAILED(hr)) return hr;
    if (function.desc->memid == MEMBERID_NIL) function.desc->memid = kFirstAssignedMemid + static_cast<MEMBERID>(index);
    functions_.insert(functions_.begin() + index, std::move(function));
    return S_OK;
}

// A dispinterface or an interface is based on one type at most, which must exist and must not
// be based on it in turn (Wine takes a dispinterface's base unseen, and loops on a circle).
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::AddImplType(UINT index, HREFTYPE ref_type)
{
    if (index != 0 || implemented_) return TYPE_E_ELEMENTNOTFOUND;
    ITypeInfo *base = lib_->referenced(ref_type);
    if (!base) return E_FAIL;
    if (leads_here(base)) return TYPE_E_CIRCULARTYPE;
    implemented_ = ref_type;
    return S_OK;
}

// Only a coclass's implemented types have flags, and the port makes none.
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetImplTypeFlags(UINT, INT) { return TYPE_E_BADMODULEKIND; }

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetAlignment(WORD alignment)
{
    alignment_ = alignment;
    return S_OK;
}

// The names must fit the function (a property's put takes its value unnamed) and be new among
// the type's functions, but that a property's get and put share theirs. Names given again
// replace as many as they are; parameters' names beyond them stay.
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetFuncAndParamNames(UINT index, LPOLESTR *names, UINT count)
{
    if (!names || std::find(names, names + count, nullptr) != names + count) return E_INVALIDARG;
    if (index >= functions_.size() || count == 0) return TYPE_E_ELEMENTNOTFOUND;
    Function &function = functions_[index];
    const int fitting = function.desc->cParams + (is_put_kind(function.desc->invkind) ? 0 : 1);
    if (static_cast<int>(count) > fitting) return TYPE_E_ELEMENTNOTFOUND;
    if (name_taken(function, names[0])) return TYPE_E_AMBIGUOUSNAME;
    function.names.resize(std::max<size_t>(function.names.size(), count));
    std::copy(names, names + count, function.names.begin());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetFuncDocString(UINT index, LPOLESTR doc)
{
    if (!doc) return E_INVALIDARG;
    if (index >= functions_.size()) return TYPE_E_ELEMENTNOTFOUND;
    functions_[index].doc = doc;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetFuncHelpContext(UINT index, DWORD help_context)
{
    if (index >= functions_.size()) return TYPE_E_ELEMENTNOTFOUND;
    functions_[index].help_context = help_context;
    return S_OK;
}

// Nothing is left to compute: offsets and sizes follow from the functions when read.
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::LayOut() { return S_OK; }

// Not part of what the port describes: variables, aliases, schemas, DLL entries, IDL flags.
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetSchema(LPOLESTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::AddVarDesc(UINT, VARDESC *) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetVarName(UINT, LPOLESTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetTypeDescAlias(TYPEDESC *) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::DefineFuncAsDllEntry(UINT, LPOLESTR, LPOLESTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetVarDocString(UINT, LPOLESTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetVarHelpContext(UINT, DWORD) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetMops(UINT, BSTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::SetTypeIdldesc(IDLDESC *) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::GetTypeAttr(TYPEATTR **attr)
{
    if (!attr) return E_INVALIDARG;
    TYPEATTR *result = new TYPEATTR{};
    result->guid = guid_;
    result->lcid = lib_->lcid();
    result->memidConstructor = MEMBERID_NIL;
    result->memidDestructor = MEMBERID_NIL;
    result->cbSizeInstance = lib_->pointer_size();
    result->typekind = kind_;
    result->cFuncs = static_cast<WORD>(functions_.size() + (is_dispatch() ? kDispatchSlots : 0));
    result->cImplTypes = implemented_ ? 1 : 0;
    result->cbSizeVft = vtable_size();
    result->cbAlignment = alignment_;
    result->wTypeFlags = flags_;
    result->wMajorVerNum = major_;
    result->wMinorVerNum = minor_;
    *attr = result;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::GetTypeComp(ITypeComp **comp)
{
    if (!comp) return E_INVALIDARG;
    *comp = this;
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::GetFuncDesc(UINT index, FUNCDESC **desc)
{
    if (!desc) return E_INVALIDARG;
    if (is_dispatch()) {
        const std::vector<Inherited> members = inherited();
        if (index < members.size()) {
            std::unique_ptr<OwnedFuncDesc> copy;
            HRESULT hr = inherited_func_desc(members[index], &copy);
            if (SUCCEEDED(hr)) *desc = copy.release();
            return hr;
        }
        index -= static_cast<UINT>(members.size());
    }
    if (index >= functions_.size()) return TYPE_E_ELEMENTNOTFOUND;
    *desc = own_func_desc(index);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::GetNames(MEMBERID memid, BSTR *names, UINT max_names, UINT *count)
{
    if (!names || !count) return E_INVALIDARG;
    *count = 0;
    const Function *function = find(memid);
    if (!function) return base() ? base()->GetNames(memid, names, max_names, count) : TYPE_E_ELEMENTNOTFOUND;
    for (const std::u16string &name : function->names) {
        if (*count == max_names) break;
        names[(*count)++] = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::GetRefTypeOfImplType(UINT index, HREFTYPE *ref_type)
{
    if (!ref_type) return E_INVALIDARG;
    if (index != 0 || !implemented_) return TYPE_E_ELEMENTNOTFOUND;
    *ref_type = *implemented_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::GetImplTypeFlags(UINT index, INT *flags)
{
    if (!flags) return E_INVALIDARG;
    if (index != 0 || !implemented_) return TYPE_E_ELEMENTNOTFOUND;
    *flags = 0;
    return S_OK;
}

// The first name is a member's, the others its parameters'; a member the type does not
// declare is looked up in the type it is based on.
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::GetIDsOfNames(LPOLESTR *names, UINT count, MEMBERID *memids)
{
    if (!names || !memids) return E_INVALIDARG;
    if (count == 0) return S_OK;
    const Function *function = find(names[0]);
    if (!function && base()) return base()->GetIDsOfNames(names, count, memids);
    std::fill(memids, memids + count, MEMBERID_NIL);
    if (!function) return DISP_E_UNKNOWNNAME;
    memids[0] = function->desc->memid;
    HRESULT hr = S_OK;
    for (UINT i = 1; i < count; ++i) {
        auto param = std::find_if(function->names.begin() + 1, function->names.end(), [&](const std::u16string &known) {
            return names[i] && equal_ignoring_case(known.c_str(), names[i]);
        });
        if (param == function->names.end()) {
            hr = DISP_E_UNKNOWNNAME;
        } else {
            memids[i] = static_cast<MEMBERID>(param - function->names.begin() - 1);
        }
    }
    return hr;
}

// A dispinterface's member is called through the object's own IDispatch, as oleaut32 does
// it; the port calls no function tables, so an interface's members are E_NOTIMPL.
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::Invoke(PVOID instance, MEMBERID memid, WORD flags, DISPPARAMS *params,
                                                  VARIANT *result, EXCEPINFO *excep_info, UINT *arg_err)
{
    if (!is_dispatch()) return E_NOTIMPL;
    auto callable = [&](const Function &function) {
        return function.desc->memid == memid && (function.desc->invkind & flags);
    };
    if (std::none_of(functions_.begin(), functions_.end(), callable)) return DISP_E_MEMBERNOTFOUND;
    if (!instance) return E_INVALIDARG;
    ComRef<IDispatch> dispatch;
    HRESULT hr =
        static_cast<IUnknown *>(instance)->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(dispatch.out()));
    if (FAILED(hr)) return hr;
    return dispatch->Invoke(memid, IID_NULL, LOCALE_USER_DEFAULT, flags, params, result, excep_info, arg_err);
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::GetDocumentation(MEMBERID memid, BSTR *name, BSTR *doc_string,
                                                            DWORD *help_context, BSTR *help_file)
{
    if (memid == MEMBERID_NIL) {
        store_documentation(name_.c_str(), text_or_null(doc_), name, doc_string, help_context, help_file);
        if (help_context) *help_context = help_context_;
        return S_OK;
    }
    const Function *function = find(memid);
    if (!function) {
        return base() ? base()->GetDocumentation(memid, name, doc_string, help_context, help_file)
                      : TYPE_E_ELEMENTNOTFOUND;
    }
    const OLECHAR *function_name = function->names.empty() ? nullptr : function->names[0].c_str();
    store_documentation(function_name, text_or_null(function->doc), name, doc_string, help_context, help_file);
    if (help_context) *help_context = function->help_context;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::GetRefTypeInfo(HREFTYPE ref_type, ITypeInfo **info)
{
    if (!info) return E_INVALIDARG;
    *info = nullptr;
    if (ref_type == static_cast<HREFTYPE>(-1)) return TYPE_E_ELEMENTNOTFOUND;  // a dual interface's other half
    ITypeInfo *referenced = lib_->referenced(ref_type);
    if (!referenced) return E_FAIL;
    referenced->AddRef();
    *info = referenced;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CreatedTypeInfo::GetContainingTypeLib(ITypeLib **lib, UINT *index)
{
    if (!lib) return E_INVALIDARG;
    *lib = lib_;
    lib_->AddRef();
    if (index) *index = lib_->index_of(this);
    return S_OK;
}

// The port describes no variables, and no modules or classes to reach members of or create.
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::GetVarDesc(UINT, VARDESC **) { return TYPE_E_ELEMENTNOTFOUND; }
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::GetDllEntry(MEMBERID, INVOKEKIND, BSTR *, BSTR *, WORD *)
{
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::AddressOfMember(MEMBERID, INVOKEKIND, PVOID *) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::CreateInstance(IUnknown *, REFIID, PVOID *) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::GetMops(MEMBERID, BSTR *) { return E_NOTIMPL; }

// A member of the type's own first, then one it shows from its base; the first of that name
// whose kind the flags ask for (any, for none). A name that only members of other kinds have
// is a type mismatch; an unknown one binds nothing.
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::Bind(LPOLESTR name, ULONG, WORD flags, ITypeInfo **info, DESCKIND *kind,
                                                BINDPTR *bound)
{
    if (!name || !info || !kind || !bound) return E_INVALIDARG;
    *info = nullptr;
    *kind = DESCKIND_NONE;
    bound->lpfuncdesc = nullptr;
    bool named = false;
    if (bind_own(name, flags, &named, info, bound) || bind_inherited(name, flags, &named, info, bound)) {
        *kind = DESCKIND_FUNCDESC;
        return S_OK;
    }
    return named ? TYPE_E_TYPEMISMATCH : S_OK;
}

// The type's own name and its types' names are not bound at this level: nothing is found.
HRESULT STDMETHODCALLTYPE CreatedTypeInfo::BindType(LPOLESTR name, ULONG, ITypeInfo **info, ITypeComp **comp)
{
    if (!name || !info || !comp) return E_INVALIDARG;
    *info = nullptr;
    *comp = nullptr;
    return S_OK;
}

ITypeInfo *CreatedTypeInfo::base() const { return implemented_ ? lib_->referenced(*implemented_) : nullptr; }

// Whether `type` is this one or is based on it, through types made here.
bool CreatedTypeInfo::leads_here(ITypeInfo *type) const
{
    for (auto *created = dynamic_cast<CreatedTypeInfo *>(type); created;
         created = dynamic_cast<CreatedTypeInfo *>(created->base())) {
        if (created == this) return true;
    }
    return false;
}

WORD CreatedTypeInfo::vtable_size() const
{
    if (is_dispatch()) return static_cast<WORD>(kDispatchSlots * lib_->pointer_size());
    return static_cast<WORD>(first_slot_offset() + functions_.size() * lib_->pointer_size());
}

// Where the type's own functions start in its function table: after those of its base.
WORD CreatedTypeInfo::first_slot_offset() const
{
    if (is_dispatch()) return vtable_size();
    TYPEATTR *attr = nullptr;
    if (!base() || FAILED(base()->GetTypeAttr(&attr))) return 0;
    WORD size = attr->cbSizeVft;
    base()->ReleaseTypeAttr(attr);
    return size;
}

// The functions of the types this one is based on, the deepest base's first: what a
// dispinterface shows ahead of its own.
std::vector<CreatedTypeInfo::Inherited> CreatedTypeInfo::inherited() const
{
    std::vector<Inherited> members;
    ComRef<ITypeInfo> type = base() ? ComRef<ITypeInfo>::retain(base()) : ComRef<ITypeInfo>();
    std::vector<ComRef<ITypeInfo>> chain;
    while (type.get()) {
        TYPEATTR *attr = nullptr;
        if (FAILED(type->GetTypeAttr(&attr))) break;
        const bool based = attr->typekind == TKIND_INTERFACE && attr->cImplTypes > 0;
        type->ReleaseTypeAttr(attr);
        HREFTYPE href = 0;
        ComRef<ITypeInfo> next;
        if (based && SUCCEEDED(type->GetRefTypeOfImplType(0, &href))) type->GetRefTypeInfo(href, next.out());
        chain.push_back(std::move(type));
        type = std::move(next);
    }
    for (auto link = chain.rbegin(); link != chain.rend(); ++link) {
        TYPEATTR *attr = nullptr;
        if (FAILED((*link)->GetTypeAttr(&attr))) continue;
        const WORD count = attr->cFuncs;
        (*link)->ReleaseTypeAttr(attr);
        for (UINT index = 0; index < count; ++index) members.push_back({ComRef<ITypeInfo>::retain(link->get()), index});
    }
    return members;
}

// A function's own offset in the function table when it was given one, else its position's.
FUNCDESC *CreatedTypeInfo::own_func_desc(size_t index) const
{
    std::unique_ptr<OwnedFuncDesc> copy = functions_[index].desc->clone();
    if (copy->oVft == 0) copy->oVft = static_cast<SHORT>(first_slot_offset() + index * lib_->pointer_size());
    return copy.release();
}

HRESULT CreatedTypeInfo::inherited_func_desc(const Inherited &member, std::unique_ptr<OwnedFuncDesc> *desc) const
{
    FUNCDESC *source = nullptr;
    HRESULT hr = member.owner->GetFuncDesc(member.index, &source);
    if (FAILED(hr)) return hr;
    hr = OwnedFuncDesc::copy(*source, desc);
    member.owner->ReleaseFuncDesc(source);
    if (SUCCEEDED(hr) && is_dispatch()) (*desc)->as_dispatch_member();
    return hr;
}

const CreatedTypeInfo::Function *CreatedTypeInfo::find(MEMBERID memid) const
{
    for (const Function &function : functions_) {
        if (function.desc->memid == memid) return &function;
    }
    return nullptr;
}

const CreatedTypeInfo::Function *CreatedTypeInfo::find(const OLECHAR *name) const
{
    for (const Function &function : functions_) {
        if (name && !function.names.empty() && equal_ignoring_case(function.names[0].c_str(), name)) return &function;
    }
    return nullptr;
}

// Names are compared with their case here, and `named` itself counts: naming a function twice
// the same way is ambiguous too.
bool CreatedTypeInfo::name_taken(const Function &named, const OLECHAR *name) const
{
    for (const Function &function : functions_) {
        if (function.names.empty() || function.names[0] != name) continue;
        const INVOKEKIND mine = named.desc->invkind, theirs = function.desc->invkind;
        if (!(is_property_kind(mine) && is_property_kind(theirs) && mine != theirs)) return true;
    }
    return false;
}

bool CreatedTypeInfo::bind_own(const OLECHAR *name, WORD flags, bool *named, ITypeInfo **info, BINDPTR *bound)
{
    for (size_t index = 0; index < functions_.size(); ++index) {
        const Function &function = functions_[index];
        if (function.names.empty() || !equal_ignoring_case(function.names[0].c_str(), name)) continue;
        *named = true;
        if (!wanted(function.desc->invkind, flags)) continue;
        AddRef();
        *info = this;
        bound->lpfuncdesc = own_func_desc(index);
        return true;
    }
    return false;
}

// The bound type is the one that declares the function, when it is made here (its
// ReleaseFuncDesc frees what this one hands out); otherwise this one.
bool CreatedTypeInfo::bind_inherited(const OLECHAR *name, WORD flags, bool *named, ITypeInfo **info, BINDPTR *bound)
{
    for (const Inherited &member : inherited()) {
        std::unique_ptr<OwnedFuncDesc> desc;
        if (FAILED(inherited_func_desc(member, &desc))) continue;
        if (!equal_ignoring_case(name_in(member.owner.get(), desc->memid).c_str(), name)) continue;
        *named = true;
        if (!wanted(desc->invkind, flags)) continue;
        ITypeInfo *declaring = dynamic_cast<CreatedTypeInfo *>(member.owner.get()) ? member.owner.get() : this;
        declaring->AddRef();
        *info = declaring;
        bound->lpfuncdesc = desc.release();
        return true;
    }
    return false;
}

}  // namespace tavlinport
