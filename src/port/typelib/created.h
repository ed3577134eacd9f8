// Type libraries made at run time (CreateTypeLib2): a library filled through ICreateTypeLib2
// and read through ITypeLib, whose types are filled through ICreateTypeInfo and read through
// ITypeInfo and ITypeComp. What they answer is what Wine's oleaut32 answers (the conformance
// rows record it). A library is filled by one thread at a time; once filled, it may be read
// from any thread.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "com/support.h"
#include "typelib/func_desc.h"

namespace tavlinport {

// A text that may never have been set, read back as a null BSTR then.
using OptionalText = std::optional<std::u16string>;
inline const OLECHAR *text_or_null(const OptionalText &text) { return text ? text->c_str() : nullptr; }

class CreatedTypeInfo;

class CreatedTypeLib final : public ICreateTypeLib2, public ITypeLib {
public:
    explicit CreatedTypeLib(SYSKIND syskind);
    ~CreatedTypeLib();
    CreatedTypeLib(const CreatedTypeLib &) = delete;
    CreatedTypeLib &operator=(const CreatedTypeLib &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE CreateTypeInfo(LPOLESTR name, TYPEKIND kind, ICreateTypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE SetName(LPOLESTR name) override;
    HRESULT STDMETHODCALLTYPE SetVersion(WORD major, WORD minor) override;
    HRESULT STDMETHODCALLTYPE SetGuid(REFGUID guid) override;
    HRESULT STDMETHODCALLTYPE SetDocString(LPOLESTR doc) override;
    HRESULT STDMETHODCALLTYPE SetHelpFileName(LPOLESTR help_file) override;
    HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD help_context) override;
    HRESULT STDMETHODCALLTYPE SetLcid(LCID lcid) override;
    HRESULT STDMETHODCALLTYPE SetLibFlags(UINT flags) override;
    HRESULT STDMETHODCALLTYPE SaveAllChanges() override;
    HRESULT STDMETHODCALLTYPE DeleteTypeInfo(LPOLESTR name) override;
    HRESULT STDMETHODCALLTYPE SetCustData(REFGUID guid, VARIANT *value) override;
    HRESULT STDMETHODCALLTYPE SetHelpStringContext(ULONG help_string_context) override;
    HRESULT STDMETHODCALLTYPE SetHelpStringDll(LPOLESTR dll_name) override;

    UINT STDMETHODCALLTYPE GetTypeInfoCount() override { return static_cast<UINT>(types_.size()); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoType(UINT index, TYPEKIND *kind) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID guid, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR **attr) override;
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp **comp) override;
    HRESULT STDMETHODCALLTYPE GetDocumentation(INT index, BSTR *name, BSTR *doc_string, DWORD *help_context,
                                               BSTR *help_file) override;
    HRESULT STDMETHODCALLTYPE IsName(LPOLESTR name, ULONG hash, BOOL *found) override;
    HRESULT STDMETHODCALLTYPE FindName(LPOLESTR name, ULONG hash, ITypeInfo **infos, MEMBERID *memids,
                                       USHORT *found) override;
    void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR *attr) override { delete attr; }

    // What the types lay out with: the size of a pointer of the library's system.
    WORD pointer_size() const { return syskind_ == SYS_WIN64 ? 8 : 4; }
    LCID lcid() const { return lcid_; }
    // AddRefTypeInfo's handle of `info`, as oleaut32 numbers them: a type of this library is
    // its index times 100; one of another library is imported once, the n-th as 12 * n + 1.
    HREFTYPE reference(ITypeInfo *info);
    // The type a handle names (no reference added); null when it names none.
    ITypeInfo *referenced(HREFTYPE href) const;
    UINT index_of(const CreatedTypeInfo *type) const;

private:
    std::atomic<ULONG> count_{1};
    SYSKIND syskind_;
    OptionalText name_, doc_;
    GUID guid_{};
    LCID lcid_ = 0;
    WORD major_ = 0, minor_ = 0;
    UINT flags_ = 0;
    DWORD help_context_ = 0;
    std::vector<std::unique_ptr<CreatedTypeInfo>> types_;
    std::vector<ComRef<ITypeInfo>> imports_;
};

// One dispinterface or interface of a created library, which owns it: a reference to the type
// is a reference to its library.
class CreatedTypeInfo final : public ICreateTypeInfo, public ITypeInfo, public ITypeComp {
public:
    CreatedTypeInfo(CreatedTypeLib *lib, const OLECHAR *name, TYPEKIND kind) : lib_(lib), name_(name), kind_(kind) {}
    CreatedTypeInfo(const CreatedTypeInfo &) = delete;
    CreatedTypeInfo &operator=(const CreatedTypeInfo &) = delete;

    ITypeInfo *type_info() { return this; }
    const std::u16string &name() const { return name_; }
    const OptionalText &doc() const { return doc_; }
    DWORD help_context() const { return help_context_; }
    TYPEKIND kind() const { return kind_; }
    const GUID &guid() const { return guid_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE SetGuid(REFGUID guid) override;
    HRESULT STDMETHODCALLTYPE SetTypeFlags(UINT flags) override;
    HRESULT STDMETHODCALLTYPE SetDocString(LPOLESTR doc) override;
    HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD help_context) override;
    HRESULT STDMETHODCALLTYPE SetVersion(WORD major, WORD minor) override;
    HRESULT STDMETHODCALLTYPE AddRefTypeInfo(ITypeInfo *info, HREFTYPE *ref_type) override;
    HRESULT STDMETHODCALLTYPE AddFuncDesc(UINT index, FUNCDESC *desc) override;
    HRESULT STDMETHODCALLTYPE AddImplType(UINT index, HREFTYPE ref_type) override;
    HRESULT STDMETHODCALLTYPE SetImplTypeFlags(UINT index, INT flags) override;
    HRESULT STDMETHODCALLTYPE SetAlignment(WORD alignment) override;
    HRESULT STDMETHODCALLTYPE SetSchema(LPOLESTR schema) override;
    HRESULT STDMETHODCALLTYPE AddVarDesc(UINT index, VARDESC *desc) override;
    HRESULT STDMETHODCALLTYPE SetFuncAndParamNames(UINT index, LPOLESTR *names, UINT count) override;
    HRESULT STDMETHODCALLTYPE SetVarName(UINT index, LPOLESTR name) override;
    HRESULT STDMETHODCALLTYPE SetTypeDescAlias(TYPEDESC *alias) override;
    HRESULT STDMETHODCALLTYPE DefineFuncAsDllEntry(UINT index, LPOLESTR dll_name, LPOLESTR proc_name) override;
    HRESULT STDMETHODCALLTYPE SetFuncDocString(UINT index, LPOLESTR doc) override;
    HRESULT STDMETHODCALLTYPE SetVarDocString(UINT index, LPOLESTR doc) override;
    HRESULT STDMETHODCALLTYPE SetFuncHelpContext(UINT index, DWORD help_context) override;
    HRESULT STDMETHODCALLTYPE SetVarHelpContext(UINT index, DWORD help_context) override;
    HRESULT STDMETHODCALLTYPE SetMops(UINT index, BSTR mops) override;
    HRESULT STDMETHODCALLTYPE SetTypeIdldesc(IDLDESC *idl_desc) override;
    HRESULT STDMETHODCALLTYPE LayOut() override;

    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR **attr) override;
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp **comp) override;
    HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT index, FUNCDESC **desc) override;
    HRESULT STDMETHODCALLTYPE GetVarDesc(UINT index, VARDESC **desc) override;
    HRESULT STDMETHODCALLTYPE GetNames(MEMBERID memid, BSTR *names, UINT max_names, UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT index, HREFTYPE *ref_type) override;
    HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT index, INT *flags) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR *names, UINT count, MEMBERID *memids) override;
    HRESULT STDMETHODCALLTYPE Invoke(PVOID instance, MEMBERID memid, WORD flags, DISPPARAMS *params, VARIANT *result,
                                     EXCEPINFO *excep_info, UINT *arg_err) override;
    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID memid, BSTR *name, BSTR *doc_string, DWORD *help_context,
                                               BSTR *help_file) override;
    HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID memid, INVOKEKIND kind, BSTR *dll_name, BSTR *name,
                                          WORD *ordinal) override;
    HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE ref_type, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID memid, INVOKEKIND kind, PVOID *address) override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, PVOID *object) override;
    HRESULT STDMETHODCALLTYPE GetMops(MEMBERID memid, BSTR *mops) override;
    HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib **lib, UINT *index) override;
    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR *attr) override { delete attr; }
    void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC *desc) override { OwnedFuncDesc::release(desc); }
    void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC *) override {}  // no variable is ever described

    HRESULT STDMETHODCALLTYPE Bind(LPOLESTR name, ULONG hash, WORD flags, ITypeInfo **info, DESCKIND *kind,
                                   BINDPTR *bound) override;
    HRESULT STDMETHODCALLTYPE BindType(LPOLESTR name, ULONG hash, ITypeInfo **info, ITypeComp **comp) override;

private:
    struct Function {
        std::unique_ptr<OwnedFuncDesc> desc;
        std::vector<std::u16string> names;  // the function's, then its parameters'
        OptionalText doc;
        DWORD help_context = 0;
    };
    // A function that a dispinterface shows from the interfaces it is based on: the type that
    // declares it and its index there.
    struct Inherited {
        ComRef<ITypeInfo> owner;
        UINT index;
    };

    bool is_dispatch() const { return kind_ == TKIND_DISPATCH; }
    ITypeInfo *base() const;
    bool leads_here(ITypeInfo *type) const;
    WORD vtable_size() const;
    WORD first_slot_offset() const;
    std::vector<Inherited> inherited() const;
    FUNCDESC *own_func_desc(size_t index) const;
    HRESULT inherited_func_desc(const Inherited &member, std::unique_ptr<OwnedFuncDesc> *desc) const;
    const Function *find(MEMBERID memid) const;
    const Function *find(const OLECHAR *name) const;
    bool name_taken(const Function &named, const OLECHAR *name) const;
    bool bind_own(const OLECHAR *name, WORD flags, bool *named, ITypeInfo **info, BINDPTR *bound);
    bool bind_inherited(const OLECHAR *name, WORD flags, bool *named, ITypeInfo **info, BINDPTR *bound);

    CreatedTypeLib *lib_;
    std::atomic<ULONG> count_{0};
    std::u16string name_;
    TYPEKIND kind_;
    OptionalText doc_;
    GUID guid_{};
    WORD flags_ = 0;
    DWORD help_context_ = 0;
    WORD major_ = 0, minor_ = 0;
    WORD alignment_ = 4;
    std::vector<Function> functions_;
    std::optional<HREFTYPE> implemented_;
};

}  // namespace tavlinport
